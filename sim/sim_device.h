#pragma once
// The device object of the simulated stack and its pairing.
#include <map>
#include <memory>

#include "platform/bluetooth/bluetooth_stack.h"
#include "sim/sim_world.h"

namespace zenu::sim {

class SimService;
class SimCharacteristic;
class SimDescriptor;
class SimDevice;

class SimPairing : public bluetooth::DevicePairing {
public:
    explicit SimPairing(SimDevice& device) : device_(device) {}
    bool canPair() const override;
    bool isPaired() const override;
    bluetooth::Async<bluetooth::PairingResult> pairAsync(uint32_t kinds) override;
    bluetooth::Async<bluetooth::UnpairingResult> unpairAsync() override;

private:
    SimDevice& device_;
};

class SimDevice : public bluetooth::Device, public std::enable_shared_from_this<SimDevice> {
public:
    SimDevice(std::shared_ptr<World> world, uint64_t address, bluetooth::AddressType type, uint64_t session);
    ~SimDevice() override;

    uint64_t bluetoothAddress() const override { return address_; }
    bluetooth::AddressType addressType() const override { return addressType_; }
    std::string name() const override;
    bluetooth::ConnectionStatus connectionStatus() const override;
    bluetooth::DevicePairing& pairing() override { return pairing_; }
    bluetooth::Async<bluetooth::GattServicesResult> getGattServicesAsync(bluetooth::CacheMode mode) override;
    bluetooth::Async<bluetooth::GattServicesResult> getGattServicesForUuidAsync(const Guid& uuid,
                                                                               bluetooth::CacheMode mode) override;
    void close() override;

    // ---- for the stack (world mutex held)
    World& world() { return *world_; }
    const std::shared_ptr<World>& worldPtr() const { return world_; }
    uint64_t session() const { return session_; }
    bool closed() const { return closed_; }
    std::shared_ptr<SimService> serviceObject(const ServiceDef& s);
    std::shared_ptr<SimCharacteristic> characteristicObject(const ServiceDef& s, const CharacteristicDef& c);
    std::shared_ptr<SimDescriptor> descriptorObject(const CharacteristicDef& c, const DescriptorDef& d);
    // The live object of a characteristic, if the client holds one.
    std::shared_ptr<SimCharacteristic> existingCharacteristic(uint16_t handle);

    // Services of the database for a request (all primary ones, or those with `uuid`).
    bluetooth::GattServicesResult servicesResult(DeviceState& d, const std::optional<Guid>& uuid, bool cached);

private:
    std::shared_ptr<World> world_;
    const uint64_t address_;
    const bluetooth::AddressType addressType_;
    const uint64_t session_;
    std::atomic<bool> closed_{false};
    SimPairing pairing_;
    std::map<uint16_t, std::weak_ptr<SimService>> services_;
    std::map<uint16_t, std::weak_ptr<SimCharacteristic>> characteristics_;
    std::map<uint16_t, std::weak_ptr<SimDescriptor>> descriptors_;
};

}  // namespace zenu::sim
