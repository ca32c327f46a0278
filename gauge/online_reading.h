#pragma once
// Live readings: how one notification of the measurement characteristic becomes the lines the
// reading parser takes, and the text of the large reading field.
#include <QString>
#include <QStringList>
#include <functional>

namespace zenu {

class ReadingSink;

// The readings of a notification: the text itself, or for a dual ("DNF") notification the
// text up to and including its first line feed and then its back half.
QStringList onlineReadingLines(const QString& value, int firmwareFlag);

// The reading field's text: blank (six blanks on family "5"), the formatted value, blank, unit.
QString onlineDisplayText(const QString& reading, int firmwareFlag, QChar family, const QString& gaugeUnit);

// The online table holds 5000 readings; a reading beyond that is only displayed.
inline constexpr int kMaxOnlineReadings = 5000;

struct OnlineResult {
    bool tableFull = false;      // not stored: the table is full
    bool switchedTable = false;  // the window showed another table before
    int stored = 0;              // readings stored (two for a dual reading)
    QString lastLine;            // the reading the reading field shows
};

// Stores the notification's readings in the online table (currentTable 2) through the sink.
// When another table was shown, showOnlineTable runs first (the window switches to the online
// table and rebuilds it, which sets readingIndex to its next free slot).
OnlineResult takeOnlineReading(const QString& value, ReadingSink& sink, const std::function<void()>& showOnlineTable,
                               int firmwareFlag);

}  // namespace zenu
