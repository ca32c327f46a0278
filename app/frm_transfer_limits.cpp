// The limits button and dialog, and the project button and dialog of the main window.
#include <QPushButton>

#include "app/dialogs/frm_projekt.h"
#include "app/dialogs/frm_werte.h"
#include "app/frm_transfer.h"
#include "app/settings.h"
#include "texts/texts.h"
#include "data/gauge_identity.h"
#include "data/limits.h"
#include "data/limits_input.h"

namespace zenu {

FrmWerte* FrmTransfer::frmWerte() {
    if (!frmWerte_) frmWerte_ = new FrmWerte(this);
    return frmWerte_;
}

FrmProjekt* FrmTransfer::frmProjekt() {
    if (!frmProjekt_) {
        frmProjekt_ = new FrmProjekt(this);
        frmProjekt_->saveProject = [] { Voreinstellungen(QStringLiteral("PS")); };
    }
    return frmProjekt_;
}

void FrmTransfer::ShowLimitsOnButton() {
    cmdWerte->setText(limitsButtonCaption(Limits, DeviceCode.trimmed(), LanguageIndex));
}

void FrmTransfer::cmdWerte_Click() {
    Limits.LimitsSaved = false;
    FrmWerte* dialog = frmWerte();
    dialog->Form_Activate();
    showDialog(*dialog);
    ShowLimitsOnButton();
}

void FrmTransfer::cmdWerte_LostFocus() {
    if (Limits.LimitsSaved) {
        Limits.LimitsSaved = false;
        Voreinstellungen(QStringLiteral("LS"));
        // The table shows the new limit colours and 80/20 verdict.
        Focus_setzen();
    }
    ShowLimitsOnButton();
}

void FrmTransfer::cmdProjekt_Click() {
    Voreinstellungen(QStringLiteral("PI"));
    Voreinstellungen(QStringLiteral("PL"));
    FrmProjekt* dialog = frmProjekt();
    dialog->Form_Activate();
    showDialog(*dialog);
}

}  // namespace zenu
