#pragma once
// The main window: reading table, statistics, memory and online options, exports, the
// connection display and the menus. Controls are public, named as the rest of the program
// refers to them.
#include <QMainWindow>
#include <QPointer>
#include <chrono>
#include <functional>
#include <memory>

#include "data/reading_sink.h"
#include "data/table_ops.h"
#include "reports/chart_data.h"
#include "reports/key_sender.h"

class QAction;
class QDialog;
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
struct BatterySymbol;
class FrmProjekt;
class FrmTastatur;
class FrmWerte;
class BleSession;
class FrmBle;
class MainConnectionHost;
class MainDownloadHost;

class FrmTransfer : public QMainWindow, public ReadingSink, public TableView {
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

    // ---- Main window state (frm_transfer_state.cpp) ----
    // Read controls for the gauge's protocol family, then the memory title.
    void ShowMemoryControls();
    // memoryTitle: "Speicher <entry> (<count>)" on family "5", else "Speicher <number>".
    void SetMemoryTitle();
    // Option captions with a zero count / with the count text, which is then consumed.
    void Button_setzen_Init();
    void Button_setzen();
    // Re-runs the click handling of the current table option.
    void Focus_setzen();
    // Waits whole seconds while the window handles events.
    static void Delay(double seconds);
    // The table options: show the online table / the first-memory table.
    void optOnline_Click();
    void optFE_Click();

    QString memoryTitle;         // name of what table 0 holds ("Speicher 3", ...)
    QString MemoryNumber4;       // number of the memory a family "4" gauge read last
    int downloadedReadings = 0;  // readings of the memory file read last
    bool ConnectionChecked = false;  // the last connection check found the gauge connected

    // ---- Measurement table and statistics (frm_transfer_table.cpp) ----
    MeasurementTable& table() { return table_; }
    void AddReadingRow() override;
    void FillMSFlexOne() override;
    void Reset_Statistic();
    // Includes the record at readingIndex of the current table (left out when marked "X").
    void UpdateStatistics();
    void RecomputeStatistics();
    void cmdMaterial_Click();
    // row 1..n as the grid numbers them below its header.
    void MSFlex_Click(int row);
    void cmdSort_Click();
    void cmdFlexZeileLoeschen_Click();
    void cmdFlexTabelleloeschen_Click();
    // Runs for every reading added (the keyboard-event output hooks in here).
    std::function<void(const MeasurementRecord&)> onReadingAdded;

    // ReadingSink, for the decoders of gauge data.
    void setRecordCount(int n) override;
    void resetStatistics() override { Reset_Statistic(); }
    void setAbsoluteStatistics(bool on) override;
    void showTraceStatistics(const TraceSeries& trace) override;
    void hideMaterialButton() override;
    void showMemory(const QString& optionCaption, const QString& memoryLabel) override;
    void setStatusText(const QString& text) override;
    void setProgress(int value, int maximum) override;
    void showTraceChart() override;
    void showError(const QString& text) override;

    // TableView: redraws what the table model changed.
    void gridRebuilt() override;
    void gridRowAppended(int row) override;
    void gridRowsChanged() override;
    void statisticsChanged() override;

    // ---- Chart (frm_transfer_chart.cpp) ----
    // Switches between the statistics list and the small chart, building the data set each
    // time the chart is switched on; with readings of different units nothing happens.
    void cmdChart_Click();
    // Back to the statistics list, then the chart window (modal) with the same data set.
    void cmdGross_Click();
    // The data set both charts draw.
    ChartDataSet ChartData;

    // ---- Limits and project data (frm_transfer_limits.cpp) ----
    void cmdWerte_Click();
    // The limits button lost the focus: saves limits the dialog saved ("LS"), caption refreshed.
    void cmdWerte_LostFocus();
    void ShowLimitsOnButton();
    void cmdProjekt_Click();
    FrmWerte* frmWerte();
    FrmProjekt* frmProjekt();
    // Shows a dialog modally; tests replace it to drive the dialog.
    std::function<void(QDialog&)> runDialog;

    // ---- Measurement files and the report (frm_transfer_files.cpp) ----
    void cmdSave_Click();
    void cmdOpen_Click();
    // "A" whole report, "P" project block, into ReportText.
    void BuildReportText(const QString& selector);
    QString ReportText;
    // MessDataPath/mes/<serial>: where measurement files are opened and saved.
    static QString measurementFolder();
    bool fileMode() const { return fileMode_; }
    // Loads a picture file of the program folder into a label; a missing file leaves it as it was.
    static bool ShowPicture(QLabel* control, const QString& file, bool stretch);

    // ---- CSV and spreadsheet exports (frm_transfer_csv_excel.cpp) ----
    // Shows the CSV options dialog; its OK button calls CSVSpeichern.
    void cmdcsv_Click();
    // Asks for a file name in MessDataPath/<serial> and writes the shown table as CSV.
    void CSVSpeichern(int anzahl, bool min, bool max, bool mittel);
    // Asks for a file, writes the workbook (with the chart on request) and opens it.
    void cmdExcel_Click();

    // ---- Report outputs and the manual (frm_transfer_report_outputs.cpp) ----
    // Source line + report to the clipboard, or into a Word document opened on the desktop;
    // the report alone to a printer or a PDF file.
    void cmdClipboard_Click();
    void cmdWord_Click();
    void cmdprint_Click();
    void cmdPDF_Click();
    // The manual of the current language from AppDataPath.
    void mnuHelp1_Click();
    // The line clipboard, Word, CSV and Excel put in front of their text (CR LF ended, or "").
    QString ReportSourceLine() const;
    // Copies the manuals that ship with the program into AppDataPath where they are missing.
    static void InstallManuals();

    // The session whose connection the exit sequence ends (not owned).
    void setGaugeLink(GaugeLink* link) { link_ = link; }
    GaugeLink* gaugeLink() const { return link_; }
    // How long the exit sequence waits for the disconnection before it ends anyway.
    void setDisconnectTimeout(std::chrono::milliseconds timeout) { disconnectTimeout_ = timeout; }
    // Disconnects a connected gauge (bounded wait), then closes the program's windows.
    void ExitSequence();

    bool SpeichernShow = false;  // the save dialog is shown when saving

    // ---- The gauge link (frm_transfer_link.cpp) ----
    // Takes the session (not owned), creates the connection dialog BLE on it and follows the
    // link. Live readings of the session arrive in onLiveReading.
    void attachSession(BleSession* session);
    BleSession* session() const { return session_; }
    FrmBle* frmBle() const { return frmBle_; }
    // By its caption: connect through the dialog, disconnect, or reconnect after "Offline".
    void cmdConnect_Click();
    // Shows the link state; true when the gauge is connected.
    bool Verbindungscheck();
    void cmdLesen_Click();
    void cmdRefresh_Click();
    // The memory list of the connected gauge into cmbSpeicher.
    void loadMemoryList();
    // One notification of the measurement characteristic.
    void onLiveReading(const QString& value);
    // How long the ReConnect button waits for the link to come back.
    std::chrono::milliseconds reconnectTimeout{15000};

    // ---- Gauge clock, information and battery (frm_transfer_clock_info.cpp) ----
    // The clock dialog on the current session.
    void mnuSetTime_Click();
    // The information window once a gauge reported itself, else the program's version.
    void mnuInfo_Click();
    // BattIcon and lblBatterie for the battery state of the connected gauge.
    void showBatterySymbol(const BatterySymbol& symbol);

    // ---- Keyboard events (frm_transfer_keyboard.cpp) ----
    // Loads the settings ("TL") and shows the keyboard-event dialog, not modal; on a desktop
    // that cannot type into other programs it says why instead.
    void mnuTastaturevent_Click();
    // Starts the keyboard-event target once per run and path, when the function is on.
    void startKeyboardEventTarget();
    KeySender& keySender() { return *keySender_; }
    FrmTastatur* frmTastatur() const;

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
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenus();
    void buildControls();
    void connectCommands();
    void setLanguageChecks();
    void switchLanguage(int language);
    QList<QWidget*> commandSet() const;
    // The menu entries that run commands of the set.
    QList<QAction*> fileMenuCommands() const;
    void renderGridRow(int row);
    void renderGridHeaders();
    // Widens the statistics list to its lines in the font it draws them with.
    void fitStatisticsList();
    static constexpr int kStatisticsListWidth = 260;  // the design width, kept as the minimum
    void showDialog(QDialog& dialog);
    // Buttons for a table opened from a measurement file.
    void setFileModeButtons();
    QString statisticsTitle() const;

    MeasurementTable table_;
    FrmWerte* frmWerte_ = nullptr;
    FrmProjekt* frmProjekt_ = nullptr;
    bool fileMode_ = false;
    QString fileTitle_;   // name of the measurement file table 0 shows
    QString memoryName_;  // name from the header of the memory read last

    GaugeLink* link_ = nullptr;
    BleSession* session_ = nullptr;
    FrmBle* frmBle_ = nullptr;
    std::unique_ptr<MainConnectionHost> connectionHost_;
    std::unique_ptr<MainDownloadHost> downloadHost_;
    std::chrono::milliseconds disconnectTimeout_{5000};
    bool exiting_ = false;
    void initKeyEvents();
    std::unique_ptr<KeySender> keySender_;
    QPointer<FrmTastatur> frmTastatur_;

    // What this window puts into onLanguageLoaded, so that its destructor finds its own.
    struct LanguageHook {
        FrmTransfer* window;
        void operator()() const { window->ApplyLanguage(); }
    };
};

}  // namespace zenu
