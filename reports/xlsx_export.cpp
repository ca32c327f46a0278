#include "reports/xlsx_export.h"

#include <xlsxwriter.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <map>
#include <variant>

#include "texts/texts.h"
#include "data/gauge_identity.h"
#include "data/statistics.h"
#include "data/table_ops.h"
#include "data/text_align.h"
#include "data/value_format.h"
#include "platform/localefmt.h"
#include "reports/csv_export.h"
#include "reports/xlsx_chart.h"

namespace zenu {
namespace {

const QString kCountFormat = QStringLiteral("###0_______)");

QString decimalFormat(int decimals) {
    return QStringLiteral("###,##0.") + QString(decimals, QLatin1Char('0')) + QStringLiteral("_)");
}

int decimalsOf(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('3') ? c.digitValue() : 2; }

// The sheet built in memory first: a number format may be given to a cell before or without
// its value, as the block layout sets formats by row ranges.
struct Cell {
    std::variant<std::monostate, QString, double> value;
    QString numberFormat;
};

class SheetModel {
public:
    void text(int row, int column, const QString& value) { cells_[{row, column}].value = value; }
    void number(int row, int column, double value) { cells_[{row, column}].value = value; }
    void format(int row, int column, const QString& numberFormat) { cells_[{row, column}].numberFormat = numberFormat; }
    const std::map<std::pair<int, int>, Cell>& cells() const { return cells_; }

private:
    std::map<std::pair<int, int>, Cell> cells_;  // (row, column), both 1-based
};

// Columns: A 1, B 2, C 3, D 4, E 5.
void writeStatisticsBlock(SheetModel& sheet, int& row, const XlsxStatistics& block, const XlsxContent& content,
                          XlsxChartPlan& plan, bool first) {
    const int lang = content.language;
    const int decimals = decimalsOf(content.statisticsDecimals);
    const int h = row;
    QString heading = block.methodName.isEmpty() ? QString() : block.methodName + QLatin1Char(' ');
    heading += statisticsLabel(6, lang) + QLatin1Char(' ') + content.memoryEntry + QLatin1Char(' ') + statisticsLabel(11, lang);
    sheet.text(h, 1, heading);

    const auto valueRow = [&](int r, const QString& label, double value, const QString& unit) {
        sheet.text(r, 1, label);
        sheet.number(r, 2, roundHalfEven(value, decimals));
        sheet.text(r, 3, unit);
    };
    row = h + 1;
    if (block.possible) {
        sheet.text(row, 1, statisticsLabel(1, lang));
        sheet.number(row++, 2, block.count);
        valueRow(row++, statisticsLabel(3, lang), block.minimum, block.unit);
        valueRow(row++, statisticsLabel(2, lang), block.maximum, block.unit);
        const double meanCell = content.trace ? content.traceData.pulseTimeMs : block.mean;
        if (content.trace) {
            valueRow(row++, statisticsLabel(15, lang), meanCell, QStringLiteral("ms"));
            ++row;  // the gauge's deviation of a trace is not exported
        } else {
            valueRow(row++, statisticsLabel(4, lang), meanCell, block.unit);
            if (content.records.size() > 2) valueRow(row++, statisticsLabel(5, lang), block.standardDeviation, block.unit);
        }
        if (first) plan.meanValue = roundHalfEven(meanCell, decimals);
    } else {
        for (int piece : {7, 8, 9}) sheet.text(row++, 1, statisticsLabel(piece, lang));
        row += 2;
    }
    sheet.text(row, 1, statisticsLabel(14, lang));
    sheet.text(row++, 2, block.rule8020);

    const LimitSettings& limits = content.limits;
    const auto limitRow = [&](const QString& label, double value) {
        sheet.text(row, 1, label);
        sheet.number(row, 2, roundHalfEven(value, 2));
        sheet.text(row++, 3, block.unit);
    };
    if (limits.anyLimitSet()) {
        limitRow(QStringLiteral("Min Limit"), limits.MinLimit);
        limitRow(QStringLiteral("Max Limit"), limits.MaxLimit);
    }
    if (limits.Soll != 0.0) limitRow(statisticsLabel(10, lang), limits.Soll);

    sheet.format(h + 1, 2, kCountFormat);
    if (content.statisticsDecimals == QLatin1Char('2') || content.statisticsDecimals == QLatin1Char('3')) {
        for (int r = h + 2; r <= h + 8; ++r) sheet.format(r, 2, decimalFormat(decimals));
    }
}

// The reading table from row t on; returns the number of reading rows.
int writeReadingTable(SheetModel& sheet, int t, const XlsxContent& content) {
    for (int c = 0; c < 4; ++c) sheet.text(t, c + 1, content.gridHeaders[static_cast<std::size_t>(c)]);
    if (content.methodColumn) sheet.text(t, 5, QStringLiteral("Material"));

    int count = 0;
    int row = t + 2;
    if (content.trace) {
        const TraceSeries& trace = content.traceData;
        const QString unit = content.blocks.empty() ? QString() : content.blocks.front().unit.left(10);
        for (std::size_t i = 0; i < trace.samples.size(); ++i, ++row, ++count) {
            const double seconds = trace.intervalMs / 1000.0 * static_cast<double>(i + 1);
            sheet.text(row, 2, Ausrichten(4, platform::numberToText(seconds), QStringLiteral(" "), false));
            sheet.number(row, 3, roundHalfEven(trace.samples[i], 2));
            sheet.text(row, 4, unit);
        }
    } else {
        for (const MeasurementRecord& r : content.records) {
            if (r.isEmpty() || count >= kTableCapacity) break;
            sheet.text(row, 1, QLatin1Char(' ') + r.dateText + QLatin1Char(' ') + r.timeText);
            sheet.text(row, 2, Ausrichten(4, QString::number(r.number), QStringLiteral(" "), false));
            FormatValue(r.value, r.unit);
            double value = lastFormattedValue;
            platform::textToNumber(lastFormattedText, value);
            sheet.number(row, 3, value);
            sheet.text(row, 4, r.unit.left(10));
            if (content.methodColumn) sheet.text(row, 5, r.method.trimmed().left(10));
            ++row;
            ++count;
        }
    }
    const QChar d = content.statisticsDecimals;
    if (d == QLatin1Char('1') || d == QLatin1Char('2') || d == QLatin1Char('3')) {
        for (int r = t + 2; r <= t + 1 + count; ++r) sheet.format(r, 3, decimalFormat(d.digitValue()));
    }
    return count;
}

// The workbook's own formats: every cell is bold Lucida Console 10, some with a number format.
class Formats {
public:
    explicit Formats(lxw_workbook* workbook) : workbook_(workbook) {}
    lxw_format* get(const QString& numberFormat) {
        auto it = formats_.find(numberFormat);
        if (it != formats_.end()) return it->second;
        lxw_format* f = workbook_add_format(workbook_);
        format_set_font_name(f, "Lucida Console");
        format_set_bold(f);
        format_set_font_size(f, 10);
        if (!numberFormat.isEmpty()) format_set_num_format(f, numberFormat.toUtf8().constData());
        formats_.emplace(numberFormat, f);
        return f;
    }

private:
    lxw_workbook* workbook_;
    std::map<QString, lxw_format*> formats_;
};

QString libraryError(const char* what, lxw_error error) {
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromUtf8(lxw_strerror(error)));
}

}  // namespace

QString xlsxSheetName(int language) { return messageText(20, language); }

QString cellAddress(int column, int row) {
    QString letters;
    if (column > 26) letters += QChar(u'A' + (column - 1) / 26 - 1);
    letters += QChar(u'A' + (column - 1) % 26);
    return letters + QString::number(row);
}

XlsxStatistics xlsxStatistics(const StatisticsModel& statistics, const LimitSettings& limits, int language,
                              const QString& methodName) {
    XlsxStatistics block;
    block.methodName = methodName;
    block.possible = !statistics.mixedUnits();
    block.count = statistics.count();
    const bool absolute = statistics.absoluteSetting();
    block.minimum = absolute ? statistics.absMinimum() : statistics.minimum();
    block.maximum = absolute ? statistics.absMaximum() : statistics.maximum();
    block.mean = statistics.mean();
    block.standardDeviation = statistics.standardDeviation();
    if (limits.Rule8020) {
        const Rule8020Evaluation& rule = statistics.rule8020();
        block.rule8020 = rule.verdictText(language) + QLatin1Char(' ') + QString::number(rule.bandSharePercent()) +
                         QStringLiteral(" %");
    }
    block.unit = statistics.firstUnit().isEmpty() ? statistics.statisticEinheit() : statistics.firstUnit();
    return block;
}

XlsxStatistics xlsxTraceStatistics(const TraceSeries& trace, const QString& unit) {
    XlsxStatistics block;
    block.count = trace.count;
    block.minimum = trace.minimum;
    block.maximum = trace.maximum;
    block.mean = trace.mean;
    block.standardDeviation = trace.standardDeviation;
    block.unit = unit;
    return block;
}

ExportResult writeXlsxFile(const XlsxContent& content, const QString& path) {
    if (!content.hasReadings()) return ExportResult::noReadings();
    // The whole sheet first, so the chart knows where the readings stand.
    SheetModel sheet;
    int row = 1;
    const QStringList pieces = content.headerText.split(QStringLiteral("\r\n"));
    for (qsizetype i = 0; i + 1 < pieces.size(); ++i, ++row) {  // a last piece without CR LF is dropped
        const QString line = pieces.at(i).trimmed();
        if (!line.isEmpty()) sheet.text(row, 1, line);
    }
    XlsxChartPlan plan;
    for (std::size_t b = 0; b < content.blocks.size(); ++b)
        writeStatisticsBlock(sheet, row, content.blocks[b], content, plan, b == 0);
    const int t = row + 1;
    plan.firstReadingRow = t + 2;
    plan.readingCount = writeReadingTable(sheet, t, content);

    QString error;
    const QString temporary = reserveTemporaryBeside(path, &error);
    if (temporary.isEmpty()) return ExportResult::failed(error);
    const QByteArray tempName = QFile::encodeName(temporary);
    const QByteArray tmpdir = QFile::encodeName(QDir::tempPath());
    lxw_workbook_options options{};
    options.tmpdir = const_cast<char*>(tmpdir.constData());
    lxw_workbook* workbook = workbook_new_opt(tempName.constData(), &options);
    if (!workbook) {
        QFile::remove(temporary);
        return ExportResult::failed(QStringLiteral("Cannot create the workbook"));
    }

    const bool withChart = content.chart && !content.blocks.empty() && content.blocks.front().possible &&
                           plan.readingCount > 0;
    // A chart moved to its own sheet stands in front of the sheet it was made on.
    lxw_chartsheet* chartSheet = withChart ? workbook_add_chartsheet(workbook, "Chart") : nullptr;
    const QByteArray sheetName = xlsxSheetName(content.language).toUtf8();
    lxw_worksheet* ws = workbook_add_worksheet(workbook, sheetName.constData());
    Formats formats(workbook);
    worksheet_set_column(ws, 0, 0, 50, formats.get({}));
    worksheet_set_column(ws, 1, 1, LXW_DEF_COL_WIDTH, formats.get({}));
    worksheet_set_column(ws, 2, 2, 17, formats.get({}));
    worksheet_set_column(ws, 3, 3, 15, formats.get({}));
    worksheet_set_column(ws, 4, LXW_COL_MAX - 1, LXW_DEF_COL_WIDTH, formats.get({}));
    worksheet_fit_to_pages(ws, 1, 0);  // printed, the five columns stay on one page width
    for (const auto& [at, cell] : sheet.cells()) {
        const lxw_row_t r = static_cast<lxw_row_t>(at.first - 1);
        const lxw_col_t c = static_cast<lxw_col_t>(at.second - 1);
        lxw_format* f = formats.get(cell.numberFormat);
        if (const auto* s = std::get_if<QString>(&cell.value); s && !s->isEmpty())
            worksheet_write_string(ws, r, c, s->toUtf8().constData(), f);
        else if (const auto* d = std::get_if<double>(&cell.value))
            worksheet_write_number(ws, r, c, *d, f);
        else
            worksheet_write_blank(ws, r, c, f);
    }

    if (withChart) {
        plan.sheetName = QString::fromUtf8(sheetName);
        plan.language = content.language;
        plan.trace = content.trace;
        plan.limits = content.limits;
        plan.title = content.trace ? QStringLiteral("Chart Trigger ") + content.memoryEntry + QStringLiteral(" (") +
                                         content.memoryName + QLatin1Char(')')
                                   : content.chartTitle;
        addXlsxChart(workbook, chartSheet, plan);
    }

    const lxw_error closed = workbook_close(workbook);
    if (closed != LXW_NO_ERROR) {
        QFile::remove(temporary);
        return ExportResult::failed(libraryError("Cannot write the workbook", closed));
    }
    return replaceWithTemporary(temporary, path);
}

std::vector<XlsxStatistics> xlsxStatisticsBlocks(const StatisticsModel& stats, const LimitSettings& limits,
                                                 int language, bool trace, const TraceSeries& traceData,
                                                 const QString& gaugeUnit, const std::function<void()>& switchMaterial) {
    std::vector<XlsxStatistics> blocks;
    const bool twoMethods = stats.materialButtonVisible();
    const QString caption = stats.materialButtonCaption();
    QString methodName;
    if (twoMethods) {
        if (caption == QLatin1String("FE")) methodName = QStringLiteral("NFE");
        else if (caption.contains(QLatin1String("NF"))) methodName = QStringLiteral("FE");
    }
    XlsxStatistics first = xlsxStatistics(stats, limits, language, methodName);
    if (trace) {
        const QString unit = stats.statisticEinheit().isEmpty() ? gaugeUnit : stats.statisticEinheit();
        const QString rule = first.rule8020;
        first = xlsxTraceStatistics(traceData, unit);
        first.rule8020 = rule;
    }
    blocks.push_back(first);
    if (twoMethods && switchMaterial) {
        const QString other = caption == QLatin1String("FE") ? QStringLiteral("FE") : QStringLiteral("NF");
        switchMaterial();
        blocks.push_back(xlsxStatistics(stats, limits, language, other));
    }
    return blocks;
}

XlsxContent shownTableWorkbook(ReportSource& source, const QString& headerText, bool chart,
                               const std::function<void()>& switchMaterial) {
    const StatisticsModel& stats = source.table.statistics();
    const bool trace = isTraceMemoryShown(source.memoryEntry) && source.trace;
    XlsxContent content;
    content.language = LanguageIndex;
    content.headerText = headerText;
    content.memoryEntry = source.memoryEntry;
    content.memoryName = source.memoryName;
    content.limits = source.limits;
    content.statisticsDecimals = profileChar(7);
    content.methodColumn = profileChar(4) != QLatin1Char('0');
    content.gridHeaders = source.table.grid().headers();
    content.records = tableRecords(Tables, currentTable);
    content.trace = trace;
    if (trace) content.traceData = *source.trace;
    content.chart = chart && !stats.mixedUnits();
    content.chartTitle = stats.lines().value(0);
    // Last: switching the material leaves the statistics on the other method.
    content.blocks = xlsxStatisticsBlocks(stats, source.limits, LanguageIndex, trace, content.traceData, deviceUnit,
                                          switchMaterial);
    return content;
}

}  // namespace zenu
