#include "reports/report_text.h"

#include <QDate>
#include <algorithm>

#include "texts/texts.h"
#include "data/table_ops.h"
#include "data/text_align.h"
#include "data/trace_series.h"
#include "data/value_format.h"
#include "platform/localefmt.h"

namespace zenu {
namespace {

const QString kCrLf = QStringLiteral("\r\n");

QString blanks(qsizetype count) { return QString(std::max<qsizetype>(0, count), QLatin1Char(' ')); }

// Left-aligned in `width`; a longer unit ("µVs·cm") is kept whole, since a cut unit would come
// back wrong when the file is opened again.
QString unitColumn(int width, const QString& unit) {
    const QString text = unit.trimmed();
    return text.size() >= width ? text : AusrichtenL(width, text);
}

// A sample of a trace as plain number text: the gauge measures in single precision.
QString sampleText(double value) {
    QString text = QString::number(value, 'g', 7);
    text.replace(QLatin1Char('e'), QLatin1Char('E'));
    text.replace(QLatin1Char('.'), DecimalSeparator);
    return text;
}

QString traceReport(ReportSource& source) {
    QString text = QStringLiteral("Trigger") + source.memoryEntry.trimmed() + QLatin1Char(' ') + source.memoryName +
                   kCrLf;
    text += reportStatisticsLines(source.table.statistics().lines());
    const double pulse = source.trace ? source.trace->pulseTimeMs : 0.0;
    text += statisticsLabel(15) + QLatin1Char(' ') + formatFixed(roundHalfEven(pulse, 2), 2) + QStringLiteral(" ms") +
            kCrLf;
    if (source.trace) {
        for (double sample : source.trace->samples) text += sampleText(sample) + kCrLf;
    }
    return text;
}

// A reading of a single-value memory: its memory's date and no time.
bool dateOnly(const MeasurementRecord& r) {
    return !r.timestamp.isValid() && !r.dateText.trimmed().isEmpty() && r.timeText.trimmed().isEmpty();
}

}  // namespace

bool isTraceMemoryShown(const QString& memoryEntry) {
    return currentTable == kTableMemory && memoryEntry.left(2).contains(QLatin1Char('t'));
}

QString reportSourceLine(const ReportOrigin& origin, int language) {
    QString text;
    if (origin.memorySelected)
        text += messageText(32, language) + QLatin1Char(' ') + origin.memoryCaption + QStringLiteral(" (") +
                origin.memoryName + QLatin1Char(')') + kCrLf;
    if (origin.onlineSelected) text += origin.onlineCaption + kCrLf;
    return text;
}

QStringList reportTextLines(const QString& text) {
    QString normalised = text;
    normalised.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList lines = normalised.split(QLatin1Char('\n'));
    if (lines.size() > 1 && lines.constLast().isEmpty()) lines.removeLast();
    return lines;
}

QString reportProjectBlock(const ProjectData& project) {
    if (!project.anyFieldFilled()) return {};
    const QDate date = project.date.isValid() ? project.date : QDate::currentDate();
    const QTime time = project.time.isValid() ? project.time : QTime(0, 0);
    QString text = QStringLiteral("#  ") + platform::formatDate(date) + QLatin1Char(' ') +
                   time.toString(QStringLiteral("HH:mm")) + kCrLf;
    for (int i = 0; i < kProjectFieldCount; ++i) {
        if (!ProjectData::isFilled(project.texts[i])) continue;
        text += QStringLiteral("#  ") + project.labels[i] + QLatin1Char(' ') + project.texts[i] + kCrLf;
    }
    return text + kCrLf;
}

QString reportStatisticsLines(const QStringList& lstStat) {
    QString text;
    const qsizetype count = lstStat.size();
    for (qsizetype i = 2; i <= count; ++i) text += (i < count ? lstStat.at(i) : QString()) + kCrLf;
    return text;
}

QString reportLimitLines(const LimitSettings& limits, const QString& unit, int language) {
    QString text;
    const auto line = [&](const QString& label, const QString& value) {
        return label + blanks(5) + Ausrichten(8, value, QStringLiteral(" "), false) + QLatin1Char(' ') + unit + kCrLf;
    };
    if (limits.MinLimit != 0.0 || limits.MaxLimit != 0.0) {
        text += line(QStringLiteral("Min Limit   "), limits.MinLimitText);
        text += line(QStringLiteral("Max Limit   "), limits.MaxLimitText);
    }
    if (limits.Soll != 0.0) text += line(statisticsLabel(10, language), limits.SollText);
    return text;
}

QString reportReadingLine(const MeasurementRecord& record, bool dateColumn) {
    FormatValue(record.value, record.unit);
    const QString number = Ausrichten(5, QString::number(record.number), QStringLiteral(" "), false);
    const QString tail = number + QLatin1Char(' ') + lastFormattedText + QLatin1Char(' ');
    if (dateColumn) {
        // A date without a time shows as the general date text of a midnight reading does: the
        // date alone. A reading without either shows the zero time, as the file reader expects a
        // reading line to begin with a digit.
        const QString when = record.timestamp.isValid() ? platform::formatDateTime(record.timestamp)
                             : dateOnly(record)         ? record.dateText.trimmed()
                                                        : QStringLiteral("00:00:00");
        const qsizetype pad = 25 - (1 + record.dateText.size() + 1 + record.timeText.size());
        return when + blanks(pad) + tail + unitColumn(5, record.unit) + QLatin1Char(' ') + record.method;
    }
    const QString time = record.timeText.trimmed().isEmpty() ? QStringLiteral("00:00:00") : record.timeText;
    return time + blanks(6) + tail + unitColumn(4, record.unit) + QLatin1Char(' ') + record.method;
}

QString BuildReportText(const QString& selector, ReportSource& source) {
    const bool all = selector == QLatin1String("A");
    if (all && isTraceMemoryShown(source.memoryEntry)) return traceReport(source);

    QString text = reportProjectBlock(source.project);
    if (!all) return text;

    StatisticsModel& stats = source.table.statistics();
    text += reportStatisticsLines(stats.lines());
    text += reportLimitLines(source.limits, stats.statisticEinheit(), LanguageIndex);
    if (stats.materialButtonVisible()) {
        source.table.switchMaterial();
        text += reportStatisticsLines(stats.lines());
        text += reportLimitLines(source.limits, stats.statisticEinheit(), LanguageIndex);
    }

    text += kCrLf;
    const ReadingTables& tables = source.table.tables();
    const int count = tables.count(currentTable);
    // The readings decide the layout, not the gauge connected now: a file opened without a
    // gauge keeps its dates, and readings without dates get no "00:00:00" in place of their time.
    bool dateColumn = false;
    for (int i = 1; i <= count && !dateColumn; ++i) {
        const MeasurementRecord& r = tables.at(currentTable, i);
        dateColumn = r.timestamp.isValid() || dateOnly(r);
    }
    for (int i = 1; i <= count; ++i) text += reportReadingLine(tables.at(currentTable, i), dateColumn) + kCrLf;
    return text;
}

}  // namespace zenu
