#include "sim/sim_gatt_objects.h"

namespace zenu::sim {

using namespace bluetooth;

namespace {

constexpr uint8_t kInvalidHandle = 0x01;
constexpr uint8_t kReadNotPermitted = 0x02;
constexpr uint8_t kWriteNotPermitted = 0x03;
constexpr uint8_t kAttributeNotFound = 0x0A;
constexpr uint8_t kInvalidLength = 0x0D;
constexpr uint8_t kCccdImproperlyConfigured = 0xFD;
constexpr std::size_t kMaxAttributeLength = 512;

template <typename R>
R protocolError(uint8_t code) {
    R r{};
    r.status = CommunicationStatus::ProtocolError;
    r.protocolError = code;
    return r;
}

// The result of an injected error, if one strikes.
template <typename R>
std::optional<R> injected(ErrorMap& errors, ErrorOp op) {
    auto e = GattDatabase::takeError(errors, op);
    if (!e) return std::nullopt;
    R r{};
    r.status = e->status;
    if (e->status == CommunicationStatus::ProtocolError) r.protocolError = e->code;
    return r;
}

// The configuration bits a characteristic supports.
bool configSupported(const CharacteristicDef& c, uint16_t value) {
    const uint32_t p = GattDatabase::declaredProperties(c);
    if ((value & 1) && !(p & properties::kNotify)) return false;
    if ((value & 2) && !(p & properties::kIndicate)) return false;
    return (value & ~3u) == 0;
}

ClientConfig configOf(uint16_t v) {
    if (v & 1) return ClientConfig::Notify;
    if (v & 2) return ClientConfig::Indicate;
    return ClientConfig::None;
}

// The latency of a request on an attribute, innermost setting first.
int attributeLatency(World& w, uint64_t address, LatencyKind kind, uint16_t handle) {
    std::lock_guard lock(w.m);
    DeviceState* d = w.find(address);
    if (!d) return 0;
    ServiceDef* s = d->db.service(handle);
    CharacteristicDef* owner = nullptr;
    if (DescriptorDef* desc = d->db.descriptor(handle, &owner)) {
        ServiceDef* os = nullptr;
        d->db.characteristic(owner->handle, &os);
        return w.latency(*d, kind, {&desc->latency, &owner->latency, os ? &os->latency : nullptr});
    }
    if (CharacteristicDef* c = d->db.characteristic(handle, &s)) return w.latency(*d, kind, {&c->latency, &s->latency});
    if (s) return w.latency(*d, kind, {&s->latency});
    return w.latency(*d, kind);
}

bool cachedValue(World& w, uint64_t address, uint16_t handle) {
    std::lock_guard lock(w.m);
    DeviceState* d = w.find(address);
    return d && d->clientCache.count(handle);
}

// What a read finds at an attribute (looked up under the world's lock).
struct ReadTarget {
    const Bytes* stored = nullptr;  // none: no attribute with the handle
    ErrorMap* errors = nullptr;
    uint8_t refusal = 0;           // the ATT error that refuses the read, 0 when it is allowed
    bool behaviourReads = true;    // the device's behaviour may supply the value
};

// A read of a characteristic or descriptor value: from the client's cache, or from the
// device (an injected error, a refusal, the behaviour's value, else the stored one).
Async<GattReadResult> readAttribute(SimDevice& device, uint16_t handle, CacheMode mode,
                                    std::function<ReadTarget(DeviceState&)> target) {
    World& w = device.world();
    const uint64_t address = device.bluetoothAddress();
    const bool fromCache = mode == CacheMode::Cached && cachedValue(w, address, handle);
    const int ms = attributeLatency(w, address, fromCache ? LatencyKind::Cached : LatencyKind::Read, handle);
    return w.request<GattReadResult>(device, ms, !fromCache, [&w, handle, fromCache, target](DeviceState& d, Pending& pending) {
        const ReadTarget t = target(d);
        if (!t.stored) return protocolError<GattReadResult>(kInvalidHandle);
        GattReadResult r;
        if (fromCache) {
            auto it = d.clientCache.find(handle);
            r.value = it != d.clientCache.end() ? it->second : *t.stored;
            return r;
        }
        if (auto e = injected<GattReadResult>(*t.errors, ErrorOp::Read)) return *e;
        if (t.refusal) return protocolError<GattReadResult>(t.refusal);
        std::optional<Bytes> supplied;
        if (d.behaviour && t.behaviourReads)
            w.withContext(d, pending, [&](DeviceContext& ctx) { supplied = d.behaviour->onRead(ctx, handle); });
        r.value = supplied ? *supplied : *t.stored;
        d.clientCache[handle] = r.value;
        return r;
    });
}

}  // namespace

// ---- services

Async<GattServicesResult> SimService::included(std::optional<Guid> uuid, CacheMode mode) {
    const bool cached = mode == CacheMode::Cached;
    const int ms = attributeLatency(device_->world(), device_->bluetoothAddress(),
                                    cached ? LatencyKind::Cached : LatencyKind::Discovery, handle_);
    auto device = device_;
    const uint16_t handle = handle_;
    return device_->world().request<GattServicesResult>(
        *device_, ms, !cached, [device, handle, uuid, cached](DeviceState& d, Pending&) {
            ServiceDef* s = d.db.service(handle);
            if (!s) return protocolError<GattServicesResult>(kInvalidHandle);
            if (!cached)
                if (auto e = injected<GattServicesResult>(s->errors, ErrorOp::Discover)) return *e;
            GattServicesResult r;
            for (uint16_t inc : s->includes)
                if (ServiceDef* t = d.db.service(inc); t && (!uuid || t->uuid == *uuid))
                    r.services.push_back(device->serviceObject(*t));
            return r;
        });
}

Async<GattServicesResult> SimService::getIncludedServicesAsync(CacheMode mode) { return included(std::nullopt, mode); }
Async<GattServicesResult> SimService::getIncludedServicesForUuidAsync(const Guid& uuid, CacheMode mode) {
    return included(uuid, mode);
}

Async<GattCharacteristicsResult> SimService::characteristics(std::optional<Guid> uuid, CacheMode mode) {
    const bool cached = mode == CacheMode::Cached;
    const int ms = attributeLatency(device_->world(), device_->bluetoothAddress(),
                                    cached ? LatencyKind::Cached : LatencyKind::Discovery, handle_);
    auto device = device_;
    const uint16_t handle = handle_;
    return device_->world().request<GattCharacteristicsResult>(
        *device_, ms, !cached, [device, handle, uuid, cached](DeviceState& d, Pending&) {
            ServiceDef* s = d.db.service(handle);
            if (!s) return protocolError<GattCharacteristicsResult>(kInvalidHandle);
            if (!cached)
                if (auto e = injected<GattCharacteristicsResult>(s->errors, ErrorOp::Discover)) return *e;
            GattCharacteristicsResult r;
            for (const auto& c : s->characteristics)
                if (!uuid || c.uuid == *uuid) r.characteristics.push_back(device->characteristicObject(*s, c));
            return r;
        });
}

Async<GattCharacteristicsResult> SimService::getCharacteristicsAsync(CacheMode mode) {
    return characteristics(std::nullopt, mode);
}
Async<GattCharacteristicsResult> SimService::getCharacteristicsForUuidAsync(const Guid& uuid, CacheMode mode) {
    return characteristics(uuid, mode);
}

// ---- characteristics

uint32_t SimCharacteristic::characteristicProperties() const {
    World& w = device_->world();
    std::lock_guard lock(w.m);
    DeviceState* d = w.find(device_->bluetoothAddress());
    CharacteristicDef* c = d ? d->db.characteristic(handle_) : nullptr;
    if (!c) return 0;
    uint32_t p = GattDatabase::declaredProperties(*c);
    const DescriptorDef* ext = d->db.descriptorOf(*c, uuids::kExtendedProperties);
    if (ext && d->discoveredDescriptors.count(ext->handle)) p |= GattDatabase::extendedProperties(*c);
    return p;
}

std::string SimCharacteristic::userDescription() const {
    World& w = device_->world();
    std::lock_guard lock(w.m);
    DeviceState* d = w.find(device_->bluetoothAddress());
    CharacteristicDef* c = d ? d->db.characteristic(handle_) : nullptr;
    const DescriptorDef* desc = c ? d->db.descriptorOf(*c, uuids::kUserDescription) : nullptr;
    if (!desc || !d->discoveredDescriptors.count(desc->handle)) return {};
    return std::string(desc->value.begin(), desc->value.end());
}

std::vector<PresentationFormat> SimCharacteristic::presentationFormats() const {
    World& w = device_->world();
    std::lock_guard lock(w.m);
    std::vector<PresentationFormat> out;
    DeviceState* d = w.find(device_->bluetoothAddress());
    CharacteristicDef* c = d ? d->db.characteristic(handle_) : nullptr;
    if (!c) return out;
    for (const auto& desc : c->descriptors)
        if (desc.uuid == uuids::kPresentationFormat && d->discoveredDescriptors.count(desc.handle))
            if (auto f = presentationFormatFromBytes(desc.value)) out.push_back(*f);
    return out;
}

Async<GattDescriptorsResult> SimCharacteristic::descriptors(std::optional<Guid> uuid, CacheMode mode) {
    const bool cached = mode == CacheMode::Cached;
    const int ms = attributeLatency(device_->world(), device_->bluetoothAddress(),
                                    cached ? LatencyKind::Cached : LatencyKind::Discovery, handle_);
    auto device = device_;
    const uint16_t handle = handle_;
    return device_->world().request<GattDescriptorsResult>(
        *device_, ms, !cached, [device, handle, uuid, cached](DeviceState& d, Pending&) {
            CharacteristicDef* c = d.db.characteristic(handle);
            if (!c) return protocolError<GattDescriptorsResult>(kInvalidHandle);
            if (!cached)
                if (auto e = injected<GattDescriptorsResult>(c->errors, ErrorOp::Discover)) return *e;
            GattDescriptorsResult r;
            for (const auto& desc : c->descriptors)
                if (!uuid || desc.uuid == *uuid) {
                    r.descriptors.push_back(device->descriptorObject(*c, desc));
                    d.discoveredDescriptors.insert(desc.handle);
                }
            return r;
        });
}

Async<GattDescriptorsResult> SimCharacteristic::getDescriptorsAsync(CacheMode mode) {
    return descriptors(std::nullopt, mode);
}
Async<GattDescriptorsResult> SimCharacteristic::getDescriptorsForUuidAsync(const Guid& uuid, CacheMode mode) {
    return descriptors(uuid, mode);
}

Async<GattReadResult> SimCharacteristic::readValueAsync(CacheMode mode) {
    const uint16_t handle = handle_;
    return readAttribute(*device_, handle, mode, [handle](DeviceState& d) {
        ReadTarget t;
        if (CharacteristicDef* c = d.db.characteristic(handle)) {
            t.stored = &c->value;
            t.errors = &c->errors;
            if (!(GattDatabase::declaredProperties(*c) & properties::kRead)) t.refusal = kReadNotPermitted;
        }
        return t;
    });
}

Async<GattWriteResult> SimCharacteristic::writeValueWithResultAsync(const Bytes& value, WriteOption option) {
    World& w = device_->world();
    const int ms = attributeLatency(w, device_->bluetoothAddress(), LatencyKind::Write, handle_);
    const uint16_t handle = handle_;
    return w.request<GattWriteResult>(*device_, ms, true, [&w, handle, value, option](DeviceState& d, Pending& pending) {
        CharacteristicDef* c = d.db.characteristic(handle);
        if (!c) return protocolError<GattWriteResult>(kInvalidHandle);
        if (auto e = injected<GattWriteResult>(c->errors, ErrorOp::Write)) return *e;
        const uint32_t p = GattDatabase::declaredProperties(*c);
        const uint32_t needed =
            option == WriteOption::WriteWithResponse ? properties::kWrite : properties::kWriteWithoutResponse;
        if (!(p & needed)) return protocolError<GattWriteResult>(kWriteNotPermitted);
        if (value.size() > kMaxAttributeLength) return protocolError<GattWriteResult>(kInvalidLength);
        std::optional<uint8_t> refused;
        if (d.behaviour)
            w.withContext(d, pending, [&](DeviceContext& ctx) {
                refused = d.behaviour->onWrite(ctx, handle, value, option == WriteOption::WriteWithResponse);
            });
        if (refused) return protocolError<GattWriteResult>(*refused);
        c->value = value;
        d.clientCache[handle] = value;
        d.stats.writes.push_back(value);
        return GattWriteResult{};
    });
}

Async<GattWriteResult> SimCharacteristic::writeClientCharacteristicConfigurationDescriptorWithResultAsync(
    ClientConfig config) {
    World& w = device_->world();
    const int ms = attributeLatency(w, device_->bluetoothAddress(), LatencyKind::Cccd, handle_);
    const uint16_t handle = handle_;
    const auto value = static_cast<uint16_t>(config);
    return w.request<GattWriteResult>(*device_, ms, true, [&w, handle, value](DeviceState& d, Pending& pending) {
        CharacteristicDef* c = d.db.characteristic(handle);
        if (!c) return protocolError<GattWriteResult>(kInvalidHandle);
        DescriptorDef* cccd = d.db.descriptorOf(*c, uuids::kClientConfig);
        if (!cccd) return protocolError<GattWriteResult>(kAttributeNotFound);
        if (auto e = injected<GattWriteResult>(c->errors, ErrorOp::CccdWrite)) return *e;
        if (auto e = injected<GattWriteResult>(cccd->errors, ErrorOp::Write)) return *e;
        if (!configSupported(*c, value)) return protocolError<GattWriteResult>(kCccdImproperlyConfigured);
        d.db.setClientConfig(*c, value);
        w.clientConfigChanged(d, handle, value, pending);
        return GattWriteResult{};
    });
}

Async<GattClientConfigResult> SimCharacteristic::readClientCharacteristicConfigurationDescriptorAsync() {
    World& w = device_->world();
    const int ms = attributeLatency(w, device_->bluetoothAddress(), LatencyKind::Cccd, handle_);
    const uint16_t handle = handle_;
    return w.request<GattClientConfigResult>(*device_, ms, true, [handle](DeviceState& d, Pending&) {
        CharacteristicDef* c = d.db.characteristic(handle);
        if (!c) return protocolError<GattClientConfigResult>(kInvalidHandle);
        DescriptorDef* cccd = d.db.descriptorOf(*c, uuids::kClientConfig);
        if (!cccd) return protocolError<GattClientConfigResult>(kAttributeNotFound);
        if (auto e = injected<GattClientConfigResult>(c->errors, ErrorOp::CccdRead)) return *e;
        if (auto e = injected<GattClientConfigResult>(cccd->errors, ErrorOp::Read)) return *e;
        GattClientConfigResult r;
        r.value = configOf(d.db.clientConfig(handle));
        return r;
    });
}

// ---- descriptors

Async<GattReadResult> SimDescriptor::readValueAsync(CacheMode mode) {
    const uint16_t handle = handle_;
    return readAttribute(*device_, handle, mode, [handle](DeviceState& d) {
        ReadTarget t;
        if (DescriptorDef* desc = d.db.descriptor(handle)) {
            t.stored = &desc->value;
            t.errors = &desc->errors;
            // The client configuration is the stack's own business, not the behaviour's.
            t.behaviourReads = desc->uuid != uuids::kClientConfig;
        }
        return t;
    });
}

Async<GattWriteResult> SimDescriptor::writeValueWithResultAsync(const Bytes& value) {
    World& w = device_->world();
    const int ms = attributeLatency(w, device_->bluetoothAddress(), LatencyKind::Write, handle_);
    const uint16_t handle = handle_;
    return w.request<GattWriteResult>(*device_, ms, true, [&w, handle, value](DeviceState& d, Pending& pending) {
        CharacteristicDef* c = nullptr;
        DescriptorDef* desc = d.db.descriptor(handle, &c);
        if (!desc) return protocolError<GattWriteResult>(kInvalidHandle);
        if (auto e = injected<GattWriteResult>(desc->errors, ErrorOp::Write)) return *e;
        if (desc->uuid == uuids::kClientConfig) {
            if (value.size() != 2) return protocolError<GattWriteResult>(kInvalidLength);
            const auto v = static_cast<uint16_t>(value[0] | (value[1] << 8));
            if (!configSupported(*c, v)) return protocolError<GattWriteResult>(kCccdImproperlyConfigured);
            d.db.setClientConfig(*c, v);
            w.clientConfigChanged(d, c->handle, v, pending);
            return GattWriteResult{};
        }
        if (!desc->writable) return protocolError<GattWriteResult>(kWriteNotPermitted);
        if (value.size() > kMaxAttributeLength) return protocolError<GattWriteResult>(kInvalidLength);
        std::optional<uint8_t> refused;
        if (d.behaviour)
            w.withContext(d, pending, [&](DeviceContext& ctx) { refused = d.behaviour->onWrite(ctx, handle, value, true); });
        if (refused) return protocolError<GattWriteResult>(*refused);
        desc->value = value;
        d.clientCache[handle] = value;
        return GattWriteResult{};
    });
}

}  // namespace zenu::sim
