#pragma once
// A BlueZ device (org.bluez.Device1) and its GATT objects as the layer's Device, services,
// characteristics and descriptors. The operations of a device run one after another on the
// worker thread: BlueZ refuses a second request on an attribute while one is in progress
// ("In Progress"), and ATT runs one request at a time anyway, so callers never see that
// refusal and the device's operations end in the order they were started. A GATT operation
// opens the link first (Connect, then ServicesResolved) when it is down.
#include <QString>

#include <atomic>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>

#include "platform/bluetooth/bluetooth_stack.h"
#include "platform/bluetooth/bluez_context.h"

namespace zenu::bluetooth::bluez {

class BluezService;
class BluezCharacteristic;
class BluezDescriptor;

class BluezDevice final : public Device, public DevicePairing, public std::enable_shared_from_this<BluezDevice> {
public:
    BluezDevice(std::shared_ptr<BluezContext> ctx, QString path, uint64_t address, AddressType type);
    ~BluezDevice() override;
    // Worker thread: starts following BlueZ's changes of the device.
    void start();

    uint64_t bluetoothAddress() const override { return address_; }
    AddressType addressType() const override { return type_; }
    std::string name() const override;
    ConnectionStatus connectionStatus() const override { return status_.load(); }
    DevicePairing& pairing() override { return *this; }
    Async<GattServicesResult> getGattServicesAsync(CacheMode mode) override;
    Async<GattServicesResult> getGattServicesForUuidAsync(const Guid& uuid, CacheMode mode) override;
    void close() override;

    bool canPair() const override { return true; }
    bool isPaired() const override { return paired_.load(); }
    Async<PairingResult> pairAsync(uint32_t kinds) override;
    Async<UnpairingResult> unpairAsync() override;

    // ---- worker thread, for the agent and the GATT objects
    // A question of the agent; `answer` gets the decision (on any thread).
    void agentQuestion(uint32_t kind, const std::string& pin, std::function<void(bool, const std::string&)> answer);

    using Finish = std::function<void()>;
    // Queues `body` behind the device's other operations; it calls `finish` when done.
    template <typename R>
    Async<R> queued(std::function<void(const Async<R>&, const Finish&)> body);
    // Opens the link when it is down; `done` gets Success or why not.
    void ensureLinked(std::function<void(const GattResult&)> done);
    BluezContext& ctx() { return *ctx_; }
    const QString& path() const { return path_; }
    std::shared_ptr<BluezService> serviceAt(const QString& path);
    std::shared_ptr<BluezCharacteristic> characteristicAt(const QString& path);
    std::shared_ptr<BluezDescriptor> descriptorAt(const QString& path);
    std::vector<std::shared_ptr<GattService>> servicesAt(const QStringList& paths, const Guid* uuid);
    bool closed() const { return closed_; }

private:
    struct Op {
        std::function<void(const Finish&)> run;
        std::function<void()> cancel;
    };
    void enqueue(Op op);
    void next();
    void onChange(const ObjectChange& change);
    void linkChanged(bool connected);
    // Device1.Connect for the current wait for the link.
    void openLink();
    void resolved(bool ok);
    void report(ConnectionStatus status);
    void reconnectLater();
    Async<GattServicesResult> services(std::optional<Guid> uuid, CacheMode mode);

    const std::shared_ptr<BluezContext> ctx_;
    const QString path_;
    const uint64_t address_;
    const AddressType type_;
    mutable std::mutex m_;
    std::string name_;
    std::atomic<ConnectionStatus> status_{ConnectionStatus::Disconnected};
    std::atomic<bool> paired_{false};
    std::atomic<bool> closedFlag_{false};
    std::atomic<bool> declined_{false};

    // worker thread
    int listener_ = 0;
    bool closed_ = false;
    bool opened_ = false;
    bool reconnecting_ = false;
    std::deque<Op> queue_;
    bool busy_ = false;
    std::vector<std::function<void(bool)>> resolveWaiters_;
    uint64_t resolveRound_ = 0;
    uint64_t connectRound_ = 0;  // the wait that asked for Connect
    uint32_t pairingKinds_ = 0;
    bool displayed_ = false;
    std::vector<uint16_t> changedHandles_;
    std::map<QString, std::weak_ptr<BluezService>> services_;
    std::map<QString, std::weak_ptr<BluezCharacteristic>> characteristics_;
    std::map<QString, std::weak_ptr<BluezDescriptor>> descriptors_;
};

class BluezService final : public GattService {
public:
    BluezService(std::shared_ptr<BluezDevice> device, QString path, uint16_t handle, Guid uuid);
    uint16_t attributeHandle() const override { return handle_; }
    Guid uuid() const override { return uuid_; }
    Async<GattServicesResult> getIncludedServicesAsync(CacheMode mode) override;
    Async<GattServicesResult> getIncludedServicesForUuidAsync(const Guid& uuid, CacheMode mode) override;
    Async<GattCharacteristicsResult> getCharacteristicsAsync(CacheMode mode) override;
    Async<GattCharacteristicsResult> getCharacteristicsForUuidAsync(const Guid& uuid, CacheMode mode) override;

private:
    Async<GattServicesResult> included(std::optional<Guid> uuid);
    Async<GattCharacteristicsResult> characteristics(std::optional<Guid> uuid);
    const std::shared_ptr<BluezDevice> device_;
    const QString path_;
    const uint16_t handle_;
    const Guid uuid_;
};

class BluezCharacteristic final : public GattCharacteristic,
                                  public std::enable_shared_from_this<BluezCharacteristic> {
public:
    BluezCharacteristic(std::shared_ptr<BluezDevice> device, QString path, uint16_t handle, Guid uuid,
                        uint32_t properties, uint16_t serviceHandle);
    uint16_t attributeHandle() const override { return handle_; }
    Guid uuid() const override { return uuid_; }
    uint32_t characteristicProperties() const override { return properties_; }
    std::string userDescription() const override;
    std::vector<PresentationFormat> presentationFormats() const override;
    uint16_t serviceHandle() const override { return serviceHandle_; }
    Async<GattDescriptorsResult> getDescriptorsAsync(CacheMode mode) override;
    Async<GattDescriptorsResult> getDescriptorsForUuidAsync(const Guid& uuid, CacheMode mode) override;
    Async<GattReadResult> readValueAsync(CacheMode mode) override;
    Async<GattWriteResult> writeValueWithResultAsync(const Bytes& value, WriteOption option) override;
    Async<GattWriteResult> writeClientCharacteristicConfigurationDescriptorWithResultAsync(ClientConfig value) override;
    Async<GattClientConfigResult> readClientCharacteristicConfigurationDescriptorAsync() override;

    // ---- worker thread
    // A Value change of BlueZ: a notification, or the echo of a read of ours.
    void valueChangedByBluez(const Bytes& value);
    // StartNotify (on) or StopNotify; `done` gets the result.
    void subscribe(bool on, std::function<void(const GattResult&)> done);
    const QString& path() const { return path_; }
    void userDescriptionWritten(const Bytes& value);

private:
    Async<GattDescriptorsResult> descriptors(std::optional<Guid> uuid);
    void readAuxiliaries(QStringList paths, std::function<void()> done);
    void readEnded(const Bytes* value);

    const std::shared_ptr<BluezDevice> device_;
    const QString path_;
    const uint16_t handle_;
    const Guid uuid_;
    const uint32_t properties_;
    const uint16_t serviceHandle_;
    mutable std::mutex m_;
    std::string userDescription_;
    std::vector<PresentationFormat> formats_;
    // worker thread
    bool subscribed_ = false;
    int readsInFlight_ = 0;
    std::vector<Bytes> held_;
};

class BluezDescriptor final : public GattDescriptor {
public:
    BluezDescriptor(std::shared_ptr<BluezDevice> device, QString path, uint16_t handle, Guid uuid);
    uint16_t attributeHandle() const override { return handle_; }
    Guid uuid() const override { return uuid_; }
    Async<GattReadResult> readValueAsync(CacheMode mode) override;
    Async<GattWriteResult> writeValueWithResultAsync(const Bytes& value) override;

private:
    const std::shared_ptr<BluezDevice> device_;
    const QString path_;
    const uint16_t handle_;
    const Guid uuid_;
};

// The layer's result of a BlueZ reply (Success for a reply, the mapped error otherwise).
GattResult resultOf(const QDBusMessage& reply);
Bytes toBytes(const QByteArray& data);
QByteArray toByteArray(const Bytes& data);
// The handle of a GATT object: its Handle property where BlueZ has one, else its path.
uint16_t handleOf(BluezContext& ctx, const QString& path, const char* iface);
Guid uuidOf(BluezContext& ctx, const QString& path, const char* iface);

template <typename R>
Async<R> BluezDevice::queued(std::function<void(const Async<R>&, const Finish&)> body) {
    auto op = makeAsync<R>();
    std::weak_ptr<AsyncOperation<R>> weak = op;
    auto self = shared_from_this();
    const bool posted = ctx_->post([self, op, body = std::move(body)] {
        if (self->closed_) {
            op->fail("The device has been closed.");
            return;
        }
        self->enqueue({[op, body](const Finish& finish) { body(op, finish); }, [op] { op->cancel(); }});
    });
    if (!posted) op->fail(ctx_->unavailable());
    return op;
}

}  // namespace zenu::bluetooth::bluez
