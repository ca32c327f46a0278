#pragma once
// The advertisement being delivered: what the advertisement-only settings read
// while an Advertisement event is in progress.
#include <cstdint>
#include <string>
#include <vector>

#include "corvel/sig/ad_sections.h"

namespace corvel {

struct ManufacturerEntry {
    uint16_t companyId = 0;
    std::vector<uint8_t> data;
};

struct AdvertisementContext {
    uint64_t address = 0;              // 48-bit Bluetooth address
    uint8_t addressType = 0;           // 0 public, 1 random
    uint8_t advertisementType = 0;     // 0 connectable undirected ... 4 scan response
    int8_t rssi = 0;
    std::vector<ManufacturerEntry> manufacturerData;
    std::vector<ServiceData> serviceData;
    std::vector<AdSection> sections;   // all data sections except manufacturer data
};

// The advertisement as a controller's LE advertising report: 3E 02 01, type,
// address type, address (least significant byte first), data length, the
// data sections (Tx Power Level first, then manufacturer data, then the
// rest), RSSI. Sections that would overflow the one-byte lengths are left out.
std::vector<uint8_t> buildAdvertisingReport(const AdvertisementContext& adv);

// Upper-case hexadecimal digits without separators.
std::string hexText(const std::vector<uint8_t>& bytes);

// "%012llX" of a 48-bit address.
std::string serverIdFromAddress(uint64_t address);

} // namespace corvel
