#include "data_support.h"

#include <bit>

#include "texts/texts.h"
#include "data/gauge_identity.h"
#include "data/measurement_record.h"
#include "data/trace_series.h"
#include "data/units.h"
#include "data/value_format.h"
#include "platform/localefmt.h"

namespace zenu::testing {
namespace {

void putLe(QByteArray& bytes, int offset, uint64_t value, int size) {
    for (int i = 0; i < size; ++i) bytes[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

void appendLe(QByteArray& bytes, uint64_t value, int size) {
    for (int i = 0; i < size; ++i) bytes.append(static_cast<char>((value >> (8 * i)) & 0xFF));
}

}  // namespace

QLocale germanLocale() { return QLocale(QLocale::German, QLocale::Germany); }
QLocale englishLocale() { return QLocale(QLocale::English, QLocale::UnitedStates); }

void useLocale(const QLocale& locale) {
    QLocale::setDefault(locale);
    platform::initLocale();
    LanguageIndex = locale.language() == QLocale::German ? kLanguageGerman : kLanguageEnglish;
}

void useGauge(const QString& code, const QString& unit, int firmware) {
    struct Model {
        const char* code;
        const char* profile;
        const char* kind;
    };
    static const Model models[] = {
        {"VQB", "4LE2+-2", "SM"}, {"QX", "5LE2+-2", "SM"},  {"KV4", "5LE2--2", "FM"},
        {"KV6", "5LE---3", "FM"}, {"KV8", "4LE2--2", "FM"}, {"WB1", "4LE2+-2", "FC"},
        {"WB2", "5LE2+-1", "FC"}, {"JZ", "5LE2--3", "PM"},  {"XK", "5LE0--3", "MF"},
    };
    DeviceCode = code;
    DeviceProfile.clear();
    deviceKind.clear();
    for (const Model& m : models) {
        if (code == QLatin1String(m.code)) {
            DeviceProfile = QLatin1String(m.profile);
            deviceKind = QLatin1String(m.kind);
        }
    }
    deviceUnit = unit;
    firmwareFlag = firmware;
}

void DataTest::SetUp() {
    useLocale(englishLocale());
    resetGaugeIdentity();
    for (int t = kTableMemory; t <= kTableOnline; ++t) Tables.clear(t);
    currentTable = kTableMemory;
    readingIndex = 1;
    onlineCounter = 1;
    fluxSourceUnit.clear();
    lastFormattedText.clear();
    lastFormattedValue = 0;
    traceSeries.clear();
}

void DataTest::TearDown() { useLocale(englishLocale()); }

MemoryFileBuilder::MemoryFileBuilder() : header_(160, '\0') {}

MemoryFileBuilder& MemoryFileBuilder::name(const QByteArray& name) {
    for (int i = 0; i < 114; ++i) header_[8 + i] = i < name.size() ? name[i] : '\0';
    return *this;
}

MemoryFileBuilder& MemoryFileBuilder::timestamp(int second, int minute, int hour, int day, int month, int yearMinus2000) {
    const int fields[6] = {second, minute, hour, day, month, yearMinus2000};
    for (int i = 0; i < 6; ++i) header_[122 + i] = static_cast<char>(fields[i]);
    return *this;
}

MemoryFileBuilder& MemoryFileBuilder::count(uint16_t n) {
    putLe(header_, 128, n, 2);
    return *this;
}

MemoryFileBuilder& MemoryFileBuilder::interval(uint16_t ms) {
    putLe(header_, 130, ms, 2);
    return *this;
}

MemoryFileBuilder& MemoryFileBuilder::singles(float minimum, float maximum, float mean, float meanForConversion,
                                              float deviation, float unused, float pulseMs) {
    const float values[7] = {minimum, maximum, mean, meanForConversion, deviation, unused, pulseMs};
    for (int i = 0; i < 7; ++i) putLe(header_, 132 + 4 * i, std::bit_cast<uint32_t>(values[i]), 4);
    return *this;
}

MemoryFileBuilder& MemoryFileBuilder::record(uint8_t status, float value, uint32_t number, std::vector<uint8_t> stamp) {
    body_.append('\0');
    body_.append(static_cast<char>(status));
    for (int i = 0; i < 6; ++i) body_.append(static_cast<char>(i < int(stamp.size()) ? stamp[i] : 0));
    appendLe(body_, std::bit_cast<uint32_t>(value), 4);
    appendLe(body_, number, 4);
    return *this;
}

MemoryFileBuilder& MemoryFileBuilder::rawRecordBits(uint8_t status, uint32_t valueBits, uint32_t number) {
    record(status, 0.0f, number);
    putLe(body_, body_.size() - 8, valueBits, 4);
    return *this;
}

MemoryFileBuilder& MemoryFileBuilder::sample(float value) {
    appendLe(body_, std::bit_cast<uint32_t>(value), 4);
    return *this;
}

MemoryFileBuilder& MemoryFileBuilder::sampleBits(uint32_t bits) {
    appendLe(body_, bits, 4);
    return *this;
}

QString MemoryFileBuilder::hex() const { return QString::fromLatin1(bytes().toHex().toUpper()); }

QString fixedLine(const QString& number, const QString& value, const QString& unit, const QString& method,
                  const QString& timestamp) {
    auto cell = [](const QString& text, int width) { return text.leftJustified(width, QLatin1Char(' '), true); };
    return cell(number, 4) + QStringLiteral("  ") + cell(value, 10) + QLatin1Char(' ') + cell(unit, 4) +
           QLatin1Char(' ') + cell(method, 3) + QLatin1Char(' ') + timestamp;
}

}  // namespace zenu::testing
