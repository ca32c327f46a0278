#pragma once
// 128-bit UUIDs as the control accepts, reads and reports them.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "corvel/sig/status.h"

namespace corvel {

// Same field layout as a GUID: one 32-bit field, two 16-bit fields, 8 bytes.
struct Uuid {
    uint32_t data1 = 0;
    uint16_t data2 = 0;
    uint16_t data3 = 0;
    std::array<uint8_t, 8> data4{};

    friend bool operator==(const Uuid&, const Uuid&) = default;
};

// A 16- or 32-bit SIG value widened with the Bluetooth base UUID
// 00000000-0000-1000-8000-00805F9B34FB.
Uuid sigUuid(uint32_t value);

// True when the UUID is a widened 16-bit SIG value; `value` receives it.
bool isSig16(const Uuid& uuid, uint16_t* value = nullptr);

// Accepts "180F", "0x180F", "0000180F", "0000180F-0000-1000-8000-00805F9B34FB"
// (surrounding spaces, "0x" and "-" are dropped). Error 600 otherwise.
Result<Uuid> parseUuid(std::string_view text);

// Comma-separated list; "" is the empty list. The first bad item fails it.
Result<std::vector<Uuid>> parseUuidList(std::string_view text);

// "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX", upper case, no braces.
std::string formatUuid(const Uuid& uuid);

// Comma-joined formatUuid of each entry.
std::string formatUuidList(const std::vector<Uuid>& uuids);

// Advertisement byte order (little endian: a 16-byte UUID is the whole number reversed) for 2,
// 4 or 16 bytes; error 600 otherwise.
Result<Uuid> uuidFromBytes(std::span<const uint8_t> bytes);

} // namespace corvel
