#include "sim/bluez/bluez_dbus.h"

#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusSignature>
#include <QStringList>
#include <mutex>

namespace zenu::sim::bluez {

void registerTypes() {
    static std::once_flag once;
    std::call_once(once, [] {
        qDBusRegisterMetaType<InterfaceMap>();
        qDBusRegisterMetaType<ManagedObjects>();
        qDBusRegisterMetaType<ManufacturerMap>();
        qDBusRegisterMetaType<QList<QDBusObjectPath>>();
    });
}

QDBusMessage error(const QDBusMessage& call, const char* name, const QString& text) {
    return call.createErrorReply(QStringLiteral("org.bluez.Error.") + QLatin1String(name), text);
}
QDBusMessage invalidArgs(const QDBusMessage& call, const QString& text) { return error(call, "InvalidArguments", text); }
QDBusMessage failed(const QDBusMessage& call, const QString& text) { return error(call, "Failed", text); }
QDBusMessage inProgress(const QDBusMessage& call) { return error(call, "InProgress", "In Progress"); }
QDBusMessage notReady(const QDBusMessage& call) { return error(call, "NotReady", "Resource Not Ready"); }
QDBusMessage doesNotExist(const QDBusMessage& call) { return error(call, "DoesNotExist", "Does Not Exist"); }
QDBusMessage notSupported(const QDBusMessage& call) { return error(call, "NotSupported", "Operation is not supported"); }
QDBusMessage notPermitted(const QDBusMessage& call, const QString& text) { return error(call, "NotPermitted", text); }

QDBusMessage attError(const QDBusMessage& call, uint8_t code) {
    switch (code) {
    case 0x02: return notPermitted(call, "Read not permitted");
    case 0x03: return notPermitted(call, "Write not permitted");
    case 0x05:
    case 0x0C:
    case 0x0F: return notPermitted(call, "Not paired");
    case 0x07: return invalidArgs(call, "Invalid offset");
    case 0x0D: return invalidArgs(call, "Invalid Length");
    case 0x08: return error(call, "NotAuthorized", "Operation Not Authorized");
    case 0x06: return notSupported(call);
    case 0x00: return failed(call, "Operation failed");
    default: return failed(call, QString::asprintf("Operation failed with ATT error: 0x%02x", code));
    }
}

QDBusMessage gattError(const QDBusMessage& call, const bluetooth::GattResult& r) {
    using bluetooth::CommunicationStatus;
    switch (r.status) {
    case CommunicationStatus::ProtocolError: return attError(call, r.protocolError.value_or(0));
    // A link that is lost under a request ends it as BlueZ's ATT layer does.
    case CommunicationStatus::Unreachable: return attError(call, 0x0E);
    case CommunicationStatus::AccessDenied: return attError(call, 0x08);
    case CommunicationStatus::Success: break;
    }
    return attError(call, 0);
}

QString signatureOf(const QVariant& v) {
    switch (v.metaType().id()) {
    case QMetaType::Bool: return "b";
    case QMetaType::UChar: return "y";
    case QMetaType::Short: return "n";
    case QMetaType::UShort: return "q";
    case QMetaType::Int: return "i";
    case QMetaType::UInt: return "u";
    case QMetaType::LongLong: return "x";
    case QMetaType::ULongLong: return "t";
    case QMetaType::Double: return "d";
    case QMetaType::QString: return "s";
    case QMetaType::QByteArray: return "ay";
    case QMetaType::QStringList: return "as";
    default: break;
    }
    if (v.metaType() == QMetaType::fromType<QDBusObjectPath>()) return "o";
    if (v.metaType() == QMetaType::fromType<QDBusSignature>()) return "g";
    if (v.metaType() == QMetaType::fromType<QDBusVariant>()) return "v";
    if (v.metaType() == QMetaType::fromType<QDBusArgument>()) return v.value<QDBusArgument>().currentSignature();
    return QString();
}

std::optional<QMap<QString, DictValue>> readDict(const QVariant& arg) {
    if (arg.metaType() != QMetaType::fromType<QDBusArgument>()) {
        // An empty dictionary may arrive already converted.
        if (arg.metaType() == QMetaType::fromType<QVariantMap>() && arg.toMap().isEmpty())
            return QMap<QString, DictValue>{};
        return std::nullopt;
    }
    const QDBusArgument a = arg.value<QDBusArgument>();
    if (a.currentSignature() != "a{sv}") return std::nullopt;
    QMap<QString, DictValue> out;
    a.beginMap();
    while (!a.atEnd()) {
        QString key;
        QDBusVariant value;
        a.beginMapEntry();
        a >> key >> value;
        a.endMapEntry();
        out.insert(key, DictValue{value.variant(), signatureOf(value.variant())});
    }
    a.endMap();
    return out;
}

QString uuidText(const bluetooth::Guid& g) { return QString::fromStdString(g.toString()).toLower(); }

QString deviceNode(uint64_t address) {
    return "dev_" + QString::fromStdString(bluetooth::formatAddress(address)).replace(':', '_');
}

}  // namespace zenu::sim::bluez
