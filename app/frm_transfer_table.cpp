// The measurement grid and the statistics list of the main window: the table model does the
// work, this file draws what it changed and handles the table commands.
#include <QChartView>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTableWidget>

#include "app/frm_transfer.h"
#include "texts/texts.h"
#include "data/gauge_identity.h"
#include "data/limits.h"
#include "data/trace_series.h"
#include "platform/prompts.h"

namespace zenu {

namespace {

QFont gridFont() {
    QFont font(QString::fromLatin1(kGridFont));
    if (!QFontDatabase::families().contains(font.family()))
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::Monospace);
    return font;
}

QColor toColor(const Rgb& c) { return QColor(c.r, c.g, c.b); }

}  // namespace

void FrmTransfer::SetupGrid() {
    MSFlex->setColumnCount(kGridColumns);
    MSFlex->setFont(gridFont());
    // The widths of old were made for a narrower font: no column may cut its widest cell (date
    // and time, a 7-digit number, an 11-character value, unit and method).
    static constexpr int kWidestCell[kGridColumns] = {20, 8, 12, 10};
    const QFontMetrics metrics(MSFlex->font());
    for (int c = 0; c < kGridColumns; ++c)
        MSFlex->setColumnWidth(c, std::max(gridColumnWidthPixels(c),
                                           metrics.horizontalAdvance(QString(kWidestCell[c], QLatin1Char('0'))) + 8));
    MSFlex->verticalHeader()->setDefaultSectionSize(metrics.height() + 6);
    MSFlex->horizontalHeader()->setStretchLastSection(true);
    table_.grid().setup(Tables.at(currentTable, 1).dateText);
    renderGridHeaders();
}

void FrmTransfer::renderGridHeaders() {
    static const Qt::Alignment alignments[kGridColumns] = {Qt::AlignLeft, Qt::AlignRight, Qt::AlignRight,
                                                           Qt::AlignLeft};
    const auto& headers = table_.grid().headers();
    for (int c = 0; c < kGridColumns; ++c) {
        QTableWidgetItem* item = MSFlex->horizontalHeaderItem(c);
        if (!item) {
            item = new QTableWidgetItem;
            item->setTextAlignment(alignments[c] | Qt::AlignVCenter);
            MSFlex->setHorizontalHeaderItem(c, item);
        }
        if (item->text() != headers[c]) item->setText(headers[c]);
    }
}

// ColourValueCell for the four cells of a grid row, with the texts. Without a limit colour a
// cell keeps the grid's back colour, without the grey of a marked reading the window-text colour.
void FrmTransfer::renderGridRow(int row) {
    const GridRow& r = table_.grid().row(row);
    const QVariant back = r.back ? QVariant(QBrush(toColor(*r.back))) : QVariant();
    const QVariant fore = r.fore ? QVariant(QBrush(toColor(*r.fore))) : QVariant();
    for (int c = 0; c < kGridColumns; ++c) {
        QTableWidgetItem* item = MSFlex->item(row - 1, c);
        if (!item) {
            item = new QTableWidgetItem(r.cells[c]);
            item->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            if (r.back) item->setData(Qt::BackgroundRole, back);
            if (r.fore) item->setData(Qt::ForegroundRole, fore);
            MSFlex->setItem(row - 1, c, item);
            continue;
        }
        // Only what changed: every change is a signal through the grid's model.
        if (item->text() != r.cells[c]) item->setText(r.cells[c]);
        if (item->data(Qt::BackgroundRole) != back) item->setData(Qt::BackgroundRole, back);
        if (item->data(Qt::ForegroundRole) != fore) item->setData(Qt::ForegroundRole, fore);
    }
}

void FrmTransfer::gridRebuilt() {
    const int rows = table_.grid().rowCount();
    MSFlex->setUpdatesEnabled(false);
    // Rows are redrawn in place: a rebuild of the same table changes few cells.
    MSFlex->setRowCount(rows);
    SetupGrid();
    {
        // The grid learns of the new cell contents by one repaint, not by a signal per cell.
        const QSignalBlocker quiet(MSFlex->model());
        for (int r = 1; r <= rows; ++r) renderGridRow(r);
    }
    MSFlex->setUpdatesEnabled(true);
    MSFlex->viewport()->update();

    // The statistics list (or the logo) takes the place of the chart again.
    MSChart1->setVisible(false);
    if (rows == 0) {
        picZenu->setVisible(true);
        for (QWidget* w : {static_cast<QWidget*>(lstStat), static_cast<QWidget*>(cmdGross),
                           static_cast<QWidget*>(cmdMaterial), static_cast<QWidget*>(cmdChart)})
            w->setVisible(false);
    } else {
        picZenu->setVisible(false);
        lstStat->setVisible(true);
    }
    if (currentTable == kTableMemory && optFE->text().contains(QLatin1String(".mes")) && !fileMode_)
        setFileModeButtons();
    MSFlex->setVisible(true);
}

void FrmTransfer::gridRowAppended(int row) {
    if (MSFlex->rowCount() != row - 1) {
        // The grid and the model went apart (rows sorted or cut): draw every row again.
        MSFlex->setRowCount(row);
        for (int r = 1; r <= row; ++r) renderGridRow(r);
    } else {
        MSFlex->setRowCount(row);
        renderGridRow(row);
    }
    renderGridHeaders();
}

void FrmTransfer::gridRowsChanged() {
    MSFlex->setUpdatesEnabled(false);
    {
        const QSignalBlocker quiet(MSFlex->model());
        for (int r = 1; r <= table_.grid().rowCount(); ++r) renderGridRow(r);
    }
    MSFlex->setUpdatesEnabled(true);
    MSFlex->viewport()->update();
}

void FrmTransfer::statisticsChanged() {
    const StatisticsModel& stats = table_.statistics();
    lstStat->setUpdatesEnabled(false);
    lstStat->clear();
    lstStat->addItems(stats.lines());
    lstStat->setUpdatesEnabled(true);
    cmdMaterial->setVisible(stats.materialButtonVisible());
    if (!stats.materialButtonCaption().isEmpty()) cmdMaterial->setText(stats.materialButtonCaption());
    if (stats.count() > 1) {
        picZenu->setVisible(false);
        lstStat->setVisible(true);
        MSChart1->setVisible(false);
        cmdChart->setText(QStringLiteral("Chart"));
        cmdChart->setVisible(true);
        cmdGross->setVisible(true);
        txtMittelwert->setVisible(false);
    }
}

void FrmTransfer::AddReadingRow() {
    const int row = table_.addReadingRow();
    if (row == 0) return;
    if (MSFlex->rowCount() > 2) MSFlex->scrollToItem(MSFlex->item(row - 1, 0), QAbstractItemView::PositionAtTop);
    if (onReadingAdded) onReadingAdded(table_.grid().row(row).record);
    Button_setzen();
}

void FrmTransfer::FillMSFlexOne() {
    table_.setMemoryTitle(statisticsTitle());
    const int count = table_.fillMSFlexOne();
    if (currentTable == kTableMemory && !fileMode_) downloadedReadings = count;
    Button_setzen();
}

void FrmTransfer::Reset_Statistic() { table_.resetStatistic(); }

void FrmTransfer::UpdateStatistics() {
    if (!ReadingTables::validIndex(readingIndex)) return;
    table_.updateStatistics(Tables.at(currentTable, readingIndex));
}

void FrmTransfer::RecomputeStatistics() {
    table_.setMemoryTitle(statisticsTitle());
    table_.recomputeStatistics();
}

void FrmTransfer::cmdMaterial_Click() { table_.switchMaterial(); }

void FrmTransfer::MSFlex_Click(int row) {
    if (row < 1 || row > table_.grid().rowCount()) return;
    table_.grid().toggleMark(row);
    renderGridRow(row);
}

void FrmTransfer::cmdSort_Click() { table_.sortClicked(); }

void FrmTransfer::cmdFlexZeileLoeschen_Click() {
    table_.setMemoryTitle(statisticsTitle());
    const MeasurementTable::DeleteRowOutcome out = table_.deleteRowClicked();
    if (out.result != MeasurementTable::DeleteRowResult::Deleted) return;
    if (currentTable == kTableOnline) onlineCounter = std::max(1, onlineCounter - out.removedRows);
    RecomputeStatistics();
    Focus_setzen();
    setFocus();
}

void FrmTransfer::cmdFlexTabelleloeschen_Click() {
    table_.setMemoryTitle(statisticsTitle());
    if (!table_.deleteTableClicked()) return;
    cmdChart->setVisible(false);
    if (currentTable == kTableOnline) onlineCounter = 1;
    Button_setzen();
}

void FrmTransfer::setRecordCount(int n) {
    table_.countText = QStringLiteral(" (%1)").arg(n);
    Button_setzen();
}

void FrmTransfer::setAbsoluteStatistics(bool on) { table_.statistics().setAbsoluteSetting(on); }

void FrmTransfer::showTraceStatistics(const TraceSeries& trace) {
    downloadedReadings = trace.count;
    table_.statistics().setTitle(statisticsTitle());
    table_.statistics().showTraceStatistics(trace, deviceUnit);
    statisticsChanged();
}

void FrmTransfer::hideMaterialButton() { cmdMaterial->setVisible(false); }

void FrmTransfer::showMemory(const QString& optionCaption, const QString& memoryLabel) {
    fileMode_ = false;
    fileTitle_.clear();
    optFE->setVisible(true);
    optFE->setText(optionCaption);
    memoryName_ = memoryLabelName(memoryLabel);
    optFE->setToolTip(memoryLabel);
}

void FrmTransfer::setStatusText(const QString& text) { txtSpeicher->setText(text); }

void FrmTransfer::setProgress(int value, int maximum) {
    WaitBar->setMaximum(std::max(1, maximum));
    WaitBar->setValue(std::clamp(value, 0, std::max(1, maximum)));
}

void FrmTransfer::showTraceChart() {
    cmdChart_Click();
    cmdGross_Click();
    picZenu->setVisible(false);
    lstStat->setVisible(false);
    MSChart1->setVisible(true);
    cmdChart->setText(QStringLiteral("Stat"));
    cmdChart->setVisible(true);
    cmdGross->setVisible(true);
    txtMittelwert->setVisible(false);
}

void FrmTransfer::showError(const QString& text) { MsgBox(text, MsgButtons::Ok, MsgIcon::Critical); }

}  // namespace zenu
