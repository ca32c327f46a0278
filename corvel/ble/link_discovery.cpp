// The link's GATT discovery: root and included services (with cycle detection),
// characteristics, descriptors, and the descriptors a characteristic's flags, user
// description and presentation formats depend on.
#include <algorithm>

#include "corvel/ble/await_operation.h"
#include "corvel/ble/convert.h"
#include "corvel/ble/stack_link.h"
#include "corvel/core/control_core.h"
#include "corvel/sig/errors.h"
#include "corvel/sig/sig_names.h"

namespace corvel {

namespace bt = zenu::bluetooth;

namespace {

constexpr const char* kDiscovery = logtype::kDiscovery;

std::string quoted(const std::string& s) { return "\"" + s + "\""; }

void addUnique(std::vector<std::string>& list, const std::string& id)
{
    if (std::find(list.begin(), list.end(), id) == list.end())
        list.push_back(id);
}

Status notConnected() { return Status::failure(kErrNotConnected, text::kNotConnected); }

Status serviceNotFound(const std::string& id)
{
    return Status::failure(kErrNotFound, "No service with the ID " + quoted(id) + " has been discovered.");
}

Status characteristicNotFound(const std::string& serviceId, const std::string& id)
{
    return Status::failure(kErrNotFound, "No characteristic with the ID " + quoted(id) +
                                             " has been discovered for the service with ID " + quoted(serviceId) +
                                             ".");
}

size_t countOf(const bt::GattServicesResult& r) { return r.services.size(); }
size_t countOf(const bt::GattCharacteristicsResult& r) { return r.characteristics.size(); }

} // namespace

CharacteristicRecord* StackLink::record(const std::string& serviceId, const std::string& characteristicId)
{
    ServiceRecord* s = core().tree().findService(serviceId);
    return s ? s->findCharacteristic(characteristicId) : nullptr;
}

// ---------------------------------------------------------------- the four methods

Status StackLink::discoverServices(const std::vector<Uuid>& filterArg, const std::string& includedByArg)
{
    const std::vector<Uuid> filter = filterArg;
    const std::string includedBy = includedByArg;
    if (includedBy.empty())
        return discoverRootServices(filter, nullptr);
    return discoverIncludedServices(includedBy, filter, nullptr);
}

Status StackLink::discoverCharacteristics(const std::string& serviceId, const std::vector<Uuid>& filter)
{
    return discoverCharacteristicsOf(std::string(serviceId), std::vector<Uuid>(filter));
}

Status StackLink::discoverDescriptors(const std::string& serviceId, const std::string& characteristicId)
{
    return discoverDescriptorsOf(std::string(serviceId), std::string(characteristicId));
}

Status StackLink::discover(const std::vector<Uuid>& serviceFilterArg, const std::vector<Uuid>& characteristicFilterArg,
                           bool descriptors, const std::string& includedByArg)
{
    const std::vector<Uuid> serviceFilter = serviceFilterArg, characteristicFilter = characteristicFilterArg;
    const std::string includedBy = includedByArg;
    // For this call only, descriptors as if "AutoDiscoverDescriptors" were on.
    const bool saved = core().settings().autoDiscoverDescriptors;
    if (descriptors)
        core().config("AutoDiscoverDescriptors=True");
    const uint64_t generation = generation_;
    std::vector<std::string> found;
    Status s = includedBy.empty() ? discoverRootServices(serviceFilter, &found)
                                  : discoverIncludedServices(includedBy, serviceFilter, &found);
    if (s.ok() && !core().settings().autoDiscoverCharacteristics)
        for (const std::string& id : found) {
            s = current(generation) ? discoverCharacteristicsOf(id, characteristicFilter) : notConnected();
            if (!s.ok())
                break;
        }
    if (descriptors)
        core().config(saved ? "AutoDiscoverDescriptors=True" : "AutoDiscoverDescriptors=False");
    return s;
}

// ---------------------------------------------------------------- services

// One step of discovery: everything at once without a filter, else one request per UUID in
// the filter's order; `take` handles each result. Every request and every result belongs
// to the connection the step started on: a handler that disconnected or connected again
// meanwhile ends the step.
template <typename R, typename Ask, typename Take>
Status StackLink::discoverEach(const char* noun, const std::vector<Uuid>& filter, uint64_t generation, Ask ask,
                               Take take)
{
    auto one = [&](const Uuid* uuid) -> Status {
        Status waitFailure;
        std::optional<R> r = awaitOperation(core(), ask(uuid), &waitFailure);
        if (r && uuid)
            log(3, kDiscovery,
                "Discovered " + std::to_string(countOf(*r)) + " " + noun + " with UUID " +
                    quoted(formatUuid(*uuid)) + ".");
        if (!r)
            return waitFailure;
        if (Status s = checkResult(*r, kDiscovery); !s.ok())
            return s;
        if (!current(generation))
            return notConnected();
        return take(*r);
    };
    if (filter.empty()) {
        log(2, kDiscovery, std::string("Attempting to discover all ") + noun + ".");
        return one(nullptr);
    }
    for (const Uuid& uuid : filter) {
        if (!current(generation))
            return notConnected();
        log(2, kDiscovery, std::string("Attempting to discover ") + noun + " with UUID " + quoted(formatUuid(uuid)) + ".");
        if (Status s = one(&uuid); !s.ok())
            return s;
    }
    return {};
}

Status StackLink::discoverRootServices(const std::vector<Uuid>& filter, std::vector<std::string>* found)
{
    if (!device_)
        return notConnected();
    const uint64_t generation = generation_;
    const std::shared_ptr<bt::Device> device = device_;
    log(1, kDiscovery, "Beginning discovery of root services.");
    size_t handled = 0;
    Status s = discoverEach<bt::GattServicesResult>(
        "root services", filter, generation,
        [&](const Uuid* uuid) {
            return uuid ? device->getGattServicesForUuidAsync(toGuid(*uuid), bt::CacheMode::Uncached)
                        : device->getGattServicesAsync(bt::CacheMode::Uncached);
        },
        [&](const bt::GattServicesResult& r) {
            handled += r.services.size();
            return addServices(r.services, "", found, generation);
        });
    if (!s.ok())
        return s;
    log(1, kDiscovery, "Finished discovering root services.");
    log(2, kDiscovery, "Discovered " + std::to_string(handled) + " root services.");
    return {};
}

Status StackLink::discoverIncludedServices(const std::string& serviceId, const std::vector<Uuid>& filter,
                                           std::vector<std::string>* found)
{
    // While included services are discovered recursively, a service met again on the
    // way down closes a cycle: it is skipped, and the chain is left as the last error.
    const bool tracking = core().settings().autoDiscoverIncludedServices;
    if (tracking) {
        if (std::find(includeChain_.begin(), includeChain_.end(), serviceId) != includeChain_.end()) {
            std::string text = "A cycle of included services was detected: " + serviceId;
            for (const std::string& id : includeChain_)
                text += " < " + id;
            core().recordText(text);
            return {};
        }
        includeChain_.push_back(serviceId);
    }
    struct Unchain {
        std::vector<std::string>* chain;
        const std::string& id;
        ~Unchain()
        {
            if (chain && !chain->empty() && chain->back() == id)
                chain->pop_back();
        }
    } unchain{tracking ? &includeChain_ : nullptr, serviceId};

    if (!device_)
        return notConnected();
    const uint64_t generation = generation_;
    const auto it = services_.find(serviceId);
    if (it == services_.end())
        return serviceNotFound(serviceId);
    const std::shared_ptr<bt::GattService> service = it->second;

    log(1, kDiscovery, "Beginning discovery of services included by service ID " + quoted(serviceId) + ".");
    size_t handled = 0;
    Status s = discoverEach<bt::GattServicesResult>(
        "included services", filter, generation,
        [&](const Uuid* uuid) {
            return uuid ? service->getIncludedServicesForUuidAsync(toGuid(*uuid), bt::CacheMode::Uncached)
                        : service->getIncludedServicesAsync(bt::CacheMode::Uncached);
        },
        [&](const bt::GattServicesResult& r) {
            handled += r.services.size();
            return addServices(r.services, serviceId, found, generation);
        });
    if (!s.ok())
        return s;
    log(1, kDiscovery, "Finished discovering services included by service ID " + quoted(serviceId) + ".");
    log(2, kDiscovery,
        "Discovered " + std::to_string(handled) + " services included by service ID " + quoted(serviceId) + ".");
    return {};
}

Status StackLink::addServices(const std::vector<std::shared_ptr<bt::GattService>>& services,
                              const std::string& parentId, std::vector<std::string>* found, uint64_t generation)
{
    const Settings& settings = core().settings();
    for (const std::shared_ptr<bt::GattService>& service : services) {
        if (!current(generation))
            return notConnected();
        if (!service)
            continue;
        Result<std::string> made = makeGattId(service->attributeHandle(), 0, 0);
        if (!made.ok())
            return made.status;
        const std::string id = made.value;
        const Uuid uuid = toUuid(service->uuid());
        const bool isNew = core().tree().addService(id, uuid).second;
        services_[id] = service;
        if (!parentId.empty()) {
            if (ServiceRecord* parent = core().tree().findService(parentId))
                addUnique(parent->includedIds, id);
            if (ServiceRecord* child = core().tree().findService(id))
                addUnique(child->parentIds, parentId);
        }
        if (found)
            addUnique(*found, id);
        if (settings.includeRediscovered || isNew)
            if (EventSink* sink = core().eventSink())
                sink->onDiscovered(GattType::Service, id, "", "", formatUuid(uuid), sigName(SigKind::Service, uuid));
        if (!current(generation))
            return notConnected();
        if (core().settings().autoDiscoverIncludedServices)
            if (Status s = discoverIncludedServices(id, {}, nullptr); !s.ok())
                return s;
        if (core().settings().autoDiscoverCharacteristics)
            if (Status s = discoverCharacteristicsOf(id, {}); !s.ok())
                return s;
    }
    return {};
}

// ---------------------------------------------------------------- characteristics

Status StackLink::discoverCharacteristicsOf(const std::string& serviceId, const std::vector<Uuid>& filter)
{
    if (!device_)
        return notConnected();
    const uint64_t generation = generation_;
    const auto it = services_.find(serviceId);
    if (it == services_.end())
        return serviceNotFound(serviceId);
    const std::shared_ptr<bt::GattService> service = it->second;
    const uint16_t serviceHandle = service->attributeHandle();

    log(1, kDiscovery, "Beginning discovery of characteristics for service ID " + quoted(serviceId) + ".");
    size_t handled = 0;
    auto take = [&](const bt::GattCharacteristicsResult& r) -> Status {
        for (const std::shared_ptr<bt::GattCharacteristic>& c : r.characteristics) {
            if (!current(generation))
                return notConnected();
            if (!c)
                continue;
            ++handled;
            Result<std::string> made = makeGattId(serviceHandle, c->attributeHandle(), 0);
            if (!made.ok())
                return made.status;
            const std::string id = made.value;
            ServiceRecord* s = core().tree().findService(serviceId);
            if (!s)
                return serviceNotFound(serviceId);
            const Uuid uuid = toUuid(c->uuid());
            const bool isNew = s->findCharacteristic(id) == nullptr;
            if (isNew) {
                CharacteristicRecord rec;
                rec.id = id;
                rec.uuid = uuid;
                rec.flags = flagsFromOsProperties(c->characteristicProperties());
                s->characteristics.push_back(std::move(rec));
            }
            // Notified values are watched from the moment the record exists.
            if (isNew || !characteristics_.count(id))
                watchValues(id, c);
            if (core().settings().includeRediscovered || isNew)
                if (EventSink* sink = core().eventSink())
                    sink->onDiscovered(GattType::Characteristic, serviceId, id, "", formatUuid(uuid),
                                       sigName(SigKind::Characteristic, uuid));
            if (!current(generation))
                return notConnected();
            if (core().settings().autoDiscoverDescriptors)
                if (Status st = discoverDescriptorsOf(serviceId, id); !st.ok())
                    return st;
        }
        return {};
    };
    Status s = discoverEach<bt::GattCharacteristicsResult>(
        "characteristics", filter, generation,
        [&](const Uuid* uuid) {
            return uuid ? service->getCharacteristicsForUuidAsync(toGuid(*uuid), bt::CacheMode::Uncached)
                        : service->getCharacteristicsAsync(bt::CacheMode::Uncached);
        },
        take);
    if (!s.ok())
        return s;
    log(1, kDiscovery, "Finished discovering characteristics for service ID " + quoted(serviceId) + ".");
    log(2, kDiscovery,
        "Discovered " + std::to_string(handled) + " characteristics for service ID " + quoted(serviceId) + ".");
    return {};
}

// ---------------------------------------------------------------- descriptors

Status StackLink::addDescriptors(const std::string& serviceId, const std::string& characteristicId,
                                 const std::vector<std::shared_ptr<bt::GattDescriptor>>& descriptors,
                                 uint64_t generation)
{
    const auto it = characteristics_.find(characteristicId);
    if (it == characteristics_.end())
        return characteristicNotFound(serviceId, characteristicId);
    const std::shared_ptr<bt::GattCharacteristic> characteristic = it->second.object;
    for (const std::shared_ptr<bt::GattDescriptor>& d : descriptors) {
        if (!current(generation))
            return notConnected();
        if (!d)
            continue;
        Result<std::string> made =
            makeGattId(characteristic->serviceHandle(), characteristic->attributeHandle(), d->attributeHandle());
        if (!made.ok())
            return made.status;
        const std::string id = made.value;
        CharacteristicRecord* rec = record(serviceId, characteristicId);
        if (!rec)
            return characteristicNotFound(serviceId, characteristicId);
        const Uuid uuid = toUuid(d->uuid());
        const bool isNew = rec->findDescriptor(id) == nullptr;
        if (isNew)
            rec->descriptors.push_back(DescriptorRecord{id, uuid});
        descriptors_[id] = d;
        if (core().settings().includeRediscovered || isNew)
            if (EventSink* sink = core().eventSink())
                sink->onDiscovered(GattType::Descriptor, serviceId, characteristicId, id, formatUuid(uuid),
                                   sigName(SigKind::Descriptor, uuid));
    }
    return current(generation) ? Status{} : notConnected();
}

Status StackLink::discoverDescriptorsOf(const std::string& serviceId, const std::string& characteristicId)
{
    if (!device_)
        return notConnected();
    const uint64_t generation = generation_;
    const auto it = characteristics_.find(characteristicId);
    if (it == characteristics_.end())
        return characteristicNotFound(serviceId, characteristicId);
    const std::shared_ptr<bt::GattCharacteristic> characteristic = it->second.object;

    log(1, kDiscovery, "Beginning discovery of descriptors for characteristic ID " + quoted(characteristicId) + ".");
    log(2, kDiscovery, "Attempting to discover all descriptors.");
    Status waitFailure;
    auto r = awaitOperation(core(), characteristic->getDescriptorsAsync(bt::CacheMode::Uncached), &waitFailure);
    if (!r)
        return waitFailure;
    if (Status s = checkResult(*r, kDiscovery); !s.ok())
        return s;
    if (Status s = addDescriptors(serviceId, characteristicId, r->descriptors, generation); !s.ok())
        return s;
    log(1, kDiscovery, "Finished discovering descriptors for characteristic ID " + quoted(characteristicId) + ".");
    log(2, kDiscovery,
        "Discovered " + std::to_string(r->descriptors.size()) + " descriptors for characteristic ID " +
            quoted(characteristicId) + ".");
    return {};
}

// ---------------------------------------------------------------- descriptors made sure of

void StackLink::ensureDescriptors(const std::string& serviceIdArg, const std::string& characteristicIdArg,
                                  EnsuredKind kind)
{
    const std::string serviceId = serviceIdArg, characteristicId = characteristicIdArg;
    uint16_t uuid16 = 0;
    switch (kind) {
    case EnsuredKind::ExtendedProperties:
        uuid16 = 0x2900;
        break;
    case EnsuredKind::UserDescription:
        uuid16 = 0x2901;
        break;
    case EnsuredKind::Cccd:
        uuid16 = 0x2902;
        break;
    case EnsuredKind::PresentationFormats:
        uuid16 = 0x2904;
        break;
    case EnsuredKind::AggregateFormats:
        uuid16 = 0x2905;
        break;
    }
    ensureKind(serviceId, characteristicId, uuid16, kind);
    refreshFromObject(serviceId, characteristicId, kind);
}

void StackLink::ensureKind(const std::string& serviceId, const std::string& characteristicId, uint16_t uuid16,
                           EnsuredKind kind)
{
    const Uuid uuid = sigUuid(uuid16);
    const std::string name = sigName(SigKind::Descriptor, uuid);
    const auto bit = static_cast<uint8_t>(kind);
    log(3, logtype::kDebug,
        "Ensuring that any " + quoted(name) + " descriptors has been discovered for characteristic ID " +
            quoted(characteristicId) + ".");
    CharacteristicRecord* rec = record(serviceId, characteristicId);
    const auto it = characteristics_.find(characteristicId);
    if (!rec || (rec->ensured & bit) || it == characteristics_.end() || !device_)
        return;
    const uint64_t generation = generation_;
    const std::shared_ptr<bt::GattCharacteristic> characteristic = it->second.object;
    log(3, logtype::kDebug,
        "Trying to discover the " + quoted(name) + " descriptor for characteristic ID " + quoted(characteristicId) +
            ".");
    auto r = awaitOperation(core(), characteristic->getDescriptorsForUuidAsync(toGuid(uuid), bt::CacheMode::Uncached));
    // A quiet check: this is the control's own housekeeping, not an operation of the host.
    // A failure leaves the kind to be tried again next time.
    if (!r || !r->ok() || !addDescriptors(serviceId, characteristicId, r->descriptors, generation).ok())
        return;
    if (CharacteristicRecord* again = record(serviceId, characteristicId))
        again->ensured |= bit;
    log(3, logtype::kDebug,
        "Finished; discovered " + std::to_string(r->descriptors.size()) + " " + quoted(name) +
            " descriptors for characteristic ID " + quoted(characteristicId) + ".");
}

void StackLink::refreshFromObject(const std::string& serviceId, const std::string& characteristicId, EnsuredKind kind)
{
    CharacteristicRecord* rec = record(serviceId, characteristicId);
    const auto it = characteristics_.find(characteristicId);
    if (!rec || it == characteristics_.end())
        return;
    const bt::GattCharacteristic& c = *it->second.object;
    switch (kind) {
    case EnsuredKind::ExtendedProperties:
        rec->flags = flagsFromOsProperties(c.characteristicProperties());
        break;
    case EnsuredKind::UserDescription:
        rec->userDescription = c.userDescription();
        break;
    case EnsuredKind::PresentationFormats:
    case EnsuredKind::AggregateFormats: {
        rec->formats.clear();
        for (const bt::PresentationFormat& f : c.presentationFormats())
            rec->formats.push_back(toFormat(f));
        if (rec->formats.empty())
            rec->formatIndex = -1;
        else if (rec->formatIndex < 0 || static_cast<size_t>(rec->formatIndex) >= rec->formats.size())
            rec->formatIndex = 0;
        break;
    }
    case EnsuredKind::Cccd:
        break;
    }
}

} // namespace corvel
