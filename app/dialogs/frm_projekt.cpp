#include "app/dialogs/frm_projekt.h"

#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimeEdit>
#include <QVBoxLayout>

#include "texts/texts.h"
#include "platform/localefmt.h"

namespace zenu {

FrmProjekt::FrmProjekt(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmProjekt"));
    setModal(true);
    auto* root = new QVBoxLayout(this);

    FrameDaten = new QGroupBox;
    FrameDaten->setObjectName(QStringLiteral("FrameDaten"));
    auto* grid = new QGridLayout(FrameDaten);
    for (int i = 0; i < kProjectFieldCount; ++i) {
        const QString index = QString::number(i + 1);
        lblFelder[i] = new QLabel;
        lblFelder[i]->setObjectName(QStringLiteral("lblFelder(%1)").arg(index));
        txtFelder[i] = new QLineEdit;
        txtFelder[i]->setObjectName(QStringLiteral("txtFelder(%1)").arg(index));
        txtFelder[i]->setMinimumWidth(260);
        grid->addWidget(lblFelder[i], i, 0);
        grid->addWidget(txtFelder[i], i, 1, 1, 2);
    }
    lblDatum = new QLabel;
    lblDatum->setObjectName(QStringLiteral("lblDatum"));
    DTPDate = new QDateEdit;
    DTPDate->setObjectName(QStringLiteral("DTPDate"));
    DTPDate->setCalendarPopup(true);
    DTPDate->setDisplayFormat(platform::shortDateFormat());
    DTPTime = new QTimeEdit;
    DTPTime->setObjectName(QStringLiteral("DTPTime"));
    DTPTime->setDisplayFormat(QStringLiteral("HH:mm"));
    grid->addWidget(lblDatum, kProjectFieldCount, 0);
    grid->addWidget(DTPDate, kProjectFieldCount, 1);
    grid->addWidget(DTPTime, kProjectFieldCount, 2);
    root->addWidget(FrameDaten);

    FrameBefehle = new QGroupBox;
    FrameBefehle->setObjectName(QStringLiteral("FrameBefehle"));
    auto* buttons = new QHBoxLayout(FrameBefehle);
    cmdSpeichern = new QPushButton;
    cmdSpeichern->setObjectName(QStringLiteral("cmdSpeichern"));
    cmdLoeschen = new QPushButton;
    cmdLoeschen->setObjectName(QStringLiteral("cmdLoeschen"));
    buttons->addWidget(cmdSpeichern);
    buttons->addWidget(cmdLoeschen);
    root->addWidget(FrameBefehle);

    connect(cmdSpeichern, &QPushButton::clicked, this, &FrmProjekt::cmdSpeichern_Click);
    connect(cmdLoeschen, &QPushButton::clicked, this, &FrmProjekt::cmdLoeschen_Click);
}

void FrmProjekt::Form_Activate() {
    setWindowTitle(programTitle());
    FrameDaten->setTitle(M(38));
    lblDatum->setText(M(46));
    FrameBefehle->setTitle(M(21));
    cmdSpeichern->setText(C(43));
    cmdLoeschen->setText(C(44));
    DTPDate->setDisplayFormat(platform::shortDateFormat());
    for (int i = 0; i < kProjectFieldCount; ++i) {
        lblFelder[i]->setText(Project.labels[i]);
        txtFelder[i]->setText(Project.texts[i]);
    }
    if (Project.date.isValid()) {
        DTPDate->setDate(Project.date);
        DTPTime->setTime(Project.time.isValid() ? Project.time : QTime::currentTime());
    } else {
        DTPDate->setDate(QDate::currentDate());
        DTPTime->setTime(QTime::currentTime());
    }
}

void FrmProjekt::cmdLoeschen_Click() {
    DTPDate->setDate(QDate::currentDate());
    DTPTime->setTime(QTime(0, 0));
    for (QLineEdit* t : txtFelder) t->clear();
}

void FrmProjekt::cmdSpeichern_Click() {
    for (int i = 0; i < kProjectFieldCount; ++i) Project.texts[i] = txtFelder[i]->text();
    Project.date = DTPDate->date();
    const QTime t = DTPTime->time();
    Project.time = QTime(t.hour(), t.minute());
    if (saveProject) saveProject();
    accept();
}

}  // namespace zenu
