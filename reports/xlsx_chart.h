#pragma once
// The chart of the spreadsheet export: the readings as an XY line with mean, limit and target
// lines, on a chart sheet of its own.
#include <QString>

#include "data/limits.h"

struct lxw_workbook;
struct lxw_chartsheet;

namespace zenu {

// Where the sheet put what the chart shows.
struct XlsxChartPlan {
    QString sheetName;     // the sheet with the reading table
    int language = 0;
    bool trace = false;    // trace memory: no mean line, time axis
    LimitSettings limits;
    QString title;
    int firstReadingRow = 0;  // 1-based row of the first reading
    int readingCount = 0;
    double meanValue = 0;     // the first block's mean (trace: pulse time) cell
};

// Adds the chart to chartSheet; the values of the reference lines go to a hidden sheet, as
// every series of a workbook chart reads its points from cells.
void addXlsxChart(lxw_workbook* workbook, lxw_chartsheet* chartSheet, const XlsxChartPlan& plan);

// Name of the hidden sheet with the reference lines.
inline constexpr const char* kXlsxChartDataSheet = "ChartData";

}  // namespace zenu
