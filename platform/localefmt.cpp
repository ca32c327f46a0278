#include "platform/localefmt.h"

#include <QLocale>
#include <cmath>

namespace zenu {

QString DecimalSeparator = QStringLiteral(",");

namespace platform {

void initLocale() {
    // The separator as the locale writes 1.3.
    const QString text = QLocale().toString(1.3, 'g', 2);
    DecimalSeparator = text.size() >= 2 ? text.mid(1, 1) : QStringLiteral(".");
}

QString shortDateFormat() {
    QString format = QLocale().dateFormat(QLocale::ShortFormat);
    if (!format.contains(QLatin1String("yyyy"))) format.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    return format;
}

QString longTimeFormat() {
    QString format = QLocale().timeFormat(QLocale::LongFormat);
    format.remove(QLatin1Char('t'));
    format = format.trimmed();
    if (!format.contains(QLatin1Char('s'))) format = QLocale().timeFormat(QLocale::ShortFormat) + QLatin1String(":ss");
    return format;
}

QString formatDate(const QDate& date) { return QLocale().toString(date, shortDateFormat()); }
QString formatTime(const QTime& time) { return QLocale().toString(time, longTimeFormat()); }

QString formatDateTime(const QDateTime& dateTime) {
    return formatDate(dateTime.date()) + QLatin1Char(' ') + formatTime(dateTime.time());
}

QString numberToText(double value) {
    QString text = QString::number(value, 'g', 15);
    if (text.contains(QLatin1Char('e'))) text = QString::number(value, 'f', 15);
    if (text.contains(QLatin1Char('.')) && text.contains(QLatin1Char('e')) == false) {
        while (text.endsWith(QLatin1Char('0'))) text.chop(1);
        if (text.endsWith(QLatin1Char('.'))) text.chop(1);
    }
    text.replace(QLatin1Char('.'), DecimalSeparator.isEmpty() ? QStringLiteral(".") : DecimalSeparator);
    return text;
}

bool textToNumber(const QString& text, double& value) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) return false;
    bool ok = false;
    const double v = QLocale().toDouble(trimmed, &ok);
    // "nan" and "inf" are no limit or setting anyone means, and would poison every comparison.
    if (!ok || !std::isfinite(v)) return false;
    value = v;
    return true;
}

bool parseGaugeNumber(QStringView text, double& value) {
    QString t = text.trimmed().toString();
    if (t.isEmpty()) return false;
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double v = QLocale::c().toDouble(t, &ok);
    if (!ok) return false;
    value = v;
    return true;
}

}  // namespace platform
}  // namespace zenu
