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
#include <QStyle>
#include <QTableWidget>
#include <algorithm>
#include <array>

#include "app/frm_transfer.h"
#include "texts/texts.h"
#include "data/gauge_identity.h"
#include "data/limits.h"
#include "data/trace_series.h"
#include "platform/localefmt.h"
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

// Width of a cell that shows text whole: the style's text margins on both sides and the grid line.
int cellWidthFor(const QTableWidget& grid, const QString& text) {
    const int margin = grid.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &grid) + 1;
    return QFontMetrics(grid.font()).horizontalAdvance(text) + 2 * margin + (grid.showGrid() ? 1 : 0);
}

// The widest texts each column can get: date and time in the user's forms (morning and
// afternoon, for locales that name them), a 7-digit number, an 11-character value, the longest
// unit with a method.
std::array<QString, kGridColumns> widestGridCells() {
    const QDate date(2024, 12, 28);
    QString dateTime;
    for (const QTime& time : {QTime(10, 58, 58), QTime(23, 58, 58)}) {
        const QString text = platform::formatDate(date) + QLatin1Char(' ') + platform::formatTime(time);
        if (text.size() > dateTime.size()) dateTime = text;
    }
    return {dateTime, QStringLiteral("8888888"), QStringLiteral("-888888") + DecimalSeparator + QStringLiteral("888"),
            QStringLiteral("mWb\u00B7cm DNF")};
}

}  // namespace

void FrmTransfer::SetupGrid() {
    MSFlex->setColumnCount(kGridColumns);
    MSFlex->setFont(gridFont());
    const QFontMetrics metrics(MSFlex->font());
    MSFlex->verticalHeader()->setDefaultSectionSize(metrics.height() + 6);
    MSFlex->horizontalHeader()->setStretchLastSection(true);
    table_.grid().setup(Tables.at(currentTable, 1).dateText);
    renderGridHeaders();
    // The widths of old were made for a narrower font than the fallbacks found here: they stay
    // the minimum, but no column may cut its widest cell or its header.
    const std::array<QString, kGridColumns> widest = widestGridCells();
    QHeaderView* header = MSFlex->horizontalHeader();
    for (int c = 0; c < kGridColumns; ++c)
        MSFlex->setColumnWidth(c, std::max({gridColumnWidthPixels(c), cellWidthFor(*MSFlex, widest[c]),
                                            header->sectionSizeHint(c)}));
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
    fitStatisticsList();
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

void FrmTransfer::fitStatisticsList() {
    // A line of the list at its widest: label, an 11-character value, the longest unit. Wider
    // lines (a long file name as the title) widen it up to half as much again, then it scrolls.
    const QString widest = QStringLiteral("Std.Abw.     -888888") + DecimalSeparator +
                           QStringLiteral("888    mWb\u00B7cm");
    const QFontMetrics metrics(lstStat->font());
    int text = metrics.horizontalAdvance(widest);
    const int limit = text * 3 / 2;
    for (int i = 0; i < lstStat->count(); ++i)
        text = std::max(text, std::min(limit, metrics.horizontalAdvance(lstStat->item(i)->text())));
    const QStyle* style = lstStat->style();
    const int margins = 2 * (style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, lstStat) + 1) +
                        2 * lstStat->frameWidth() + style->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, lstStat);
    const int width = std::max(kStatisticsListWidth, text + margins);
    lstStat->setMinimumWidth(width);
    MSChart1->setMinimumWidth(width);  // the chart takes the list's place at the list's width
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
