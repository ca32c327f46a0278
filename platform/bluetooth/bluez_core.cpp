#include "platform/bluetooth/bluez_core.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QThread>

#include <atomic>

#include "platform/bluetooth/bluez_mapping.h"
#include "platform/bluetooth/worker_thread.h"

namespace zenu::bluetooth::bluez {

namespace {

constexpr const char* kObjectManager = "org.freedesktop.DBus.ObjectManager";
constexpr const char* kProperties = "org.freedesktop.DBus.Properties";

QString busAddress() {
    const QByteArray env = qgetenv("DBUS_SYSTEM_BUS_ADDRESS");
    return env.isEmpty() ? QStringLiteral("unix:path=/run/dbus/system_bus_socket") : QString::fromLocal8Bit(env);
}

QMap<QString, QVariantMap> readInterfaces(const QDBusArgument& arg) {
    QMap<QString, QVariantMap> out;
    arg.beginMap();
    while (!arg.atEnd()) {
        QString iface;
        QVariantMap props;
        arg.beginMapEntry();
        arg >> iface >> props;
        arg.endMapEntry();
        out.insert(iface, props);
    }
    arg.endMap();
    return out;
}

// Work is queued to the thread with this held, and the thread takes it before it touches the
// work (handOver): Qt's queue orders the two already, but ThreadSanitizer cannot see inside
// Qt. One for all cores, as the work's captures must not be read before it is taken.
std::mutex& handOverMutex() {
    static std::mutex m;
    return m;
}

}  // namespace

BluezCore::BluezCore() {
    static std::atomic<int> counter{0};
    name_ = QStringLiteral("zenu-bluez-%1").arg(++counter);
    thread_ = new QThread;
    thread_->setObjectName(QStringLiteral("BlueZ"));
    QObject::connect(thread_, &QThread::started, [] { markStackWorkerThread(true); });
    moveToThread(thread_);
    thread_->start();
}

BluezCore::~BluezCore() {
    shutdown({});
    // A thread that is still running (it is the current one, or it did not end in time) is left.
    if (thread_->isFinished()) delete thread_;
}

void BluezCore::shutdown(std::function<void()> last) {
    {
        std::lock_guard lock(m_);
        if (down_) return;
        down_ = true;
    }
    auto finish = [this, last = std::move(last)] {
        if (last) last();
        if (connected_) QDBusConnection::disconnectFromBus(name_);
        connected_ = false;
        markStackWorkerThread(false);
        handOver();  // what the thread did is the caller's once wait() returns
        thread_->quit();
    };
    if (QThread::currentThread() == thread_) {
        finish();
        return;
    }
    {
        std::lock_guard lock(handOverMutex());
        QMetaObject::invokeMethod(this, [finish = std::move(finish)] {
            handOver();
            finish();
        }, Qt::QueuedConnection);
    }
    thread_->wait(5000);
    handOver();
}

void BluezCore::handOver() { std::lock_guard lock(handOverMutex()); }

bool BluezCore::post(std::function<void()> work) {
    std::lock_guard lock(m_);
    if (down_) return false;
    std::lock_guard queued(handOverMutex());
    QMetaObject::invokeMethod(this, [work = std::move(work)] {
        handOver();
        work();
    }, Qt::QueuedConnection);
    return true;
}

std::string BluezCore::ensureReady() {
    if (!connected_) {
        // The address is read here, not by libdbus, which keeps the first one it saw for the
        // whole process.
        bus_ = QDBusConnection::connectToBus(busAddress(), name_);
        if (!bus_.isConnected()) {
            const std::string why = bus_.lastError().message().toStdString();
            QDBusConnection::disconnectFromBus(name_);
            return noBusMessage(busAddress().toStdString(), why);
        }
        connected_ = true;
        const QString service = QString::fromLatin1(kService);
        bus_.connect(service, QStringLiteral("/"), kObjectManager, QStringLiteral("InterfacesAdded"), this,
                     SLOT(onInterfacesAdded(QDBusMessage)));
        bus_.connect(service, QStringLiteral("/"), kObjectManager, QStringLiteral("InterfacesRemoved"), this,
                     SLOT(onInterfacesRemoved(QDBusMessage)));
        bus_.connect(service, QString(), kProperties, QStringLiteral("PropertiesChanged"), this,
                     SLOT(onPropertiesChanged(QDBusMessage)));
    }
    if (!loaded_) {
        QDBusMessage m = QDBusMessage::createMethodCall(kService, QStringLiteral("/"), kObjectManager,
                                                        QStringLiteral("GetManagedObjects"));
        const QDBusMessage r = bus_.call(m, QDBus::Block, 5000);
        if (r.type() != QDBusMessage::ReplyMessage)
            return unusableBluezMessage(r.errorName().toStdString(), r.errorMessage().toStdString());
        objects_ = parseManagedObjects(r);
        loaded_ = true;
    }
    const QString adapter = adapterPath();
    if (adapter.isEmpty()) return noAdapterMessage();
    if (!property(adapter, kAdapterIface, "Powered").toBool()) return poweredOffMessage(adapter.toStdString());
    return {};
}

QString BluezCore::adapterPath() const {
    for (const auto& [path, ifaces] : objects_)
        if (ifaces.contains(QString::fromLatin1(kAdapterIface))) return path;
    return {};
}

bool BluezCore::has(const QString& path, const char* iface) const {
    auto it = objects_.find(path);
    return it != objects_.end() && it->second.contains(QString::fromLatin1(iface));
}

QVariant BluezCore::property(const QString& path, const char* iface, const char* name) const {
    auto it = objects_.find(path);
    if (it == objects_.end()) return {};
    return it->second.value(QString::fromLatin1(iface)).value(QString::fromLatin1(name));
}

QVariantMap BluezCore::properties(const QString& path, const char* iface) const {
    auto it = objects_.find(path);
    return it == objects_.end() ? QVariantMap() : it->second.value(QString::fromLatin1(iface));
}

QStringList BluezCore::objectsBelow(const QString& parent, const char* iface) const {
    QStringList out;
    const QString prefix = parent + QLatin1Char('/');
    for (auto it = objects_.lower_bound(prefix); it != objects_.end() && it->first.startsWith(prefix); ++it)
        if (it->second.contains(QString::fromLatin1(iface))) out << it->first;
    return out;
}

void BluezCore::call(const QString& path, const char* iface, const char* method, const QVariantList& args,
                     int timeoutMs, std::function<void(const QDBusMessage&)> done) {
    if (!connected_) {
        done(QDBusMessage::createError(QStringLiteral("org.freedesktop.DBus.Error.Disconnected"),
                                       QStringLiteral("Not connected to the system bus.")));
        return;
    }
    QDBusMessage m = QDBusMessage::createMethodCall(kService, path, iface, QString::fromLatin1(method));
    m.setArguments(args);
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(m, timeoutMs), this);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, this,
                     [watcher, done = std::move(done)](QDBusPendingCallWatcher*) {
                         watcher->deleteLater();
                         done(watcher->reply());
                     });
}

void BluezCore::reload(const QString& parent, std::function<void()> done) {
    call(QStringLiteral("/"), kObjectManager, "GetManagedObjects", {}, 10000,
         [this, parent, done = std::move(done)](const QDBusMessage& r) {
             if (r.type() == QDBusMessage::ReplyMessage) {
                 const QString prefix = parent + QLatin1Char('/');
                 for (auto it = objects_.lower_bound(prefix); it != objects_.end() && it->first.startsWith(prefix);)
                     it = objects_.erase(it);
                 for (auto& [path, ifaces] : parseManagedObjects(r))
                     if (path.startsWith(prefix)) objects_[path] = ifaces;
             }
             done();
         });
}

int BluezCore::listen(std::function<void(const ObjectChange&)> listener) {
    std::lock_guard lock(m_);
    listeners_[++lastListener_] = std::make_shared<std::function<void(const ObjectChange&)>>(std::move(listener));
    return lastListener_;
}

void BluezCore::unlisten(int id) {
    std::lock_guard lock(m_);
    listeners_.erase(id);
}

void BluezCore::dispatch(const ObjectChange& change) {
    std::vector<std::pair<int, std::shared_ptr<std::function<void(const ObjectChange&)>>>> snapshot;
    {
        std::lock_guard lock(m_);
        snapshot.assign(listeners_.begin(), listeners_.end());
    }
    for (const auto& [id, listener] : snapshot) {
        {
            std::lock_guard lock(m_);
            if (!listeners_.count(id)) continue;
        }
        (*listener)(change);
    }
}

void BluezCore::store(const QString& path, const Interfaces& interfaces) {
    Interfaces& known = objects_[path];
    for (auto it = interfaces.begin(); it != interfaces.end(); ++it) {
        QVariantMap& props = known[it.key()];
        for (auto p = it.value().begin(); p != it.value().end(); ++p) props.insert(p.key(), p.value());
    }
}

void BluezCore::onInterfacesAdded(const QDBusMessage& message) {
    const QList<QVariant> args = message.arguments();
    if (args.size() < 2 || !loaded_) return;
    const QString path = args[0].value<QDBusObjectPath>().path();
    const Interfaces ifaces = readInterfaces(args[1].value<QDBusArgument>());
    store(path, ifaces);
    for (auto it = ifaces.begin(); it != ifaces.end(); ++it)
        dispatch({ObjectChange::Added, path, it.key(), properties(path, it.key().toLatin1().constData())});
}

void BluezCore::onInterfacesRemoved(const QDBusMessage& message) {
    const QList<QVariant> args = message.arguments();
    if (args.size() < 2 || !loaded_) return;
    const QString path = args[0].value<QDBusObjectPath>().path();
    const QStringList ifaces = stringsOf(args[1]);
    auto it = objects_.find(path);
    if (it != objects_.end()) {
        for (const QString& i : ifaces) it->second.remove(i);
        if (it->second.isEmpty()) objects_.erase(it);
    }
    for (const QString& i : ifaces) dispatch({ObjectChange::Removed, path, i, {}});
}

void BluezCore::onPropertiesChanged(const QDBusMessage& message) {
    const QList<QVariant> args = message.arguments();
    if (args.size() < 2 || !loaded_) return;
    const QString iface = args[0].toString();
    QVariantMap changed = qdbus_cast<QVariantMap>(args[1]);
    auto it = objects_.find(message.path());
    if (it == objects_.end() || !it->second.contains(iface)) return;  // not (or no longer) an object
    QVariantMap& props = it->second[iface];
    for (auto p = changed.begin(); p != changed.end(); ++p) props.insert(p.key(), p.value());
    if (args.size() > 2)
        for (const QString& gone : stringsOf(args[2])) props.remove(gone);
    dispatch({ObjectChange::Properties, message.path(), iface, changed});
}

std::map<QString, BluezCore::Interfaces> BluezCore::parseManagedObjects(const QDBusMessage& reply) {
    std::map<QString, Interfaces> out;
    if (reply.arguments().isEmpty()) return out;
    const QDBusArgument arg = reply.arguments().at(0).value<QDBusArgument>();
    arg.beginMap();
    while (!arg.atEnd()) {
        QDBusObjectPath path;
        arg.beginMapEntry();
        arg >> path;
        out[path.path()] = readInterfaces(arg);
        arg.endMapEntry();
    }
    arg.endMap();
    return out;
}

QByteArray bytesOf(const QVariant& v) {
    if (v.canConvert<QDBusArgument>() && v.userType() == qMetaTypeId<QDBusArgument>())
        return qdbus_cast<QByteArray>(v.value<QDBusArgument>());
    if (v.userType() == qMetaTypeId<QDBusVariant>()) return bytesOf(v.value<QDBusVariant>().variant());
    return v.toByteArray();
}

QStringList stringsOf(const QVariant& v) {
    if (v.userType() == qMetaTypeId<QDBusArgument>()) return qdbus_cast<QStringList>(v.value<QDBusArgument>());
    return v.toStringList();
}

QStringList pathsOf(const QVariant& v) {
    QStringList out;
    if (v.userType() == qMetaTypeId<QDBusArgument>()) {
        const QDBusArgument arg = v.value<QDBusArgument>();
        arg.beginArray();
        while (!arg.atEnd()) {
            QDBusObjectPath p;
            arg >> p;
            out << p.path();
        }
        arg.endArray();
    } else if (v.userType() == qMetaTypeId<QList<QDBusObjectPath>>()) {
        for (const QDBusObjectPath& p : v.value<QList<QDBusObjectPath>>()) out << p.path();
    }
    return out;
}

QMap<quint16, QByteArray> manufacturerDataOf(const QVariant& v) {
    QMap<quint16, QByteArray> out;
    if (v.userType() != qMetaTypeId<QDBusArgument>()) return out;
    const QDBusArgument arg = v.value<QDBusArgument>();
    arg.beginMap();
    while (!arg.atEnd()) {
        quint16 key = 0;
        QDBusVariant value;
        arg.beginMapEntry();
        arg >> key >> value;
        arg.endMapEntry();
        out.insert(key, bytesOf(value.variant()));
    }
    arg.endMap();
    return out;
}

QMap<QString, QByteArray> serviceDataOf(const QVariant& v) {
    QMap<QString, QByteArray> out;
    QVariantMap map = v.userType() == qMetaTypeId<QDBusArgument>() ? qdbus_cast<QVariantMap>(v) : v.toMap();
    for (auto it = map.begin(); it != map.end(); ++it) out.insert(it.key(), bytesOf(it.value()));
    return out;
}

QString errorText(const QDBusMessage& reply) { return reply.errorName() + QStringLiteral(": ") + reply.errorMessage(); }

}  // namespace zenu::bluetooth::bluez
