// The chart data set: columns and series order by the limits that are set, row labels, pens,
// legend and label texts, the readings plotted (the ones the statistics cover) and traces.
#include <QLocale>
#include <gtest/gtest.h>
#include <ostream>

#include "texts/texts.h"
#include "data/gauge_identity.h"
#include "data/measurement_record.h"
#include "data/statistics.h"
#include "data/trace_series.h"
#include "platform/localefmt.h"
#include "reports/chart_data.h"
#include "../support/coating_gauge.h"

inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

using namespace zenu;

namespace {

const QString um = QString::fromUtf8("µm");

MeasurementRecord reading(int number, double value, const QString& method = QStringLiteral("FE"),
                          const QString& mark = {}) {
    MeasurementRecord r;
    r.number = number;
    r.value = value;
    r.unit = um;
    r.method = method;
    r.invalidMark = mark;
    return r;
}

class ChartData : public ::testing::Test {
protected:
    void SetUp() override {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        platform::initLocale();
        LanguageIndex = kLanguageGerman;
        resetGaugeIdentity();
        zenu::testing::useCoatingGauge(QString());
        Limits = LimitSettings{};
    }
    void TearDown() override { resetGaugeIdentity(); }

    // Puts the readings into table 0 and includes them in the statistics as the table does.
    void fill(const std::vector<MeasurementRecord>& records) {
        tables.clear(kTableMemory);
        stats.reset();
        for (std::size_t i = 0; i < records.size(); ++i) {
            tables.at(kTableMemory, static_cast<int>(i) + 1) = records[i];
            if (records[i].invalidMark.isEmpty()) stats.include(records[i].value, records[i].unit, records[i].method);
        }
    }
    ChartDataSet build(const LimitSettings& limits, const TraceSeries* trace = nullptr) {
        return BuildChartData(ChartSource{tables, kTableMemory, stats, limits, trace, um, LanguageIndex});
    }

    ReadingTables tables;
    StatisticsModel stats;
};

TEST_F(ChartData, ColumnsAndSeriesOrderFollowTheLimitsThatAreSet) {
    using R = ChartRole;
    struct Case {
        const char* name;
        double soll, min, max;
        std::vector<R> roles;
        std::vector<double> constants;  // columns 2..C
        std::vector<QString> legends;   // line-chart legends of columns 2..C
        double axisMin, axisMax;
    };
    const Case cases[] = {
        {"none", 0, 0, 0, {R::Readings}, {}, {}, 10, 12},
        {"target only", 11.5, 0, 0, {R::Readings, R::Target}, {11.5}, {QStringLiteral("Sollwert     11,5")}, 10, 12},
        {"limit, no target", 0, 9, 20, {R::Readings, R::MinLimit, R::MaxLimit}, {9, 20},
         {QStringLiteral("Minimum 9"), QStringLiteral("Maximum 20")}, 9, 20},
        // Only the maximum set: both limit lines, the minimum at 0 (and the axis down to it).
        {"maximum only", 0, 0, 15, {R::Readings, R::MinLimit, R::MaxLimit}, {0, 15},
         {QStringLiteral("Minimum 0"), QStringLiteral("Maximum 15")}, 0, 15},
        {"limit and target", 25, 8.5, 30, {R::Readings, R::Target, R::MinLimit, R::MaxLimit}, {25, 8.5, 30},
         {QStringLiteral("Sollwert     25"), QStringLiteral("Minimum 8,5"), QStringLiteral("Maximum 30")}, 8.5, 30},
    };
    // A reading marked "X" (value 0) is left out, as the statistics leave it out.
    fill({reading(1, 10), reading(2, 0, QStringLiteral("FE"), QStringLiteral("X")), reading(3, 11), reading(4, 12)});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LimitSettings limits;
        limits.Soll = c.soll;
        limits.MinLimit = c.min;
        limits.MaxLimit = c.max;
        const ChartDataSet set = build(limits);

        ASSERT_EQ(set.rowCount(), 3);
        ASSERT_EQ(set.lastColumn(), static_cast<int>(c.roles.size()));
        for (std::size_t i = 0; i < c.roles.size(); ++i) {
            EXPECT_EQ(set.series[i].role, c.roles[i]);
            EXPECT_EQ(set.series[i].column, static_cast<int>(i) + 1);
        }
        // Only the last row carries a number: the category axis ends with the count.
        EXPECT_EQ(set.labels, QStringList({QStringLiteral(" "), QStringLiteral(" "), QStringLiteral(" 3")}));
        for (int row = 1; row <= 3; ++row) {
            EXPECT_EQ(set.cell(row, 1).toDouble(), std::vector<double>({10, 11, 12})[row - 1]);
            for (std::size_t k = 0; k < c.constants.size(); ++k)
                EXPECT_EQ(set.cell(row, static_cast<int>(k) + 2).toDouble(), c.constants[k]);
        }
        EXPECT_FALSE(set.cell(4, 1).isValid());
        EXPECT_FALSE(set.cell(1, set.lastColumn() + 1).isValid());
        for (std::size_t k = 0; k < c.legends.size(); ++k) EXPECT_EQ(set.series[k + 1].legend, c.legends[k]);

        // The bar chart draws the readings alone.
        const auto bar = set.seriesFor(ChartType::Bar);
        ASSERT_EQ(bar.size(), 1u);
        EXPECT_EQ(bar[0].role, R::Readings);
        EXPECT_EQ(set.seriesFor(ChartType::Line).size(), c.roles.size());
        // Pens: small chart 40 solid / 10 dotted; chart window 35, target 20, limits 30.
        EXPECT_EQ(set.series[0].smallPen, (ChartPen{40, PenStyle::Solid}));
        EXPECT_EQ(set.series[0].largePen, (ChartPen{35, PenStyle::Solid}));
        for (std::size_t k = 1; k < set.series.size(); ++k) {
            EXPECT_EQ(set.series[k].smallPen, (ChartPen{10, PenStyle::Dotted}));
            EXPECT_EQ(set.series[k].largePen.width, set.series[k].role == R::Target ? 20 : 30);
        }
        // No reference line lies outside the value axis.
        EXPECT_DOUBLE_EQ(set.axisMinimum, c.axisMin);
        EXPECT_DOUBLE_EQ(set.axisMaximum, c.axisMax);
    }

    const ChartDataSet set = build(LimitSettings{});
    EXPECT_EQ(set.unit, um);
    EXPECT_EQ(set.axisTitle, um);
    EXPECT_EQ(set.series[0].legend, QStringLiteral("Daten"));
    EXPECT_EQ(set.legendText, QStringLiteral("_ _ _Mittel       11,00"));
    EXPECT_EQ(set.meanText, QStringLiteral("Mittel       11,00"));
    EXPECT_EQ(set.lineSampleText, QStringLiteral("__ __ __"));
    EXPECT_EQ(set.minMaxText, QStringLiteral("Maximum        12,0   Minimum        10,0"));
    EXPECT_TRUE(set.pulseTimeText.isEmpty());
    EXPECT_EQ(nextChartType(ChartType::Line), ChartType::Bar);
    EXPECT_EQ(nextChartType(ChartType::Bar), ChartType::Line);
}

// Two materials on a family "4" gauge: the button's caption goes "NF" -> "FE" -> "NFE". With
// "NFE" the statistics cover "FE"; so does the chart (a test of the first two method
// characters against the whole caption would have left out both materials).
TEST_F(ChartData, PlotsTheReadingsOfTheMaterialTheStatisticsCover) {
    DeviceProfile = QStringLiteral("4-E2+-2");
    fill({reading(1, 40, QStringLiteral("FE")), reading(2, 60, QStringLiteral("NF")), reading(3, 42, QStringLiteral("FE")),
          reading(4, 61, QStringLiteral("NF")), reading(5, 63, QStringLiteral("NF"))});
    ASSERT_TRUE(stats.materialButtonVisible());
    const auto rebuild = [&] {
        stats.toggleMaterial();
        stats.resetForMaterial();
        for (int i = 1; i <= 5; ++i) {
            const MeasurementRecord& r = tables.at(kTableMemory, i);
            stats.include(r.value, r.unit, r.method);
        }
    };
    struct Step {
        QString caption;
        std::vector<double> values;
    };
    const Step steps[] = {{QStringLiteral("NF"), {40, 42}}, {QStringLiteral("FE"), {60, 61, 63}},
                          {QStringLiteral("NFE"), {40, 42}}};
    for (const Step& step : steps) {
        SCOPED_TRACE(step.caption.toStdString());
        ASSERT_EQ(stats.materialButtonCaption(), step.caption);
        const ChartDataSet set = build(LimitSettings{});
        EXPECT_EQ(set.values, step.values);
        EXPECT_EQ(stats.count(), static_cast<int>(step.values.size()));
        EXPECT_EQ(set.labels.last(), QLatin1Char(' ') + QString::number(step.values.size()));
        rebuild();
    }
}

TEST_F(ChartData, TraceMemoryPlotsItsSamplesWithTheHeaderStatistics) {
    TraceSeries trace;
    trace.count = 4;
    trace.intervalMs = 5;
    trace.samples = {1.5, 2.25, 3.75, 2.0};
    trace.minimum = 1.5;
    trace.maximum = 3.75;
    trace.pulseTimeMs = 12.5;
    fill({reading(1, 10)});  // what table 0 held before is not the trace
    LimitSettings limits;
    limits.Soll = 3;
    const ChartDataSet set = build(limits, &trace);

    EXPECT_TRUE(set.trace);
    EXPECT_EQ(set.values, trace.samples);
    EXPECT_EQ(set.traceIntervalMs, 5);
    EXPECT_EQ(set.labels.last(), QStringLiteral(" 4"));
    EXPECT_EQ(set.lastColumn(), 2);
    EXPECT_EQ(set.cell(4, 2).toDouble(), 3.0);
    EXPECT_EQ(set.axisTitle, um);
    EXPECT_DOUBLE_EQ(set.axisMinimum, 1.5);
    EXPECT_DOUBLE_EQ(set.axisMaximum, 3.75);
    EXPECT_EQ(set.legendText, QStringLiteral("Maximum        3,75   Minimum        1,50"));
    EXPECT_EQ(set.pulseTimeText, QStringLiteral("Impulszeit 12,50 ms"));
    EXPECT_EQ(set.minMaxText, QStringLiteral("Maximum   3,75 µm   Minimum   1,50 µm"));
    EXPECT_TRUE(set.meanText.isEmpty());
    EXPECT_TRUE(set.lineSampleText.isEmpty());
}

}  // namespace
