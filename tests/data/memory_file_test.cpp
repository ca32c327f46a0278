// Memory files of family "5" gauges: header, the three record layouts, deleted readings,
// method codes, flux-meter marking, conversion and malformed files.
#include <gtest/gtest.h>

#include <limits>

#include "data/gauge_identity.h"
#include "data/measurement_record.h"
#include "data/memory_file.h"
#include "data/trace_series.h"
#include "data/units.h"
#include "data_support.h"

namespace zenu {
namespace {

using testing::DataTest;
using testing::MemoryFileBuilder;
using testing::RecordingSink;

QString u(const char* text) { return QString::fromUtf8(text); }

class MemoryFileTest : public DataTest {
protected:
    void SetUp() override {
        DataTest::SetUp();
        testing::useGauge(QStringLiteral("QX"), u("µm"));
    }
    MemoryFileResult decode(const MemoryFileBuilder& file, const char* name = "m001") {
        return FillMessdatenDatei(file.hex(), QString::fromLatin1(name), sink);
    }
    const MeasurementRecord& record(int index) { return Tables.at(kTableMemory, index); }

    RecordingSink sink;
};

TEST_F(MemoryFileTest, MeasurementMemoryWithADeletedReading) {
    MemoryFileBuilder file;
    file.name("Test")
        .record(0x00, 12.34f, 1)
        .record(0x01, 150.5f, 2)
        .record(0x80, 99.0f, 3)
        .record(0x01, 7.25f, 4, {5, 4, 15, 1, 2, 25});
    currentTable = kTableOnline;
    readingIndex = 77;
    const MemoryFileResult result = decode(file, "  m001   ");

    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.kind, MemoryKind::Measurement);
    EXPECT_EQ(result.stored, 3);
    EXPECT_EQ(result.deleted, 1);
    EXPECT_EQ(currentTable, kTableMemory);
    EXPECT_EQ(readingIndex, 4);
    EXPECT_EQ(Tables.count(kTableMemory), 3);

    EXPECT_EQ(record(1).number, 1);
    EXPECT_DOUBLE_EQ(record(1).value, 12.3);
    EXPECT_EQ(record(1).unit, u("µm"));
    EXPECT_EQ(record(1).method, QStringLiteral("FE"));
    EXPECT_EQ(record(1).invalidMark, QString());
    EXPECT_EQ(record(1).timestamp, QDateTime(QDate(2024, 12, 31), QTime(10, 15, 30), Qt::UTC));
    EXPECT_EQ(record(1).dateText, QStringLiteral("12/31/2024"));
    EXPECT_EQ(record(1).timeText, QStringLiteral("10:15:30 AM"));

    EXPECT_EQ(record(2).number, 2);
    EXPECT_DOUBLE_EQ(record(2).value, 150);  // no decimals from 100 µm on; the half goes to even
    EXPECT_EQ(record(2).method, QStringLiteral("NF"));

    EXPECT_EQ(record(3).number, 4);  // the deleted reading left no gap
    EXPECT_DOUBLE_EQ(record(3).value, 7.2);
    EXPECT_EQ(record(3).dateText, QStringLiteral("2/1/2025"));
    EXPECT_EQ(record(3).timeText, QStringLiteral("3:04:05 PM"));

    EXPECT_EQ(sink.optionCaption, QStringLiteral("m001"));
    EXPECT_EQ(sink.memoryLabel, QStringLiteral("(Test)"));
    EXPECT_EQ(sink.statusTexts, QStringList{QString()});
    EXPECT_EQ(sink.progressMaximum, 5);
    EXPECT_EQ(sink.progressValue, 4);
    EXPECT_EQ(sink.calls, (QStringList{QStringLiteral("resetStatistics"), QStringLiteral("closeMemoryFile"),
                                       QStringLiteral("absolute on"), QStringLiteral("FillMSFlexOne")}));
    EXPECT_TRUE(sink.errors.isEmpty());
}

TEST_F(MemoryFileTest, GermanDateAndTimeTexts) {
    testing::useLocale(testing::germanLocale());
    decode(MemoryFileBuilder().record(0x00, 1.0f, 1, {5, 4, 3, 2, 1, 25}));
    EXPECT_EQ(record(1).dateText, QStringLiteral("02.01.2025"));
    EXPECT_EQ(record(1).timeText, QStringLiteral("03:04:05"));
}

TEST_F(MemoryFileTest, EveryMethodCode) {
    MemoryFileBuilder file;
    for (int bits = 0; bits < 16; ++bits) file.record(static_cast<uint8_t>(0x70 | bits), 1.0f, bits + 1);
    const MemoryFileResult result = decode(file);
    const char* methods[16] = {"FE", "NF", "DFE", "DNF", "DC", "AC", "PDC", "PAC",
                               "PM", "PFP", "FC", "",   "FLX", "FLN", "FLM", "FLD"};
    ASSERT_EQ(Tables.count(kTableMemory), 16);
    for (int bits = 0; bits < 16; ++bits) EXPECT_EQ(record(bits + 1).method, QLatin1String(methods[bits])) << bits;
    // Only the flux meter puts its own unit back; the flux methods force theirs.
    EXPECT_EQ(record(13).unit, QStringLiteral("mVs"));
    EXPECT_EQ(record(14).unit, u("µVs/n"));
    EXPECT_EQ(record(15).unit, u("µVs·cm"));
    EXPECT_EQ(record(16).unit, QStringLiteral("A/cm"));
    EXPECT_EQ(record(1).unit, u("µm"));
    EXPECT_EQ(result.unknownMethod, 1);
    EXPECT_TRUE(result.ok);
    EXPECT_TRUE(fluxSourceUnit.isEmpty());
}

TEST_F(MemoryFileTest, MethodBits1011KeepTheReadingWithoutAMethod) {
    // Not the method of the reading before it: that would file it under another material.
    decode(MemoryFileBuilder().record(0x08, 5.0f, 1).record(0x0B, 6.0f, 2));
    EXPECT_EQ(record(1).method, QStringLiteral("PM"));
    EXPECT_EQ(record(2).method, QString());
    EXPECT_DOUBLE_EQ(record(2).value, 6.0);
    EXPECT_EQ(record(2).invalidMark, QString());
}

TEST_F(MemoryFileTest, AllReadingsDeletedGivesAnEmptyTable) {
    Tables.at(kTableMemory, 1).number = 5;
    const MemoryFileResult result = decode(MemoryFileBuilder().record(0x80, 1.0f, 1).record(0x81, 2.0f, 2));
    EXPECT_EQ(result.deleted, 2);
    EXPECT_EQ(Tables.count(kTableMemory), 0);
    EXPECT_EQ(readingIndex, 1);
    EXPECT_TRUE(sink.calls.contains(QStringLiteral("FillMSFlexOne")));
}

TEST_F(MemoryFileTest, PreviousContentOfTableZeroIsCleared) {
    Tables.at(kTableMemory, 3).number = 99;
    decode(MemoryFileBuilder().record(0x00, 1.0f, 1));
    EXPECT_EQ(Tables.at(kTableMemory, 3).number, 0);
    EXPECT_EQ(Tables.at(kTableMemory, 3).unit, QStringLiteral(" "));
}

TEST_F(MemoryFileTest, FluxMeterMarksReadingsOfAnotherMethod) {
    testing::useGauge(QStringLiteral("XK"), u("µVs/n"));
    decode(MemoryFileBuilder().record(0x0C, 1.5f, 1).record(0x0D, 1.5f, 2).record(0x00, 1.5f, 3));
    EXPECT_EQ(record(1).method, QStringLiteral("FLX"));
    EXPECT_EQ(record(1).invalidMark, QStringLiteral("X"));
    EXPECT_EQ(record(1).value, 0);
    EXPECT_EQ(record(1).unit, u("µVs/n"));
    // FLN is measured in mVs/n and shown in µVs/n.
    EXPECT_EQ(record(2).invalidMark, QString());
    EXPECT_DOUBLE_EQ(record(2).value, 1500.0);
    EXPECT_EQ(record(2).unit, u("µVs/n"));
    EXPECT_EQ(record(3).invalidMark, QStringLiteral("X"));
    EXPECT_TRUE(fluxSourceUnit.isEmpty());
}

TEST_F(MemoryFileTest, FluxMeterUnitsAndTheirMethods) {
    struct Case {
        const char* unit;
        uint8_t status;
        bool valid;
    };
    const Case cases[] = {
        {"mVs", 0x0C, true},    {"mVs", 0x0D, false},  {"µWb/n", 0x0D, true},  {"mWb/n", 0x0D, true},
        {"mVs/n", 0x0E, false}, {"µVs·cm", 0x0E, true}, {"mWb·cm", 0x0E, true}, {"µWb·cm", 0x0F, false},
        {"mT", 0x0F, true},     {"A/cm", 0x0F, true},   {"A/cm", 0x0C, false},  {"kA/m", 0x0C, true},
    };
    for (const Case& c : cases) {
        testing::useGauge(QStringLiteral("XK"), u(c.unit));
        decode(MemoryFileBuilder().record(c.status, 2.0f, 1));
        EXPECT_EQ(record(1).invalidMark.isEmpty(), c.valid) << c.unit << " " << int(c.status);
        EXPECT_EQ(record(1).unit, u(c.unit));
    }
}

TEST_F(MemoryFileTest, FluxMeterConvertsFromTheMethodsSourceUnit) {
    testing::useGauge(QStringLiteral("XK"), QStringLiteral("mT"));
    decode(MemoryFileBuilder().record(0x0F, 100.0f, 1));
    EXPECT_DOUBLE_EQ(record(1).value, 12.566);  // 100 A/cm, three decimals below 100 mT
}

TEST_F(MemoryFileTest, FirmwareFlagOneMeansNoConversion) {
    testing::useGauge(QStringLiteral("KV4"), QStringLiteral("kA/m"));
    decode(MemoryFileBuilder().record(0x04, 12.3f, 1));
    EXPECT_DOUBLE_EQ(record(1).value, 1.23);
    testing::useGauge(QStringLiteral("KV4"), QStringLiteral("kA/m"), 1);
    decode(MemoryFileBuilder().record(0x04, 12.3f, 1));
    EXPECT_DOUBLE_EQ(record(1).value, 12.3);
    EXPECT_EQ(record(1).method, QStringLiteral("DC"));
}

TEST_F(MemoryFileTest, ReadingNumbersAbove32767KeepTheirValue) {
    const MemoryFileResult result = decode(MemoryFileBuilder()
                                               .record(0x00, 1.0f, 40000)
                                               .record(0x00, 1.0f, 70000)
                                               .record(0x00, 1.0f, 0x80000000u)
                                               .record(0x00, 1.0f, 3));
    EXPECT_EQ(record(1).number, 40000);
    EXPECT_EQ(record(2).number, 70000);
    EXPECT_EQ(record(3).number, 3);
    EXPECT_EQ(result.rejected, 1);
    EXPECT_FALSE(result.ok);
    ASSERT_EQ(sink.errors.size(), 1);
    EXPECT_TRUE(sink.errors[0].startsWith(QStringLiteral("Fill Messdaten Datei: record 3: 6 Overflow")))
        << sink.errors[0].toStdString();
}

TEST_F(MemoryFileTest, SingleValueMemory) {
    testing::useGauge(QStringLiteral("QX"), QStringLiteral("mils"));
    decode(MemoryFileBuilder().timestamp(30, 15, 10, 31, 12, 24).sample(25.4f).sample(254.0f).sample(-25.4f), "s002");
    ASSERT_EQ(Tables.count(kTableMemory), 3);
    EXPECT_EQ(record(1).number, 1);
    EXPECT_DOUBLE_EQ(record(1).value, 1.0);
    EXPECT_EQ(record(1).unit, QStringLiteral("mils"));
    EXPECT_EQ(record(1).method, QString());
    // The memory's date only: no time, no timestamp.
    EXPECT_EQ(record(1).dateText, QStringLiteral("12/31/2024"));
    EXPECT_EQ(record(1).timeText, QStringLiteral(" "));
    EXPECT_FALSE(record(1).timestamp.isValid());
    EXPECT_EQ(record(2).number, 2);
    EXPECT_DOUBLE_EQ(record(2).value, 10.0);
    EXPECT_DOUBLE_EQ(record(3).value, -1.0);
    EXPECT_EQ(readingIndex, 4);
    EXPECT_TRUE(sink.calls.contains(QStringLiteral("FillMSFlexOne")));
}

TEST_F(MemoryFileTest, SingleValueMemoryWithoutAHeaderDate) {
    decode(MemoryFileBuilder().sample(5.0f), "s1");
    EXPECT_EQ(record(1).dateText, QStringLiteral(" "));
    EXPECT_FALSE(record(1).timestamp.isValid());
}

TEST_F(MemoryFileTest, TraceMemory) {
    testing::useGauge(QStringLiteral("KV4"), QStringLiteral("kA/m"));
    MemoryFileBuilder file;
    file.count(3).interval(20).singles(10, 30, 99, 20, 5, 0, 12.345f).sample(10).sample(20).sample(30);
    const MemoryFileResult result = decode(file, "t003");
    EXPECT_EQ(result.kind, MemoryKind::Trace);
    EXPECT_EQ(result.stored, 3);
    EXPECT_EQ(Tables.count(kTableMemory), 0);
    EXPECT_EQ(traceSeries.count, 3);
    EXPECT_EQ(traceSeries.intervalMs, 20);
    ASSERT_EQ(traceSeries.samples.size(), 3u);
    EXPECT_DOUBLE_EQ(traceSeries.samples[0], 1.0);
    EXPECT_DOUBLE_EQ(traceSeries.samples[2], 3.0);
    EXPECT_EQ(traceSeries.minimumText, QStringLiteral("1.00"));
    EXPECT_EQ(traceSeries.maximumText, QStringLiteral("3.00"));
    EXPECT_EQ(traceSeries.meanText, QStringLiteral("2.00"));  // the mean for conversion
    EXPECT_EQ(traceSeries.standardDeviationText, QStringLiteral("0.50"));
    EXPECT_EQ(traceSeries.pulseTimeText, QStringLiteral("12.35 ms"));
    EXPECT_EQ(sink.calls, (QStringList{QStringLiteral("resetStatistics"), QStringLiteral("hideMaterialButton"),
                                       QStringLiteral("showTraceStatistics"), QStringLiteral("closeMemoryFile"),
                                       QStringLiteral("showTraceChart")}));
}

TEST_F(MemoryFileTest, TraceMemoryWithFirmwareFlagOneUsesTheMeanAsItIs) {
    testing::useGauge(QStringLiteral("KV4"), QStringLiteral("kA/m"), 1);
    testing::useLocale(testing::germanLocale());
    MemoryFileBuilder file;
    file.count(2).singles(10, 30, 99, 20, 5, 0, 1).sample(10).sampleBits(0x7FC00000u);
    decode(file, "t1");
    EXPECT_EQ(traceSeries.minimumText, QStringLiteral("10,00"));
    EXPECT_EQ(traceSeries.meanText, QStringLiteral("99,00"));
    ASSERT_EQ(traceSeries.samples.size(), 2u);
    EXPECT_DOUBLE_EQ(traceSeries.samples[0], 10.0);
    EXPECT_DOUBLE_EQ(traceSeries.samples[1], 0.0);  // no number: kept as 0 for the time axis
}

TEST_F(MemoryFileTest, EmptyMemoryIsReportedAndTheFileStillClosed) {
    decode(MemoryFileBuilder());
    EXPECT_EQ(sink.statusTexts, QStringList{QStringLiteral("Memory empty")});
    EXPECT_TRUE(sink.calls.contains(QStringLiteral("closeMemoryFile")));
    EXPECT_FALSE(sink.calls.contains(QStringLiteral("FillMSFlexOne")));
    EXPECT_TRUE(sink.errors.isEmpty());

    testing::useLocale(testing::germanLocale());
    RecordingSink german;
    FillMessdatenDatei(MemoryFileBuilder().hex(), QStringLiteral("m1"), german);
    EXPECT_EQ(german.statusTexts, QStringList{QStringLiteral("Speicher leer")});
}

TEST_F(MemoryFileTest, ASingleSampleIsNotEmpty) {
    decode(MemoryFileBuilder().sample(3.0f), "s1");
    EXPECT_EQ(Tables.count(kTableMemory), 1);
}

TEST_F(MemoryFileTest, MemoryKindFromTheName) {
    EXPECT_EQ(memoryKindOf(QStringLiteral("m001")), MemoryKind::Measurement);
    EXPECT_EQ(memoryKindOf(QStringLiteral("  s01 ")), MemoryKind::SingleValues);
    EXPECT_EQ(memoryKindOf(QStringLiteral("t")), MemoryKind::Trace);
    EXPECT_EQ(memoryKindOf(QStringLiteral("xm")), MemoryKind::Measurement);
    EXPECT_EQ(memoryKindOf(QStringLiteral("st01")), MemoryKind::SingleValues);
    EXPECT_EQ(memoryKindOf(QStringLiteral("ts01")), MemoryKind::Trace);
    EXPECT_EQ(memoryKindOf(QStringLiteral("xym")), MemoryKind::Unknown);
    EXPECT_EQ(memoryKindOf(QStringLiteral("M001")), MemoryKind::Unknown);
    EXPECT_EQ(memoryKindOf(QString()), MemoryKind::Unknown);
}

TEST_F(MemoryFileTest, UnknownMemoryKindIsReportedAndNothingStored) {
    const MemoryFileResult result = decode(MemoryFileBuilder().record(0x00, 1.0f, 1), "x1");
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(Tables.count(kTableMemory), 0);
    ASSERT_EQ(sink.errors.size(), 1);
    EXPECT_TRUE(sink.errors[0].contains(QStringLiteral("no known record layout")));
    EXPECT_TRUE(sink.calls.contains(QStringLiteral("closeMemoryFile")));
}

TEST_F(MemoryFileTest, BadRecordsAreSkippedAndReportedOnce) {
    QString hex = MemoryFileBuilder().record(0x00, 1.0f, 1).record(0x00, 2.0f, 2).record(0x00, 3.0f, 3).record(0x00, 4.0f, 4).hex();
    hex[320 + 32 + 5] = QLatin1Char('G');  // record 2
    hex[320 + 96 + 30] = QLatin1Char(' ');  // record 4
    const MemoryFileResult result = FillMessdatenDatei(hex, QStringLiteral("m1"), sink);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.rejected, 2);
    EXPECT_EQ(result.stored, 2);
    ASSERT_EQ(Tables.count(kTableMemory), 2);
    EXPECT_EQ(record(1).number, 1);
    EXPECT_EQ(record(2).number, 3);
    ASSERT_EQ(sink.errors.size(), 1);
    EXPECT_EQ(sink.errors[0], QStringLiteral("Fill Messdaten Datei: record 2: 13 Type mismatch: record is not hex "
                                             "(2 errors in all)"));
    EXPECT_EQ(result.error, sink.errors[0]);
    // The grid is rebuilt before the message.
    EXPECT_TRUE(sink.calls.contains(QStringLiteral("FillMSFlexOne")));
}

TEST_F(MemoryFileTest, IncompleteLastRecord) {
    const QString hex = MemoryFileBuilder().record(0x00, 1.0f, 1).hex() + QStringLiteral("0001");
    const MemoryFileResult result = FillMessdatenDatei(hex, QStringLiteral("m1"), sink);
    EXPECT_EQ(Tables.count(kTableMemory), 1);
    EXPECT_FALSE(result.ok);
    ASSERT_EQ(sink.errors.size(), 1);
    EXPECT_TRUE(sink.errors[0].contains(QStringLiteral("incomplete last record: 4 of 32")));
}

TEST_F(MemoryFileTest, ShortOrBrokenHeader) {
    MemoryFileResult result = FillMessdatenDatei(QStringLiteral("0000"), QStringLiteral("m1"), sink);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(sink.errors.value(0).contains(QStringLiteral("header incomplete")));
    EXPECT_TRUE(sink.statusTexts.isEmpty());

    RecordingSink second;
    QString hex = MemoryFileBuilder().record(0x00, 1.0f, 1).hex();
    hex[3] = QLatin1Char('?');
    result = FillMessdatenDatei(hex, QStringLiteral("m1"), second);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(second.errors.value(0).contains(QStringLiteral("header is not hex")));
    EXPECT_EQ(Tables.count(kTableMemory), 1);  // the readings themselves are fine

    RecordingSink third;
    result = FillMessdatenDatei(QString(), QStringLiteral("m1"), third);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(third.calls.contains(QStringLiteral("closeMemoryFile")));
}

TEST_F(MemoryFileTest, ValuesThatAreNoNumberAreMarked) {
    decode(MemoryFileBuilder().rawRecordBits(0x00, 0x7FC00000u, 1).rawRecordBits(0x00, 0x7F800000u, 2));
    ASSERT_EQ(Tables.count(kTableMemory), 2);
    EXPECT_EQ(record(1).invalidMark, QStringLiteral("X"));
    EXPECT_EQ(record(1).value, 0);
    EXPECT_EQ(record(2).invalidMark, QStringLiteral("X"));
}

TEST_F(MemoryFileTest, ReadingWithoutAValidDateIsKept) {
    decode(MemoryFileBuilder().record(0x00, 1.0f, 1, {0, 0, 0, 0, 0, 0}));
    ASSERT_EQ(Tables.count(kTableMemory), 1);
    EXPECT_EQ(record(1).dateText, QStringLiteral(" "));
    EXPECT_EQ(record(1).timeText, QStringLiteral(" "));
}

TEST_F(MemoryFileTest, AtMostFiveThousandReadings) {
    MemoryFileBuilder file;
    for (int i = 1; i <= kTableCapacity + 2; ++i) file.record(0x00, 1.0f, i);
    const MemoryFileResult result = decode(file);
    EXPECT_EQ(Tables.count(kTableMemory), kTableCapacity);
    EXPECT_EQ(result.stored, kTableCapacity);
    EXPECT_FALSE(result.ok);
    ASSERT_EQ(sink.errors.size(), 1);
    EXPECT_EQ(sink.errors[0], QStringLiteral("Fill Messdaten Datei: Maximal number of data exceeded 5000"));
}

TEST_F(MemoryFileTest, ReadingsWithNumberAndValueZeroAreKept) {
    decode(MemoryFileBuilder().record(0x00, 0.0f, 0).record(0x00, 2.0f, 5));
    EXPECT_EQ(readingIndex, 3);
    EXPECT_EQ(Tables.at(kTableMemory, 2).number, 5);
}

TEST_F(MemoryFileTest, HeaderFields) {
    MemoryFileBuilder file;
    file.name(QByteArray("Mem\0ory", 7)).timestamp(1, 2, 3, 4, 5, 6).count(4660).interval(250).singles(1, 2, 3, 4, 5, 6, 7);
    QByteArray bytes = file.bytes();
    bytes[4] = char(0x2A);
    bytes[6] = char(0xFE);
    bytes[7] = char(0xFF);
    const MemoryHeader header = decodeMemoryHeader(QString::fromLatin1(bytes.toHex()));
    EXPECT_EQ(header.byte4, 42);
    EXPECT_EQ(header.word6, -2);
    EXPECT_EQ(header.name, QStringLiteral("Memory"));
    EXPECT_EQ(header.timestamp, QDateTime(QDate(2006, 5, 4), QTime(3, 2, 1), Qt::UTC));
    EXPECT_EQ(header.count, 4660);
    EXPECT_EQ(header.intervalMs, 250);
    EXPECT_EQ(header.minimum, 1);
    EXPECT_EQ(header.maximum, 2);
    EXPECT_EQ(header.mean, 3);
    EXPECT_EQ(header.meanForConversion, 4);
    EXPECT_EQ(header.standardDeviation, 5);
    EXPECT_EQ(header.unused, 6);
    EXPECT_EQ(header.pulseTimeMs, 7);
}

TEST(MethodCodesTest, FluxMethodUnits) {
    QString unit, source;
    EXPECT_FALSE(fluxMethodUnits(0b1011, unit, source));
    EXPECT_TRUE(unit.isEmpty());
    EXPECT_TRUE(fluxMethodUnits(0b1101, unit, source));
    EXPECT_EQ(unit, u("µVs/n"));
    EXPECT_EQ(source, QStringLiteral("mVs/n"));
    EXPECT_EQ(methodForBits(16), QString());
    EXPECT_EQ(methodForBits(-1), QString());
}

}  // namespace
}  // namespace zenu
