// The gauge part of a scenario file: identity, memories, live readings, faults, and the
// "generate" shorthand that fills readings from a seeded pseudo-random sequence.
#include <QJsonArray>
#include <cmath>
#include <numbers>

#include "sim/scenario_json_parts.h"

namespace zenu::sim {

namespace {

// Deterministic values for "generate": the same seed always gives the same readings.
class Sequence {
public:
    explicit Sequence(int64_t seed) : state_(static_cast<uint64_t>(seed) * 2862933555777941757ULL + 3037000493ULL) {}
    double next() {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<double>(state_ >> 11) / 9007199254740992.0;
    }

private:
    uint64_t state_;
};

double rounded(double v, int decimals) {
    const double f = std::pow(10.0, decimals);
    return std::round(v * f) / f;
}

struct Generate {
    int count = 0;
    double min = 0, max = 100;
    int64_t seed = 1;
    int deletedEvery = 0;
    int dualEvery = 0;
    std::vector<std::string> methods;
};

Generate readGenerate(JsonReader& r, const QJsonValue& v, const std::string& path) {
    Generate g;
    auto o = r.object(v, path);
    if (!o) return g;
    r.allowKeys(*o, path, {"count", "min", "max", "seed", "deletedEvery", "dualEvery", "methods"});
    r.intField(*o, "count", path, g.count, 0, 100000);
    r.field(*o, "min", path, g.min, [&](const QJsonValue& x, const std::string& p) { return r.number(x, p); });
    r.field(*o, "max", path, g.max, [&](const QJsonValue& x, const std::string& p) { return r.number(x, p); });
    r.field(*o, "seed", path, g.seed,
            [&](const QJsonValue& x, const std::string& p) { return r.integer(x, p, 0, 0x7FFFFFFF); });
    r.intField(*o, "deletedEvery", path, g.deletedEvery, 0, 100000);
    r.intField(*o, "dualEvery", path, g.dualEvery, 0, 100000);
    if (o->contains(QLatin1String("methods")))
        if (auto a = r.array(o->value(QLatin1String("methods")), path + ".methods"))
            for (int i = 0; i < a->size(); ++i)
                if (auto m = r.text(a->at(i), JsonReader::at(path + ".methods", i))) g.methods.push_back(*m);
    return g;
}

std::optional<int> readMethodBits(JsonReader& r, const QJsonValue& v, const std::string& path) {
    if (v.isString())
        if (auto bits = methodBitsFromName(v.toString().toStdString())) return bits;
    if (v.isDouble()) return r.integer(v, path, 0, 15);
    r.fail(path, "a method such as \"FE\", \"NF\", \"DNF\" or \"FLX\", or a method code 0 to 15, is expected");
    return std::nullopt;
}

GaugeFile readFile(JsonReader& r, const QJsonValue& v, const std::string& path, int decimals, int defaultMethod) {
    GaugeFile f;
    auto o = r.object(v, path);
    if (!o) return f;
    r.allowKeys(*o, path, {"name", "title", "timestamp", "intervalMs", "pulseTimeMs", "readings", "values", "generate"});
    r.textField(*o, "name", path, f.name);
    if (f.name.empty() || f.name.find(' ') != std::string::npos)
        r.fail(path + ".name", "a file name without blanks is expected (\"m001\", \"s002\", \"t003\")");
    r.textField(*o, "title", path, f.title);
    r.field(*o, "timestamp", path, f.timestamp, [&](const QJsonValue& x, const std::string& p) { return r.time(x, p); });
    r.intField(*o, "intervalMs", path, f.intervalMs, 0, 65535);
    r.field(*o, "pulseTimeMs", path, f.pulseTimeMs, [&](const QJsonValue& x, const std::string& p) { return r.number(x, p); });
    if (o->contains(QLatin1String("readings")))
        if (auto a = r.array(o->value(QLatin1String("readings")), path + ".readings"))
            for (int i = 0; i < a->size(); ++i) {
                const std::string p = JsonReader::at(path + ".readings", i);
                auto e = r.object(a->at(i), p);
                if (!e) continue;
                r.allowKeys(*e, p, {"value", "method", "time", "number", "deleted"});
                FileReading reading;
                reading.method = defaultMethod;
                r.field(*e, "value", p, reading.value, [&](const QJsonValue& x, const std::string& q) { return r.number(x, q); });
                r.field(*e, "method", p, reading.method,
                        [&](const QJsonValue& x, const std::string& q) { return readMethodBits(r, x, q); });
                r.field(*e, "time", p, reading.time, [&](const QJsonValue& x, const std::string& q) { return r.time(x, q); });
                r.intField(*e, "number", p, reading.number, 0, 0x7FFFFFFF);
                r.boolField(*e, "deleted", p, reading.deleted);
                f.readings.push_back(reading);
            }
    if (o->contains(QLatin1String("values")))
        if (auto a = r.array(o->value(QLatin1String("values")), path + ".values"))
            for (int i = 0; i < a->size(); ++i)
                if (auto n = r.number(a->at(i), JsonReader::at(path + ".values", i))) {
                    FileReading reading;
                    reading.value = *n;
                    reading.method = defaultMethod;
                    f.readings.push_back(reading);
                }
    if (o->contains(QLatin1String("generate"))) {
        const Generate g = readGenerate(r, o->value(QLatin1String("generate")), path + ".generate");
        Sequence seq(g.seed);
        const bool trace = !f.name.empty() && (f.name[0] == 't' || (f.name.size() > 1 && f.name[1] == 't'));
        std::vector<int> methods;
        for (std::size_t i = 0; i < g.methods.size(); ++i) {
            auto bits = methodBitsFromName(g.methods[i]);
            if (!bits) r.fail(path + ".generate.methods", "unknown method \"" + g.methods[i] + "\"");
            methods.push_back(bits.value_or(defaultMethod));
        }
        for (int i = 0; i < g.count; ++i) {
            FileReading reading;
            const double u = seq.next();
            // A trace is a wave with a little noise; other memories are scattered readings.
            reading.value = trace ? g.min + (g.max - g.min) * (0.5 + 0.45 * std::sin(2 * std::numbers::pi * i / 50.0) +
                                                              0.05 * (u - 0.5))
                                  : g.min + (g.max - g.min) * u;
            reading.value = rounded(reading.value, decimals);
            reading.method = methods.empty() ? defaultMethod : methods[static_cast<std::size_t>(i) % methods.size()];
            reading.deleted = g.deletedEvery > 0 && (i + 1) % g.deletedEvery == 0;
            f.readings.push_back(reading);
        }
    }
    return f;
}

StoredMemory readMemory(JsonReader& r, const QJsonValue& v, const std::string& path, int decimals) {
    StoredMemory m;
    auto o = r.object(v, path);
    if (!o) return m;
    r.allowKeys(*o, path, {"number", "count", "readings", "generate"});
    r.intField(*o, "number", path, m.number, 0, 9999);
    r.intField(*o, "count", path, m.listedCount, 0, 1000000);
    if (o->contains(QLatin1String("readings")))
        if (auto a = r.array(o->value(QLatin1String("readings")), path + ".readings"))
            for (int i = 0; i < a->size(); ++i) {
                const std::string p = JsonReader::at(path + ".readings", i);
                auto e = r.object(a->at(i), p);
                if (!e) continue;
                r.allowKeys(*e, p, {"value", "method", "unit", "time"});
                StoredReading reading;
                r.field(*e, "value", p, reading.value, [&](const QJsonValue& x, const std::string& q) { return r.number(x, q); });
                r.textField(*e, "method", p, reading.method);
                r.textField(*e, "unit", p, reading.unit);
                r.field(*e, "time", p, reading.time, [&](const QJsonValue& x, const std::string& q) { return r.time(x, q); });
                m.readings.push_back(reading);
            }
    if (o->contains(QLatin1String("generate"))) {
        const Generate g = readGenerate(r, o->value(QLatin1String("generate")), path + ".generate");
        Sequence seq(g.seed);
        for (int i = 0; i < g.count; ++i) {
            StoredReading reading;
            reading.value = rounded(g.min + (g.max - g.min) * seq.next(), decimals);
            if (!g.methods.empty()) reading.method = g.methods[static_cast<std::size_t>(i) % g.methods.size()];
            m.readings.push_back(reading);
        }
    }
    return m;
}

LiveStream readLive(JsonReader& r, const QJsonValue& v, const std::string& path, int decimals) {
    LiveStream live;
    auto o = r.object(v, path);
    if (!o) return live;
    r.allowKeys(*o, path, {"intervalMs", "startDelayMs", "repeat", "readings", "generate"});
    r.intField(*o, "intervalMs", path, live.intervalMs, 10, 3600000);
    r.intField(*o, "startDelayMs", path, live.startDelayMs, 0, 3600000);
    r.boolField(*o, "repeat", path, live.repeat);
    if (o->contains(QLatin1String("readings")))
        if (auto a = r.array(o->value(QLatin1String("readings")), path + ".readings"))
            for (int i = 0; i < a->size(); ++i) {
                const std::string p = JsonReader::at(path + ".readings", i);
                auto e = r.object(a->at(i), p);
                if (!e) continue;
                r.allowKeys(*e, p, {"value", "method", "dual", "unit"});
                LiveReading reading;
                r.field(*e, "value", p, reading.value, [&](const QJsonValue& x, const std::string& q) { return r.number(x, q); });
                r.textField(*e, "method", p, reading.method);
                if (e->contains(QLatin1String("dual"))) reading.dualValue = r.number(e->value(QLatin1String("dual")), p + ".dual");
                r.textField(*e, "unit", p, reading.unit);
                live.readings.push_back(reading);
            }
    if (o->contains(QLatin1String("generate"))) {
        const Generate g = readGenerate(r, o->value(QLatin1String("generate")), path + ".generate");
        Sequence seq(g.seed);
        for (int i = 0; i < g.count; ++i) {
            LiveReading reading;
            reading.value = rounded(g.min + (g.max - g.min) * seq.next(), decimals);
            if (!g.methods.empty()) reading.method = g.methods[static_cast<std::size_t>(i) % g.methods.size()];
            if (g.dualEvery > 0 && (i + 1) % g.dualEvery == 0)
                reading.dualValue = rounded(g.min + (g.max - g.min) * seq.next(), decimals);
            live.readings.push_back(reading);
        }
    }
    return live;
}

GaugeFault readFault(JsonReader& r, const QJsonValue& v, const std::string& path) {
    GaugeFault f;
    auto o = r.object(v, path);
    if (!o) return f;
    r.allowKeys(*o, path, {"kind", "command", "delayMs", "reply", "afterBlocks", "offlineMs", "times"});
    const std::string kind = r.text(o->value(QLatin1String("kind")), path + ".kind").value_or("");
    if (kind == "noReply") f.kind = FaultKind::NoReply;
    else if (kind == "lateReply") f.kind = FaultKind::LateReply;
    else if (kind == "malformed") f.kind = FaultKind::Malformed;
    else if (kind == "disconnect") f.kind = FaultKind::Disconnect;
    else r.fail(path + ".kind", "\"noReply\", \"lateReply\", \"malformed\" or \"disconnect\" is expected");
    r.textField(*o, "command", path, f.command);
    r.intField(*o, "delayMs", path, f.delayMs, 0, 3600000);
    r.textField(*o, "reply", path, f.reply);
    r.intField(*o, "afterBlocks", path, f.afterBlocks, 0, 1000000);
    r.intField(*o, "offlineMs", path, f.offlineMs, 0, 3600000);
    r.intField(*o, "times", path, f.times, -1, 1000000);
    if (f.kind == FaultKind::Malformed && !o->contains(QLatin1String("reply")))
        r.fail(path, "a \"malformed\" fault needs the \"reply\" to send");
    if (f.kind == FaultKind::Disconnect && f.command.empty()) f.command = "$rd";
    return f;
}

}  // namespace

GaugeDef readGauge(JsonReader& r, const QJsonValue& v, const std::string& path) {
    GaugeDef g;
    auto o = r.object(v, path);
    if (!o) return g;
    r.allowKeys(*o, path,
                {"model", "name", "serial", "firmware", "deviceType", "version1", "version2", "hardware", "mac", "unit",
                 "readingUnit", "decimals", "probe", "battery", "clock", "memoryChip", "commandService",
                 "replyDelayMs", "listPieceSize", "freeBytes", "firstFileHandle", "extraFiles", "files", "memories",
                 "live", "faults"});
    const std::string code = r.text(o->value(QLatin1String("model")), path + ".model").value_or("");
    if (auto m = modelFromCode(code)) g.model = *m;
    else r.fail(path + ".model", "a model is expected: QX, KV4, KV6, KV8, WB1, WB2, JZ, XK or VQB");
    const GaugeModelInfo& info = modelInfo(g.model);
    r.textField(*o, "name", path, g.name);
    r.textField(*o, "serial", path, g.serial);
    r.intField(*o, "firmware", path, g.firmware, 0, 999999);
    r.textField(*o, "deviceType", path, g.deviceType);
    r.textField(*o, "version1", path, g.version1);
    r.textField(*o, "version2", path, g.version2);
    r.textField(*o, "hardware", path, g.hardware);
    r.textField(*o, "mac", path, g.mac);
    r.textField(*o, "unit", path, g.unit);
    r.textField(*o, "readingUnit", path, g.readingUnit);
    r.intField(*o, "decimals", path, g.decimals, 0, 6);
    for (const std::string* value : {&g.serial, &g.deviceType, &g.version1, &g.version2, &g.hardware, &g.mac, &g.unit})
        if (value->find(':') != std::string::npos || value->find(' ') != std::string::npos)
            r.fail(path, "identity values may hold neither \":\" nor blanks (\"" + *value + "\")");
    if (o->contains(QLatin1String("probe"))) {
        const std::string p = path + ".probe";
        if (auto probe = r.object(o->value(QLatin1String("probe")), p)) {
            r.allowKeys(*probe, p, {"type", "revision", "serial"});
            r.textField(*probe, "type", p, g.probeType);
            r.textField(*probe, "revision", p, g.probeRevision);
            r.textField(*probe, "serial", p, g.probeSerial);
        }
    }
    r.field(*o, "battery", path, g.battery, [&](const QJsonValue& x, const std::string& p) { return r.number(x, p); });
    r.field(*o, "clock", path, g.clock, [&](const QJsonValue& x, const std::string& p) { return r.time(x, p); });
    r.textField(*o, "memoryChip", path, g.memoryChip);
    if (o->contains(QLatin1String("commandService"))) {
        const std::string s = r.text(o->value(QLatin1String("commandService")), path + ".commandService").value_or("");
        if (s == "probe") g.probeCommandService = true;
        else if (s != "standard") r.fail(path + ".commandService", "\"standard\" or \"probe\" is expected");
    }
    r.intField(*o, "replyDelayMs", path, g.replyDelayMs, 0, 3600000);
    r.intField(*o, "listPieceSize", path, g.listPieceSize, 1, 512);
    int freeBytes = static_cast<int>(g.freeBytes);
    r.intField(*o, "freeBytes", path, freeBytes, 0, 999999999);
    g.freeBytes = static_cast<uint32_t>(freeBytes);
    r.intField(*o, "firstFileHandle", path, g.firstFileHandle, 1, 99);
    if (o->contains(QLatin1String("extraFiles")))
        if (auto a = r.array(o->value(QLatin1String("extraFiles")), path + ".extraFiles"))
            for (int i = 0; i < a->size(); ++i)
                if (auto t = r.text(a->at(i), JsonReader::at(path + ".extraFiles", i))) g.extraFiles.push_back(*t);
    const int decimals = g.decimals >= 0 ? g.decimals : info.decimals;
    if (o->contains(QLatin1String("files")))
        if (auto a = r.array(o->value(QLatin1String("files")), path + ".files"))
            for (int i = 0; i < a->size(); ++i)
                g.files.push_back(readFile(r, a->at(i), JsonReader::at(path + ".files", i), decimals, info.methodBits));
    if (o->contains(QLatin1String("memories")))
        if (auto a = r.array(o->value(QLatin1String("memories")), path + ".memories"))
            for (int i = 0; i < a->size(); ++i)
                g.memories.push_back(readMemory(r, a->at(i), JsonReader::at(path + ".memories", i), decimals));
    if (o->contains(QLatin1String("live"))) g.live = readLive(r, o->value(QLatin1String("live")), path + ".live", decimals);
    if (o->contains(QLatin1String("faults")))
        if (auto a = r.array(o->value(QLatin1String("faults")), path + ".faults"))
            for (int i = 0; i < a->size(); ++i) g.faults.push_back(readFault(r, a->at(i), JsonReader::at(path + ".faults", i)));
    return g;
}

}  // namespace zenu::sim
