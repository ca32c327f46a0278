#include "data/statistics.h"

#include <algorithm>
#include <cmath>

#include "texts/texts.h"
#include "data/gauge_identity.h"
#include "data/limits.h"
#include "data/text_align.h"
#include "data/trace_series.h"
#include "data/value_format.h"
#include "platform/localefmt.h"

namespace zenu {

namespace {

QString padRight(const QString& text, int width) {
    return text.size() >= width ? text : text + QString(width - text.size(), QLatin1Char(' '));
}

QString blanks(int count) {
    return QString(std::max(0, count), QLatin1Char(' '));
}

QString rightAligned(int width, const QString& text) {
    return Ausrichten(width, text, QStringLiteral(" "), false);
}

int decimalsIn(const QString& text, const QString& separator) {
    const int pos = separator.isEmpty() ? -1 : static_cast<int>(text.indexOf(separator));
    if (pos < 0) return 0;
    return static_cast<int>(text.size()) - pos - static_cast<int>(separator.size());
}

}  // namespace

StatisticsModel::StatisticsModel() = default;

void StatisticsModel::reset() {
    const bool absolute = absolute_;
    const QString title = title_;
    const QString unit = statisticEinheit_;
    *this = StatisticsModel{};
    absolute_ = absolute;
    title_ = title;
    statisticEinheit_ = unit;
}

void StatisticsModel::resetForMaterial() {
    const bool visible = materialVisible_;
    const QString caption = materialCaption_;
    reset();
    materialVisible_ = visible;
    materialCaption_ = caption;
}

QString StatisticsModel::materialName() const {
    if (!materialVisible_) return {};
    return materialCaption_ != QLatin1String("FE") ? QStringLiteral("FE") : QStringLiteral("NFE");
}

void StatisticsModel::toggleMaterial() {
    if (materialCaption_ != QLatin1String("FE")) {
        materialCaption_ = QStringLiteral("FE");
    } else {
        materialCaption_ = QString(profileChar(1)) == QLatin1String("5") ? QStringLiteral("NF") : QStringLiteral("NFE");
    }
}

int StatisticsModel::decimalShift(const QString& minText, const QString& meanText, const QString& separator) {
    int k = decimalsIn(meanText, separator) - decimalsIn(minText, separator);
    if (separator.isEmpty() || !minText.contains(separator)) k += 1;
    return k;
}

bool StatisticsModel::include(double value, const QString& unit, const QString& method, bool redrawList) {
    absolute_ = true;
    statisticEinheit_ = unit;

    // Which material the statistics cover (coating-thickness gauges measure on steel "FE" and
    // on non-ferrous metals "NF"; the two do not mix in one statistic).
    if (n_ == 0) {
        merkmaterial_ = method;
        if (method.contains(QLatin1String("NF"))) {
            merkmaterial_ = QStringLiteral("NF");
            if (!materialVisible_) materialCaption_ = QStringLiteral("FE");
        } else if (method.contains(QLatin1String("FE"))) {
            merkmaterial_ = QStringLiteral("FE");
            if (!materialVisible_) materialCaption_ = QStringLiteral("NF");
        }
    }
    if (deviceKind == QLatin1String("SM")) {
        if (method != merkmaterial_) materialVisible_ = true;
        // A caption is always set once the button shows; without one nothing is left out.
        if (materialVisible_ && !materialCaption_.isEmpty() && method.startsWith(materialCaption_.left(2)))
            return false;
    }

    ++n_;
    double v = value;
    if (profileChar(5) == QLatin1Char('+')) v = std::fabs(v);

    if (firstUnit_.isEmpty()) {
        firstUnit_ = unit;
    } else if (unit != firstUnit_) {
        mixedUnits_ = true;
    }

    const double a = std::fabs(v);
    sum_ += v;
    absSum_ += a;
    squareSum_ += v * v;
    minimum_ = std::min(minimum_, v);
    maximum_ = std::max(maximum_, v);
    absMinimum_ = std::min(absMinimum_, a);
    absMaximum_ = std::max(absMaximum_, a);

    mean_ = absSum_ / n_;
    if (n_ > 1) {
        const double variance = (squareSum_ - absSum_ * absSum_ / n_) / (n_ - 1);
        stdDev_ = variance < 0 ? 0.0 : std::sqrt(variance);
    }

    if (Limits.Rule8020) rule_.include(v, n_, sum_, Limits);
    if (redrawList) redraw();
    return true;
}

QString StatisticsModel::heading() const {
    QString text;
    const QString material = materialName();
    if (!material.isEmpty()) text = material + QLatin1Char(' ');
    text += statisticsLabel(6, LanguageIndex);
    if (profileChar(5) == QLatin1Char('-')) text += statisticsLabel(11, LanguageIndex);
    return text;
}

void StatisticsModel::redraw() {
    const int lang = LanguageIndex;
    lines_.clear();
    if (n_ == 0) return;
    lines_ << title_ << QStringLiteral(" ") << heading() << QStringLiteral(" ");

    if (mixedUnits_) {
        lines_ << statisticsLabel(7, lang) << statisticsLabel(8, lang) << statisticsLabel(9, lang);
        return;
    }

    FormatValue(absMinimum_, statisticEinheit_);
    const QString minText = lastFormattedText;
    FormatValue(absMaximum_, statisticEinheit_);
    const QString maxText = lastFormattedText;
    const QString& u = firstUnit_;

    lines_ << padRight(statisticsLabel(1, lang), 13) + rightAligned(8, QString::number(n_));
    lines_ << padRight(statisticsLabel(3, lang), 13) + minText + blanks(4) + u;
    lines_ << padRight(statisticsLabel(2, lang), 13) + maxText + blanks(4) + u;
    if (n_ >= 2) {
        FormatValue(mean_, QStringLiteral("Stat"));
        const QString meanText = lastFormattedText;
        FormatValue(stdDev_, QStringLiteral("Stat"));
        const QString stdText = lastFormattedText;
        const int k = std::clamp(decimalShift(minText, meanText, DecimalSeparator), -1, 4);
        lines_ << padRight(statisticsLabel(4, lang), 13 + k) + meanText + blanks(4 - k) + u;
        lines_ << padRight(statisticsLabel(5, lang), 13 + k) + stdText + blanks(4 - k) + u;
    }
    if (Limits.Rule8020) lines_ << rule_.statisticsLine(lang);
}

void StatisticsModel::showTraceStatistics(const TraceSeries& trace, const QString& unit) {
    const int lang = LanguageIndex;
    lines_.clear();
    lines_ << title_ << QStringLiteral(" ") << heading() << QStringLiteral(" ");
    const QString minText = rightAligned(11, formatFixed(trace.minimum, 2));
    const QString meanText = rightAligned(11, formatFixed(trace.mean, 2));
    const int k = std::clamp(decimalShift(minText, meanText, DecimalSeparator), -1, 4);
    const auto valueLine = [&](int label, int shift, double value) {
        return padRight(statisticsLabel(label, lang), 13 + shift) + rightAligned(11, formatFixed(value, 2)) +
               blanks(4 - shift) + unit;
    };
    lines_ << padRight(statisticsLabel(1, lang), 13) + rightAligned(8, QString::number(trace.count));
    lines_ << valueLine(3, 0, trace.minimum) << valueLine(2, 0, trace.maximum);
    lines_ << valueLine(4, k, trace.mean) << valueLine(5, k, trace.standardDeviation);
    lines_ << padRight(statisticsLabel(15, lang), 13) + rightAligned(11, formatFixed(trace.pulseTimeMs, 2)) +
                  QStringLiteral(" ms");
}

}  // namespace zenu
