// The chart of the main window and the chart window: switching the small chart on and off,
// the chart window from a filled table with line / bar switching, and which data a trace
// memory, a memory name and readings of different units give.
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QListWidget>
#include <QPushButton>

#include "app/dialogs/frm_chart_g.h"
#include "texts/texts.h"
#include "data/trace_series.h"
#include "window_support.h"

using namespace zenu;
using namespace zenu::testing;

namespace {

class ChartWindow : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        useCoatingGauge();
        traceSeries.clear();
        currentTable = kTableMemory;
    }
    void TearDown() override {
        traceSeries.clear();
        WindowTest::TearDown();
    }
    static QStringList seriesNames(QChartView* view) {
        QStringList names;
        for (QAbstractSeries* s : view->chart()->series()) names << s->name();
        return names;
    }
};

}  // namespace

TEST_F(ChartWindow, ChartWindowFromAFilledTableSwitchesLineAndBar) {
    Limits.MinLimit = 10;
    Limits.MaxLimit = 14;
    Limits.Soll = 12;
    const std::vector<double> values{10.2, 11.5, 12.8, 11.9, 13.4, 12.1, 10.9, 12.6, 13.1, 11.8, 12.4, 11.2};
    std::vector<MeasurementRecord> records;
    for (std::size_t i = 0; i < values.size(); ++i) records.push_back(reading(static_cast<int>(i) + 1, values[i]));
    putReadings(records);
    w().FillMSFlexOne();
    ASSERT_TRUE(w().table().statistics().absoluteSetting());

    w().cmdChart->click();
    EXPECT_FALSE(w().MSChart1->isHidden());
    EXPECT_TRUE(w().lstStat->isHidden());
    EXPECT_EQ(w().cmdChart->text(), QStringLiteral("Stat"));
    EXPECT_FALSE(w().cmdGross->isHidden());
    EXPECT_FALSE(w().txtMittelwert->isHidden());
    EXPECT_EQ(w().txtMittelwert->text(), QStringLiteral("_ _ _Mittel       11,99"));
    EXPECT_FALSE(w().table().statistics().absoluteSetting());
    EXPECT_EQ(w().MSChart1->chart()->series().size(), 4);
    EXPECT_FALSE(w().MSChart1->chart()->legend()->isVisible());

    int opened = 0;
    w().runDialog = [&](QDialog& d) {
        ++opened;
        auto& chart = dynamic_cast<FrmChartG&>(d);
        chart.show();
        EXPECT_EQ(chart.windowTitle(), programTitle());
        EXPECT_EQ(chart.chartType(), ChartType::Line);
        EXPECT_EQ(chart.cmdChartType->text(), QStringLiteral("Linie / Balken"));
        EXPECT_EQ(seriesNames(chart.MSChartG),
                  QStringList({QStringLiteral("Daten"), QStringLiteral("Sollwert     12"), QStringLiteral("Minimum 10"),
                               QStringLiteral("Maximum 14")}));
        const auto* readings = qobject_cast<QLineSeries*>(chart.MSChartG->chart()->series().at(0));
        ASSERT_NE(readings, nullptr);
        EXPECT_EQ(readings->count(), 12);
        EXPECT_EQ(readings->at(4), QPointF(5, 13.4));
        EXPECT_EQ(chart.lblMean->text(), QStringLiteral("Mittel       11,99"));
        EXPECT_FALSE(chart.lblMean->isHidden());
        EXPECT_EQ(chart.lblStrich->text(), QStringLiteral("__ __ __"));
        EXPECT_EQ(chart.lblMinMax->text(), QStringLiteral("Maximum        13,4   Minimum        10,2"));
        EXPECT_TRUE(chart.lblImpulszeit->isHidden());

        // Bar: the readings alone, no reference lines; then back to the line chart.
        chart.cmdChartType->click();
        EXPECT_EQ(chart.chartType(), ChartType::Bar);
        ASSERT_EQ(chart.MSChartG->chart()->series().size(), 1);
        const auto* bars = qobject_cast<QBarSeries*>(chart.MSChartG->chart()->series().at(0));
        ASSERT_NE(bars, nullptr);
        EXPECT_EQ(bars->barSets().at(0)->count(), 12);
        EXPECT_EQ(bars->barSets().at(0)->label(), QStringLiteral("Daten"));
        const QString screenshot = qEnvironmentVariable("ZENU_CHART_SCREENSHOT");
        chart.cmdChartType->click();
        EXPECT_EQ(chart.chartType(), ChartType::Line);
        EXPECT_EQ(chart.MSChartG->chart()->series().size(), 4);
        if (!screenshot.isEmpty()) {
            chart.resize(900, 560);
            QCoreApplication::processEvents();
            EXPECT_TRUE(chart.grab().save(screenshot));
        }
        chart.close();
    };
    w().cmdGross->click();
    EXPECT_EQ(opened, 1);
    // The enlarge button went through the toggle: the statistics list is back.
    EXPECT_TRUE(w().MSChart1->isHidden());
    EXPECT_FALSE(w().lstStat->isHidden());
    EXPECT_EQ(w().cmdChart->text(), QStringLiteral("Chart"));

    // A new reading shows the statistics in place of the chart, which would be out of date.
    w().cmdChart->click();
    Tables.at(kTableMemory, 13) = reading(13, 14);
    readingIndex = 13;
    w().AddReadingRow();
    EXPECT_TRUE(w().MSChart1->isHidden());
    EXPECT_FALSE(w().lstStat->isHidden());
}

TEST_F(ChartWindow, TraceMemoryNameAndUnitsDecideWhatIsCharted) {
    traceSeries.count = 3;
    traceSeries.intervalMs = 10;
    traceSeries.samples = {1.5, 2.5, 2.0};
    traceSeries.minimum = 1.5;
    traceSeries.maximum = 2.5;
    traceSeries.pulseTimeMs = 20;
    putReadings({reading(1, 10), reading(2, 11)});
    w().FillMSFlexOne();
    int opened = 0;
    ChartDataSet shown;
    w().runDialog = [&](QDialog& d) {
        ++opened;
        shown = dynamic_cast<FrmChartG&>(d).data();
    };

    // A measurement memory whose name holds a "t" further on charts its readings, not the
    // trace read before.
    w().cmbSpeicher->addItem(QStringLiteral("m1 test"));
    w().cmdChart->click();
    EXPECT_FALSE(w().ChartData.trace);
    EXPECT_EQ(w().ChartData.values, std::vector<double>({10, 11}));
    w().cmdChart->click();

    // A trace read from the gauge: its chart in the window and large, then the small chart stays.
    w().cmbSpeicher->addItem(QStringLiteral("t2"));
    w().cmbSpeicher->setCurrentIndex(1);
    w().showTraceChart();
    EXPECT_EQ(opened, 1);
    EXPECT_TRUE(shown.trace);
    EXPECT_EQ(shown.values, traceSeries.samples);
    EXPECT_EQ(shown.pulseTimeText, QStringLiteral("Impulszeit 20,00 ms"));
    EXPECT_FALSE(w().MSChart1->isHidden());
    EXPECT_TRUE(w().lstStat->isHidden());
    EXPECT_EQ(w().cmdChart->text(), QStringLiteral("Stat"));
    EXPECT_EQ(w().MSChart1->chart()->series().size(), 1);

    // Readings of different units: neither chart can be shown.
    w().cmbSpeicher->setCurrentIndex(0);
    MeasurementRecord mils = reading(3, 0.5);
    mils.unit = QStringLiteral("mils");
    putReadings({reading(1, 10), reading(2, 11), mils});
    w().Reset_Statistic();
    w().FillMSFlexOne();
    ASSERT_TRUE(w().table().statistics().mixedUnits());
    w().cmdChart->click();
    EXPECT_TRUE(w().MSChart1->isHidden());
    EXPECT_EQ(w().cmdChart->text(), QStringLiteral("Chart"));
    w().cmdGross->click();
    EXPECT_EQ(opened, 1);
}
