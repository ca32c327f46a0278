// The link's values: reads (from the device and cached), writes with and without response,
// subscriptions and the client configuration, user description writes, and notified values.
#include "corvel/ble/await_operation.h"
#include "corvel/ble/convert.h"
#include "corvel/ble/stack_link.h"
#include "corvel/core/control_core.h"
#include "corvel/sig/errors.h"
#include "corvel/sig/sig_names.h"

namespace corvel {

namespace bt = zenu::bluetooth;

namespace {

const Uuid kCccdUuid = sigUuid(0x2902);
const Uuid kUserDescriptionUuid = sigUuid(0x2901);

std::string quoted(const std::string& s) { return "\"" + s + "\""; }

// The service of a characteristic, from the characteristic's Id.
std::string serviceIdOf(const std::string& characteristicId) { return characteristicId.substr(0, 4) + "00000000"; }

// 1 when the configuration's first byte turns notifications or indications on.
int configurationState(const std::string& value)
{
    return !value.empty() && (static_cast<uint8_t>(value[0]) & 0x03) ? 1 : 0;
}

Status notFound(const std::string& what, const std::string& id)
{
    return Status::failure(kErrNotFound, "No " + what + " with the ID " + quoted(id) + " has been discovered.");
}

Status notConnected() { return Status::failure(kErrNotConnected, text::kNotConnected); }

} // namespace

void StackLink::watchValues(const std::string& characteristicId, const std::shared_ptr<bt::GattCharacteristic>& object)
{
    if (auto old = characteristics_.find(characteristicId); old != characteristics_.end())
        old->second.object->valueChanged.remove(old->second.valueChanged);
    const HostLoop::Poster poster = poster_;
    const uint64_t generation = generation_;
    const bt::EventToken token =
        object->valueChanged.add([this, poster, generation, characteristicId](const bt::ValueChangedArgs& args) {
            poster.post([this, generation, characteristicId, value = toText(args.value)] {
                onValueChanged(generation, characteristicId, value);
            });
        });
    characteristics_[characteristicId] = CharacteristicObject{object, token};
}

void StackLink::onValueChanged(uint64_t generation, const std::string& characteristicId, const std::string& value)
{
    if (generation != generation_ || !device_)
        return;
    const std::string serviceId = serviceIdOf(characteristicId);
    CharacteristicRecord* rec = record(serviceId, characteristicId);
    // Dropped when the characteristic has left the tree.
    if (!rec)
        return;
    if (rec->subscribed >= 0)
        rec->subscribed = 1;
    const Uuid uuid = rec->uuid.value_or(Uuid{});
    if (EventSink* sink = core().eventSink())
        sink->onValue(serviceId, characteristicId, "", formatUuid(uuid), sigName(SigKind::Characteristic, uuid), value);
}

void StackLink::recordSubscription(const std::string& serviceId, const std::string& characteristicId, int state)
{
    if (CharacteristicRecord* rec = record(serviceId, characteristicId))
        rec->subscribed = state;
}

void StackLink::fireSubscription(const std::string& characteristicId, bool on)
{
    log(1, logtype::kSubscriptions,
        std::string(on ? "Successfully subscribed to" : "Successfully unsubscribed from") + " characteristic ID " +
            quoted(characteristicId) + ".");
    const std::string serviceId = serviceIdOf(characteristicId);
    CharacteristicRecord* rec = record(serviceId, characteristicId);
    const Uuid uuid = rec && rec->uuid ? *rec->uuid : Uuid{};
    const std::string uuidText = rec && rec->uuid ? formatUuid(uuid) : std::string();
    const std::string name = rec && rec->uuid ? sigName(SigKind::Characteristic, uuid) : std::string();
    if (EventSink* sink = core().eventSink()) {
        if (on)
            sink->onSubscribed(serviceId, characteristicId, uuidText, name);
        else
            sink->onUnsubscribed(serviceId, characteristicId, uuidText, name);
    }
}

// ---------------------------------------------------------------- reads

Result<std::string> StackLink::readValue(const std::string& serviceIdArg, const std::string& characteristicIdArg,
                                         const std::string& descriptorIdArg, bool cached)
{
    using R = Result<std::string>;
    const std::string serviceId = serviceIdArg, characteristicId = characteristicIdArg, descriptorId = descriptorIdArg;
    const bool ofDescriptor = !descriptorId.empty();
    const char* logType = cached ? logtype::kDebug : logtype::kRead;
    const std::string target = std::string(ofDescriptor ? "descriptor" : "characteristic") + " ID " +
                               quoted(ofDescriptor ? descriptorId : characteristicId) + ".";
    if (!device_)
        return R::fail(notConnected());

    std::shared_ptr<bt::GattCharacteristic> characteristic;
    std::shared_ptr<bt::GattDescriptor> descriptor;
    if (ofDescriptor) {
        const auto it = descriptors_.find(descriptorId);
        if (it == descriptors_.end())
            return R::fail(notFound("descriptor", descriptorId));
        descriptor = it->second;
    } else {
        const auto it = characteristics_.find(characteristicId);
        if (it == characteristics_.end())
            return R::fail(notFound("characteristic", characteristicId));
        characteristic = it->second.object;
    }

    if (cached)
        log(3, logtype::kDebug, "Getting cached value for " + target);
    else
        log(1, logtype::kRead, "Reading value for " + target);
    const bt::CacheMode mode = cached ? bt::CacheMode::Cached : bt::CacheMode::Uncached;
    Status waitFailure;
    std::optional<bt::GattReadResult> r =
        awaitOperation(core(), ofDescriptor ? descriptor->readValueAsync(mode) : characteristic->readValueAsync(mode),
                       &waitFailure);
    if (!r)
        return R::fail(waitFailure);
    if (Status s = checkResult(*r, logType); !s.ok())
        return R::fail(s);
    const std::string value = toText(r->value);
    if (cached)
        return R::of(value);

    log(1, logtype::kRead, "Successfully read value for " + target);
    Uuid uuid = toUuid(ofDescriptor ? descriptor->uuid() : characteristic->uuid());
    if (ofDescriptor && uuid == kCccdUuid) {
        const int state = configurationState(value);
        recordSubscription(serviceId, characteristicId, state);
        log(2, logtype::kSubscriptions,
            std::string(state ? "Discovered that we are subscribed to" : "Discovered that we are unsubscribed from") +
                " characteristic ID " + quoted(characteristicId) + ".");
    }
    if (EventSink* sink = core().eventSink())
        sink->onValue(serviceId, characteristicId, descriptorId, formatUuid(uuid),
                      sigName(ofDescriptor ? SigKind::Descriptor : SigKind::Characteristic, uuid), value);
    return R::of(value);
}

// ---------------------------------------------------------------- writes

Status StackLink::writeValue(const std::string& serviceIdArg, const std::string& characteristicIdArg,
                             const std::string& descriptorIdArg, const std::string& valueArg, bool withResponse)
{
    const std::string serviceId = serviceIdArg, characteristicId = characteristicIdArg, descriptorId = descriptorIdArg;
    const bt::Bytes bytes = toBytes(valueArg);
    const bool ofDescriptor = !descriptorId.empty();
    if (!device_)
        return notConnected();

    Uuid uuid;
    SigKind kind;
    if (ofDescriptor) {
        const auto it = descriptors_.find(descriptorId);
        if (it == descriptors_.end())
            return notFound("descriptor", descriptorId);
        const std::shared_ptr<bt::GattDescriptor> descriptor = it->second;
        log(1, logtype::kWrite, "Writing value to descriptor ID " + quoted(descriptorId) + ".");
        Status waitFailure;
        auto r = awaitOperation(core(), descriptor->writeValueWithResultAsync(bytes), &waitFailure);
        if (!r)
            return waitFailure;
        if (Status s = checkResult(*r, logtype::kWrite); !s.ok())
            return s;
        log(1, logtype::kWrite, "Successfully wrote value to descriptor ID " + quoted(descriptorId) + ".");
        uuid = toUuid(descriptor->uuid());
        kind = SigKind::Descriptor;
        if (uuid == kCccdUuid) {
            // The configuration written directly counts as a subscription change.
            const std::string owner = descriptorId.substr(0, 8) + "0000";
            const int state = !bytes.empty() && (bytes[0] & 0x03) ? 1 : 0;
            recordSubscription(serviceIdOf(owner), owner, state);
            fireSubscription(owner, state == 1);
        }
    } else {
        const auto it = characteristics_.find(characteristicId);
        if (it == characteristics_.end())
            return notFound("characteristic", characteristicId);
        const std::shared_ptr<bt::GattCharacteristic> characteristic = it->second.object;
        const std::string target = "characteristic ID " + quoted(characteristicId) + ".";
        log(1, logtype::kWrite, (withResponse ? "Writing value to " : "Posting value to ") + target);
        Status waitFailure;
        auto r = awaitOperation(core(),
                                characteristic->writeValueWithResultAsync(
                                    bytes, withResponse ? bt::WriteOption::WriteWithResponse
                                                        : bt::WriteOption::WriteWithoutResponse),
                                &waitFailure);
        if (!r)
            return waitFailure;
        if (Status s = checkResult(*r, logtype::kWrite); !s.ok())
            return s;
        log(1, logtype::kWrite, (withResponse ? "Successfully wrote value to " : "Successfully posted value to ") + target);
        uuid = toUuid(characteristic->uuid());
        kind = SigKind::Characteristic;
    }
    if (withResponse)
        if (EventSink* sink = core().eventSink())
            sink->onWriteResponse(serviceId, characteristicId, descriptorId, formatUuid(uuid), sigName(kind, uuid));
    return {};
}

// ---------------------------------------------------------------- subscriptions

Status StackLink::setSubscription(const std::string& serviceIdArg, const std::string& characteristicIdArg, bool on)
{
    const std::string serviceId = serviceIdArg, characteristicId = characteristicIdArg;
    CharacteristicRecord* rec = record(serviceId, characteristicId);
    const auto it = characteristics_.find(characteristicId);
    if (!rec || it == characteristics_.end())
        return notFound("characteristic", characteristicId);
    const bool notify = rec->flags & flag::kNotify, indicate = rec->flags & flag::kIndicate;
    if (!notify && !indicate)
        return Status::failure(kErrNotAllowed, "A characteristic cannot be subscribed to unless it has the 'Notify' "
                                               "and/or 'Indicate' flag set.");
    if (rec->subscribed == (on ? 1 : 0))
        return {};
    bt::ClientConfig value = bt::ClientConfig::None;
    if (on)
        value = notify && !(core().settings().preferIndications && indicate) ? bt::ClientConfig::Notify
                                                                              : bt::ClientConfig::Indicate;
    const std::shared_ptr<bt::GattCharacteristic> characteristic = it->second.object;

    ensureKind(serviceId, characteristicId, 0x2902, EnsuredKind::Cccd);
    if (!device_)
        return notConnected();
    log(1, logtype::kSubscriptions,
        std::string(on ? "Subscribing to" : "Unsubscribing from") + " characteristic ID " + quoted(characteristicId) +
            ".");
    Status waitFailure;
    auto r = awaitOperation(core(), characteristic->writeClientCharacteristicConfigurationDescriptorWithResultAsync(value),
                            &waitFailure);
    if (!r)
        return waitFailure;
    if (Status s = checkResult(*r, logtype::kSubscriptions); !s.ok())
        return s;
    recordSubscription(serviceId, characteristicId, on ? 1 : 0);
    fireSubscription(characteristicId, on);
    return {};
}

Result<bool> StackLink::readSubscription(const std::string& serviceIdArg, const std::string& characteristicIdArg)
{
    using R = Result<bool>;
    const std::string serviceId = serviceIdArg, characteristicId = characteristicIdArg;
    const auto it = characteristics_.find(characteristicId);
    if (it == characteristics_.end())
        return R::fail(notFound("characteristic", characteristicId));
    const std::shared_ptr<bt::GattCharacteristic> characteristic = it->second.object;
    log(3, logtype::kSubscriptions,
        "Getting CCCD state for characteristic ID " + quoted(characteristicId) + " from device.");
    Status waitFailure;
    auto r = awaitOperation(core(), characteristic->readClientCharacteristicConfigurationDescriptorAsync(), &waitFailure);
    if (!r)
        return R::fail(waitFailure);
    if (Status s = checkResult(*r, logtype::kSubscriptions); !s.ok())
        return R::fail(s);
    log(3, logtype::kSubscriptions, "Got CCCD state for characteristic ID " + quoted(characteristicId) + " from device.");
    const bool on = r->value != bt::ClientConfig::None;
    recordSubscription(serviceId, characteristicId, on ? 1 : 0);
    return R::of(on);
}

// ---------------------------------------------------------------- user description

Status StackLink::writeUserDescription(const std::string& serviceIdArg, const std::string& characteristicIdArg,
                                       const std::string& text)
{
    const std::string serviceId = serviceIdArg, characteristicId = characteristicIdArg;
    const bt::Bytes bytes = toBytes(text);   // the text alone, without a terminating zero
    ensureKind(serviceId, characteristicId, 0x2901, EnsuredKind::UserDescription);
    CharacteristicRecord* rec = record(serviceId, characteristicId);
    if (!rec)
        return notFound("characteristic", characteristicId);
    std::shared_ptr<bt::GattDescriptor> descriptor;
    for (const DescriptorRecord& d : rec->descriptors)
        if (d.uuid && *d.uuid == kUserDescriptionUuid)
            if (auto it = descriptors_.find(d.id); it != descriptors_.end()) {
                descriptor = it->second;
                break;
            }
    if (!descriptor)
        return Status::failure(kErrNoUserDescription,
                               "Characteristic with ID " + quoted(characteristicId) +
                                   " does not have a Characteristic User Description descriptor despite having the "
                                   "'Writable Auxiliaries' flag set.");
    log(3, logtype::kDebug, "Writing new value to User Description descriptor.");
    Status waitFailure;
    auto r = awaitOperation(core(), descriptor->writeValueWithResultAsync(bytes), &waitFailure);
    Status s = r ? checkResult(*r, logtype::kDebug) : waitFailure;
    log(3, logtype::kDebug,
        std::string(s.ok() ? "Successfully wrote" : "Failed to write") +
            " new value to Characteristic User Description descriptor for characteristic ID " +
            quoted(characteristicId) + ".");
    if (s.ok())
        refreshFromObject(serviceId, characteristicId, EnsuredKind::UserDescription);
    return s;
}

} // namespace corvel
