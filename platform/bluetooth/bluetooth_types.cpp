#include "platform/bluetooth/bluetooth_types.h"

#include <array>
#include <cstdio>

namespace zenu::bluetooth {

namespace {

template <std::size_t N>
const char* nameAt(const std::array<const char*, N>& names, std::size_t index) {
    return index < N ? names[index] : "Unknown";
}

template <typename E, std::size_t N>
std::optional<E> indexOf(const std::array<const char*, N>& names, std::string_view name) {
    for (std::size_t i = 0; i < N; ++i)
        if (name == names[i]) return static_cast<E>(i);
    return std::nullopt;
}

constexpr std::array<const char*, 4> kCommunication{"Success", "Unreachable", "ProtocolError", "AccessDenied"};
constexpr std::array<const char*, 10> kErrors{"Success",          "RadioNotAvailable", "ResourceInUse",
                                              "DeviceNotConnected", "OtherError",        "DisabledByPolicy",
                                              "NotSupported",     "DisabledByUser",    "ConsentRequired",
                                              "TransportNotSupported"};
constexpr std::array<const char*, 5> kAdvertisementTypes{"ConnectableUndirected", "ConnectableDirected",
                                                         "ScannableUndirected", "NonConnectableUndirected",
                                                         "ScanResponse"};
constexpr std::array<const char*, 5> kWatcher{"Created", "Started", "Stopping", "Stopped", "Aborted"};
constexpr std::array<const char*, 20> kPairing{
    "Paired",           "NotReadyToPair",       "NotPaired",
    "AlreadyPaired",    "ConnectionRejected",   "TooManyConnections",
    "HardwareFailure",  "AuthenticationTimeout", "AuthenticationNotAllowed",
    "AuthenticationFailure", "NoSupportedProfiles", "ProtectionLevelCouldNotBeMet",
    "AccessDenied",     "InvalidCeremonyData",  "PairingCanceled",
    "OperationAlreadyInProgress", "RequiredHandlerNotRegistered", "RejectedByHandler",
    "RemoteDeviceHasAssociation", "Failed"};
constexpr std::array<const char*, 5> kUnpairing{"Unpaired", "AlreadyUnpaired", "OperationAlreadyInProgress",
                                                "AccessDenied", "Failed"};

struct KindName {
    uint32_t kind;
    const char* name;
};
constexpr KindName kKinds[] = {{pairing_kinds::kConfirmOnly, "ConfirmOnly"},
                               {pairing_kinds::kDisplayPin, "DisplayPin"},
                               {pairing_kinds::kProvidePin, "ProvidePin"},
                               {pairing_kinds::kConfirmPinMatch, "ConfirmPinMatch"},
                               {pairing_kinds::kProvidePasswordCredential, "ProvidePasswordCredential"}};

}  // namespace

const char* toString(CommunicationStatus v) { return nameAt(kCommunication, static_cast<std::size_t>(v)); }
const char* toString(BluetoothErrorCode v) { return nameAt(kErrors, static_cast<std::size_t>(v)); }
const char* toString(AdvertisementType v) { return nameAt(kAdvertisementTypes, static_cast<std::size_t>(v)); }
const char* toString(WatcherStatus v) { return nameAt(kWatcher, static_cast<std::size_t>(v)); }
const char* toString(PairingStatus v) { return nameAt(kPairing, static_cast<std::size_t>(v)); }
const char* toString(UnpairingStatus v) { return nameAt(kUnpairing, static_cast<std::size_t>(v)); }

std::optional<CommunicationStatus> communicationStatusFromString(std::string_view name) {
    return indexOf<CommunicationStatus>(kCommunication, name);
}
std::optional<BluetoothErrorCode> bluetoothErrorFromString(std::string_view name) {
    return indexOf<BluetoothErrorCode>(kErrors, name);
}
std::optional<AdvertisementType> advertisementTypeFromString(std::string_view name) {
    return indexOf<AdvertisementType>(kAdvertisementTypes, name);
}
std::optional<PairingStatus> pairingStatusFromString(std::string_view name) {
    return indexOf<PairingStatus>(kPairing, name);
}

std::optional<uint32_t> pairingKindFromString(std::string_view name) {
    for (const auto& k : kKinds)
        if (name == k.name) return k.kind;
    return std::nullopt;
}

const char* pairingKindName(uint32_t kind) {
    for (const auto& k : kKinds)
        if (kind == k.kind) return k.name;
    return kind == 0 ? "None" : "Unknown";
}

std::vector<DataSection> Advertisement::sectionsByType(uint8_t type) const {
    std::vector<DataSection> out;
    for (const auto& s : dataSections)
        if (s.type == type) out.push_back(s);
    return out;
}

std::optional<uint64_t> parseAddress(std::string_view text) {
    uint64_t v = 0;
    int digits = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        int d = -1;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else if ((c == ':' || c == '-') && digits > 0 && digits % 2 == 0) continue;
        else return std::nullopt;
        v = (v << 4) | static_cast<uint64_t>(d);
        ++digits;
    }
    if (digits != 12) return std::nullopt;
    return v;
}

std::string formatAddress(uint64_t address) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "%02X:%02X:%02X:%02X:%02X:%02X", static_cast<unsigned>((address >> 40) & 0xFF),
                  static_cast<unsigned>((address >> 32) & 0xFF), static_cast<unsigned>((address >> 24) & 0xFF),
                  static_cast<unsigned>((address >> 16) & 0xFF), static_cast<unsigned>((address >> 8) & 0xFF),
                  static_cast<unsigned>(address & 0xFF));
    return buf;
}

}  // namespace zenu::bluetooth
