#pragma once
// 128-bit UUIDs of the Bluetooth layer, laid out as a GUID (one 32-bit field, two 16-bit
// fields, eight bytes) so that the control can take them over field by field.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zenu::bluetooth {

struct Guid {
    uint32_t data1 = 0;
    uint16_t data2 = 0;
    uint16_t data3 = 0;
    std::array<uint8_t, 8> data4{};

    friend bool operator==(const Guid&, const Guid&) = default;
    friend auto operator<=>(const Guid&, const Guid&) = default;

    // A 16- or 32-bit SIG value on the Bluetooth base UUID 00000000-0000-1000-8000-00805F9B34FB.
    static Guid sig(uint32_t value);
    // "180F", "0x180F", "0000180F" (SIG values) or the 36-character form, either case, with
    // or without braces. Anything else: nullopt.
    static std::optional<Guid> parse(std::string_view text);
    // The 128-bit number least significant byte first, as advertisements carry it; 2 and 4 bytes are
    // SIG values. Other lengths: nullopt.
    static std::optional<Guid> fromLittleEndian(const uint8_t* bytes, std::size_t size);

    // True for a SIG value that fits 16 bits; `value` receives it.
    bool isSig16(uint16_t* value = nullptr) const;
    bool isSig32(uint32_t* value = nullptr) const;
    // "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX", upper case.
    std::string toString() const;
    // 16 bytes, least significant first.
    std::array<uint8_t, 16> toLittleEndian() const;
};

}  // namespace zenu::bluetooth
