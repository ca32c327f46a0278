#pragma once
// The GATT object tree of the connected server: services in discovery order,
// their characteristics, and the characteristics' descriptors.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "corvel/sig/status.h"
#include "corvel/sig/uuid.h"
#include "corvel/sig/value_format.h"

namespace corvel {

// Characteristic flag bits as the control reports them.
namespace flag {
inline constexpr uint16_t kBroadcast = 0x001;
inline constexpr uint16_t kRead = 0x002;
inline constexpr uint16_t kWriteWithoutResponse = 0x004;
inline constexpr uint16_t kWrite = 0x008;
inline constexpr uint16_t kNotify = 0x010;
inline constexpr uint16_t kIndicate = 0x020;
inline constexpr uint16_t kAuthenticatedSignedWrites = 0x040;
inline constexpr uint16_t kReliableWrites = 0x080;
inline constexpr uint16_t kWritableAuxiliaries = 0x100;
} // namespace flag

// The operating system's property bits: reliable writes 0x100, writable
// auxiliaries 0x200, extended properties 0x080 (dropped).
uint16_t flagsFromOsProperties(uint32_t osBits);

// "R,W,N" style letters of the set bits, in bit order.
std::string flagLetters(uint16_t flags);

// "%04X%04X%04X" from the three handles; error 202 for a zero service handle
// or a descriptor handle without a characteristic handle.
Result<std::string> makeGattId(uint16_t serviceHandle, uint16_t characteristicHandle, uint16_t descriptorHandle);

struct DescriptorRecord {
    std::string id;
    std::optional<Uuid> uuid;
};

// Descriptor kinds whose discovery a characteristic remembers (ensured once).
enum class EnsuredKind : uint8_t {
    ExtendedProperties = 1,
    UserDescription = 2,
    Cccd = 4,
    PresentationFormats = 8,   // 0x2904
    AggregateFormats = 16,     // 0x2905
};

struct CharacteristicRecord {
    std::string id;
    std::optional<Uuid> uuid;
    uint16_t flags = 0;                 // control bits, once read
    bool flagsRead = false;
    std::string userDescription;        // bytes as the device reports them
    int subscribed = -1;                // -1 none recorded, 0 off, 1 on
    std::vector<PresentationFormat> formats;
    int formatIndex = -1;               // 0 once formats exist, -1 without
    uint8_t ensured = 0;                // EnsuredKind bits
    std::vector<DescriptorRecord> descriptors;

    bool canSubscribe() const { return (flags & (flag::kNotify | flag::kIndicate)) != 0; }
    const PresentationFormat* currentFormat() const;
    const DescriptorRecord* findDescriptor(std::string_view id) const;
};

struct ServiceRecord {
    std::string id;
    std::optional<Uuid> uuid;
    std::vector<std::string> includedIds;
    std::vector<std::string> parentIds;
    std::vector<CharacteristicRecord> characteristics;

    CharacteristicRecord* findCharacteristic(std::string_view id);
    const CharacteristicRecord* findCharacteristic(std::string_view id) const;
};

class GattTree {
public:
    std::vector<ServiceRecord>& services() { return services_; }
    const std::vector<ServiceRecord>& services() const { return services_; }

    // Ids compare exactly: the control hands out upper-case Ids and hosts
    // give them back unchanged.
    ServiceRecord* findService(std::string_view id);
    const ServiceRecord* findService(std::string_view id) const;

    // Appends a service with this Id unless present; returns it and whether it is new.
    std::pair<ServiceRecord*, bool> addService(const std::string& id, const Uuid& uuid);

    void clear() { services_.clear(); }

    // The "GattObjTreeInfo" text: header and one CR LF ended line per object.
    std::string dump() const;

private:
    std::vector<ServiceRecord> services_;
};

std::string joinIds(const std::vector<std::string>& ids);

} // namespace corvel
