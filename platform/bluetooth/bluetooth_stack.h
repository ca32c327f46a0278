#pragma once
// The Bluetooth LE interface the control drives: one abstract client with a backend per
// stack (the simulator in sim/, BlueZ), chosen at run time by the control (corvel/ble/stack_factory.h).
//
// Every operation returns at once and ends later on a worker thread of the stack
// (async_operation.h); events are raised on worker threads too (event_source.h). A stack keeps
// the order of each source: the operations of one device end in the order they were started,
// and the events of one object are raised in the order they happened. Objects stay usable as
// long as they are held; after the device is closed (or the stack is gone) their operations
// end as Error and their events are no longer raised.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/bluetooth/async_operation.h"
#include "platform/bluetooth/bluetooth_types.h"
#include "platform/bluetooth/event_source.h"
#include "platform/bluetooth/guid.h"
#include "platform/bluetooth/pairing_request.h"

namespace zenu::bluetooth {

class GattDescriptor {
public:
    virtual ~GattDescriptor() = default;
    virtual uint16_t attributeHandle() const = 0;
    virtual Guid uuid() const = 0;
    virtual Async<GattReadResult> readValueAsync(CacheMode mode) = 0;
    virtual Async<GattWriteResult> writeValueWithResultAsync(const Bytes& value) = 0;
};

class GattCharacteristic {
public:
    virtual ~GattCharacteristic() = default;
    virtual uint16_t attributeHandle() const = 0;
    virtual Guid uuid() const = 0;
    // properties:: bits (see bluetooth_types.h for when the extended ones show).
    virtual uint32_t characteristicProperties() const = 0;
    // From the User Description descriptor (0x2901) once it has been discovered, else "".
    virtual std::string userDescription() const = 0;
    // From the Presentation Format descriptors (0x2904) discovered so far.
    virtual std::vector<PresentationFormat> presentationFormats() const = 0;
    // Handle of the service the characteristic belongs to.
    virtual uint16_t serviceHandle() const = 0;

    virtual Async<GattDescriptorsResult> getDescriptorsAsync(CacheMode mode) = 0;
    virtual Async<GattDescriptorsResult> getDescriptorsForUuidAsync(const Guid& uuid, CacheMode mode) = 0;
    virtual Async<GattReadResult> readValueAsync(CacheMode mode) = 0;
    virtual Async<GattWriteResult> writeValueWithResultAsync(const Bytes& value, WriteOption option) = 0;
    virtual Async<GattWriteResult> writeClientCharacteristicConfigurationDescriptorWithResultAsync(
        ClientConfig value) = 0;
    virtual Async<GattClientConfigResult> readClientCharacteristicConfigurationDescriptorAsync() = 0;

    // A notified or indicated value.
    Event<const ValueChangedArgs&> valueChanged;
};

class GattService {
public:
    virtual ~GattService() = default;
    virtual uint16_t attributeHandle() const = 0;
    virtual Guid uuid() const = 0;
    virtual Async<GattServicesResult> getIncludedServicesAsync(CacheMode mode) = 0;
    virtual Async<GattServicesResult> getIncludedServicesForUuidAsync(const Guid& uuid, CacheMode mode) = 0;
    virtual Async<GattCharacteristicsResult> getCharacteristicsAsync(CacheMode mode) = 0;
    virtual Async<GattCharacteristicsResult> getCharacteristicsForUuidAsync(const Guid& uuid, CacheMode mode) = 0;
};

class DevicePairing {
public:
    virtual ~DevicePairing() = default;
    virtual bool canPair() const = 0;
    virtual bool isPaired() const = 0;
    // kinds: the pairing_kinds:: flags the caller can handle. The request event is raised
    // (on a worker thread) when the ceremony needs an answer.
    virtual Async<PairingResult> pairAsync(uint32_t kinds) = 0;
    virtual Async<UnpairingResult> unpairAsync() = 0;

    Event<const std::shared_ptr<PairingRequest>&> pairingRequested;
};

class Device {
public:
    virtual ~Device() = default;
    virtual uint64_t bluetoothAddress() const = 0;
    virtual AddressType addressType() const = 0;
    virtual std::string name() const = 0;
    // Disconnected until a GATT operation opens the link; follows the link from then on.
    virtual ConnectionStatus connectionStatus() const = 0;
    virtual DevicePairing& pairing() = 0;
    virtual Async<GattServicesResult> getGattServicesAsync(CacheMode mode) = 0;
    virtual Async<GattServicesResult> getGattServicesForUuidAsync(const Guid& uuid, CacheMode mode) = 0;
    // Releases the device: the link closes, running operations end as Canceled, events stop.
    virtual void close() = 0;

    Event<ConnectionStatus> connectionStatusChanged;
    Event<const std::string&> nameChanged;
    // The argument describes the change (the affected handle range, "XXXX-YYYY").
    Event<const std::string&> gattServicesChanged;
};

class AdvertisementWatcher {
public:
    virtual ~AdvertisementWatcher() = default;
    virtual ScanningMode scanningMode() const = 0;
    // Refused (false) while the watcher is Started or Stopping.
    virtual bool setScanningMode(ScanningMode mode) = 0;
    // Only advertisements that carry one of these service UUIDs pass (and the scan responses
    // of their devices); an empty list lets everything pass. Refused while started.
    virtual bool setServiceUuidFilter(const std::vector<Guid>& uuids) = 0;
    virtual std::vector<Guid> serviceUuidFilter() const = 0;
    virtual WatcherStatus status() const = 0;
    // Start moves Created, Stopped or Aborted towards Started (possibly a little later); Stop
    // moves Started through Stopping to Stopped and raises `stopped`.
    virtual void start() = 0;
    virtual void stop() = 0;

    Event<const AdvertisementReceivedArgs&> received;
    Event<BluetoothErrorCode> stopped;
};

class BluetoothStack {
public:
    virtual ~BluetoothStack() = default;
    // For logs: what this stack is ("simulated: demo.json", "BlueZ").
    virtual std::string description() const = 0;
    // The default adapter, or none.
    virtual Async<std::optional<AdapterInfo>> getDefaultAdapterAsync() = 0;
    virtual std::shared_ptr<AdvertisementWatcher> createAdvertisementWatcher() = 0;
    // The device object for a 48-bit address, or none when the stack knows no such device.
    // Getting it does not connect.
    virtual Async<std::shared_ptr<Device>> fromBluetoothAddressAsync(uint64_t address) = 0;
};

}  // namespace zenu::bluetooth
