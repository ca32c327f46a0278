#include "cli/zenu/record_output.h"

#include <QStringList>

#include "data/trace_series.h"
#include "data/value_format.h"

namespace zenu::cli {

QString recordLine(const MeasurementRecord& record) {
    FormatValue(record.value, record.unit);
    const QStringList fields{QString::number(record.number), lastFormattedText.trimmed(), record.unit, record.method,
                             record.dateText, record.timeText, record.invalidMark};
    return fields.join(QLatin1Char('\t'));
}

QString memoryLines(bool traceMemory) {
    QString text;
    if (traceMemory && !traceSeries.samples.empty()) {
        text += QStringLiteral("trace\t%1\t%2\n").arg(traceSeries.count).arg(traceSeries.intervalMs);
        for (double sample : traceSeries.samples) text += formatFixed(sample, 2) + QLatin1Char('\n');
    } else {
        const int count = Tables.count(kTableMemory);
        for (int i = 1; i <= count; ++i) text += recordLine(Tables.at(kTableMemory, i)) + QLatin1Char('\n');
    }
    return text;
}

}  // namespace zenu::cli
