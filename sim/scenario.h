#pragma once
// What a simulated stack simulates: the adapter, the devices with their advertising, GATT
// database, pairing and link latency, and timed events. Filled from a scenario file
// (scenario_json.h) or built directly in C++ (tests).
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/bluetooth/bluetooth_types.h"
#include "sim/gauge_def.h"

namespace zenu::sim {

using bluetooth::Bytes;
using bluetooth::Guid;

// Link latency in milliseconds per kind of operation. Unset fields fall back to the next
// level out: attribute, service, device, scenario, then the built-in defaults.
struct Latency {
    std::optional<int> connect;      // opening the link (first GATT request) and reopening it
    std::optional<int> discovery;    // services, included services, characteristics, descriptors
    std::optional<int> read;
    std::optional<int> write;
    std::optional<int> cccd;         // reading and writing the client configuration
    std::optional<int> pair;
    std::optional<int> cached;       // answers from the stack's cache (no link needed)
    std::optional<int> notify;       // a notified value travelling to the client
    std::optional<int> unreachable;  // how long a request to an absent device takes to fail
    std::optional<int> device;       // getting the device object by address
};

enum class LatencyKind { Connect, Discovery, Read, Write, Cccd, Pair, Cached, Notify, Unreachable, Device };
std::optional<int> latencyField(const Latency& l, LatencyKind kind);
int defaultLatency(LatencyKind kind);

// Operations an error can be injected into.
enum class ErrorOp { Discover, Read, Write, CccdRead, CccdWrite };

// An injected failure: the status, with an ATT error byte for ProtocolError; `times` = how
// many requests fail before the attribute behaves again (-1: all of them).
struct InjectedError {
    bluetooth::CommunicationStatus status = bluetooth::CommunicationStatus::ProtocolError;
    uint8_t code = 0;
    int times = -1;
};
using ErrorMap = std::map<ErrorOp, InjectedError>;

struct DescriptorDef {
    uint16_t handle = 0;  // 0: next free handle
    Guid uuid;
    Bytes value;
    bool writable = false;
    ErrorMap errors;
    Latency latency;
};

struct CharacteristicDef {
    uint16_t handle = 0;
    Guid uuid;
    // bluetooth::properties bits; ReliableWrites and WritableAuxiliaries give the
    // characteristic an Extended Properties descriptor (0x2900).
    uint32_t properties = 0;
    Bytes value;
    std::optional<std::string> userDescription;  // adds a User Description descriptor (0x2901)
    std::vector<bluetooth::PresentationFormat> formats;  // one 0x2904 descriptor each
    // Explicit descriptors. A notifiable characteristic without a 0x2902 gets one.
    std::vector<DescriptorDef> descriptors;
    ErrorMap errors;
    Latency latency;
};

struct ServiceDef {
    uint16_t handle = 0;
    Guid uuid;
    bool primary = true;             // secondary services are only reachable as included ones
    std::vector<uint16_t> includes;  // handles of included services (cycles allowed)
    std::vector<CharacteristicDef> characteristics;
    ErrorMap errors;                 // Discover: characteristic and included-service discovery
    Latency latency;
};

struct GattDef {
    std::vector<ServiceDef> services;
    ErrorMap errors;  // Discover: service discovery on the device
};

struct ServiceDataEntry {
    Guid uuid;
    Bytes data;
};

// The fields of one advertising payload; the stack builds the data sections from them in a
// fixed order (flags, service UUIDs, name, Tx power, solicitations, service data,
// manufacturer data) and appends rawSections unchanged.
struct AdvertisingData {
    std::optional<std::string> name;
    bool shortenedName = false;
    std::optional<uint8_t> flags;
    std::optional<int8_t> txPower;
    std::vector<Guid> serviceUuids;
    std::vector<Guid> solicitations;
    std::vector<ServiceDataEntry> serviceData;
    std::vector<bluetooth::ManufacturerData> manufacturerData;
    std::vector<bluetooth::DataSection> rawSections;
};

struct AdvertisingDef {
    bool enabled = true;
    AdvertisingData data;
    std::optional<AdvertisingData> scanResponse;  // sent to active scanners only
    bluetooth::AdvertisementType type = bluetooth::AdvertisementType::ConnectableUndirected;
    bluetooth::AddressType addressType = bluetooth::AddressType::Public;
    int16_t rssi = -60;
    int rssiJitter = 0;  // +/- dBm, deterministic per watcher
    int intervalMs = 100;
};

struct PairingDef {
    bool canPair = false;
    uint32_t kind = bluetooth::pairing_kinds::kConfirmOnly;  // the ceremony the device asks for
    std::string pin;  // shown (DisplayPin, ConfirmPinMatch) or expected (ProvidePin)
    bool paired = false;
    std::optional<bluetooth::PairingStatus> result;  // forces this outcome, without a ceremony
    int timeoutMs = 30000;  // an unanswered request ends as AuthenticationTimeout
};

enum class EventType { Notify, Offline, Online, Name, ServicesChanged, RadioOff, RadioOn, Advertising };
// What a timed event's time counts from: the stack's start, the device object being
// obtained (each time anew), or the first subscription after that.
enum class EventFrom { Start, Connect, Subscribe };

struct TimedEvent {
    EventType type = EventType::Notify;
    EventFrom from = EventFrom::Connect;
    int atMs = 0;
    int everyMs = 0;  // > 0: repeats
    int count = 1;    // occurrences when repeating (-1: while the stack runs)
    uint64_t address = 0;  // scenario-level events name their device
    uint16_t handle = 0;   // Notify
    std::vector<Bytes> values;  // Notify: one value per occurrence, cycling
    std::string name;           // Name
    std::vector<ServiceDef> addServices;      // ServicesChanged
    std::vector<uint16_t> removeServices;      // ServicesChanged
    bluetooth::BluetoothErrorCode error = bluetooth::BluetoothErrorCode::RadioNotAvailable;  // RadioOff
    bool enabled = true;  // Advertising
};

struct DeviceDef {
    uint64_t address = 0;
    std::string name;  // the device object's name (and the advertised one unless that is set)
    bool online = true;
    // false: the device only advertises; every request to it ends as Unreachable.
    bool connectable = true;
    AdvertisingDef advertising;
    GattDef gatt;
    PairingDef pairing;
    Latency latency;
    std::vector<TimedEvent> events;
    std::optional<GaugeDef> gauge;  // a gauge: its GATT layout comes first, `gatt` is added
};

struct AdapterDef {
    bool present = true;
    bool lowEnergy = true;
    uint64_t address = 0x001A7DDA7113;
    bool radioOn = true;
    int scanStartDelayMs = 5;
    int scanStopDelayMs = 5;
    // Start ends in Aborted with this error instead of scanning.
    std::optional<bluetooth::BluetoothErrorCode> scanAbort;
};

struct Scenario {
    std::string source;  // file name, for descriptions and messages
    AdapterDef adapter;
    Latency latency;
    std::vector<DeviceDef> devices;
    std::vector<TimedEvent> events;
};

}  // namespace zenu::sim
