#include "reports/csv_export.h"

#include "texts/texts.h"
#include "data/value_format.h"
#include "platform/cp1252.h"

namespace zenu {
namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QChar kSep = QLatin1Char(';');

QString formatted(double value, const QString& descriptor) {
    FormatValue(value, descriptor);
    return lastFormattedText;
}

QString headerLine(const CsvOptions& options, int language) {
    QString line = messageText(46, language) + kSep;
    for (int k = 1; k <= options.perLine; ++k) line += messageText(1, language) + QString::number(k) + kSep;
    // "Mininum" is the column name files of this program have always carried.
    if (options.minimum) line += QStringLiteral("Mininum") + kSep;
    if (options.maximum) line += QStringLiteral("Maximum") + kSep;
    if (options.mean) line += statisticsLabel(18, language) + kSep;
    return line + kCrLf;
}

}  // namespace

QString csvText(const std::vector<MeasurementRecord>& records, const CsvOptions& options,
                const QString& sourceLine, int language) {
    const std::size_t end = std::min<std::size_t>(records.size(), kTableCapacity);
    std::size_t slot = 0;
    if (options.perLine < 1 || end == 0 || records[0].isEmpty()) return {};

    QString text = sourceLine + headerLine(options, language);
    while (slot < end && !records[slot].isEmpty()) {
        double sum = 0, minimum = 999999, maximum = -999999;
        int taken = 0;
        QString unit;
        QString line;
        while (taken < options.perLine && slot < end && !records[slot].isEmpty()) {
            const MeasurementRecord& r = records[slot++];
            if (taken == 0) line += QLatin1Char(' ') + r.dateText + QLatin1Char(' ') + r.timeText + kSep;
            FormatValue(r.value, r.unit);
            sum += lastFormattedValue;
            minimum = std::min(minimum, lastFormattedValue);
            maximum = std::max(maximum, lastFormattedValue);
            line += lastFormattedText + kSep;
            unit = r.unit;
            ++taken;
        }
        // Short last line: empty cells keep the statistics in their columns.
        line += QString(options.perLine - taken, kSep);
        if (options.minimum) line += formatted(minimum, unit) + kSep;
        if (options.maximum) line += formatted(maximum, unit) + kSep;
        if (options.mean) line += formatted(sum / taken, QStringLiteral("2")) + kSep;
        text += line + kCrLf;
    }
    return text;
}

ExportResult writeCsvFile(const std::vector<MeasurementRecord>& records, const CsvOptions& options,
                          const QString& sourceLine, int language, const QString& path) {
    const QString text = csvText(records, options, sourceLine, language);
    if (text.isEmpty()) return ExportResult::noReadings();
    // The file has always ended with one more line end: an empty last line.
    return writeFileAtomically(path, platform::encodeCp1252(text + kCrLf));
}

QString csvFileName(const QString& chosen) {
    // Only the name counts: a folder such as "exports.csv.d" must not stand in for the extension.
    const QString name = chosen.mid(chosen.lastIndexOf(QLatin1Char('/')) + 1);
    return name.contains(QLatin1String(".csv")) ? chosen : chosen + QStringLiteral(".csv");
}

std::vector<MeasurementRecord> tableRecords(const ReadingTables& tables, int table) {
    std::vector<MeasurementRecord> records;
    const int count = tables.count(table);
    records.reserve(static_cast<std::size_t>(count));
    for (int i = 1; i <= count; ++i) records.push_back(tables.at(table, i));
    return records;
}

}  // namespace zenu
