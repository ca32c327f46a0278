// Reading lines: both layouts, the online counter, units, method codes and timestamps.
#include <gtest/gtest.h>

#include "data/gauge_identity.h"
#include "data/measurement_record.h"
#include "data/reading_line.h"
#include "data/units.h"
#include "data_support.h"
#include "platform/localefmt.h"
#include "tests/support/file_bytes.h"
#include "tests/support/temp_home.h"

namespace zenu {
namespace {

using testing::DataTest;
using testing::fixedLine;
using testing::RecordingSink;

QString u(const char* text) { return QString::fromUtf8(text); }

class ReadingLineTest : public DataTest {
protected:
    bool fill(const QString& line) { return FillMessdaten(line, sink); }
    const MeasurementRecord& record(int index, int table = kTableMemory) { return Tables.at(table, index); }

    RecordingSink sink;
};

TEST_F(ReadingLineTest, FixedColumnsSplitByPosition) {
    const ReadingLineFields f = splitReadingLine(fixedLine(QStringLiteral("0012"), QStringLiteral("  12.50"), QStringLiteral("uT"),
                                                           QStringLiteral("NFE")),
                                                 false);
    EXPECT_EQ(f.number, QStringLiteral("0012"));
    EXPECT_EQ(f.value, QStringLiteral("  12.50   "));
    EXPECT_EQ(f.unit, QStringLiteral("uT"));
    EXPECT_EQ(f.method, QStringLiteral("NFE"));
    EXPECT_EQ(f.timestamp, QStringLiteral("2024-12-31 10:15:30"));

    const ReadingLineFields shortLine = splitReadingLine(QStringLiteral("0012  1.5"), false);
    EXPECT_EQ(shortLine.value, QStringLiteral("1.5"));
    EXPECT_EQ(shortLine.unit, QString());
    EXPECT_EQ(shortLine.timestamp, QString());
}

TEST_F(ReadingLineTest, BlankSeparatedFields) {
    ReadingLineFields f = splitReadingLine(QStringLiteral("  12 3.25 µm FE 2024-12-31/10:15:30!\r\n"), true);
    EXPECT_EQ(f.number, QStringLiteral("12"));
    EXPECT_EQ(f.value, QStringLiteral("3.25"));
    EXPECT_EQ(f.unit, u("µm"));
    EXPECT_EQ(f.method, QStringLiteral("FE"));
    EXPECT_EQ(f.timestamp, QStringLiteral("2024-12-31/10:15:30"));

    f = splitReadingLine(QStringLiteral("12 3.25 µm FE 2024-12-31 10:15:30"), true);
    EXPECT_EQ(f.timestamp, QStringLiteral("2024-12-31 10:15:30"));

    // Two blanks in a row give an empty field.
    f = splitReadingLine(QStringLiteral("12  3.25 µm"), true);
    EXPECT_EQ(f.value, QString());
    EXPECT_EQ(f.unit, QStringLiteral("3.25"));
    EXPECT_EQ(f.timestamp, QString());
}

TEST_F(ReadingLineTest, FixedColumnLineOfAFamilyFourGauge) {
    testing::useGauge(QStringLiteral("VQB"), u("µm"));
    ASSERT_TRUE(fill(fixedLine(QStringLiteral("0001"), QStringLiteral("12.50"), QStringLiteral("uT"), QStringLiteral("FE"))));
    const MeasurementRecord& r = record(1);
    EXPECT_EQ(r.number, 1);
    EXPECT_EQ(r.unit, u("µT"));
    EXPECT_DOUBLE_EQ(r.value, 12.5);
    EXPECT_EQ(r.method, QStringLiteral("FE"));
    EXPECT_EQ(r.timestamp, QDateTime(QDate(2024, 12, 31), QTime(10, 15, 30), Qt::UTC));
    EXPECT_EQ(r.dateText, QStringLiteral("12/31/2024"));
    EXPECT_EQ(r.timeText, QStringLiteral("10:15:30 AM"));
    EXPECT_EQ(readingIndex, 2);
    EXPECT_EQ(sink.calls, QStringList{QStringLiteral("AddReadingRow")});
    EXPECT_EQ(sink.recordCount, 1);

    ASSERT_TRUE(fill(fixedLine(QStringLiteral("0002"), QStringLiteral("3.1"), u("\u03BCm"), QStringLiteral("NFE"))));
    EXPECT_EQ(record(2).unit, u("µm"));
    EXPECT_EQ(record(2).method, QStringLiteral("NF"));
    EXPECT_EQ(readingIndex, 3);
}

TEST_F(ReadingLineTest, BlankSeparatedProtocol) {
    testing::useGauge(QStringLiteral("QX"), u("µm"), 1);
    ASSERT_TRUE(fill(QStringLiteral("12 3.25 µm FE 2024-12-31/10:15:30!")));
    EXPECT_EQ(record(1).number, 12);
    EXPECT_EQ(record(1).unit, u("µm"));
    EXPECT_EQ(record(1).method, QStringLiteral("FE"));
    EXPECT_DOUBLE_EQ(record(1).value, 3.2);  // one decimal below 100 µm, the half to even
    EXPECT_EQ(record(1).timeText, QStringLiteral("10:15:30 AM"));
}

TEST_F(ReadingLineTest, BlankSeparatedReadingsAreNotConverted) {
    testing::useGauge(QStringLiteral("QX"), QStringLiteral("mils"), 1);
    ASSERT_TRUE(fill(QStringLiteral("1 1.5 mils FE 2024-12-31/10:15:30")));
    EXPECT_DOUBLE_EQ(record(1).value, 1.5);
    EXPECT_EQ(record(1).unit, QStringLiteral("mils"));
}

TEST_F(ReadingLineTest, FamilyFiveConvertsToTheDeviceUnit) {
    testing::useGauge(QStringLiteral("QX"), QStringLiteral("mils"));
    ASSERT_TRUE(fill(fixedLine(QStringLiteral("0001"), QStringLiteral("25.4"), u("µm"), QStringLiteral("FE"))));
    EXPECT_DOUBLE_EQ(record(1).value, 1.0);
    EXPECT_EQ(record(1).unit, QStringLiteral("mils"));
}

TEST_F(ReadingLineTest, FluxMeterConvertsFromTheLinesUnit) {
    testing::useGauge(QStringLiteral("XK"), u("µVs"));
    fluxSourceUnit = QStringLiteral("stale");
    ASSERT_TRUE(fill(fixedLine(QStringLiteral("0001"), QStringLiteral("1.234"), QStringLiteral("mVs"), QStringLiteral("FLX"))));
    EXPECT_DOUBLE_EQ(record(1).value, 1234.0);
    EXPECT_EQ(record(1).unit, u("µVs"));
    EXPECT_EQ(record(1).method, QString());  // the flux meter's readings carry no method column
    EXPECT_TRUE(fluxSourceUnit.isEmpty());

    testing::useGauge(QStringLiteral("XK"), QStringLiteral("mVs"));
    ASSERT_TRUE(fill(fixedLine(QStringLiteral("0002"), QStringLiteral("1500"), u("\u03BCVs"), QString())));
    EXPECT_DOUBLE_EQ(record(2).value, 1.5);
    EXPECT_EQ(record(2).unit, QStringLiteral("mVs"));
}

TEST_F(ReadingLineTest, MethodOnlyWithReadingFormatTwo) {
    testing::useGauge(QStringLiteral("KV6"), QStringLiteral("mT"));
    ASSERT_TRUE(fill(fixedLine(QStringLiteral("0001"), QStringLiteral("1.5"), QStringLiteral("mT"), QStringLiteral("DC"))));
    EXPECT_EQ(record(1).method, QString());
    testing::useGauge(QStringLiteral("KV4"), QStringLiteral("A/cm"), 1);
    ASSERT_TRUE(fill(QStringLiteral("2 1.5 A/cm DNFE 2024-12-31/10:15:30")));
    EXPECT_EQ(record(2).method, QStringLiteral("DNF"));
}

TEST_F(ReadingLineTest, PermeabilityMeterAlwaysStoresPM) {
    testing::useGauge(QStringLiteral("JZ"), u("µr"));
    ASSERT_TRUE(fill(fixedLine(QStringLiteral("0001"), QStringLiteral("1.0123"), QStringLiteral("ur"), QStringLiteral("XY"))));
    EXPECT_EQ(record(1).unit, u("µr"));
    EXPECT_EQ(record(1).method, QStringLiteral("PM"));
    EXPECT_DOUBLE_EQ(record(1).value, 1.012);
}

TEST_F(ReadingLineTest, OnlineReadingsAreCountedByTheProgram) {
    testing::useGauge(QStringLiteral("QX"), u("µm"));
    currentTable = kTableOnline;
    ASSERT_TRUE(fill(fixedLine(QStringLiteral("0042"), QStringLiteral("10.0"), u("µm"), QStringLiteral("FE"))));
    ASSERT_TRUE(fill(fixedLine(QStringLiteral("0043"), QStringLiteral("11.0"), u("µm"), QStringLiteral("FE"))));
    EXPECT_EQ(record(1, kTableOnline).number, 1);
    EXPECT_EQ(record(2, kTableOnline).number, 2);
    EXPECT_EQ(readingIndex, 3);
    EXPECT_EQ(onlineCounter, 3);
    EXPECT_EQ(Tables.count(kTableMemory), 0);

    // The counter, not a stale readingIndex, says where the next reading goes.
    readingIndex = 1;
    ASSERT_TRUE(fill(fixedLine(QStringLiteral("0044"), QStringLiteral("12.0"), u("µm"), QStringLiteral("FE"))));
    EXPECT_EQ(record(3, kTableOnline).number, 3);
}

TEST_F(ReadingLineTest, GaugesThatCountThemselvesKeepTheirNumbers) {
    // An unidentified gauge (no profile): its own numbers, and every reading in its own slot.
    currentTable = kTableOnline;
    ASSERT_TRUE(fill(fixedLine(QStringLiteral("0042"), QStringLiteral("10.0"), u("µm"), QStringLiteral("FE"))));
    ASSERT_TRUE(fill(fixedLine(QStringLiteral("0043"), QStringLiteral("11.0"), u("µm"), QStringLiteral("FE"))));
    EXPECT_EQ(record(1, kTableOnline).number, 42);
    EXPECT_EQ(record(2, kTableOnline).number, 43);
    EXPECT_EQ(onlineCounter, 1);
    EXPECT_EQ(record(1, kTableOnline).method, QString());  // no reading format "2"
}

TEST_F(ReadingLineTest, WithoutGaugeTimestampThePcTimeIsUsedInFixedForms) {
    // "dd.mm.yyyy" and "hh:nn:ss" whatever the locale (this one writes 12/31/2024 and 10:15:30 AM).
    testing::useLocale(testing::englishLocale());
    const QDate before = QDate::currentDate();
    ASSERT_TRUE(fill(fixedLine(QStringLiteral("0001"), QStringLiteral("1.0"), u("µm"), QStringLiteral("FE"), QStringLiteral("garbage"))));
    EXPECT_FALSE(record(1).timestamp.isValid());
    EXPECT_TRUE(record(1).dateText == before.toString(QStringLiteral("dd.MM.yyyy")) ||
                record(1).dateText == QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy")))
        << record(1).dateText.toStdString();
    EXPECT_TRUE(QTime::fromString(record(1).timeText, QStringLiteral("HH:mm:ss")).isValid()) << record(1).timeText.toStdString();
}

TEST_F(ReadingLineTest, GaugeNumbersWithPointOrCommaInEveryLocale) {
    testing::useGauge(QStringLiteral("VQB"), u("µm"));
    for (const QLocale& locale : {testing::englishLocale(), testing::germanLocale()}) {
        testing::useLocale(locale);
        Tables.clear(kTableMemory);
        readingIndex = 1;
        ASSERT_TRUE(fill(fixedLine(QStringLiteral("0001"), QStringLiteral("12,25"), u("µm"), QStringLiteral("FE"))));
        ASSERT_TRUE(fill(fixedLine(QStringLiteral("0002"), QStringLiteral("12.35"), u("µm"), QStringLiteral("FE"))));
        EXPECT_DOUBLE_EQ(record(1).value, 12.2);
        EXPECT_DOUBLE_EQ(record(2).value, 12.4);  // the half as written goes to the even neighbour
    }
    EXPECT_EQ(record(1).dateText, QStringLiteral("31.12.2024"));
    EXPECT_EQ(record(1).timeText, QStringLiteral("10:15:30"));
}

TEST_F(ReadingLineTest, ReadingNumbersAbove32767) {
    testing::useGauge(QStringLiteral("QX"), u("µm"), 1);
    ASSERT_TRUE(fill(QStringLiteral("40000 1.5 µm FE 2024-12-31/10:15:30")));
    EXPECT_EQ(record(1).number, 40000);
    EXPECT_FALSE(fill(QStringLiteral("99999999999 1.5 µm FE 2024-12-31/10:15:30")));
    ASSERT_EQ(sink.errors.size(), 1);
    EXPECT_TRUE(sink.errors[0].startsWith(QStringLiteral("Fill Messdaten: 6 Overflow")));
}

TEST_F(ReadingLineTest, NumberThatIsNoNumberIsReported) {
    testing::useGauge(QStringLiteral("VQB"), u("µm"));
    EXPECT_FALSE(fill(fixedLine(QStringLiteral("ab"), QStringLiteral("1.0"), u("µm"), QStringLiteral("FE"))));
    ASSERT_EQ(sink.errors.size(), 1);
    EXPECT_EQ(sink.errors[0], QStringLiteral("Fill Messdaten: 13 Type mismatch: reading number \"ab  \" is not a number"));
    EXPECT_EQ(readingIndex, 1);
    EXPECT_TRUE(sink.calls.isEmpty());
    EXPECT_EQ(Tables.count(kTableMemory), 0);
}

TEST_F(ReadingLineTest, TimestampThatIsNoTimestampIsReported) {
    testing::useGauge(QStringLiteral("VQB"), u("µm"));
    EXPECT_FALSE(fill(fixedLine(QStringLiteral("0001"), QStringLiteral("1.0"), u("µm"), QStringLiteral("FE"), QStringLiteral("yesterday"))));
    EXPECT_TRUE(sink.errors.value(0).startsWith(QStringLiteral("Fill Messdaten: 13 Type mismatch")));
    EXPECT_FALSE(fill(QStringLiteral("0001  1.0")));
    EXPECT_EQ(sink.errors.size(), 2);
    EXPECT_EQ(Tables.count(kTableMemory), 0);
}

TEST_F(ReadingLineTest, DigitsThatMakeNoDateKeepTheReading) {
    testing::useGauge(QStringLiteral("VQB"), u("µm"));
    ASSERT_TRUE(fill(fixedLine(QStringLiteral("0001"), QStringLiteral("1.0"), u("µm"), QStringLiteral("FE"), QStringLiteral("2000-00-00 00:00:00"))));
    EXPECT_FALSE(record(1).timestamp.isValid());
    EXPECT_EQ(record(1).dateText, QStringLiteral(" "));
    EXPECT_TRUE(sink.errors.isEmpty());
}

TEST_F(ReadingLineTest, ValueThatIsNoNumberCountsAsZero) {
    testing::useGauge(QStringLiteral("VQB"), u("µm"));
    ASSERT_TRUE(fill(fixedLine(QStringLiteral("0005"), QStringLiteral("--.--"), u("µm"), QStringLiteral("FE"))));
    EXPECT_EQ(record(1).number, 5);
    EXPECT_EQ(record(1).value, 0);
    ASSERT_TRUE(fill(fixedLine(QStringLiteral("0006"), QStringLiteral("nan"), u("µm"), QStringLiteral("FE"))));
    EXPECT_EQ(record(2).value, 0);
}

TEST_F(ReadingLineTest, EmptyRecordIsNotAdded) {
    testing::useGauge(QStringLiteral("VQB"), u("µm"));
    EXPECT_FALSE(fill(fixedLine(QStringLiteral("0000"), QStringLiteral("0.0"), u("µm"), QStringLiteral("FE"))));
    EXPECT_EQ(readingIndex, 1);
    EXPECT_TRUE(sink.calls.isEmpty());
    EXPECT_TRUE(sink.errors.isEmpty());
}

TEST_F(ReadingLineTest, FullTableRefusesTheReading) {
    testing::useGauge(QStringLiteral("VQB"), u("µm"));
    readingIndex = kTableCapacity + 1;
    EXPECT_FALSE(fill(fixedLine(QStringLiteral("0001"), QStringLiteral("1.0"), u("µm"), QStringLiteral("FE"))));
    EXPECT_EQ(sink.errors.value(0), QStringLiteral("Fill Messdaten: Maximal number of data exceeded 5000"));

    testing::useGauge(QStringLiteral("QX"), u("µm"));
    currentTable = kTableOnline;
    onlineCounter = kTableCapacity;
    EXPECT_TRUE(fill(fixedLine(QStringLiteral("0001"), QStringLiteral("1.0"), u("µm"), QStringLiteral("FE"))));
    EXPECT_FALSE(fill(fixedLine(QStringLiteral("0001"), QStringLiteral("1.0"), u("µm"), QStringLiteral("FE"))));
    EXPECT_EQ(onlineCounter, kTableCapacity + 1);
    EXPECT_EQ(sink.errors.size(), 2);
}

TEST_F(ReadingLineTest, CarriageReturnLineFeedCountsAsTwoBlanks) {
    testing::useGauge(QStringLiteral("VQB"), u("µm"));
    QString line = fixedLine(QStringLiteral("0001"), QStringLiteral("12.5"), u("µm"), QStringLiteral("FE"));
    line.replace(4, 2, QStringLiteral("\r\n"));
    line += QStringLiteral("\r\n");
    ASSERT_TRUE(fill(line));
    EXPECT_EQ(record(1).number, 1);
    EXPECT_DOUBLE_EQ(record(1).value, 12.5);
}

TEST(ReadingLineLogTest, ErrorsGoToTheTraceLog) {
    testing::TempHome home;
    RecordingSink sink;
    EXPECT_FALSE(FillMessdaten(QStringLiteral("xx"), sink));
    const QString log = QString::fromLatin1(testing::readBytes(home.file(QStringLiteral("TransferLog.txt"))));
    EXPECT_TRUE(log.startsWith(QStringLiteral("Fill Messdaten: 13 Type mismatch"))) << log.toStdString();
    EXPECT_TRUE(log.endsWith(QStringLiteral("\r\n")));
}

}  // namespace
}  // namespace zenu
