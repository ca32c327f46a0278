#include "data/limits_input.h"

#include "texts/texts.h"
#include "data/text_align.h"
#include "data/value_format.h"
#include "platform/localefmt.h"

#include <algorithm>
#include <cmath>

namespace zenu {

namespace {

double& valueOf(LimitSettings& limits, LimitField field) {
    switch (field) {
    case LimitField::Min: return limits.MinLimit;
    case LimitField::Max: return limits.MaxLimit;
    case LimitField::Soll: break;
    }
    return limits.Soll;
}

QString& textOf(LimitSettings& limits, LimitField field) {
    switch (field) {
    case LimitField::Min: return limits.MinLimitText;
    case LimitField::Max: return limits.MaxLimitText;
    case LimitField::Soll: break;
    }
    return limits.SollText;
}

}  // namespace

QString limitValueText(double value) {
    return platform::numberToText(value);
}

Apply8020Result Apply8020(LimitSettings& limits, bool ticked, int language) {
    Apply8020Result r;
    if (ticked) {
        if (limits.Soll == 0.0) {
            r.messages << messageText(57, language);
            return r;
        }
        const double newMin = limits.Soll * 80.0 / 100.0;
        // Compared with a tolerance: a minimum read back from its text may differ in the last bit.
        if (std::fabs(newMin - limits.MinLimit) > 1e-9 * std::max(1.0, std::fabs(newMin))) {
            const double oldMin = limits.MinLimit;
            limits.MinLimit = newMin;
            limits.MinLimitText = limitValueText(newMin);
            r.minChanged = true;
            r.messages << messageText(60, language) + limitValueText(oldMin) + QLatin1Char(' ') +
                              messageText(61, language) + QLatin1Char(' ') + limitValueText(newMin);
        }
    } else if (limits.Soll != 0.0 && ((limits.MaxLimit != 0.0 && limits.Soll > limits.MaxLimit) ||
                                      (limits.MinLimit != 0.0 && limits.Soll < limits.MinLimit))) {
        r.messages << messageText(36, language);
    }
    if (limits.MinLimit != 0.0 && limits.MaxLimit != 0.0 && limits.MinLimit > limits.MaxLimit) {
        r.messages << messageText(35, language);
    }
    return r;
}

LimitValidation validateLimitText(LimitSettings& limits, LimitField field, const QString& text, bool ticked,
                                  int language) {
    LimitValidation v;
    v.boxText = text;
    if (text.isEmpty() || text == QLatin1String(" ")) {
        valueOf(limits, field) = 0.0;
        textOf(limits, field) = text;
    } else {
        double number = 0.0;
        if (!platform::textToNumber(text, number)) {
            v.accepted = false;
            v.messages << messageText(25, language);
            return v;
        }
        if (number < 0.0) {
            v.accepted = false;
            v.messages << messageText(52, language);
            v.boxText.remove(QLatin1Char('-'));
            return v;
        }
        valueOf(limits, field) = number;
        textOf(limits, field) = text;
    }
    const Apply8020Result a = Apply8020(limits, ticked, language);
    v.messages << a.messages;
    v.minChanged = a.minChanged;
    if (a.minChanged && field == LimitField::Min) v.boxText = limits.MinLimitText;
    return v;
}

Apply8020Result setRule8020(LimitSettings& limits, bool ticked, int language) {
    limits.Rule8020 = ticked;
    return Apply8020(limits, ticked, language);
}

void clearLimits(LimitSettings& limits) {
    limits.MinLimit = limits.MaxLimit = limits.Soll = 0.0;
    limits.MinLimitText = limits.MaxLimitText = limits.SollText = QStringLiteral("0");
    limits.Rule8020 = false;
}

QString limitsInfoText(int language) {
    QStringList lines;
    if (language == kLanguageGerman) {
        lines << QStringLiteral("Die 80/20 Regel nach ISO 19840 :")
              << QStringLiteral("1) Der Mittelwert aller Meßwerte muß gleich oder größer dem eingegeben Sollwert(NDFT) sein.")
              << QStringLiteral("2) Jeder gemessene Wert muss mindestens 80% des Sollwerts sein. Min Limit = 80% vom Sollwert")
              << QStringLiteral("3) Maximal 20 % aller Werte dürfen in einem Bereich zwischen MinLimit und Sollwert liegen")
              << QStringLiteral("4) Jeder Wert muss kleiner oder gleich dem Max Limit sein") << QString()
              << QStringLiteral("Kennzeichnung in Tabelle:  Wert ok = grün, Wert höher Max oder unter Min = red, Wert zwischen 80 and 100% = orange");
    } else {
        lines << QStringLiteral("The 80/20 rule according to ISO 19840 :")
              << QStringLiteral("1) The arithmetic mean value has to be equal or higher than the target Value(NDFT Nominal Dry Film Thickness)")
              << QStringLiteral("2) Each value has to be minimun 80% of the Target Value, Min Limit = 80% of target Limit")
              << QStringLiteral("3) Maximum 20 % of all values are allowed to be between Min Limit and Target Value")
              << QStringLiteral("4) Each value has to be less or equal than Max Limit") << QString()
              << QStringLiteral("Appearance in table: value ok = green, value higher max or lower Min = red, value between 80 and 100% = orange");
    }
    return lines.join(QStringLiteral("\r\n"));
}

QString limitsButtonCaption(const LimitSettings& limits, const QString& deviceCode, int language) {
    if (limits.allZero()) return messageText(39, language);
    int decimals = 1;
    if (GetDecimalsInt(limits.MinLimit) == 0 && GetDecimalsInt(limits.MaxLimit) == 0 &&
        GetDecimalsInt(limits.Soll) == 0) {
        decimals = 0;
    } else if (deviceCode == QLatin1String("JZ")) {
        decimals = 3;
    }
    const auto cell = [&](double v) { return Ausrichten(7, formatFixed(v, decimals), QStringLiteral(" "), false); };
    return QLatin1Char('>') + cell(limits.MinLimit) + QLatin1Char('\n') + QLatin1Char('<') + cell(limits.MaxLimit) +
           QLatin1Char('\n') + QLatin1Char('=') + cell(limits.Soll);
}

}  // namespace zenu
