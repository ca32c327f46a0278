#pragma once
// Reading a scenario file: typed fields with the path of the first problem ("devices[1].gatt.
// services[0].handle: ..."), so that a broken scenario says where it is broken.
#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "platform/bluetooth/bluetooth_types.h"

namespace zenu::sim {

class JsonReader {
public:
    bool ok() const { return error_.empty(); }
    const std::string& error() const { return error_; }
    // Keeps the first problem only.
    void fail(const std::string& path, const std::string& what);

    // Every key of `o` must be one of `keys` (or "comment").
    void allowKeys(const QJsonObject& o, const std::string& path, std::initializer_list<const char*> keys);

    std::optional<QJsonObject> object(const QJsonValue& v, const std::string& path);
    std::optional<QJsonArray> array(const QJsonValue& v, const std::string& path);
    // Numbers may also be written as strings, "0x1F" for hexadecimal.
    std::optional<int64_t> integer(const QJsonValue& v, const std::string& path, int64_t min, int64_t max);
    std::optional<double> number(const QJsonValue& v, const std::string& path);
    std::optional<bool> boolean(const QJsonValue& v, const std::string& path);
    std::optional<std::string> text(const QJsonValue& v, const std::string& path);
    std::optional<bluetooth::Guid> uuid(const QJsonValue& v, const std::string& path);
    std::optional<uint64_t> address(const QJsonValue& v, const std::string& path);
    // A string (its UTF-8 bytes), {"hex": "01 02"}, {"text": "..."} or an array of byte values.
    std::optional<bluetooth::Bytes> bytes(const QJsonValue& v, const std::string& path);
    // "2024-03-05T14:22:10" or "2024-03-05 14:22:10", a wall-clock time (held as UTC).
    std::optional<QDateTime> time(const QJsonValue& v, const std::string& path);

    // Field helpers: absent fields leave `target` unchanged.
    template <typename T, typename F>
    void field(const QJsonObject& o, const char* key, const std::string& path, T& target, F read) {
        if (!o.contains(QLatin1String(key))) return;
        if (auto v = read(o.value(QLatin1String(key)), path + "." + key)) target = *v;
    }
    void intField(const QJsonObject& o, const char* key, const std::string& path, int& target, int min, int max);
    void intField(const QJsonObject& o, const char* key, const std::string& path, std::optional<int>& target, int min,
                  int max);
    void boolField(const QJsonObject& o, const char* key, const std::string& path, bool& target);
    void textField(const QJsonObject& o, const char* key, const std::string& path, std::string& target);

    static std::string at(const std::string& path, int index) { return path + "[" + std::to_string(index) + "]"; }

private:
    std::string error_;
};

}  // namespace zenu::sim
