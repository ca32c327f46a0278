#include "sim/bluez/object_tree.h"

#include <QDBusMessage>

namespace zenu::sim::bluez {

namespace {
bool under(const QString& path, const QString& parent) {
    return path.startsWith(parent == "/" ? parent : parent + '/') && path != parent;
}
}  // namespace

bool ObjectTree::hasInterface(const QString& path, const QString& iface) const {
    auto it = objects_.find(path);
    return it != objects_.end() && it->second.contains(iface);
}

void ObjectTree::add(const QString& path, const InterfaceMap& interfaces) {
    InterfaceMap& obj = objects_[path];
    for (auto it = interfaces.begin(); it != interfaces.end(); ++it) obj.insert(it.key(), it.value());
    QDBusMessage s = QDBusMessage::createSignal("/", kObjectManagerIface, "InterfacesAdded");
    s << QVariant::fromValue(QDBusObjectPath(path)) << QVariant::fromValue(interfaces);
    bus_.send(s);
}

void ObjectTree::remove(const QString& path) {
    QStringList paths = below(path);
    if (has(path)) paths.append(path);
    // Deepest first, so that no client ever sees an object without its parent.
    std::sort(paths.begin(), paths.end(), [](const QString& a, const QString& b) {
        return a.count('/') != b.count('/') ? a.count('/') > b.count('/') : a < b;
    });
    for (const QString& p : paths) {
        auto it = objects_.find(p);
        if (it == objects_.end()) continue;
        const QStringList ifaces = it->second.keys();
        objects_.erase(it);
        QDBusMessage s = QDBusMessage::createSignal("/", kObjectManagerIface, "InterfacesRemoved");
        s << QVariant::fromValue(QDBusObjectPath(p)) << QVariant::fromValue(ifaces);
        bus_.send(s);
    }
}

QStringList ObjectTree::children(const QString& path) const {
    QStringList out;
    const int depth = path == "/" ? 0 : path.count('/');
    for (const auto& [p, obj] : objects_) {
        if (!under(p, path)) continue;
        // The next path element below `path` (objects may sit deeper than one level).
        const QString name = p.section('/', depth + 1, depth + 1);
        if (!name.isEmpty() && !out.contains(name)) out.append(name);
    }
    return out;
}

QStringList ObjectTree::below(const QString& path) const {
    QStringList out;
    for (const auto& [p, obj] : objects_)
        if (under(p, path)) out.append(p);
    return out;
}

std::optional<QVariant> ObjectTree::get(const QString& path, const QString& iface, const QString& name) const {
    const QVariantMap* props = properties(path, iface);
    if (!props || !props->contains(name)) return std::nullopt;
    return props->value(name);
}

const QVariantMap* ObjectTree::properties(const QString& path, const QString& iface) const {
    auto it = objects_.find(path);
    if (it == objects_.end()) return nullptr;
    auto i = it->second.constFind(iface);
    return i == it->second.constEnd() ? nullptr : &i.value();
}

const InterfaceMap* ObjectTree::interfaces(const QString& path) const {
    auto it = objects_.find(path);
    return it == objects_.end() ? nullptr : &it->second;
}

void ObjectTree::set(const QString& path, const QString& iface, const QString& name, const QVariant& value,
                     bool always) {
    auto it = objects_.find(path);
    if (it == objects_.end() || !it->second.contains(iface)) return;
    QVariantMap& props = it->second[iface];
    if (!always && props.contains(name) && props.value(name) == value) return;
    props.insert(name, value);
    QDBusMessage s = QDBusMessage::createSignal(path, kPropsIface, "PropertiesChanged");
    s << QString(iface) << QVariant::fromValue(QVariantMap{{name, value}}) << QVariant::fromValue(QStringList());
    bus_.send(s);
}

void ObjectTree::unset(const QString& path, const QString& iface, const QString& name) {
    auto it = objects_.find(path);
    if (it == objects_.end() || !it->second.contains(iface) || !it->second[iface].contains(name)) return;
    it->second[iface].remove(name);
    QDBusMessage s = QDBusMessage::createSignal(path, kPropsIface, "PropertiesChanged");
    s << QString(iface) << QVariant::fromValue(QVariantMap()) << QVariant::fromValue(QStringList{name});
    bus_.send(s);
}

ManagedObjects ObjectTree::managedObjects() const {
    ManagedObjects out;
    for (const auto& [p, obj] : objects_) out.insert(QDBusObjectPath(p), obj);
    return out;
}

QString propertySignature(const QVariant& v) {
    if (v.metaType() == QMetaType::fromType<ManufacturerMap>()) return "a{qv}";
    if (v.metaType() == QMetaType::fromType<QVariantMap>()) return "a{sv}";
    if (v.metaType() == QMetaType::fromType<QList<QDBusObjectPath>>()) return "ao";
    return signatureOf(v);
}

}  // namespace zenu::sim::bluez
