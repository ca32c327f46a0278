#include "sim/advertising_payload.h"

namespace zenu::sim {

using namespace bluetooth;
namespace st = section_types;

namespace {

enum class Width { Bits16, Bits32, Bits128 };

Width widthOf(const Guid& g) {
    uint32_t v = 0;
    if (g.isSig16()) return Width::Bits16;
    if (g.isSig32(&v)) return Width::Bits32;
    return Width::Bits128;
}

void appendUuid(Bytes& out, const Guid& g, Width w) {
    const auto le = g.toLittleEndian();
    if (w == Width::Bits128) {
        out.insert(out.end(), le.begin(), le.end());
        return;
    }
    uint32_t v = 0;
    g.isSig32(&v);
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
    if (w == Width::Bits32) {
        out.push_back(static_cast<uint8_t>(v >> 16));
        out.push_back(static_cast<uint8_t>(v >> 24));
    }
}

// One section per width that has UUIDs.
void uuidSections(std::vector<DataSection>& out, const std::vector<Guid>& uuids, const uint8_t types[3]) {
    for (Width w : {Width::Bits16, Width::Bits32, Width::Bits128}) {
        DataSection s;
        s.type = types[static_cast<int>(w)];
        for (const auto& g : uuids)
            if (widthOf(g) == w) appendUuid(s.data, g, w);
        if (!s.data.empty()) out.push_back(std::move(s));
    }
}

}  // namespace

Advertisement buildAdvertisement(const AdvertisingData& data, const std::string& name) {
    Advertisement a;
    auto& sections = a.dataSections;
    if (data.flags) {
        sections.push_back(DataSection{st::kFlags, Bytes{*data.flags}});
        a.flags = data.flags;
    }
    static const uint8_t serviceTypes[3] = {st::kComplete16, st::kComplete32, st::kComplete128};
    uuidSections(sections, data.serviceUuids, serviceTypes);
    a.serviceUuids = data.serviceUuids;
    if (!name.empty()) {
        sections.push_back(DataSection{data.shortenedName ? st::kShortenedName : st::kCompleteName,
                                       Bytes(name.begin(), name.end())});
        a.localName = name;
    }
    if (data.txPower) sections.push_back(DataSection{st::kTxPowerLevel, Bytes{static_cast<uint8_t>(*data.txPower)}});
    static const uint8_t solicitTypes[3] = {st::kSolicitation16, st::kSolicitation32, st::kSolicitation128};
    uuidSections(sections, data.solicitations, solicitTypes);
    for (const auto& sd : data.serviceData) {
        const Width w = widthOf(sd.uuid);
        DataSection s;
        s.type = w == Width::Bits16 ? st::kServiceData16 : w == Width::Bits32 ? st::kServiceData32 : st::kServiceData128;
        appendUuid(s.data, sd.uuid, w);
        s.data.insert(s.data.end(), sd.data.begin(), sd.data.end());
        sections.push_back(std::move(s));
    }
    for (const auto& md : data.manufacturerData) {
        DataSection s;
        s.type = st::kManufacturerData;
        s.data = {static_cast<uint8_t>(md.companyId), static_cast<uint8_t>(md.companyId >> 8)};
        s.data.insert(s.data.end(), md.data.begin(), md.data.end());
        sections.push_back(std::move(s));
        a.manufacturerData.push_back(md);
    }
    sections.insert(sections.end(), data.rawSections.begin(), data.rawSections.end());
    return a;
}

}  // namespace zenu::sim
