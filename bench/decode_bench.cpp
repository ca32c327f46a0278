// Decoding a full measurement memory (5000 readings, the most a table holds) and parsing
// 5000 reading lines, as after a memory read and during a long online session.
#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QLocale>
#include <QStringList>
#include <bit>

#include "texts/texts.h"
#include "data/gauge_identity.h"
#include "data/measurement_record.h"
#include "data/memory_file.h"
#include "data/reading_line.h"
#include "platform/localefmt.h"

namespace {

using namespace zenu;

constexpr int kReadings = kTableCapacity;

void useGauge(const char* code, const char* profile, const char* kind, const char* unit, int firmware) {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    platform::initLocale();
    LanguageIndex = kLanguageGerman;
    resetGaugeIdentity();
    DeviceCode = QString::fromLatin1(code);
    DeviceProfile = QString::fromLatin1(profile);
    deviceKind = QString::fromLatin1(kind);
    deviceUnit = QString::fromUtf8(unit);
    firmwareFlag = firmware;
}

void appendLe(QByteArray& bytes, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes.append(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// A measurement memory as the download assembles it: header, then 16-byte records over a
// few days, every 50th deleted, methods as the gauge sets them.
QString memoryFile(uint8_t method) {
    QByteArray bytes(160, '\0');
    bytes.replace(8, 4, "m001");
    for (int i = 0; i < kReadings; ++i) {
        const int second = i % 60, minute = (i / 60) % 60, hour = (i / 3600) % 24, day = 1 + (i / 1000);
        const uint8_t status = static_cast<uint8_t>((i % 50 == 49 ? 0x80 : 0x00) | method);
        bytes.append('\0');
        bytes.append(static_cast<char>(status));
        for (int field : {second, minute, hour, day, 3, 25}) bytes.append(static_cast<char>(field));
        appendLe(bytes, std::bit_cast<uint32_t>(static_cast<float>(10.0 + (i % 997) * 0.37)));
        appendLe(bytes, static_cast<uint32_t>(i + 1));
    }
    return QString::fromLatin1(bytes.toHex().toUpper());
}

class CountingSink : public ReadingSink {
public:
    void AddReadingRow() override { ++rows; }
    void FillMSFlexOne() override { ++rebuilds; }
    int rows = 0;
    int rebuilds = 0;
};

void BM_DecodeMeasurementMemory(benchmark::State& state) {
    useGauge("QX", "5LE2+-2", "SM", "mils", 0);  // every reading converted from µm
    const QString hex = memoryFile(0x00);
    CountingSink sink;
    for (auto _ : state) {
        const MemoryFileResult result = FillMessdatenDatei(hex, QStringLiteral("m001"), sink);
        benchmark::DoNotOptimize(result.stored);
    }
    state.SetItemsProcessed(state.iterations() * kReadings);
}
BENCHMARK(BM_DecodeMeasurementMemory)->Unit(benchmark::kMillisecond);

void BM_DecodeFluxMemory(benchmark::State& state) {
    useGauge("XK", "5LE0--3", "MF", "µVs/n", 0);  // flux units checked and converted
    const QString hex = memoryFile(0x0D);
    CountingSink sink;
    for (auto _ : state) benchmark::DoNotOptimize(FillMessdatenDatei(hex, QStringLiteral("m001"), sink).stored);
    state.SetItemsProcessed(state.iterations() * kReadings);
}
BENCHMARK(BM_DecodeFluxMemory)->Unit(benchmark::kMillisecond);

QStringList readingLines(bool blankSeparated) {
    QStringList lines;
    for (int i = 1; i <= kReadings; ++i) {
        const QString value = QString::number(10.0 + (i % 997) * 0.37, 'f', 2);
        const QString time = QStringLiteral("2025-03-%1 %2:%3:%4")
                                 .arg(1 + i / 1000, 2, 10, QLatin1Char('0'))
                                 .arg((i / 3600) % 24, 2, 10, QLatin1Char('0'))
                                 .arg((i / 60) % 60, 2, 10, QLatin1Char('0'))
                                 .arg(i % 60, 2, 10, QLatin1Char('0'));
        if (blankSeparated) {
            lines << QStringLiteral("%1 %2 µm FE %3!").arg(i).arg(value, QString(time).replace(10, 1, QLatin1Char('/')));
        } else {
            lines << QStringLiteral("%1  %2 um   NFE %3\r\n")
                         .arg(i % 10000, 4, 10, QLatin1Char('0'))
                         .arg(value, -10)
                         .arg(time);
        }
    }
    return lines;
}

void parseLines(benchmark::State& state, const QStringList& lines) {
    CountingSink sink;
    for (auto _ : state) {
        currentTable = kTableMemory;
        readingIndex = 1;
        for (const QString& line : lines) FillMessdaten(line, sink);
        benchmark::DoNotOptimize(readingIndex);
    }
    if (readingIndex != kReadings + 1) state.SkipWithError("not every line was stored");
    state.SetItemsProcessed(state.iterations() * lines.size());
}

void BM_ParseFixedColumnLines(benchmark::State& state) {
    useGauge("VQB", "4LE2+-2", "SM", "µm", 0);
    parseLines(state, readingLines(false));
}
BENCHMARK(BM_ParseFixedColumnLines)->Unit(benchmark::kMillisecond);

void BM_ParseBlankSeparatedLines(benchmark::State& state) {
    useGauge("QX", "5LE2+-2", "SM", "µm", 1);
    parseLines(state, readingLines(true));
}
BENCHMARK(BM_ParseBlankSeparatedLines)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
