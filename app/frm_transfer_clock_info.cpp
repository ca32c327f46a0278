// The gauge's clock and information entries of the main window, and its battery symbol.
#include <QAction>
#include <QLabel>

#include "app/battery_icon.h"
#include "app/dialogs/frm_info.h"
#include "app/dialogs/frm_time.h"
#include "app/frm_transfer.h"
#include "texts/texts.h"
#include "gauge/gauge_link.h"
#include "gauge/handshake_state.h"
#include "platform/prompts.h"

namespace zenu {

void FrmTransfer::mnuSetTime_Click() {
    // The menu item is only offered for gauges with a clock; without a session there is
    // nothing to ask.
    if (!link_) return;
    FrmTime dialog(*link_, link_->waitFunction(), this);
    showDialog(dialog);
}

void FrmTransfer::mnuInfo_Click() {
    if (!DeviceInfo.hardwareInfo.isEmpty() || ConnectionChecked) {
        FrmInfo dialog(this);
        dialog.Form_Activate();
        showDialog(dialog);
        return;
    }
    const QString caption = windowTitle().isEmpty() ? programTitle() : windowTitle();
    MsgBox(caption, MsgButtons::Ok, MsgIcon::Information, QStringLiteral("Version"));
}

void FrmTransfer::showBatterySymbol(const BatterySymbol& symbol) {
    showBatteryIcon(BattIcon, symbol);
    BattIcon->setAccessibleName(M(73));
    // A gauge without a reading hides the symbol of the one before it.
    BattIcon->setVisible(symbol.shown);
    lblBatterie->setVisible(symbol.shown);
}

}  // namespace zenu
