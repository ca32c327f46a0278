#pragma once
// Minimum and maximum limit, target value and the 80/20 switch of the connected gauge.
// Loaded from and saved to Limit_<serial>.ini by the settings routine; edited in the limits
// dialog; read by the cell colouring, the statistics and the reports.
#include <QString>

namespace zenu {

struct LimitSettings {
    double MinLimit = 0.0;  // 0 = not set
    double MaxLimit = 0.0;  // 0 = not set
    double Soll = 0.0;      // target value; 0 = not set
    bool Rule8020 = false;
    // The three values exactly as typed; the settings file and the reports write these.
    QString MinLimitText;
    QString MaxLimitText;
    QString SollText;
    // The limits dialog was closed with its save button (the main window then saves "LS").
    bool LimitsSaved = false;

    bool anyLimitSet() const { return MinLimit != 0.0 || MaxLimit != 0.0; }
    bool allZero() const { return MinLimit == 0.0 && MaxLimit == 0.0 && Soll == 0.0; }
};

// The program's limits.
extern LimitSettings Limits;

// One line of Limit_<serial>.ini: min text;max text;target text;flag; (closing ";").
QString limitsFileLine(const LimitSettings& limits);

// Applies one trimmed, non-empty line of Limit_<serial>.ini (the last line of a file wins).
// The line is split at its first four ";": min, max, target, 80/20 flag; without a fourth ";"
// the flag is off. An empty field is 0. Numbers are read in the locale format.
// On a malformed line (fewer than three ";" or a field that is no number) returns false with
// *error set; fields read before the bad one stay applied.
bool applyLimitsFileLine(const QString& line, LimitSettings& limits, QString* error = nullptr);

}  // namespace zenu
