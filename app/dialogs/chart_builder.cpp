#include "app/dialogs/chart_builder.h"

#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QFont>
#include <QLegend>
#include <QLineSeries>
#include <QLocale>
#include <QPen>
#include <QValueAxis>

namespace zenu {

namespace {

QPen penOf(const ChartSeries& series, ChartSize size) {
    const ChartPen& pen = size == ChartSize::Small ? series.smallPen : series.largePen;
    Qt::PenStyle style = Qt::SolidLine;
    if (pen.style == PenStyle::Dashed) style = Qt::DashLine;
    if (pen.style == PenStyle::Dotted) style = Qt::DotLine;
    QPen qpen(QColor(series.colour.r, series.colour.g, series.colour.b), penPixels(pen), style);
    qpen.setCapStyle(Qt::FlatCap);
    return qpen;
}

// Points sit at x = 1..N (bars at 0..N-1, where the bar series puts them); the only label is
// the row count at the last point.
QCategoryAxis* categoryAxis(const ChartDataSet& data, double first) {
    auto* axis = new QCategoryAxis;
    const int n = data.rowCount();
    axis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    axis->setRange(first - 0.5, first + std::max(0, n - 1) + 0.5);
    if (n > 0) axis->append(data.labels.last(), first + n - 1);
    axis->setGridLineVisible(false);
    return axis;
}

QValueAxis* valueAxis(const ChartDataSet& data, ChartSize size) {
    auto* axis = new QValueAxis;
    // A little room above and below, so that a line at the range's end does not vanish in the
    // plot's frame; nice numbers only round outwards.
    const double pad = (data.axisMaximum - data.axisMinimum) * 0.05;
    axis->setRange(data.axisMinimum - pad, data.axisMaximum + pad);
    axis->applyNiceNumbers();
    if (size == ChartSize::Large) {
        axis->setTitleText(data.axisTitle);
        QFont font(QStringLiteral("Arial"));
        font.setPointSize(16);
        axis->setTitleFont(font);
    }
    return axis;
}

}  // namespace

QChart& chartOf(QChartView& view) {
    if (!view.chart() || view.chart()->objectName() != QLatin1String("zenuChart")) {
        auto* chart = new QChart;
        chart->setObjectName(QStringLiteral("zenuChart"));
        QChart* old = view.chart();
        view.setChart(chart);
        delete old;  // the view gives up the chart it had without deleting it
        view.setRenderHint(QPainter::Antialiasing);
    }
    return *view.chart();
}

void drawChart(QChart& chart, const ChartDataSet& data, ChartType type, ChartSize size) {
    chart.removeAllSeries();
    for (QAbstractAxis* axis : chart.axes()) {
        chart.removeAxis(axis);
        delete axis;
    }
    chart.setAnimationOptions(QChart::NoAnimation);
    chart.setLocale(QLocale());
    chart.setLocalizeNumbers(true);
    chart.legend()->setVisible(size == ChartSize::Large);
    chart.legend()->setAlignment(Qt::AlignBottom);
    if (size == ChartSize::Small) {
        chart.setMargins(QMargins(2, 2, 2, 2));
        chart.setBackgroundRoundness(0);
    }

    const bool bar = type == ChartType::Bar;
    QValueAxis* yAxis = valueAxis(data, size);
    QCategoryAxis* xAxis = categoryAxis(data, bar ? 0.0 : 1.0);
    chart.addAxis(xAxis, Qt::AlignBottom);
    chart.addAxis(yAxis, Qt::AlignLeft);

    const std::vector<ChartSeries> series = data.seriesFor(type);
    const int n = data.rowCount();
    for (const ChartSeries& s : series) {
        QAbstractSeries* drawn = nullptr;
        if (bar) {
            auto* set = new QBarSet(s.legend);
            set->setColor(QColor(s.colour.r, s.colour.g, s.colour.b));
            set->setBorderColor(Qt::transparent);
            for (double v : data.values) set->append(v);
            auto* bars = new QBarSeries;
            bars->setBarWidth(0.8);
            bars->append(set);
            drawn = bars;
        } else {
            auto* line = new QLineSeries;
            line->setName(s.legend);
            line->setPen(penOf(s, size));
            if (s.role == ChartRole::Readings) {
                QList<QPointF> points;
                points.reserve(n);
                for (int i = 0; i < n; ++i) points.append(QPointF(i + 1, data.values[static_cast<std::size_t>(i)]));
                line->replace(points);
            } else if (n > 0) {
                // A constant line: its two ends carry what every row holds.
                line->append(1, s.constant);
                line->append(std::max(n, 2), s.constant);
            }
            drawn = line;
        }
        chart.addSeries(drawn);
        drawn->attachAxis(xAxis);
        drawn->attachAxis(yAxis);
    }
}

}  // namespace zenu
