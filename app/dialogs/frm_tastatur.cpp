#include "app/dialogs/frm_tastatur.h"

#include <QCheckBox>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/named_widget.h"
#include "platform/prompts.h"
#include "reports/keyboard_settings.h"
#include "texts/texts.h"

namespace zenu {

FrmTastatur::FrmTastatur(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmTastatur"));
    auto* root = new QVBoxLayout(this);
    frmTastatur = named(new QGroupBox, "frmTastatur");
    auto* main = new QVBoxLayout(frmTastatur);
    lblTE = named(new QLabel, "lblTE");
    lblTE->setWordWrap(true);
    chkTastatur = named(new QCheckBox, "chkTastatur");
    lblAnwendung = named(new QLabel, "lblAnwendung");
    txtAnwendung = named(new QLineEdit, "txtAnwendung");
    lblAnwendung->setBuddy(txtAnwendung);
    txtAnwendung->installEventFilter(this);
    main->addWidget(lblTE);
    main->addWidget(chkTastatur);
    main->addWidget(lblAnwendung);
    main->addWidget(txtAnwendung);

    frmWerte = named(new QGroupBox, "frmWerte");
    auto* fields = new QGridLayout(frmWerte);
    chkNr = named(new QCheckBox, "chkNr");
    chkDatum = named(new QCheckBox, "chkDatum");
    chkEinheit = named(new QCheckBox, "chkEinheit");
    chkMaterial = named(new QCheckBox(QStringLiteral("Material")), "chkMaterial");
    fields->addWidget(chkNr, 0, 0);
    fields->addWidget(chkDatum, 0, 1);
    fields->addWidget(chkEinheit, 1, 0);
    fields->addWidget(chkMaterial, 1, 1);

    frmZeilenEnde = named(new QGroupBox, "frmZeilenEnde");
    auto* lineEnd = new QHBoxLayout(frmZeilenEnde);
    optKeins = named(new QRadioButton, "optKeins");
    optEnter = named(new QRadioButton(QStringLiteral("Enter")), "optEnter");
    lineEnd->addWidget(optKeins);
    lineEnd->addWidget(optEnter);

    auto* options = new QHBoxLayout;
    options->addWidget(frmWerte);
    options->addWidget(frmZeilenEnde);
    main->addLayout(options);
    root->addWidget(frmTastatur);

    cmdOk = named(new QPushButton(QStringLiteral("OK")), "cmdOk");
    cmdOk->setAccessibleName(QStringLiteral("OK"));
    cmdOk->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOk);
    root->addLayout(buttons);
    connect(cmdOk, &QPushButton::clicked, this, &FrmTastatur::cmdOk_Click);
}

bool FrmTastatur::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtAnwendung && event->type() == QEvent::MouseButtonRelease) txtAnwendung_Click();
    return QDialog::eventFilter(watched, event);
}

void FrmTastatur::Form_Activate() {
    setWindowTitle(programTitle());
    const auto caption = [](auto* control, const QString& text) {
        control->setText(text);
        control->setAccessibleName(text);
    };
    frmTastatur->setTitle(M(62));
    frmTastatur->setAccessibleName(M(62));
    caption(lblTE, M(63));
    caption(chkTastatur, M(64));
    caption(lblAnwendung, M(65));
    txtAnwendung->setAccessibleName(M(65));
    frmWerte->setTitle(M(66));
    frmWerte->setAccessibleName(M(66));
    caption(chkNr, M(70));
    caption(chkDatum, M(67));
    caption(chkEinheit, M(2));
    chkMaterial->setAccessibleName(chkMaterial->text());
    frmZeilenEnde->setTitle(M(68));
    frmZeilenEnde->setAccessibleName(M(68));
    caption(optKeins, M(69));
    optEnter->setAccessibleName(optEnter->text());

    chkTastatur->setChecked(KeyEvents.KeyEventsEnabled);
    txtAnwendung->setText(KeyEvents.KeyTargetPath);
    if (KeyEvents.KeyLineEnd == QLatin1String("ENTER")) optEnter->setChecked(true);
    else if (KeyEvents.KeyLineEnd.isEmpty()) optKeins->setChecked(true);
    if (KeyEvents.KeyFields.isEmpty()) KeyEvents.KeyFields = QStringLiteral("0000");
    const auto flag = [](int position) { return KeyEvents.KeyFields.mid(position - 1, 1).toInt() != 0; };
    chkNr->setChecked(flag(1));
    chkDatum->setChecked(flag(2));
    chkEinheit->setChecked(flag(3));
    chkMaterial->setChecked(flag(4));
}

void FrmTastatur::txtAnwendung_Click() {
    const QFileInfo current(txtAnwendung->text().trimmed());
    const QString folder = !txtAnwendung->text().trimmed().isEmpty() && current.dir().exists()
                               ? current.absolutePath()
                               : QStringLiteral("/usr/bin");
    const QString chosen = prompts().openFileName(M(65), folder, M(184));
    if (!chosen.isEmpty()) txtAnwendung->setText(chosen);
}

void FrmTastatur::cmdOk_Click() {
    if (optKeins->isChecked()) KeyEvents.KeyLineEnd.clear();
    else if (optEnter->isChecked()) KeyEvents.KeyLineEnd = QStringLiteral("ENTER");
    KeyEvents.KeyEventsEnabled = chkTastatur->isChecked();
    const QString path = txtAnwendung->text();
    if (path != KeyEvents.KeyTargetPath && KeyEvents.KeyEventsEnabled) {
        KeyEvents.KeyTargetPath = path;
        KeyEvents.KeyTargetStarted = false;
    }
    // Blanks are no program either (a single blank was the old check).
    if (chkTastatur->isChecked() && path.trimmed().isEmpty()) {
        chkTastatur->setChecked(false);
        KeyEvents.KeyEventsEnabled = false;
    }
    QString fields = KeyEvents.KeyFields.leftJustified(4, QLatin1Char('0'), true);
    const auto set = [&fields](int position, const QCheckBox* box) {
        fields[position - 1] = box->isChecked() ? QLatin1Char('1') : QLatin1Char('0');
    };
    set(1, chkNr);
    set(3, chkEinheit);
    set(4, chkMaterial);
    set(2, chkDatum);
    KeyEvents.KeyFields = fields;
    if (saveSettings) saveSettings();
    if (!KeyEvents.KeyTargetPath.trimmed().isEmpty() && KeyEvents.KeyEventsEnabled && !KeyEvents.KeyTargetStarted &&
        startTarget)
        startTarget();
    accept();
}

}  // namespace zenu
