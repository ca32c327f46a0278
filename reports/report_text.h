#pragma once
// The plain-text report of the shown reading table. Clipboard, Word, print and PDF output show
// it, the Excel sheet takes its project block, and a measurement file is this text on disk.
// Lines end with CR LF.
#include <QString>
#include <QStringList>

#include "data/limits.h"
#include "data/measurement_record.h"
#include "data/project_data.h"

namespace zenu {

class MeasurementTable;
struct TraceSeries;

// What the report is built from. The caller reloads the project data from the gauge's file
// ("PL") before building, as every report shows the stored project data.
struct ReportSource {
    MeasurementTable& table;      // the statistics list, the material button, the readings of currentTable
    const LimitSettings& limits;
    const ProjectData& project;
    QString memoryEntry;          // text of the selected memory list entry
    QString memoryName;           // name from the header of the memory read last
    const TraceSeries* trace = nullptr;
};

// selector "A": the whole report; "P": the project block only. While the material button is
// shown, "A" adds the statistics of the other material and leaves the table switched to it.
QString BuildReportText(const QString& selector, ReportSource& source);

// A trace memory is shown: the first table is current and the memory entry has a lowercase
// "t" within its first two characters.
bool isTraceMemoryShown(const QString& memoryEntry);

// Which table the report shows, as the memory and online options of the main window say.
struct ReportOrigin {
    bool memorySelected = false;
    QString memoryCaption;  // caption of the memory option
    QString memoryName;     // name from the header of the memory read last
    bool onlineSelected = false;
    QString onlineCaption;  // caption of the online option
};

// The line clipboard, Word, CSV and Excel put in front of their text: "Speicher <caption>
// (<name>)" for the memory table, the online option's caption for the online table; "" for
// neither. Ends with CR LF.
QString reportSourceLine(const ReportOrigin& origin, int language);

// The lines of a report text for paper and documents: CR LF, LF or CR end a line; a last line
// end starts no further line.
QStringList reportTextLines(const QString& text);

// "#  " date time, "#  " label text per filled field, an empty line; "" when no field is filled.
// An unset date is today's, an unset time 00:00.
QString reportProjectBlock(const ProjectData& project);

// Entries 2 .. count of the statistics list, the last one past the end giving an empty line.
QString reportStatisticsLines(const QStringList& lstStat);

// "Min Limit" and "Max Limit" lines when either limit is set, the target line when it is set.
QString reportLimitLines(const LimitSettings& limits, const QString& unit, int language);

// One reading line: with a date column the timestamp as general date-and-time text, padded to
// column 25; without, the time text and six blanks; then number (5), value (11), unit, method.
// BuildReportText writes the date column when any reading of the table carries a timestamp or
// a date alone (single-value memories); a date alone is written as the line's date text.
QString reportReadingLine(const MeasurementRecord& record, bool dateColumn);

}  // namespace zenu
