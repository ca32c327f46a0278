#pragma once
// The control's link to a Bluetooth LE stack of platform/bluetooth: scanning, connection and
// pairing, GATT discovery, values and subscriptions. Every stack operation is awaited on
// the host thread (awaitOperation); what the stack raises on its worker threads
// (advertisements, watcher stops, connection, name and service changes, notified values,
// pairing requests) is queued to the host thread and handled there, in order, so the
// object tree is only ever touched by the host thread.
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "corvel/core/advertisement.h"
#include "corvel/core/ble_link.h"
#include "corvel/core/events.h"
#include "corvel/core/host_loop.h"
#include "platform/bluetooth/bluetooth_stack.h"

namespace corvel {

class StackLink final : public BleLink {
public:
    explicit StackLink(std::shared_ptr<zenu::bluetooth::BluetoothStack> stack);
    ~StackLink() override;

    void attach(ControlCore& core) override;

    bool connected() const override { return device_ && !disconnectedMark_; }
    bool deviceHeld() const override { return device_ != nullptr; }
    std::string serverName() const override;
    bool scanning() const override;

    Status startScanning(const std::vector<Uuid>& filter, bool active) override;
    Status stopScanning() override;
    Status connect(uint64_t address, const std::string& serverId) override;
    void connectedFired() override;
    Status disconnect() override;

    Status discoverServices(const std::vector<Uuid>& filter, const std::string& includedByServiceId) override;
    Status discoverCharacteristics(const std::string& serviceId, const std::vector<Uuid>& filter) override;
    Status discoverDescriptors(const std::string& serviceId, const std::string& characteristicId) override;
    Status discover(const std::vector<Uuid>& serviceFilter, const std::vector<Uuid>& characteristicFilter,
                    bool descriptors, const std::string& includedByServiceId) override;

    Result<std::string> readValue(const std::string& serviceId, const std::string& characteristicId,
                                  const std::string& descriptorId, bool cached) override;
    Status writeValue(const std::string& serviceId, const std::string& characteristicId,
                      const std::string& descriptorId, const std::string& value, bool withResponse) override;
    Status setSubscription(const std::string& serviceId, const std::string& characteristicId, bool on) override;
    Result<bool> readSubscription(const std::string& serviceId, const std::string& characteristicId) override;
    Status writeUserDescription(const std::string& serviceId, const std::string& characteristicId,
                                const std::string& text) override;
    void ensureDescriptors(const std::string& serviceId, const std::string& characteristicId,
                           EnsuredKind kind) override;

    const std::shared_ptr<zenu::bluetooth::BluetoothStack>& stack() const { return stack_; }
    // Why the chosen stack could not be had (this link runs on BlueZ instead); logged with
    // the first scan or connection, when the host can see the control's log.
    void setStackProblem(std::string problem) { stackProblem_ = std::move(problem); }

private:
    struct CharacteristicObject {
        std::shared_ptr<zenu::bluetooth::GattCharacteristic> object;
        zenu::bluetooth::EventToken valueChanged = 0;
    };

    ControlCore& core() { return *core_; }
    void log(int level, const char* logType, const std::string& message);
    // Logs the result line and returns the result's error (success for Success).
    Status checkResult(const zenu::bluetooth::GattResult& result, const char* logType);
    void logStackProblem(const char* logType);

    // ---- connection (stack_link.cpp)
    void releaseDevice();
    void onConnectionStatus(uint64_t generation, zenu::bluetooth::ConnectionStatus status);
    void onNameChanged(uint64_t generation, const std::string& name);
    void onServicesChanged(uint64_t generation, const std::string& change);
    void onPairingRequested(uint64_t generation, const std::shared_ptr<zenu::bluetooth::PairingRequest>& request,
                            const std::shared_ptr<zenu::bluetooth::PairingRequest::Deferral>& deferral);

    // ---- scanning (link_scanning.cpp)
    // An advertisement taken apart, held until it is its turn and, when it has no local name
    // and "QueryAdditionalDeviceInfo" is on, until its device's name has been looked up.
    struct NameLookup {
        zenu::bluetooth::Async<std::shared_ptr<zenu::bluetooth::Device>> operation;
        SteadyClock::time_point deadline;
    };
    struct HeldAdvertisement {
        AdvertisementContext context;
        AdvertisementArgs args;
        std::vector<std::string> sectionErrors;
        std::shared_ptr<NameLookup> lookup;
    };
    void createWatcher();
    void onAdvertisement(const zenu::bluetooth::AdvertisementReceivedArgs& args);
    std::shared_ptr<NameLookup> lookUpName(uint64_t address);
    // Fires the held advertisements from the front while they are ready (`all`: every one,
    // whatever their look-ups, as when the scan has stopped).
    void deliverHeldAdvertisements(bool all);
    void onWatcherStopped(zenu::bluetooth::WatcherStatus status, zenu::bluetooth::BluetoothErrorCode error);

    // ---- discovery (link_discovery.cpp)
    // Whether work begun on the device object of `generation` may go on: a handler may have
    // disconnected, or connected again, while the work waited or fired an event.
    bool current(uint64_t generation) const { return generation == generation_ && device_; }
    template <typename R, typename Ask, typename Take>
    Status discoverEach(const char* noun, const std::vector<Uuid>& filter, uint64_t generation, Ask ask, Take take);
    // `found` collects the Ids of the services this call met, in order, once each.
    Status discoverRootServices(const std::vector<Uuid>& filter, std::vector<std::string>* found);
    Status discoverIncludedServices(const std::string& serviceId, const std::vector<Uuid>& filter,
                                    std::vector<std::string>* found);
    Status addServices(const std::vector<std::shared_ptr<zenu::bluetooth::GattService>>& services,
                       const std::string& parentId, std::vector<std::string>* found, uint64_t generation);
    Status discoverCharacteristicsOf(const std::string& serviceId, const std::vector<Uuid>& filter);
    Status discoverDescriptorsOf(const std::string& serviceId, const std::string& characteristicId);
    // Adds descriptors found for a characteristic, with their Discovered events.
    Status addDescriptors(const std::string& serviceId, const std::string& characteristicId,
                          const std::vector<std::shared_ptr<zenu::bluetooth::GattDescriptor>>& descriptors,
                          uint64_t generation);
    // Once per characteristic and kind: discovers the descriptors with this 16-bit UUID.
    void ensureKind(const std::string& serviceId, const std::string& characteristicId, uint16_t uuid16,
                    EnsuredKind kind);
    void refreshFromObject(const std::string& serviceId, const std::string& characteristicId, EnsuredKind kind);
    CharacteristicRecord* record(const std::string& serviceId, const std::string& characteristicId);

    // ---- values (link_values.cpp)
    void watchValues(const std::string& characteristicId,
                     const std::shared_ptr<zenu::bluetooth::GattCharacteristic>& object);
    void onValueChanged(uint64_t generation, const std::string& characteristicId, const std::string& value);
    void recordSubscription(const std::string& serviceId, const std::string& characteristicId, int state);
    void fireSubscription(const std::string& characteristicId, bool on);

    std::shared_ptr<zenu::bluetooth::BluetoothStack> stack_;
    std::string stackProblem_;
    HostLoop::Poster poster_;

    // Connection.
    std::shared_ptr<zenu::bluetooth::Device> device_;
    std::string serverId_;
    bool disconnectedMark_ = true;
    bool pairedByUs_ = false;
    // Which device object work queued from the workers belongs to; work of an earlier one
    // is dropped.
    uint64_t generation_ = 0;
    zenu::bluetooth::EventToken nameToken_ = 0;
    zenu::bluetooth::EventToken servicesToken_ = 0;
    zenu::bluetooth::EventToken statusToken_ = 0;
    zenu::bluetooth::EventToken pairingToken_ = 0;

    // The stack's objects behind the tree's Ids.
    std::map<std::string, std::shared_ptr<zenu::bluetooth::GattService>> services_;
    std::map<std::string, CharacteristicObject> characteristics_;
    std::map<std::string, std::shared_ptr<zenu::bluetooth::GattDescriptor>> descriptors_;
    // Services whose included services are being discovered, outermost first.
    std::vector<std::string> includeChain_;

    // Scanning.
    std::shared_ptr<zenu::bluetooth::AdvertisementWatcher> watcher_;
    zenu::bluetooth::EventToken receivedToken_ = 0;
    zenu::bluetooth::EventToken stoppedToken_ = 0;
    uint64_t stopsHandled_ = 0;
    std::deque<HeldAdvertisement> heldAdvertisements_;
};

// The link of a new control: over `stack`, or, without one, over the process's stack that
// CORVEL_BLUETOOTH chooses (shared by the controls of the process).
std::unique_ptr<BleLink> createStackLink(std::shared_ptr<zenu::bluetooth::BluetoothStack> stack = nullptr);
// New controls get a StackLink from now on (the library does this when it is loaded).
void installStackLinkFactory();

} // namespace corvel
