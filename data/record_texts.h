#pragma once
// The date and time texts of readings: the locale's short date with a four-digit year and its
// time with seconds (German dd.MM.yyyy and HH:mm:ss). A memory holds thousands of readings of a
// few days, so the last date text is kept and the common 24-hour time is written directly.
#include <QDateTime>
#include <QLocale>
#include <QString>

#include "data/measurement_record.h"

namespace zenu {

class RecordTexts {
public:
    RecordTexts();

    QString dateText(const QDate& date);
    QString timeText(const QTime& time);

    // timestamp, dateText and timeText of the record; a timestamp that is not valid leaves
    // the record without a time (texts a single blank, as an emptied slot has them).
    void set(MeasurementRecord& record, const QDateTime& timestamp);

private:
    QLocale locale_;
    QString dateFormat_;
    QString timeFormat_;
    bool plainTime_ = false;  // timeFormat_ is "HH:mm:ss"
    QDate lastDate_;
    QString lastDateText_;
};

}  // namespace zenu
