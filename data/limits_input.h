#pragma once
// What the limits dialog does with its input, free of widgets: checking a typed value, the
// consistency check with the 80/20 rule, the info text and the caption of the limits button.
// Messages are returned in order; the dialog shows them.
#include <QString>
#include <QStringList>

#include "data/limits.h"

namespace zenu {

enum class LimitField { Min, Max, Soll };

struct LimitValidation {
    bool accepted = true;     // false: the focus stays in the box
    QString boxText;          // the box's text afterwards
    QStringList messages;     // in the order shown
    bool minChanged = false;  // the 80/20 rule moved the minimum: its box shows limits.MinLimitText
};

struct Apply8020Result {
    QStringList messages;
    bool minChanged = false;  // the minimum box must show limits.MinLimitText
};

// The consistency check of the three values and the 80/20 switch (`ticked`).
Apply8020Result Apply8020(LimitSettings& limits, bool ticked, int language);

// Checks the text typed into one box. Empty (or one blank): the value becomes 0. Not a
// number: refused. Negative: refused and every "-" removed from the box. Otherwise the value
// and its text are taken. Accepted input runs Apply8020 with `ticked`.
LimitValidation validateLimitText(LimitSettings& limits, LimitField field, const QString& text, bool ticked,
                                  int language);

// The check box was clicked: the rule follows it, then Apply8020.
Apply8020Result setRule8020(LimitSettings& limits, bool ticked, int language);

// The dialog's delete button: all three values 0 (texts "0"), the rule off.
void clearLimits(LimitSettings& limits);

// A value as the limit boxes show it (locale number text).
QString limitValueText(double value);

// The rule text of the info button, lines separated by CR LF.
QString limitsInfoText(int language);

// Caption of the limits button: "Grenzwerte" / "Limits" with no value set, otherwise
// ">" min, line break, "<" max, line break, "=" target, each right-aligned in 7 characters.
// `deviceCode` "JZ" (permeability) shows three decimals.
QString limitsButtonCaption(const LimitSettings& limits, const QString& deviceCode, int language);

}  // namespace zenu
