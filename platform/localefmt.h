#pragma once
// Numbers and dates in the user's locale. Everything goes through QLocale() (the default
// locale), which is the system locale at run time and can be set by tests.
#include <QDate>
#include <QString>
#include <QTime>

namespace zenu {

// Decimal separator of the user's locale ("," in German, "." in English).
extern QString DecimalSeparator;

namespace platform {

// Takes DecimalSeparator from the current default locale.
void initLocale();

// The locale's short date pattern with a four-digit year, and its long time pattern with
// seconds and without a time zone (German: dd.MM.yyyy and HH:mm:ss).
QString shortDateFormat();
QString longTimeFormat();
QString formatDate(const QDate& date);
QString formatTime(const QTime& time);
// Date, a blank and time: the general date-and-time text.
QString formatDateTime(const QDateTime& dateTime);

// A number as the user's locale writes it: shortest exact form, locale decimal separator,
// no digit grouping ("1,5" in German).
QString numberToText(double value);
// Reads a number the user typed or our own files hold, in the locale format. Surrounding
// blanks are ignored. False for empty or malformed text and for "nan", "inf" and "-inf".
bool textToNumber(const QString& text, double& value);

// Reads a number as gauges send it: "." or "," as the decimal mark whatever the locale,
// optional sign, surrounding blanks ignored. False for empty or malformed text.
bool parseGaugeNumber(QStringView text, double& value);

}  // namespace platform
}  // namespace zenu
