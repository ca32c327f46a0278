#pragma once
// Keyboard-event settings of the connected gauge (Tastatur_<serial>.ini): whether each online
// reading is typed into another application, which one, which fields, and the line end.
#include <QString>
#include <cstdint>

namespace zenu {

struct KeyboardEventSettings {
    bool KeyEventsEnabled = false;
    QString KeyTargetPath;
    QString KeyFields = QStringLiteral("0000");  // number, date, unit, method: "0" or "1" each
    QString KeyLineEnd;                           // "ENTER" or ""
    int32_t KeyTargetTaskId = 0;
    bool KeyTargetStarted = false;                // not saved
};

extern KeyboardEventSettings KeyEvents;

// "flag;path;fields;lineend" (no closing ";").
QString keyboardFileLine(const KeyboardEventSettings& settings);

// Applies one trimmed, non-empty line; the line end is everything after the third ";" and an
// empty field selection becomes "0000". A line with fewer than three ";" or a flag that is no
// number is malformed: returns false with *error set, fields before the bad one stay applied.
bool applyKeyboardFileLine(const QString& line, KeyboardEventSettings& settings, QString* error = nullptr);

}  // namespace zenu
