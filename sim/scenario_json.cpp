#include "sim/scenario_json.h"

#include <QJsonDocument>
#include <QJsonParseError>

#include "sim/scenario_json_parts.h"

namespace zenu::sim {

using namespace bluetooth;

namespace {

AdapterDef readAdapter(JsonReader& r, const QJsonValue& v, const std::string& path) {
    AdapterDef a;
    auto o = r.object(v, path);
    if (!o) return a;
    r.allowKeys(*o, path, {"present", "lowEnergy", "address", "radio", "scanStartDelayMs", "scanStopDelayMs", "scanAbort"});
    r.boolField(*o, "present", path, a.present);
    r.boolField(*o, "lowEnergy", path, a.lowEnergy);
    r.field(*o, "address", path, a.address, [&](const QJsonValue& x, const std::string& p) { return r.address(x, p); });
    r.boolField(*o, "radio", path, a.radioOn);
    r.intField(*o, "scanStartDelayMs", path, a.scanStartDelayMs, 0, 3600000);
    r.intField(*o, "scanStopDelayMs", path, a.scanStopDelayMs, 0, 3600000);
    if (o->contains(QLatin1String("scanAbort"))) {
        const std::string p = path + ".scanAbort";
        if (auto name = r.text(o->value(QLatin1String("scanAbort")), p)) {
            a.scanAbort = bluetoothErrorFromString(*name);
            if (!a.scanAbort) r.fail(p, "an error name such as \"ResourceInUse\" is expected");
        }
    }
    return a;
}

std::vector<Guid> readUuidList(JsonReader& r, const QJsonValue& v, const std::string& path) {
    std::vector<Guid> out;
    auto a = r.array(v, path);
    if (!a) return out;
    for (int i = 0; i < a->size(); ++i)
        if (auto g = r.uuid(a->at(i), JsonReader::at(path, i))) out.push_back(*g);
    return out;
}

AdvertisingData readAdvertisingData(JsonReader& r, const QJsonObject& o, const std::string& path) {
    AdvertisingData d;
    if (o.contains(QLatin1String("name"))) d.name = r.text(o.value(QLatin1String("name")), path + ".name");
    r.boolField(o, "shortenedName", path, d.shortenedName);
    if (o.contains(QLatin1String("flags")))
        if (auto f = r.integer(o.value(QLatin1String("flags")), path + ".flags", 0, 255)) d.flags = static_cast<uint8_t>(*f);
    if (o.contains(QLatin1String("txPower")))
        if (auto t = r.integer(o.value(QLatin1String("txPower")), path + ".txPower", -127, 127))
            d.txPower = static_cast<int8_t>(*t);
    if (o.contains(QLatin1String("serviceUuids")))
        d.serviceUuids = readUuidList(r, o.value(QLatin1String("serviceUuids")), path + ".serviceUuids");
    if (o.contains(QLatin1String("solicitations")))
        d.solicitations = readUuidList(r, o.value(QLatin1String("solicitations")), path + ".solicitations");
    if (o.contains(QLatin1String("serviceData"))) {
        const std::string p = path + ".serviceData";
        if (auto a = r.array(o.value(QLatin1String("serviceData")), p))
            for (int i = 0; i < a->size(); ++i) {
                const std::string pi = JsonReader::at(p, i);
                auto e = r.object(a->at(i), pi);
                if (!e) continue;
                r.allowKeys(*e, pi, {"uuid", "data"});
                ServiceDataEntry sd;
                if (auto g = r.uuid(e->value(QLatin1String("uuid")), pi + ".uuid")) sd.uuid = *g;
                if (e->contains(QLatin1String("data")))
                    if (auto b = r.bytes(e->value(QLatin1String("data")), pi + ".data")) sd.data = *b;
                d.serviceData.push_back(sd);
            }
    }
    if (o.contains(QLatin1String("manufacturerData"))) {
        const std::string p = path + ".manufacturerData";
        if (auto a = r.array(o.value(QLatin1String("manufacturerData")), p))
            for (int i = 0; i < a->size(); ++i) {
                const std::string pi = JsonReader::at(p, i);
                auto e = r.object(a->at(i), pi);
                if (!e) continue;
                r.allowKeys(*e, pi, {"companyId", "data"});
                ManufacturerData md;
                if (auto c = r.integer(e->value(QLatin1String("companyId")), pi + ".companyId", 0, 0xFFFF))
                    md.companyId = static_cast<uint16_t>(*c);
                if (e->contains(QLatin1String("data")))
                    if (auto b = r.bytes(e->value(QLatin1String("data")), pi + ".data")) md.data = *b;
                d.manufacturerData.push_back(md);
            }
    }
    if (o.contains(QLatin1String("rawSections"))) {
        const std::string p = path + ".rawSections";
        if (auto a = r.array(o.value(QLatin1String("rawSections")), p))
            for (int i = 0; i < a->size(); ++i) {
                const std::string pi = JsonReader::at(p, i);
                auto e = r.object(a->at(i), pi);
                if (!e) continue;
                r.allowKeys(*e, pi, {"type", "data"});
                DataSection s;
                if (auto t = r.integer(e->value(QLatin1String("type")), pi + ".type", 0, 255)) s.type = static_cast<uint8_t>(*t);
                if (e->contains(QLatin1String("data")))
                    if (auto b = r.bytes(e->value(QLatin1String("data")), pi + ".data")) s.data = *b;
                d.rawSections.push_back(s);
            }
    }
    return d;
}

#define ZENU_ADVERTISING_DATA_KEYS \
    "name", "shortenedName", "flags", "txPower", "serviceUuids", "solicitations", "serviceData", "manufacturerData", \
        "rawSections"

AdvertisingDef readAdvertising(JsonReader& r, const QJsonValue& v, const std::string& path) {
    AdvertisingDef a;
    auto o = r.object(v, path);
    if (!o) return a;
    r.allowKeys(*o, path,
                {ZENU_ADVERTISING_DATA_KEYS, "enabled", "scanResponse", "type", "addressType", "rssi", "rssiJitter",
                 "intervalMs"});
    a.data = readAdvertisingData(r, *o, path);
    r.boolField(*o, "enabled", path, a.enabled);
    if (o->contains(QLatin1String("scanResponse"))) {
        const std::string p = path + ".scanResponse";
        if (auto s = r.object(o->value(QLatin1String("scanResponse")), p)) {
            r.allowKeys(*s, p, {ZENU_ADVERTISING_DATA_KEYS});
            a.scanResponse = readAdvertisingData(r, *s, p);
        }
    }
    if (o->contains(QLatin1String("type"))) {
        const std::string p = path + ".type";
        if (auto name = r.text(o->value(QLatin1String("type")), p)) {
            if (auto t = advertisementTypeFromString(*name)) a.type = *t;
            else r.fail(p, "an advertisement type such as \"ConnectableUndirected\" is expected");
        }
    }
    if (o->contains(QLatin1String("addressType"))) {
        const std::string p = path + ".addressType";
        if (auto t = r.text(o->value(QLatin1String("addressType")), p)) {
            if (*t == "public") a.addressType = AddressType::Public;
            else if (*t == "random") a.addressType = AddressType::Random;
            else r.fail(p, "\"public\" or \"random\" is expected");
        }
    }
    int rssi = a.rssi;
    r.intField(*o, "rssi", path, rssi, -127, 20);
    a.rssi = static_cast<int16_t>(rssi);
    r.intField(*o, "rssiJitter", path, a.rssiJitter, 0, 40);
    r.intField(*o, "intervalMs", path, a.intervalMs, 10, 60000);
    return a;
}

PairingDef readPairing(JsonReader& r, const QJsonValue& v, const std::string& path) {
    PairingDef p;
    auto o = r.object(v, path);
    if (!o) return p;
    r.allowKeys(*o, path, {"canPair", "kind", "pin", "paired", "result", "timeoutMs"});
    r.boolField(*o, "canPair", path, p.canPair);
    if (o->contains(QLatin1String("kind"))) {
        if (auto name = r.text(o->value(QLatin1String("kind")), path + ".kind")) {
            if (auto k = pairingKindFromString(*name)) p.kind = *k;
            else r.fail(path + ".kind", "\"ConfirmOnly\", \"DisplayPin\", \"ProvidePin\" or \"ConfirmPinMatch\" is expected");
        }
    }
    r.textField(*o, "pin", path, p.pin);
    r.boolField(*o, "paired", path, p.paired);
    if (o->contains(QLatin1String("result"))) {
        if (auto name = r.text(o->value(QLatin1String("result")), path + ".result")) {
            p.result = pairingStatusFromString(*name);
            if (!p.result) r.fail(path + ".result", "a pairing status such as \"PairingCanceled\" is expected");
        }
    }
    r.intField(*o, "timeoutMs", path, p.timeoutMs, 0, 3600000);
    return p;
}

TimedEvent readEvent(JsonReader& r, const QJsonValue& v, const std::string& path, bool scenarioLevel) {
    TimedEvent e;
    auto o = r.object(v, path);
    if (!o) return e;
    r.allowKeys(*o, path,
                {"type", "from", "at", "every", "count", "device", "handle", "value", "values", "name", "add", "remove",
                 "error", "enabled"});
    static const std::pair<const char*, EventType> types[] = {
        {"notify", EventType::Notify},   {"offline", EventType::Offline},
        {"online", EventType::Online},   {"name", EventType::Name},
        {"servicesChanged", EventType::ServicesChanged}, {"radioOff", EventType::RadioOff},
        {"radioOn", EventType::RadioOn}, {"advertising", EventType::Advertising}};
    const std::string type = r.text(o->value(QLatin1String("type")), path + ".type").value_or("");
    bool known = false;
    for (const auto& [name, t] : types)
        if (type == name) e.type = t, known = true;
    if (!known) r.fail(path + ".type", "an event type such as \"notify\" or \"offline\" is expected");
    const bool global = e.type == EventType::RadioOff || e.type == EventType::RadioOn;
    e.from = scenarioLevel ? EventFrom::Start : EventFrom::Connect;
    if (o->contains(QLatin1String("from"))) {
        const std::string from = r.text(o->value(QLatin1String("from")), path + ".from").value_or("");
        if (from == "start") e.from = EventFrom::Start;
        else if (from == "connect") e.from = EventFrom::Connect;
        else if (from == "subscribe") e.from = EventFrom::Subscribe;
        else r.fail(path + ".from", "\"start\", \"connect\" or \"subscribe\" is expected");
    }
    if (global && e.from != EventFrom::Start) r.fail(path + ".from", "radio events count from \"start\"");
    r.intField(*o, "at", path, e.atMs, 0, 86400000);
    r.intField(*o, "every", path, e.everyMs, 0, 86400000);
    r.intField(*o, "count", path, e.count, -1, 1000000);
    if (e.everyMs > 0 && !o->contains(QLatin1String("count"))) e.count = -1;
    if (scenarioLevel && !global) {
        if (!o->contains(QLatin1String("device"))) r.fail(path, "the event needs the \"device\" it happens to");
        else r.field(*o, "device", path, e.address, [&](const QJsonValue& x, const std::string& p) { return r.address(x, p); });
    }
    if (e.type == EventType::Notify) {
        if (auto h = r.integer(o->value(QLatin1String("handle")), path + ".handle", 1, 0xFFFF)) e.handle = static_cast<uint16_t>(*h);
        if (o->contains(QLatin1String("value")))
            if (auto b = r.bytes(o->value(QLatin1String("value")), path + ".value")) e.values.push_back(*b);
        if (o->contains(QLatin1String("values")))
            if (auto a = r.array(o->value(QLatin1String("values")), path + ".values"))
                for (int i = 0; i < a->size(); ++i)
                    if (auto b = r.bytes(a->at(i), JsonReader::at(path + ".values", i))) e.values.push_back(*b);
    }
    if (e.type == EventType::Name) r.textField(*o, "name", path, e.name);
    if (e.type == EventType::ServicesChanged) {
        if (o->contains(QLatin1String("add"))) e.addServices = readServices(r, o->value(QLatin1String("add")), path + ".add");
        if (o->contains(QLatin1String("remove")))
            if (auto a = r.array(o->value(QLatin1String("remove")), path + ".remove"))
                for (int i = 0; i < a->size(); ++i)
                    if (auto h = r.integer(a->at(i), JsonReader::at(path + ".remove", i), 1, 0xFFFF))
                        e.removeServices.push_back(static_cast<uint16_t>(*h));
    }
    if (e.type == EventType::RadioOff && o->contains(QLatin1String("error"))) {
        const std::string name = r.text(o->value(QLatin1String("error")), path + ".error").value_or("");
        if (auto err = bluetoothErrorFromString(name)) e.error = *err;
        else r.fail(path + ".error", "an error name such as \"RadioNotAvailable\" is expected");
    }
    if (e.type == EventType::Advertising) r.boolField(*o, "enabled", path, e.enabled);
    return e;
}

std::vector<TimedEvent> readEvents(JsonReader& r, const QJsonValue& v, const std::string& path, bool scenarioLevel) {
    std::vector<TimedEvent> out;
    if (auto a = r.array(v, path))
        for (int i = 0; i < a->size(); ++i) out.push_back(readEvent(r, a->at(i), JsonReader::at(path, i), scenarioLevel));
    return out;
}

DeviceDef readDevice(JsonReader& r, const QJsonValue& v, const std::string& path) {
    DeviceDef d;
    auto o = r.object(v, path);
    if (!o) return d;
    r.allowKeys(*o, path,
                {"address", "name", "online", "connectable", "advertising", "gatt", "pairing", "latency", "events", "gauge"});
    if (!o->contains(QLatin1String("address"))) r.fail(path, "the device needs an \"address\"");
    r.field(*o, "address", path, d.address, [&](const QJsonValue& x, const std::string& p) { return r.address(x, p); });
    r.textField(*o, "name", path, d.name);
    r.boolField(*o, "online", path, d.online);
    r.boolField(*o, "connectable", path, d.connectable);
    if (!d.connectable) d.advertising.type = AdvertisementType::NonConnectableUndirected;
    if (o->contains(QLatin1String("advertising"))) {
        const AdvertisementType type = d.advertising.type;
        d.advertising = readAdvertising(r, o->value(QLatin1String("advertising")), path + ".advertising");
        const QJsonObject adv = o->value(QLatin1String("advertising")).toObject();
        if (!adv.contains(QLatin1String("type"))) d.advertising.type = type;
    }
    if (o->contains(QLatin1String("gatt"))) {
        const std::string p = path + ".gatt";
        if (auto g = r.object(o->value(QLatin1String("gatt")), p)) {
            r.allowKeys(*g, p, {"services", "errors"});
            if (g->contains(QLatin1String("services")))
                d.gatt.services = readServices(r, g->value(QLatin1String("services")), p + ".services");
            if (g->contains(QLatin1String("errors"))) d.gatt.errors = readErrors(r, g->value(QLatin1String("errors")), p + ".errors");
        }
    }
    if (o->contains(QLatin1String("pairing"))) d.pairing = readPairing(r, o->value(QLatin1String("pairing")), path + ".pairing");
    if (o->contains(QLatin1String("latency"))) d.latency = readLatency(r, o->value(QLatin1String("latency")), path + ".latency");
    if (o->contains(QLatin1String("events"))) d.events = readEvents(r, o->value(QLatin1String("events")), path + ".events", false);
    if (o->contains(QLatin1String("gauge"))) d.gauge = readGauge(r, o->value(QLatin1String("gauge")), path + ".gauge");
    for (const auto& e : d.events)
        if (e.type == EventType::RadioOff || e.type == EventType::RadioOn)
            r.fail(path + ".events", "radio events belong to the scenario's own \"events\"");
    return d;
}

}  // namespace

Latency readLatency(JsonReader& r, const QJsonValue& v, const std::string& path) {
    Latency l;
    auto o = r.object(v, path);
    if (!o) return l;
    r.allowKeys(*o, path,
                {"connect", "discovery", "read", "write", "cccd", "pair", "cached", "notify", "unreachable", "device"});
    const int max = 3600000;
    r.intField(*o, "connect", path, l.connect, 0, max);
    r.intField(*o, "discovery", path, l.discovery, 0, max);
    r.intField(*o, "read", path, l.read, 0, max);
    r.intField(*o, "write", path, l.write, 0, max);
    r.intField(*o, "cccd", path, l.cccd, 0, max);
    r.intField(*o, "pair", path, l.pair, 0, max);
    r.intField(*o, "cached", path, l.cached, 0, max);
    r.intField(*o, "notify", path, l.notify, 0, max);
    r.intField(*o, "unreachable", path, l.unreachable, 0, max);
    r.intField(*o, "device", path, l.device, 0, max);
    return l;
}

std::optional<Scenario> parseScenario(const std::string& json, std::string* error) {
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(json), &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        int line = 1;
        for (int i = 0; i < parseError.offset && i < static_cast<int>(json.size()); ++i)
            if (json[static_cast<std::size_t>(i)] == '\n') ++line;
        if (error) *error = "line " + std::to_string(line) + ": " + parseError.errorString().toStdString();
        return std::nullopt;
    }
    JsonReader r;
    Scenario s;
    const std::string root = "scenario";
    if (auto o = r.object(doc.isObject() ? QJsonValue(doc.object()) : QJsonValue(), root)) {
        r.allowKeys(*o, root, {"adapter", "latency", "devices", "events"});
        if (o->contains(QLatin1String("adapter"))) s.adapter = readAdapter(r, o->value(QLatin1String("adapter")), "adapter");
        if (o->contains(QLatin1String("latency"))) s.latency = readLatency(r, o->value(QLatin1String("latency")), "latency");
        if (o->contains(QLatin1String("devices")))
            if (auto a = r.array(o->value(QLatin1String("devices")), "devices"))
                for (int i = 0; i < a->size(); ++i) s.devices.push_back(readDevice(r, a->at(i), JsonReader::at("devices", i)));
        if (o->contains(QLatin1String("events"))) s.events = readEvents(r, o->value(QLatin1String("events")), "events", true);
    }
    if (!r.ok()) {
        if (error) *error = r.error();
        return std::nullopt;
    }
    return s;
}

}  // namespace zenu::sim
