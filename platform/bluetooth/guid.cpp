#include "platform/bluetooth/guid.h"

#include <cstdio>

namespace zenu::bluetooth {

namespace {

constexpr std::array<uint8_t, 8> kBaseTail{0x80, 0x00, 0x00, 0x80, 0x5F, 0x9B, 0x34, 0xFB};

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Exactly `count` hex digits from text[pos].
std::optional<uint64_t> hexField(std::string_view text, std::size_t pos, std::size_t count) {
    if (pos + count > text.size()) return std::nullopt;
    uint64_t v = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const int d = hexDigit(text[pos + i]);
        if (d < 0) return std::nullopt;
        v = (v << 4) | static_cast<uint64_t>(d);
    }
    return v;
}

std::string_view trimmed(std::string_view t) {
    while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) t.remove_prefix(1);
    while (!t.empty() && (t.back() == ' ' || t.back() == '\t')) t.remove_suffix(1);
    return t;
}

}  // namespace

Guid Guid::sig(uint32_t value) {
    Guid g;
    g.data1 = value;
    g.data2 = 0x0000;
    g.data3 = 0x1000;
    g.data4 = kBaseTail;
    return g;
}

std::optional<Guid> Guid::parse(std::string_view text) {
    text = trimmed(text);
    if (text.size() >= 2 && text.front() == '{' && text.back() == '}') text = text.substr(1, text.size() - 2);
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text.remove_prefix(2);
    if (text.size() == 4 || text.size() == 8) {
        const auto v = hexField(text, 0, text.size());
        if (!v) return std::nullopt;
        return sig(static_cast<uint32_t>(*v));
    }
    if (text.size() != 36 || text[8] != '-' || text[13] != '-' || text[18] != '-' || text[23] != '-')
        return std::nullopt;
    const auto d1 = hexField(text, 0, 8), d2 = hexField(text, 9, 4), d3 = hexField(text, 14, 4),
               d4a = hexField(text, 19, 4), d4b = hexField(text, 24, 12);
    if (!d1 || !d2 || !d3 || !d4a || !d4b) return std::nullopt;
    Guid g;
    g.data1 = static_cast<uint32_t>(*d1);
    g.data2 = static_cast<uint16_t>(*d2);
    g.data3 = static_cast<uint16_t>(*d3);
    g.data4[0] = static_cast<uint8_t>(*d4a >> 8);
    g.data4[1] = static_cast<uint8_t>(*d4a);
    for (int i = 0; i < 6; ++i) g.data4[2 + i] = static_cast<uint8_t>(*d4b >> (8 * (5 - i)));
    return g;
}

std::optional<Guid> Guid::fromLittleEndian(const uint8_t* b, std::size_t size) {
    if (size == 2) return sig(static_cast<uint32_t>(b[0] | (b[1] << 8)));
    if (size == 4) return sig(static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
                              (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24));
    if (size != 16) return std::nullopt;
    // The whole 128-bit number least significant byte first: the string's bytes reversed.
    std::array<uint8_t, 16> be{};
    for (int i = 0; i < 16; ++i) be[i] = b[15 - i];
    Guid g;
    g.data1 = (static_cast<uint32_t>(be[0]) << 24) | (static_cast<uint32_t>(be[1]) << 16) |
              (static_cast<uint32_t>(be[2]) << 8) | be[3];
    g.data2 = static_cast<uint16_t>((be[4] << 8) | be[5]);
    g.data3 = static_cast<uint16_t>((be[6] << 8) | be[7]);
    for (int i = 0; i < 8; ++i) g.data4[i] = be[8 + i];
    return g;
}

bool Guid::isSig32(uint32_t* value) const {
    if (data2 != 0 || data3 != 0x1000 || data4 != kBaseTail) return false;
    if (value) *value = data1;
    return true;
}

bool Guid::isSig16(uint16_t* value) const {
    uint32_t v = 0;
    if (!isSig32(&v) || v > 0xFFFF) return false;
    if (value) *value = static_cast<uint16_t>(v);
    return true;
}

std::string Guid::toString() const {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X", data1, data2, data3,
                  data4[0], data4[1], data4[2], data4[3], data4[4], data4[5], data4[6], data4[7]);
    return buf;
}

std::array<uint8_t, 16> Guid::toLittleEndian() const {
    std::array<uint8_t, 16> be{};
    for (int i = 0; i < 4; ++i) be[i] = static_cast<uint8_t>(data1 >> (8 * (3 - i)));
    be[4] = static_cast<uint8_t>(data2 >> 8);
    be[5] = static_cast<uint8_t>(data2);
    be[6] = static_cast<uint8_t>(data3 >> 8);
    be[7] = static_cast<uint8_t>(data3);
    for (int i = 0; i < 8; ++i) be[8 + i] = data4[i];
    std::array<uint8_t, 16> b{};
    for (int i = 0; i < 16; ++i) b[i] = be[15 - i];
    return b;
}

}  // namespace zenu::bluetooth
