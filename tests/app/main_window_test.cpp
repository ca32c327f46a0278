// The main window at start-up, the language switch and the exit sequence.
#include <QAction>
#include <QDir>
#include <QMenu>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <gtest/gtest.h>
#include <memory>

#include "app/frm_transfer.h"
#include "gauge/gauge_link.h"
#include "app/settings.h"
#include "data/measurement_record.h"
#include "platform/scripted_prompts.h"
#include "../support/file_bytes.h"
#include "../support/temp_home.h"

using namespace zenu;
using zenu::testing::readBytes;
using zenu::testing::TempHome;
using zenu::testing::writeBytes;

namespace {

QString header(QTableWidget* grid, int column) { return grid->horizontalHeaderItem(column)->text(); }

class FakeLink : public GaugeLink {
public:
    bool connected = true;
    bool answers = true;
    int disconnectRequests = 0;
    bool isConnected() const override { return connected; }
    void requestDisconnect() override {
        ++disconnectRequests;
        if (answers) connected = false;
    }
};

}  // namespace

TEST(MainWindow, FreshStartInGerman) {
    TempHome home;
    ScriptedPrompts prompts;
    FrmTransfer w;
    w.Form_Load();

    EXPECT_EQ(readBytes(home.file("Language.ini")), QByteArray("0\r\n"));
    EXPECT_EQ(readBytes(home.file("TransferLog.txt")), QByteArray("Start Zenuconnect\r\nVoreinstellungen: SL\r\n"));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Zenu Connect V1.28"));
    EXPECT_EQ(w.cmdConnect->text(), QStringLiteral("Verbinden"));
    EXPECT_EQ(w.cmdFlexTabelleloeschen->text(), QStringLiteral("Tabelle löschen"));
    EXPECT_EQ(header(w.MSFlex, 1), QStringLiteral("Nr."));
    EXPECT_EQ(header(w.MSFlex, 2), QStringLiteral("Messwert"));
    EXPECT_EQ(header(w.MSFlex, 3), QStringLiteral("Messeinheit"));
    EXPECT_TRUE(w.German->isChecked());
    EXPECT_FALSE(w.English->isChecked());
    EXPECT_EQ(currentTable, kTableMemory);
    EXPECT_TRUE(w.SpeichernShow);
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST(MainWindow, StartUpShowsAndHidesAsItShould) {
    TempHome home;
    FrmTransfer w;
    w.Form_Load();
    w.show();
    for (QWidget* hidden : {static_cast<QWidget*>(w.FrameWerte), static_cast<QWidget*>(w.FrameStatistik),
                            static_cast<QWidget*>(w.FrameBefehle), static_cast<QWidget*>(w.cmdProjekt),
                            static_cast<QWidget*>(w.cmdWerte), static_cast<QWidget*>(w.picUsb),
                            static_cast<QWidget*>(w.picBth), static_cast<QWidget*>(w.frmPic),
                            static_cast<QWidget*>(w.frmwait)})
        EXPECT_FALSE(hidden->isVisibleTo(&w)) << hidden->objectName().toStdString();
    EXPECT_TRUE(w.txtSpeicher->isVisibleTo(&w));
    EXPECT_TRUE(w.cmdConnect->isVisibleTo(&w));
    EXPECT_EQ(w.txtSpeicher->text(), QStringLiteral("BEREIT"));
    // Commands stay disabled until a gauge is connected.
    for (QPushButton* b : {w.cmdOpen, w.cmdSave, w.cmdprint, w.cmdExcel, w.cmdEnde, w.cmdFlexZeileLoeschen})
        EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
    EXPECT_TRUE(w.cmdConnect->isEnabled());
    w.Unblock_Buttons();
    EXPECT_TRUE(w.cmdEnde->isEnabled());
    EXPECT_TRUE(w.optOnline->isEnabled());
}

TEST(MainWindow, FileMenuIsBlockedWithTheCommands) {
    TempHome home;
    ScriptedPrompts prompts;
    FrmTransfer w;
    w.Form_Load();
    // Usable without a gauge, as long as nothing runs.
    for (QAction* a : {w.mnuOpen, w.mnuSave, w.mnuPrint}) EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();
    w.Block_Buttons();
    for (QAction* a : {w.mnuOpen, w.mnuSave, w.mnuPrint}) EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
    w.mnuOpen->trigger();
    EXPECT_TRUE(prompts.fileDialogs.isEmpty());
    w.Unblock_Buttons();
    for (QAction* a : {w.mnuOpen, w.mnuSave, w.mnuPrint}) EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();
}

TEST(MainWindow, LanguageLoadedAfterTheWindowIsGoneTouchesNothing) {
    TempHome home;
    auto older = std::make_unique<FrmTransfer>();
    older->Form_Load();
    auto newer = std::make_unique<FrmTransfer>();
    newer->Form_Load();
    older.reset();
    // The window loaded last still follows the language file.
    writeBytes(home.file("Language.ini"), "1\r\n");
    ASSERT_TRUE(Voreinstellungen("SL"));
    EXPECT_EQ(newer->cmdConnect->text(), QStringLiteral("Connect"));
    newer.reset();
    ASSERT_FALSE(onLanguageLoaded);
    EXPECT_TRUE(Voreinstellungen("SL"));
}

TEST(MainWindow, EveryNamedControlExists) {
    FrmTransfer w;
    for (const char* name :
         {"frmTransfer", "cmdConnect", "cmdOpen", "cmdSave", "cmdprint", "cmdWord", "cmdClipboard", "cmdExcel",
          "cmdLesen", "cmdEnde", "cmdWerte", "cmdProjekt", "cmdFlexTabelleloeschen", "cmdFlexZeileLoeschen",
          "cmdSort", "cmdChart", "cmdGross", "cmdMaterial", "cmdcsv", "cmdPDF", "cmdRefresh", "cmdStop", "optFE",
          "optOnline", "MSFlex", "lstStat", "MSChart1", "cmbSpeicher", "txtSpeicher", "txtMittelwert", "BattIcon",
          "lblBatterie", "picVQ", "picBth", "picBthBlitz", "picUsb", "frmPic", "picRahmen", "picZenu", "lblName",
          "txtWait", "frmwait", "Waitmessage", "WaitBar", "FrameWerte", "FrameStatistik", "FrameBefehle",
          "mnuEnd", "English", "German", "mnuTastaturevent", "mnuSetTime", "mnuInfo", "mnuHelp1"}) {
        const bool found = w.objectName() == QLatin1String(name) || w.findChild<QObject*>(QLatin1String(name));
        EXPECT_TRUE(found) << name;
    }
}

TEST(MainWindow, LanguageFileOneStartsInEnglish) {
    TempHome home;
    writeBytes(home.file("Language.ini"), "1\r\n");
    FrmTransfer w;
    w.Form_Load();
    EXPECT_EQ(LanguageIndex, 1);
    EXPECT_EQ(w.cmdConnect->text(), QStringLiteral("Connect"));
    EXPECT_EQ(header(w.MSFlex, 1), QStringLiteral("No."));
    EXPECT_TRUE(w.English->isChecked());
    EXPECT_FALSE(w.German->isChecked());
}

TEST(MainWindow, LanguageIndexTwoIsClampedToEnglish) {
    TempHome home;
    writeBytes(home.file("Language.ini"), "2\r\n");
    FrmTransfer w;
    w.Form_Load();
    EXPECT_EQ(LanguageIndex, 1);
    EXPECT_EQ(w.cmdEnde->text(), QStringLiteral("Exit program"));
}

TEST(MainWindow, SwitchingLanguageChangesCaptionsAtOnceAndIsSaved) {
    TempHome home;
    ScriptedPrompts prompts;
    FrmTransfer w;
    w.Form_Load();
    w.English->trigger();
    EXPECT_EQ(LanguageIndex, 1);
    EXPECT_EQ(header(w.MSFlex, 1), QStringLiteral("No."));
    EXPECT_EQ(header(w.MSFlex, 2), QStringLiteral("Value"));
    EXPECT_EQ(header(w.MSFlex, 3), QStringLiteral("Unit"));
    EXPECT_EQ(w.cmdFlexTabelleloeschen->text(), QStringLiteral("Delete Tab"));
    EXPECT_EQ(w.mnuSprache->title(), QStringLiteral("Language"));
    EXPECT_TRUE(w.English->isChecked());
    EXPECT_FALSE(w.German->isChecked());
    EXPECT_EQ(readBytes(home.file("Language.ini")), QByteArray("1\r\n"));
    EXPECT_TRUE(readBytes(home.file("TransferLog.txt")).endsWith("Voreinstellungen: SS\r\nVoreinstellungen: PI\r\n"));

    // A message box opened afterwards is English.
    QDir(AppDataPath).removeRecursively();
    Voreinstellungen("SS");
    ASSERT_FALSE(prompts.messages.isEmpty());
    EXPECT_TRUE(prompts.messages.last().startsWith(QStringLiteral("problems writing file Language.ini: ")));

    w.German->trigger();
    EXPECT_EQ(w.cmdFlexTabelleloeschen->text(), QStringLiteral("Tabelle löschen"));
    EXPECT_TRUE(w.German->isChecked());
}

TEST(MainWindow, ExitDisconnectsAndWaitsForIt) {
    TempHome home;
    FrmTransfer w;
    w.Form_Load();
    FakeLink link;
    w.setGaugeLink(&link);
    QElapsedTimer t;
    t.start();
    w.ExitSequence();
    EXPECT_EQ(link.disconnectRequests, 1);
    EXPECT_FALSE(link.connected);
    EXPECT_GE(t.elapsed(), 290);  // the 300 ms after the disconnection
}

TEST(MainWindow, ExitEndsEvenWhenTheGaugeNeverDisconnects) {
    TempHome home;
    FrmTransfer w;
    w.Form_Load();
    FakeLink link;
    link.answers = false;
    w.setGaugeLink(&link);
    w.setDisconnectTimeout(std::chrono::milliseconds(200));
    QElapsedTimer t;
    t.start();
    w.ExitSequence();
    EXPECT_LT(t.elapsed(), 3000);
    EXPECT_TRUE(readBytes(home.file("TransferLog.txt")).contains("did not confirm the disconnection"));
}

TEST(MainWindow, MissingPictureLeavesTheControlAsItWas) {
    QLabel label;
    label.setText(QStringLiteral("before"));
    EXPECT_FALSE(FrmTransfer::ShowPicture(&label, QStringLiteral("\\does-not-exist.png"), true));
    EXPECT_EQ(label.text(), QStringLiteral("before"));
}
