#include "sim/json_reader.h"

#include <QString>
#include <QTimeZone>
#include <algorithm>
#include <cctype>
#include <cmath>

namespace zenu::sim {

void JsonReader::fail(const std::string& path, const std::string& what) {
    if (error_.empty()) error_ = path + ": " + what;
}

void JsonReader::allowKeys(const QJsonObject& o, const std::string& path, std::initializer_list<const char*> keys) {
    for (auto it = o.begin(); it != o.end(); ++it) {
        const QString k = it.key();
        if (k == QLatin1String("comment")) continue;
        if (std::none_of(keys.begin(), keys.end(), [&](const char* allowed) { return k == QLatin1String(allowed); }))
            fail(path, "unknown field \"" + k.toStdString() + "\"");
    }
}

std::optional<QJsonObject> JsonReader::object(const QJsonValue& v, const std::string& path) {
    if (v.isObject()) return v.toObject();
    fail(path, "an object is expected");
    return std::nullopt;
}

std::optional<QJsonArray> JsonReader::array(const QJsonValue& v, const std::string& path) {
    if (v.isArray()) return v.toArray();
    fail(path, "a list is expected");
    return std::nullopt;
}

std::optional<int64_t> JsonReader::integer(const QJsonValue& v, const std::string& path, int64_t min, int64_t max) {
    std::optional<int64_t> n;
    if (v.isDouble()) {
        const double d = v.toDouble();
        if (std::floor(d) == d && std::abs(d) < 9.0e15) n = static_cast<int64_t>(d);
    } else if (v.isString()) {
        QString s = v.toString().trimmed();
        bool ok = false;
        const bool hex = s.startsWith(QLatin1String("0x"), Qt::CaseInsensitive);
        const qlonglong value = hex ? s.mid(2).toLongLong(&ok, 16) : s.toLongLong(&ok, 10);
        if (ok) n = value;
    }
    if (!n) {
        fail(path, "a whole number is expected");
        return std::nullopt;
    }
    if (*n < min || *n > max) {
        fail(path, "must lie between " + std::to_string(min) + " and " + std::to_string(max));
        return std::nullopt;
    }
    return n;
}

std::optional<double> JsonReader::number(const QJsonValue& v, const std::string& path) {
    if (v.isDouble()) return v.toDouble();
    fail(path, "a number is expected");
    return std::nullopt;
}

std::optional<bool> JsonReader::boolean(const QJsonValue& v, const std::string& path) {
    if (v.isBool()) return v.toBool();
    fail(path, "true or false is expected");
    return std::nullopt;
}

std::optional<std::string> JsonReader::text(const QJsonValue& v, const std::string& path) {
    if (v.isString()) return v.toString().toStdString();
    fail(path, "a text is expected");
    return std::nullopt;
}

std::optional<bluetooth::Guid> JsonReader::uuid(const QJsonValue& v, const std::string& path) {
    if (v.isString())
        if (auto g = bluetooth::Guid::parse(v.toString().toStdString())) return g;
    fail(path, "a UUID is expected (\"180F\" or \"XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX\")");
    return std::nullopt;
}

std::optional<uint64_t> JsonReader::address(const QJsonValue& v, const std::string& path) {
    if (v.isString())
        if (auto a = bluetooth::parseAddress(v.toString().toStdString())) return a;
    fail(path, "a Bluetooth address is expected (\"C4:7F:51:00:10:01\")");
    return std::nullopt;
}

std::optional<bluetooth::Bytes> JsonReader::bytes(const QJsonValue& v, const std::string& path) {
    if (v.isString()) {
        const QByteArray utf8 = v.toString().toUtf8();
        return bluetooth::Bytes(utf8.begin(), utf8.end());
    }
    if (v.isArray()) {
        bluetooth::Bytes out;
        const QJsonArray a = v.toArray();
        for (int i = 0; i < a.size(); ++i)
            if (auto b = integer(a.at(i), at(path, i), 0, 255)) out.push_back(static_cast<uint8_t>(*b));
            else return std::nullopt;
        return out;
    }
    if (v.isObject()) {
        const QJsonObject o = v.toObject();
        allowKeys(o, path, {"hex", "text"});
        if (o.contains(QLatin1String("text"))) return bytes(QJsonValue(o.value(QLatin1String("text")).toString()), path);
        QString hex = o.value(QLatin1String("hex")).toString();
        hex.remove(QLatin1Char(' ')).remove(QLatin1Char(':')).remove(QLatin1Char('-'));
        const bool digitsOnly = std::all_of(hex.begin(), hex.end(), [](QChar c) { return isxdigit(c.toLatin1()) != 0; });
        if (o.contains(QLatin1String("hex")) && digitsOnly && hex.size() % 2 == 0) {
            const QByteArray raw = QByteArray::fromHex(hex.toLatin1());
            return bluetooth::Bytes(raw.begin(), raw.end());
        }
    }
    fail(path, "a value is expected: a text, {\"hex\": \"...\"} or a list of bytes");
    return std::nullopt;
}

std::optional<QDateTime> JsonReader::time(const QJsonValue& v, const std::string& path) {
    if (v.isString()) {
        QString s = v.toString().trimmed();
        s.replace(QLatin1Char(' '), QLatin1Char('T'));
        QDateTime t = QDateTime::fromString(s, Qt::ISODate);
        if (t.isValid()) {
            t = QDateTime(t.date(), t.time(), QTimeZone::utc());
            return t;
        }
    }
    fail(path, "a date and time is expected (\"2024-03-05T14:22:10\")");
    return std::nullopt;
}

void JsonReader::intField(const QJsonObject& o, const char* key, const std::string& path, int& target, int min,
                          int max) {
    if (!o.contains(QLatin1String(key))) return;
    if (auto v = integer(o.value(QLatin1String(key)), path + "." + key, min, max)) target = static_cast<int>(*v);
}

void JsonReader::intField(const QJsonObject& o, const char* key, const std::string& path, std::optional<int>& target,
                          int min, int max) {
    if (!o.contains(QLatin1String(key))) return;
    if (auto v = integer(o.value(QLatin1String(key)), path + "." + key, min, max)) target = static_cast<int>(*v);
}

void JsonReader::boolField(const QJsonObject& o, const char* key, const std::string& path, bool& target) {
    if (!o.contains(QLatin1String(key))) return;
    if (auto v = boolean(o.value(QLatin1String(key)), path + "." + key)) target = *v;
}

void JsonReader::textField(const QJsonObject& o, const char* key, const std::string& path, std::string& target) {
    if (!o.contains(QLatin1String(key))) return;
    if (auto v = text(o.value(QLatin1String(key)), path + "." + key)) target = *v;
}

}  // namespace zenu::sim
