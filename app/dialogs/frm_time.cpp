#include "app/dialogs/frm_time.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include "texts/texts.h"
#include "gauge/gauge_commands.h"
#include "gauge/gauge_link.h"
#include "platform/event_wait.h"
#include "platform/translog.h"

namespace zenu {

FrmTime::FrmTime(GaugeLink& link, WaitFunction wait, QWidget* parent)
    : QDialog(parent), link_(link), wait_(std::move(wait)) {
    setObjectName(QStringLiteral("frmTime"));
    setModal(true);
    clock = [] { return QDateTime::currentDateTime(); };
    pause = [](int ms) { platform::waitFor(std::chrono::milliseconds(ms)); };

    auto* grid = new QGridLayout(this);
    lblDateTime = new QLabel;
    lblDateTime->setObjectName(QStringLiteral("lblDateTime"));
    txtDateTime = new QLineEdit;
    txtDateTime->setObjectName(QStringLiteral("txtDateTime"));
    txtDateTime->setReadOnly(true);  // overwritten by every reply
    txtDateTime->setMinimumWidth(220);
    lblDateTime->setBuddy(txtDateTime);
    cmdAkt = new QPushButton;
    cmdAkt->setObjectName(QStringLiteral("cmdAkt"));
    cmdAkt->setAutoDefault(false);
    lblDatelog = new QLabel;
    lblDatelog->setObjectName(QStringLiteral("lblDatelog"));
    lblDatelog->setWordWrap(true);
    grid->addWidget(lblDateTime, 0, 0);
    grid->addWidget(txtDateTime, 0, 1);
    grid->addWidget(cmdAkt, 0, 2);
    grid->addWidget(lblDatelog, 1, 0, 1, 3);

    connect(cmdAkt, &QPushButton::clicked, this, &FrmTime::cmdAkt_Click);
    ApplyLanguage();
}

void FrmTime::ApplyLanguage() {
    setWindowTitle(programTitle());
    lblDateTime->setText(M(46));
    txtDateTime->setAccessibleName(M(46));
    cmdAkt->setText(M(85));
    cmdAkt->setAccessibleName(M(85));
}

void FrmTime::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // After the window is up, from the dialog's own event loop, so the loop's waits run
    // inside it and closing the dialog unwinds them.
    if (!event->spontaneous() && !running_)
        QTimer::singleShot(0, this, [this] {
            if (isVisible() && !running_ && !finishing_) Form_Activate();
        });
}

void FrmTime::Form_Activate() {
    stop_ = false;
    lblDatelog->clear();
    ApplyLanguage();
    if (link_.isSubscribed() && !link_.unsubscribeReadings())
        WriteLog(QStringLiteral("Uhrzeit: Messwerte konnten nicht abgeschaltet werden"));
    runClockLoop();
}

void FrmTime::runClockLoop() {
    if (running_) return;
    QPointer<FrmTime> self(this);
    running_ = true;
    while (!stop_) {
        CommandTransport* transport = link_.commandTransport();
        clearReplySeen(GaugeReply::Clock);
        if (!transport || !sendCommand(*transport, commands::readClock())) {
            WriteLog(QStringLiteral("Uhrzeit: Gerät nicht verfügbar"));
            lblDatelog->setText(M(29));
            break;
        }
        // Escape, cmdAkt and closing set the stop flag from inside this wait.
        wait_([this] { return replySeen(GaugeReply::Clock) || stop_; }, replyTimeoutMs_);
        if (!self) return;
        if (stop_) break;
        if (!replySeen(GaugeReply::Clock)) {
            // Waiting on would hang the dialog on a gauge that went away.
            WriteLog(QStringLiteral("Uhrzeit: keine Antwort auf $glt! nach %1 ms").arg(replyTimeoutMs_));
            lblDatelog->setText(M(120));
            break;
        }
        txtDateTime->setText(ResponseText);
        pause(100);
        if (!self) return;
    }
    running_ = false;
    emit clockLoopEnded();
}

void FrmTime::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        stop_ = true;
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void FrmTime::readingsOnAgain() {
    if (link_.isSubscribed() || !link_.isConnected()) return;
    if (!link_.subscribeReadings()) WriteLog(QStringLiteral("Uhrzeit: Messwerte konnten nicht eingeschaltet werden"));
}

void FrmTime::cmdAkt_Click() {
    if (finishing_) return;
    QPointer<FrmTime> self(this);
    finishing_ = true;
    cmdAkt->setEnabled(false);
    stop_ = true;
    pause(200);
    if (!self) return;
    const QDateTime now = clock();
    CommandTransport* transport = link_.commandTransport();
    // The gauge does not answer "$slt"; the write itself is all there is to check.
    const bool written = transport && sendCommand(*transport, commands::setClock(now));
    pause(200);
    if (!self) return;
    if (!written) {
        WriteLog(QStringLiteral("Uhrzeit konnte nicht gesetzt werden"));
        lblDatelog->setText(M(121));
        cmdAkt->setEnabled(true);
        finishing_ = false;
        return;
    }
    txtDateTime->setText(commands::clockText(now));
    lblDatelog->setText(M(80));
    pause(1000);
    if (!self) return;
    readingsOnAgain();
    cmdAkt->setEnabled(true);
    finishing_ = false;
    QDialog::accept();
}

void FrmTime::reject() {
    if (finishing_) return;
    QPointer<FrmTime> self(this);
    finishing_ = true;
    stop_ = true;
    pause(800);
    if (!self) return;
    readingsOnAgain();
    finishing_ = false;
    QDialog::reject();
}

}  // namespace zenu
