// Start-up, language, branding and exit of the main window.
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPixmap>
#include <QPushButton>
#include <QProgressBar>
#include <QRadioButton>
#include <QChartView>
#include <QComboBox>
#include <QTableWidget>

#include "app/branding.h"
#include "app/frm_transfer.h"
#include "gauge/gauge_link.h"
#include "app/settings.h"
#include "texts/texts.h"
#include "data/gauge_identity.h"
#include "data/limits.h"
#include "data/measurement_record.h"
#include "platform/event_wait.h"
#include "platform/localefmt.h"
#include "platform/paths.h"
#include "platform/translog.h"

namespace zenu {

void FrmTransfer::Form_Load() {
    platform::initLocale();
    platform::initPaths();

    FrameWerte->setVisible(false);
    FrameStatistik->setVisible(false);
    FrameBefehle->setVisible(false);
    cmdProjekt->setVisible(false);
    cmdWerte->setVisible(false);
    frmPic->setVisible(true);

    DeleteLog();
    picUsb->setVisible(false);
    WriteLog(QStringLiteral("Start Zenuconnect"));
    InstallManuals();

    onLanguageLoaded = LanguageHook{this};
    Voreinstellungen(QStringLiteral("SL"));

    for (QWidget* w : {static_cast<QWidget*>(lstStat), static_cast<QWidget*>(MSChart1),
                       static_cast<QWidget*>(cmdChart), static_cast<QWidget*>(cmdGross),
                       static_cast<QWidget*>(cmdMaterial), static_cast<QWidget*>(cmdLesen),
                       static_cast<QWidget*>(txtMittelwert), static_cast<QWidget*>(BattIcon),
                       static_cast<QWidget*>(lblBatterie), static_cast<QWidget*>(cmbSpeicher),
                       static_cast<QWidget*>(cmdRefresh), static_cast<QWidget*>(picVQ),
                       static_cast<QWidget*>(picBth), static_cast<QWidget*>(frmPic)})
        w->setVisible(false);
    txtSpeicher->setVisible(true);

    setWindowTitle(programTitle());

    if (LanguageIndex > kLanguageEnglish) LanguageIndex = kLanguageEnglish;
    ApplyLanguage();

    Block_Buttons();
    currentTable = kTableMemory;
    SetupGrid();
    MSFlex->setVisible(true);
    cmdConnect->setVisible(true);

    setLanguageChecks();

    Reset_Statistic();
    SpeichernShow = true;
    Block_Buttons();
    // Nothing runs yet: a measurement file can be opened, saved and printed without a gauge.
    for (QAction* a : fileMenuCommands()) a->setEnabled(true);
}

void FrmTransfer::ApplyLanguage() {
    const bool connected = link_ && link_->isConnected();
    cmdConnect->setText(C(connected ? 52 : 50));

    mnuDatei->setTitle(C(0));
    mnuOpen->setText(C(1));
    mnuSave->setText(C(2));
    mnuPrint->setText(C(3));
    mnuEnd->setText(C(4));
    mnuSprache->setTitle(C(30));
    English->setText(C(31));
    German->setText(C(32));
    mnuExtras->setTitle(M(21));
    mnuTastaturevent->setText(QLatin1Char('&') + C(45));
    mnuSetTime->setText(M(46));
    mnuHilfe->setTitle(C(40));
    mnuInfo->setText(C(41));
    mnuHelp1->setText(C(42));

    cmdOpen->setText(C(1));
    cmdSave->setText(C(2));
    cmdprint->setText(C(3));
    cmdEnde->setText(C(5));
    cmdProjekt->setText(M(38));
    ShowLimitsOnButton();
    cmdLesen->setText(M(30));
    cmdFlexZeileLoeschen->setText(M(40));
    cmdFlexTabelleloeschen->setText(M(41));
    cmdStop->setText(M(55));
    cmdClipboard->setToolTip(M(9));
    // Deleting rows or the table never touches the gauge's memory.
    cmdFlexZeileLoeschen->setToolTip(M(37));
    cmdFlexTabelleloeschen->setToolTip(M(37));

    txtWait->setText(connected ? C(53) : M(13));
    txtSpeicher->setText(M(42));
    lblBatterie->setText(M(73));
    FrameWerte->setTitle(M(20));
    FrameBefehle->setTitle(M(21));
    FrameKopieren->setTitle(M(23));
    Waitmessage->setText(M(13));
    if (optOnline->text().isEmpty()) optOnline->setText(M(8));
    if (optFE->text().isEmpty()) optFE->setText(M(6));
}

void FrmTransfer::setLanguageChecks() {
    German->setChecked(LanguageIndex == kLanguageGerman);
    English->setChecked(LanguageIndex != kLanguageGerman);
}

void FrmTransfer::English_Click() { switchLanguage(kLanguageEnglish); }

void FrmTransfer::German_Click() { switchLanguage(kLanguageGerman); }

bool FrmTransfer::ShowPicture(QLabel* control, const QString& file, bool stretch) {
    const QString path = platform::findProgramFile(file);
    QPixmap picture;
    if (path.isEmpty() || !picture.load(path)) return false;
    if (stretch) {
        control->setPixmap(picture.scaled(control->size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    } else {
        control->setPixmap(picture);
        control->setFixedSize(picture.size());
    }
    return true;
}

void FrmTransfer::ApplyBranding() {
    const Branding b = brandingFor(BrandingVariant);
    if (!b.frameFile.isEmpty()) ShowPicture(picRahmen, b.frameFile, true);
    else picRahmen->clear();
    if (ShowPicture(picZenu, b.logoFile, true)) picZenu->setVisible(true);
    const QString iconPath = platform::findProgramFile(b.iconFile);
    if (!iconPath.isEmpty()) {
        const QIcon icon(iconPath);
        if (!icon.isNull()) setWindowIcon(icon);
    }
    FrameStatistik->setTitle(b.company);
    for (QWidget* w : {static_cast<QWidget*>(FrameStatistik), static_cast<QWidget*>(txtWait)}) {
        QPalette palette = w->palette();
        palette.setColor(QPalette::WindowText, b.foreColour);
        w->setPalette(palette);
    }
}

void FrmTransfer::ExitSequence() {
    // Limits saved in the dialog are written when the limits button loses the focus; a window
    // closed before that must not lose them.
    if (Limits.LimitsSaved) {
        Limits.LimitsSaved = false;
        Voreinstellungen(QStringLiteral("LS"));
    }
    if (link_ && link_->isConnected()) {
        link_->requestDisconnect();
        const auto result =
            platform::waitUntil([this] { return !link_->isConnected(); }, disconnectTimeout_, std::chrono::milliseconds(1));
        if (result == platform::WaitResult::TimedOut)
            WriteLog(QStringLiteral("Exit: the gauge did not confirm the disconnection"));
    }
    platform::waitFor(std::chrono::milliseconds(300));
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w != this) w->close();
}

void FrmTransfer::closeEvent(QCloseEvent* event) {
    if (!exiting_) {
        exiting_ = true;
        ExitSequence();
    }
    event->accept();
    QMainWindow::closeEvent(event);
}

}  // namespace zenu
