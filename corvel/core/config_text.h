#pragma once
// The text forms of the Config channel: "name[index]=value" and the
// conversions of setting values to and from text.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corvel {

struct ConfigRequest {
    std::string name;
    std::optional<std::string> index;   // text between "[" and "]", trimmed
    std::optional<std::string> value;   // present when the request sets
};

// Splits at the first "="; the left part is the name with an optional
// "[index]". Spaces around name, index and value are removed.
ConfigRequest parseConfigRequest(std::string_view text);

// True for "TRUE", "yes" and "1" (any case); false for anything else.
bool configBool(std::string_view value);

// "TRUE"/"yes" -> 1, "FALSE"/"no" -> 0, "0x..."/"0X..." hexadecimal,
// otherwise the leading decimal number (0 when there are no digits),
// saturated to the 32-bit range.
int32_t configInt(std::string_view value);

const char* boolText(bool value);   // "True" / "False"

bool equalsNoCase(std::string_view a, std::string_view b);
std::string_view trimBlanks(std::string_view s);

} // namespace corvel
