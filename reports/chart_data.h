#pragma once
// The chart data set of the shown reading table: one point per plotted reading (or trace
// sample), its row labels, the reference lines (target, limits) and the pens, legends and
// label texts both chart windows draw it with. Free of widgets, so that the main window's
// small chart, the chart window, the spreadsheet export and the tests share one computation.
#include <QString>
#include <QStringList>
#include <QVariant>
#include <vector>

#include "data/limits.h"
#include "data/limits_colours.h"

namespace zenu {

class ReadingTables;
class StatisticsModel;
struct TraceSeries;

// chartType of the chart controls.
enum class ChartType { Bar = 1, Line = 3 };
// The line / bar button: a bar chart becomes a line chart, anything else a bar chart.
ChartType nextChartType(ChartType current);

// Pen of a series: width in twentieths of a point (40 = 2 pt), style as the chart controls
// number them.
enum class PenStyle { Solid = 1, Dashed = 2, Dotted = 3 };
struct ChartPen {
    int width = 0;
    PenStyle style = PenStyle::Solid;
    friend bool operator==(const ChartPen&, const ChartPen&) = default;
};
// Device-independent pixels of a pen (at least 1).
double penPixels(const ChartPen& pen);

enum class ChartRole { Readings, Target, MinLimit, MaxLimit };

struct ChartSeries {
    ChartRole role = ChartRole::Readings;
    int column = 1;        // column of the data set: 1 the readings, 2.. the reference lines
    double constant = 0;   // reference lines: the value repeated on every row
    QString legend;        // legend text in the chart window's line chart
    ChartPen smallPen;     // the main window's chart
    ChartPen largePen;     // the chart window's line chart
    Rgb colour;
};

struct ChartDataSet {
    bool trace = false;            // the points are the samples of a trace memory
    std::vector<double> values;    // column 1, one per point (rows 1..N)
    QStringList labels;            // column 0: " " on every row, " N" on the last
    // Readings first, then the reference lines in column order: target, minimum limit,
    // maximum limit, each present only when set.
    std::vector<ChartSeries> series;
    QString unit;                  // unit of the first plotted record (empty for a trace)
    int traceIntervalMs = 0;       // trace: milliseconds between two samples

    // Value axis: from the statistics' minimum to their maximum, widened to every plotted
    // value and reference line so that none lies outside the plot.
    double axisMinimum = 0;
    double axisMaximum = 0;
    QString axisTitle;             // the statistics unit

    QString legendText;     // txtMittelwert beside the small chart
    QString dataLabel;      // legend of the readings series ("Daten" / "Data")
    // Labels under the chart window's chart; an empty text is a hidden label.
    QString pulseTimeText;  // lblImpulszeit (trace only)
    QString lineSampleText; // lblStrich (not for a trace)
    QString meanText;       // lblMean (not for a trace)
    QString minMaxText;     // lblMinMax

    int rowCount() const { return static_cast<int>(values.size()); }
    // C: the last column of the array (1 to 4).
    int lastColumn() const { return static_cast<int>(series.size()); }
    bool empty() const { return values.empty(); }
    // The array the chart controls take: row 1..N, column 0..C. Column 0 is text, the others
    // double; outside the array an invalid QVariant.
    QVariant cell(int row, int column) const;
    // What a chart of this type draws: the bar chart only the readings, the line chart all.
    std::vector<ChartSeries> seriesFor(ChartType type) const;
    const ChartSeries* find(ChartRole role) const;
};

// Where the data set comes from: the current reading table, its statistics (their material
// selection, unit and texts), the limits and, for a trace memory, its samples.
struct ChartSource {
    const ReadingTables& tables;
    int table = 0;
    const StatisticsModel& statistics;
    const LimitSettings& limits;
    // Set while a trace memory is shown (see isTraceMemoryShown): its samples are the points.
    const TraceSeries* trace = nullptr;
    QString traceUnit;  // unit of the trace statistics (the display unit)
    int language = 0;
};

// The chart can be switched on: all included readings share one unit.
bool chartPossible(const StatisticsModel& statistics);

// Builds the data set. Records are taken from slot 1 up to the first empty one; readings
// marked "X" and, while the material button is shown, readings of the other material (the
// ones the statistics leave out) are not plotted.
ChartDataSet BuildChartData(const ChartSource& source);

}  // namespace zenu
