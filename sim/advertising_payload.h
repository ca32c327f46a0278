#pragma once
// An advertisement as the stack delivers it, built from the fields of a scenario.
#include "platform/bluetooth/bluetooth_types.h"
#include "sim/scenario.h"

namespace zenu::sim {

// The data sections in a fixed order: flags, service UUID lists (16, 32, 128 bit), local
// name, Tx power, solicitations, service data, manufacturer data, then the raw sections as
// given. The parsed fields (name, UUIDs, manufacturer data, flags) are filled alongside.
bluetooth::Advertisement buildAdvertisement(const AdvertisingData& data, const std::string& name);

}  // namespace zenu::sim
