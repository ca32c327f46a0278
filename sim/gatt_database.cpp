#include "sim/gatt_database.h"

#include <algorithm>
#include <cstdio>
#include <set>

namespace zenu::sim {

namespace bp = bluetooth::properties;

namespace {

std::string hex4(uint16_t h) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%04X", h);
    return buf;
}

bool hasDescriptor(const CharacteristicDef& c, const Guid& uuid) {
    return std::any_of(c.descriptors.begin(), c.descriptors.end(), [&](const auto& d) { return d.uuid == uuid; });
}

Bytes le16(uint16_t v) { return Bytes{static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)}; }

// The descriptors a characteristic's declaration implies, unless they are listed.
void addImpliedDescriptors(CharacteristicDef& c) {
    const bool reliable = c.properties & bp::kReliableWrites;
    const bool auxiliaries = c.properties & bp::kWritableAuxiliaries;
    if ((reliable || auxiliaries) && !hasDescriptor(c, uuids::kExtendedProperties)) {
        DescriptorDef d;
        d.uuid = uuids::kExtendedProperties;
        d.value = le16(static_cast<uint16_t>((reliable ? 1 : 0) | (auxiliaries ? 2 : 0)));
        c.descriptors.push_back(d);
    }
    if (c.userDescription && !hasDescriptor(c, uuids::kUserDescription)) {
        DescriptorDef d;
        d.uuid = uuids::kUserDescription;
        d.value.assign(c.userDescription->begin(), c.userDescription->end());
        c.descriptors.push_back(d);
    }
    if ((c.properties & (bp::kNotify | bp::kIndicate)) && !hasDescriptor(c, uuids::kClientConfig)) {
        DescriptorDef d;
        d.uuid = uuids::kClientConfig;
        d.value = le16(0);
        c.descriptors.push_back(d);
    }
    if (!hasDescriptor(c, uuids::kPresentationFormat))
        for (const auto& f : c.formats) {
            DescriptorDef d;
            d.uuid = uuids::kPresentationFormat;
            d.value = presentationFormatBytes(f);
            c.descriptors.push_back(d);
        }
    for (auto& d : c.descriptors) {
        if (d.uuid == uuids::kClientConfig) {
            d.writable = true;
            if (d.value.size() != 2) d.value = le16(0);
        }
        if (d.uuid == uuids::kUserDescription && auxiliaries) d.writable = true;
    }
}

template <typename T>
void sortByHandle(std::vector<T>& v) {
    std::stable_sort(v.begin(), v.end(), [](const T& a, const T& b) { return a.handle < b.handle; });
}

}  // namespace

Bytes presentationFormatBytes(const bluetooth::PresentationFormat& f) {
    return Bytes{f.formatType,
                 static_cast<uint8_t>(f.exponent),
                 static_cast<uint8_t>(f.unit),
                 static_cast<uint8_t>(f.unit >> 8),
                 f.nameSpace,
                 static_cast<uint8_t>(f.description),
                 static_cast<uint8_t>(f.description >> 8)};
}

std::optional<bluetooth::PresentationFormat> presentationFormatFromBytes(const Bytes& b) {
    if (b.size() != 7) return std::nullopt;
    bluetooth::PresentationFormat f;
    f.formatType = b[0];
    f.exponent = static_cast<int8_t>(b[1]);
    f.unit = static_cast<uint16_t>(b[2] | (b[3] << 8));
    f.nameSpace = b[4];
    f.description = static_cast<uint16_t>(b[5] | (b[6] << 8));
    return f;
}

bool GattDatabase::prepare(std::vector<ServiceDef>& services, uint16_t next, std::string* error) {
    auto assign = [&](uint16_t& handle) -> bool {
        if (handle == 0) {
            if (next == 0xFFFF) {
                if (error) *error = "no free attribute handle left";
                return false;
            }
            handle = ++next;
        } else if (handle > next) {
            next = handle;
        }
        return true;
    };
    for (auto& s : services) {
        if (!assign(s.handle)) return false;
        for (auto& c : s.characteristics) {
            if (!assign(c.handle)) return false;
            addImpliedDescriptors(c);
            for (auto& d : c.descriptors)
                if (!assign(d.handle)) return false;
            sortByHandle(c.descriptors);
        }
        sortByHandle(s.characteristics);
    }
    return true;
}

bool GattDatabase::build(std::vector<ServiceDef> services, std::string* error) {
    if (!prepare(services, 0, error)) return false;
    std::vector<ServiceDef> old = std::move(services_);
    services_ = std::move(services);
    sortByHandle(services_);
    std::set<uint16_t> seen;
    auto claim = [&](uint16_t h, const char* what) {
        if (seen.insert(h).second) return true;
        if (error) *error = std::string("the handle ") + hex4(h) + " of a " + what + " is used twice";
        return false;
    };
    bool ok = true;
    for (const auto& s : services_) {
        ok = ok && claim(s.handle, "service");
        for (const auto& c : s.characteristics) {
            ok = ok && claim(c.handle, "characteristic");
            for (const auto& d : c.descriptors) ok = ok && claim(d.handle, "descriptor");
        }
    }
    for (const auto& s : services_)
        for (uint16_t inc : s.includes)
            if (ok && !service(inc)) {
                if (error) *error = "the service " + hex4(s.handle) + " includes " + hex4(inc) + ", which is no service";
                ok = false;
            }
    if (!ok) services_ = std::move(old);
    return ok;
}

bool GattDatabase::addServices(std::vector<ServiceDef> services, std::string* error, uint16_t* first,
                               uint16_t* last) {
    if (!prepare(services, maxHandle(), error)) return false;
    std::vector<ServiceDef> all = services_;
    uint16_t lo = 0xFFFF, hi = 0;
    for (auto& s : services) {
        lo = std::min(lo, s.handle);
        hi = std::max(hi, s.handle);
        for (const auto& c : s.characteristics) {
            hi = std::max(hi, c.handle);
            for (const auto& d : c.descriptors) hi = std::max(hi, d.handle);
        }
        all.push_back(std::move(s));
    }
    const std::vector<ServiceDef> before = services_;
    if (!build(std::move(all), error)) {
        services_ = before;
        return false;
    }
    if (first) *first = lo;
    if (last) *last = hi;
    return true;
}

void GattDatabase::removeServices(const std::vector<uint16_t>& handles, uint16_t* first, uint16_t* last) {
    uint16_t lo = 0xFFFF, hi = 0;
    for (uint16_t h : handles) {
        auto it = std::find_if(services_.begin(), services_.end(), [&](const auto& s) { return s.handle == h; });
        if (it == services_.end()) continue;
        lo = std::min(lo, it->handle);
        hi = std::max(hi, it->handle);
        for (const auto& c : it->characteristics) {
            hi = std::max(hi, c.handle);
            for (const auto& d : c.descriptors) hi = std::max(hi, d.handle);
        }
        services_.erase(it);
    }
    for (auto& s : services_)
        std::erase_if(s.includes, [&](uint16_t inc) { return !service(inc); });
    if (first) *first = lo;
    if (last) *last = hi;
}

ServiceDef* GattDatabase::service(uint16_t handle) {
    for (auto& s : services_)
        if (s.handle == handle) return &s;
    return nullptr;
}

CharacteristicDef* GattDatabase::characteristic(uint16_t handle, ServiceDef** owner) {
    for (auto& s : services_)
        for (auto& c : s.characteristics)
            if (c.handle == handle) {
                if (owner) *owner = &s;
                return &c;
            }
    return nullptr;
}

DescriptorDef* GattDatabase::descriptor(uint16_t handle, CharacteristicDef** owner) {
    for (auto& s : services_)
        for (auto& c : s.characteristics)
            for (auto& d : c.descriptors)
                if (d.handle == handle) {
                    if (owner) *owner = &c;
                    return &d;
                }
    return nullptr;
}

DescriptorDef* GattDatabase::descriptorOf(CharacteristicDef& c, const Guid& uuid) {
    for (auto& d : c.descriptors)
        if (d.uuid == uuid) return &d;
    return nullptr;
}

uint16_t GattDatabase::maxHandle() const {
    uint16_t hi = 0;
    for (const auto& s : services_) {
        hi = std::max(hi, s.handle);
        for (const auto& c : s.characteristics) {
            hi = std::max(hi, c.handle);
            for (const auto& d : c.descriptors) hi = std::max(hi, d.handle);
        }
    }
    return hi;
}

uint16_t GattDatabase::clientConfig(uint16_t characteristicHandle) {
    CharacteristicDef* c = characteristic(characteristicHandle);
    if (!c) return 0;
    DescriptorDef* d = descriptorOf(*c, uuids::kClientConfig);
    if (!d || d->value.size() < 2) return 0;
    return static_cast<uint16_t>(d->value[0] | (d->value[1] << 8));
}

void GattDatabase::setClientConfig(CharacteristicDef& c, uint16_t value) {
    if (DescriptorDef* d = descriptorOf(c, uuids::kClientConfig)) d->value = le16(value);
}

void GattDatabase::resetClientConfigs() {
    for (auto& s : services_)
        for (auto& c : s.characteristics) setClientConfig(c, 0);
}

uint32_t GattDatabase::declaredProperties(const CharacteristicDef& c) {
    uint32_t p = c.properties & ~(bp::kReliableWrites | bp::kWritableAuxiliaries | bp::kExtendedProperties);
    if (c.properties & (bp::kReliableWrites | bp::kWritableAuxiliaries)) p |= bp::kExtendedProperties;
    return p;
}

uint32_t GattDatabase::extendedProperties(const CharacteristicDef& c) {
    for (const auto& d : c.descriptors)
        if (d.uuid == uuids::kExtendedProperties && !d.value.empty())
            return ((d.value[0] & 1) ? bp::kReliableWrites : 0) | ((d.value[0] & 2) ? bp::kWritableAuxiliaries : 0);
    return 0;
}

std::optional<InjectedError> GattDatabase::takeError(ErrorMap& errors, ErrorOp op) {
    auto it = errors.find(op);
    if (it == errors.end() || it->second.times == 0) return std::nullopt;
    if (it->second.times > 0) --it->second.times;
    return it->second;
}

}  // namespace zenu::sim
