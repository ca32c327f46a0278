#include "platform/bluetooth/bluez_context.h"

#include <QCoreApplication>
#include <QDBusObjectPath>
#include <QTimer>

#include <atomic>
#include <cstdio>

#include "platform/bluetooth/bluez_device.h"
#include "platform/bluetooth/bluez_mapping.h"

namespace zenu::bluetooth::bluez {

namespace {
constexpr int kCallTimeoutMs = 25000;
const char* const kRejected = "org.bluez.Error.Rejected";
}  // namespace

// org.bluez.Agent1 of this client: BlueZ asks the agent of whoever called Pair, so only the
// devices this stack pairs reach it. Calls are answered on the worker thread.
class BluezContext::Agent : public QDBusVirtualObject {
public:
    explicit Agent(BluezContext* ctx) : ctx_(ctx) {}
    QString introspect(const QString&) const override {
        return QStringLiteral(
            "<interface name=\"org.bluez.Agent1\"><method name=\"Release\"/>"
            "<method name=\"RequestPinCode\"><arg type=\"o\" direction=\"in\"/><arg type=\"s\" direction=\"out\"/></method>"
            "<method name=\"DisplayPinCode\"><arg type=\"o\" direction=\"in\"/><arg type=\"s\" direction=\"in\"/></method>"
            "<method name=\"RequestPasskey\"><arg type=\"o\" direction=\"in\"/><arg type=\"u\" direction=\"out\"/></method>"
            "<method name=\"DisplayPasskey\"><arg type=\"o\" direction=\"in\"/><arg type=\"u\" direction=\"in\"/>"
            "<arg type=\"q\" direction=\"in\"/></method>"
            "<method name=\"RequestConfirmation\"><arg type=\"o\" direction=\"in\"/><arg type=\"u\" direction=\"in\"/></method>"
            "<method name=\"RequestAuthorization\"><arg type=\"o\" direction=\"in\"/></method>"
            "<method name=\"AuthorizeService\"><arg type=\"o\" direction=\"in\"/><arg type=\"s\" direction=\"in\"/></method>"
            "<method name=\"Cancel\"/></interface>");
    }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection&) override {
        if (message.interface() != QLatin1String(kAgentIface)) return false;
        // Qt may call this on its own thread: the answer is worked out on the worker.
        BluezContext* ctx = ctx_;
        ctx->post([ctx, message] { ctx->agentCall(message); });
        return true;
    }

private:
    BluezContext* ctx_;
};

BluezContext::BluezContext() = default;

BluezContext::~BluezContext() { shutdown(); }

bool BluezContext::post(std::function<void()> work) {
    std::shared_ptr<BluezCore> core;
    {
        std::lock_guard lock(m_);
        if (down_ || !QCoreApplication::instance()) return false;
        if (!core_) core_ = std::make_shared<BluezCore>();
        core = core_;
    }
    return core->post(std::move(work));
}

std::string BluezContext::unavailable() const {
    std::lock_guard lock(m_);
    if (!down_ && !QCoreApplication::instance())
        return "Bluetooth is not available: BlueZ is reached through Qt's D-Bus module, which needs the "
               "program's QCoreApplication.";
    return "The Bluetooth stack has been shut down.";
}

void BluezContext::shutdown() {
    std::shared_ptr<BluezCore> core;
    {
        std::lock_guard lock(m_);
        down_ = true;
        core = core_;
    }
    if (!core) return;
    core->shutdown([this] {
        if (!core_->connected()) return;
        QDBusConnection& bus = core_->bus();
        const QString adapter = core_->adapterPath();
        if (discoveryUsers_ > 0 && !adapter.isEmpty()) {
            QDBusMessage m = QDBusMessage::createMethodCall(kService, adapter, kAdapterIface, "StopDiscovery");
            bus.call(m, QDBus::Block, 2000);
        }
        if (agentRegistered_) {
            QDBusMessage m = QDBusMessage::createMethodCall(kService, "/org/bluez", kAgentManagerIface, "UnregisterAgent");
            m << QVariant::fromValue(QDBusObjectPath(agentPath_));
            bus.call(m, QDBus::Block, 2000);
            bus.unregisterObject(agentPath_);
        }
    });
}

std::string BluezContext::ready(BluetoothErrorCode* code) {
    std::string problem = core_->ensureReady();
    if (code)
        *code = problem.find("permission denied") != std::string::npos ? BluetoothErrorCode::DisabledByPolicy
                                                                       : BluetoothErrorCode::RadioNotAvailable;
    return problem;
}

void BluezContext::joinDiscovery(const QStringList& uuids, bool duplicates,
                                 std::function<void(const QDBusMessage&)> done) {
    const QString adapter = core_->adapterPath();
    QVariantMap filter{{QStringLiteral("Transport"), QStringLiteral("le")},
                       {QStringLiteral("DuplicateData"), duplicates}};
    if (!uuids.isEmpty()) filter.insert(QStringLiteral("UUIDs"), uuids);
    auto self = shared_from_this();
    core_->call(adapter, kAdapterIface, "SetDiscoveryFilter", {filter}, kCallTimeoutMs,
                [self, adapter, done](const QDBusMessage& r) {
                    if (r.type() == QDBusMessage::ErrorMessage) return done(r);
                    if (self->discoveryUsers_++ > 0) return done(QDBusMessage());
                    self->startDiscovery(adapter, 0, done);
                });
}

void BluezContext::startDiscovery(const QString& adapter, int attempt, std::function<void(const QDBusMessage&)> done) {
    auto self = shared_from_this();
    core_->call(adapter, kAdapterIface, "StartDiscovery", {}, kCallTimeoutMs,
                [self, adapter, attempt, done](const QDBusMessage& started) {
                    // A discovery that is just being stopped refuses a new start for a moment.
                    if (started.errorName() == QLatin1String("org.bluez.Error.InProgress") && attempt < 20) {
                        QTimer::singleShot(50, &self->core(), [self, adapter, attempt, done] {
                            self->startDiscovery(adapter, attempt + 1, done);
                        });
                        return;
                    }
                    if (started.type() == QDBusMessage::ErrorMessage) {
                        --self->discoveryUsers_;
                        return done(started);
                    }
                    done(QDBusMessage());
                });
}

void BluezContext::leaveDiscovery() {
    if (discoveryUsers_ == 0 || --discoveryUsers_ > 0) return;
    core_->call(core_->adapterPath(), kAdapterIface, "StopDiscovery", {}, kCallTimeoutMs, [](const QDBusMessage&) {});
}

void BluezContext::ensureAgent(std::function<void(bool)> done) {
    if (agentRegistered_) return done(true);
    agentWaiters_.push_back(std::move(done));
    if (agentWaiters_.size() > 1) return;
    static std::atomic<int> counter{0};
    agentPath_ = QStringLiteral("/org/zenu/bluez/agent%1").arg(++counter);
    if (!agent_) agent_ = std::make_unique<Agent>(this);
    auto finish = [this](bool ok) {
        agentRegistered_ = ok;
        auto waiters = std::move(agentWaiters_);
        agentWaiters_.clear();
        for (auto& w : waiters) w(ok);
    };
    if (!core_->bus().registerVirtualObject(agentPath_, agent_.get(), QDBusConnection::SingleNode)) return finish(false);
    core_->call(QStringLiteral("/org/bluez"), kAgentManagerIface, "RegisterAgent",
                {QVariant::fromValue(QDBusObjectPath(agentPath_)), QStringLiteral("KeyboardDisplay")}, kCallTimeoutMs,
                [this, finish](const QDBusMessage& r) {
                    if (r.type() == QDBusMessage::ErrorMessage) core_->bus().unregisterObject(agentPath_);
                    finish(r.type() != QDBusMessage::ErrorMessage);
                });
}

void BluezContext::setPairing(const QString& devicePath, const std::shared_ptr<BluezDevice>& device) {
    pairing_[devicePath] = device;
}

void BluezContext::endPairing(const QString& devicePath) { pairing_.erase(devicePath); }

void BluezContext::agentCall(const QDBusMessage& message) {
    QDBusConnection bus = core_->bus();
    const QString method = message.member();
    const QList<QVariant> args = message.arguments();
    auto reply = [bus, message](const QList<QVariant>& values) mutable {
        QDBusMessage r = message.createReply(values);
        bus.send(r);
    };
    auto reject = [bus, message]() mutable { bus.send(message.createErrorReply(kRejected, "Rejected by the user.")); };
    if (method == "Release" || method == "Cancel" || method == "AuthorizeService") return reply({});
    const QString devicePath = args.isEmpty() ? QString() : args[0].value<QDBusObjectPath>().path();
    auto it = pairing_.find(devicePath);
    std::shared_ptr<BluezDevice> device = it == pairing_.end() ? nullptr : it->second.lock();
    if (!device) return reject();

    char passkey[16] = "";
    if (args.size() > 1 && (method == "RequestConfirmation" || method == "DisplayPasskey"))
        std::snprintf(passkey, sizeof passkey, "%06u", args[1].toUInt());
    if (method == "RequestConfirmation" || method == "RequestAuthorization") {
        const uint32_t kind = method == "RequestAuthorization" ? pairing_kinds::kConfirmOnly : pairing_kinds::kConfirmPinMatch;
        device->agentQuestion(kind, passkey, [reply, reject](bool ok, const std::string&) mutable {
            if (ok) reply({});
            else reject();
        });
    } else if (method == "RequestPasskey" || method == "RequestPinCode") {
        const bool numeric = method == "RequestPasskey";
        device->agentQuestion(pairing_kinds::kProvidePin, "", [reply, reject, numeric](bool ok, const std::string& pin) mutable {
            bool isNumber = false;
            const uint value = QString::fromStdString(pin).toUInt(&isNumber);
            if (!ok || pin.empty() || (numeric && !isNumber)) return reject();
            if (numeric) reply({QVariant::fromValue(value)});
            else reply({QString::fromStdString(pin)});
        });
    } else if (method == "DisplayPasskey" || method == "DisplayPinCode") {
        // The pin is shown to the user; declining it cancels the pairing.
        const std::string pin = method == "DisplayPinCode" && args.size() > 1 ? args[1].toString().toStdString() : passkey;
        reply({});
        std::weak_ptr<BluezContext> weak = shared_from_this();
        device->agentQuestion(pairing_kinds::kDisplayPin, pin, [weak, devicePath](bool ok, const std::string&) {
            auto self = weak.lock();
            if (ok || !self) return;
            self->post([self, devicePath] {
                self->core_->call(devicePath, kDeviceIface, "CancelPairing", {}, kCallTimeoutMs, [](const QDBusMessage&) {});
            });
        });
    } else {
        reject();
    }
}

}  // namespace zenu::bluetooth::bluez
