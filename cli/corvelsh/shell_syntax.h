#pragma once
// The command language of corvelsh: splitting a line into a verb and arguments, and
// printing values. One form for both directions: "text" with \" \\ \r \n \t \xHH
// escapes, decimal integers, True, False.
#include "platform/com/variant.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zenu::corvelsh {

struct ShellArg {
    enum class Kind { Word, String, Integer, Boolean };
    Kind kind = Kind::Word;
    std::string word;          // Word: the bare text
    std::u16string text;       // String: the decoded characters (\xHH is U+00HH)
    int64_t integer = 0;       // Integer
    bool boolean = false;      // Boolean
};

struct ShellCommand {
    std::string verb;          // lower case; empty for a blank or comment line
    std::vector<ShellArg> args;
};

// Splits one line. Blank lines and lines starting with '#' give an empty verb.
// False with a message for unterminated strings, bad escapes or numbers out of 32-bit range.
bool ParseShellLine(std::string_view line, ShellCommand& command, std::string& error);

// The argument as an automation value: String -> VT_BSTR, Integer -> VT_I2 when it fits,
// else VT_I4, Boolean -> VT_BOOL. Words are not values (false).
bool ArgToVariant(const ShellArg& arg, VARIANT* out);

// "text" with escapes: \" \\ \r \n \t, other characters below 0x20 and 0x7F as \xHH;
// the rest as UTF-8.
std::string QuoteText(std::u16string_view text);

// Empty, True/False, decimal integers, quoted text, bytes[N] HEX (upper case; "bytes[0]"
// when empty), Nothing/Object for interface pointers. By-reference values print what they
// point to.
std::string FormatVariant(const VARIANT* value);

} // namespace zenu::corvelsh
