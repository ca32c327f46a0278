#include "app/dialogs/frm_csv.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/named_widget.h"
#include "texts/texts.h"
#include "data/value_format.h"
#include "platform/localefmt.h"
#include "platform/prompts.h"

namespace zenu {

FrmCSV::FrmCSV(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmCSV"));
    setModal(true);
    setFont(QFont(QStringLiteral("Arial")));
    auto* root = new QVBoxLayout(this);
    Frame1 = named(new QGroupBox, "Frame1");
    auto* frame = new QVBoxLayout(Frame1);
    lblCSV = named(new QLabel, "lblCSV");
    lblCSV->setWordWrap(true);
    frame->addWidget(lblCSV);

    auto* options = new QHBoxLayout;
    frmAnzahl = named(new QGroupBox, "frmAnzahl");
    auto* count = new QVBoxLayout(frmAnzahl);
    txtAnzahl = named(new QLineEdit(QStringLiteral("5")), "txtAnzahl");
    count->addWidget(txtAnzahl);
    count->addStretch();
    options->addWidget(frmAnzahl);

    frmStat = named(new QGroupBox, "frmStat");
    auto* stat = new QVBoxLayout(frmStat);
    chkMin = named(new QCheckBox(QStringLiteral("Minimum")), "chkMin");
    chkMax = named(new QCheckBox(QStringLiteral("Maximum")), "chkMax");
    chkMittel = named(new QCheckBox, "chkMittel");
    for (QCheckBox* box : {chkMin, chkMax, chkMittel}) {
        box->setChecked(true);
        stat->addWidget(box);
    }
    options->addWidget(frmStat);
    frame->addLayout(options);
    root->addWidget(Frame1);

    cmdOk = named(new QPushButton(QStringLiteral("OK")), "cmdOk");
    cmdOk->setAccessibleName(QStringLiteral("OK"));
    cmdOk->setDefault(true);
    root->addWidget(cmdOk, 0, Qt::AlignRight);
    connect(cmdOk, &QPushButton::clicked, this, &FrmCSV::cmdOk_Click);
}

void FrmCSV::Form_Activate() {
    setWindowTitle(programTitle());
    Frame1->setTitle(M(89));
    lblCSV->setText(M(88));
    frmAnzahl->setTitle(M(86));
    frmStat->setTitle(M(87));
    chkMittel->setText(S(18));
    Frame1->setAccessibleName(M(89));
    lblCSV->setAccessibleName(M(88));
    frmAnzahl->setAccessibleName(M(86));
    txtAnzahl->setAccessibleName(M(86));
    frmStat->setAccessibleName(M(87));
    chkMin->setAccessibleName(chkMin->text());
    chkMax->setAccessibleName(chkMax->text());
    chkMittel->setAccessibleName(chkMittel->text());
}

int FrmCSV::acceptedCount(const QString& text) {
    double value = 0;
    if (!platform::textToNumber(text, value) || !(value > 0) || !(value < 20)) return 0;
    return static_cast<int>(roundHalfEven(value, 0));
}

void FrmCSV::cmdOk_Click() {
    const int count = acceptedCount(txtAnzahl->text());
    if (count == 0) {
        MsgBox(M(90) + QLatin1Char('\n'));
        txtAnzahl->setFocus();
        return;
    }
    if (save) save(count, chkMin->isChecked(), chkMax->isChecked(), chkMittel->isChecked());
    accept();
}

}  // namespace zenu
