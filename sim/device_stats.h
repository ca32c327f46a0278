#pragma once
// Counters of a simulated device that tests look at.
#include <vector>

#include "platform/bluetooth/bluetooth_types.h"

namespace zenu::sim {

struct DeviceStats {
    int notificationsSent = 0;
    int indicationsSent = 0;
    int valuesDropped = 0;  // sent while nobody was subscribed or the link was down
    int linkOpenings = 0;
    int requests = 0;       // GATT requests that reached the device
    std::vector<bluetooth::Bytes> writes;  // every value written to a characteristic, in order
};

}  // namespace zenu::sim
