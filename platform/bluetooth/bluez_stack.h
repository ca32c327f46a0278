#pragma once
// The BlueZ backend. Until it talks to BlueZ it reports what a machine without a Bluetooth
// adapter reports: no default adapter, no devices, and a watcher that aborts at once (its
// `stopped` event is raised on the thread that starts it). Its operations are complete when
// they are returned, so a completion handler runs as it is attached.
#include "platform/bluetooth/bluetooth_stack.h"

namespace zenu::bluetooth {

class BluezStack : public BluetoothStack {
public:
    std::string description() const override { return "BlueZ"; }
    Async<std::optional<AdapterInfo>> getDefaultAdapterAsync() override;
    std::shared_ptr<AdvertisementWatcher> createAdvertisementWatcher() override;
    Async<std::shared_ptr<Device>> fromBluetoothAddressAsync(uint64_t address) override;
};

}  // namespace zenu::bluetooth
