#include "corvel/core/config_text.h"

#include <cctype>
#include <limits>

namespace corvel {

std::string_view trimBlanks(std::string_view s)
{
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
        s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
        s.remove_suffix(1);
    return s;
}

bool equalsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

ConfigRequest parseConfigRequest(std::string_view text)
{
    ConfigRequest r;
    std::string_view left = text;
    const size_t eq = text.find('=');
    if (eq != std::string_view::npos) {
        left = text.substr(0, eq);
        r.value = std::string(trimBlanks(text.substr(eq + 1)));
    }
    const size_t open = left.find('[');
    if (open != std::string_view::npos) {
        std::string_view idx = left.substr(open + 1);
        const size_t close = idx.find(']');
        if (close != std::string_view::npos)
            idx = idx.substr(0, close);
        r.index = std::string(trimBlanks(idx));
        left = left.substr(0, open);
    }
    r.name = std::string(trimBlanks(left));
    return r;
}

bool configBool(std::string_view v)
{
    return equalsNoCase(v, "TRUE") || equalsNoCase(v, "yes") || v == "1";
}

int32_t configInt(std::string_view v)
{
    if (equalsNoCase(v, "TRUE") || equalsNoCase(v, "yes"))
        return 1;
    if (equalsNoCase(v, "FALSE") || equalsNoCase(v, "no"))
        return 0;
    constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
    constexpr int64_t kMin = std::numeric_limits<int32_t>::min();
    if (v.size() > 2 && v[0] == '0' && (v[1] == 'x' || v[1] == 'X')) {
        uint64_t acc = 0;
        for (char c : v.substr(2)) {
            int d;
            if (c >= '0' && c <= '9')
                d = c - '0';
            else if (c >= 'a' && c <= 'f')
                d = c - 'a' + 10;
            else if (c >= 'A' && c <= 'F')
                d = c - 'A' + 10;
            else
                break;
            acc = acc * 16 + static_cast<uint64_t>(d);
            if (acc > 0xFFFFFFFFull)
                return static_cast<int32_t>(kMax);
        }
        // Eight hex digits may name a negative 32-bit value ("0xFFFFFFFF" = -1).
        return static_cast<int32_t>(static_cast<uint32_t>(acc));
    }
    size_t i = 0;
    while (i < v.size() && std::isspace(static_cast<unsigned char>(v[i])))
        ++i;
    bool negative = false;
    if (i < v.size() && (v[i] == '+' || v[i] == '-'))
        negative = v[i++] == '-';
    int64_t acc = 0;
    for (; i < v.size() && std::isdigit(static_cast<unsigned char>(v[i])); ++i) {
        acc = acc * 10 + (v[i] - '0');
        if (acc > kMax + 1)
            break;
    }
    if (negative)
        acc = -acc;
    if (acc > kMax)
        return static_cast<int32_t>(kMax);
    if (acc < kMin)
        return static_cast<int32_t>(kMin);
    return static_cast<int32_t>(acc);
}

const char* boolText(bool value) { return value ? "True" : "False"; }

} // namespace corvel
