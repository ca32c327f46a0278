#pragma once
// The large chart window: the chart data set of the main window as a line chart with its
// reference lines, or as a bar chart of the readings alone, and the statistics under it.
// Modal, made for one showing and thrown away when closed.
#include <QDialog>

#include "reports/chart_data.h"

class QChartView;
class QLabel;
class QPushButton;

namespace zenu {

class FrmChartG : public QDialog {
    Q_OBJECT
public:
    explicit FrmChartG(const ChartDataSet& data, QWidget* parent = nullptr);

    // Line chart, captions, the window title and the chart; runs when the window opens.
    void Form_Activate();
    // A bar chart becomes a line chart, anything else a bar chart; then redraws.
    void cmdChartType_Click();
    ChartType chartType() const { return chartType_; }
    const ChartDataSet& data() const { return data_; }

    QChartView* MSChartG = nullptr;
    QPushButton* cmdChartType = nullptr;
    QLabel* lblImpulszeit = nullptr;
    QLabel* lblStrich = nullptr;
    QLabel* lblMean = nullptr;
    QLabel* lblMinMax = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void draw();

    ChartDataSet data_;
    ChartType chartType_ = ChartType::Line;
    bool activated_ = false;
};

}  // namespace zenu
