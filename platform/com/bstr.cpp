#include "platform/com/bstr.h"

#include <cstdlib>
#include <cstring>
#include <limits>

namespace com {

namespace {

constexpr uint32_t kMaxBytes = std::numeric_limits<uint32_t>::max() - 16;

// Block layout: [uint32 byte length][bytes][two zero bytes]; the BSTR points at the bytes.
BSTR allocBytes(const void* data, uint32_t byteLength)
{
    if (byteLength > kMaxBytes)
        return nullptr;
    auto* block = static_cast<unsigned char*>(std::malloc(size_t(byteLength) + 4 + 2 + 1));
    if (!block)
        return nullptr;
    std::memcpy(block, &byteLength, 4);
    if (data)
        std::memcpy(block + 4, data, byteLength);
    else
        std::memset(block + 4, 0, byteLength);
    // Two zero bytes after the data (three, so an odd byte length still ends in a zero OLECHAR).
    block[4 + byteLength] = 0;
    block[4 + byteLength + 1] = 0;
    block[4 + byteLength + 2] = 0;
    return reinterpret_cast<BSTR>(block + 4);
}

size_t u16len(const OLECHAR* s)
{
    size_t n = 0;
    while (s[n])
        ++n;
    return n;
}

} // namespace

BSTR SysAllocString(const OLECHAR* text)
{
    if (!text)
        return nullptr;
    const size_t n = u16len(text);
    if (n > kMaxBytes / 2)
        return nullptr;
    return allocBytes(text, static_cast<uint32_t>(n * 2));
}

BSTR SysAllocStringLen(const OLECHAR* text, uint32_t length)
{
    if (length > kMaxBytes / 2)
        return nullptr;
    return allocBytes(text, length * 2);
}

BSTR SysAllocStringByteLen(const char* bytes, uint32_t byteLength)
{
    return allocBytes(bytes, byteLength);
}

int SysReAllocStringLen(BSTR* target, const OLECHAR* text, uint32_t length)
{
    if (!target)
        return 0;
    // `text` may point into *target, so copy before freeing.
    BSTR fresh = SysAllocStringLen(text, length);
    if (!fresh)
        return 0;
    SysFreeString(*target);
    *target = fresh;
    return 1;
}

int SysReAllocString(BSTR* target, const OLECHAR* text)
{
    if (!target)
        return 0;
    if (!text) {
        SysFreeString(*target);
        *target = nullptr;
        return 1;
    }
    const size_t n = u16len(text);
    if (n > kMaxBytes / 2)
        return 0;
    return SysReAllocStringLen(target, text, static_cast<uint32_t>(n));
}

void SysFreeString(BSTR text)
{
    if (text)
        std::free(reinterpret_cast<unsigned char*>(text) - 4);
}

uint32_t SysStringByteLen(BSTR text)
{
    if (!text)
        return 0;
    uint32_t n;
    std::memcpy(&n, reinterpret_cast<const unsigned char*>(text) - 4, 4);
    return n;
}

uint32_t SysStringLen(BSTR text)
{
    return SysStringByteLen(text) / 2;
}

std::u16string Utf8ToU16(std::string_view s)
{
    std::u16string out;
    out.reserve(s.size());
    size_t i = 0;
    const size_t n = s.size();
    auto cont = [&](size_t k) { return k < n && (static_cast<unsigned char>(s[k]) & 0xC0) == 0x80; };
    while (i < n) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        char32_t cp;
        size_t len;
        if (c < 0x80) {
            cp = c;
            len = 1;
        } else if (c >= 0xC2 && c <= 0xDF && cont(i + 1)) {
            cp = ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(s[i + 1]) & 0x3Fu);
            len = 2;
        } else if (c >= 0xE0 && c <= 0xEF && cont(i + 1) && cont(i + 2)) {
            cp = ((c & 0x0Fu) << 12) | ((static_cast<unsigned char>(s[i + 1]) & 0x3Fu) << 6)
               | (static_cast<unsigned char>(s[i + 2]) & 0x3Fu);
            len = 3;
            if (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))
                cp = 0xFFFD;
        } else if (c >= 0xF0 && c <= 0xF4 && cont(i + 1) && cont(i + 2) && cont(i + 3)) {
            cp = ((c & 0x07u) << 18) | ((static_cast<unsigned char>(s[i + 1]) & 0x3Fu) << 12)
               | ((static_cast<unsigned char>(s[i + 2]) & 0x3Fu) << 6) | (static_cast<unsigned char>(s[i + 3]) & 0x3Fu);
            len = 4;
            if (cp < 0x10000 || cp > 0x10FFFF)
                cp = 0xFFFD;
        } else {
            cp = 0xFFFD;
            len = 1;
        }
        i += len;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

std::string U16ToUtf8(std::u16string_view s)
{
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        char32_t cp = s[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

BSTR BstrFromU16(std::u16string_view text)
{
    if (text.size() > kMaxBytes / 2)
        return nullptr;
    return SysAllocStringLen(text.data(), static_cast<uint32_t>(text.size()));
}

BSTR BstrFromUtf8(std::string_view utf8)
{
    return BstrFromU16(Utf8ToU16(utf8));
}

std::u16string BstrToU16(BSTR text)
{
    if (!text)
        return {};
    return std::u16string(text, SysStringLen(text));
}

std::string BstrToUtf8(BSTR text)
{
    if (!text)
        return {};
    return U16ToUtf8(std::u16string_view(text, SysStringLen(text)));
}

} // namespace com
