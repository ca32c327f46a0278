#pragma once
// The trace log TransferLog.txt in AppDataPath: plain lines, emptied at each start.
#include <QString>

namespace zenu {

// Appends one line. A line that cannot be written is lost; the log never reports errors.
void WriteLog(const QString& text);
// Empties the log if it exists.
void DeleteLog();

}  // namespace zenu
