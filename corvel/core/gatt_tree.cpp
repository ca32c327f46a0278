#include "corvel/core/gatt_tree.h"

#include <cstdio>

#include "corvel/sig/errors.h"
#include "corvel/sig/sig_names.h"

namespace corvel {

namespace {

struct FlagLetter {
    uint16_t bit;
    const char* letters;
};
const FlagLetter kFlagLetters[] = {
    {flag::kBroadcast, "B"},  {flag::kRead, "R"},   {flag::kWriteWithoutResponse, "WWR"},
    {flag::kWrite, "W"},      {flag::kNotify, "N"}, {flag::kIndicate, "I"},
    {flag::kAuthenticatedSignedWrites, "ASR"}, {flag::kReliableWrites, "RW"},
    {flag::kWritableAuxiliaries, "WA"},
};

std::string uuidText(const std::optional<Uuid>& uuid) { return uuid ? formatUuid(*uuid) : std::string(); }

void appendLineStart(std::string& out, const char* marker, const std::optional<Uuid>& uuid, SigKind kind)
{
    out += marker;
    out += uuidText(uuid);
    out += ' ';
    const std::string name = uuid ? sigName(kind, *uuid) : std::string();
    if (!name.empty()) {
        out += '"';
        out += name;
        out += "\" ";
    }
}

} // namespace

uint16_t flagsFromOsProperties(uint32_t os)
{
    uint16_t f = static_cast<uint16_t>(os & 0x07F);
    if (os & 0x100)
        f |= flag::kReliableWrites;
    if (os & 0x200)
        f |= flag::kWritableAuxiliaries;
    return f;
}

std::string flagLetters(uint16_t flags)
{
    std::string s;
    for (const FlagLetter& fl : kFlagLetters) {
        if (!(flags & fl.bit))
            continue;
        if (!s.empty())
            s += ',';
        s += fl.letters;
    }
    return s;
}

Result<std::string> makeGattId(uint16_t service, uint16_t characteristic, uint16_t descriptor)
{
    if (service == 0)
        return Result<std::string>::fail(Status::failure(kErrBadArgument, text::kZeroServiceHandle));
    if (characteristic == 0 && descriptor != 0)
        return Result<std::string>::fail(Status::failure(kErrBadArgument, text::kDescriptorWithoutCharacteristic));
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04X%04X%04X", service, characteristic, descriptor);
    return Result<std::string>::of(buf);
}

const PresentationFormat* CharacteristicRecord::currentFormat() const
{
    if (formatIndex < 0 || static_cast<size_t>(formatIndex) >= formats.size())
        return nullptr;
    return &formats[static_cast<size_t>(formatIndex)];
}

const DescriptorRecord* CharacteristicRecord::findDescriptor(std::string_view wanted) const
{
    for (const DescriptorRecord& d : descriptors)
        if (!d.id.empty() && d.id == wanted)
            return &d;
    return nullptr;
}

CharacteristicRecord* ServiceRecord::findCharacteristic(std::string_view wanted)
{
    for (CharacteristicRecord& c : characteristics)
        if (!c.id.empty() && c.id == wanted)
            return &c;
    return nullptr;
}

const CharacteristicRecord* ServiceRecord::findCharacteristic(std::string_view wanted) const
{
    return const_cast<ServiceRecord*>(this)->findCharacteristic(wanted);
}

ServiceRecord* GattTree::findService(std::string_view wanted)
{
    for (ServiceRecord& s : services_)
        if (!s.id.empty() && s.id == wanted)
            return &s;
    return nullptr;
}

const ServiceRecord* GattTree::findService(std::string_view wanted) const
{
    return const_cast<GattTree*>(this)->findService(wanted);
}

std::pair<ServiceRecord*, bool> GattTree::addService(const std::string& id, const Uuid& uuid)
{
    if (ServiceRecord* existing = findService(id))
        return {existing, false};
    ServiceRecord s;
    s.id = id;
    s.uuid = uuid;
    services_.push_back(std::move(s));
    return {&services_.back(), true};
}

std::string joinIds(const std::vector<std::string>& ids)
{
    std::string s;
    for (size_t i = 0; i < ids.size(); ++i) {
        if (i)
            s += ',';
        s += ids[i];
    }
    return s;
}

std::string GattTree::dump() const
{
    std::string out = "GATT Object Tree Info [>Services, >>Characteristics, >>>Descriptors]:\r\n";
    for (const ServiceRecord& s : services_) {
        appendLineStart(out, ">", s.uuid, SigKind::Service);
        out += "[ID=" + s.id + ", ParentSvcIds=\"" + joinIds(s.parentIds) + "\", IncludedSvcIds=\"" +
               joinIds(s.includedIds) + "\"]\r\n";
        for (const CharacteristicRecord& c : s.characteristics) {
            appendLineStart(out, ">>", c.uuid, SigKind::Characteristic);
            char hex[8];
            std::snprintf(hex, sizeof hex, "%X", c.flags);
            out += "[ID=" + c.id + ", Flags=0x" + hex + " (" + flagLetters(c.flags) +
                   "), Subscribed=" + (c.subscribed == 1 ? "True" : "False") + ", UserDescr=\"" +
                   c.userDescription + "\", VFCount=" + std::to_string(c.formats.size()) + "]\r\n";
            for (const DescriptorRecord& d : c.descriptors) {
                appendLineStart(out, ">>>", d.uuid, SigKind::Descriptor);
                out += "[ID=" + d.id + "]\r\n";
            }
        }
    }
    return out;
}

} // namespace corvel
