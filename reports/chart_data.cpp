#include "reports/chart_data.h"

#include <algorithm>
#include <cmath>

#include "texts/texts.h"
#include "data/measurement_record.h"
#include "data/statistics.h"
#include "data/trace_series.h"
#include "data/value_format.h"
#include "platform/localefmt.h"

namespace zenu {

namespace {

// The series colours match those of the spreadsheet chart: readings dark blue, target red,
// limits green.
constexpr Rgb kReadingsColour{0, 76, 151};
constexpr Rgb kTargetColour{238, 44, 44};
constexpr Rgb kLimitColour{0, 176, 80};

constexpr ChartPen kSmallReadingsPen{40, PenStyle::Solid};
constexpr ChartPen kSmallReferencePen{10, PenStyle::Dotted};
constexpr ChartPen kLargeReadingsPen{35, PenStyle::Solid};
constexpr ChartPen kLargeTargetPen{20, PenStyle::Dotted};
constexpr ChartPen kLargeLimitPen{30, PenStyle::Dotted};

// A limit as a plain number in the legend: no padding, no trailing zeros.
QString plainNumber(double value) {
    QString text = QString::number(value, 'g', 15);
    text.replace(QLatin1Char('.'), DecimalSeparator);
    return text;
}

QString formattedText(double value, const QString& descriptor) {
    FormatValue(value, descriptor);
    return lastFormattedText;
}

ChartSeries referenceSeries(ChartRole role, double constant, const QString& legend) {
    ChartSeries s;
    s.role = role;
    s.constant = constant;
    s.legend = legend;
    s.smallPen = kSmallReferencePen;
    s.largePen = role == ChartRole::Target ? kLargeTargetPen : kLargeLimitPen;
    s.colour = role == ChartRole::Target ? kTargetColour : kLimitColour;
    return s;
}

// Readings first; with a limit set both limit lines (a limit counts as set when non-zero),
// the target before them.
std::vector<ChartSeries> seriesOf(const LimitSettings& limits, int language) {
    std::vector<ChartSeries> series;
    ChartSeries readings;
    readings.legend = statisticsLabel(13, language);
    readings.smallPen = kSmallReadingsPen;
    readings.largePen = kLargeReadingsPen;
    readings.colour = kReadingsColour;
    series.push_back(readings);
    if (limits.Soll != 0.0)
        series.push_back(referenceSeries(ChartRole::Target, limits.Soll,
                                         statisticsLabel(10, language) + QLatin1Char(' ') + plainNumber(limits.Soll)));
    if (limits.anyLimitSet()) {
        series.push_back(referenceSeries(ChartRole::MinLimit, limits.MinLimit,
                                         QStringLiteral("Minimum ") + plainNumber(limits.MinLimit)));
        series.push_back(referenceSeries(ChartRole::MaxLimit, limits.MaxLimit,
                                         QStringLiteral("Maximum ") + plainNumber(limits.MaxLimit)));
    }
    for (std::size_t i = 0; i < series.size(); ++i) series[i].column = static_cast<int>(i) + 1;
    return series;
}

// The statistics leave out readings marked "X" and, while the material button shows, those of
// the material its caption names; the chart shows the same readings.
bool plotted(const MeasurementRecord& r, const StatisticsModel& stats) {
    if (r.invalidMark == QLatin1String("X")) return false;
    if (stats.materialButtonVisible() && !stats.materialButtonCaption().isEmpty() &&
        r.method.startsWith(stats.materialButtonCaption().left(2)))
        return false;
    return true;
}

void setAxis(ChartDataSet& set, double low, double high) {
    for (double v : set.values) {
        low = std::min(low, v);
        high = std::max(high, v);
    }
    for (const ChartSeries& s : set.series) {
        if (s.role == ChartRole::Readings) continue;
        low = std::min(low, s.constant);
        high = std::max(high, s.constant);
    }
    if (!(low <= high)) low = high = 0;
    if (low == high) {
        // A flat line still needs an axis with a span to be drawn on.
        const double pad = low == 0 ? 1.0 : std::fabs(low) * 0.1;
        low -= pad;
        high += pad;
    }
    set.axisMinimum = low;
    set.axisMaximum = high;
}

}  // namespace

ChartType nextChartType(ChartType current) {
    return current == ChartType::Bar ? ChartType::Line : ChartType::Bar;
}

double penPixels(const ChartPen& pen) { return std::max(1.0, pen.width / 15.0); }

QVariant ChartDataSet::cell(int row, int column) const {
    if (row < 1 || row > rowCount() || column < 0 || column > lastColumn()) return {};
    if (column == 0) return labels.at(row - 1);
    if (column == 1) return values[static_cast<std::size_t>(row) - 1];
    return series[static_cast<std::size_t>(column) - 1].constant;
}

std::vector<ChartSeries> ChartDataSet::seriesFor(ChartType type) const {
    if (type == ChartType::Bar) return {series.begin(), series.begin() + std::min<std::size_t>(1, series.size())};
    return series;
}

const ChartSeries* ChartDataSet::find(ChartRole role) const {
    for (const ChartSeries& s : series)
        if (s.role == role) return &s;
    return nullptr;
}

bool chartPossible(const StatisticsModel& statistics) { return !statistics.mixedUnits(); }

ChartDataSet BuildChartData(const ChartSource& source) {
    const int lang = source.language;
    const StatisticsModel& stats = source.statistics;
    ChartDataSet set;
    set.series = seriesOf(source.limits, lang);
    set.dataLabel = statisticsLabel(13, lang);
    const QString maxLabel = statisticsLabel(2, lang);
    const QString minLabel = statisticsLabel(3, lang);

    double low = 0, high = 0;
    if (source.trace) {
        const TraceSeries& trace = *source.trace;
        set.trace = true;
        set.values = trace.samples;
        set.traceIntervalMs = trace.intervalMs;
        set.axisTitle = source.traceUnit;
        low = trace.minimum;
        high = trace.maximum;
        set.legendText = maxLabel + QLatin1Char(' ') + formattedText(trace.maximum, QStringLiteral("2")) +
                         QStringLiteral("   ") + minLabel + QLatin1Char(' ') +
                         formattedText(trace.minimum, QStringLiteral("2"));
        const QString unit = QLatin1Char(' ') + source.traceUnit;
        set.pulseTimeText = statisticsLabel(15, lang) + QLatin1Char(' ') + formatFixed(trace.pulseTimeMs, 2) +
                            QStringLiteral(" ms");
        set.minMaxText = maxLabel + QStringLiteral("   ") + formatFixed(trace.maximum, 2) + unit +
                         QStringLiteral("   ") + minLabel + QStringLiteral("   ") + formatFixed(trace.minimum, 2) +
                         unit;
    } else {
        for (int i = 1; i <= kTableCapacity; ++i) {
            const MeasurementRecord& r = source.tables.at(source.table, i);
            if (r.isEmpty()) break;
            if (!plotted(r, stats)) continue;
            if (set.values.empty()) set.unit = r.unit;
            set.values.push_back(r.value);
        }
        set.axisTitle = stats.statisticEinheit();
        if (stats.count() > 0) {
            // The chart switches the absolute setting off: the axis takes the signed items.
            low = stats.minimum();
            high = stats.maximum();
        } else if (!set.values.empty()) {
            low = high = set.values.front();
        }
        const QString meanText = formattedText(stats.mean(), QStringLiteral("Stat"));
        set.legendText = QStringLiteral("_ _ _") + statisticsLabel(4, lang) + QLatin1Char(' ') + meanText;
        set.lineSampleText = QStringLiteral("__ __ __");
        set.meanText = statisticsLabel(4, lang) + QLatin1Char(' ') + meanText;
        const QString maxText = formattedText(stats.absMaximum(), stats.statisticEinheit());
        const QString minText = formattedText(stats.absMinimum(), stats.statisticEinheit());
        set.minMaxText = maxLabel + QLatin1Char(' ') + maxText + QStringLiteral("   ") + minLabel + QLatin1Char(' ') +
                         minText;
    }

    const int n = set.rowCount();
    set.labels.reserve(n);
    for (int row = 1; row <= n; ++row)
        set.labels << (row == n ? QLatin1Char(' ') + QString::number(n) : QStringLiteral(" "));
    setAxis(set, low, high);
    return set;
}

}  // namespace zenu
