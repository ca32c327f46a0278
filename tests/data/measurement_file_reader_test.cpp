// Reading measurement files: which lines are readings, every field of a reading line with and
// without a date column, German and English files, bad lines, the size limit, and writing.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "texts/texts.h"
#include "data/gauge_identity.h"
#include "data/measurement_file.h"
#include "data_support.h"

using namespace zenu;
using namespace zenu::testing;

namespace {

const QString um = QString::fromUtf8("µm");
QString sp(int n) { return QString(n, QLatin1Char(' ')); }

class MeasurementFileReader : public DataTest {
protected:
    void SetUp() override {
        DataTest::SetUp();
        useLocale(germanLocale());
    }
};

QStringList germanFile() {
    return {QStringLiteral("#  12.03.2024 09:30"),
            QStringLiteral("#  Kunde Muster GmbH"),
            QString(),
            QStringLiteral("FE Statistik:"),
            QStringLiteral(" "),
            QStringLiteral("Anzahl              2"),
            QStringLiteral("Minimum             12,5    ") + um,
            QString(),
            QStringLiteral("Min Limit              10 ") + um,
            QStringLiteral("Sollwert               15 ") + um,
            QString(),
            QStringLiteral("12.03.2024 10:15:02        12        12,5 ") + um + QStringLiteral("    FE"),
            QStringLiteral("12.03.2024 10:16:40        13       100 ") + um + QStringLiteral("   DNF")};
}

}  // namespace

TEST_F(MeasurementFileReader, ReadingsWithDateColumn) {
    const MeasurementFileContent c = parseMeasurementFile(germanFile());
    EXPECT_TRUE(c.errors.empty());
    ASSERT_EQ(c.records.size(), 2u);
    const MeasurementRecord& r = c.records[0];
    EXPECT_EQ(r.number, 12);
    EXPECT_DOUBLE_EQ(r.value, 12.5);
    EXPECT_EQ(r.unit, um);
    EXPECT_EQ(r.method, QStringLiteral("FE"));
    EXPECT_EQ(r.timestamp, QDateTime(QDate(2024, 3, 12), QTime(10, 15, 2), Qt::UTC));
    EXPECT_EQ(r.dateText, QStringLiteral("12.03.2024"));
    EXPECT_EQ(r.timeText, QStringLiteral("10:15:02"));
    EXPECT_TRUE(r.invalidMark.isEmpty());
    EXPECT_EQ(c.records[1].number, 13);
    EXPECT_DOUBLE_EQ(c.records[1].value, 100);
    EXPECT_EQ(c.records[1].method, QStringLiteral("DNF"));
}

TEST_F(MeasurementFileReader, ReadingsWithoutDateColumn) {
    const QStringList lines{QStringLiteral("Anzahl              1"), QString(),
                            QStringLiteral("10:15:02") + sp(6) + QStringLiteral("   12        12,5 ") + um +
                                QStringLiteral("   FE"),
                            QStringLiteral("10:15:03") + sp(6) + QStringLiteral("   13         7,25 mils ")};
    const MeasurementFileContent c = parseMeasurementFile(lines);
    ASSERT_EQ(c.records.size(), 2u);
    EXPECT_EQ(c.records[0].timeText, QStringLiteral("10:15:02"));
    EXPECT_FALSE(c.records[0].timestamp.isValid());
    EXPECT_EQ(c.records[0].number, 12);
    EXPECT_EQ(c.records[0].unit, um);
    EXPECT_EQ(c.records[0].method, QStringLiteral("FE"));
    EXPECT_DOUBLE_EQ(c.records[1].value, 7.25);
    EXPECT_EQ(c.records[1].unit, QStringLiteral("mils"));
    EXPECT_EQ(c.records[1].method, QString());
}

TEST_F(MeasurementFileReader, ADateLineGivesTheDateOfTheReadingsAfterIt) {
    const QStringList lines{QStringLiteral("12.03.2024"),
                            QStringLiteral("10:15:02         12        12,5 ") + um + QStringLiteral("   FE")};
    const MeasurementFileContent c = parseMeasurementFile(lines);
    ASSERT_EQ(c.records.size(), 1u);
    EXPECT_EQ(c.records[0].dateText, QStringLiteral("12.03.2024"));
    EXPECT_EQ(c.records[0].timeText, QStringLiteral("10:15:02"));
}

TEST_F(MeasurementFileReader, AReadingAtMidnightCarriesTheDateAlone) {
    // The general date text of a midnight timestamp has no time; the padding still counts it.
    for (const QString& date : {QStringLiteral("12.03.2024"), QStringLiteral("3/12/2024"), QStringLiteral("2024-03-12")}) {
        const QStringList lines{date, date + sp(5) + QStringLiteral("   12        12,5 ") + um + QStringLiteral("    FE")};
        const MeasurementFileContent c = parseMeasurementFile(lines);
        ASSERT_EQ(c.records.size(), 1u) << date.toStdString();
        EXPECT_TRUE(c.errors.empty());
        EXPECT_EQ(c.records[0].timestamp, QDateTime(QDate(2024, 3, 12), QTime(0, 0), Qt::UTC));
        EXPECT_EQ(c.records[0].timeText, QStringLiteral("00:00:00"));
        EXPECT_EQ(c.records[0].number, 12);
        EXPECT_EQ(c.records[0].method, QStringLiteral("FE"));
    }
}

TEST_F(MeasurementFileReader, EnglishFileInEnglishLocale) {
    useLocale(englishLocale());
    const QStringList lines{
        QStringLiteral("Statistics:"),
        QStringLiteral("3/12/2024 10:15:02 AM      12        12.5 ") + um + QStringLiteral("    FE"),
        QStringLiteral("12/31/2024 10:15:02 PM  12345       100 ") + um + QStringLiteral("    NF")};
    const MeasurementFileContent c = parseMeasurementFile(lines);
    ASSERT_EQ(c.records.size(), 2u) << (c.errors.empty() ? 0 : c.errors.front().line);
    EXPECT_EQ(c.records[0].timestamp, QDateTime(QDate(2024, 3, 12), QTime(10, 15, 2), Qt::UTC));
    EXPECT_EQ(c.records[0].dateText, QStringLiteral("3/12/2024"));
    EXPECT_EQ(c.records[1].timestamp, QDateTime(QDate(2024, 12, 31), QTime(22, 15, 2), Qt::UTC));
    EXPECT_EQ(c.records[1].number, 12345);
    EXPECT_EQ(c.records[1].method, QStringLiteral("NF"));
}

TEST_F(MeasurementFileReader, AGermanFileOpensOnAnEnglishMachine) {
    useLocale(englishLocale());
    const MeasurementFileContent c = parseMeasurementFile(germanFile());
    ASSERT_EQ(c.records.size(), 2u);
    EXPECT_DOUBLE_EQ(c.records[0].value, 12.5);
    EXPECT_EQ(c.records[0].timestamp, QDateTime(QDate(2024, 3, 12), QTime(10, 15, 2), Qt::UTC));
    EXPECT_EQ(c.records[0].dateText, QStringLiteral("3/12/2024"));  // shown the local way
}

TEST_F(MeasurementFileReader, OnlyProjectAndStatisticsLinesGiveAnEmptyTable) {
    QStringList lines = germanFile();
    lines = lines.mid(0, 11);
    const MeasurementFileContent c = parseMeasurementFile(lines);
    EXPECT_TRUE(c.records.empty());
    EXPECT_TRUE(c.errors.empty());
    EXPECT_TRUE(parseMeasurementFile({}).records.empty());
}

TEST_F(MeasurementFileReader, ABadLineIsReportedWithItsNumberAndSkipped) {
    QStringList lines = germanFile();
    lines.insert(12, QStringLiteral("12.03.2024 10:15:30        x1        12,5 ") + um + QStringLiteral("    FE"));
    lines.append(QStringLiteral("12.03.2024 10:17:00        14        zwölf ") + um + QStringLiteral("    FE"));
    lines.append(QStringLiteral("12.03.2024 10:18:00        15"));
    lines.append(QStringLiteral("   "));  // blank lines are no readings
    lines.append(QStringLiteral("12.03.2024 10:19:00        16        16,5 ") + um + QStringLiteral("    FE"));
    const MeasurementFileContent c = parseMeasurementFile(lines);
    ASSERT_EQ(c.records.size(), 3u);
    EXPECT_EQ(c.records[2].number, 16);
    ASSERT_EQ(c.errors.size(), 3u);
    EXPECT_EQ(c.errors[0].line, 13);
    EXPECT_EQ(c.errors[0].field, MeasurementFileError::Field::Number);
    EXPECT_EQ(c.errors[0].found, QStringLiteral("x1"));
    EXPECT_EQ(c.errors[1].line, 15);
    EXPECT_EQ(c.errors[1].field, MeasurementFileError::Field::Value);
    EXPECT_EQ(c.errors[2].line, 16);
    EXPECT_TRUE(c.errors[2].found.isEmpty());

    EXPECT_EQ(measurementFileErrorText(c, kLanguageGerman),
              QStringLiteral("Nicht lesbare Zeilen wurden übersprungen:\nZeile 13: keine Messwertnummer: \"x1\"\n"
                             "Zeile 15: kein Messwert: \"zwölf\"\nZeile 16: kein Messwert"));
    EXPECT_EQ(measurementFileErrorText(c, kLanguageEnglish, 1),
              QStringLiteral("Lines that could not be read were skipped:\nLine 13: no reading number: \"x1\"\n"
                             "... and 2 more"));
}

TEST_F(MeasurementFileReader, UnitAndMethodByPosition) {
    const QString head = QStringLiteral("12.03.2024 10:15:02        12        12,5");
    // Method without a unit: the unit column is blank.
    MeasurementFileContent c = parseMeasurementFile({head + QStringLiteral("       FE")});
    ASSERT_EQ(c.records.size(), 1u);
    EXPECT_EQ(c.records[0].unit, QStringLiteral(" "));
    EXPECT_EQ(c.records[0].method, QStringLiteral("FE"));
    // A unit longer than its column.
    c = parseMeasurementFile({head + QString::fromUtf8(" µVs·cm FLM")});
    ASSERT_EQ(c.records.size(), 1u);
    EXPECT_EQ(c.records[0].unit, QString::fromUtf8("µVs·cm"));
    EXPECT_EQ(c.records[0].method, QStringLiteral("FLM"));
    // Nothing after the value.
    c = parseMeasurementFile({head});
    ASSERT_EQ(c.records.size(), 1u);
    EXPECT_EQ(c.records[0].unit, QStringLiteral(" "));
    EXPECT_TRUE(c.records[0].method.isEmpty());
}

TEST_F(MeasurementFileReader, ValuesKeepThreeDecimalsAndNegativeValues) {
    const MeasurementFileContent c =
        parseMeasurementFile({QStringLiteral("12.03.2024 10:15:02         1      -1,23456 mT     DC")});
    ASSERT_EQ(c.records.size(), 1u);
    EXPECT_DOUBLE_EQ(c.records[0].value, -1.235);
}

TEST_F(MeasurementFileReader, AReadingWithNumberAndValueZeroIsLeftOut) {
    const MeasurementFileContent c = parseMeasurementFile(
        {QStringLiteral("10:15:02          0         0,0 ") + um, QStringLiteral("10:15:03          1         1,0 ") + um});
    ASSERT_EQ(c.records.size(), 1u);
    EXPECT_EQ(c.records[0].number, 1);
}

TEST_F(MeasurementFileReader, AtMost5000Readings) {
    QStringList lines;
    for (int i = 1; i <= 5002; ++i) lines << QStringLiteral("10:15:02 %1 1,0 mT").arg(i);
    const MeasurementFileContent c = parseMeasurementFile(lines);
    EXPECT_EQ(c.records.size(), 5000u);
    EXPECT_TRUE(c.tooManyReadings);
    EXPECT_EQ(measurementFileErrorText(c, kLanguageGerman), QStringLiteral("Maximale Werteanzahl überschritten 5000"));
}

TEST_F(MeasurementFileReader, FileNamesGetTheirExtension) {
    EXPECT_EQ(measurementFileName(QStringLiteral("/m/Messung")), QStringLiteral("/m/Messung.mes"));
    EXPECT_EQ(measurementFileName(QStringLiteral("/m/Messung.mes")), QStringLiteral("/m/Messung.mes"));
    EXPECT_EQ(measurementFileName(QStringLiteral("/m/a.mes.txt")), QStringLiteral("/m/a.mes.txt"));
}

TEST_F(MeasurementFileReader, WriteAndReadBackWindows1252WithCrLf) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.mes"));
    const QString text = QStringLiteral("Statistik:\r\n\r\n12.03.2024 10:15:02        12        12,5 ") + um +
                         QStringLiteral("    FE\r\n");
    QString error;
    ASSERT_TRUE(writeMeasurementFile(path, text, &error)) << error.toStdString();
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    EXPECT_TRUE(bytes.contains("12,5 \xB5m    FE\r\n"));
    EXPECT_TRUE(bytes.endsWith("\r\n"));
    EXPECT_FALSE(bytes.endsWith("\r\n\r\n"));
    MeasurementFileContent c;
    ASSERT_TRUE(readMeasurementFile(path, c, &error));
    ASSERT_EQ(c.records.size(), 1u);
    EXPECT_EQ(c.records[0].unit, um);
}

TEST_F(MeasurementFileReader, AFailedWriteLeavesTheOldFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.mes"));
    ASSERT_TRUE(writeMeasurementFile(path, QStringLiteral("old\r\n")));
    QString error;
    // A folder in place of the file cannot be replaced.
    EXPECT_FALSE(writeMeasurementFile(dir.path(), QStringLiteral("new\r\n"), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(writeMeasurementFile(dir.filePath(QStringLiteral("missing/b.mes")), QStringLiteral("x"), &error));
    MeasurementFileContent c;
    EXPECT_FALSE(readMeasurementFile(dir.filePath(QStringLiteral("nothing.mes")), c, &error));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("old\r\n"));
}
