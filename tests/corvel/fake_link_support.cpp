// The scripted device behind FakeBleLink: what discovery, reads and writes of the control
// reach when a test drives it by dispatch.
#include "tests/corvel/corvel_support.h"

#include "corvel/core/gatt_tree.h"
#include "corvel/sig/sig_names.h"

#include <cstdlib>
#include <cstring>

namespace corveltest {

using namespace corvel;

namespace {

std::string idOf(uint16_t s, uint16_t c = 0, uint16_t d = 0) { return makeGattId(s, c, d).value; }

bool matches(const std::vector<Uuid>& filter, const Uuid& uuid)
{
    if (filter.empty())
        return true;
    for (const Uuid& u : filter)
        if (u == uuid)
            return true;
    return false;
}

void addUnique(std::vector<std::string>& list, const std::string& id)
{
    for (const std::string& s : list)
        if (s == id)
            return;
    list.push_back(id);
}

Status notFound() { return Status::failure(601, "not in the fake device"); }

} // namespace

const FakeService* FakeBleLink::service(const std::string& id) const
{
    for (const FakeService& s : device_.services)
        if (idOf(s.handle) == id)
            return &s;
    return nullptr;
}

const FakeCharacteristic* FakeBleLink::characteristic(const std::string& serviceId, const std::string& id) const
{
    const FakeService* s = service(serviceId);
    if (!s)
        return nullptr;
    for (const FakeCharacteristic& c : s->characteristics)
        if (idOf(s->handle, c.handle) == id)
            return &c;
    return nullptr;
}

Status FakeBleLink::startScanning(const std::vector<Uuid>& filter, bool)
{
    device_.scanning = true;
    if (corvel::EventSink* sink = core_->eventSink())
        sink->onStartScan(formatUuidList(filter));
    return {};
}

Status FakeBleLink::stopScanning()
{
    device_.scanning = false;
    if (corvel::EventSink* sink = core_->eventSink())
        sink->onStopScan(0, "");
    return {};
}

Status FakeBleLink::connect(uint64_t address, const std::string& serverId)
{
    if (device_.onConnect)
        device_.onConnect();
    if (address != device_.address)
        return Status::failure(604, "Connection to server ID " + serverId + " was unsuccessful.");
    if (core_->settings().pairingMode == 1 && device_.canPair) {
        std::string pin = device_.offeredPin;
        bool accept = false;
        if (corvel::EventSink* sink = core_->eventSink())
            sink->onPairingRequest(serverId, device_.pairingKind, pin, accept);
        device_.pairingPin = pin;
        device_.pairingAccepted = accept;
    }
    held_ = true;
    online_ = true;
    return {};
}

Status FakeBleLink::disconnect()
{
    held_ = false;
    online_ = false;
    return {};
}

void FakeBleLink::addService(const FakeService& s, const FakeService* parent)
{
    GattTree& tree = core_->tree();
    const std::string id = idOf(s.handle);
    const bool isNew = tree.addService(id, s.uuid).second;
    if (parent) {
        const std::string parentId = idOf(parent->handle);
        addUnique(tree.findService(id)->parentIds, parentId);
        addUnique(tree.findService(parentId)->includedIds, id);
    }
    if (isNew || core_->settings().includeRediscovered)
        if (corvel::EventSink* sink = core_->eventSink())
            sink->onDiscovered(GattType::Service, id, "", "", formatUuid(s.uuid), sigName(SigKind::Service, s.uuid));
}

void FakeBleLink::addCharacteristics(const FakeService& s, const std::vector<Uuid>& filter, bool descriptors)
{
    const std::string sid = idOf(s.handle);
    for (const FakeCharacteristic& c : s.characteristics) {
        if (!matches(filter, c.uuid))
            continue;
        ServiceRecord* rec = core_->tree().findService(sid);
        const std::string cid = idOf(s.handle, c.handle);
        CharacteristicRecord* cr = rec->findCharacteristic(cid);
        const bool isNew = cr == nullptr;
        if (isNew) {
            rec->characteristics.emplace_back();
            cr = &rec->characteristics.back();
            cr->id = cid;
            cr->uuid = c.uuid;
            cr->flags = flagsFromOsProperties(c.osProperties);
            cr->flagsRead = true;
            cr->userDescription = c.userDescription;
            cr->formats = c.formats;
            cr->formatIndex = c.formats.empty() ? -1 : 0;
        }
        if (isNew || core_->settings().includeRediscovered)
            if (corvel::EventSink* sink = core_->eventSink())
                sink->onDiscovered(GattType::Characteristic, sid, cid, "", formatUuid(c.uuid),
                                   sigName(SigKind::Characteristic, c.uuid));
        if (descriptors || core_->settings().autoDiscoverDescriptors)
            addDescriptors(s, c);
    }
}

void FakeBleLink::addDescriptors(const FakeService& s, const FakeCharacteristic& c)
{
    const std::string sid = idOf(s.handle);
    const std::string cid = idOf(s.handle, c.handle);
    for (const FakeDescriptor& d : c.descriptors) {
        CharacteristicRecord* cr = core_->tree().findService(sid)->findCharacteristic(cid);
        const std::string did = idOf(s.handle, c.handle, d.handle);
        const bool isNew = cr->findDescriptor(did) == nullptr;
        if (isNew)
            cr->descriptors.push_back(DescriptorRecord{did, sigUuid(d.uuid16)});
        if (isNew || core_->settings().includeRediscovered)
            if (corvel::EventSink* sink = core_->eventSink())
                sink->onDiscovered(GattType::Descriptor, sid, cid, did, formatUuid(sigUuid(d.uuid16)),
                                   sigName(SigKind::Descriptor, sigUuid(d.uuid16)));
    }
}

Status FakeBleLink::discoverServices(const std::vector<Uuid>& filter, const std::string& includedBy)
{
    if (includedBy.empty()) {
        for (const FakeService& s : device_.services)
            if (matches(filter, s.uuid))
                addService(s, nullptr);
        return {};
    }
    const FakeService* parent = service(includedBy);
    if (!parent)
        return notFound();
    for (uint16_t h : parent->includes)
        for (const FakeService& s : device_.services)
            if (s.handle == h && matches(filter, s.uuid))
                addService(s, parent);
    return {};
}

Status FakeBleLink::discoverCharacteristics(const std::string& serviceId, const std::vector<Uuid>& filter)
{
    const FakeService* s = service(serviceId);
    if (!s)
        return notFound();
    addCharacteristics(*s, filter, false);
    return {};
}

Status FakeBleLink::discoverDescriptors(const std::string& serviceId, const std::string& characteristicId)
{
    const FakeService* s = service(serviceId);
    const FakeCharacteristic* c = characteristic(serviceId, characteristicId);
    if (!s || !c)
        return notFound();
    addDescriptors(*s, *c);
    return {};
}

Status FakeBleLink::discover(const std::vector<Uuid>& services, const std::vector<Uuid>& chars, bool descriptors,
                             const std::string& includedBy)
{
    if (Status st = discoverServices(services, includedBy); !st.ok())
        return st;
    for (const FakeService& s : device_.services)
        if (core_->tree().findService(idOf(s.handle)))
            addCharacteristics(s, chars, descriptors);
    return {};
}

Result<std::string> FakeBleLink::readValue(const std::string& serviceId, const std::string& characteristicId,
                                           const std::string& descriptorId, bool cached)
{
    const FakeCharacteristic* c = characteristic(serviceId, characteristicId);
    if (!c)
        return Result<std::string>::fail(notFound());
    std::string value = c->value;
    Uuid uuid = c->uuid;
    SigKind kind = SigKind::Characteristic;
    if (!descriptorId.empty()) {
        const FakeDescriptor* found = nullptr;
        for (const FakeDescriptor& d : c->descriptors)
            if (descriptorId.size() == 12 && std::strtoul(descriptorId.substr(8).c_str(), nullptr, 16) == d.handle)
                found = &d;
        if (!found)
            return Result<std::string>::fail(notFound());
        value = found->value;
        uuid = sigUuid(found->uuid16);
        kind = SigKind::Descriptor;
    }
    if (!cached)
        if (corvel::EventSink* sink = core_->eventSink())
            sink->onValue(serviceId, characteristicId, descriptorId, formatUuid(uuid), sigName(kind, uuid), value);
    return Result<std::string>::of(value);
}

Status FakeBleLink::writeValue(const std::string& serviceId, const std::string& characteristicId,
                               const std::string& descriptorId, const std::string& value, bool withResponse)
{
    const FakeCharacteristic* c = characteristic(serviceId, characteristicId);
    if (!c)
        return notFound();
    device_.writes.emplace_back(descriptorId.empty() ? characteristicId : descriptorId, value);
    if (withResponse)
        if (corvel::EventSink* sink = core_->eventSink())
            sink->onWriteResponse(serviceId, characteristicId, descriptorId, formatUuid(c->uuid),
                                  sigName(SigKind::Characteristic, c->uuid));
    return {};
}

Status FakeBleLink::setSubscription(const std::string& serviceId, const std::string& characteristicId, bool on)
{
    CharacteristicRecord* cr = core_->tree().findService(serviceId)->findCharacteristic(characteristicId);
    if (cr->subscribed == (on ? 1 : 0))
        return {};
    ++device_.subscriptionWrites;
    cr->subscribed = on ? 1 : 0;
    if (corvel::EventSink* sink = core_->eventSink()) {
        const std::string uuid = formatUuid(*cr->uuid);
        const std::string name = sigName(SigKind::Characteristic, *cr->uuid);
        if (on)
            sink->onSubscribed(serviceId, characteristicId, uuid, name);
        else
            sink->onUnsubscribed(serviceId, characteristicId, uuid, name);
    }
    return {};
}

Result<bool> FakeBleLink::readSubscription(const std::string& serviceId, const std::string& characteristicId)
{
    CharacteristicRecord* cr = core_->tree().findService(serviceId)->findCharacteristic(characteristicId);
    return Result<bool>::of(cr && cr->subscribed == 1);
}

FakeDevice sampleDevice()
{
    FakeDevice d;
    PresentationFormat percent;
    percent.formatType = 4;      // uint8
    percent.exponent = 0;
    percent.unit = 0x27AD;       // percentage
    FakeService battery{0x0010, sigUuid(0x180F), {}, {0x00AB}};
    battery.characteristics.push_back(
        FakeCharacteristic{0x0012, sigUuid(0x2A19), 0x12, std::string("\x64", 1), "", {percent},
                           {FakeDescriptor{0x0014, 0x2902, std::string("\x00\x00", 2)},
                            FakeDescriptor{0x0015, 0x2904, std::string("\x04\x00\xAD\x27\x01\x00\x00", 7)}}});
    FakeService info{0x0020, sigUuid(0x180A), {}, {}};
    info.characteristics.push_back(FakeCharacteristic{0x0022, sigUuid(0x2A24), 0x02, "ZX-5", "", {}, {}});
    FakeService vendor{0x00AB, parseUuid(kVendorService).value, {}, {}};
    PresentationFormat temperature;
    temperature.formatType = 14;   // sint16
    temperature.exponent = -2;
    temperature.unit = 0x272F;     // degree Celsius
    PresentationFormat odd;
    odd.formatType = 200;          // not a format type of the table
    odd.exponent = 3;
    odd.unit = 0x2700;
    // Every flag: the system's 0x3FF (extended properties 0x080, reliable 0x100, auxiliaries 0x200).
    vendor.characteristics.push_back(FakeCharacteristic{0x00AD, parseUuid(kVendorCharacteristic).value, 0x3FF,
                                                        std::string("A\0B", 3), "Sensor \"raw\"",
                                                        {temperature, odd},
                                                        {FakeDescriptor{0x00AE, 0x2901, "Sensor"},
                                                         FakeDescriptor{0x00AF, 0x2902, std::string(2, '\0')},
                                                         FakeDescriptor{0x00B0, 0x1234, ""}}});
    d.services = {battery, info, vendor};
    return d;
}

void makeFake(FakeSetup& setup, FakeDevice device, bool connectAndDiscover)
{
    setup.device = std::move(device);
    auto link = std::make_unique<FakeBleLink>(setup.device);
    setup.link = link.get();
    setup.control = createControlWith(std::move(link));
    if (connectAndDiscover) {
        ASSERT_TRUE(setup.control.call("Connect", {Str("001122AABBCC")}).ok());
        const Outcome o = setup.control.call("Discover", {Str(""), Str(""), Bool(true), Str("")});
        ASSERT_TRUE(o.ok()) << o.description;
    }
}

} // namespace corveltest
