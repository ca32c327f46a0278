#pragma once
// Automation strings: UTF-16 with a 4-byte byte length stored before the first
// character and a two-byte zero after the last, so embedded zeros survive.
#include <cstdint>
#include <string>
#include <string_view>

namespace com {

using OLECHAR = char16_t;
using BSTR = OLECHAR*;

BSTR SysAllocString(const OLECHAR* text);                      // nullptr -> nullptr
BSTR SysAllocStringLen(const OLECHAR* text, uint32_t length);  // text may be nullptr: zero-filled
BSTR SysAllocStringByteLen(const char* bytes, uint32_t byteLength);
int SysReAllocString(BSTR* target, const OLECHAR* text);                   // nonzero on success
int SysReAllocStringLen(BSTR* target, const OLECHAR* text, uint32_t length);
void SysFreeString(BSTR text);                                 // nullptr is fine
uint32_t SysStringLen(BSTR text);                              // characters; 0 for nullptr
uint32_t SysStringByteLen(BSTR text);                          // bytes; 0 for nullptr

// Conversions; invalid sequences become U+FFFD. Lengths come from the prefix, not from zeros.
BSTR BstrFromUtf8(std::string_view utf8);
BSTR BstrFromU16(std::u16string_view text);
std::string BstrToUtf8(BSTR text);
std::u16string BstrToU16(BSTR text);
std::u16string Utf8ToU16(std::string_view utf8);
std::string U16ToUtf8(std::u16string_view text);

// Owns one BSTR; frees it on destruction.
class BStr {
public:
    BStr() = default;
    explicit BStr(std::string_view utf8) : s_(BstrFromUtf8(utf8)) {}
    explicit BStr(std::u16string_view text) : s_(BstrFromU16(text)) {}
    ~BStr() { SysFreeString(s_); }
    BStr(const BStr&) = delete;
    BStr& operator=(const BStr&) = delete;
    BStr(BStr&& other) noexcept : s_(other.s_) { other.s_ = nullptr; }
    BStr& operator=(BStr&& other) noexcept
    {
        if (this != &other) {
            SysFreeString(s_);
            s_ = other.s_;
            other.s_ = nullptr;
        }
        return *this;
    }
    BSTR get() const { return s_; }
    BSTR* out() { reset(); return &s_; }   // for out-parameters
    BSTR detach() { BSTR s = s_; s_ = nullptr; return s; }
    void reset(BSTR s = nullptr) { SysFreeString(s_); s_ = s; }
    uint32_t length() const { return SysStringLen(s_); }
    std::string utf8() const { return BstrToUtf8(s_); }
    std::u16string u16() const { return BstrToU16(s_); }

private:
    BSTR s_ = nullptr;
};

} // namespace com

using namespace com;
