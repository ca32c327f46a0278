// Advertisement data as a radio delivers it: split into sections, the service data and
// solicitations read from them, and the advertising report the control rebuilds from them (the
// AdvertisementRawData setting). The first byte is the RSSI, the rest the data sections.
#include <cstdint>
#include <span>
#include <vector>

#include "corvel/core/advertisement.h"
#include "corvel/sig/ad_sections.h"

using namespace corvel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const std::span<const uint8_t> raw(data + 1, size - 1);
    const std::vector<AdSection> sections = splitAdSections(raw);
    size_t used = 0;
    for (const AdSection& s : sections) used += 2 + s.data.size();
    if (used > raw.size()) __builtin_trap();

    // As the link fills the advertisement in delivery.
    AdvertisementContext adv;
    adv.address = 0xA1B2C3D4E5F6ull;
    adv.rssi = static_cast<int8_t>(data[0]);
    for (const AdSection& s : sections) {
        if (s.type != adtype::kManufacturerData) {
            adv.sections.push_back(s);
        } else if (s.data.size() >= 2) {
            adv.manufacturerData.push_back(ManufacturerEntry{
                static_cast<uint16_t>(s.data[0] | (s.data[1] << 8)), std::vector<uint8_t>(s.data.begin() + 2, s.data.end())});
        }
    }
    ServiceDataList serviceData = readServiceData(adv.sections);
    const UuidListResult solicited = readSolicitations(adv.sections);
    if (serviceData.entries.size() > sections.size()) __builtin_trap();
    if (solicited.uuids.size() > raw.size() / 2) __builtin_trap();
    adv.serviceData = std::move(serviceData.entries);

    // The report: 12 bytes of header with the data length, the data, the RSSI. The data is
    // whole sections only.
    const std::vector<uint8_t> report = buildAdvertisingReport(adv);
    if (report.size() < 13 || report[11] != report.size() - 13 || report.back() != data[0]) __builtin_trap();
    const std::span<const uint8_t> reportData(report.data() + 12, report[11]);
    size_t resplit = 0;
    for (const AdSection& s : splitAdSections(reportData)) resplit += 2 + s.data.size();
    if (resplit != reportData.size()) __builtin_trap();
    if (hexText(report).size() != 2 * report.size()) __builtin_trap();
    return 0;
}
