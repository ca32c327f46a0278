#pragma once
// Service data and solicitation sections of advertisement data.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "corvel/sig/uuid.h"

namespace corvel {

// One data section (AD structure): its type byte and its payload.
struct AdSection {
    uint8_t type = 0;
    std::vector<uint8_t> data;
};

namespace adtype {
inline constexpr uint8_t kTxPowerLevel = 0x0A;
inline constexpr uint8_t kSolicitation16 = 0x14;
inline constexpr uint8_t kSolicitation128 = 0x15;
inline constexpr uint8_t kServiceData16 = 0x16;
inline constexpr uint8_t kSolicitation32 = 0x1F;
inline constexpr uint8_t kServiceData32 = 0x20;
inline constexpr uint8_t kServiceData128 = 0x21;
inline constexpr uint8_t kManufacturerData = 0xFF;
} // namespace adtype

// Splits raw advertisement bytes (length, type, payload ...) into sections.
// A zero length ends the data; a length that runs past the end drops that
// last section. Never reads outside `raw`.
std::vector<AdSection> splitAdSections(std::span<const uint8_t> raw);

struct ServiceData {
    Uuid uuid;
    std::vector<uint8_t> data;
};

// Reading stops at the first malformed section; `error` then holds the text
// the control records as its last error, and what was read before is kept.
struct ServiceDataList {
    std::vector<ServiceData> entries;
    std::string error;
};

struct UuidListResult {
    std::vector<Uuid> uuids;
    std::string error;
};

// Sections of types 0x16, 0x20 and 0x21 (in that order of types).
ServiceDataList readServiceData(std::span<const AdSection> sections);

// Sections of types 0x14, 0x1F and 0x15 (in that order of types).
UuidListResult readSolicitations(std::span<const AdSection> sections);

} // namespace corvel
