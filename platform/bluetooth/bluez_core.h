#pragma once
// The BlueZ backend's one thread and one connection to the system bus (the bus that
// DBUS_SYSTEM_BUS_ADDRESS names, as for every BlueZ client). It keeps BlueZ's objects as
// ObjectManager reports them, tells its listeners about every change, and runs every D-Bus
// call asynchronously on its thread, which is the stack's worker thread: operations end
// and events are raised there, in the order BlueZ sent them.
#include <QDBusConnection>
#include <QDBusMessage>
#include <QMap>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

class QThread;

namespace zenu::bluetooth::bluez {

struct ObjectChange {
    enum Kind { Added, Removed, Properties } kind = Properties;
    QString path;
    QString iface;
    QVariantMap changed;  // Added: all properties; Properties: the changed ones
};

class BluezCore : public QObject {
    Q_OBJECT
public:
    BluezCore();
    ~BluezCore() override;

    // Ends the thread after `last` has run there (unregistering what was registered); from
    // then on post() refuses. Not on the worker thread itself.
    void shutdown(std::function<void()> last);
    // Runs `work` on the worker thread, after what was posted before; false once shut down.
    bool post(std::function<void()> work);

    // ---- worker thread only
    // Connects and loads BlueZ's objects when not done yet; "" when BlueZ can be used, else
    // why not (no bus, no bluetoothd, permission, no adapter, powered off).
    std::string ensureReady();
    // The default adapter ("/org/bluez/hci0"), or "" when there is none.
    QString adapterPath() const;
    bool has(const QString& path, const char* iface) const;
    QVariant property(const QString& path, const char* iface, const char* name) const;
    QVariantMap properties(const QString& path, const char* iface) const;
    // The paths of objects with `iface` whose path lies below `parent`, in path order.
    QStringList objectsBelow(const QString& parent, const char* iface) const;
    // The reply, or an error message when the call failed; `done` runs on the worker thread.
    void call(const QString& path, const char* iface, const char* method, const QVariantList& args, int timeoutMs,
              std::function<void(const QDBusMessage&)> done);
    // Reloads the objects below `parent` from GetManagedObjects, then runs `done`.
    void reload(const QString& parent, std::function<void()> done);
    QDBusConnection& bus() { return bus_; }
    bool connected() const { return connected_; }

    // Listeners run on the worker thread for every change; remove() may be called anywhere.
    int listen(std::function<void(const ObjectChange&)> listener);
    void unlisten(int id);

private slots:
    void onInterfacesAdded(const QDBusMessage& message);
    void onInterfacesRemoved(const QDBusMessage& message);
    void onPropertiesChanged(const QDBusMessage& message);

private:
    using Interfaces = QMap<QString, QVariantMap>;
    void store(const QString& path, const Interfaces& interfaces);
    void dispatch(const ObjectChange& change);
    static std::map<QString, Interfaces> parseManagedObjects(const QDBusMessage& reply);

    QThread* thread_ = nullptr;
    QString name_;
    QDBusConnection bus_{QString()};
    bool connected_ = false;
    bool loaded_ = false;
    std::map<QString, Interfaces> objects_;

    // Makes Qt's ordering of queued work visible to ThreadSanitizer (see the .cpp).
    static void handOver();
    std::mutex m_;
    bool down_ = false;
    int lastListener_ = 0;
    std::map<int, std::shared_ptr<std::function<void(const ObjectChange&)>>> listeners_;
};

// D-Bus values as BlueZ sends them, in plain types.
QByteArray bytesOf(const QVariant& v);
QStringList stringsOf(const QVariant& v);
QStringList pathsOf(const QVariant& v);
// a{qv} (ManufacturerData) and a{sv} (ServiceData) with byte-array values.
QMap<quint16, QByteArray> manufacturerDataOf(const QVariant& v);
QMap<QString, QByteArray> serviceDataOf(const QVariant& v);
QString errorText(const QDBusMessage& reply);

}  // namespace zenu::bluetooth::bluez
