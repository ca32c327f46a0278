#pragma once
// The CSV export: the readings of one table, a fixed number per line, each line led by the
// date and time of its first reading and optionally closed by the line's minimum, maximum and
// mean. Windows-1252 text, ";" after every cell, CR LF line ends, one empty line at the end.
#include <QString>
#include <vector>

#include "data/measurement_record.h"
#include "reports/export_file.h"

namespace zenu {

struct CsvOptions {
    int perLine = 5;       // readings per line (1..20)
    bool minimum = false;  // the line's minimum as an extra column
    bool maximum = false;
    bool mean = false;     // the line's mean, always with two decimals
};

// The whole file text. Records are taken in order up to the first empty one (value 0 and
// number 0) and at most 5000. sourceLine is put in front unchanged (reportSourceLine: ends
// with CR LF, or ""). "" when there is no reading to write or perLine is below 1.
QString csvText(const std::vector<MeasurementRecord>& records, const CsvOptions& options,
                const QString& sourceLine, int language);

// Writes csvText to path (replacing it only once the new file is complete). NoReadings, and
// nothing written, when csvText is "".
ExportResult writeCsvFile(const std::vector<MeasurementRecord>& records, const CsvOptions& options,
                          const QString& sourceLine, int language, const QString& path);

// The path a chosen file is saved under: ".csv" is appended unless the file's name already
// holds ".csv" somewhere (case-sensitive, so "data.CSV" becomes "data.CSV.csv").
QString csvFileName(const QString& chosen);

// The records of a reading table, slots 1.. up to the first empty one.
std::vector<MeasurementRecord> tableRecords(const ReadingTables& tables, int table);

}  // namespace zenu
