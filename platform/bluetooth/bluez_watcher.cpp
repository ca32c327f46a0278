#include "platform/bluetooth/bluez_watcher.h"

#include <chrono>

#include "platform/bluetooth/bluez_device.h"
#include "platform/bluetooth/bluez_mapping.h"

namespace zenu::bluetooth::bluez {

BluezWatcher::BluezWatcher(std::shared_ptr<BluezContext> ctx) : ctx_(std::move(ctx)) {}

BluezWatcher::~BluezWatcher() {
    const int listener = listener_;
    const bool joined = joined_;
    if (!listener && !joined) return;
    auto ctx = ctx_;
    ctx->post([ctx, listener, joined] {
        if (listener) ctx->core().unlisten(listener);
        if (joined) ctx->leaveDiscovery();
    });
}

bool BluezWatcher::busy() const { return status_ == WatcherStatus::Started || status_ == WatcherStatus::Stopping; }

ScanningMode BluezWatcher::scanningMode() const {
    std::lock_guard lock(m_);
    return mode_;
}

bool BluezWatcher::setScanningMode(ScanningMode mode) {
    std::lock_guard lock(m_);
    if (busy()) return false;
    mode_ = mode;  // BlueZ scans actively whenever it discovers
    return true;
}

bool BluezWatcher::setServiceUuidFilter(const std::vector<Guid>& uuids) {
    std::lock_guard lock(m_);
    if (busy()) return false;
    filter_ = uuids;
    return true;
}

std::vector<Guid> BluezWatcher::serviceUuidFilter() const {
    std::lock_guard lock(m_);
    return filter_;
}

WatcherStatus BluezWatcher::status() const {
    std::lock_guard lock(m_);
    return status_;
}

void BluezWatcher::start() {
    {
        std::lock_guard lock(m_);
        if (busy()) return;
    }
    auto self = shared_from_this();
    if (!ctx_->post([self] { self->begin(); })) {
        {
            std::lock_guard lock(m_);
            status_ = WatcherStatus::Aborted;
        }
        stopped.raise(BluetoothErrorCode::RadioNotAvailable);
    }
}

void BluezWatcher::begin() {
    BluetoothErrorCode code = BluetoothErrorCode::OtherError;
    if (!ctx_->ready(&code).empty()) return end(WatcherStatus::Aborted, code);
    if (!listener_) {
        std::weak_ptr<BluezWatcher> weak = shared_from_this();
        listener_ = ctx_->core().listen([weak](const ObjectChange& c) {
            if (auto self = weak.lock()) self->onChange(c);
        });
    }
    QStringList uuids;
    for (const Guid& g : serviceUuidFilter()) uuids << QString::fromStdString(g.toString()).toLower();
    const uint64_t round = ++round_;
    auto self = shared_from_this();
    ctx_->joinDiscovery(uuids, true, [self, round](const QDBusMessage& error) {
        if (round != self->round_) {  // stopped meanwhile
            if (error.type() != QDBusMessage::ErrorMessage) self->ctx_->leaveDiscovery();
            return;
        }
        if (error.type() == QDBusMessage::ErrorMessage)
            return self->end(WatcherStatus::Aborted, watcherErrorFromError(error.errorName().toStdString()));
        self->joined_ = true;
        std::lock_guard lock(self->m_);
        self->status_ = WatcherStatus::Started;
    });
}

void BluezWatcher::stop() {
    {
        std::lock_guard lock(m_);
        if (status_ != WatcherStatus::Started) return;
        status_ = WatcherStatus::Stopping;
    }
    auto self = shared_from_this();
    if (!ctx_->post([self] { self->end(WatcherStatus::Stopped, BluetoothErrorCode::Success); }))
        end(WatcherStatus::Stopped, BluetoothErrorCode::Success);
}

void BluezWatcher::end(WatcherStatus status, BluetoothErrorCode error) {
    ++round_;
    if (joined_) ctx_->leaveDiscovery();
    joined_ = false;
    {
        std::lock_guard lock(m_);
        status_ = status;
    }
    stopped.raise(error);
}

void BluezWatcher::onChange(const ObjectChange& c) {
    if (status() != WatcherStatus::Started) return;
    if (c.iface == QLatin1String(kAdapterIface)) {
        // The radio went off, or BlueZ ended the discovery under us.
        if (c.path == ctx_->core().adapterPath() &&
            ((c.changed.contains(QStringLiteral("Powered")) && !c.changed.value(QStringLiteral("Powered")).toBool()) ||
             (c.changed.contains(QStringLiteral("Discovering")) && !c.changed.value(QStringLiteral("Discovering")).toBool())))
            end(WatcherStatus::Aborted, BluetoothErrorCode::RadioNotAvailable);
        return;
    }
    if (c.iface != QLatin1String(kDeviceIface) || c.kind == ObjectChange::Removed) return;
    static const QStringList kAdvertised{QStringLiteral("RSSI"), QStringLiteral("ManufacturerData"),
                                         QStringLiteral("ServiceData"), QStringLiteral("TxPower")};
    bool advertised = c.kind == ObjectChange::Added;
    for (const QString& k : kAdvertised) advertised = advertised || c.changed.contains(k);
    if (!advertised) return;
    const QVariantMap p = ctx_->core().properties(c.path, kDeviceIface);
    if (!p.contains(QStringLiteral("RSSI"))) return;  // known, but not heard now
    const auto address = parseAddress(p.value(QStringLiteral("Address")).toString().toStdString());
    if (!address) return;

    AdvertisedProperties a;
    if (p.contains(QStringLiteral("Name"))) a.name = p.value(QStringLiteral("Name")).toString().toStdString();
    for (const QString& u : stringsOf(p.value(QStringLiteral("UUIDs"))))
        if (auto g = Guid::parse(u.toStdString())) a.uuids.push_back(*g);
    if (p.contains(QStringLiteral("TxPower"))) a.txPower = static_cast<int16_t>(p.value(QStringLiteral("TxPower")).toInt());
    const auto serviceData = serviceDataOf(p.value(QStringLiteral("ServiceData")));
    for (auto it = serviceData.begin(); it != serviceData.end(); ++it)
        if (auto g = Guid::parse(it.key().toStdString())) a.serviceData.push_back({*g, toBytes(it.value())});
    const auto manufacturer = manufacturerDataOf(p.value(QStringLiteral("ManufacturerData")));
    for (auto it = manufacturer.begin(); it != manufacturer.end(); ++it)
        a.manufacturerData.push_back({it.key(), toBytes(it.value())});

    const std::vector<Guid> filter = serviceUuidFilter();
    if (!filter.empty()) {
        bool passes = false;
        for (const Guid& g : a.uuids) passes = passes || std::find(filter.begin(), filter.end(), g) != filter.end();
        if (!passes) return;
    }
    AdvertisementReceivedArgs args;
    args.bluetoothAddress = *address;
    args.addressType = p.value(QStringLiteral("AddressType")).toString() == QLatin1String("random") ? AddressType::Random
                                                                                                    : AddressType::Public;
    args.rawSignalStrengthInDBm = static_cast<int16_t>(p.value(QStringLiteral("RSSI")).toInt());
    args.advertisementType = AdvertisementType::ConnectableUndirected;
    args.advertisement = advertisementFrom(a);
    args.timestamp = std::chrono::system_clock::now();
    received.raise(args);
}

}  // namespace zenu::bluetooth::bluez
