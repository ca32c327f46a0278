#pragma once
// What BlueZ's D-Bus API says, in the layer's terms: handles from object paths, characteristic
// flags, error names turned into statuses and ATT codes, and the messages for a BlueZ that
// cannot be used. Free of D-Bus so that it can be checked on its own.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/bluetooth/bluetooth_types.h"

namespace zenu::bluetooth::bluez {

inline constexpr const char* kService = "org.bluez";
inline constexpr const char* kAdapterIface = "org.bluez.Adapter1";
inline constexpr const char* kDeviceIface = "org.bluez.Device1";
inline constexpr const char* kGattServiceIface = "org.bluez.GattService1";
inline constexpr const char* kGattCharIface = "org.bluez.GattCharacteristic1";
inline constexpr const char* kGattDescIface = "org.bluez.GattDescriptor1";
inline constexpr const char* kAgentManagerIface = "org.bluez.AgentManager1";
inline constexpr const char* kAgentIface = "org.bluez.Agent1";

// The handle in the last element of a GATT object path: "service000a", "char000b" and
// "desc000d" give 0x000A, 0x000B and 0x000D; anything else nothing.
std::optional<uint16_t> handleFromPath(std::string_view path);
// "/org/bluez/hci0" and 0xC47F51001001 give "/org/bluez/hci0/dev_C4_7F_51_00_10_01".
std::string devicePath(std::string_view adapterPath, uint64_t address);

// GattCharacteristic1.Flags as properties:: bits (flags BlueZ adds on top, such as
// "encrypt-read", have no bit).
uint32_t propertiesFromFlags(const std::vector<std::string>& flags);

// A failed GATT call (D-Bus error name and message) as the layer's result.
GattResult gattResultFromError(std::string_view name, std::string_view message);
PairingStatus pairingStatusFromError(std::string_view name);
BluetoothErrorCode watcherErrorFromError(std::string_view name);

// Why BlueZ cannot be used, for a failed call to org.bluez when the bus itself was reached.
std::string unusableBluezMessage(std::string_view errorName, std::string_view message);
std::string noBusMessage(std::string_view busAddress, std::string_view reason);
std::string noAdapterMessage();
std::string poweredOffMessage(std::string_view adapterPath);

// A Characteristic Presentation Format value (7 bytes).
std::optional<PresentationFormat> parsePresentationFormat(const Bytes& value);

// The sections of an advertisement as far as BlueZ's parsed properties tell them: name, service
// UUIDs, Tx power, service data and manufacturer data, in that order. Flags, solicitations and
// section types BlueZ does not parse are not observable on BlueZ 5.66.
struct AdvertisedProperties {
    std::optional<std::string> name;
    std::vector<Guid> uuids;
    std::optional<int16_t> txPower;
    std::vector<std::pair<Guid, Bytes>> serviceData;
    std::vector<ManufacturerData> manufacturerData;
};
Advertisement advertisementFrom(const AdvertisedProperties& p);

}  // namespace zenu::bluetooth::bluez
