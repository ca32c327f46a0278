#include "platform/com/registry_tree.h"

namespace com {

bool RegistryNamesEqual(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
        if (x != y)
            return false;
    }
    return true;
}

RegistryNode* RegistryNode::child(std::string_view childName) const
{
    for (const auto& c : children)
        if (RegistryNamesEqual(c->name, childName))
            return c.get();
    return nullptr;
}

RegistryNode* RegistryNode::addChild(std::string_view childName)
{
    if (RegistryNode* c = child(childName))
        return c;
    children.push_back(std::make_unique<RegistryNode>());
    children.back()->name = std::string(childName);
    return children.back().get();
}

const std::string* RegistryNode::value(std::string_view valueName) const
{
    for (const auto& v : values)
        if (RegistryNamesEqual(v.first, valueName))
            return &v.second;
    return nullptr;
}

void RegistryNode::setValue(std::string_view valueName, std::string_view value)
{
    for (auto& v : values)
        if (RegistryNamesEqual(v.first, valueName)) {
            v.second = std::string(value);
            return;
        }
    values.emplace_back(std::string(valueName), std::string(value));
}

bool RegistryNode::removeValue(std::string_view valueName)
{
    for (auto it = values.begin(); it != values.end(); ++it)
        if (RegistryNamesEqual(it->first, valueName)) {
            values.erase(it);
            return true;
        }
    return false;
}

bool RegistryNode::removeChild(std::string_view childName)
{
    for (auto it = children.begin(); it != children.end(); ++it)
        if (RegistryNamesEqual((*it)->name, childName)) {
            children.erase(it);
            return true;
        }
    return false;
}

bool SplitRegistryPath(std::string_view path, std::vector<std::string>& keys)
{
    keys.clear();
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string_view::npos)
            end = path.size();
        const std::string_view part = path.substr(start, end - start);
        if (!part.empty()) {
            if (part.find_first_of("\r\n[]") != std::string_view::npos)
                return false;
            keys.emplace_back(part);
        }
        start = end + 1;
    }
    return true;
}

namespace {

void appendQuoted(std::string& out, std::string_view s)
{
    out.push_back('"');
    for (char c : s) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '"': out += "\\\""; break;
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        default: out.push_back(c); break;
        }
    }
    out.push_back('"');
}

// Reads a quoted string at s[pos]; pos ends after the closing quote.
bool readQuoted(std::string_view s, size_t& pos, std::string& out)
{
    out.clear();
    if (pos >= s.size() || s[pos] != '"')
        return false;
    for (++pos; pos < s.size(); ++pos) {
        const char c = s[pos];
        if (c == '"') {
            ++pos;
            return true;
        }
        if (c == '\\') {
            if (++pos >= s.size())
                return false;
            switch (s[pos]) {
            case '\\': out.push_back('\\'); break;
            case '"': out.push_back('"'); break;
            case 'r': out.push_back('\r'); break;
            case 'n': out.push_back('\n'); break;
            case 't': out.push_back('\t'); break;
            default: return false;
            }
        } else {
            out.push_back(c);
        }
    }
    return false;
}

void formatNode(const RegistryNode& node, const std::string& path, std::string& out)
{
    if (!path.empty()) {
        out += "[" + path + "]\n";
        for (const auto& [name, value] : node.values) {
            if (name.empty())
                out += "@";
            else
                appendQuoted(out, name);
            out += "=";
            appendQuoted(out, value);
            out += "\n";
        }
    }
    for (const auto& c : node.children)
        formatNode(*c, path.empty() ? c->name : path + "\\" + c->name, out);
}

} // namespace

std::string FormatRegistryText(const RegistryNode& root)
{
    std::string out = "; corvel registry 1 (classes root). Keys in [brackets], @ is the default value.\n";
    formatNode(root, std::string(), out);
    return out;
}

bool ParseRegistryText(std::string_view text, RegistryNode& root, int* badLine)
{
    root.values.clear();
    root.children.clear();
    RegistryNode* current = nullptr;
    int lineNo = 0;
    size_t pos = 0;
    std::vector<std::string> keys;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        ++lineNo;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty() || line.front() == ';' || line.front() == '#')
            continue;
        auto fail = [&] {
            if (badLine)
                *badLine = lineNo;
            return false;
        };
        if (line.front() == '[') {
            if (line.back() != ']' || !SplitRegistryPath(line.substr(1, line.size() - 2), keys) || keys.empty())
                return fail();
            current = &root;
            for (const auto& k : keys)
                current = current->addChild(k);
            continue;
        }
        if (!current)
            return fail();
        std::string name, value;
        size_t p = 0;
        if (line.front() == '@') {
            p = 1;
        } else if (!readQuoted(line, p, name)) {
            return fail();
        }
        if (p >= line.size() || line[p] != '=')
            return fail();
        ++p;
        if (!readQuoted(line, p, value) || p != line.size())
            return fail();
        current->setValue(name, value);
    }
    return true;
}

} // namespace com
