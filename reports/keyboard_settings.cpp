#include "reports/keyboard_settings.h"

#include "platform/localefmt.h"

namespace zenu {

KeyboardEventSettings KeyEvents;

QString keyboardFileLine(const KeyboardEventSettings& s) {
    return QStringLiteral("%1;%2;%3;%4")
        .arg(s.KeyEventsEnabled ? QStringLiteral("1") : QStringLiteral("0"), s.KeyTargetPath, s.KeyFields,
             s.KeyLineEnd);
}

bool applyKeyboardFileLine(const QString& line, KeyboardEventSettings& s, QString* error) {
    const int first = line.indexOf(QLatin1Char(';'));
    const int second = first < 0 ? -1 : line.indexOf(QLatin1Char(';'), first + 1);
    const int third = second < 0 ? -1 : line.indexOf(QLatin1Char(';'), second + 1);
    double flag = 0;
    const QString flagText = line.left(first < 0 ? line.size() : first).trimmed();
    if (!flagText.isEmpty() && !platform::textToNumber(flagText, flag)) {
        if (error) *error = QStringLiteral("Invalid flag \"%1\"").arg(flagText);
        return false;
    }
    s.KeyEventsEnabled = flag != 0;
    if (third < 0) {
        if (error) *error = QStringLiteral("Missing field separator");
        return false;
    }
    s.KeyTargetPath = line.mid(first + 1, second - first - 1);
    s.KeyFields = line.mid(second + 1, third - second - 1);
    s.KeyLineEnd = line.mid(third + 1);
    if (s.KeyFields.isEmpty()) s.KeyFields = QStringLiteral("0000");
    return true;
}

}  // namespace zenu
