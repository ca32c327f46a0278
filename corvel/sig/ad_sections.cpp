#include "corvel/sig/ad_sections.h"

namespace corvel {

namespace {

struct SectionKind {
    uint8_t type;
    size_t uuidSize;
};

const SectionKind kServiceDataKinds[] = {
    {adtype::kServiceData16, 2}, {adtype::kServiceData32, 4}, {adtype::kServiceData128, 16}};
const SectionKind kSolicitationKinds[] = {
    {adtype::kSolicitation16, 2}, {adtype::kSolicitation32, 4}, {adtype::kSolicitation128, 16}};

} // namespace

std::vector<AdSection> splitAdSections(std::span<const uint8_t> raw)
{
    std::vector<AdSection> out;
    size_t pos = 0;
    while (pos < raw.size()) {
        const size_t len = raw[pos];
        if (len == 0 || len > raw.size() - pos - 1)
            break;
        AdSection s;
        s.type = raw[pos + 1];
        s.data.assign(raw.begin() + static_cast<std::ptrdiff_t>(pos + 2),
                      raw.begin() + static_cast<std::ptrdiff_t>(pos + 1 + len));
        out.push_back(std::move(s));
        pos += 1 + len;
    }
    return out;
}

ServiceDataList readServiceData(std::span<const AdSection> sections)
{
    ServiceDataList result;
    for (const SectionKind& kind : kServiceDataKinds) {
        for (const AdSection& s : sections) {
            if (s.type != kind.type)
                continue;
            if (s.data.size() < kind.uuidSize) {
                result.error = "Expected byte[] length to be at least " + std::to_string(kind.uuidSize) +
                               ", but instead is " + std::to_string(s.data.size()) + ".";
                return result;
            }
            ServiceData entry;
            entry.uuid = uuidFromBytes(std::span<const uint8_t>(s.data.data(), kind.uuidSize)).value;
            entry.data.assign(s.data.begin() + static_cast<std::ptrdiff_t>(kind.uuidSize), s.data.end());
            result.entries.push_back(std::move(entry));
        }
    }
    return result;
}

UuidListResult readSolicitations(std::span<const AdSection> sections)
{
    UuidListResult result;
    for (const SectionKind& kind : kSolicitationKinds) {
        for (const AdSection& s : sections) {
            if (s.type != kind.type)
                continue;
            if (s.data.size() % kind.uuidSize != 0) {
                result.error = "Expected byte[] length to be a multiple of " + std::to_string(kind.uuidSize) +
                               ", but instead is " + std::to_string(s.data.size()) + ".";
                return result;
            }
            for (size_t off = 0; off < s.data.size(); off += kind.uuidSize)
                result.uuids.push_back(
                    uuidFromBytes(std::span<const uint8_t>(s.data.data() + off, kind.uuidSize)).value);
        }
    }
    return result;
}

} // namespace corvel
