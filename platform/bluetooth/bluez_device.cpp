#include "platform/bluetooth/bluez_device.h"

#include <QDBusObjectPath>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <future>

#include "platform/bluetooth/bluez_mapping.h"
#include "platform/bluetooth/worker_thread.h"

namespace zenu::bluetooth::bluez {

namespace {

constexpr int kConnectTimeoutMs = 30000;
constexpr int kResolveTimeoutMs = 30000;
constexpr int kPairTimeoutMs = 60000;
constexpr int kCallTimeoutMs = 25000;
constexpr int kReconnectPauseMs = 1000;
constexpr int kLinkDownMs = 2000;

GattResult unreachable() {
    GattResult r;
    r.status = CommunicationStatus::Unreachable;
    return r;
}

}  // namespace

GattResult resultOf(const QDBusMessage& reply) {
    if (reply.type() == QDBusMessage::ReplyMessage) return {};
    return gattResultFromError(reply.errorName().toStdString(), reply.errorMessage().toStdString());
}

Bytes toBytes(const QByteArray& data) { return Bytes(data.begin(), data.end()); }

QByteArray toByteArray(const Bytes& data) {
    return QByteArray(reinterpret_cast<const char*>(data.data()), static_cast<qsizetype>(data.size()));
}

uint16_t handleOf(BluezContext& ctx, const QString& path, const char* iface) {
    const QVariant handle = ctx.core().property(path, iface, "Handle");
    if (handle.isValid()) return static_cast<uint16_t>(handle.toUInt());
    return handleFromPath(path.toStdString()).value_or(0);
}

Guid uuidOf(BluezContext& ctx, const QString& path, const char* iface) {
    return Guid::parse(ctx.core().property(path, iface, "UUID").toString().toStdString()).value_or(Guid{});
}

// ---------------------------------------------------------------- device

BluezDevice::BluezDevice(std::shared_ptr<BluezContext> ctx, QString path, uint64_t address, AddressType type)
    : ctx_(std::move(ctx)), path_(std::move(path)), address_(address), type_(type) {}

BluezDevice::~BluezDevice() {
    if (listener_) ctx_->core().unlisten(listener_);
}

void BluezDevice::start() {
    const QVariantMap props = ctx_->core().properties(path_, kDeviceIface);
    name_ = props.value(QStringLiteral("Name")).toString().toStdString();
    paired_ = props.value(QStringLiteral("Paired")).toBool();
    std::weak_ptr<BluezDevice> weak = shared_from_this();
    listener_ = ctx_->core().listen([weak](const ObjectChange& change) {
        if (auto self = weak.lock()) self->onChange(change);
    });
}

std::string BluezDevice::name() const {
    std::lock_guard lock(m_);
    return name_;
}

void BluezDevice::close() {
    if (closedFlag_.exchange(true)) return;
    auto self = shared_from_this();
    auto down = std::make_shared<std::promise<void>>();
    std::future<void> linkDown = down->get_future();
    const bool posted = ctx_->post([self, down] {
        self->closed_ = true;
        self->ctx_->core().unlisten(self->listener_);
        self->listener_ = 0;
        auto queue = std::move(self->queue_);
        self->queue_.clear();
        for (Op& op : queue) op.cancel();
        self->resolved(false);
        self->ctx_->endPairing(self->path_);
        BluezCore& core = self->ctx_->core();
        if (!self->opened_ || !core.property(self->path_, kDeviceIface, "Connected").toBool()) return down->set_value();
        // BlueZ answers Disconnect before it signals Connected false: the link counts as down
        // once that signal is in, so that a device made next for the address does not take
        // the closing link for one that is opening.
        struct Wait {
            int listener = 0;
            bool over = false;
        };
        auto wait = std::make_shared<Wait>();
        auto over = [ctx = self->ctx_, down, wait] {
            if (wait->over) return;
            wait->over = true;
            ctx->core().unlisten(wait->listener);
            down->set_value();
        };
        const QString path = self->path_;
        wait->listener = core.listen([path, over](const ObjectChange& c) {
            if (c.path == path && c.iface == QLatin1String(kDeviceIface) &&
                (c.kind == ObjectChange::Removed ||
                 (c.changed.contains(QStringLiteral("Connected")) && !c.changed.value(QStringLiteral("Connected")).toBool())))
                over();
        });
        core.call(path, kDeviceIface, "Disconnect", {}, kCallTimeoutMs, [ctx = self->ctx_, path, over](const QDBusMessage&) {
            if (!ctx->core().property(path, kDeviceIface, "Connected").toBool()) return over();
            QTimer::singleShot(kLinkDownMs, &ctx->core(), over);
        });
    });
    // Releasing the device closes the link: it is down when close returns (bounded).
    if (posted && !onStackWorkerThread()) linkDown.wait_for(std::chrono::milliseconds(kLinkDownMs + 1000));
}

void BluezDevice::enqueue(Op op) {
    queue_.push_back(std::move(op));
    if (!busy_) next();
}

void BluezDevice::next() {
    if (closed_ || queue_.empty()) {
        busy_ = false;
        return;
    }
    busy_ = true;
    Op op = std::move(queue_.front());
    queue_.pop_front();
    auto self = shared_from_this();
    auto done = std::make_shared<bool>(false);
    op.run([self, done] {
        if (*done) return;
        *done = true;
        self->next();
    });
}

void BluezDevice::ensureLinked(std::function<void(const GattResult&)> done) {
    BluezCore& core = ctx_->core();
    if (!core.has(path_, kDeviceIface)) return done(unreachable());
    const bool connected = core.property(path_, kDeviceIface, "Connected").toBool();
    if (connected && core.property(path_, kDeviceIface, "ServicesResolved").toBool()) {
        opened_ = true;
        report(ConnectionStatus::Connected);
        return done({});
    }
    resolveWaiters_.push_back([done](bool ok) { done(ok ? GattResult{} : unreachable()); });
    if (resolveWaiters_.size() > 1) return;
    const uint64_t round = ++resolveRound_;
    auto self = shared_from_this();
    QTimer::singleShot(kConnectTimeoutMs + kResolveTimeoutMs, &core, [self, round] {
        if (self->resolveRound_ == round) self->resolved(false);
    });
    if (!connected) openLink();
}

void BluezDevice::openLink() {
    const uint64_t round = resolveRound_;
    connectRound_ = round;
    auto self = shared_from_this();
    ctx_->core().call(path_, kDeviceIface, "Connect", {}, kConnectTimeoutMs, [self, round](const QDBusMessage& r) {
        if (self->resolveRound_ != round) return;
        // Already connecting (the link being kept up): ServicesResolved ends the wait.
        if (r.type() == QDBusMessage::ErrorMessage && r.errorName() != QLatin1String("org.bluez.Error.InProgress"))
            return self->resolved(false);
        if (self->ctx_->core().property(self->path_, kDeviceIface, "ServicesResolved").toBool()) self->resolved(true);
    });
}

void BluezDevice::resolved(bool ok) {
    if (resolveWaiters_.empty()) return;
    ++resolveRound_;
    auto finish = [self = shared_from_this(), ok] {
        auto waiters = std::move(self->resolveWaiters_);
        self->resolveWaiters_.clear();
        if (ok && !self->closed_) {
            self->opened_ = true;
            self->report(ConnectionStatus::Connected);
        }
        for (auto& w : waiters) w(ok);
    };
    // BlueZ has announced the GATT objects before ServicesResolved; take them over as
    // GetManagedObjects has them, so that none is missed.
    if (ok) ctx_->core().reload(path_, finish);
    else finish();
}

void BluezDevice::report(ConnectionStatus status) {
    if (closed_ || status_.exchange(status) == status) return;
    connectionStatusChanged.raise(status);
}

void BluezDevice::reconnectLater() {
    // As the link to a held device is kept up: it comes back when the device does.
    if (reconnecting_ || closed_ || !opened_) return;
    reconnecting_ = true;
    auto self = shared_from_this();
    QTimer::singleShot(kReconnectPauseMs, &ctx_->core(), [self] {
        self->reconnecting_ = false;
        BluezCore& core = self->ctx_->core();
        if (self->closed_ || !core.has(self->path_, kDeviceIface) || core.property(self->path_, kDeviceIface, "Connected").toBool())
            return;
        // An operation is opening the link: look again later, since its attempt may fail while
        // the device is still away, and nothing else would try again.
        if (!self->resolveWaiters_.empty()) {
            self->reconnectLater();
            return;
        }
        core.call(self->path_, kDeviceIface, "Connect", {}, kConnectTimeoutMs, [self](const QDBusMessage& r) {
            if (r.type() == QDBusMessage::ErrorMessage) self->reconnectLater();
        });
    });
}

void BluezDevice::onChange(const ObjectChange& c) {
    if (closed_) return;
    if (c.path == path_ && c.iface == QLatin1String(kDeviceIface)) {
        if (c.kind == ObjectChange::Removed) {
            resolved(false);
            report(ConnectionStatus::Disconnected);
            return;
        }
        if (c.changed.contains(QStringLiteral("Name"))) {
            const std::string name = c.changed.value(QStringLiteral("Name")).toString().toStdString();
            bool changed;
            {
                std::lock_guard lock(m_);
                changed = name != name_;
                name_ = name;
            }
            if (changed) nameChanged.raise(name);
        }
        if (c.changed.contains(QStringLiteral("Paired"))) paired_ = c.changed.value(QStringLiteral("Paired")).toBool();
        if (c.changed.contains(QStringLiteral("Connected"))) linkChanged(c.changed.value(QStringLiteral("Connected")).toBool());
        if (c.changed.value(QStringLiteral("ServicesResolved")).toBool()) resolved(true);
        return;
    }
    if (!c.path.startsWith(path_ + QLatin1Char('/'))) return;
    if (c.iface == QLatin1String(kGattCharIface) && c.kind == ObjectChange::Properties &&
        c.changed.contains(QStringLiteral("Value"))) {
        auto it = characteristics_.find(c.path);
        if (auto ch = it == characteristics_.end() ? nullptr : it->second.lock())
            ch->valueChangedByBluez(toBytes(bytesOf(c.changed.value(QStringLiteral("Value")))));
        return;
    }
    // Services that come or go once the device's services were known: one change per burst.
    if (c.kind != ObjectChange::Properties && opened_ && resolveWaiters_.empty() &&
        ctx_->core().property(path_, kDeviceIface, "ServicesResolved").toBool()) {
        if (auto h = handleFromPath(c.path.toStdString())) {
            if (changedHandles_.empty())
                QTimer::singleShot(0, &ctx_->core(), [self = shared_from_this()] {
                    auto handles = std::move(self->changedHandles_);
                    self->changedHandles_.clear();
                    if (handles.empty() || self->closed_) return;
                    char range[16];
                    std::snprintf(range, sizeof range, "%04X-%04X", *std::min_element(handles.begin(), handles.end()),
                                  *std::max_element(handles.begin(), handles.end()));
                    self->gattServicesChanged.raise(range);
                });
            changedHandles_.push_back(*h);
        }
    }
}

void BluezDevice::linkChanged(bool connected) {
    if (connected) {
        if (opened_) report(ConnectionStatus::Connected);
        return;
    }
    // Connected without ServicesResolved is a link opening or one closing: a wait that took
    // it for opening asks for the link now that it is down, instead of failing.
    if (!resolveWaiters_.empty() && connectRound_ != resolveRound_) {
        report(ConnectionStatus::Disconnected);
        openLink();
        reconnectLater();  // the device may be away: keep the held link coming back
        return;
    }
    resolved(false);
    report(ConnectionStatus::Disconnected);
    reconnectLater();
}

std::shared_ptr<BluezService> BluezDevice::serviceAt(const QString& path) {
    if (auto s = services_[path].lock()) return s;
    auto s = std::make_shared<BluezService>(shared_from_this(), path, handleOf(*ctx_, path, kGattServiceIface),
                                            uuidOf(*ctx_, path, kGattServiceIface));
    services_[path] = s;
    return s;
}

std::shared_ptr<BluezCharacteristic> BluezDevice::characteristicAt(const QString& path) {
    if (auto c = characteristics_[path].lock()) return c;
    BluezCore& core = ctx_->core();
    const QString service = core.property(path, kGattCharIface, "Service").value<QDBusObjectPath>().path();
    const QString servicePath = service.isEmpty() ? path.left(path.lastIndexOf(QLatin1Char('/'))) : service;
    auto c = std::make_shared<BluezCharacteristic>(
        shared_from_this(), path, handleOf(*ctx_, path, kGattCharIface), uuidOf(*ctx_, path, kGattCharIface),
        propertiesFromFlags([&] {
            std::vector<std::string> flags;
            for (const QString& f : stringsOf(core.property(path, kGattCharIface, "Flags"))) flags.push_back(f.toStdString());
            return flags;
        }()),
        handleOf(*ctx_, servicePath, kGattServiceIface));
    characteristics_[path] = c;
    return c;
}

std::shared_ptr<BluezDescriptor> BluezDevice::descriptorAt(const QString& path) {
    if (auto d = descriptors_[path].lock()) return d;
    auto d = std::make_shared<BluezDescriptor>(shared_from_this(), path, handleOf(*ctx_, path, kGattDescIface),
                                               uuidOf(*ctx_, path, kGattDescIface));
    descriptors_[path] = d;
    return d;
}

std::vector<std::shared_ptr<GattService>> BluezDevice::servicesAt(const QStringList& paths, const Guid* uuid) {
    std::vector<std::shared_ptr<GattService>> out;
    for (const QString& p : paths) {
        if (!ctx_->core().has(p, kGattServiceIface)) continue;
        auto s = serviceAt(p);
        if (!uuid || s->uuid() == *uuid) out.push_back(s);
    }
    std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a->attributeHandle() < b->attributeHandle(); });
    return out;
}

Async<GattServicesResult> BluezDevice::services(std::optional<Guid> uuid, CacheMode mode) {
    return queued<GattServicesResult>([self = shared_from_this(), uuid, mode](const Async<GattServicesResult>& op,
                                                                                const Finish& finish) {
        auto list = [self, uuid, op, finish] {
            QStringList primary;
            for (const QString& p : self->ctx_->core().objectsBelow(self->path_, kGattServiceIface))
                if (self->ctx_->core().property(p, kGattServiceIface, "Primary").toBool()) primary << p;
            GattServicesResult r;
            r.services = self->servicesAt(primary, uuid ? &*uuid : nullptr);
            op->complete(r);
            finish();
        };
        // BlueZ keeps the objects of a device it has resolved: cached reads come from there.
        if (mode == CacheMode::Cached && !self->ctx_->core().objectsBelow(self->path_, kGattServiceIface).isEmpty())
            return list();
        self->ensureLinked([op, finish, list](const GattResult& link) {
            if (!link.ok()) {
                GattServicesResult r;
                static_cast<GattResult&>(r) = link;
                op->complete(r);
                return finish();
            }
            list();
        });
    });
}

Async<GattServicesResult> BluezDevice::getGattServicesAsync(CacheMode mode) { return services(std::nullopt, mode); }

Async<GattServicesResult> BluezDevice::getGattServicesForUuidAsync(const Guid& uuid, CacheMode mode) {
    return services(uuid, mode);
}

Async<PairingResult> BluezDevice::pairAsync(uint32_t kinds) {
    return queued<PairingResult>([self = shared_from_this(), kinds](const Async<PairingResult>& op, const Finish& finish) {
        auto end = [self, op, finish](PairingStatus status) {
            self->ctx_->endPairing(self->path_);
            self->pairingKinds_ = 0;
            op->complete(PairingResult{status});
            finish();
        };
        if (!self->ctx_->core().has(self->path_, kDeviceIface)) return end(PairingStatus::NotReadyToPair);
        if (self->ctx_->core().property(self->path_, kDeviceIface, "Paired").toBool()) return end(PairingStatus::AlreadyPaired);
        self->ctx_->ensureAgent([self, kinds, end](bool agent) {
            if (!agent) return end(PairingStatus::RequiredHandlerNotRegistered);
            self->pairingKinds_ = kinds;
            self->displayed_ = false;
            self->declined_ = false;
            self->ctx_->setPairing(self->path_, self);
            self->ctx_->core().call(self->path_, kDeviceIface, "Pair", {}, kPairTimeoutMs, [self, end](const QDBusMessage& r) {
                if (r.type() != QDBusMessage::ErrorMessage) {
                    self->paired_ = true;
                    return end(PairingStatus::Paired);
                }
                // BlueZ reports a ceremony our handler declined as a failed authentication.
                const PairingStatus status = pairingStatusFromError(r.errorName().toStdString());
                end(self->declined_ && (status == PairingStatus::AuthenticationFailure ||
                                        status == PairingStatus::RejectedByHandler ||
                                        status == PairingStatus::PairingCanceled)
                        ? PairingStatus::RejectedByHandler
                        : status);
            });
        });
    });
}

Async<UnpairingResult> BluezDevice::unpairAsync() {
    return queued<UnpairingResult>([self = shared_from_this()](const Async<UnpairingResult>& op, const Finish& finish) {
        BluezCore& core = self->ctx_->core();
        if (!core.property(self->path_, kDeviceIface, "Paired").toBool()) {
            op->complete(UnpairingResult{UnpairingStatus::AlreadyUnpaired});
            return finish();
        }
        // BlueZ forgets a device's keys only by removing the device (it is found again by a scan).
        core.call(core.adapterPath(), kAdapterIface, "RemoveDevice", {QVariant::fromValue(QDBusObjectPath(self->path_))},
                  kCallTimeoutMs, [self, op, finish](const QDBusMessage& r) {
                      const bool ok = r.type() != QDBusMessage::ErrorMessage;
                      if (ok) self->paired_ = false;
                      op->complete(UnpairingResult{ok ? UnpairingStatus::Unpaired
                                                      : r.errorName() == QLatin1String("org.freedesktop.DBus.Error.AccessDenied")
                                                            ? UnpairingStatus::AccessDenied
                                                            : UnpairingStatus::Failed});
                      finish();
                  });
    });
}

void BluezDevice::agentQuestion(uint32_t kind, const std::string& pin, std::function<void(bool, const std::string&)> answer) {
    if (closed_ || !(pairingKinds_ & kind)) return answer(false, {});
    if (kind == pairing_kinds::kDisplayPin) {
        if (displayed_) return;  // BlueZ repeats it while keys are typed on the device
        displayed_ = true;
    }
    auto request = std::make_shared<PairingRequest>(kind, pin);
    request->setDecisionHandler([self = shared_from_this(), answer = std::move(answer)](bool ok, const std::string& p) {
        if (!ok) self->declined_ = true;
        answer(ok, p);
    });
    pairingRequested.raise(request);
    request->handlersReturned();
}

}  // namespace zenu::bluetooth::bluez
