#pragma once
// Running statistics of the shown reading table and the exact lines of the statistics list
// (`lstStat`). The lines are model data: the window shows them, the reports and measurement
// files copy them.
#include <QString>
#include <QStringList>

#include "data/rule8020.h"

namespace zenu {

struct TraceSeries;

class StatisticsModel {
public:
    StatisticsModel();

    // Reset_Statistic without the table side (the table controller also sets readingIndex):
    // empties the list, every item back to its start value, the material button hidden.
    // The absolute setting is kept.
    void reset();

    // The first line of the list: the memory title (table 0), "Online" (table 2), "" (table 1).
    void setTitle(const QString& title) { title_ = title; }
    const QString& title() const { return title_; }

    // UpdateStatistics: includes one reading (value, unit, method) and, with `redraw`, rebuilds
    // the list. Returns false when the material selection leaves the reading out. Callers that
    // include many readings pass redraw=false and call redraw() once at the end.
    bool include(double value, const QString& unit, const QString& method, bool redraw = true);
    void redraw();

    // The material button: its caption switches (not "FE" -> "FE"; "FE" -> "NF" on family "5",
    // "NFE" on others). The caller then runs resetForMaterial() and includes the table again.
    void toggleMaterial();
    // Reset for a recomputation after a material switch: like reset(), but the button keeps
    // its visibility and caption, so the recomputation covers the other material.
    void resetForMaterial();
    bool materialButtonVisible() const { return materialVisible_; }
    const QString& materialButtonCaption() const { return materialCaption_; }
    // "FE" or "NFE" while the material button is shown, else "".
    QString materialName() const;

    // Trace memories: the statistics the gauge computed (rounded to 2 decimals), in the list's
    // format, and the pulse time followed by " ms".
    void showTraceStatistics(const TraceSeries& trace, const QString& unit);

    // The list (`lstStat`), index 0 the title line. Empty while nothing is included.
    const QStringList& lines() const { return lines_; }

    // Items for the exports.
    int count() const { return n_; }
    double sum() const { return sum_; }
    double absSum() const { return absSum_; }
    double squareSum() const { return squareSum_; }
    double minimum() const { return minimum_; }
    double maximum() const { return maximum_; }
    double absMinimum() const { return absMinimum_; }
    double absMaximum() const { return absMaximum_; }
    double mean() const { return mean_; }
    double standardDeviation() const { return stdDev_; }
    const QString& firstUnit() const { return firstUnit_; }
    bool mixedUnits() const { return mixedUnits_; }
    const QString& merkmaterial() const { return merkmaterial_; }
    // Unit of the reading added last (kept across resets, as the limit lines of the reports
    // name it).
    const QString& statisticEinheit() const { return statisticEinheit_; }
    const Rule8020Evaluation& rule8020() const { return rule_; }
    // On: the statistics and the limit colours work on magnitudes. Every include switches it
    // on; the chart toggle switches it off.
    bool absoluteSetting() const { return absolute_; }
    void setAbsoluteSetting(bool on) { absolute_ = on; }

    // The decimal shift k of the mean and deviation lines (see the list format).
    static int decimalShift(const QString& minText, const QString& meanText, const QString& separator);

private:
    QString heading() const;

    QString title_;
    QStringList lines_;
    int n_ = 0;
    double sum_ = 0, absSum_ = 0, squareSum_ = 0;
    double minimum_ = 999999, maximum_ = -999999, absMinimum_ = 999999, absMaximum_ = -999999;
    double mean_ = 0, stdDev_ = 0;
    QString firstUnit_;
    bool mixedUnits_ = false;
    QString merkmaterial_;
    QString statisticEinheit_;
    bool materialVisible_ = false;
    QString materialCaption_;
    bool absolute_ = true;
    Rule8020Evaluation rule_;
};

}  // namespace zenu
