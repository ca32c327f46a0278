#pragma once
// Conversion between the interface's UTF-16 text and the control's byte
// strings in a Windows code page, by that code page's number.
#include <cstdint>
#include <string>
#include <string_view>

namespace corvel {

inline constexpr int kCodePageUtf8 = 65001;

// The iconv name of a Windows code page number ("" when it has no mapping).
// 0 and 3 (the "ANSI" pages of the system and the thread) stand for Windows-1252, the
// encoding of our text files; 1 (OEM) for CP437 and 2 (Mac) for Mac Roman.
std::string iconvNameForCodePage(int codePage);

// True when the code page has a mapping that iconv can open in both directions.
bool isSupportedCodePage(int codePage);

// The page of the interface's own texts (Ids, UUIDs, settings, messages): the code page
// itself when it keeps ASCII as ASCII, else UTF-8. A page such as UTF-16 or an EBCDIC one
// thus changes values only; it never makes an Id unreadable or the CodePage setting
// unreachable.
int textCodePage(int codePage);

// Text -> bytes without a terminating zero. Characters the code page cannot
// represent become '?'. An unsupported code page falls back to UTF-8.
std::string encodeText(int codePage, std::u16string_view text);

// Bytes (exact length; embedded zero bytes kept) -> text. Undecodable bytes
// become U+FFFD.
std::u16string decodeText(int codePage, std::string_view bytes);

} // namespace corvel
