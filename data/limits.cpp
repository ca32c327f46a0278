#include "data/limits.h"

#include "platform/localefmt.h"

namespace zenu {

LimitSettings Limits;

QString limitsFileLine(const LimitSettings& limits) {
    return limits.MinLimitText + QLatin1Char(';') + limits.MaxLimitText + QLatin1Char(';') + limits.SollText +
           QLatin1Char(';') + (limits.Rule8020 ? QLatin1String("1") : QLatin1String("0")) + QLatin1Char(';');
}

namespace {

bool readLimitField(const QString& text, double& value, QString* error) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        value = 0.0;
        return true;
    }
    if (!platform::textToNumber(trimmed, value)) {
        if (error) *error = QStringLiteral("Type mismatch: \"%1\"").arg(text);
        return false;
    }
    return true;
}

}  // namespace

bool applyLimitsFileLine(const QString& line, LimitSettings& limits, QString* error) {
    const QString text = line.trimmed();
    // Positions of the first four separators.
    int sep[4] = {-1, -1, -1, -1};
    int found = 0;
    for (int i = 0; i < text.size() && found < 4; ++i) {
        if (text.at(i) == QLatin1Char(';')) sep[found++] = i;
    }
    if (found < 3) {
        if (error) *error = QStringLiteral("Invalid limit line: \"%1\"").arg(text);
        return false;
    }
    const QString minText = text.left(sep[0]);
    const QString maxText = text.mid(sep[0] + 1, sep[1] - sep[0] - 1);
    const QString sollText = text.mid(sep[1] + 1, sep[2] - sep[1] - 1);

    double v = 0.0;
    if (!readLimitField(minText, v, error)) return false;
    limits.MinLimit = v;
    limits.MinLimitText = minText;
    if (!readLimitField(maxText, v, error)) return false;
    limits.MaxLimit = v;
    limits.MaxLimitText = maxText;
    if (!readLimitField(sollText, v, error)) return false;
    limits.Soll = v;
    limits.SollText = sollText;

    if (found < 4) {
        limits.Rule8020 = false;
        return true;
    }
    const QString flagText = text.mid(sep[2] + 1, sep[3] - sep[2] - 1);
    if (!readLimitField(flagText, v, error)) return false;
    limits.Rule8020 = v != 0.0;
    return true;
}

}  // namespace zenu
