#pragma once
// D-Bus plumbing of the BlueZ stand-in: the container types BlueZ's API uses, its error
// replies, and reading the a{sv} option dictionaries with their wire types.
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QMap>
#include <QString>
#include <QVariant>
#include <optional>

#include "platform/bluetooth/bluetooth_types.h"

namespace zenu::sim::bluez {

using InterfaceMap = QMap<QString, QVariantMap>;             // a{sa{sv}}
using ManagedObjects = QMap<QDBusObjectPath, InterfaceMap>;  // a{oa{sa{sv}}}
using ManufacturerMap = QMap<quint16, QDBusVariant>;         // a{qv}

// Registers the types above with QtDBus (once).
void registerTypes();

inline constexpr const char* kService = "org.bluez";
inline constexpr const char* kAdapterPath = "/org/bluez/hci0";
inline constexpr const char* kAdapterIface = "org.bluez.Adapter1";
inline constexpr const char* kDeviceIface = "org.bluez.Device1";
inline constexpr const char* kAgentManagerIface = "org.bluez.AgentManager1";
inline constexpr const char* kAgentIface = "org.bluez.Agent1";
inline constexpr const char* kServiceIface = "org.bluez.GattService1";
inline constexpr const char* kCharIface = "org.bluez.GattCharacteristic1";
inline constexpr const char* kDescIface = "org.bluez.GattDescriptor1";
inline constexpr const char* kPropsIface = "org.freedesktop.DBus.Properties";
inline constexpr const char* kObjectManagerIface = "org.freedesktop.DBus.ObjectManager";

// An org.bluez.Error.<name> reply with BlueZ's text.
QDBusMessage error(const QDBusMessage& call, const char* name, const QString& text);
QDBusMessage invalidArgs(const QDBusMessage& call, const QString& text = "Invalid arguments in method call");
QDBusMessage failed(const QDBusMessage& call, const QString& text);
QDBusMessage inProgress(const QDBusMessage& call);
QDBusMessage notReady(const QDBusMessage& call);
QDBusMessage doesNotExist(const QDBusMessage& call);
QDBusMessage notSupported(const QDBusMessage& call);
QDBusMessage notPermitted(const QDBusMessage& call, const QString& text);
// A failed ATT request as BlueZ's GATT client reports it.
QDBusMessage attError(const QDBusMessage& call, uint8_t code);
// A failed GATT result of the simulated stack (status and ATT code) as BlueZ reports it.
QDBusMessage gattError(const QDBusMessage& call, const bluetooth::GattResult& r);

// The D-Bus signature a demarshalled value had ("s", "n", "as", ...).
QString signatureOf(const QVariant& v);

// One entry of an a{sv} argument: the value and its wire signature.
struct DictValue {
    QVariant value;
    QString signature;
};
// Reads an a{sv} argument; nullopt when it is none.
std::optional<QMap<QString, DictValue>> readDict(const QVariant& arg);

// "0000180f-0000-1000-8000-00805f9b34fb".
QString uuidText(const bluetooth::Guid& g);
// "dev_C4_7F_51_00_10_01".
QString deviceNode(uint64_t address);

}  // namespace zenu::sim::bluez

Q_DECLARE_METATYPE(zenu::sim::bluez::InterfaceMap)
Q_DECLARE_METATYPE(zenu::sim::bluez::ManagedObjects)
Q_DECLARE_METATYPE(zenu::sim::bluez::ManufacturerMap)
