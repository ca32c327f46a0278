#pragma once
// Reading lines as gauges send them: one per live reading (notified on the measurement
// characteristic) and one per stored reading of a family "4" memory.
//
// Fixed-column layout (before data protocol 1), 45 characters and CR LF:
//   1-4 number (right-aligned), 7-16 value (right-aligned), 18-21 unit, 23-25 method,
//   27-45 "yyyy-mm-dd hh:nn:ss".
// Blank-separated layout (data protocol 1, after "$sdp?1!"):
//   number, value, unit, method and "yyyy-mm-dd/hh:nn:ss", one blank apart, then "!" and CR LF.
#include <QDateTime>
#include <QString>
#include <utility>

namespace zenu::sim {

struct ReadingFields {
    int number = 0;
    double value = 0;
    int decimals = 1;
    QString unit;
    QString method;
    QDateTime time;  // wall clock (see gauge_def.h)
};

QString formatReadingValue(double value, int decimals);
QString fixedColumnLine(const ReadingFields& f);
QString blankSeparatedLine(const ReadingFields& f);
QString readingLine(const ReadingFields& f, bool blankSeparated);

// A dual reading in one notification: the "DNF" line, then the "DFE" line, padded with blanks
// (where a parser ignores them) so that a receiver which takes the first line up to its line
// feed and the second from the back half of the text (as the program does) gets both lines.
QString dualNotification(const QString& first, const QString& second, bool blankSeparated);

// The receiver's split of a dual notification: the text up to and including the first line
// feed, and the second reading taken from the back: with data protocol 1 the last
// (length / 2 + 1) characters, otherwise one blank and the last (length / 2) characters,
// halves rounded to even.
std::pair<QString, QString> splitDualNotification(const QString& text, bool blankSeparated);

}  // namespace zenu::sim
