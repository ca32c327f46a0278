// The GATT part of a scenario file: services, characteristics, descriptors, injected errors.
#include <QJsonArray>

#include "sim/scenario_json_parts.h"

namespace zenu::sim {

using namespace bluetooth;

namespace {

uint32_t propertyBit(const std::string& name) {
    static const std::pair<const char*, uint32_t> names[] = {
        {"broadcast", properties::kBroadcast},
        {"read", properties::kRead},
        {"writeWithoutResponse", properties::kWriteWithoutResponse},
        {"write", properties::kWrite},
        {"notify", properties::kNotify},
        {"indicate", properties::kIndicate},
        {"authenticatedSignedWrites", properties::kAuthenticatedSignedWrites},
        {"reliableWrites", properties::kReliableWrites},
        {"writableAuxiliaries", properties::kWritableAuxiliaries}};
    for (const auto& [n, bit] : names)
        if (name == n) return bit;
    return 0;
}

// Each element of an array of objects through `read(object, path)`; what is not an object
// has been reported and is left out.
template <typename T, typename Read>
std::vector<T> readObjects(JsonReader& r, const QJsonValue& v, const std::string& path, Read read) {
    std::vector<T> out;
    auto a = r.array(v, path);
    if (!a) return out;
    for (int i = 0; i < a->size(); ++i) {
        const std::string p = JsonReader::at(path, i);
        if (auto o = r.object(a->at(i), p)) out.push_back(read(*o, p));
    }
    return out;
}

// The fields every GATT object has: handle, UUID, injected errors and latency.
template <typename Def>
void readObjectFields(JsonReader& r, const QJsonObject& o, const std::string& path, Def& d) {
    if (o.contains(QLatin1String("handle")))
        if (auto h = r.integer(o.value(QLatin1String("handle")), path + ".handle", 1, 0xFFFF)) d.handle = static_cast<uint16_t>(*h);
    if (auto g = r.uuid(o.value(QLatin1String("uuid")), path + ".uuid")) d.uuid = *g;
    if (o.contains(QLatin1String("errors"))) d.errors = readErrors(r, o.value(QLatin1String("errors")), path + ".errors");
    if (o.contains(QLatin1String("latency"))) d.latency = readLatency(r, o.value(QLatin1String("latency")), path + ".latency");
}

InjectedError readError(JsonReader& r, const QJsonValue& v, const std::string& path) {
    InjectedError e;
    auto statusByName = [&](const std::string& name, const std::string& p) {
        if (auto s = communicationStatusFromString(name); s && *s != CommunicationStatus::Success) e.status = *s;
        else r.fail(p, "\"Unreachable\", \"AccessDenied\", \"ProtocolError\" or an ATT error code is expected");
    };
    if (v.isString() && !v.toString().startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        statusByName(v.toString().toStdString(), path);
        return e;
    }
    if (v.isObject()) {
        const QJsonObject o = v.toObject();
        r.allowKeys(o, path, {"status", "code", "times"});
        if (o.contains(QLatin1String("status")))
            statusByName(r.text(o.value(QLatin1String("status")), path + ".status").value_or(""), path + ".status");
        if (o.contains(QLatin1String("code")))
            if (auto c = r.integer(o.value(QLatin1String("code")), path + ".code", 0, 255)) e.code = static_cast<uint8_t>(*c);
        r.intField(o, "times", path, e.times, -1, 1000000);
        return e;
    }
    if (auto c = r.integer(v, path, 0, 255)) e.code = static_cast<uint8_t>(*c);
    return e;
}

std::vector<DescriptorDef> readDescriptors(JsonReader& r, const QJsonValue& v, const std::string& path) {
    return readObjects<DescriptorDef>(r, v, path, [&r](const QJsonObject& o, const std::string& p) {
        r.allowKeys(o, p, {"handle", "uuid", "value", "writable", "errors", "latency"});
        DescriptorDef d;
        readObjectFields(r, o, p, d);
        if (o.contains(QLatin1String("value")))
            if (auto b = r.bytes(o.value(QLatin1String("value")), p + ".value")) d.value = *b;
        r.boolField(o, "writable", p, d.writable);
        return d;
    });
}

std::vector<PresentationFormat> readFormats(JsonReader& r, const QJsonValue& v, const std::string& path) {
    return readObjects<PresentationFormat>(r, v, path, [&r](const QJsonObject& o, const std::string& p) {
        r.allowKeys(o, p, {"format", "exponent", "unit", "namespace", "description"});
        PresentationFormat f;
        int format = 0, exponent = 0, unit = 0, nameSpace = 1, description = 0;
        r.intField(o, "format", p, format, 0, 255);
        r.intField(o, "exponent", p, exponent, -128, 127);
        r.intField(o, "unit", p, unit, 0, 0xFFFF);
        r.intField(o, "namespace", p, nameSpace, 0, 255);
        r.intField(o, "description", p, description, 0, 0xFFFF);
        f.formatType = static_cast<uint8_t>(format);
        f.exponent = static_cast<int8_t>(exponent);
        f.unit = static_cast<uint16_t>(unit);
        f.nameSpace = static_cast<uint8_t>(nameSpace);
        f.description = static_cast<uint16_t>(description);
        return f;
    });
}

CharacteristicDef readCharacteristic(JsonReader& r, const QJsonObject& o, const std::string& path) {
    CharacteristicDef c;
    r.allowKeys(o, path,
                {"handle", "uuid", "properties", "value", "userDescription", "formats", "descriptors", "errors", "latency"});
    readObjectFields(r, o, path, c);
    if (o.contains(QLatin1String("properties")))
        if (auto a = r.array(o.value(QLatin1String("properties")), path + ".properties"))
            for (int i = 0; i < a->size(); ++i) {
                const std::string p = JsonReader::at(path + ".properties", i);
                const std::string name = r.text(a->at(i), p).value_or("");
                const uint32_t bit = propertyBit(name);
                if (!bit) r.fail(p, "a property such as \"read\", \"write\" or \"notify\" is expected");
                c.properties |= bit;
            }
    if (o.contains(QLatin1String("value")))
        if (auto b = r.bytes(o.value(QLatin1String("value")), path + ".value")) c.value = *b;
    if (o.contains(QLatin1String("userDescription")))
        c.userDescription = r.text(o.value(QLatin1String("userDescription")), path + ".userDescription");
    if (o.contains(QLatin1String("formats"))) c.formats = readFormats(r, o.value(QLatin1String("formats")), path + ".formats");
    if (o.contains(QLatin1String("descriptors")))
        c.descriptors = readDescriptors(r, o.value(QLatin1String("descriptors")), path + ".descriptors");
    return c;
}

}  // namespace

ErrorMap readErrors(JsonReader& r, const QJsonValue& v, const std::string& path) {
    ErrorMap out;
    auto o = r.object(v, path);
    if (!o) return out;
    static const std::pair<const char*, ErrorOp> ops[] = {{"discover", ErrorOp::Discover},
                                                           {"read", ErrorOp::Read},
                                                           {"write", ErrorOp::Write},
                                                           {"cccdRead", ErrorOp::CccdRead},
                                                           {"cccdWrite", ErrorOp::CccdWrite}};
    r.allowKeys(*o, path, {"discover", "read", "write", "cccdRead", "cccdWrite"});
    for (const auto& [name, op] : ops)
        if (o->contains(QLatin1String(name))) out[op] = readError(r, o->value(QLatin1String(name)), path + "." + name);
    return out;
}

std::vector<ServiceDef> readServices(JsonReader& r, const QJsonValue& v, const std::string& path) {
    return readObjects<ServiceDef>(r, v, path, [&r](const QJsonObject& o, const std::string& p) {
        r.allowKeys(o, p, {"handle", "uuid", "primary", "includes", "characteristics", "errors", "latency"});
        ServiceDef s;
        readObjectFields(r, o, p, s);
        r.boolField(o, "primary", p, s.primary);
        if (o.contains(QLatin1String("includes")))
            if (auto inc = r.array(o.value(QLatin1String("includes")), p + ".includes"))
                for (int j = 0; j < inc->size(); ++j)
                    if (auto h = r.integer(inc->at(j), JsonReader::at(p + ".includes", j), 1, 0xFFFF))
                        s.includes.push_back(static_cast<uint16_t>(*h));
        if (o.contains(QLatin1String("characteristics")))
            s.characteristics = readObjects<CharacteristicDef>(
                r, o.value(QLatin1String("characteristics")), p + ".characteristics",
                [&r](const QJsonObject& c, const std::string& cp) { return readCharacteristic(r, c, cp); });
        return s;
    });
}

}  // namespace zenu::sim
