#pragma once
// The program's folders: where settings, the trace log, measurement files and pictures live.
#include <QString>

namespace zenu {

// Settings files and TransferLog.txt: $XDG_CONFIG_HOME/Zenu Connect.
extern QString AppDataPath;
// Measurement files (below it "mes/<serial>"): $XDG_DATA_HOME/Zenu Connect.
extern QString MessDataPath;
// Folder of the running program.
extern QString ProgramFolder;

namespace platform {

// Forms the three folders (paths with "/", no trailing slash) and creates AppDataPath when it
// is missing: every settings call depends on it.
void initPaths();

// Keeps letters, digits, "-" and "_" of a serial number that came from a gauge and replaces
// every other character with "_", so a file or folder named after it stays where we put it.
// An empty serial (no gauge) gives "": Limit_.ini, Projektdaten_.ini.
QString safeFileComponent(const QString& serial);

// The folder of a gauge below base: base/<safe serial>, or base itself without a serial.
QString serialFolder(const QString& base, const QString& serial);

// Path of a picture or other program file that ships with the program: looked up beside the
// executable, then in the installed data folder. Returns "" when it is nowhere.
QString findProgramFile(const QString& fileName);

// Creates the folder and its parents when missing. False when it cannot be created.
bool ensureFolder(const QString& path);

}  // namespace platform
}  // namespace zenu
