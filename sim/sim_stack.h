#pragma once
// The simulated Bluetooth stack: a BluetoothStack over a scenario (scenario.h), with
// simulated gauges among its devices. Besides the stack interface it can be driven while it
// runs (tests, tools): every change takes effect on the worker thread, in the order asked
// for, and raises the events it causes there.
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/bluetooth/bluetooth_stack.h"
#include "sim/device_stats.h"
#include "sim/scenario.h"

namespace zenu::sim {

class World;
struct DeviceState;

class SimStack : public bluetooth::BluetoothStack {
public:
    // nullptr with a message when the scenario is not usable.
    static std::shared_ptr<SimStack> create(Scenario scenario, std::string* error = nullptr);
    static std::shared_ptr<SimStack> fromJson(const std::string& json, const std::string& source,
                                              std::string* error = nullptr);
    static std::shared_ptr<SimStack> fromFile(const std::string& path, std::string* error = nullptr);
    ~SimStack() override;

    std::string description() const override;
    bluetooth::Async<std::optional<bluetooth::AdapterInfo>> getDefaultAdapterAsync() override;
    std::shared_ptr<bluetooth::AdvertisementWatcher> createAdvertisementWatcher() override;
    bluetooth::Async<std::shared_ptr<bluetooth::Device>> fromBluetoothAddressAsync(uint64_t address) override;

    // ---- driving the simulation
    void setOnline(uint64_t address, bool online);
    void setRadio(bool on, bluetooth::BluetoothErrorCode reason = bluetooth::BluetoothErrorCode::RadioNotAvailable);
    void setName(uint64_t address, const std::string& name);
    void setAdvertising(uint64_t address, bool enabled);
    // Stores the value and notifies or indicates it as the client configured the characteristic.
    void sendValue(uint64_t address, uint16_t handle, const Bytes& value);
    void setValue(uint64_t address, uint16_t handle, const Bytes& value);
    void changeServices(uint64_t address, std::vector<ServiceDef> add, std::vector<uint16_t> remove);
    // handle 0: the device's own service discovery.
    void injectError(uint64_t address, uint16_t handle, ErrorOp op, InjectedError error);
    void setLatency(uint64_t address, const Latency& latency);

    // Waits (blocking, bounded) until the worker has done what was due by now, the changes
    // asked for above included.
    // False on timeout, or when called on the worker thread.
    bool settle(std::chrono::milliseconds timeout = std::chrono::milliseconds(2000));

    // ---- looking at the simulation
    DeviceStats stats(uint64_t address) const;
    uint16_t clientConfig(uint64_t address, uint16_t handle) const;
    bool linkOpen(uint64_t address) const;
    bool paired(uint64_t address) const;
    bool radioOn() const;
    std::optional<Bytes> value(uint64_t address, uint16_t handle) const;
    // The handle of the first attribute with this UUID (0 when there is none).
    uint16_t handleOf(uint64_t address, const Guid& uuid) const;
    std::vector<uint64_t> addresses() const;

private:
    explicit SimStack(std::shared_ptr<World> world);
    void act(uint64_t address, std::function<void(World&, DeviceState*, std::vector<std::function<void()>>&)> change);

    std::shared_ptr<World> world_;
};

}  // namespace zenu::sim
