#pragma once
// Timestamps of gauge readings. They are the gauge's wall-clock time without a zone; they are
// kept as UTC date-times so that no daylight-saving rule of the PC moves them.
#include <QDateTime>
#include <QStringView>

namespace zenu {

// "yyyy-MM-dd hh:mm:ss" by position: year characters 1-4, month 6-7, day 9-10, hour 12-13,
// minute 15-16, second 18-19; separators are not checked. Throws ConversionError: type
// mismatch when a field is missing or not a number, invalid argument when the numbers make no
// valid date and time (a gauge whose clock was never set).
QDateTime ParseTimestampText(QStringView t);

// 12 hex digits, six bytes: second, minute, hour, day, month, year - 2000. Throws
// ConversionError for missing or non-hex digits and for fields that make no valid date.
QDateTime ParseHexTimestamp(QStringView h);

// A date-time from its fields, or ConversionError (invalid argument) naming what is wrong.
QDateTime makeTimestamp(int year, int month, int day, int hour, int minute, int second);
// The same, or a null date-time when the fields make no valid date and time.
QDateTime timestampOrNull(int year, int month, int day, int hour, int minute, int second);

}  // namespace zenu
