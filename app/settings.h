#pragma once
// The one routine for every settings file, called with a two-letter action code:
// SL/SS Language.ini, LL/LS Limit_<serial>.ini, TL/TS Tastatur_<serial>.ini,
// PI Projekt.ini, PL/PS Projektdaten_<serial>.ini.
#include <QString>
#include <functional>

namespace zenu {

// Runs after "SL" has loaded the language, to apply its texts to the windows.
extern std::function<void()> onLanguageLoaded;

// Logs the call, then loads or saves the file. A failure (missing folder, unreadable file,
// malformed line) ends the operation: the user sees the action's message with the error
// description, the log gets "Voreinstellungen Error: " and the message, and values read
// before the failure stay. Returns false on such a failure and for unknown action codes.
bool Voreinstellungen(const QString& action);

// The file an action reads or writes ("" for an unknown action).
QString settingsFilePath(const QString& action);

// The error message of an action in a language (without the error description).
QString settingsErrorMessage(const QString& action, int language);

}  // namespace zenu
