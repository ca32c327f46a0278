#include "corvel/core/advertisement.h"

#include <cstdio>

namespace corvel {

namespace {

bool appendSection(std::vector<uint8_t>& data, uint8_t type, const std::vector<uint8_t>& payload,
                   const uint8_t* prefix = nullptr, size_t prefixLen = 0)
{
    const size_t len = 1 + prefixLen + payload.size();
    if (len > 0xFF || data.size() + 1 + len > 0xFF)
        return false;
    data.push_back(static_cast<uint8_t>(len));
    data.push_back(type);
    if (prefix)
        data.insert(data.end(), prefix, prefix + prefixLen);
    data.insert(data.end(), payload.begin(), payload.end());
    return true;
}

} // namespace

std::vector<uint8_t> buildAdvertisingReport(const AdvertisementContext& adv)
{
    std::vector<uint8_t> data;
    for (const AdSection& s : adv.sections)
        if (s.type == adtype::kTxPowerLevel) {
            appendSection(data, s.type, s.data);
            break;
        }
    for (const ManufacturerEntry& m : adv.manufacturerData) {
        const uint8_t id[2] = {static_cast<uint8_t>(m.companyId & 0xFF), static_cast<uint8_t>(m.companyId >> 8)};
        appendSection(data, adtype::kManufacturerData, m.data, id, 2);
    }
    bool txSeen = false;
    for (const AdSection& s : adv.sections) {
        if (s.type == adtype::kTxPowerLevel && !txSeen) {
            txSeen = true;
            continue;
        }
        if (s.type == adtype::kManufacturerData)
            continue;
        appendSection(data, s.type, s.data);
    }

    std::vector<uint8_t> report = {0x3E, 0x02, 0x01, adv.advertisementType, adv.addressType};
    for (int i = 0; i < 6; ++i)
        report.push_back(static_cast<uint8_t>((adv.address >> (8 * i)) & 0xFF));
    report.push_back(static_cast<uint8_t>(data.size()));
    report.insert(report.end(), data.begin(), data.end());
    report.push_back(static_cast<uint8_t>(adv.rssi));
    return report;
}

std::string hexText(const std::vector<uint8_t>& bytes)
{
    static const char* digits = "0123456789ABCDEF";
    std::string s;
    s.reserve(bytes.size() * 2);
    for (uint8_t b : bytes) {
        s.push_back(digits[b >> 4]);
        s.push_back(digits[b & 0xF]);
    }
    return s;
}

std::string serverIdFromAddress(uint64_t address)
{
    char buf[24];
    std::snprintf(buf, sizeof buf, "%012llX", static_cast<unsigned long long>(address & 0xFFFFFFFFFFFFull));
    return buf;
}

} // namespace corvel
