#pragma once
// The BlueZ backend: Bluetooth LE through bluetoothd over the system bus (the bus that
// DBUS_SYSTEM_BUS_ADDRESS names, else the machine's). Nothing is contacted until the first
// operation. When BlueZ cannot be used, the adapter query fails with a text naming the cause
// (no system bus, bluetoothd not running, permission denied, no adapter, adapter powered
// off), watchers abort, and no device is found. docs/bluez.md lists what BlueZ cannot do.
#include <memory>

#include "platform/bluetooth/bluetooth_stack.h"

namespace zenu::bluetooth {

namespace bluez {
class BluezContext;
}

class BluezStack : public BluetoothStack {
public:
    BluezStack();
    ~BluezStack() override;
    std::string description() const override { return "BlueZ"; }
    Async<std::optional<AdapterInfo>> getDefaultAdapterAsync() override;
    std::shared_ptr<AdvertisementWatcher> createAdvertisementWatcher() override;
    // A device BlueZ does not know yet is looked for by a short discovery first.
    Async<std::shared_ptr<Device>> fromBluetoothAddressAsync(uint64_t address) override;

private:
    std::shared_ptr<bluez::BluezContext> ctx_;
};

}  // namespace zenu::bluetooth
