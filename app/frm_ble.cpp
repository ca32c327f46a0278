#include "app/frm_ble.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/named_widget.h"
#include "texts/texts.h"
#include "data/gauge_identity.h"
#include "gauge/ble_session.h"
#include "platform/event_wait.h"
#include "platform/prompts.h"

namespace zenu {
namespace {

void caption(QPushButton* button, const QString& text) {
    button->setText(text);
    button->setAccessibleName(text.trimmed());
}

}  // namespace

FrmBle::FrmBle(BleSession& session, QWidget* parent) : QDialog(parent), session_(session) {
    setObjectName(QStringLiteral("BLE"));
    auto* layout = new QVBoxLayout(this);
    Label1 = named(new QLabel, "Label1");
    lbdevices = named(new QListWidget, "lbdevices");
    lbdevices->setMinimumSize(520, 180);
    Label1->setBuddy(lbdevices);
    txtLog = named(new QLabel, "txtLog");
    txtLog->setAccessibleName(QStringLiteral("Status"));
    cmdScan = named(new QPushButton, "cmdScan");
    cmdConnectB = named(new QPushButton, "cmdConnectB");
    cmdReconnect = named(new QPushButton, "cmdReconnect");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdScan);
    buttons->addWidget(cmdConnectB);
    buttons->addWidget(cmdReconnect);
    buttons->addStretch();
    layout->addWidget(Label1);
    layout->addWidget(lbdevices);
    layout->addLayout(buttons);
    layout->addWidget(txtLog);

    connect(cmdScan, &QPushButton::clicked, this, &FrmBle::cmdScan_Click);
    connect(cmdConnectB, &QPushButton::clicked, this, &FrmBle::cmdConnectB_Click);
    connect(cmdReconnect, &QPushButton::clicked, this, &FrmBle::cmdReconnect_Click);
    connect(lbdevices, &QListWidget::itemDoubleClicked, this, [this] {
        if (cmdConnectB->text() == C(50)) cmdConnectB_Click();
    });

    connect(&session_, &BleSession::scanStarted, this, [this] {
        caption(cmdScan, M(55));
        txtLog->setText(QStringLiteral("Scanning ..."));
    });
    connect(&session_, &BleSession::scanFailed, this, [](const QString& message) { MsgBox(message); });
    connect(&session_, &BleSession::deviceListed, this, [this](const QString& entry) { lbdevices->addItem(entry); });
    connect(&session_, &BleSession::statusText, txtLog, &QLabel::setText);
    connect(&session_, &BleSession::linkUp, this, &FrmBle::onLinkUp);
    connect(&session_, &BleSession::linkDown, this, &FrmBle::onLinkDown);
    connect(&session_, &BleSession::disconnectedByUser, this, &FrmBle::onDisconnectedByUser);
    connect(&session_, &BleSession::reconnectOffered, this, &FrmBle::onReconnectOffered);
}

bool FrmBle::Form_Load() {
    ApplyLanguage();
    caption(cmdScan, M(101));
    caption(cmdConnectB, C(50));
    cmdReconnect->setVisible(false);
    QString error;
    if (!session_.open(&error)) {
        txtLog->setText(M(107) + error);
        MsgBox(M(107) + error, MsgButtons::Ok, MsgIcon::Critical);
        return false;
    }
    return true;
}

void FrmBle::ApplyLanguage() {
    setWindowTitle(M(93));
    Label1->setText(M(79));
    lbdevices->setAccessibleName(M(79));
    if (!session_.Connected) caption(cmdConnectB, C(50));
    else caption(cmdConnectB, C(52));
    if (!session_.scanning()) caption(cmdScan, M(101));
    if (cmdReconnect->isVisible()) caption(cmdReconnect, M(100) + DeviceName);
}

void FrmBle::cmdScan_Click() {
    if (cmdScan->text() != M(101)) {
        caption(cmdScan, M(101));
        session_.stopScan();
        return;
    }
    lbdevices->clear();
    session_.startScan();
}

void FrmBle::cmdConnectB_Click() {
    if (cmdConnectB->text() != C(50)) {
        session_.BLEDisconnect();
        lbdevices->setEnabled(true);
        return;
    }
    session_.stopScan();
    caption(cmdScan, M(101));
    platform::waitFor(std::chrono::milliseconds(500));
    if (DeviceAddress.isEmpty()) {
        QListWidgetItem* chosen = lbdevices->currentItem();
        if (!chosen || !chosen->isSelected()) {
            MsgBox(M(79) + QLatin1Char('\n'));
            return;
        }
        BleSession::chooseEntry(chosen->text());
        txtLog->setText(M(77));
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    busy_ = true;
    session_.resetReconnectAttempts();
    session_.connectDevice();
    restoreCursor();
    lbdevices->setEnabled(true);
}

void FrmBle::cmdReconnect_Click() {
    session_.resetReconnectAttempts();
    session_.Reconnect();
}

void FrmBle::restoreCursor() {
    if (!busy_) return;
    busy_ = false;
    QApplication::restoreOverrideCursor();
}

void FrmBle::onLinkUp() {
    cmdReconnect->setVisible(false);
    caption(cmdConnectB, C(52));
    cmdScan->setEnabled(false);
    restoreCursor();
    hide();
    if (isModal()) accept();
}

void FrmBle::onLinkDown() {
    cmdScan->setEnabled(true);
    caption(cmdScan, M(101));
    caption(cmdConnectB, C(50));
}

void FrmBle::onDisconnectedByUser() {
    lbdevices->clear();
    caption(cmdConnectB, C(50));
    cmdScan->setEnabled(true);
    Label1->setText(M(79));
}

void FrmBle::onReconnectOffered(const QString& text) {
    caption(cmdConnectB, C(50));
    caption(cmdReconnect, text);
    cmdReconnect->setVisible(true);
    restoreCursor();
}

}  // namespace zenu
