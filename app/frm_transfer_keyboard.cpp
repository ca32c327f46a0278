// The main window's keyboard events: the menu entry, the dialog, the start of the target
// application and each online reading typed into it.
#include <QAction>
#include <QMenu>

#include "app/dialogs/frm_tastatur.h"
#include "app/frm_transfer.h"
#include "app/settings.h"
#include "platform/prompts.h"
#include "texts/texts.h"

namespace zenu {

namespace {

QString unsupportedText(platform::KeyOutputSupport support) {
    return support == platform::KeyOutputSupport::WaylandOnly ? M(181) : M(182);
}

}  // namespace

void FrmTransfer::initKeyEvents() {
    keySender_ = std::make_unique<KeySender>(platform::createKeyboardOutput());
    keySender_->setProblemHandler(
        [](KeySender::Problem problem, platform::KeyOutputSupport support, const QString& detail) {
            switch (problem) {
            case KeySender::Problem::TargetGone:
                MsgBox(M(180).arg(detail), MsgButtons::Ok, MsgIcon::Warning);
                break;
            case KeySender::Problem::StartFailed:
                MsgBox(M(183).arg(KeyEvents.KeyTargetPath, detail), MsgButtons::Ok, MsgIcon::Warning);
                break;
            case KeySender::Problem::Unsupported:
                MsgBox(unsupportedText(support), MsgButtons::Ok, MsgIcon::Information);
                break;
            }
        });
    onReadingAdded = [this](const MeasurementRecord& reading) { keySender_->send(reading, currentTable); };
    connect(mnuTastaturevent, &QAction::triggered, this, &FrmTransfer::mnuTastaturevent_Click);

    // Where keys cannot reach other programs the entry stays, and says why (in the language
    // of the moment, hence on hovering).
    const auto explain = [this] {
        const platform::KeyOutputSupport support = keySender_->support();
        const QString why = support == platform::KeyOutputSupport::Available ? QString() : unsupportedText(support);
        mnuTastaturevent->setToolTip(why);
        mnuTastaturevent->setStatusTip(why);
        mnuTastaturevent->setWhatsThis(why);
    };
    explain();
    mnuExtras->setToolTipsVisible(true);
    connect(mnuTastaturevent, &QAction::hovered, this, explain);
}

FrmTastatur* FrmTransfer::frmTastatur() const { return frmTastatur_; }

void FrmTransfer::mnuTastaturevent_Click() {
    const platform::KeyOutputSupport support = keySender_->support();
    if (support != platform::KeyOutputSupport::Available) {
        MsgBox(unsupportedText(support), MsgButtons::Ok, MsgIcon::Information);
        return;
    }
    Voreinstellungen(QStringLiteral("TL"));
    if (!frmTastatur_) {
        frmTastatur_ = new FrmTastatur(this);
        frmTastatur_->saveSettings = [] { Voreinstellungen(QStringLiteral("TS")); };
        frmTastatur_->startTarget = [this] { startKeyboardEventTarget(); };
        // Unloaded on OK and when closed by its frame, which discards the changes.
        connect(frmTastatur_, &QDialog::finished, frmTastatur_, &QObject::deleteLater);
    }
    frmTastatur_->Form_Activate();
    frmTastatur_->show();
    frmTastatur_->raise();
    frmTastatur_->activateWindow();
}

void FrmTransfer::startKeyboardEventTarget() { keySender_->startTarget(); }

}  // namespace zenu
