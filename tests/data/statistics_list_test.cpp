// The statistics list: every line as the main window shows it and the reports copy it.
#include <gtest/gtest.h>

#include "data/gauge_identity.h"
#include "data/limits.h"
#include "data/statistics.h"
#include "data/trace_series.h"
#include "data_support.h"

using namespace zenu;
using namespace zenu::testing;

namespace {

QString sp(int n) { return QString(n, QLatin1Char(' ')); }
const QString um = QString::fromUtf8("µm");

class StatisticsList : public DataTest {
protected:
    void SetUp() override {
        DataTest::SetUp();
        useLocale(germanLocale());
        useGauge(QStringLiteral("QX"), um);
        Limits = LimitSettings{};
        stats.setTitle(QStringLiteral("Speicher 3"));
    }
    void TearDown() override {
        Limits = LimitSettings{};
        DataTest::TearDown();
    }
    QStringList dataLines() const { return stats.lines().mid(4); }

    StatisticsModel stats;
};

}  // namespace

TEST_F(StatisticsList, OneReadingHasNoMeanAndNoDeviation) {
    stats.include(12.5, um, QStringLiteral("FE"));
    const QStringList expected{QStringLiteral("Speicher 3"),
                               QStringLiteral(" "),
                               QStringLiteral("Statistik:"),
                               QStringLiteral(" "),
                               QStringLiteral("Anzahl") + sp(14) + QStringLiteral("1"),
                               QStringLiteral("Minimum") + sp(13) + QStringLiteral("12,5    ") + um,
                               QStringLiteral("Maximum") + sp(13) + QStringLiteral("12,5    ") + um};
    EXPECT_EQ(stats.lines(), expected);
    EXPECT_EQ(stats.count(), 1);
    EXPECT_DOUBLE_EQ(stats.absMinimum(), 12.5);
    EXPECT_DOUBLE_EQ(stats.absMaximum(), 12.5);
}

TEST_F(StatisticsList, FieldGaugeWorksOnMagnitudesAndSaysSo) {
    useGauge(QStringLiteral("KV4"), QStringLiteral("A/cm"));
    stats.include(-2, QStringLiteral("A/cm"), QStringLiteral("DC"));
    stats.include(2, QStringLiteral("A/cm"), QStringLiteral("DC"));
    EXPECT_EQ(stats.lines().at(2), QStringLiteral("Statistik:abs"));
    // minimum 2, maximum 2, mean 2, deviation sqrt((8 - 16/2) / 1) = 0; k = 2 - 1 = 1
    EXPECT_EQ(dataLines(), (QStringList{QStringLiteral("Anzahl") + sp(14) + QStringLiteral("2"),
                                        QStringLiteral("Minimum") + sp(14) + QStringLiteral("2,0    A/cm"),
                                        QStringLiteral("Maximum") + sp(14) + QStringLiteral("2,0    A/cm"),
                                        QStringLiteral("Mittel") + sp(15) + QStringLiteral("2,00   A/cm"),
                                        QStringLiteral("Std.Abw.") + sp(13) + QStringLiteral("0,00   A/cm")}));
    EXPECT_DOUBLE_EQ(stats.minimum(), -2);  // the signed items stay for the exports
    EXPECT_DOUBLE_EQ(stats.absMinimum(), 2);
}

TEST_F(StatisticsList, SampleStandardDeviationDividesByNMinusOne) {
    for (double v : {10.0, 11.0, 12.0}) stats.include(v, um, QStringLiteral("FE"));
    EXPECT_DOUBLE_EQ(stats.mean(), 11);
    EXPECT_DOUBLE_EQ(stats.standardDeviation(), 1);
    EXPECT_EQ(dataLines().at(3), QStringLiteral("Mittel") + sp(14) + QStringLiteral("11,00   ") + um);
    EXPECT_EQ(dataLines().at(4), QStringLiteral("Std.Abw.") + sp(13) + QStringLiteral("1,00   ") + um);
}

TEST_F(StatisticsList, DecimalShiftKeepsSeparatorsAndUnitsInColumns) {
    // Minimum 12,3 (one decimal), mean 12,33 (two): k = 1.
    EXPECT_EQ(StatisticsModel::decimalShift(QStringLiteral("       12,3"), QStringLiteral("      12,33"),
                                            QStringLiteral(",")),
              1);
    // Minimum 150 (no separator), mean 150,33: k = 2 - 0 + 1 = 3.
    EXPECT_EQ(StatisticsModel::decimalShift(QStringLiteral("        150"), QStringLiteral("     150,33"),
                                            QStringLiteral(",")),
              3);
    stats.include(150, um, QStringLiteral("FE"));
    stats.include(151, um, QStringLiteral("FE"));
    const QString mean = dataLines().at(3);
    EXPECT_EQ(mean, QStringLiteral("Mittel") + sp(10) + sp(5) + QStringLiteral("150,50 ") + um);
    // Only one blank before the unit; the units of all lines end in one column.
    for (const QString& line : dataLines().mid(1)) EXPECT_EQ(line.size(), dataLines().at(1).size());
}

TEST_F(StatisticsList, MixedUnitsShowTheNotPossibleLines) {
    stats.include(12.5, um, QStringLiteral("FE"));
    stats.include(1.2, QStringLiteral("mils"), QStringLiteral("FE"));
    EXPECT_EQ(dataLines(), (QStringList{QStringLiteral(" Statistik nicht möglich,"), QStringLiteral(" da verschiedene"),
                                        QStringLiteral(" Messeinheiten ")}));
    EXPECT_TRUE(stats.mixedUnits());
    useLocale(englishLocale());
    stats.redraw();
    EXPECT_EQ(dataLines(), (QStringList{QStringLiteral(" Statistics not possible"), QStringLiteral(" cause of different"),
                                        QStringLiteral(" measurement units")}));
}

TEST_F(StatisticsList, EnglishLabels) {
    useLocale(englishLocale());
    stats.include(10, um, QStringLiteral("FE"));
    stats.include(12, um, QStringLiteral("FE"));
    EXPECT_EQ(stats.lines().at(2), QStringLiteral("Statistics:"));
    EXPECT_EQ(dataLines().at(0), QStringLiteral("Count") + sp(15) + QStringLiteral("2"));
    EXPECT_EQ(dataLines().at(3), QStringLiteral("Average") + sp(13) + QStringLiteral("11.00   ") + um);
    EXPECT_EQ(dataLines().at(4), QStringLiteral("Std.Dev") + sp(14) + QStringLiteral("1.41   ") + um);
}

TEST_F(StatisticsList, ThreeStatisticsDecimalsFromTheProfile) {
    useGauge(QStringLiteral("JZ"), QString::fromUtf8("µr"));
    const QString ur = QString::fromUtf8("µr");
    stats.include(1.5, ur, QStringLiteral("PM"));
    stats.include(2.25, ur, QStringLiteral("PM"));
    // "µr" below 10 shows three decimals; the mean "Stat" three as well (profile character 7).
    EXPECT_EQ(dataLines().at(1), QStringLiteral("Minimum") + sp(12) + QStringLiteral("1,500    ") + ur);
    EXPECT_EQ(dataLines().at(3), QStringLiteral("Mittel") + sp(13) + QStringLiteral("1,875    ") + ur);
}

TEST_F(StatisticsList, MaterialSelectionCoversOneMaterialAndSwaps) {
    stats.include(10, um, QStringLiteral("FE"));
    EXPECT_FALSE(stats.materialButtonVisible());
    EXPECT_TRUE(stats.include(30, um, QStringLiteral("NF")) == false);  // left out
    stats.include(12, um, QStringLiteral("FE"));
    EXPECT_TRUE(stats.materialButtonVisible());
    EXPECT_EQ(stats.materialButtonCaption(), QStringLiteral("NF"));
    EXPECT_EQ(stats.lines().at(2), QStringLiteral("FE Statistik:"));
    EXPECT_EQ(stats.count(), 2);
    EXPECT_DOUBLE_EQ(stats.absMaximum(), 12);

    // The button switches to the other material; the table is included again.
    stats.toggleMaterial();
    EXPECT_EQ(stats.materialButtonCaption(), QStringLiteral("FE"));
    stats.resetForMaterial();
    for (auto [v, m] : {std::pair{10.0, "FE"}, {30.0, "NF"}, {12.0, "FE"}})
        stats.include(v, um, QLatin1String(m), false);
    stats.redraw();
    EXPECT_EQ(stats.lines().at(2), QStringLiteral("NFE Statistik:"));
    EXPECT_EQ(stats.count(), 1);
    EXPECT_DOUBLE_EQ(stats.absMinimum(), 30);
    EXPECT_EQ(stats.merkmaterial(), QStringLiteral("NF"));

    stats.toggleMaterial();  // family "5": back to "NF"
    EXPECT_EQ(stats.materialButtonCaption(), QStringLiteral("NF"));
    useGauge(QStringLiteral("VQB"), um);
    stats.toggleMaterial();
    stats.toggleMaterial();  // family "4": "FE" becomes "NFE"
    EXPECT_EQ(stats.materialButtonCaption(), QStringLiteral("NFE"));
}

TEST_F(StatisticsList, MaterialStartsWithNonFerrous) {
    stats.include(30, um, QStringLiteral("NF"));
    stats.include(10, um, QStringLiteral("FE"));
    EXPECT_EQ(stats.merkmaterial(), QStringLiteral("NF"));
    EXPECT_EQ(stats.materialButtonCaption(), QStringLiteral("FE"));
    // A reading left out ends the update before the list is drawn; the next one names the material.
    EXPECT_EQ(stats.lines().at(2), QStringLiteral("Statistik:"));
    stats.include(31, um, QStringLiteral("NF"));
    EXPECT_EQ(stats.lines().at(2), QStringLiteral("NFE Statistik:"));
    EXPECT_EQ(stats.count(), 2);
}

TEST_F(StatisticsList, OnlyCoatingGaugesSelectAMaterial) {
    useGauge(QStringLiteral("WB2"), QStringLiteral("FN"));
    stats.include(10, QStringLiteral("FN"), QStringLiteral("FE"));
    stats.include(11, QStringLiteral("FN"), QStringLiteral("NF"));
    EXPECT_FALSE(stats.materialButtonVisible());
    EXPECT_EQ(stats.count(), 2);
}

TEST_F(StatisticsList, ResetKeepsTheAbsoluteSettingAndTheUnitOfTheLastReading) {
    stats.include(12.5, um, QStringLiteral("FE"));
    stats.setAbsoluteSetting(false);
    stats.reset();
    EXPECT_FALSE(stats.absoluteSetting());
    EXPECT_EQ(stats.count(), 0);
    EXPECT_TRUE(stats.lines().isEmpty());
    EXPECT_DOUBLE_EQ(stats.absMinimum(), 999999);
    EXPECT_DOUBLE_EQ(stats.absMaximum(), -999999);
    EXPECT_EQ(stats.statisticEinheit(), um);
    stats.include(1, um, QStringLiteral("FE"));
    EXPECT_TRUE(stats.absoluteSetting());  // every update switches it on
}

TEST_F(StatisticsList, RuleLineFollowsTheList) {
    Limits.Soll = 100;
    Limits.MinLimit = 80;
    Limits.Rule8020 = true;
    for (double v : {85.0, 95.0, 120.0}) stats.include(v, um, QStringLiteral("FE"));
    EXPECT_EQ(stats.lines().last(), QStringLiteral("Regel 80/20 ok: Nein  67 %"));
    useLocale(englishLocale());
    stats.redraw();
    EXPECT_EQ(stats.lines().last(), QStringLiteral("rule 80/20 ok: No 67 %"));
}

TEST_F(StatisticsList, TraceMemoryListInTheSameFormat) {
    TraceSeries trace;
    trace.count = 250;
    trace.minimum = 1.25;
    trace.maximum = 9.5;
    trace.mean = 4.75;
    trace.standardDeviation = 0.5;
    trace.pulseTimeMs = 12.25;
    useGauge(QStringLiteral("XK"), QStringLiteral("mVs"));
    stats.showTraceStatistics(trace, QStringLiteral("mVs"));
    EXPECT_EQ(stats.lines(),
              (QStringList{QStringLiteral("Speicher 3"), QStringLiteral(" "), QStringLiteral("Statistik:abs"),
                           QStringLiteral(" "), QStringLiteral("Anzahl") + sp(12) + QStringLiteral("250"),
                           QStringLiteral("Minimum") + sp(13) + QStringLiteral("1,25    mVs"),
                           QStringLiteral("Maximum") + sp(13) + QStringLiteral("9,50    mVs"),
                           QStringLiteral("Mittel") + sp(14) + QStringLiteral("4,75    mVs"),
                           QStringLiteral("Std.Abw.") + sp(12) + QStringLiteral("0,50    mVs"),
                           QStringLiteral("Impulszeit") + sp(9) + QStringLiteral("12,25 ms")}));
}
