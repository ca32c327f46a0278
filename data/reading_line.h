#pragma once
// Reading lines as gauges send them: each live notification of the measurement
// characteristic and each line of a family "4" memory listing. Two layouts: fixed columns
// (firmware flag 0) and blank-separated fields (firmware flag 1, data protocol 1).
#include <QString>

#include "data/reading_sink.h"

namespace zenu {

// The fields of one reading line, as text, before any conversion.
struct ReadingLineFields {
    QString number, value, unit, method, timestamp;
};

// Fixed columns: number 1-4, value 7-16, unit 18-21 (trimmed), method 23-25 (trimmed),
// timestamp 27-45. Blank-separated: the line trimmed, every "!" removed, split at single
// blanks into number, value, unit, method, timestamp; a date and a time sent as two fields
// are joined into one timestamp. Missing fields are empty. CR LF pairs count as two blanks.
ReadingLineFields splitReadingLine(const QString& line, bool blankSeparated);

// Parses one reading line into currentTable at readingIndex, appends its row and advances
// readingIndex. On the online table of a gauge that lets the program count (profile character
// 3 "E") the number is the online counter, which then advances; other gauges number their
// readings themselves. Gauge numbers are read with "." or "," as the decimal mark whatever the
// locale. A field that is no number or no date, or a full table, is reported ("Fill Messdaten:
// 13 Type mismatch: ...", logged and shown) and the reading is not added. A line that makes
// an empty record (number and value 0) is not added either. True when a record was stored.
bool FillMessdaten(const QString& onlineReading, ReadingSink& sink);

}  // namespace zenu
