#pragma once
// One record a line, fields separated by a tab: number, value text (as the grid shows it,
// trimmed), unit, method, dateText, timeText, invalidMark.
#include <QString>

#include "data/measurement_record.h"

namespace zenu::cli {

QString recordLine(const MeasurementRecord& record);

}  // namespace zenu::cli
