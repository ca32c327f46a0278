#pragma once
// Draws a chart data set into a chart: the main window's small chart and the chart window's
// line and bar charts are built here alone, so that both show the same data the same way.
#include "reports/chart_data.h"

class QChart;
class QChartView;

namespace zenu {

enum class ChartSize {
    Small,  // main window: thin pens, no legend (the legend text box stands beside it)
    Large   // chart window: the legend under the chart and the unit as axis title
};

// Replaces everything in `chart` by the series of `data` for `type`. The category axis shows
// the row labels (only the last row is numbered); the value axis spans the data set's range.
void drawChart(QChart& chart, const ChartDataSet& data, ChartType type, ChartSize size);

// A chart view's chart, created once and reused: every redraw goes into the same chart.
QChart& chartOf(QChartView& view);

}  // namespace zenu
