#include "corvel/core/control_core.h"

#include "corvel/core/config_text.h"
#include "corvel/sig/errors.h"
#include "corvel/sig/sig_names.h"

namespace corvel {

namespace {

constexpr int32_t kMaxTimeout = 2147483;   // so that the time in milliseconds fits 32 bits
constexpr int kClosingWaitMs = 2000;

} // namespace

ControlCore::ControlCore(std::unique_ptr<BleLink> link)
    : hostLoop_(settings_), link_(link ? std::move(link) : createBleLink())
{
    link_->attach(*this);
    // A new control starts with the UTF-8 code page set through its own configuration path.
    config("CodePage=65001");
    lastErrorCode_ = 0;
    lastErrorText_.clear();
}

ControlCore::~ControlCore()
{
    // Destroying the control stops scanning and disconnects; nobody listens any more, and
    // nothing may re-enter the control while it goes.
    sink_ = nullptr;
    hostLoop_.setClosing(true);
    if (link_->scanning())
        link_->stopScanning();
    if (link_->deviceHeld())
        link_->disconnect();
}

// ---------------------------------------------------------------- errors

Status ControlCore::fail(Status status)
{
    if (status.code == 0)
        return status;
    if (status.text.empty())
        status.text = defaultErrorText(status.code);
    lastErrorCode_ = status.code;
    lastErrorText_ = status.text;
    return status;
}

void ControlCore::reportError(int code, std::string text)
{
    const Status s = fail(code, std::move(text));
    if (sink_)
        sink_->onError(static_cast<int16_t>(s.code), s.text);
}

void ControlCore::deliverAdvertisement(const AdvertisementContext& adv, const AdvertisementArgs& args)
{
    if (!sink_)
        return;
    // Restored also when a handler throws, so no setting ever reads a dead advertisement.
    struct Current {
        ControlCore& core;
        const AdvertisementContext* saved;
        ~Current() { core.currentAdvertisement_ = saved; }
    } current{*this, currentAdvertisement_};
    currentAdvertisement_ = &adv;
    sink_->onAdvertisement(args);
}

void ControlCore::log(int level, std::string_view logType, std::string_view message)
{
    if (level < 1 || level > settings_.logLevel || !sink_)
        return;
    sink_->onLog(static_cast<int16_t>(level), message, logType);
}

// ---------------------------------------------------------------- timeout

void ControlCore::setTimeout(int32_t value)
{
    timeout_ = value > kMaxTimeout ? kMaxTimeout : value;
}

int64_t ControlCore::timeoutMs() const
{
    if (timeout_ < 0)
        return 1;
    return settings_.timeoutInMilliseconds ? int64_t{timeout_} : int64_t{timeout_} * 1000;
}

// ---------------------------------------------------------------- waiting

int ControlCore::waitIdleMs() const
{
    constexpr int kDefaultSelectWaitMillis = 20;
    return settings_.selectWaitMillis > 0 ? settings_.selectWaitMillis : kDefaultSelectWaitMillis;
}

Status ControlCore::awaitSlot(const WaitSlot& slot)
{
    std::optional<SteadyClock::time_point> deadline;
    if (const int64_t ms = timeoutMs(); ms > 0)
        deadline = SteadyClock::now() + std::chrono::milliseconds(ms);
    // A control being destroyed does not keep its host waiting for long.
    if (hostLoop_.closing()) {
        const auto cap = SteadyClock::now() + std::chrono::milliseconds(kClosingWaitMs);
        if (!deadline || *deadline > cap)
            deadline = cap;
    }
    StepEnd end;
    do {
        end = hostLoop_.waitStep(waitIdleMs(), &slot, deadline);
    } while (end == StepEnd::Continue);
    lastErrorCode_ = kErrInterrupted;
    switch (end) {
    case StepEnd::Completed:
        lastErrorText_ = text::kInterrupted;
        return {};
    case StepEnd::Timeout:
        lastErrorText_ = text::kTimeout;
        return Status::failure(kErrInterrupted, text::kTimeout);
    case StepEnd::Shutdown:
        lastErrorText_ = text::kInterrupted;
        return Status::failure(kErrInterrupted, text::kInterrupted);
    case StepEnd::Quit:
    case StepEnd::Continue:
        break;
    }
    // The host is quitting: no text of the wait's own; the method reports its failure.
    return Status::failure(kErrInterrupted, text::kInterrupted);
}

// ---------------------------------------------------------------- state properties

Status ControlCore::setActiveScanning(bool value)
{
    if (value != activeScanning_ && link_->scanning())
        return fail(kErrNotAllowed, text::kActiveScanningWhileScanning);
    activeScanning_ = value;
    return {};
}

std::string ControlCore::serverId() const { return link_->deviceHeld() ? serverId_ : std::string(); }

std::string ControlCore::serverName() const { return link_->deviceHeld() ? link_->serverName() : std::string(); }

// ---------------------------------------------------------------- selection

ServiceRecord* ControlCore::selectedServiceRecord()
{
    return selectedService_.empty() ? nullptr : tree_.findService(selectedService_);
}

CharacteristicRecord* ControlCore::selectedCharacteristicRecord()
{
    ServiceRecord* s = selectedServiceRecord();
    if (!s || selectedCharacteristic_.empty())
        return nullptr;
    return s->findCharacteristic(selectedCharacteristic_);
}

Result<ServiceRecord*> ControlCore::findService(std::string_view id)
{
    if (ServiceRecord* s = tree_.findService(id))
        return Result<ServiceRecord*>::of(s);
    return Result<ServiceRecord*>::fail(
        fail(kErrNotFound, "No service with the ID \"" + std::string(id) + "\" has been discovered."));
}

Result<CharacteristicRecord*> ControlCore::findCharacteristic(ServiceRecord& service, std::string_view id)
{
    if (CharacteristicRecord* c = service.findCharacteristic(id))
        return Result<CharacteristicRecord*>::of(c);
    return Result<CharacteristicRecord*>::fail(fail(kErrNotFound, "No characteristic with the ID \"" + std::string(id) +
                                                                       "\" has been discovered for the service with ID \"" +
                                                                       service.id + "\"."));
}

Result<CharacteristicRecord*> ControlCore::findCharacteristic(std::string_view serviceId,
                                                            std::string_view characteristicId, ServiceRecord** service)
{
    Result<ServiceRecord*> s = findService(serviceId);
    if (!s.ok())
        return Result<CharacteristicRecord*>::fail(s.status);
    if (service)
        *service = s.value;
    return findCharacteristic(*s.value, characteristicId);
}

Status ControlCore::setService(std::string_view id)
{
    selectedCharacteristic_.clear();
    if (id.empty()) {
        selectedService_.clear();
        return {};
    }
    Result<ServiceRecord*> s = findService(id);
    if (!s.ok())
        return s.status;
    selectedService_ = s.value->id;
    return {};
}

Status ControlCore::setCharacteristic(std::string_view id)
{
    if (id.empty()) {
        selectedCharacteristic_.clear();
        return {};
    }
    ServiceRecord* s = selectedServiceRecord();
    if (!s)
        return fail(kErrNotAllowed, text::kSelectServiceFirst);
    Result<CharacteristicRecord*> c = findCharacteristic(*s, id);
    if (!c.ok())
        return c.status;
    selectedCharacteristic_ = c.value->id;
    return {};
}

Status ControlCore::select(std::string_view serviceId, std::string_view characteristicId)
{
    if (Status s = requireConnection(); !s.ok())
        return s;
    if (!characteristicId.empty() && serviceId.empty())
        return fail(kErrBadArgument, text::kMustSupplyServiceId);
    if (characteristicId.empty())
        return setService(serviceId);
    if (equalsNoCase(serviceId, selectedService_))
        return setCharacteristic(characteristicId);
    const std::string remembered = selectedService_;
    if (Status s = setService(serviceId); !s.ok())
        return s;
    Status s = setCharacteristic(characteristicId);
    if (!s.ok()) {
        selectedService_ = remembered;
        selectedCharacteristic_.clear();
    }
    return s;
}

void ControlCore::clearTree()
{
    selectedService_.clear();
    selectedCharacteristic_.clear();
    tree_.clear();
}

int ControlCore::characteristicCount() const
{
    const ServiceRecord* s = const_cast<ControlCore*>(this)->selectedServiceRecord();
    return s ? static_cast<int>(s->characteristics.size()) : 0;
}

void ControlCore::setCharacteristicCount(int32_t count)
{
    ServiceRecord* s = selectedServiceRecord();
    if (!s)
        return;
    s->characteristics.resize(count < 0 ? 0 : static_cast<size_t>(count));
    // A dropped record cannot stay selected.
    if (!selectedCharacteristic_.empty() && !s->findCharacteristic(selectedCharacteristic_))
        selectedCharacteristic_.clear();
}

int ControlCore::descriptorCount() const
{
    const CharacteristicRecord* c = const_cast<ControlCore*>(this)->selectedCharacteristicRecord();
    return c ? static_cast<int>(c->descriptors.size()) : 0;
}

Result<ServiceRecord*> ControlCore::serviceAt(int32_t index)
{
    auto& list = tree_.services();
    if (index < 0 || static_cast<size_t>(index) >= list.size())
        return Result<ServiceRecord*>::fail(fail(kErrIndexOutOfBounds, text::kInvalidServiceIndex));
    return Result<ServiceRecord*>::of(&list[static_cast<size_t>(index)]);
}

Result<CharacteristicRecord*> ControlCore::characteristicAt(int32_t index)
{
    ServiceRecord* s = selectedServiceRecord();
    if (!s || index < 0 || static_cast<size_t>(index) >= s->characteristics.size())
        return Result<CharacteristicRecord*>::fail(fail(kErrIndexOutOfBounds, text::kInvalidCharacteristicIndex));
    return Result<CharacteristicRecord*>::of(&s->characteristics[static_cast<size_t>(index)]);
}

Result<DescriptorRecord*> ControlCore::descriptorAt(int32_t index)
{
    CharacteristicRecord* c = selectedCharacteristicRecord();
    if (!c || index < 0 || static_cast<size_t>(index) >= c->descriptors.size())
        return Result<DescriptorRecord*>::fail(fail(kErrIndexOutOfBounds, text::kInvalidDescriptorIndex));
    return Result<DescriptorRecord*>::of(&c->descriptors[static_cast<size_t>(index)]);
}

// ---------------------------------------------------------------- characteristic properties

Result<uint16_t> ControlCore::characteristicFlags(int32_t index)
{
    Result<CharacteristicRecord*> c = characteristicAt(index);
    if (!c.ok())
        return Result<uint16_t>::fail(c.status);
    // Flags are read once; the extended-properties descriptors come first.
    if (!c.value->flagsRead && link_->connected()) {
        const std::string service = selectedService_, id = c.value->id;
        link_->ensureDescriptors(service, id, EnsuredKind::ExtendedProperties);
        // Handlers that ran meanwhile may have changed the tree or the selection.
        c = characteristicAt(index);
        if (!c.ok())
            return Result<uint16_t>::fail(c.status);
        if (c.value->id == id)
            c.value->flagsRead = true;
    }
    return Result<uint16_t>::of(c.value->flags);
}

Result<bool> ControlCore::characteristicCanSubscribe(int32_t index)
{
    Result<uint16_t> f = characteristicFlags(index);
    if (!f.ok())
        return Result<bool>::fail(f.status);
    return Result<bool>::of((f.value & (flag::kNotify | flag::kIndicate)) != 0);
}

Result<std::string> ControlCore::characteristicUserDescription(int32_t index)
{
    Result<CharacteristicRecord*> c = characteristicAt(index);
    if (!c.ok())
        return Result<std::string>::fail(c.status);
    if (link_->connected()) {
        const std::string service = selectedService_, id = c.value->id;
        link_->ensureDescriptors(service, id, EnsuredKind::UserDescription);
        c = characteristicAt(index);
        if (!c.ok())
            return Result<std::string>::fail(c.status);
    }
    return Result<std::string>::of(c.value->userDescription);
}

Status ControlCore::setCharacteristicUserDescription(int32_t index, const std::string& text)
{
    Result<CharacteristicRecord*> c = characteristicAt(index);
    if (!c.ok())
        return c.status;
    if (Status s = requireConnection(); !s.ok())
        return s;
    Result<uint16_t> f = characteristicFlags(index);
    if (!f.ok())
        return f.status;
    if (!(f.value & flag::kWritableAuxiliaries))
        return fail(kErrNotAllowed, "A characteristic's user description cannot be changed unless it has the "
                                    "'Writable Auxiliaries' flag set.");
    c = characteristicAt(index);
    if (!c.ok())
        return c.status;
    const std::string service = selectedService_, id = c.value->id;
    return fail(link_->writeUserDescription(service, id, text));
}

Result<CharacteristicRecord*> ControlCore::characteristicWithFormats(int32_t index)
{
    Result<CharacteristicRecord*> c = characteristicAt(index);
    if (c.ok() && link_->connected()) {
        const std::string service = selectedService_, id = c.value->id;
        link_->ensureDescriptors(service, id, EnsuredKind::PresentationFormats);
        link_->ensureDescriptors(service, id, EnsuredKind::AggregateFormats);
        c = characteristicAt(index);
    }
    return c;
}

Result<int> ControlCore::characteristicValueFormatCount(int32_t index)
{
    Result<CharacteristicRecord*> c = characteristicWithFormats(index);
    if (!c.ok())
        return Result<int>::fail(c.status);
    return Result<int>::of(static_cast<int>(c.value->formats.size()));
}

Result<int> ControlCore::characteristicValueFormatIndex(int32_t index)
{
    Result<CharacteristicRecord*> c = characteristicWithFormats(index);
    if (!c.ok())
        return Result<int>::fail(c.status);
    const CharacteristicRecord& rec = *c.value;
    if (rec.formats.empty())
        return Result<int>::of(-1);
    return Result<int>::of(rec.formatIndex < 0 ? 0 : rec.formatIndex);
}

Status ControlCore::setCharacteristicValueFormatIndex(int32_t index, int32_t formatIndex)
{
    Result<CharacteristicRecord*> c = characteristicWithFormats(index);
    if (!c.ok())
        return c.status;
    CharacteristicRecord& rec = *c.value;
    const int32_t count = static_cast<int32_t>(rec.formats.size());
    if (count == 0 && formatIndex == -1) {
        rec.formatIndex = -1;
        return {};
    }
    if (formatIndex < 0 || formatIndex >= count)
        return fail(kErrBadArgument, text::kInvalidValueFormatIndex);
    rec.formatIndex = formatIndex;
    return {};
}

namespace {
const PresentationFormat* currentFormatOf(const CharacteristicRecord& rec)
{
    if (rec.formats.empty())
        return nullptr;
    const int i = rec.formatIndex < 0 ? 0 : rec.formatIndex;
    return static_cast<size_t>(i) < rec.formats.size() ? &rec.formats[static_cast<size_t>(i)] : nullptr;
}
} // namespace

Result<int> ControlCore::characteristicValueFormat(int32_t index)
{
    Result<CharacteristicRecord*> c = characteristicWithFormats(index);
    if (!c.ok())
        return Result<int>::fail(c.status);
    const PresentationFormat* f = currentFormatOf(*c.value);
    return Result<int>::of(f ? valueFormatFromType(f->formatType) : vfUndefined);
}

Result<int> ControlCore::characteristicValueExponent(int32_t index)
{
    Result<CharacteristicRecord*> c = characteristicWithFormats(index);
    if (!c.ok())
        return Result<int>::fail(c.status);
    const PresentationFormat* f = currentFormatOf(*c.value);
    return Result<int>::of(f ? f->exponent : 0);
}

Result<std::string> ControlCore::characteristicValueUnit(int32_t index)
{
    Result<CharacteristicRecord*> c = characteristicWithFormats(index);
    if (!c.ok())
        return Result<std::string>::fail(c.status);
    const PresentationFormat* f = currentFormatOf(*c.value);
    return Result<std::string>::of(f ? formatUuid(sigUuid(f->unit)) : std::string());
}

} // namespace corvel
