// The chart of the main window: the small chart in place of the statistics list, and the
// large chart window, both drawing the data set built when the small chart is switched on.
#include <QChartView>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "app/dialogs/chart_builder.h"
#include "app/dialogs/frm_chart_g.h"
#include "app/frm_transfer.h"
#include "texts/texts.h"
#include "data/gauge_identity.h"
#include "data/limits.h"
#include "data/trace_series.h"
#include "reports/report_text.h"

namespace zenu {

void FrmTransfer::cmdChart_Click() {
    StatisticsModel& stats = table_.statistics();
    stats.setAbsoluteSetting(false);
    if (!MSChart1->isHidden()) {
        MSChart1->setVisible(false);
        lstStat->setVisible(true);
        cmdChart->setText(QStringLiteral("Chart"));
        cmdGross->setVisible(false);
        txtMittelwert->setVisible(false);
        return;
    }
    if (!chartPossible(stats)) return;

    picZenu->setVisible(false);
    MSChart1->setVisible(true);
    lstStat->setVisible(false);
    cmdChart->setText(QStringLiteral("Stat"));
    cmdGross->setVisible(true);
    txtMittelwert->setVisible(true);
    // The memory list names a trace by a "t" in the first two characters, as the decoder
    // reads it; anywhere else in the name it would chart the last trace over the readings.
    const bool trace = isTraceMemoryShown(cmbSpeicher->currentText());
    ChartData = BuildChartData(ChartSource{Tables, currentTable, stats, Limits, trace ? &traceSeries : nullptr,
                                           deviceUnit, LanguageIndex});
    drawChart(chartOf(*MSChart1), ChartData, ChartType::Line, ChartSize::Small);
    txtMittelwert->setText(ChartData.legendText);
    txtMittelwert->setAccessibleName(ChartData.legendText.trimmed());
}

void FrmTransfer::cmdGross_Click() {
    const bool wasShown = !MSChart1->isHidden();
    cmdChart_Click();
    // From the statistics list the toggle has just built the data set; when it could not
    // (readings of different units) there is nothing current to show.
    if (!wasShown && MSChart1->isHidden()) return;
    FrmChartG dialog(ChartData, this);
    showDialog(dialog);
}

}  // namespace zenu
