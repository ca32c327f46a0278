#pragma once
// The org.bluez objects of the stand-in, served from one thread: the adapter with its
// discovery sessions, the agent manager, one Device1 per device seen, and the GATT objects
// of connected devices. Requests go to the simulated stack through its client interface
// (as bluetoothd drives a controller); what the stack reports comes back to this thread.
#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QSet>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/bluetooth/bluetooth_stack.h"
#include "sim/bluez/object_tree.h"

class QDBusServiceWatcher;
class QTimer;

namespace zenu::sim {
class SimStack;
}

namespace zenu::sim::bluez {

// Hands work from the stack's threads to the server's; after close() nothing more arrives.
class Poster {
public:
    explicit Poster(QObject* target) : target_(target) {}
    void post(std::function<void()> work);
    void close();

private:
    std::mutex m_;
    QObject* target_;
};

struct DiscoveryFilter {
    QStringList uuids;  // lower-case 128-bit
    std::optional<int16_t> rssi;
    std::optional<uint16_t> pathloss;
    QString transport = "auto";
    bool duplicateData = false;
    bool discoverable = false;
    QString pattern;
};

struct Attribute {
    QString path;
    uint64_t generation = 0;  // the link the object below belongs to
    bool reading = false;
    bool writing = false;
};

struct Characteristic : Attribute {
    uint16_t handle = 0;
    std::shared_ptr<bluetooth::GattCharacteristic> object;
    uint32_t properties = 0;
    bluetooth::EventToken valueToken = 0;
    QSet<QString> notifySenders;
    bool subscribing = false;
    QList<QDBusMessage> startCalls;
};

struct Descriptor : Attribute {
    uint16_t handle = 0;
    bluetooth::Guid uuid;
    std::shared_ptr<bluetooth::GattDescriptor> object;
};

struct GattSnapshot;

struct Agent {
    QString owner;
    QString path;
    QString capability;
};

struct DeviceEntry {
    uint64_t address = 0;
    QString path;
    bluetooth::AddressType addressType = bluetooth::AddressType::Public;
    // The stack's device object while a link is up or being opened.
    std::shared_ptr<bluetooth::Device> object;
    uint64_t generation = 0;
    enum class Link { Down, Connecting, Up } link = Link::Down;
    QList<QDBusMessage> connectCalls;
    std::vector<std::function<void(bool ok)>> afterConnect;
    std::vector<std::function<void()>> unsubscribe;  // the handlers on the device object
    bool paired = false;
    // Pairing in progress.
    std::optional<QDBusMessage> pairCall;
    bool pairCanceled = false;
    std::optional<Agent> pairAgent;
    std::shared_ptr<bluetooth::PairingRequest> request;
    std::shared_ptr<bluetooth::PairingRequest::Deferral> deferral;
    QString agentMethod;  // the agent question being asked, for Cancel
    // What advertisements told so far.
    std::optional<int16_t> rssi;
    std::optional<int16_t> txPower;
    QString name;
    QStringList uuids;
    QMap<quint16, QByteArray> manufacturerData;
    QMap<QString, QByteArray> serviceData;
    // GATT objects by handle; they stay after a disconnection, as in BlueZ's cache.
    std::map<uint16_t, QString> services;
    std::map<uint16_t, Characteristic> characteristics;
    std::map<uint16_t, Descriptor> descriptors;
};

class BluezServer : public QDBusVirtualObject {
public:
    BluezServer(std::shared_ptr<SimStack> stack, QDBusConnection bus);
    ~BluezServer() override;

    // Exports the objects and takes org.bluez; false with a message when it cannot.
    bool start(std::string* error);
    // Drops every handler on the stack and releases the name.
    void stop();

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

    // The characteristic MTU the stand-in reports (no MTU exchange: the minimum).
    static constexpr int kMtu = 23;

private:
    void send(const QDBusMessage& m) { bus_.send(m); }
    void post(std::function<void()> work) { poster_->post(std::move(work)); }
    void propertiesCall(const QDBusMessage& m);
    bool setProperty(const QDBusMessage& m, const QString& path, const QString& iface, const QString& name,
                     const QVariant& value);

    // ---- adapter, discovery, agents (bluez_server.cpp)
    void exportAdapter();
    void adapterCall(const QDBusMessage& m);
    void agentManagerCall(const QDBusMessage& m);
    void setDiscoveryFilter(const QDBusMessage& m);
    void startDiscovery(const QDBusMessage& m);
    void stopDiscovery(const QDBusMessage& m);
    void removeDevice(const QDBusMessage& m);
    void updateScanning();
    void awaitScanStart(int triesLeft);
    void watcherStopped(bluetooth::BluetoothErrorCode error);
    void endDiscovery();
    void pollRadio();
    void senderGone(const QString& name);
    void watchSender(const QString& name);
    std::optional<Agent> agentFor(const QString& sender) const;

    // ---- devices (bluez_devices.cpp)
    void advertisement(const bluetooth::AdvertisementReceivedArgs& args);
    void report(const bluetooth::AdvertisementReceivedArgs& args);
    bool passesFilters(const bluetooth::AdvertisementReceivedArgs& args, const QStringList& uuids,
                       std::optional<int16_t> txPower) const;
    DeviceEntry& ensureDevice(uint64_t address, bluetooth::AddressType type);
    void exportDevice(DeviceEntry& d);
    QString alias(const DeviceEntry& d) const;
    void deviceCall(DeviceEntry& d, const QDBusMessage& m);
    void connectDevice(DeviceEntry& d, std::function<void(bool)> then);
    void linkUp(uint64_t address, uint64_t generation);
    void linkLost(uint64_t address, uint64_t generation);
    void connectFailed(uint64_t address, uint64_t generation);
    // `reply` (a Disconnect) is answered once the link is down, before the properties change.
    void linkDown(DeviceEntry& d, const QString& connectError, const QDBusMessage* reply = nullptr);
    void disconnectDevice(DeviceEntry& d, const QDBusMessage& m);
    void pair(DeviceEntry& d, const QDBusMessage& m);
    void startPairing(DeviceEntry& d);
    void pairingRequested(uint64_t address, uint64_t generation, std::shared_ptr<bluetooth::PairingRequest> r,
                          std::shared_ptr<bluetooth::PairingRequest::Deferral> deferral);
    void askAgent(DeviceEntry& d, const QString& method, const QVariantList& args,
                  std::function<void(const QDBusMessage& reply)> answered);
    void pairingDone(uint64_t address, uint64_t generation, std::optional<bluetooth::PairingStatus> status);
    void cancelPairing(DeviceEntry& d, const QDBusMessage& m);
    DeviceEntry* deviceByPath(const QString& path);

    // ---- GATT (bluez_gatt.cpp)
    void discoverGatt(uint64_t address, uint64_t generation);
    void exportGatt(DeviceEntry& d, const GattSnapshot& snapshot);
    void dropLinkState(DeviceEntry& d, const QDBusMessage* reply = nullptr);
    void characteristicCall(DeviceEntry& d, Characteristic& c, const QDBusMessage& m);
    void descriptorCall(DeviceEntry& d, Descriptor& desc, const QDBusMessage& m);
    void readValue(DeviceEntry& d, Characteristic* c, Descriptor* desc, const QDBusMessage& m);
    void writeValue(DeviceEntry& d, Characteristic* c, Descriptor* desc, const QDBusMessage& m);
    void startNotify(DeviceEntry& d, Characteristic& c, const QDBusMessage& m);
    void stopNotify(DeviceEntry& d, Characteristic& c, const QString& sender, const QDBusMessage* call);
    void notified(uint64_t address, uint64_t generation, uint16_t handle, const bluetooth::Bytes& value);

    std::shared_ptr<SimStack> stack_;
    QDBusConnection bus_;
    std::shared_ptr<Poster> poster_;
    ObjectTree tree_;
    bool registered_ = false;

    // adapter
    bool adapterPresent_ = true;
    bool lowEnergy_ = true;
    bool powered_ = true;
    QTimer* radioTimer_ = nullptr;
    std::shared_ptr<bluetooth::AdvertisementWatcher> watcher_;
    std::vector<bluetooth::EventToken> watcherTokens_;
    bool scanning_ = false;  // the watcher runs (or is starting)
    bool restartScan_ = false;  // the start came while the last scan was still stopping
    QMap<QString, DiscoveryFilter> presetFilters_;                // set before StartDiscovery
    QMap<QString, std::optional<DiscoveryFilter>> sessions_;      // per sender
    QList<QDBusMessage> startCalls_;
    QDBusServiceWatcher* senders_ = nullptr;

    std::vector<Agent> agents_;
    std::optional<Agent> defaultAgent_;

    std::map<uint64_t, DeviceEntry> devices_;
    std::map<uint64_t, bluetooth::AdvertisementReceivedArgs> pendingReports_;  // awaiting a scan response
};

}  // namespace zenu::sim::bluez
