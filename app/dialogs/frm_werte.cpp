#include "app/dialogs/frm_werte.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "app/named_widget.h"
#include "texts/texts.h"
#include "data/gauge_identity.h"
#include "platform/prompts.h"

namespace zenu {

namespace {

int slot(LimitField field) { return field == LimitField::Min ? 0 : field == LimitField::Max ? 1 : 2; }

}  // namespace

FrmWerte::FrmWerte(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmWerte"));
    setModal(true);
    auto* root = new QVBoxLayout(this);
    Frame1 = named(new QGroupBox, "Frame1");
    auto* grid = new QGridLayout(Frame1);
    lblMinLimit = named(new QLabel(QStringLiteral("Min Limit")), "lblMinLimit");
    lblMaxLimit = named(new QLabel(QStringLiteral("Max Limit")), "lblMaxLimit");
    lblSoll = named(new QLabel, "lblSoll");
    txtMinLimit = named(new QLineEdit, "txtMinLimit");
    txtMaxLimit = named(new QLineEdit, "txtMaxLimit");
    txtSoll = named(new QLineEdit, "txtSoll");
    chk8020 = named(new QCheckBox(QStringLiteral("80/20     ")), "chk8020");
    cmdInfo = named(new QPushButton(QStringLiteral("Info")), "cmdInfo");
    grid->addWidget(lblMinLimit, 0, 0);
    grid->addWidget(txtMinLimit, 0, 1);
    grid->addWidget(lblMaxLimit, 1, 0);
    grid->addWidget(txtMaxLimit, 1, 1);
    grid->addWidget(lblSoll, 2, 0);
    grid->addWidget(txtSoll, 2, 1);
    grid->addWidget(chk8020, 3, 0);
    grid->addWidget(cmdInfo, 3, 1);
    root->addWidget(Frame1);
    auto* buttons = new QHBoxLayout;
    cmdSpeichern = named(new QPushButton, "cmdSpeichern");
    cmdLoeschen = named(new QPushButton, "cmdLoeschen");
    buttons->addWidget(cmdSpeichern);
    buttons->addWidget(cmdLoeschen);
    root->addLayout(buttons);
    cmdSpeichern->setDefault(true);

    const auto watch = [this](QLineEdit* box, LimitField field) {
        connect(box, &QLineEdit::textEdited, this, [this, field] { dirty_[slot(field)] = true; });
        // Checked when the box is left, as a validation on leaving the field.
        connect(box, &QLineEdit::editingFinished, this, [this, box, field] {
            if (dirty_[slot(field)]) validate(box, field);
        });
    };
    watch(txtMinLimit, LimitField::Min);
    watch(txtMaxLimit, LimitField::Max);
    watch(txtSoll, LimitField::Soll);
    connect(chk8020, &QCheckBox::clicked, this, &FrmWerte::chk8020_Click);
    connect(cmdLoeschen, &QPushButton::clicked, this, &FrmWerte::cmdLoeschen_Click);
    connect(cmdSpeichern, &QPushButton::clicked, this, &FrmWerte::cmdSpeichern_Click);
    connect(cmdInfo, &QPushButton::clicked, this, &FrmWerte::cmdInfo_Click);
}

void FrmWerte::Form_Activate() {
    setWindowTitle(programTitle());
    Frame1->setTitle(M(39));
    lblSoll->setText(M(45));
    cmdSpeichern->setText(C(43));
    cmdLoeschen->setText(C(44));

    limits_ = Limits;
    limits_.LimitsSaved = false;
    txtMinLimit->setText(limitValueText(limits_.MinLimit));
    txtMaxLimit->setText(limitValueText(limits_.MaxLimit));
    txtSoll->setText(limitValueText(limits_.Soll));
    chk8020->setChecked(limits_.Rule8020);
    // Field, flux and permeability gauges have no 80/20 rule.
    const bool offered = profileChar(5) != QLatin1Char('-');
    chk8020->setVisible(offered);
    chk8020->setEnabled(offered);
    cmdInfo->setVisible(offered);
    cmdInfo->setEnabled(offered);
    for (bool& d : dirty_) d = false;
}

QLineEdit* FrmWerte::boxOf(LimitField field) const {
    return field == LimitField::Min ? txtMinLimit : field == LimitField::Max ? txtMaxLimit : txtSoll;
}

void FrmWerte::showMessages(const QStringList& messages) {
    for (const QString& m : messages) MsgBox(m);
}

bool FrmWerte::validate(QLineEdit* box, LimitField field) {
    // A message box takes the focus from the box, which must not validate it a second time.
    if (validating_) return true;
    validating_ = true;
    const LimitValidation v =
        validateLimitText(limits_, field, box->text(), chk8020->isChecked(), LanguageIndex);
    if (box->text() != v.boxText) box->setText(v.boxText);
    if (v.minChanged) txtMinLimit->setText(limits_.MinLimitText);
    showMessages(v.messages);
    dirty_[slot(field)] = !v.accepted;
    validating_ = false;
    if (!v.accepted) QTimer::singleShot(0, box, [box] { box->setFocus(); });
    return v.accepted;
}

bool FrmWerte::txtMinLimit_Validate() { return validate(txtMinLimit, LimitField::Min); }
bool FrmWerte::txtMaxLimit_Validate() { return validate(txtMaxLimit, LimitField::Max); }
bool FrmWerte::txtSoll_Validate() { return validate(txtSoll, LimitField::Soll); }

void FrmWerte::chk8020_Click() {
    const Apply8020Result r = setRule8020(limits_, chk8020->isChecked(), LanguageIndex);
    if (r.minChanged) txtMinLimit->setText(limits_.MinLimitText);
    showMessages(r.messages);
}

void FrmWerte::cmdLoeschen_Click() {
    clearLimits(limits_);
    txtMinLimit->setText(QStringLiteral("0"));
    txtMaxLimit->setText(QStringLiteral("0"));
    txtSoll->setText(QStringLiteral("0"));
    chk8020->setChecked(false);
    for (bool& d : dirty_) d = false;
}

void FrmWerte::cmdSpeichern_Click() {
    for (LimitField field : {LimitField::Min, LimitField::Max, LimitField::Soll}) {
        if (dirty_[slot(field)] && !validate(boxOf(field), field)) return;
    }
    limits_.Rule8020 = chk8020->isChecked();
    Limits = limits_;
    Limits.LimitsSaved = true;
    if (parentWidget()) parentWidget()->activateWindow();
    accept();
}

void FrmWerte::cmdInfo_Click() { MsgBox(limitsInfoText(LanguageIndex), MsgButtons::Ok, MsgIcon::Information); }

}  // namespace zenu
