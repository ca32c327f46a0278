#include "sim/gauge_gatt.h"

#include <algorithm>
#include <cmath>

namespace zenu::sim {

namespace bp = bluetooth::properties;

namespace {

Bytes text(const std::string& s) { return Bytes(s.begin(), s.end()); }

CharacteristicDef characteristic(uint16_t handle, Guid uuid, uint32_t properties, Bytes value = {},
                                  std::optional<std::string> description = std::nullopt) {
    CharacteristicDef c;
    c.handle = handle;
    c.uuid = uuid;
    c.properties = properties;
    c.value = std::move(value);
    c.userDescription = std::move(description);
    return c;
}

ServiceDef service(uint16_t handle, Guid uuid, std::vector<CharacteristicDef> characteristics) {
    ServiceDef s;
    s.handle = handle;
    s.uuid = uuid;
    s.characteristics = std::move(characteristics);
    return s;
}

}  // namespace

int batteryPercent(const GaugeDef& gauge) {
    const bool family5 = modelInfo(gauge.model).family == '5';
    const double empty = family5 ? 3.5 : 1.1, full = family5 ? 4.3 : 1.4;
    return static_cast<int>(std::lround(std::clamp((gauge.battery - empty) / (full - empty), 0.0, 1.0) * 100));
}

std::vector<ServiceDef> gaugeServices(const GaugeDef& gauge) {
    std::vector<ServiceDef> out;
    out.push_back(service(0x0001, Guid::sig(0x1800),
                          {characteristic(0x0003, Guid::sig(0x2A00), bp::kRead, text(gauge.name)),
                           characteristic(0x0005, Guid::sig(0x2A01), bp::kRead, Bytes{0x00, 0x00})}));
    out.push_back(service(0x0006, Guid::sig(0x1801), {characteristic(0x0008, Guid::sig(0x2A05), bp::kIndicate)}));
    out.push_back(service(0x000A, Guid::sig(0x180A),
                          {characteristic(0x000C, Guid::sig(0x2A29), bp::kRead, text("Zenu Messtechnik")),
                           characteristic(0x000E, Guid::sig(0x2A24), bp::kRead, text(modelInfo(gauge.model).code)),
                           characteristic(0x0010, Guid::sig(0x2A25), bp::kRead, text(gauge.serial)),
                           characteristic(0x0012, Guid::sig(0x2A26), bp::kRead, text(std::to_string(gauge.firmware)))}));
    CharacteristicDef level = characteristic(gauge_handles::kBatteryLevel, Guid::sig(0x2A19), bp::kRead | bp::kNotify,
                                              Bytes{static_cast<uint8_t>(batteryPercent(gauge))});
    level.formats.push_back(bluetooth::PresentationFormat{0x04, 0, 0x27AD, 0x01, 0x0000});
    out.push_back(service(0x0014, Guid::sig(0x180F), {level}));
    out.push_back(service(gauge_handles::kCommandService,
                          gauge.probeCommandService ? gauge_uuids::kProbeCommandService : gauge_uuids::kCommandService,
                          {characteristic(gauge_handles::kCommand, gauge_uuids::kCommand, bp::kRead | bp::kWrite, {},
                                          "Command")}));
    out.push_back(service(
        gauge_handles::kDataService, gauge_uuids::kDataService,
        {characteristic(gauge_handles::kStorageInformation, gauge_uuids::kStorageInformation, bp::kRead | bp::kWrite,
                        {}, "Storage information"),
         characteristic(gauge_handles::kStorageData, gauge_uuids::kStorageData, bp::kRead, {}, "Storage data"),
         characteristic(gauge_handles::kMeasurement, gauge_uuids::kMeasurement, bp::kRead | bp::kNotify, {},
                        "Measurement")}));
    return out;
}

}  // namespace zenu::sim
