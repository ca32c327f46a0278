// Main window state: memory controls and title, option captions, table options, the wait
// routine and the language switch.
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>

#include "app/frm_ble.h"
#include "app/frm_transfer.h"
#include "gauge/gauge_link.h"
#include "app/settings.h"
#include "texts/texts.h"
#include "data/gauge_identity.h"
#include "data/option_caption.h"
#include "platform/event_wait.h"

namespace zenu {

namespace {

QString family() { return QString(profileChar(1)).trimmed(); }

}  // namespace

void FrmTransfer::ShowMemoryControls() {
    cmdLesen->setText(M(30));
    const QString f = family();
    if (f == QLatin1String("4") || f == QLatin1String("5")) {
        cmdLesen->setVisible(true);
        cmbSpeicher->setVisible(true);
        cmdRefresh->setVisible(true);
        optFE->setVisible(false);
    }
    SetMemoryTitle();
}

void FrmTransfer::SetMemoryTitle() {
    if (family() == QLatin1String("5")) {
        const QString entry = cmbSpeicher->currentText().trimmed();
        const int index = cmbSpeicher->currentIndex();
        if (index >= 0 && cmbSpeicher->itemText(index) != entry) cmbSpeicher->setItemText(index, entry);
        memoryTitle = M(32) + QLatin1Char(' ') + entry + QStringLiteral(" (") + QString::number(downloadedReadings) +
                      QLatin1Char(')');
    } else {
        memoryTitle = M(32) + QLatin1Char(' ') + MemoryNumber4;
    }
    table_.setMemoryTitle(statisticsTitle());
}

QString FrmTransfer::statisticsTitle() const {
    // A table opened from a file is named after the file (until a memory is read).
    return fileTitle_.isEmpty() ? memoryTitle : fileTitle_;
}

void FrmTransfer::Button_setzen_Init() {
    if (currentTable == kTableMemory) {
        // Table 0 is being filled from the gauge: it no longer shows a file.
        fileTitle_.clear();
        fileMode_ = false;
    }
    SetMemoryTitle();
    if (currentTable == kTableMemory) optFE->setText(memoryTitle + QStringLiteral(" (0)"));
    else if (currentTable == kTableOnline) optOnline->setText(M(8) + QStringLiteral(" (0)"));
}

void FrmTransfer::Button_setzen() {
    if (currentTable == kTableMemory) {
        // Only the count we appended is replaced: "Messung (2).mes (5)" keeps its own brackets.
        const QString caption = optFE->text();
        if (!captionCount(caption).isEmpty()) optFE->setText(captionTitle(caption) + table_.countText);
    } else if (currentTable == kTableOnline) {
        optOnline->setText(M(8) + table_.countText);
    }
    table_.countText = QStringLiteral(" (0)");
}

void FrmTransfer::Focus_setzen() {
    if (currentTable == kTableMemory) optFE_Click();
    else if (currentTable == kTableOnline) optOnline_Click();
}

void FrmTransfer::Delay(double seconds) { platform::Delay(seconds); }

void FrmTransfer::optOnline_Click() {
    if (txtSpeicher->text().isEmpty()) txtSpeicher->setText(M(42));
    cmdChart->setVisible(false);
    cmdGross->setVisible(false);
    txtMittelwert->setVisible(false);
    currentTable = kTableOnline;
    Reset_Statistic();
    lstStat->clear();
    FillMSFlexOne();
    for (QWidget* w : {static_cast<QWidget*>(cmdprint), static_cast<QWidget*>(cmdWord),
                       static_cast<QWidget*>(cmdClipboard), static_cast<QWidget*>(cmdExcel),
                       static_cast<QWidget*>(MSFlex)})
        w->setVisible(true);
    Unblock_Buttons();
    optOnline->setChecked(true);
}

void FrmTransfer::optFE_Click() {
    GaugeLink* link = gaugeLink();
    if (link && link->isSubscribed()) link->unsubscribeReadings();
    cmdStop->setVisible(false);
    txtSpeicher->setText(M(42));
    cmdChart->setVisible(false);
    cmdGross->setVisible(false);
    txtMittelwert->setVisible(false);
    for (QWidget* w : {static_cast<QWidget*>(cmdprint), static_cast<QWidget*>(cmdWord),
                       static_cast<QWidget*>(cmdClipboard), static_cast<QWidget*>(cmdExcel)})
        w->setVisible(true);
    Unblock_Buttons();
    Reset_Statistic();
    lstStat->clear();
    currentTable = kTableMemory;
    FillMSFlexOne();
    lstStat->setVisible(true);
    MSFlex->setVisible(true);
    Unblock_Buttons();
    // Live readings flow again (they were switched off above, or never on).
    if (link && link->isConnected() && !link->isSubscribed()) link->subscribeReadings();
    optFE->setChecked(true);
}

void FrmTransfer::setFileModeButtons() {
    fileMode_ = true;
    for (QWidget* w : {static_cast<QWidget*>(FrameWerte), static_cast<QWidget*>(FrameStatistik),
                       static_cast<QWidget*>(FrameBefehle), static_cast<QWidget*>(cmdProjekt),
                       static_cast<QWidget*>(cmdWerte), static_cast<QWidget*>(optFE),
                       static_cast<QWidget*>(cmdprint), static_cast<QWidget*>(cmdWord),
                       static_cast<QWidget*>(cmdClipboard), static_cast<QWidget*>(cmdExcel)})
        w->setVisible(true);
    Unblock_Buttons();
    optFE->setChecked(true);
    table_.setMemoryTitle(statisticsTitle());
}

void FrmTransfer::switchLanguage(int language) {
    LanguageIndex = language;
    ApplyLanguage();
    SetupGrid();
    // A family "4" memory caption follows the language: new title, old count. A file's caption
    // is its name and stays.
    const QString count = captionCount(optFE->text());
    SetMemoryTitle();
    if (family() == QLatin1String("4") && fileTitle_.isEmpty() && !count.isEmpty())
        optFE->setText(memoryTitle + count);
    if (frmBle_) frmBle_->ApplyLanguage();
    Voreinstellungen(QStringLiteral("SS"));
    Voreinstellungen(QStringLiteral("PI"));
    ShowLimitsOnButton();
    if (ConnectionChecked) Focus_setzen();
    setLanguageChecks();
}

}  // namespace zenu
