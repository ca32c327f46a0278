#pragma once
// The connection dialog BLE: scan for gauges, pick one, connect. Shown modally while the user
// chooses; the session it shows (and the control inside it) lives on while it is hidden.
#include <QDialog>

class QLabel;
class QListWidget;
class QPushButton;

namespace zenu {

class BleSession;

class FrmBle : public QDialog {
    Q_OBJECT
public:
    explicit FrmBle(BleSession& session, QWidget* parent = nullptr);

    // Creates the control and sets the captions. False (with a message) without a control.
    bool Form_Load();
    void ApplyLanguage();
    void cmdScan_Click();
    void cmdConnectB_Click();
    void cmdReconnect_Click();

    QListWidget* lbdevices = nullptr;
    QPushButton* cmdScan = nullptr;
    QPushButton* cmdConnectB = nullptr;
    QPushButton* cmdReconnect = nullptr;
    QLabel* txtLog = nullptr;
    QLabel* Label1 = nullptr;

private:
    void onLinkUp();
    void onLinkDown();
    void onDisconnectedByUser();
    void onReconnectOffered(const QString& caption);
    void restoreCursor();

    BleSession& session_;
    bool busy_ = false;
};

}  // namespace zenu
