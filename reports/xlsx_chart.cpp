#include "reports/xlsx_chart.h"

#include <xlsxwriter.h>

#include <QByteArray>
#include <functional>

#include "texts/texts.h"
#include "data/value_format.h"
#include "reports/xlsx_export.h"

namespace zenu {
namespace {

constexpr lxw_color_t kBlack = LXW_COLOR_BLACK;  // 0 would mean "no colour" to the library
constexpr lxw_color_t kMeanBlue = 0x0000CD;
constexpr lxw_color_t kLimitGreen = 0x00B050;
constexpr lxw_color_t kTargetRed = 0xEE2C2C;
constexpr lxw_color_t kPlotGrey = 0xF0F0F0;

QString columnRange(const QString& sheet, int column, int firstRow, int lastRow) {
    const QChar letter(u'A' + column - 1);  // only columns A to E are charted
    return QStringLiteral("='%1'!$%2$%3:$%2$%4")
        .arg(QString(sheet).replace(QLatin1Char('\''), QStringLiteral("''")), QString(letter))
        .arg(firstRow)
        .arg(lastRow);
}

lxw_chart_series* addSeries(lxw_chart* chart, const QString& categories, const QString& values) {
    return chart_add_series(chart, categories.toUtf8().constData(), values.toUtf8().constData());
}

void styleLine(lxw_chart_series* series, lxw_color_t colour, uint8_t dash) {
    lxw_chart_line line{};
    line.color = colour;
    line.dash_type = dash;
    chart_series_set_line(series, &line);
    chart_series_set_marker_type(series, LXW_CHART_MARKER_NONE);
}

}  // namespace

void addXlsxChart(lxw_workbook* workbook, lxw_chartsheet* chartSheet, const XlsxChartPlan& plan) {
    const int n = plan.readingCount;
    const int lang = plan.language;
    const bool limitSet = plan.limits.anyLimitSet();
    const bool targetSet = plan.limits.Soll != 0.0;

    // Reference lines, one point per reading: x 1..n, then mean, maximum, minimum, target.
    lxw_worksheet* data = workbook_add_worksheet(workbook, kXlsxChartDataSheet);
    worksheet_hide(data);
    const QString dataSheet = QString::fromLatin1(kXlsxChartDataSheet);
    for (int i = 0; i < n; ++i) {
        const auto r = static_cast<lxw_row_t>(i);
        worksheet_write_number(data, r, 0, i + 1, nullptr);
        worksheet_write_number(data, r, 1, plan.meanValue, nullptr);
        if (limitSet) {
            worksheet_write_number(data, r, 2, roundHalfEven(plan.limits.MaxLimit, 2), nullptr);
            worksheet_write_number(data, r, 3, roundHalfEven(plan.limits.MinLimit, 2), nullptr);
        }
        if (targetSet) worksheet_write_number(data, r, 4, roundHalfEven(plan.limits.Soll, 2), nullptr);
    }
    const QString x = columnRange(dataSheet, 1, 1, n);

    lxw_chart* chart = workbook_add_chart(workbook, LXW_CHART_SCATTER_STRAIGHT);
    const int first = plan.firstReadingRow;
    const int last = first + n - 1;
    lxw_chart_series* readings =
        addSeries(chart, columnRange(plan.sheetName, 2, first, last), columnRange(plan.sheetName, 3, first, last));
    styleLine(readings, kBlack, LXW_CHART_LINE_DASH_SOLID);

    const auto reference = [&](int column, const QString& name, lxw_color_t colour, uint8_t dash) {
        lxw_chart_series* s = addSeries(chart, x, columnRange(dataSheet, column, 1, n));
        chart_series_set_name(s, name.toUtf8().constData());
        styleLine(s, colour, dash);
    };
    if (!plan.trace) reference(2, statisticsLabel(4, lang), kMeanBlue, LXW_CHART_LINE_DASH_ROUND_DOT);
    if (limitSet) {
        reference(3, QStringLiteral("Maximum"), kLimitGreen, LXW_CHART_LINE_DASH_DASH);
        reference(4, QStringLiteral("Minimum"), kLimitGreen, LXW_CHART_LINE_DASH_DASH);
    }
    if (targetSet) reference(5, statisticsLabel(10, lang), kTargetRed, LXW_CHART_LINE_DASH_SOLID);

    lxw_chart_font font{};
    font.size = 15;
    font.color = kBlack;
    const QByteArray title = plan.title.toUtf8();
    chart_title_set_name(chart, title.constData());
    chart_title_set_name_font(chart, &font);
    const QByteArray valueTitle = messageText(20, lang).toUtf8();
    const QByteArray categoryTitle = statisticsLabel(plan.trace ? 17 : 1, lang).toUtf8();
    chart_axis_set_name(chart->y_axis, valueTitle.constData());
    chart_axis_set_name(chart->x_axis, categoryTitle.constData());
    for (lxw_chart_axis* axis : {chart->x_axis, chart->y_axis}) {
        chart_axis_set_name_font(axis, &font);
        chart_axis_set_num_font(axis, &font);
    }
    chart_legend_set_position(chart, LXW_CHART_LEGEND_BOTTOM);
    chart_legend_set_font(chart, &font);

    lxw_chart_fill none{};
    none.none = LXW_TRUE;
    chart_chartarea_set_fill(chart, &none);
    lxw_chart_fill grey{};
    grey.color = kPlotGrey;
    chart_plotarea_set_fill(chart, &grey);

    chartsheet_set_chart(chartSheet, chart);
    chartsheet_activate(chartSheet);
}

}  // namespace zenu
