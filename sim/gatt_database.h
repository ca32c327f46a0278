#pragma once
// The GATT database of one simulated device, server side: services, characteristics and
// descriptors with their handles and values, the descriptors a characteristic implies
// (extended properties, user description, client configuration, presentation formats), and
// the errors injected into them.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/scenario.h"

namespace zenu::sim {

namespace uuids {
inline const Guid kExtendedProperties = Guid::sig(0x2900);
inline const Guid kUserDescription = Guid::sig(0x2901);
inline const Guid kClientConfig = Guid::sig(0x2902);
inline const Guid kPresentationFormat = Guid::sig(0x2904);
inline const Guid kAggregateFormat = Guid::sig(0x2905);
}  // namespace uuids

// The seven bytes of a Presentation Format descriptor, and back.
Bytes presentationFormatBytes(const bluetooth::PresentationFormat& f);
std::optional<bluetooth::PresentationFormat> presentationFormatFromBytes(const Bytes& b);

class GattDatabase {
public:
    // Gives handle 0 the next free handle (in declaration order), adds the implied
    // descriptors, sorts everything by handle and checks that handles are unique and that
    // included services exist. False with a message on failure.
    bool build(std::vector<ServiceDef> services, std::string* error);
    // Adds services (the same rules, free handles above the highest in use) and returns the
    // handle range they take; removes the services with these handles.
    bool addServices(std::vector<ServiceDef> services, std::string* error, uint16_t* first, uint16_t* last);
    void removeServices(const std::vector<uint16_t>& handles, uint16_t* first, uint16_t* last);

    const std::vector<ServiceDef>& services() const { return services_; }
    ServiceDef* service(uint16_t handle);
    CharacteristicDef* characteristic(uint16_t handle, ServiceDef** owner = nullptr);
    DescriptorDef* descriptor(uint16_t handle, CharacteristicDef** owner = nullptr);
    DescriptorDef* descriptorOf(CharacteristicDef& c, const Guid& uuid);
    uint16_t maxHandle() const;

    // The client configuration of a characteristic (0 when it has none).
    uint16_t clientConfig(uint16_t characteristicHandle);
    void setClientConfig(CharacteristicDef& c, uint16_t value);
    void resetClientConfigs();

    // The properties as a client sees them: the declaration's, with the extended ones only
    // when the Extended Properties descriptor is among `discovered`.
    static uint32_t declaredProperties(const CharacteristicDef& c);
    static uint32_t extendedProperties(const CharacteristicDef& c);

    // Takes one strike of an injected error, if any is left.
    static std::optional<InjectedError> takeError(ErrorMap& errors, ErrorOp op);

private:
    bool prepare(std::vector<ServiceDef>& services, uint16_t next, std::string* error);

    std::vector<ServiceDef> services_;
};

}  // namespace zenu::sim
