// Main window state: memory controls, option captions, the table options, the wait routine,
// the language switch, and the limits and project buttons with their dialogs.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTimeEdit>
#include <QTimer>

#include "app/dialogs/frm_projekt.h"
#include "app/dialogs/frm_werte.h"
#include "texts/texts.h"
#include "window_support.h"
#include "../support/file_bytes.h"

using namespace zenu;
using namespace zenu::testing;

namespace {

class WindowState : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        useCoatingGauge();
    }
    void loseFocus(QWidget* widget) {
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(widget, &out);
    }
};

}  // namespace

TEST_F(WindowState, MemoryControlsOfAFamily5Gauge) {
    w().ShowMemoryControls();
    EXPECT_EQ(w().cmdLesen->text(), QStringLiteral("Speicher einlesen"));
    EXPECT_FALSE(w().cmdLesen->isHidden());
    EXPECT_FALSE(w().cmbSpeicher->isHidden());
    EXPECT_FALSE(w().cmdRefresh->isHidden());
    EXPECT_TRUE(w().optFE->isHidden());
}

TEST_F(WindowState, OtherFamiliesKeepTheirControls) {
    DeviceProfile.clear();
    w().ShowMemoryControls();
    EXPECT_TRUE(w().cmdLesen->isHidden());
    EXPECT_EQ(w().memoryTitle, QStringLiteral("Speicher "));
}

TEST_F(WindowState, MemoryTitleOfAFamily5Gauge) {
    w().cmbSpeicher->addItem(QStringLiteral("  m001  "));
    w().cmbSpeicher->setCurrentIndex(0);
    w().downloadedReadings = 12;
    w().SetMemoryTitle();
    EXPECT_EQ(w().memoryTitle, QStringLiteral("Speicher m001 (12)"));
    EXPECT_EQ(w().cmbSpeicher->currentText(), QStringLiteral("m001"));
    LanguageIndex = kLanguageEnglish;
    w().SetMemoryTitle();
    EXPECT_EQ(w().memoryTitle, QStringLiteral("Memory m001 (12)"));
}

TEST_F(WindowState, OptionCaptionsTakeTheCount) {
    currentTable = kTableMemory;
    w().optFE->setText(QStringLiteral("Memory 3 (12)"));
    w().table().countText = QStringLiteral(" (15)");
    w().Button_setzen();
    EXPECT_EQ(w().optFE->text(), QStringLiteral("Memory 3 (15)"));
    EXPECT_EQ(w().table().countText, QStringLiteral(" (0)"));
    // Only the count the program appended is replaced; brackets of a name stay.
    for (const char* name : {"Messung (2).mes", "Speicher m(1)", "a (b) (c)"}) {
        w().optFE->setText(QString::fromLatin1(name) + QStringLiteral(" (3)"));
        w().table().countText = QStringLiteral(" (4)");
        w().Button_setzen();
        EXPECT_EQ(w().optFE->text(), QString::fromLatin1(name) + QStringLiteral(" (4)"));
    }
    // A caption without a count stays.
    w().optFE->setText(QStringLiteral("FE-Speicher"));
    w().table().countText = QStringLiteral(" (4)");
    w().Button_setzen();
    EXPECT_EQ(w().optFE->text(), QStringLiteral("FE-Speicher"));

    currentTable = kTableOnline;
    w().table().countText = QStringLiteral(" (7)");
    w().Button_setzen();
    EXPECT_EQ(w().optOnline->text(), QStringLiteral("Online (7)"));

    DeviceProfile = QStringLiteral("4LE2+-2");
    w().MemoryNumber4 = QStringLiteral("3");
    currentTable = kTableMemory;
    w().Button_setzen_Init();
    EXPECT_EQ(w().optFE->text(), QStringLiteral("Speicher 3 (0)"));
    currentTable = kTableOnline;
    w().Button_setzen_Init();
    EXPECT_EQ(w().optOnline->text(), QStringLiteral("Online (0)"));
}

TEST_F(WindowState, LanguageSwitchRebuildsAFamily4CaptionAndRerunsTheOption) {
    DeviceProfile = QStringLiteral("4LE2+-2");
    w().MemoryNumber4 = QStringLiteral("3");
    w().optFE->setText(QStringLiteral("Speicher 3 (12)"));
    CountingLink link;
    w().setGaugeLink(&link);
    w().ConnectionChecked = true;
    currentTable = kTableMemory;
    putReadings({reading(1, 10), reading(2, 11)});
    w().English->trigger();
    EXPECT_EQ(w().optFE->text(), QStringLiteral("Memory 3 (2)"));
    // optFE_Click: unsubscribed and subscribed again, table 0 shown.
    EXPECT_EQ(link.unsubscribes, 1);
    EXPECT_EQ(link.subscribes, 1);
    EXPECT_TRUE(w().optFE->isChecked());
    EXPECT_EQ(w().MSFlex->rowCount(), 2);
    EXPECT_EQ(w().txtSpeicher->text(), QStringLiteral("READY"));
    EXPECT_TRUE(readBytes(home.file(QStringLiteral("TransferLog.txt"))).contains("Voreinstellungen: SS\r\nVoreinstellungen: PI"));
    w().setGaugeLink(nullptr);
}

TEST_F(WindowState, LanguageSwitchWithoutConnectionLeavesTheTable) {
    CountingLink link;
    w().setGaugeLink(&link);
    w().ConnectionChecked = false;
    w().German->trigger();
    EXPECT_EQ(link.subscribes + link.unsubscribes, 0);
    w().setGaugeLink(nullptr);
}

TEST_F(WindowState, OnlineOptionShowsTheOnlineTable) {
    currentTable = kTableOnline;
    putReadings({reading(1, 10), reading(2, 11), reading(3, 12)});
    currentTable = kTableMemory;
    w().txtSpeicher->clear();
    w().optOnline_Click();
    EXPECT_EQ(currentTable, kTableOnline);
    EXPECT_EQ(w().MSFlex->rowCount(), 3);
    EXPECT_EQ(w().txtSpeicher->text(), QStringLiteral("BEREIT"));
    EXPECT_TRUE(w().optOnline->isChecked());
    EXPECT_EQ(w().optOnline->text(), QStringLiteral("Online (3)"));
    EXPECT_TRUE(w().cmdExcel->isEnabled());
    // Focus_setzen re-runs it.
    Tables.at(kTableOnline, 4) = reading(4, 13);
    w().Focus_setzen();
    EXPECT_EQ(w().MSFlex->rowCount(), 4);
}

TEST_F(WindowState, MemoryOptionSubscribesWhenNotSubscribed) {
    CountingLink link;
    link.subscribed = false;
    w().setGaugeLink(&link);
    w().optFE->click();
    EXPECT_EQ(link.unsubscribes, 0);
    EXPECT_EQ(link.subscribes, 1);
    EXPECT_EQ(currentTable, kTableMemory);
    EXPECT_TRUE(w().cmdStop->isHidden());
    w().setGaugeLink(nullptr);
}

TEST_F(WindowState, DelayWaitsWholeSecondsAndHandlesEvents) {
    bool handled = false;
    QTimer::singleShot(100, [&] { handled = true; });
    QElapsedTimer t;
    t.start();
    FrmTransfer::Delay(2);
    EXPECT_TRUE(handled);
    EXPECT_GE(t.elapsed(), 1000);
    EXPECT_LE(t.elapsed(), 2600);
}

TEST_F(WindowState, LimitsSavedInTheDialogAreWrittenWhenTheButtonLosesFocus) {
    currentTable = kTableMemory;
    putReadings({reading(1, 12), reading(2, 25)});
    w().FillMSFlexOne();
    w().runDialog = [](QDialog& d) {
        auto& dialog = dynamic_cast<FrmWerte&>(d);
        dialog.txtMinLimit->setText(QStringLiteral("10"));
        emit dialog.txtMinLimit->textEdited(QStringLiteral("10"));
        dialog.txtMaxLimit->setText(QStringLiteral("20"));
        emit dialog.txtMaxLimit->textEdited(QStringLiteral("20"));
        dialog.txtSoll->setText(QStringLiteral("15"));
        emit dialog.txtSoll->textEdited(QStringLiteral("15"));
        dialog.cmdSpeichern_Click();
    };
    w().cmdWerte->click();
    EXPECT_TRUE(Limits.LimitsSaved);
    EXPECT_EQ(w().cmdWerte->text(), QStringLiteral(">     10\n<     20\n=     15"));
    const QString file = home.file(QStringLiteral("Limit_12345.ini"));
    EXPECT_FALSE(readBytes(file).contains("10;20;15"));

    loseFocus(w().cmdWerte);
    EXPECT_EQ(readBytes(file), QByteArray("10;20;15;0;\r\n"));
    EXPECT_FALSE(Limits.LimitsSaved);
    // The table shows the new colours.
    EXPECT_EQ(w().MSFlex->item(0, 2)->background().color(), QColor(158, 232, 155));
    EXPECT_EQ(w().MSFlex->item(1, 2)->background().color(), QColor(239, 162, 162));
}

TEST_F(WindowState, LimitsDialogClosedWithoutSaveChangesNothing) {
    Limits.MinLimit = 5;
    Limits.MinLimitText = QStringLiteral("5");
    w().runDialog = [](QDialog& d) {
        auto& dialog = dynamic_cast<FrmWerte&>(d);
        dialog.txtMinLimit->setText(QStringLiteral("7"));
        emit dialog.txtMinLimit->textEdited(QStringLiteral("7"));
        dialog.txtMinLimit_Validate();
        dialog.reject();
    };
    w().cmdWerte_Click();
    loseFocus(w().cmdWerte);
    EXPECT_DOUBLE_EQ(Limits.MinLimit, 5);
    EXPECT_FALSE(QFile::exists(home.file(QStringLiteral("Limit_12345.ini"))));
}

TEST_F(WindowState, LimitsStillPendingAreSavedOnExit) {
    w().runDialog = [](QDialog& d) {
        auto& dialog = dynamic_cast<FrmWerte&>(d);
        dialog.txtSoll->setText(QStringLiteral("40"));
        emit dialog.txtSoll->textEdited(QStringLiteral("40"));
        dialog.cmdSpeichern_Click();
    };
    w().cmdWerte_Click();
    w().ExitSequence();
    // Fields never typed keep their empty text, which loads as 0.
    EXPECT_EQ(readBytes(home.file(QStringLiteral("Limit_12345.ini"))), QByteArray(";;40;0;\r\n"));
}

TEST_F(WindowState, ProjectButtonLoadsShowsAndSaves) {
    writeBytes(home.file(QStringLiteral("Projekt.ini")), "# Felder\r\nKunde;Customer;\r\nObjekt;Object;\r\n");
    writeBytes(home.file(QStringLiteral("Projektdaten_12345.ini")), "Muster GmbH\r\n\r\n\r\n\r\n\r\n\r\nDT 12.03.2024\r\n");
    QString shownLabel, shownText;
    QDate shownDate;
    w().runDialog = [&](QDialog& d) {
        auto& dialog = dynamic_cast<FrmProjekt&>(d);
        shownLabel = dialog.lblFelder[0]->text();
        shownText = dialog.txtFelder[0]->text();
        shownDate = dialog.DTPDate->date();
        dialog.txtFelder[1]->setText(QStringLiteral("Brücke Süd"));
        dialog.DTPTime->setTime(QTime(9, 30));
        dialog.cmdSpeichern_Click();
    };
    w().cmdProjekt->click();
    EXPECT_EQ(shownLabel, QStringLiteral("Kunde"));
    EXPECT_EQ(shownText, QStringLiteral("Muster GmbH"));
    EXPECT_EQ(shownDate, QDate(2024, 3, 12));
    EXPECT_EQ(readBytes(home.file(QStringLiteral("Projektdaten_12345.ini"))),
              QByteArray("Muster GmbH\r\nBr\xFC""cke S\xFC""d\r\n\r\n\r\n\r\n\r\nDT 12.03.2024\r\n"));
    EXPECT_TRUE(readBytes(home.file(QStringLiteral("TransferLog.txt")))
                    .contains("Voreinstellungen: PI\r\nVoreinstellungen: PL\r\nVoreinstellungen: PS\r\n"));
    w().BuildReportText(QStringLiteral("P"));
    EXPECT_EQ(w().ReportText,
              QStringLiteral("#  12.03.2024 09:30\r\n#  Kunde Muster GmbH\r\n#  Objekt Brücke Süd\r\n\r\n"));
}
