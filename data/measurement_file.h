#pragma once
// Measurement files (".mes"): the report text of a table written to disk, and the reader that
// turns such a file back into the records of reading table 0.
//
// A file is the project block ("#  " lines), the statistics and limit lines, an empty line and
// one line per reading. Reading lines are the only lines that begin with a digit:
//   with a date column:  "12.03.2024 10:15:02        12        12,5 µm    FE"
//   without:             "10:15:02         12        12,5 µm   FE"
// The reader interprets every line by its content, so a file opens whatever gauge (or none)
// is connected: a leading date and time becomes the timestamp, a leading time alone the time
// text, a leading date alone a reading taken at midnight (the general date text drops
// "00:00:00"), and a line holding only a date (older files) the date text of the readings after it.
#include <QString>
#include <QStringList>
#include <vector>

#include "data/measurement_record.h"

namespace zenu {

inline constexpr const char* kMeasurementFileSuffix = ".mes";

// A reading line that could not be read: its 1-based line number in the file, the field that
// was missing or unreadable and the text found there (empty when missing).
struct MeasurementFileError {
    enum class Field { Number, Value };
    int line = 0;
    Field field = Field::Number;
    QString found;
};

struct MeasurementFileContent {
    std::vector<MeasurementRecord> records;  // in file order, at most 5000
    std::vector<MeasurementFileError> errors;
    bool tooManyReadings = false;  // readings beyond 5000 were not read
};

// Parses the lines of a file (without line ends). Lines before the first line that begins with
// a digit are skipped (project block, statistics, limits); every later non-blank line is a
// reading, and a reading line that does not parse is recorded in `errors` and skipped.
// Values are read with "." or "," as the decimal mark and rounded to three decimals;
// timestamps in the locale's general date-and-time format (German, English and ISO forms are
// accepted as well, so a file moves between machines).
MeasurementFileContent parseMeasurementFile(const QStringList& lines);

// Reads a Windows-1252 file and parses it. False (with *error set) when the file cannot be
// read; nothing is parsed then.
bool readMeasurementFile(const QString& path, MeasurementFileContent& content, QString* error = nullptr);

// Writes the report text (lines already ended by CR LF) as Windows-1252. The text goes to a
// temporary file that replaces the old one only when it is complete, so a failed save never
// leaves a half-written file in place of a good one.
bool writeMeasurementFile(const QString& path, const QString& reportText, QString* error = nullptr);

// The name a chosen file is saved under: ".mes" appended unless the name contains it.
QString measurementFileName(const QString& chosen);

// The message for the reading lines that were skipped, in the language given: one line per
// error (at most `maxListed`, then the number of the others).
QString measurementFileErrorText(const MeasurementFileContent& content, int language, int maxListed = 10);

}  // namespace zenu
