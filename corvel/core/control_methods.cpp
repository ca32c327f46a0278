// The methods of the control that talk to a device: their argument, state and
// lookup checks run here, before the Bluetooth link is asked.
#include <cctype>

#include "corvel/core/config_text.h"
#include "corvel/core/control_core.h"
#include "corvel/sig/errors.h"

namespace corvel {

namespace {

bool parseServerAddress(std::string_view id, uint64_t& address)
{
    if (id.size() != 12)
        return false;
    address = 0;
    for (char c : id) {
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return false;
        const int v = std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : (std::toupper(c) - 'A' + 10);
        address = (address << 4) | static_cast<uint64_t>(v);
    }
    return true;
}

// A result of the link as the method's own: its failure becomes the last error.
template <typename T>
Result<T> recorded(ControlCore& core, Result<T> r)
{
    if (!r.ok())
        return Result<T>::fail(core.fail(r.status));
    return r;
}

} // namespace

Status ControlCore::requireConnection()
{
    if (link_->connected())
        return {};
    return fail(kErrNotConnected, text::kNotConnected);
}

Status ControlCore::checkValueTarget(std::string_view serviceId, std::string_view characteristicId,
                                     std::string_view descriptorId, bool postStyle)
{
    if (Status s = requireConnection(); !s.ok())
        return s;
    if (postStyle) {
        if (serviceId.empty() && !characteristicId.empty())
            return fail(kErrBadArgument, text::kMustSupplyServiceId);
        if (characteristicId.empty())
            return fail(kErrBadArgument, text::kMustSupplyCharacteristicId);
    } else {
        if (serviceId.empty())
            return fail(kErrBadArgument, text::kMustSupplyServiceId);
        if (characteristicId.empty())
            return fail(kErrBadArgument, text::kMustSupplyCharacteristicId);
    }
    Result<CharacteristicRecord*> c = findCharacteristic(serviceId, characteristicId);
    if (!c.ok())
        return c.status;
    if (!descriptorId.empty() && !c.value->findDescriptor(descriptorId))
        return fail(kErrNotFound, "No descriptor with the ID \"" + std::string(descriptorId) +
                                      "\" has been discovered for the characteristic with ID \"" + c.value->id +
                                      "\".");
    return {};
}

// The index methods check the connection first: without one the arrays are empty and
// an index error would hide the real reason.
Result<bool> ControlCore::checkCharacteristicSubscribed(int32_t index)
{
    if (Status s = requireConnection(); !s.ok())
        return Result<bool>::fail(s);
    Result<CharacteristicRecord*> c = characteristicAt(index);
    if (!c.ok())
        return Result<bool>::fail(c.status);
    return recorded(*this, link_->readSubscription(selectedService_, c.value->id));
}

Status ControlCore::connect(std::string_view serverIdArg)
{
    const std::string id(trimBlanks(serverIdArg));
    if (id.empty())
        return {};
    if (link_->deviceHeld() && link_->connected() && equalsNoCase(id, serverId_))
        return {};
    uint64_t address = 0;
    if (!parseServerAddress(id, address))
        return fail(kErrBadArgument, "Server ID \"" + id + "\" is not an address of 12 hexadecimal digits.");
    if (link_->scanning())
        if (Status s = stopScanning(); !s.ok())
            return s;
    if (link_->deviceHeld())
        if (Status s = disconnect(); !s.ok())
            return s;
    serverId_ = serverIdFromAddress(address);
    Status s = link_->connect(address, serverId_);
    if (!s.ok()) {
        if (s.code == kErrConnectionFailed) {
            log(1, logtype::kConnection, s.text);
            if (sink_)
                sink_->onConnected(static_cast<int16_t>(kErrConnectionFailed), s.text);
        }
        return fail(s);
    }
    log(1, logtype::kConnection, "Successfully connected to server ID " + serverId_ + ".");
    if (sink_)
        sink_->onConnected(0, "OK");
    link_->connectedFired();
    return {};
}

Status ControlCore::disconnect()
{
    if (!link_->deviceHeld())
        return {};
    log(1, logtype::kConnection, "Disconnecting from server ID " + serverId_ + ".");
    clearTree();
    Status s = link_->disconnect();
    if (!s.ok())
        return fail(s);
    log(1, logtype::kConnection, "Disconnected from server ID " + serverId_ + ".");
    if (sink_)
        sink_->onDisconnected(0, "OK");
    return {};
}

Status ControlCore::discoverServices(std::string_view serviceUuids, std::string_view includedByServiceId)
{
    if (Status s = requireConnection(); !s.ok())
        return s;
    Result<std::vector<Uuid>> filter = parseUuidList(serviceUuids);
    if (!filter.ok())
        return fail(filter.status);
    if (!includedByServiceId.empty())
        if (Result<ServiceRecord*> s = findService(includedByServiceId); !s.ok())
            return s.status;
    return fail(link_->discoverServices(filter.value, std::string(includedByServiceId)));
}

Status ControlCore::discoverCharacteristics(std::string_view serviceId, std::string_view characteristicUuids)
{
    if (Status s = requireConnection(); !s.ok())
        return s;
    Result<std::vector<Uuid>> filter = parseUuidList(characteristicUuids);
    if (!filter.ok())
        return fail(filter.status);
    Result<ServiceRecord*> s = findService(serviceId);
    if (!s.ok())
        return s.status;
    return fail(link_->discoverCharacteristics(s.value->id, filter.value));
}

Status ControlCore::discoverDescriptors(std::string_view serviceId, std::string_view characteristicId)
{
    if (Status s = requireConnection(); !s.ok())
        return s;
    ServiceRecord* svc = nullptr;
    Result<CharacteristicRecord*> c = findCharacteristic(serviceId, characteristicId, &svc);
    if (!c.ok())
        return c.status;
    return fail(link_->discoverDescriptors(svc->id, c.value->id));
}

Status ControlCore::discover(std::string_view serviceUuids, std::string_view characteristicUuids, bool descriptors,
                             std::string_view includedByServiceId)
{
    if (Status s = requireConnection(); !s.ok())
        return s;
    if (!includedByServiceId.empty())
        if (Result<ServiceRecord*> s = findService(includedByServiceId); !s.ok())
            return s.status;
    Result<std::vector<Uuid>> services = parseUuidList(serviceUuids);
    if (!services.ok())
        return fail(services.status);
    Result<std::vector<Uuid>> characteristics = parseUuidList(characteristicUuids);
    if (!characteristics.ok())
        return fail(characteristics.status);
    return fail(link_->discover(services.value, characteristics.value, descriptors, std::string(includedByServiceId)));
}

void ControlCore::doEvents()
{
    // One step; whatever ended it, DoEvents reports success.
    hostLoop_.waitStep(settings_.selectWaitMillis > 0 ? settings_.selectWaitMillis : 0);
}

Status ControlCore::postValue(std::string_view serviceId, std::string_view characteristicId, const std::string& value)
{
    if (Status s = checkValueTarget(serviceId, characteristicId, "", true); !s.ok())
        return s;
    return fail(link_->writeValue(std::string(serviceId), std::string(characteristicId), "", value, false));
}

Result<std::string> ControlCore::queryCharacteristicCachedVal(int32_t index)
{
    if (Status s = requireConnection(); !s.ok())
        return Result<std::string>::fail(s);
    Result<CharacteristicRecord*> c = characteristicAt(index);
    if (!c.ok())
        return Result<std::string>::fail(c.status);
    return recorded(*this, link_->readValue(selectedService_, c.value->id, "", true));
}

Result<std::string> ControlCore::queryDescriptorCachedVal(int32_t index)
{
    if (Status s = requireConnection(); !s.ok())
        return Result<std::string>::fail(s);
    Result<DescriptorRecord*> d = descriptorAt(index);
    if (!d.ok())
        return Result<std::string>::fail(d.status);
    return recorded(*this, link_->readValue(selectedService_, selectedCharacteristic_, d.value->id, true));
}

Result<std::string> ControlCore::readValue(std::string_view serviceId, std::string_view characteristicId,
                                           std::string_view descriptorId)
{
    if (Status s = checkValueTarget(serviceId, characteristicId, descriptorId, false); !s.ok())
        return Result<std::string>::fail(s);
    return recorded(*this, link_->readValue(std::string(serviceId), std::string(characteristicId),
                                            std::string(descriptorId), false));
}

Status ControlCore::startScanning(std::string_view serviceUuids)
{
    if (link_->scanning())
        return {};
    // A malformed UUID fails before anything is asked of the system.
    Result<std::vector<Uuid>> filter = parseUuidList(serviceUuids);
    if (!filter.ok())
        return fail(filter.status);
    return fail(link_->startScanning(filter.value, activeScanning_));
}

Status ControlCore::stopScanning()
{
    if (!link_->scanning())
        return {};
    return fail(link_->stopScanning());
}

Status ControlCore::subscribe(std::string_view serviceId, std::string_view characteristicId)
{
    if (Status s = requireConnection(); !s.ok())
        return s;
    ServiceRecord* svc = nullptr;
    Result<CharacteristicRecord*> c = findCharacteristic(serviceId, characteristicId, &svc);
    if (!c.ok())
        return c.status;
    return fail(link_->setSubscription(svc->id, c.value->id, true));
}

Status ControlCore::unsubscribe(std::string_view serviceId, std::string_view characteristicId)
{
    if (Status s = requireConnection(); !s.ok())
        return s;
    if (serviceId.empty() && !characteristicId.empty())
        return fail(kErrBadArgument, text::kMustSupplyServiceId);
    if (!serviceId.empty() && !characteristicId.empty()) {
        ServiceRecord* svc = nullptr;
        Result<CharacteristicRecord*> c = findCharacteristic(serviceId, characteristicId, &svc);
        if (!c.ok())
            return c.status;
        return fail(link_->setSubscription(svc->id, c.value->id, false));
    }
    std::vector<ServiceRecord*> services;
    if (!serviceId.empty()) {
        Result<ServiceRecord*> s = findService(serviceId);
        if (!s.ok())
            return s.status;
        services.push_back(s.value);
    } else {
        for (ServiceRecord& s : tree_.services())
            services.push_back(&s);
    }
    // Ids are collected first: the link may fire events whose handlers change the tree.
    std::vector<std::pair<std::string, std::string>> targets;
    for (ServiceRecord* s : services)
        for (const CharacteristicRecord& c : s->characteristics)
            if (c.canSubscribe())
                targets.emplace_back(s->id, c.id);
    for (const auto& [svc, chr] : targets)
        if (Status st = link_->setSubscription(svc, chr, false); !st.ok())
            return fail(st);
    return {};
}

Status ControlCore::writeValue(std::string_view serviceId, std::string_view characteristicId,
                               std::string_view descriptorId, const std::string& value)
{
    if (Status s = checkValueTarget(serviceId, characteristicId, descriptorId, false); !s.ok())
        return s;
    return fail(link_->writeValue(std::string(serviceId), std::string(characteristicId), std::string(descriptorId),
                                  value, true));
}

} // namespace corvel
