// The report text, byte for byte: project block, statistics entries, limit and target lines,
// the second-method block, reading lines with and without dates, and the trace form.
#include <QLocale>
#include <gtest/gtest.h>
#include <ostream>

#include "texts/texts.h"
#include "data/gauge_identity.h"
#include "data/limits.h"
#include "data/measurement_file.h"
#include "data/project_data.h"
#include "data/table_ops.h"
#include "data/trace_series.h"
#include "platform/localefmt.h"
#include "reports/report_text.h"

inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

using namespace zenu;

namespace {

const QString um = QString::fromUtf8("µm");
const QString crlf = QStringLiteral("\r\n");
QString sp(int n) { return QString(n, QLatin1Char(' ')); }

void useLocale(QLocale::Language language, QLocale::Country country) {
    QLocale::setDefault(QLocale(language, country));
    platform::initLocale();
    LanguageIndex = language == QLocale::German ? kLanguageGerman : kLanguageEnglish;
}

MeasurementRecord reading(int number, double value, const QString& method = QStringLiteral("FE"),
                          int second = 2) {
    MeasurementRecord r;
    r.number = number;
    r.value = value;
    r.unit = QString::fromUtf8("µm");
    r.method = method;
    r.timestamp = QDateTime(QDate(2024, 3, 12), QTime(10, 15, second), Qt::UTC);
    r.dateText = platform::formatDate(r.timestamp.date());
    r.timeText = platform::formatTime(r.timestamp.time());
    return r;
}

class ReportText : public ::testing::Test {
protected:
    void SetUp() override {
        useLocale(QLocale::German, QLocale::Germany);
        resetGaugeIdentity();
        DeviceCode = QStringLiteral("QX");
        DeviceProfile = QStringLiteral("5LE2+-2");
        deviceKind = QStringLiteral("SM");
        deviceUnit = um;
        currentTable = kTableMemory;
        limits = LimitSettings{};
        Limits = LimitSettings{};
        project = ProjectData{};
        project.labels = {QStringLiteral("Kunde"), QStringLiteral("Objekt"), QStringLiteral("Prüfer"),
                          QStringLiteral("Ort"), QStringLiteral("Auftrag"), QStringLiteral("Bemerkung")};
        project.date = QDate(2024, 3, 12);
        project.time = QTime(9, 30);
    }
    void TearDown() override { useLocale(QLocale::German, QLocale::Germany); }

    void fill(const std::vector<MeasurementRecord>& records) {
        tables.clear(currentTable);
        for (std::size_t i = 0; i < records.size(); ++i) tables.at(currentTable, int(i) + 1) = records[i];
        table.resetStatistic();
        table.fillMSFlexOne();
    }
    QString build(const QString& selector, const QString& entry = QStringLiteral("m001"),
                  const TraceSeries* trace = nullptr) {
        ReportSource source{table, limits, project, entry, QStringLiteral("Halle 3"), trace};
        return BuildReportText(selector, source);
    }

    ReadingTables tables;
    MeasurementTable table{tables};
    LimitSettings limits;
    ProjectData project;
};

// The statistics entries of readings 12,5 and 13,1 µm, index 2 to the end, as the report has them.
QString statisticsBlock() {
    return QStringLiteral("Statistik:") + crlf + sp(1) + crlf + QStringLiteral("Anzahl") + sp(14) +
           QStringLiteral("2") + crlf + QStringLiteral("Minimum") + sp(13) + QStringLiteral("12,5    ") + um + crlf +
           QStringLiteral("Maximum") + sp(13) + QStringLiteral("13,1    ") + um + crlf + QStringLiteral("Mittel") +
           sp(14) + QStringLiteral("12,80   ") + um + crlf + QStringLiteral("Std.Abw.") + sp(13) +
           QStringLiteral("0,42   ") + um + crlf + crlf;
}

}  // namespace

TEST_F(ReportText, ReadingLineAsTheExampleShowsIt) {
    // 12.03.2024·10:15:02········12········12,5·µm····FE
    EXPECT_EQ(reportReadingLine(reading(12, 12.5), true),
              QStringLiteral("12.03.2024 10:15:02") + sp(8) + QStringLiteral("12") + sp(8) + QStringLiteral("12,5 ") +
                  um + sp(4) + QStringLiteral("FE"));
}

TEST_F(ReportText, ReadingLineWithoutDate) {
    EXPECT_EQ(reportReadingLine(reading(12, 12.5), false),
              QStringLiteral("10:15:02") + sp(6) + sp(3) + QStringLiteral("12") + sp(8) + QStringLiteral("12,5 ") + um +
                  sp(3) + QStringLiteral("FE"));
    MeasurementRecord r = reading(7, 1.25);
    r.unit = QStringLiteral("mils");
    r.method.clear();
    EXPECT_EQ(reportReadingLine(r, false), QStringLiteral("10:15:02") + sp(10) + QStringLiteral("7") + sp(8) +
                                               QStringLiteral("1,25 mils "));
}

TEST_F(ReportText, ReadingLineInEnglish) {
    useLocale(QLocale::English, QLocale::UnitedStates);
    const MeasurementRecord r = reading(12, 12.5);
    ASSERT_EQ(r.dateText, QStringLiteral("3/12/2024"));
    ASSERT_EQ(r.timeText, QStringLiteral("10:15:02 AM"));
    // 25 - len(" 3/12/2024 10:15:02 AM") = 3 blanks
    EXPECT_EQ(reportReadingLine(r, true), QStringLiteral("3/12/2024 10:15:02 AM") + sp(3) + sp(3) +
                                              QStringLiteral("12") + sp(8) + QStringLiteral("12.5 ") + um + sp(4) +
                                              QStringLiteral("FE"));
}

TEST_F(ReportText, LongUnitsStayWholeAndMissingTimesShowZero) {
    MeasurementRecord r = reading(3, 1.25);
    r.unit = QString::fromUtf8("µVs·cm");
    r.method = QStringLiteral("FLM");
    EXPECT_TRUE(reportReadingLine(r, true).endsWith(QString::fromUtf8(" µVs·cm FLM")));
    r.timestamp = QDateTime();
    r.dateText = r.timeText = QStringLiteral(" ");
    EXPECT_TRUE(reportReadingLine(r, true).startsWith(QStringLiteral("00:00:00") + sp(25) + QStringLiteral("3 ")));
    EXPECT_TRUE(reportReadingLine(r, false).startsWith(QStringLiteral("00:00:00") + sp(10) + QStringLiteral("3 ")));
}

TEST_F(ReportText, LayoutFollowsTheReadingsNotTheGauge) {
    MeasurementRecord undated = reading(7, 1.5);
    undated.timestamp = QDateTime();
    undated.dateText = QStringLiteral(" ");
    MeasurementRecord dateOnly = reading(8, 2.5);  // a single-value memory's reading
    dateOnly.timestamp = QDateTime();
    dateOnly.timeText = QStringLiteral(" ");
    // Profile character 6 of a gauge with dates, one without, and no gauge at all.
    for (const char* profile : {"5LE2+-2", "5LE2+ 2", ""}) {
        DeviceProfile = QString::fromLatin1(profile);
        for (const MeasurementRecord& r : {reading(12, 12.5), undated, dateOnly}) {
            fill({r});
            const QString text = build(QStringLiteral("A"));
            const MeasurementFileContent back = parseMeasurementFile(reportTextLines(text));
            ASSERT_EQ(back.records.size(), 1u) << profile << text.toStdString();
            const MeasurementRecord& b = back.records[0];
            EXPECT_EQ(b.dateText, r.dateText) << profile << text.toStdString();
            if (r.number != dateOnly.number) {
                EXPECT_EQ(b.timestamp, r.timestamp) << profile;
                EXPECT_EQ(b.timeText, r.timeText) << profile;
            }
            EXPECT_EQ(b.value, r.value) << profile;
        }
    }
}

TEST_F(ReportText, WholeReport) {
    project.texts[0] = QStringLiteral("Muster GmbH");
    project.texts[1] = QStringLiteral(" ");  // one blank counts as empty
    project.texts[3] = QStringLiteral("Brücke Süd");
    limits.MinLimit = 10;
    limits.MinLimitText = QStringLiteral("10");
    limits.MaxLimit = 20;
    limits.MaxLimitText = QStringLiteral("20");
    limits.Soll = 15;
    limits.SollText = QStringLiteral("15");
    fill({reading(12, 12.5), reading(13, 13.1, QStringLiteral("FE"), 3)});

    const QString expected =
        QStringLiteral("#  12.03.2024 09:30") + crlf + QStringLiteral("#  Kunde Muster GmbH") + crlf +
        QStringLiteral("#  Ort Brücke Süd") + crlf + crlf + statisticsBlock() + QStringLiteral("Min Limit   ") + sp(5) +
        sp(6) + QStringLiteral("10 ") + um + crlf + QStringLiteral("Max Limit   ") + sp(5) + sp(6) +
        QStringLiteral("20 ") + um + crlf + QStringLiteral("Sollwert    ") + sp(5) + sp(6) + QStringLiteral("15 ") + um +
        crlf + crlf + QStringLiteral("12.03.2024 10:15:02") + sp(8) + QStringLiteral("12") + sp(8) +
        QStringLiteral("12,5 ") + um + sp(4) + QStringLiteral("FE") + crlf + QStringLiteral("12.03.2024 10:15:03") +
        sp(8) + QStringLiteral("13") + sp(8) + QStringLiteral("13,1 ") + um + sp(4) + QStringLiteral("FE") + crlf;
    EXPECT_EQ(build(QStringLiteral("A")), expected);
}

TEST_F(ReportText, EmptyProjectStartsWithTheStatistics) {
    project.texts[2] = QStringLiteral(" ");
    fill({reading(12, 12.5), reading(13, 13.1, QStringLiteral("FE"), 3)});
    const QString text = build(QStringLiteral("A"));
    EXPECT_TRUE(text.startsWith(statisticsBlock() + crlf + QStringLiteral("12.03.2024"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("Limit")));
    EXPECT_EQ(build(QStringLiteral("P")), QString());
}

TEST_F(ReportText, ProjectBlockOnly) {
    project.texts[5] = QStringLiteral("nass");
    fill({reading(12, 12.5)});
    EXPECT_EQ(build(QStringLiteral("P")), QStringLiteral("#  12.03.2024 09:30") + crlf +
                                              QStringLiteral("#  Bemerkung nass") + crlf + crlf);
    // An unset time shows 00:00.
    project.time = QTime();
    EXPECT_TRUE(build(QStringLiteral("P")).startsWith(QStringLiteral("#  12.03.2024 00:00\r\n")));
}

TEST_F(ReportText, BothLimitLinesWhenOnlyTheMaximumIsSet) {
    limits.MaxLimit = 20;
    limits.MaxLimitText = QStringLiteral("20");
    limits.MinLimitText = QStringLiteral("0");
    EXPECT_EQ(reportLimitLines(limits, um, kLanguageGerman),
              QStringLiteral("Min Limit   ") + sp(12) + QStringLiteral("0 ") + um + crlf + QStringLiteral("Max Limit   ") +
                  sp(11) + QStringLiteral("20 ") + um + crlf);
    LimitSettings target;
    target.Soll = 1.5;
    target.SollText = QStringLiteral("1,50");
    EXPECT_EQ(reportLimitLines(target, um, kLanguageEnglish),
              QStringLiteral("Target value") + sp(9) + QStringLiteral("1,50 ") + um + crlf);
    EXPECT_EQ(reportLimitLines(LimitSettings{}, um, kLanguageGerman), QString());
}

TEST_F(ReportText, StatisticsEntriesFromIndexTwoWithTheEmptyLineAtTheEnd) {
    EXPECT_EQ(reportStatisticsLines({QStringLiteral("t"), QStringLiteral(" "), QStringLiteral("a"), QStringLiteral("b")}),
              QStringLiteral("a\r\nb\r\n\r\n"));
    EXPECT_EQ(reportStatisticsLines({QStringLiteral("t"), QStringLiteral(" ")}), QStringLiteral("\r\n"));
    EXPECT_EQ(reportStatisticsLines({}), QString());
}

TEST_F(ReportText, SecondMethodBlockLeavesTheToggleSwitched) {
    fill({reading(1, 10), reading(2, 30, QStringLiteral("NF")), reading(3, 12)});
    ASSERT_TRUE(table.statistics().materialButtonVisible());
    const QString text = build(QStringLiteral("A"));
    const qsizetype fe = text.indexOf(QStringLiteral("FE Statistik:"));
    const qsizetype nfe = text.indexOf(QStringLiteral("NFE Statistik:"));
    ASSERT_GE(fe, 0);
    ASSERT_GT(nfe, fe);
    EXPECT_EQ(text.count(QStringLiteral("Anzahl")), 2);
    EXPECT_EQ(table.statistics().materialButtonCaption(), QStringLiteral("FE"));
    EXPECT_EQ(table.statistics().lines().at(2), QStringLiteral("NFE Statistik:"));
    // All readings follow, whatever the material.
    EXPECT_EQ(text.count(QStringLiteral("12.03.2024 10:15:02")), 3);
}

TEST_F(ReportText, ReadingsStopAtTheFirstEmptySlot) {
    fill({reading(1, 10), reading(2, 11)});
    tables.at(currentTable, 4) = reading(4, 14);
    const QString text = build(QStringLiteral("A"));
    EXPECT_EQ(text.count(QStringLiteral("12.03.2024 10:15:02")), 2);
}

TEST_F(ReportText, TraceMemoryHasTheShortForm) {
    TraceSeries trace;
    trace.count = 3;
    trace.minimum = 1;
    trace.maximum = 3;
    trace.mean = 2;
    trace.standardDeviation = 1;
    trace.pulseTimeMs = 12.5;
    trace.samples = {1.0, static_cast<double>(2.1f), 3.0};
    table.statistics().setTitle(QStringLiteral("Speicher t01"));
    table.statistics().showTraceStatistics(trace, um);
    fill({});  // no table records for a trace
    table.statistics().showTraceStatistics(trace, um);
    project.texts[0] = QStringLiteral("Muster GmbH");

    const QString text = build(QStringLiteral("A"), QStringLiteral(" t01 "), &trace);
    const QString expected =
        QStringLiteral("Triggert01 Halle 3") + crlf + QStringLiteral("Statistik:") + crlf + sp(1) + crlf +
        QStringLiteral("Anzahl") + sp(14) + QStringLiteral("3") + crlf + QStringLiteral("Minimum") + sp(13) +
        QStringLiteral("1,00    ") + um + crlf + QStringLiteral("Maximum") + sp(13) + QStringLiteral("3,00    ") + um +
        crlf + QStringLiteral("Mittel") + sp(14) + QStringLiteral("2,00    ") + um + crlf + QStringLiteral("Std.Abw.") +
        sp(12) + QStringLiteral("1,00    ") + um + crlf + QStringLiteral("Impulszeit") + sp(9) +
        QStringLiteral("12,50 ms") + crlf + crlf + QStringLiteral("Impulszeit 12,50 ms") + crlf + QStringLiteral("1") +
        crlf + QStringLiteral("2,1") + crlf + QStringLiteral("3") + crlf;
    EXPECT_EQ(text, expected);
    // Only on the first table and with a lowercase "t" in the first two characters.
    EXPECT_TRUE(isTraceMemoryShown(QStringLiteral("mt")));
    EXPECT_FALSE(isTraceMemoryShown(QStringLiteral("T01")));
    EXPECT_FALSE(isTraceMemoryShown(QStringLiteral("m0t")));
    currentTable = kTableOnline;
    EXPECT_FALSE(isTraceMemoryShown(QStringLiteral("t01")));
}
