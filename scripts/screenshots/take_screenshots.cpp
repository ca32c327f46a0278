// Takes the README's screenshots of the program on the demo scenario: the connection dialog
// with its device list, and the main window after a memory read. Run under Xvfb:
//   CORVEL_BLUETOOTH=sim:sim/scenarios/demo.json xvfb-run -a build/bin/zenu_screenshots docs
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <cstdio>

#include "app/frm_ble.h"
#include "app/frm_transfer.h"
#include "data/gauge_identity.h"
#include "gauge/ble_session.h"
#include "platform/event_wait.h"
#include "platform/localefmt.h"
#include "platform/paths.h"
#include "platform/prompts.h"

using namespace zenu;
using namespace std::chrono_literals;

int main(int argc, char** argv) {
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/config")).toUtf8());
    qputenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/data")).toUtf8());
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs");
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));

    BleSession session;
    FrmTransfer window;
    window.Form_Load();
    window.English_Click();
    window.attachSession(&session);
    window.show();
    const QString address = QStringLiteral("C47F51005001");
    window.runDialog = [&](QDialog& dialog) {
        auto* ble = qobject_cast<FrmBle*>(&dialog);
        if (!ble) return;
        ble->show();
        ble->cmdScan_Click();
        platform::waitFor(2500ms);
        for (int i = 0; i < ble->lbdevices->count(); ++i)
            if (ble->lbdevices->item(i)->text().contains(address)) ble->lbdevices->setCurrentRow(i);
        platform::waitFor(300ms);
        ble->grab().save(out + QStringLiteral("/connection-dialog.png"));
        ble->cmdConnectB_Click();
    };
    window.cmdConnect_Click();
    if (!session.Connected) {
        std::fprintf(stderr, "no connection\n");
        return 1;
    }
    window.cmbSpeicher->setCurrentIndex(0);
    window.cmdLesen_Click();
    platform::waitFor(200ms);
    window.grab().save(out + QStringLiteral("/main-window-memory.png"));
    session.BLEDisconnect();
    return 0;
}
