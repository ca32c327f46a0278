#pragma once
// The GATT objects of the simulated stack, as a client sees them. Each looks its attribute
// up in the device's database per request: an attribute that is gone answers ProtocolError
// 0x01 (invalid handle).
#include <memory>

#include "platform/bluetooth/bluetooth_stack.h"
#include "sim/sim_device.h"

namespace zenu::sim {

class SimService : public bluetooth::GattService {
public:
    SimService(std::shared_ptr<SimDevice> device, uint16_t handle, Guid uuid)
        : device_(std::move(device)), handle_(handle), uuid_(uuid) {}
    uint16_t attributeHandle() const override { return handle_; }
    Guid uuid() const override { return uuid_; }
    bluetooth::Async<bluetooth::GattServicesResult> getIncludedServicesAsync(bluetooth::CacheMode mode) override;
    bluetooth::Async<bluetooth::GattServicesResult> getIncludedServicesForUuidAsync(const Guid& uuid,
                                                                                   bluetooth::CacheMode mode) override;
    bluetooth::Async<bluetooth::GattCharacteristicsResult> getCharacteristicsAsync(bluetooth::CacheMode mode) override;
    bluetooth::Async<bluetooth::GattCharacteristicsResult> getCharacteristicsForUuidAsync(
        const Guid& uuid, bluetooth::CacheMode mode) override;

private:
    bluetooth::Async<bluetooth::GattServicesResult> included(std::optional<Guid> uuid, bluetooth::CacheMode mode);
    bluetooth::Async<bluetooth::GattCharacteristicsResult> characteristics(std::optional<Guid> uuid,
                                                                           bluetooth::CacheMode mode);

    std::shared_ptr<SimDevice> device_;
    const uint16_t handle_;
    const Guid uuid_;
};

class SimCharacteristic : public bluetooth::GattCharacteristic {
public:
    SimCharacteristic(std::shared_ptr<SimDevice> device, uint16_t serviceHandle, uint16_t handle, Guid uuid)
        : device_(std::move(device)), serviceHandle_(serviceHandle), handle_(handle), uuid_(uuid) {}
    uint16_t attributeHandle() const override { return handle_; }
    Guid uuid() const override { return uuid_; }
    uint32_t characteristicProperties() const override;
    std::string userDescription() const override;
    std::vector<bluetooth::PresentationFormat> presentationFormats() const override;
    uint16_t serviceHandle() const override { return serviceHandle_; }

    bluetooth::Async<bluetooth::GattDescriptorsResult> getDescriptorsAsync(bluetooth::CacheMode mode) override;
    bluetooth::Async<bluetooth::GattDescriptorsResult> getDescriptorsForUuidAsync(const Guid& uuid,
                                                                                 bluetooth::CacheMode mode) override;
    bluetooth::Async<bluetooth::GattReadResult> readValueAsync(bluetooth::CacheMode mode) override;
    bluetooth::Async<bluetooth::GattWriteResult> writeValueWithResultAsync(const Bytes& value,
                                                                           bluetooth::WriteOption option) override;
    bluetooth::Async<bluetooth::GattWriteResult> writeClientCharacteristicConfigurationDescriptorWithResultAsync(
        bluetooth::ClientConfig value) override;
    bluetooth::Async<bluetooth::GattClientConfigResult> readClientCharacteristicConfigurationDescriptorAsync()
        override;

    SimDevice& device() { return *device_; }

private:
    bluetooth::Async<bluetooth::GattDescriptorsResult> descriptors(std::optional<Guid> uuid,
                                                                   bluetooth::CacheMode mode);

    std::shared_ptr<SimDevice> device_;
    const uint16_t serviceHandle_;
    const uint16_t handle_;
    const Guid uuid_;
};

class SimDescriptor : public bluetooth::GattDescriptor {
public:
    SimDescriptor(std::shared_ptr<SimDevice> device, uint16_t characteristicHandle, uint16_t handle, Guid uuid)
        : device_(std::move(device)), characteristicHandle_(characteristicHandle), handle_(handle), uuid_(uuid) {}
    uint16_t attributeHandle() const override { return handle_; }
    Guid uuid() const override { return uuid_; }
    bluetooth::Async<bluetooth::GattReadResult> readValueAsync(bluetooth::CacheMode mode) override;
    bluetooth::Async<bluetooth::GattWriteResult> writeValueWithResultAsync(const Bytes& value) override;

private:
    std::shared_ptr<SimDevice> device_;
    const uint16_t characteristicHandle_;
    const uint16_t handle_;
    const Guid uuid_;
};

}  // namespace zenu::sim
