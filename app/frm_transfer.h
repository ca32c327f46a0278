#pragma once
// The main window: reading table, statistics, memory and online options, exports, the
// connection display and the menus. Controls are public, named as the rest of the program
// refers to them.
#include <QMainWindow>
#include <chrono>

class QAction;
class QChartView;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace zenu {

class GaugeLink;

class FrmTransfer : public QMainWindow {
    Q_OBJECT
public:
    explicit FrmTransfer(QWidget* parent = nullptr);
    ~FrmTransfer() override;

    // Start-up: folders, log, language, captions, the empty table, commands disabled.
    void Form_Load();
    // Captions of this window for the current LanguageIndex.
    void ApplyLanguage();
    // Grid columns, widths and headers; runs before every full rebuild.
    void SetupGrid();
    // Logo, icon, company caption and colours of the current BrandingVariant.
    void ApplyBranding();
    // Disable / enable the whole command set around long operations.
    void Block_Buttons();
    void Unblock_Buttons();
    void English_Click();
    void German_Click();
    // Loads a picture file of the program folder into a label; a missing file leaves it as it was.
    static bool ShowPicture(QLabel* control, const QString& file, bool stretch);

    // The session whose connection the exit sequence ends (not owned).
    void setGaugeLink(GaugeLink* link) { link_ = link; }
    // How long the exit sequence waits for the disconnection before it ends anyway.
    void setDisconnectTimeout(std::chrono::milliseconds timeout) { disconnectTimeout_ = timeout; }
    // Disconnects a connected gauge (bounded wait), then closes the program's windows.
    void ExitSequence();

    bool SpeichernShow = false;  // the save dialog is shown when saving

    // Menus
    QMenu* mnuDatei = nullptr;
    QAction* mnuOpen = nullptr;
    QAction* mnuSave = nullptr;
    QAction* mnuPrint = nullptr;
    QAction* mnuEnd = nullptr;
    QMenu* mnuSprache = nullptr;
    QAction* English = nullptr;
    QAction* German = nullptr;
    QMenu* mnuExtras = nullptr;
    QAction* mnuTastaturevent = nullptr;
    QAction* mnuSetTime = nullptr;
    QMenu* mnuHilfe = nullptr;
    QAction* mnuInfo = nullptr;
    QAction* mnuHelp1 = nullptr;

    // Connection and device
    QPushButton* cmdConnect = nullptr;
    QLabel* txtWait = nullptr;
    QLabel* picBth = nullptr;
    QLabel* picBthBlitz = nullptr;
    QLabel* picUsb = nullptr;
    QLabel* BattIcon = nullptr;
    QLabel* lblBatterie = nullptr;
    QFrame* frmPic = nullptr;
    QLabel* picVQ = nullptr;
    QLabel* lblName = nullptr;
    QLineEdit* txtSpeicher = nullptr;
    QLabel* picZenu = nullptr;
    QLabel* picRahmen = nullptr;

    // Commands
    QGroupBox* FrameBefehle = nullptr;
    QComboBox* cmbSpeicher = nullptr;
    QPushButton* cmdRefresh = nullptr;
    QPushButton* cmdLesen = nullptr;
    QRadioButton* optFE = nullptr;
    QRadioButton* optOnline = nullptr;
    QPushButton* cmdStop = nullptr;
    QPushButton* cmdProjekt = nullptr;
    QPushButton* cmdWerte = nullptr;
    QPushButton* cmdOpen = nullptr;
    QPushButton* cmdSave = nullptr;
    QPushButton* cmdEnde = nullptr;

    // Copy targets
    QGroupBox* FrameKopieren = nullptr;
    QPushButton* cmdClipboard = nullptr;
    QPushButton* cmdWord = nullptr;
    QPushButton* cmdExcel = nullptr;
    QPushButton* cmdcsv = nullptr;
    QPushButton* cmdprint = nullptr;
    QPushButton* cmdPDF = nullptr;

    // Readings
    QGroupBox* FrameWerte = nullptr;
    QTableWidget* MSFlex = nullptr;
    QPushButton* cmdSort = nullptr;
    QPushButton* cmdFlexZeileLoeschen = nullptr;
    QPushButton* cmdFlexTabelleloeschen = nullptr;

    // Statistics and chart
    QGroupBox* FrameStatistik = nullptr;
    QListWidget* lstStat = nullptr;
    QPushButton* cmdMaterial = nullptr;
    QLineEdit* txtMittelwert = nullptr;
    QChartView* MSChart1 = nullptr;
    QPushButton* cmdChart = nullptr;
    QPushButton* cmdGross = nullptr;

    // Waiting
    QFrame* frmwait = nullptr;
    QLabel* Waitmessage = nullptr;
    QProgressBar* WaitBar = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    void buildControls();
    void setLanguageChecks();
    QList<QWidget*> commandSet() const;

    GaugeLink* link_ = nullptr;
    std::chrono::milliseconds disconnectTimeout_{5000};
    bool exiting_ = false;
};

}  // namespace zenu
