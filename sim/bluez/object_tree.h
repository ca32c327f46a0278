#pragma once
// The objects the stand-in exports, with their interfaces and properties, and the signals
// BlueZ clients follow them by (ObjectManager's InterfacesAdded/Removed, PropertiesChanged).
#include <QDBusConnection>
#include <QStringList>
#include <map>

#include "sim/bluez/bluez_dbus.h"

namespace zenu::sim::bluez {

class ObjectTree {
public:
    explicit ObjectTree(QDBusConnection bus) : bus_(std::move(bus)) {}

    bool has(const QString& path) const { return objects_.count(path) != 0; }
    bool hasInterface(const QString& path, const QString& iface) const;
    // Adds the interfaces to the object (created if new) and announces them.
    void add(const QString& path, const InterfaceMap& interfaces);
    // Removes the object and every object below it, deepest first, each announced.
    void remove(const QString& path);
    // The paths directly below `path`, and every path under it.
    QStringList children(const QString& path) const;
    QStringList below(const QString& path) const;

    std::optional<QVariant> get(const QString& path, const QString& iface, const QString& name) const;
    const QVariantMap* properties(const QString& path, const QString& iface) const;
    const InterfaceMap* interfaces(const QString& path) const;
    // Sets a property and signals it when it changed (or always, for values that BlueZ
    // re-emits unchanged).
    void set(const QString& path, const QString& iface, const QString& name, const QVariant& value,
             bool always = false);
    // Drops a property and signals it as invalidated.
    void unset(const QString& path, const QString& iface, const QString& name);

    ManagedObjects managedObjects() const;
    QDBusConnection& bus() { return bus_; }

private:
    QDBusConnection bus_;
    std::map<QString, InterfaceMap> objects_;
};

// The D-Bus signature of a stored property value.
QString propertySignature(const QVariant& v);

}  // namespace zenu::sim::bluez
