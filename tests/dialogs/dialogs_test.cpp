// The limits dialog and the project dialog, offscreen.
#include <QCheckBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTimeEdit>
#include <gtest/gtest.h>
#include <ostream>

#include "app/dialogs/frm_projekt.h"
#include "app/dialogs/frm_werte.h"
#include "texts/texts.h"
#include "data/gauge_identity.h"
#include "data/limits.h"
#include "data/project_data.h"
#include "platform/localefmt.h"
#include "platform/scripted_prompts.h"

inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

using namespace zenu;

namespace {

class Dialogs : public ::testing::Test {
protected:
    void SetUp() override {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        platform::initLocale();
        LanguageIndex = kLanguageGerman;
        resetGaugeIdentity();
        Limits = LimitSettings{};
        Project = ProjectData{};
    }
    void TearDown() override {
        Limits = LimitSettings{};
        Project = ProjectData{};
    }
    ScriptedPrompts prompts;
};

void type(QLineEdit* box, const QString& text) {
    box->setText(text);
    emit box->textEdited(text);
}

}  // namespace

TEST_F(Dialogs, LimitsDialogShowsTheLimitsInItsLanguage) {
    Limits.MinLimit = 10.5;
    Limits.MaxLimit = 20;
    Limits.Soll = 15;
    Limits.Rule8020 = true;
    FrmWerte w;
    w.Form_Activate();
    EXPECT_EQ(w.objectName(), QStringLiteral("frmWerte"));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Zenu Connect V1.28"));
    EXPECT_EQ(w.txtMinLimit->text(), QStringLiteral("10,5"));
    EXPECT_EQ(w.txtMaxLimit->text(), QStringLiteral("20"));
    EXPECT_EQ(w.txtSoll->text(), QStringLiteral("15"));
    EXPECT_TRUE(w.chk8020->isChecked());
    EXPECT_EQ(w.chk8020->text(), QStringLiteral("80/20     "));
    EXPECT_EQ(w.cmdSpeichern->text(), QStringLiteral("Speichern"));
    EXPECT_EQ(w.cmdLoeschen->text(), QStringLiteral("Löschen"));
    EXPECT_EQ(w.cmdInfo->text(), QStringLiteral("Info"));
    EXPECT_EQ(w.Frame1->title(), QStringLiteral("Grenzwerte"));
    EXPECT_EQ(w.lblSoll->text(), QStringLiteral("Sollwert"));
    LanguageIndex = kLanguageEnglish;
    w.Form_Activate();
    EXPECT_EQ(w.cmdSpeichern->text(), QStringLiteral("Save"));
    EXPECT_EQ(w.cmdLoeschen->text(), QStringLiteral("Delete"));
    EXPECT_EQ(w.Frame1->title(), QStringLiteral("Limits"));
    EXPECT_EQ(w.lblSoll->text(), QStringLiteral("Target value"));
}

TEST_F(Dialogs, LimitsDialogRefusesBadInputAndKeepsTheFocus) {
    FrmWerte w;
    w.Form_Activate();
    type(w.txtMinLimit, QStringLiteral("abc"));
    EXPECT_FALSE(w.txtMinLimit_Validate());
    EXPECT_EQ(prompts.messages, QStringList{QStringLiteral("Eingabe muss numerisch sein!")});
    type(w.txtMaxLimit, QStringLiteral("-12"));
    EXPECT_FALSE(w.txtMaxLimit_Validate());
    EXPECT_EQ(w.txtMaxLimit->text(), QStringLiteral("12"));
    EXPECT_EQ(prompts.messages.last(), QStringLiteral("Nur positive Werte erlaubt"));
    // Saving checks the pending input first and stays open while it is wrong.
    w.cmdSpeichern_Click();
    EXPECT_FALSE(Limits.LimitsSaved);
    type(w.txtMinLimit, QStringLiteral("5"));
    w.cmdSpeichern_Click();
    EXPECT_TRUE(Limits.LimitsSaved);
    EXPECT_DOUBLE_EQ(Limits.MinLimit, 5);
    EXPECT_DOUBLE_EQ(Limits.MaxLimit, 12);
    EXPECT_EQ(Limits.MaxLimitText, QStringLiteral("12"));
}

TEST_F(Dialogs, TickingTheRuleMovesTheMinimum) {
    Limits.MinLimit = 50;
    Limits.Soll = 100;
    FrmWerte w;
    w.Form_Activate();
    w.chk8020->setChecked(true);
    w.chk8020_Click();
    EXPECT_EQ(w.txtMinLimit->text(), QStringLiteral("80"));
    EXPECT_EQ(prompts.messages, QStringList{QStringLiteral("Min Limit  an 80/20 Regel angepasst von 50 nach 80")});
    EXPECT_DOUBLE_EQ(Limits.MinLimit, 50);  // only saving hands the values back
    w.cmdSpeichern_Click();
    EXPECT_DOUBLE_EQ(Limits.MinLimit, 80);
    EXPECT_TRUE(Limits.Rule8020);
}

TEST_F(Dialogs, TickingTheRuleWithoutTarget) {
    Limits.MinLimit = 50;
    FrmWerte w;
    w.Form_Activate();
    w.chk8020->setChecked(true);
    w.chk8020_Click();
    EXPECT_EQ(prompts.messages, QStringList{QStringLiteral("Eingabe Sollwert bei 80/20 Regel erforderlich")});
    EXPECT_EQ(w.txtMinLimit->text(), QStringLiteral("50"));
}

TEST_F(Dialogs, LimitsDeleteAndInfo) {
    Limits.MinLimit = 10;
    Limits.MaxLimit = 20;
    Limits.Soll = 15;
    Limits.Rule8020 = true;
    FrmWerte w;
    w.Form_Activate();
    w.cmdLoeschen_Click();
    EXPECT_EQ(w.txtMinLimit->text(), QStringLiteral("0"));
    EXPECT_EQ(w.txtMaxLimit->text(), QStringLiteral("0"));
    EXPECT_EQ(w.txtSoll->text(), QStringLiteral("0"));
    EXPECT_FALSE(w.chk8020->isChecked());
    EXPECT_DOUBLE_EQ(Limits.MinLimit, 10);  // nothing saved yet
    w.cmdInfo_Click();
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_TRUE(prompts.messages.first().startsWith(QStringLiteral("Die 80/20 Regel nach ISO 19840 :\r\n1) ")));
    w.cmdSpeichern_Click();
    EXPECT_TRUE(Limits.allZero());
    EXPECT_FALSE(Limits.Rule8020);
    EXPECT_EQ(limitsFileLine(Limits), QStringLiteral("0;0;0;0;"));
}

TEST_F(Dialogs, NoRuleOnFieldGauges) {
    DeviceProfile = QStringLiteral("5LE2--2");
    FrmWerte w;
    w.Form_Activate();
    EXPECT_FALSE(w.chk8020->isVisibleTo(&w));
    EXPECT_FALSE(w.cmdInfo->isVisibleTo(&w));
    DeviceProfile = QStringLiteral("5LE2+-2");
    w.Form_Activate();
    EXPECT_TRUE(w.chk8020->isVisibleTo(&w));
}

TEST_F(Dialogs, EditingFinishedValidatesOnce) {
    FrmWerte w;
    w.Form_Activate();
    type(w.txtSoll, QStringLiteral("x"));
    emit w.txtSoll->editingFinished();
    emit w.txtSoll->editingFinished();  // still wrong: asked again
    EXPECT_EQ(prompts.messages.size(), 2);
    type(w.txtSoll, QStringLiteral("7"));
    emit w.txtSoll->editingFinished();
    emit w.txtSoll->editingFinished();  // nothing changed since
    EXPECT_EQ(prompts.messages.size(), 2);
    EXPECT_DOUBLE_EQ(w.limits().Soll, 7);
}

TEST_F(Dialogs, ProjectDialogForANewGauge) {
    Project.labels = {QStringLiteral("Kunde"), QStringLiteral("Objekt"), QString(), QString(), QString(), QString()};
    FrmProjekt p;
    p.Form_Activate();
    EXPECT_EQ(p.objectName(), QStringLiteral("frmProjekt"));
    EXPECT_EQ(p.windowTitle(), QStringLiteral("Zenu Connect V1.28"));
    EXPECT_EQ(p.FrameDaten->title(), QStringLiteral("Projektdaten"));
    EXPECT_EQ(p.lblDatum->text(), QStringLiteral("Datum/Uhrzeit"));
    EXPECT_EQ(p.FrameBefehle->title(), QStringLiteral("Befehle"));
    EXPECT_EQ(p.lblFelder[0]->text(), QStringLiteral("Kunde"));
    EXPECT_EQ(p.lblFelder[1]->objectName(), QStringLiteral("lblFelder(2)"));
    EXPECT_EQ(p.txtFelder[5]->objectName(), QStringLiteral("txtFelder(6)"));
    EXPECT_EQ(p.DTPDate->date(), QDate::currentDate());
    EXPECT_LE(std::abs(p.DTPTime->time().secsTo(QTime::currentTime())), 120);
    for (QLineEdit* t : p.txtFelder) EXPECT_TRUE(t->text().isEmpty());
    LanguageIndex = kLanguageEnglish;
    p.Form_Activate();
    EXPECT_EQ(p.FrameDaten->title(), QStringLiteral("Project data"));
    EXPECT_EQ(p.lblDatum->text(), QStringLiteral("Date/Time"));
    EXPECT_EQ(p.FrameBefehle->title(), QStringLiteral("Commands"));
}

TEST_F(Dialogs, ProjectDeleteIsNotSavedUntilSave) {
    Project.texts[0] = QStringLiteral("Muster GmbH");
    Project.date = QDate(2024, 3, 12);
    Project.time = QTime(9, 30);
    int saves = 0;
    FrmProjekt p;
    p.saveProject = [&] { ++saves; };
    p.Form_Activate();
    EXPECT_EQ(p.txtFelder[0]->text(), QStringLiteral("Muster GmbH"));
    EXPECT_EQ(p.DTPDate->date(), QDate(2024, 3, 12));
    EXPECT_EQ(p.DTPTime->time(), QTime(9, 30));
    p.cmdLoeschen_Click();
    EXPECT_EQ(p.DTPTime->time(), QTime(0, 0));
    EXPECT_EQ(p.DTPTime->text(), QStringLiteral("00:00"));
    EXPECT_EQ(p.DTPDate->date(), QDate::currentDate());
    EXPECT_TRUE(p.txtFelder[0]->text().isEmpty());
    EXPECT_EQ(Project.texts[0], QStringLiteral("Muster GmbH"));
    EXPECT_EQ(saves, 0);
}

TEST_F(Dialogs, ProjectSaveTakesTheFieldsWhole) {
    int saves = 0;
    FrmProjekt p;
    p.saveProject = [&] { ++saves; };
    p.Form_Activate();
    p.txtFelder[2]->setText(QString(40, QLatin1Char('x')));
    p.DTPDate->setDate(QDate(2024, 12, 31));
    p.DTPTime->setTime(QTime(14, 5));
    p.cmdSpeichern_Click();
    EXPECT_EQ(saves, 1);
    EXPECT_EQ(Project.texts[2], QString(40, QLatin1Char('x')));
    EXPECT_EQ(Project.date, QDate(2024, 12, 31));
    EXPECT_EQ(Project.time, QTime(14, 5));
    EXPECT_EQ(p.result(), QDialog::Accepted);
}
