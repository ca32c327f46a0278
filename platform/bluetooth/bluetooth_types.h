#pragma once
// Values, enumerations and results of the Bluetooth layer. The numbering follows the
// operating-system interface the control was built for, so the control can log and map the
// numbers it receives unchanged.
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/bluetooth/guid.h"

namespace zenu::bluetooth {

using Bytes = std::vector<uint8_t>;

enum class CommunicationStatus : uint8_t { Success = 0, Unreachable = 1, ProtocolError = 2, AccessDenied = 3 };
enum class CacheMode : uint8_t { Cached = 0, Uncached = 1 };
enum class WriteOption : uint8_t { WriteWithResponse = 0, WriteWithoutResponse = 1 };
// Value of a Client Characteristic Configuration descriptor.
enum class ClientConfig : uint8_t { None = 0, Notify = 1, Indicate = 2 };
enum class ConnectionStatus : uint8_t { Disconnected = 0, Connected = 1 };
enum class AddressType : uint8_t { Public = 0, Random = 1 };

enum class ScanningMode : uint8_t { Passive = 0, Active = 1 };
enum class WatcherStatus : uint8_t { Created = 0, Started = 1, Stopping = 2, Stopped = 3, Aborted = 4 };
enum class AdvertisementType : uint8_t {
    ConnectableUndirected = 0,
    ConnectableDirected = 1,
    ScannableUndirected = 2,
    NonConnectableUndirected = 3,
    ScanResponse = 4,
};
enum class BluetoothErrorCode : uint8_t {
    Success = 0,
    RadioNotAvailable = 1,
    ResourceInUse = 2,
    DeviceNotConnected = 3,
    OtherError = 4,
    DisabledByPolicy = 5,
    NotSupported = 6,
    DisabledByUser = 7,
    ConsentRequired = 8,
    TransportNotSupported = 9,
};

// Characteristic properties as the stack reports them. Reliable writes and writable
// auxiliaries only show once the characteristic's Extended Properties descriptor (0x2900)
// has been discovered.
namespace properties {
inline constexpr uint32_t kBroadcast = 0x001;
inline constexpr uint32_t kRead = 0x002;
inline constexpr uint32_t kWriteWithoutResponse = 0x004;
inline constexpr uint32_t kWrite = 0x008;
inline constexpr uint32_t kNotify = 0x010;
inline constexpr uint32_t kIndicate = 0x020;
inline constexpr uint32_t kAuthenticatedSignedWrites = 0x040;
inline constexpr uint32_t kExtendedProperties = 0x080;
inline constexpr uint32_t kReliableWrites = 0x100;
inline constexpr uint32_t kWritableAuxiliaries = 0x200;
}  // namespace properties

// Pairing kinds are flags; a pairing request names exactly one.
namespace pairing_kinds {
inline constexpr uint32_t kNone = 0;
inline constexpr uint32_t kConfirmOnly = 1;
inline constexpr uint32_t kDisplayPin = 2;
inline constexpr uint32_t kProvidePin = 4;
inline constexpr uint32_t kConfirmPinMatch = 8;
inline constexpr uint32_t kProvidePasswordCredential = 16;
}  // namespace pairing_kinds

enum class PairingStatus : uint8_t {
    Paired = 0,
    NotReadyToPair = 1,
    NotPaired = 2,
    AlreadyPaired = 3,
    ConnectionRejected = 4,
    TooManyConnections = 5,
    HardwareFailure = 6,
    AuthenticationTimeout = 7,
    AuthenticationNotAllowed = 8,
    AuthenticationFailure = 9,
    NoSupportedProfiles = 10,
    ProtectionLevelCouldNotBeMet = 11,
    AccessDenied = 12,
    InvalidCeremonyData = 13,
    PairingCanceled = 14,
    OperationAlreadyInProgress = 15,
    RequiredHandlerNotRegistered = 16,
    RejectedByHandler = 17,
    RemoteDeviceHasAssociation = 18,
    Failed = 19,
};
enum class UnpairingStatus : uint8_t {
    Unpaired = 0,
    AlreadyUnpaired = 1,
    OperationAlreadyInProgress = 2,
    AccessDenied = 3,
    Failed = 4,
};

// Names of the enumerators ("Success", "RadioNotAvailable", ...), and back (exact spelling).
const char* toString(CommunicationStatus v);
const char* toString(BluetoothErrorCode v);
const char* toString(AdvertisementType v);
const char* toString(WatcherStatus v);
const char* toString(PairingStatus v);
const char* toString(UnpairingStatus v);
std::optional<CommunicationStatus> communicationStatusFromString(std::string_view name);
std::optional<BluetoothErrorCode> bluetoothErrorFromString(std::string_view name);
std::optional<AdvertisementType> advertisementTypeFromString(std::string_view name);
std::optional<PairingStatus> pairingStatusFromString(std::string_view name);
// "ConfirmOnly", "DisplayPin", "ProvidePin", "ConfirmPinMatch", "ProvidePasswordCredential".
std::optional<uint32_t> pairingKindFromString(std::string_view name);
const char* pairingKindName(uint32_t kind);

// ---- results of GATT operations: the status and, for ProtocolError, the ATT error byte.
struct GattResult {
    CommunicationStatus status = CommunicationStatus::Success;
    std::optional<uint8_t> protocolError;

    bool ok() const { return status == CommunicationStatus::Success; }
};

struct GattReadResult : GattResult {
    Bytes value;
};
struct GattWriteResult : GattResult {};
struct GattClientConfigResult : GattResult {
    ClientConfig value = ClientConfig::None;
};

class GattService;
class GattCharacteristic;
class GattDescriptor;

struct GattServicesResult : GattResult {
    std::vector<std::shared_ptr<GattService>> services;
};
struct GattCharacteristicsResult : GattResult {
    std::vector<std::shared_ptr<GattCharacteristic>> characteristics;
};
struct GattDescriptorsResult : GattResult {
    std::vector<std::shared_ptr<GattDescriptor>> descriptors;
};

struct PairingResult {
    PairingStatus status = PairingStatus::Failed;
};
struct UnpairingResult {
    UnpairingStatus status = UnpairingStatus::Failed;
};

// One Characteristic Presentation Format (descriptor 0x2904).
struct PresentationFormat {
    uint8_t formatType = 0;
    int8_t exponent = 0;
    uint16_t unit = 0;
    uint8_t nameSpace = 0;
    uint16_t description = 0;

    friend bool operator==(const PresentationFormat&, const PresentationFormat&) = default;
};

struct ValueChangedArgs {
    Bytes value;
    std::chrono::system_clock::time_point timestamp;
};

// ---- adapter and advertisements
struct AdapterInfo {
    uint64_t bluetoothAddress = 0;
    bool lowEnergySupported = true;
};

struct ManufacturerData {
    uint16_t companyId = 0;
    Bytes data;
};

struct DataSection {
    uint8_t type = 0;
    Bytes data;
};

// Section types the stack reads itself.
namespace section_types {
inline constexpr uint8_t kFlags = 0x01;
inline constexpr uint8_t kIncomplete16 = 0x02;
inline constexpr uint8_t kComplete16 = 0x03;
inline constexpr uint8_t kIncomplete32 = 0x04;
inline constexpr uint8_t kComplete32 = 0x05;
inline constexpr uint8_t kIncomplete128 = 0x06;
inline constexpr uint8_t kComplete128 = 0x07;
inline constexpr uint8_t kShortenedName = 0x08;
inline constexpr uint8_t kCompleteName = 0x09;
inline constexpr uint8_t kTxPowerLevel = 0x0A;
inline constexpr uint8_t kSolicitation16 = 0x14;
inline constexpr uint8_t kSolicitation128 = 0x15;
inline constexpr uint8_t kServiceData16 = 0x16;
inline constexpr uint8_t kSolicitation32 = 0x1F;
inline constexpr uint8_t kServiceData32 = 0x20;
inline constexpr uint8_t kServiceData128 = 0x21;
inline constexpr uint8_t kManufacturerData = 0xFF;
}  // namespace section_types

struct Advertisement {
    std::string localName;  // the advertised bytes (normally UTF-8)
    std::vector<Guid> serviceUuids;
    std::vector<ManufacturerData> manufacturerData;
    std::optional<uint8_t> flags;
    // Every section of the payload in the order received, those above included.
    std::vector<DataSection> dataSections;

    std::vector<DataSection> sectionsByType(uint8_t type) const;
};

struct AdvertisementReceivedArgs {
    uint64_t bluetoothAddress = 0;
    AddressType addressType = AddressType::Public;
    int16_t rawSignalStrengthInDBm = 0;
    AdvertisementType advertisementType = AdvertisementType::ConnectableUndirected;
    Advertisement advertisement;
    std::chrono::system_clock::time_point timestamp;
};

// "C4:7F:51:00:10:01", "C4-7F-51-00-10-01" or "C47F51001001" as a 48-bit address.
std::optional<uint64_t> parseAddress(std::string_view text);
// "C4:7F:51:00:10:01".
std::string formatAddress(uint64_t address);

}  // namespace zenu::bluetooth
