#include "cli/corvelsh/shell_syntax.h"

#include <cstdio>
#include <limits>

namespace zenu::corvelsh {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

int hexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool equalsNoCase(std::string_view a, std::string_view b)
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

// Reads "..." starting at line[pos] == '"'. The raw bytes between escapes are UTF-8.
bool readString(std::string_view line, size_t& pos, std::u16string& out, std::string& error)
{
    std::string utf8run;
    out.clear();
    auto flush = [&] {
        out += Utf8ToU16(utf8run);
        utf8run.clear();
    };
    for (++pos; pos < line.size(); ++pos) {
        const char c = line[pos];
        if (c == '"') {
            ++pos;
            flush();
            if (pos < line.size() && !isBlank(line[pos])) {
                error = "Missing blank after a string";
                return false;
            }
            return true;
        }
        if (c != '\\') {
            utf8run.push_back(c);
            continue;
        }
        if (++pos >= line.size())
            break;
        switch (line[pos]) {
        case '"': utf8run.push_back('"'); break;
        case '\\': utf8run.push_back('\\'); break;
        case 'r': utf8run.push_back('\r'); break;
        case 'n': utf8run.push_back('\n'); break;
        case 't': utf8run.push_back('\t'); break;
        case 'x': {
            const int hi = pos + 1 < line.size() ? hexValue(line[pos + 1]) : -1;
            const int lo = pos + 2 < line.size() ? hexValue(line[pos + 2]) : -1;
            if (hi < 0 || lo < 0) {
                error = "Bad \\x escape: two hexadecimal digits expected";
                return false;
            }
            flush();
            out.push_back(static_cast<char16_t>(hi * 16 + lo));
            pos += 2;
            break;
        }
        default:
            error = std::string("Unknown escape \\") + line[pos];
            return false;
        }
    }
    error = "Unterminated string";
    return false;
}

bool parseInteger(std::string_view word, int64_t& value, bool& outOfRange)
{
    outOfRange = false;
    size_t i = 0;
    bool negative = false;
    if (i < word.size() && (word[i] == '-' || word[i] == '+'))
        negative = word[i++] == '-';
    if (i >= word.size())
        return false;
    int64_t v = 0;
    for (; i < word.size(); ++i) {
        if (word[i] < '0' || word[i] > '9')
            return false;
        if (v < (int64_t(1) << 40))
            v = v * 10 + (word[i] - '0');
        else
            outOfRange = true;
    }
    value = negative ? -v : v;
    if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
        outOfRange = true;
    return true;
}

} // namespace

bool ParseShellLine(std::string_view line, ShellCommand& command, std::string& error)
{
    command = ShellCommand();
    error.clear();
    size_t pos = 0;
    bool first = true;
    while (true) {
        while (pos < line.size() && isBlank(line[pos]))
            ++pos;
        if (pos >= line.size())
            break;
        if (first && line[pos] == '#')
            break;
        ShellArg arg;
        if (line[pos] == '"') {
            if (first) {
                error = "A command must start with its name";
                return false;
            }
            arg.kind = ShellArg::Kind::String;
            if (!readString(line, pos, arg.text, error))
                return false;
        } else {
            const size_t start = pos;
            while (pos < line.size() && !isBlank(line[pos]))
                ++pos;
            const std::string_view word = line.substr(start, pos - start);
            if (word.find('"') != std::string_view::npos) {
                error = "Stray quote in \"" + std::string(word) + "\"";
                return false;
            }
            bool outOfRange = false;
            if (first) {
                command.verb.reserve(word.size());
                for (char c : word)
                    command.verb.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c);
                first = false;
                continue;
            }
            if (parseInteger(word, arg.integer, outOfRange)) {
                if (outOfRange) {
                    error = "Integer out of range: " + std::string(word);
                    return false;
                }
                arg.kind = ShellArg::Kind::Integer;
            } else if (equalsNoCase(word, "True") || equalsNoCase(word, "False")) {
                arg.kind = ShellArg::Kind::Boolean;
                arg.boolean = equalsNoCase(word, "True");
                arg.word = std::string(word);
            } else {
                arg.kind = ShellArg::Kind::Word;
                arg.word = std::string(word);
            }
        }
        first = false;
        command.args.push_back(std::move(arg));
    }
    return true;
}

bool ArgToVariant(const ShellArg& arg, VARIANT* out)
{
    VariantClear(out);
    switch (arg.kind) {
    case ShellArg::Kind::String:
        out->bstrVal = BstrFromU16(arg.text);
        if (!out->bstrVal)
            return false;
        out->vt = VT_BSTR;
        return true;
    case ShellArg::Kind::Integer:
        if (arg.integer >= std::numeric_limits<int16_t>::min() && arg.integer <= std::numeric_limits<int16_t>::max()) {
            out->vt = VT_I2;
            out->iVal = static_cast<int16_t>(arg.integer);
        } else {
            out->vt = VT_I4;
            out->lVal = static_cast<int32_t>(arg.integer);
        }
        return true;
    case ShellArg::Kind::Boolean:
        out->vt = VT_BOOL;
        out->boolVal = arg.boolean ? VARIANT_TRUE : VARIANT_FALSE;
        return true;
    case ShellArg::Kind::Word:
        break;
    }
    return false;
}

std::string QuoteText(std::u16string_view text)
{
    std::string out = "\"";
    std::u16string run;
    auto flush = [&] {
        out += U16ToUtf8(run);
        run.clear();
    };
    for (char16_t c : text) {
        const char* esc = nullptr;
        switch (c) {
        case u'"': esc = "\\\""; break;
        case u'\\': esc = "\\\\"; break;
        case u'\r': esc = "\\r"; break;
        case u'\n': esc = "\\n"; break;
        case u'\t': esc = "\\t"; break;
        default: break;
        }
        if (esc) {
            flush();
            out += esc;
        } else if (c < 0x20 || c == 0x7F) {
            flush();
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", static_cast<unsigned>(c));
            out += buf;
        } else {
            run.push_back(c);
        }
    }
    flush();
    out += "\"";
    return out;
}

std::string FormatVariant(const VARIANT* value)
{
    if (!value)
        return "Empty";
    VARIANT plain;
    VariantInit(&plain);
    if (FAILED(VariantCopyInd(&plain, value)))
        return "<bad value>";
    std::string out;
    switch (plain.vt) {
    case VT_EMPTY: out = "Empty"; break;
    case VT_NULL: out = "Null"; break;
    case VT_I2: out = std::to_string(plain.iVal); break;
    case VT_I4: out = std::to_string(plain.lVal); break;
    case VT_UI1: out = std::to_string(plain.bVal); break;
    case VT_BOOL: out = plain.boolVal ? "True" : "False"; break;
    case VT_BSTR: out = QuoteText(BstrToU16(plain.bstrVal)); break;
    case VT_ERROR: out = "Error " + HResultHex(plain.scode); break;
    case VT_UNKNOWN:
    case VT_DISPATCH: out = plain.punkVal ? "Object" : "Nothing"; break;
    case VT_ARRAY | VT_UI1: {
        SAFEARRAY* sa = plain.parray;
        const uint32_t n = sa ? sa->rgsabound[0].cElements : 0;
        out = "bytes[" + std::to_string(n) + "]";
        if (n) {
            out += ' ';
            void* data = nullptr;
            if (SUCCEEDED(SafeArrayAccessData(sa, &data))) {
                static const char digits[] = "0123456789ABCDEF";
                const auto* p = static_cast<const uint8_t*>(data);
                for (uint32_t i = 0; i < n; ++i) {
                    out.push_back(digits[p[i] >> 4]);
                    out.push_back(digits[p[i] & 15]);
                }
                SafeArrayUnaccessData(sa);
            }
        }
        break;
    }
    default: {
        char buf[32];
        std::snprintf(buf, sizeof buf, "<vartype 0x%04X>", static_cast<unsigned>(plain.vt));
        out = buf;
        break;
    }
    }
    VariantClear(&plain);
    return out;
}

} // namespace zenu::corvelsh
