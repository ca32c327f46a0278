#pragma once
// The spreadsheet export: one workbook with the sheet "Messwerte" / "Data" (header block of
// text lines, one or two statistics blocks, the reading table) and, on request, an XY chart
// of the readings with mean, limit and target lines on a chart sheet of its own ("Chart").
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <vector>

#include "data/limits.h"
#include "data/measurement_record.h"
#include "data/trace_series.h"
#include "reports/export_file.h"
#include "reports/report_text.h"

namespace zenu {

class StatisticsModel;

// One statistics block as the sheet shows it.
struct XlsxStatistics {
    QString methodName;       // "FE", "NFE", "NF" for gauges with two methods, else ""
    bool possible = true;     // false: readings of different units, no figures
    int count = 0;
    double minimum = 0, maximum = 0, mean = 0, standardDeviation = 0;
    QString rule8020;         // verdict and band share ("Ja 0 %"), "" while the rule is off
    QString unit;             // unit of the statistics
};

struct XlsxContent {
    int language = 0;                     // 0 German, 1 English
    QString headerText;                   // source line and project block, lines ending CR LF
    QString memoryEntry;                  // the memory list entry the table came from
    QString memoryName;                   // name from the memory's header
    std::vector<XlsxStatistics> blocks;   // one, or two for gauges with two methods
    LimitSettings limits;
    QChar statisticsDecimals = QLatin1Char('2');  // "1", "2" or "3"; others: 2 decimals, general format
    bool methodColumn = true;             // the readings carry a method code
    std::array<QString, 4> gridHeaders;   // headers of the reading grid
    std::vector<MeasurementRecord> records;  // up to the first empty one
    bool trace = false;                   // a trace memory: samples instead of records
    TraceSeries traceData;                // its samples, interval and pulse time
    bool chart = false;                   // add the chart sheet (only when the first block is possible)
    QString chartTitle;                   // the first line of the statistics list

    // A reading, or a trace memory's sample, to write.
    bool hasReadings() const { return !records.empty() || (trace && !traceData.samples.empty()); }
};

// Writes the workbook to path, replacing it only once complete. NoReadings, and nothing
// written, when the content has no readings.
ExportResult writeXlsxFile(const XlsxContent& content, const QString& path);

// The workbook of the shown table as the main window and zenu-cli fill it: the readings of the
// current table (a trace memory's samples from source.trace), the limits, the gauge's profile
// and the statistics blocks (switchMaterial: see xlsxStatisticsBlocks). headerText: the source
// line and the project block. chart: the chart sheet, added when the units allow a chart.
XlsxContent shownTableWorkbook(ReportSource& source, const QString& headerText, bool chart,
                               const std::function<void()>& switchMaterial);

// A block from the statistics of the shown table: signed or magnitude minimum and maximum as
// the absolute setting selects.
XlsxStatistics xlsxStatistics(const StatisticsModel& statistics, const LimitSettings& limits, int language,
                              const QString& methodName = {});
// A block for a trace memory, from the statistics the gauge computed.
XlsxStatistics xlsxTraceStatistics(const TraceSeries& trace, const QString& unit);

// The statistics blocks of a workbook: the shown method's block (the gauge's own statistics for
// a trace memory) and, for gauges with two methods, the other method's after switchMaterial
// has switched the statistics to it (the table stays switched, as in the window).
std::vector<XlsxStatistics> xlsxStatisticsBlocks(const StatisticsModel& statistics, const LimitSettings& limits,
                                                 int language, bool trace, const TraceSeries& traceData,
                                                 const QString& gaugeUnit, const std::function<void()>& switchMaterial);

// The sheet's name in the language.
QString xlsxSheetName(int language);

// "A1" addresses: column 1 is A, 27 is AA.
QString cellAddress(int column, int row);

}  // namespace zenu
