// The main window's side of the gauge link: the connect button by its caption, the connection
// check, the memory list and reads, and live readings.
#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>

#include "app/frm_ble.h"
#include "app/frm_transfer.h"
#include "app/main_connection_host.h"
#include "app/main_download_host.h"
#include "app/settings.h"
#include "texts/texts.h"
#include "data/gauge_identity.h"
#include "data/measurement_record.h"
#include "gauge/ble_session.h"
#include "gauge/connection_init.h"
#include "gauge/gauge_commands.h"
#include "gauge/handshake_state.h"
#include "gauge/online_reading.h"
#include "gauge/value_handler.h"
#include "platform/prompts.h"
#include "platform/translog.h"

namespace zenu {
namespace {

QChar family() { return profileChar(1); }

}  // namespace

// ---------------------------------------------------------------- download host

void MainDownloadHost::Block_Buttons() { w_.Block_Buttons(); }
void MainDownloadHost::Unblock_Buttons() { w_.Unblock_Buttons(); }

void MainDownloadHost::prepareMemoryTable() {
    w_.lstStat->clear();
    w_.lstStat->setVisible(true);
    w_.Reset_Statistic();
    currentTable = kTableMemory;
    ClearReadingTable(kTableMemory);
    readingIndex = 1;
    w_.FillMSFlexOne();
    w_.Button_setzen_Init();
}

void MainDownloadHost::setProgress(int value, int maximum) { w_.setProgress(value, maximum); }

void MainDownloadHost::showMemoryCaption(const QString& caption, const QString& memoryName) {
    w_.optFE->setText(caption);
    w_.optFE->setVisible(true);
    w_.MemoryNumber4 = memoryName;
}

void MainDownloadHost::memoryEmpty() {
    w_.txtSpeicher->setVisible(true);
    w_.txtSpeicher->setText(M(33));
}

void MainDownloadHost::memoryEntryUpdated(const QString& entry) {
    const int index = w_.cmbSpeicher->currentIndex();
    if (index >= 0) w_.cmbSpeicher->setItemText(index, entry);
}

void MainDownloadHost::focusMemoryTable() {
    // The statistics title names the memory with the count just read.
    w_.SetMemoryTitle();
    w_.optFE->setVisible(true);
    w_.optFE->setFocus();
    w_.optFE_Click();
}

void MainDownloadHost::switchToOnline() { w_.optOnline_Click(); }

void MainDownloadHost::message(const QString& text) { MsgBox(text); }

ReadingSink& MainDownloadHost::sink() { return w_; }

// ---------------------------------------------------------------- the session

void FrmTransfer::attachSession(BleSession* session) {
    session_ = session;
    setGaugeLink(session);
    if (!connectionHost_) connectionHost_ = std::make_unique<MainConnectionHost>(*this);
    if (!downloadHost_) downloadHost_ = std::make_unique<MainDownloadHost>(*this);
    delete frmBle_;
    frmBle_ = nullptr;
    if (!session) {
        setLiveReadingHandler({});
        return;
    }
    frmBle_ = new FrmBle(*session, this);
    frmBle_->setModal(true);
    frmBle_->Form_Load();
    setLiveReadingHandler([this](const QString& value) { onLiveReading(value); });

    connect(session, &BleSession::linkUp, this, [this] {
        if (!session_->WentOffline) cmbSpeicher->setVisible(false);
        cmdRefresh->setVisible(false);
        cmdConnect->setText(C(52));
        cmdConnect->setVisible(true);
        picBthBlitz->setVisible(false);
        picBth->setVisible(true);
        txtWait->setText(C(53));
        repaint();
    });
    connect(session, &BleSession::linkDown, this, [this](bool offline) {
        picBth->setVisible(false);
        picBthBlitz->setVisible(true);
        if (offline) {
            cmdConnect->setText(C(54));
            cmdConnect->setVisible(true);
            txtWait->setText(M(72));
        }
    });
    connect(session, &BleSession::disconnectedByUser, this, [this] {
        cmdConnect->setText(C(50));
        cmdConnect->setVisible(true);
        picBthBlitz->setVisible(true);
        picBth->setVisible(true);
        txtWait->setText(C(51));
        txtWait->setVisible(true);
    });
    connect(session, &BleSession::reconnecting, this, [this] { cmdConnect->setVisible(false); });
    connect(session, &BleSession::reconnectOffered, this, [this] {
        // Without the dialog on screen, the main window must still offer the way back.
        if (frmBle_ && frmBle_->isVisible()) return;
        cmdConnect->setText(C(54));
        cmdConnect->setVisible(true);
    });
    connect(session, &BleSession::controlError, this, [](int code, const QString& description) {
        MsgBox(M(102) + QString::number(code) + QLatin1Char(' ') + description, MsgButtons::Ok, MsgIcon::Critical);
    });
    connect(cmdConnect, &QPushButton::clicked, this, &FrmTransfer::cmdConnect_Click, Qt::UniqueConnection);
    connect(cmdLesen, &QPushButton::clicked, this, &FrmTransfer::cmdLesen_Click, Qt::UniqueConnection);
    connect(cmdRefresh, &QPushButton::clicked, this, &FrmTransfer::cmdRefresh_Click, Qt::UniqueConnection);
}

void FrmTransfer::cmdConnect_Click() {
    if (!session_ || !frmBle_) return;
    const QString caption = cmdConnect->text();
    if (caption == C(52)) {
        session_->BLEDisconnect();
        DeviceAddress.clear();
        return;
    }
    if (caption == C(54)) {
        session_->resetReconnectAttempts();
        session_->Reconnect();
        if (session_->waitConnected(reconnectTimeout)) loadMemoryList();
        return;
    }

    frmBle_->cmdReconnect->setVisible(false);
    frmBle_->ApplyLanguage();
    showDialog(*frmBle_);
    if (!session_->Connected) return;  // the dialog was closed without a gauge

    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool initialised =
        Initialisierung(*session_, session_->waitFunction(), *connectionHost_, session_->replyTimeoutMs());
    Unblock_Buttons();
    if (Verbindungscheck() && initialised) {
        ShowMemoryControls();
        Voreinstellungen(QStringLiteral("PI"));
        Voreinstellungen(QStringLiteral("LL"));
        if (family() == QLatin1Char('4') || family() == QLatin1Char('5')) optOnline_Click();
        loadMemoryList();
        Unblock_Buttons();
    }
    ShowLimitsOnButton();
    QApplication::restoreOverrideCursor();
}

bool FrmTransfer::Verbindungscheck() {
    const bool linked = session_ && session_->Connected;
    if (linked) {
        txtWait->setText(C(53));
        txtWait->setVisible(true);
        optOnline->setEnabled(true);
        cmdOpen->setEnabled(true);
        txtSpeicher->setVisible(true);
        const bool bluetooth = profileChar(2) == QLatin1Char('L');
        picBth->setVisible(bluetooth);
        picUsb->setVisible(!bluetooth);
        cmdLesen->setVisible(true);
    } else {
        cmdConnect->setText(C(50));
        txtWait->setText(C(55));
        optOnline->setEnabled(false);
        cmdConnect->setFocus();
        txtSpeicher->setVisible(false);
        picBth->setVisible(false);
        picUsb->setVisible(false);
    }
    ConnectionChecked = linked;
    return linked;
}

void FrmTransfer::loadMemoryList() {
    if (!session_) return;
    QStringList entries;
    MemoryDownload download(*session_, *downloadHost_);
    download.memoryList(entries);
    cmbSpeicher->clear();
    cmbSpeicher->addItems(entries);
    cmbSpeicher->setVisible(true);
    cmdRefresh->setVisible(true);
    if (entries.isEmpty()) {
        if (family() != QLatin1Char('5')) cmbSpeicher->setEditText(M(47));
    } else {
        cmbSpeicher->setCurrentIndex(0);
    }
}

void FrmTransfer::cmdRefresh_Click() {
    if (!session_ || !session_->Connected) return;
    Block_Buttons();
    if (family() == QLatin1Char('5'))
        session_->request(commands::probeInformation(), GaugeReply::ProbeInfoReply);
    loadMemoryList();
    Unblock_Buttons();
}

void FrmTransfer::cmdLesen_Click() {
    if (!session_) return;
    frmwait->setVisible(true);
    Waitmessage->setText(M(13));
    Waitmessage->setVisible(true);
    frmwait->repaint();
    WaitBar->setValue(0);
    MemoryDownload download(*session_, *downloadHost_);
    const DownloadResult result = download.readSelected(cmbSpeicher->currentText());
    if (family() == QLatin1Char('5') && result.status != DownloadResult::Status::NothingChosen) {
        downloadedReadings = result.read;
        SetMemoryTitle();
    }
    frmwait->setVisible(false);
}

void FrmTransfer::onLiveReading(const QString& value) {
    const OnlineResult r = takeOnlineReading(value, *this, [this] { optOnline_Click(); }, firmwareFlag);
    if (r.tableFull) MsgBox(M(53) + QLatin1Char(' ') + QString::number(kMaxOnlineReadings));
    txtSpeicher->setVisible(true);
    txtSpeicher->setText(onlineDisplayText(r.lastLine, firmwareFlag, family(), deviceUnit));
    txtSpeicher->repaint();
    if (MSFlex->rowCount() > 2) {
        if (QTableWidgetItem* last = MSFlex->item(MSFlex->rowCount() - 1, 0))
            MSFlex->scrollToItem(last, QAbstractItemView::PositionAtTop);
    }
    for (QWidget* w : {static_cast<QWidget*>(cmdprint), static_cast<QWidget*>(cmdWord),
                       static_cast<QWidget*>(cmdClipboard), static_cast<QWidget*>(cmdExcel)})
        w->setVisible(true);
    Unblock_Buttons();
    if (r.switchedTable) optOnline->setFocus();
}

}  // namespace zenu
