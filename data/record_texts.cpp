#include "data/record_texts.h"

#include "platform/localefmt.h"

namespace zenu {

RecordTexts::RecordTexts()
    : dateFormat_(platform::shortDateFormat()),
      timeFormat_(platform::longTimeFormat()),
      plainTime_(timeFormat_ == QLatin1String("HH:mm:ss")) {}

QString RecordTexts::dateText(const QDate& date) {
    if (date != lastDate_ || lastDateText_.isEmpty()) {
        lastDate_ = date;
        lastDateText_ = locale_.toString(date, dateFormat_);
    }
    return lastDateText_;
}

QString RecordTexts::timeText(const QTime& time) {
    if (!plainTime_) return locale_.toString(time, timeFormat_);
    const int parts[3] = {time.hour(), time.minute(), time.second()};
    QString text(8, QLatin1Char(':'));
    for (int i = 0; i < 3; ++i) {
        text[3 * i] = QLatin1Char(char('0' + parts[i] / 10));
        text[3 * i + 1] = QLatin1Char(char('0' + parts[i] % 10));
    }
    return text;
}

void RecordTexts::set(MeasurementRecord& record, const QDateTime& timestamp) {
    record.timestamp = timestamp;
    if (!timestamp.isValid()) {
        record.dateText = record.timeText = QStringLiteral(" ");
        return;
    }
    record.dateText = dateText(timestamp.date());
    record.timeText = timeText(timestamp.time());
}

}  // namespace zenu
