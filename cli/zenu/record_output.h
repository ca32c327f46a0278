#pragma once
// One record a line, fields separated by a tab: number, value text (as the grid shows it,
// trimmed), unit, method, dateText, timeText, invalidMark.
#include <QString>

#include "data/measurement_record.h"

namespace zenu::cli {

QString recordLine(const MeasurementRecord& record);

// The lines of the memory decoded last: "trace", count and interval, then one sample a line,
// for a trace memory; else one record line per reading of table 0.
QString memoryLines(bool traceMemory);

}  // namespace zenu::cli
