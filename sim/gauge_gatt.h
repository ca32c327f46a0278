#pragma once
// The GATT layout of a simulated gauge: the standard services (access, attribute, device
// information, battery), the command service (or the probe command service) with the
// command characteristic, and the data service with the storage-information, storage-data and
// measurement characteristics.
#include <vector>

#include "sim/gauge_def.h"
#include "sim/scenario.h"

namespace zenu::sim {

namespace gauge_uuids {
inline const Guid kCommandService = *Guid::parse("722383EA-0662-466F-B41F-0FD548267C10");
inline const Guid kProbeCommandService = *Guid::parse("AAF1D96D-594C-4C53-B1C6-144A1DFDE6D8");
inline const Guid kCommand = Guid::sig(0x28CA);
inline const Guid kDataService = *Guid::parse("3DCF8700-54E8-4FBC-A822-25EC413CA19B");
inline const Guid kStorageInformation = *Guid::parse("3DCF8701-54E8-4FBC-A822-25EC413CA19B");
inline const Guid kStorageData = *Guid::parse("3DCF8702-54E8-4FBC-A822-25EC413CA19B");
inline const Guid kMeasurement = *Guid::parse("3DCF8703-54E8-4FBC-A822-25EC413CA19B");
}  // namespace gauge_uuids

// Fixed handles, so that scenarios can address the gauge's attributes.
namespace gauge_handles {
inline constexpr uint16_t kCommandService = 0x0020;
inline constexpr uint16_t kCommand = 0x0022;
inline constexpr uint16_t kDataService = 0x0030;
inline constexpr uint16_t kStorageInformation = 0x0032;
inline constexpr uint16_t kStorageData = 0x0035;
inline constexpr uint16_t kMeasurement = 0x0038;
inline constexpr uint16_t kBatteryLevel = 0x0016;
}  // namespace gauge_handles

// `gauge` resolved (resolvedGauge).
std::vector<ServiceDef> gaugeServices(const GaugeDef& gauge);
// Battery charge in percent from the voltage, by family.
int batteryPercent(const GaugeDef& gauge);

}  // namespace zenu::sim
