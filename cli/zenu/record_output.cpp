#include "cli/zenu/record_output.h"

#include <QStringList>

#include "data/value_format.h"

namespace zenu::cli {

QString recordLine(const MeasurementRecord& record) {
    FormatValue(record.value, record.unit);
    const QStringList fields{QString::number(record.number), lastFormattedText.trimmed(), record.unit, record.method,
                             record.dateText, record.timeText, record.invalidMark};
    return fields.join(QLatin1Char('\t'));
}

}  // namespace zenu::cli
