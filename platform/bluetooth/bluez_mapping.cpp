#include "platform/bluetooth/bluez_mapping.h"

#include <cstdio>
#include <cstdlib>

namespace zenu::bluetooth::bluez {

namespace {

bool startsWith(std::string_view s, std::string_view p) { return s.substr(0, p.size()) == p; }

bool contains(std::string_view s, std::string_view part) { return s.find(part) != std::string_view::npos; }

GattResult protocolError(uint8_t code) {
    GattResult r;
    r.status = CommunicationStatus::ProtocolError;
    r.protocolError = code;
    return r;
}

GattResult status(CommunicationStatus s) {
    GattResult r;
    r.status = s;
    return r;
}

void appendUuid(std::vector<DataSection>& sections, const std::vector<Guid>& uuids, int width, uint8_t type) {
    DataSection s{type, {}};
    for (const Guid& g : uuids) {
        uint16_t v16 = 0;
        uint32_t v32 = 0;
        const bool is16 = g.isSig16(&v16);
        const bool is32 = !is16 && g.isSig32(&v32);
        const int w = is16 ? 2 : is32 ? 4 : 16;
        if (w != width) continue;
        const auto le = g.toLittleEndian();
        if (w == 2) s.data.insert(s.data.end(), {uint8_t(v16), uint8_t(v16 >> 8)});
        else if (w == 4) s.data.insert(s.data.end(), {uint8_t(v32), uint8_t(v32 >> 8), uint8_t(v32 >> 16), uint8_t(v32 >> 24)});
        else s.data.insert(s.data.end(), le.begin(), le.end());
    }
    if (!s.data.empty()) sections.push_back(std::move(s));
}

}  // namespace

std::optional<uint16_t> handleFromPath(std::string_view path) {
    const auto slash = path.rfind('/');
    std::string_view last = slash == std::string_view::npos ? path : path.substr(slash + 1);
    for (std::string_view prefix : {"service", "char", "desc"}) {
        if (!startsWith(last, prefix)) continue;
        std::string_view digits = last.substr(prefix.size());
        if (digits.size() != 4) return std::nullopt;
        uint16_t v = 0;
        for (char c : digits) {
            int d;
            if (c >= '0' && c <= '9') d = c - '0';
            else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
            else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
            else return std::nullopt;
            v = static_cast<uint16_t>(v << 4 | d);
        }
        return v;
    }
    return std::nullopt;
}

std::string devicePath(std::string_view adapterPath, uint64_t address) {
    std::string text = formatAddress(address);
    for (char& c : text)
        if (c == ':') c = '_';
    return std::string(adapterPath) + "/dev_" + text;
}

uint32_t propertiesFromFlags(const std::vector<std::string>& flags) {
    namespace p = properties;
    struct Flag {
        const char* name;
        uint32_t bit;
    };
    static constexpr Flag kFlags[] = {{"broadcast", p::kBroadcast},
                                      {"read", p::kRead},
                                      {"write-without-response", p::kWriteWithoutResponse},
                                      {"write", p::kWrite},
                                      {"notify", p::kNotify},
                                      {"indicate", p::kIndicate},
                                      {"authenticated-signed-writes", p::kAuthenticatedSignedWrites},
                                      {"extended-properties", p::kExtendedProperties},
                                      {"reliable-write", p::kReliableWrites},
                                      {"writable-auxiliaries", p::kWritableAuxiliaries}};
    uint32_t bits = 0;
    for (const std::string& f : flags)
        for (const Flag& k : kFlags)
            if (f == k.name) bits |= k.bit;
    return bits;
}

GattResult gattResultFromError(std::string_view name, std::string_view message) {
    if (name == "org.bluez.Error.NotPermitted") {
        if (contains(message, "Read")) return protocolError(0x02);
        if (contains(message, "Write")) return protocolError(0x03);
        if (contains(message, "paired")) return protocolError(0x05);
        return status(CommunicationStatus::AccessDenied);
    }
    if (name == "org.bluez.Error.NotAuthorized") return protocolError(0x08);
    if (name == "org.bluez.Error.NotSupported") return protocolError(0x06);
    if (name == "org.bluez.Error.InvalidArguments" || name == "org.bluez.Error.InvalidValueLength") {
        if (contains(message, "offset")) return protocolError(0x07);
        return protocolError(0x0D);
    }
    if (name == "org.bluez.Error.InProgress") return protocolError(0xFE);
    if (name == "org.bluez.Error.Failed") {
        constexpr std::string_view att = "ATT error: 0x";
        if (auto at = message.find(att); at != std::string_view::npos) {
            const std::string hex(message.substr(at + att.size(), 2));
            char* end = nullptr;
            const unsigned long code = std::strtoul(hex.c_str(), &end, 16);
            if (end != hex.c_str() && code <= 0xFF) return protocolError(static_cast<uint8_t>(code));
        }
        return status(CommunicationStatus::Unreachable);
    }
    if (name == "org.freedesktop.DBus.Error.AccessDenied" || name == "org.bluez.Error.NotAuthorized")
        return status(CommunicationStatus::AccessDenied);
    // Not connected, timeouts, no reply, objects gone with the link.
    return status(CommunicationStatus::Unreachable);
}

PairingStatus pairingStatusFromError(std::string_view name) {
    struct Entry {
        const char* name;
        PairingStatus status;
    };
    static constexpr Entry kEntries[] = {
        {"org.bluez.Error.AlreadyExists", PairingStatus::AlreadyPaired},
        {"org.bluez.Error.AuthenticationCanceled", PairingStatus::PairingCanceled},
        {"org.bluez.Error.AuthenticationRejected", PairingStatus::RejectedByHandler},
        {"org.bluez.Error.AuthenticationFailed", PairingStatus::AuthenticationFailure},
        {"org.bluez.Error.AuthenticationTimeout", PairingStatus::AuthenticationTimeout},
        {"org.bluez.Error.ConnectionAttemptFailed", PairingStatus::ConnectionRejected},
        {"org.bluez.Error.InProgress", PairingStatus::OperationAlreadyInProgress},
        {"org.bluez.Error.NotReady", PairingStatus::NotReadyToPair},
        {"org.freedesktop.DBus.Error.AccessDenied", PairingStatus::AccessDenied},
        {"org.freedesktop.DBus.Error.NoReply", PairingStatus::AuthenticationTimeout},
    };
    for (const Entry& e : kEntries)
        if (name == e.name) return e.status;
    return PairingStatus::Failed;
}

BluetoothErrorCode watcherErrorFromError(std::string_view name) {
    if (name == "org.bluez.Error.NotReady") return BluetoothErrorCode::RadioNotAvailable;
    if (name == "org.bluez.Error.InProgress") return BluetoothErrorCode::ResourceInUse;
    if (name == "org.bluez.Error.NotSupported") return BluetoothErrorCode::NotSupported;
    if (name == "org.bluez.Error.NotAuthorized" || name == "org.freedesktop.DBus.Error.AccessDenied")
        return BluetoothErrorCode::DisabledByPolicy;
    return BluetoothErrorCode::OtherError;
}

std::string unusableBluezMessage(std::string_view errorName, std::string_view message) {
    if (errorName == "org.freedesktop.DBus.Error.ServiceUnknown" ||
        errorName == "org.freedesktop.DBus.Error.NameHasNoOwner")
        return "Bluetooth is not available: bluetoothd is not running (nothing owns org.bluez on the system "
               "bus). Start it with \"systemctl start bluetooth\".";
    if (errorName == "org.freedesktop.DBus.Error.AccessDenied")
        return "Bluetooth is not available: permission denied on the system bus for org.bluez (" +
               std::string(message) + "). Add the user to the \"bluetooth\" group or allow it by polkit.";
    if (errorName == "org.freedesktop.DBus.Error.NoReply" || errorName == "org.freedesktop.DBus.Error.Timeout")
        return "Bluetooth is not available: bluetoothd does not answer on the system bus.";
    return "Bluetooth is not available: bluetoothd refused the request (" + std::string(errorName) + ": " +
           std::string(message) + ").";
}

std::string noBusMessage(std::string_view busAddress, std::string_view reason) {
    return "Bluetooth is not available: the system D-Bus (" + std::string(busAddress) +
           ") cannot be reached: " + std::string(reason);
}

std::string noAdapterMessage() {
    return "No Bluetooth adapter found: bluetoothd runs but has no controller (is it plugged in, or blocked by "
           "rfkill?).";
}

std::string poweredOffMessage(std::string_view adapterPath) {
    const auto slash = adapterPath.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? adapterPath : adapterPath.substr(slash + 1);
    return "The Bluetooth adapter " + std::string(name) +
           " is powered off. Switch it on (\"bluetoothctl power on\").";
}

std::optional<PresentationFormat> parsePresentationFormat(const Bytes& v) {
    if (v.size() < 7) return std::nullopt;
    PresentationFormat f;
    f.formatType = v[0];
    f.exponent = static_cast<int8_t>(v[1]);
    f.unit = static_cast<uint16_t>(v[2] | v[3] << 8);
    f.nameSpace = v[4];
    f.description = static_cast<uint16_t>(v[5] | v[6] << 8);
    return f;
}

Advertisement advertisementFrom(const AdvertisedProperties& p) {
    Advertisement a;
    auto& s = a.dataSections;
    if (p.name) {
        a.localName = *p.name;
        s.push_back({section_types::kCompleteName, Bytes(p.name->begin(), p.name->end())});
    }
    a.serviceUuids = p.uuids;
    appendUuid(s, p.uuids, 2, section_types::kComplete16);
    appendUuid(s, p.uuids, 4, section_types::kComplete32);
    appendUuid(s, p.uuids, 16, section_types::kComplete128);
    if (p.txPower) s.push_back({section_types::kTxPowerLevel, {static_cast<uint8_t>(static_cast<int8_t>(*p.txPower))}});
    for (const auto& [uuid, data] : p.serviceData) {
        uint16_t v16 = 0;
        uint32_t v32 = 0;
        DataSection d;
        if (uuid.isSig16(&v16)) {
            d.type = section_types::kServiceData16;
            d.data = {uint8_t(v16), uint8_t(v16 >> 8)};
        } else if (uuid.isSig32(&v32)) {
            d.type = section_types::kServiceData32;
            d.data = {uint8_t(v32), uint8_t(v32 >> 8), uint8_t(v32 >> 16), uint8_t(v32 >> 24)};
        } else {
            d.type = section_types::kServiceData128;
            const auto le = uuid.toLittleEndian();
            d.data.assign(le.begin(), le.end());
        }
        d.data.insert(d.data.end(), data.begin(), data.end());
        s.push_back(std::move(d));
    }
    a.manufacturerData = p.manufacturerData;
    for (const ManufacturerData& m : p.manufacturerData) {
        DataSection d{section_types::kManufacturerData, {uint8_t(m.companyId), uint8_t(m.companyId >> 8)}};
        d.data.insert(d.data.end(), m.data.begin(), m.data.end());
        s.push_back(std::move(d));
    }
    return a;
}

}  // namespace zenu::bluetooth::bluez
