#include "data/timestamps.h"

#include "data/conversion_error.h"
#include "data/hex_helpers.h"

namespace zenu {
namespace {

int numberField(QStringView t, qsizetype pos, qsizetype len, const char* name) {
    const QStringView field = t.mid(pos, len);
    bool ok = field.size() == len;
    int value = 0;
    for (QChar c : field) {
        if (c.unicode() < '0' || c.unicode() > '9') ok = false;
        else value = value * 10 + (c.unicode() - '0');
    }
    if (!ok)
        throw ConversionError::typeMismatch(QStringLiteral("%1 of timestamp \"%2\" is not a number")
                                                .arg(QLatin1String(name), t.left(40).toString()));
    return value;
}

}  // namespace

QDateTime makeTimestamp(int year, int month, int day, int hour, int minute, int second) {
    const QDate date(year, month, day);
    const QTime time(hour, minute, second);
    if (!date.isValid() || !time.isValid())
        throw ConversionError::invalidArgument(QStringLiteral("%1-%2-%3 %4:%5:%6 is no valid date and time")
                                                .arg(year, 4, 10, QLatin1Char('0'))
                                                .arg(month, 2, 10, QLatin1Char('0'))
                                                .arg(day, 2, 10, QLatin1Char('0'))
                                                .arg(hour, 2, 10, QLatin1Char('0'))
                                                .arg(minute, 2, 10, QLatin1Char('0'))
                                                .arg(second, 2, 10, QLatin1Char('0')));
    return QDateTime(date, time, Qt::UTC);
}

QDateTime timestampOrNull(int year, int month, int day, int hour, int minute, int second) {
    if (!QDate::isValid(year, month, day) || !QTime::isValid(hour, minute, second)) return {};
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second), Qt::UTC);
}

QDateTime ParseTimestampText(QStringView t) {
    const int year = numberField(t, 0, 4, "year");
    const int month = numberField(t, 5, 2, "month");
    const int day = numberField(t, 8, 2, "day");
    const int hour = numberField(t, 11, 2, "hour");
    const int minute = numberField(t, 14, 2, "minute");
    const int second = numberField(t, 17, 2, "second");
    return makeTimestamp(year, month, day, hour, minute, second);
}

QDateTime ParseHexTimestamp(QStringView h) {
    if (h.size() < 12) throw ConversionError::typeMismatch(QStringLiteral("timestamp needs 12 hex digits, not %1").arg(h.size()));
    const int second = hex::byteAt(h, 0), minute = hex::byteAt(h, 1), hour = hex::byteAt(h, 2);
    const int day = hex::byteAt(h, 3), month = hex::byteAt(h, 4), year = 2000 + hex::byteAt(h, 5);
    return makeTimestamp(year, month, day, hour, minute, second);
}

}  // namespace zenu
