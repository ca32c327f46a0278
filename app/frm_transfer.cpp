#include "app/frm_transfer.h"
#include "app/main_connection_host.h"
#include "app/main_download_host.h"
#include "app/named_widget.h"
#include "app/settings.h"
#include "gauge/value_handler.h"

#include <QAction>
#include <QDialog>
#include <QEvent>
#include <QChartView>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace zenu {

namespace {

QPushButton* button(const char* name, const QString& caption = {}) {
    return named(new QPushButton(caption), name);
}

QLabel* pictureBox(const char* name, QSize size) {
    auto* label = named(new QLabel, name);
    label->setFixedSize(size);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

}  // namespace

FrmTransfer::FrmTransfer(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("frmTransfer"));
    setWindowTitle(QStringLiteral("VELTOR TRANSFER V2.0"));  // replaced at start-up
    buildMenus();
    buildControls();
    connectCommands();
    initKeyEvents();
    table_.setView(this);
    runDialog = [](QDialog& dialog) { dialog.exec(); };
    resize(1100, 720);
}

FrmTransfer::~FrmTransfer() {
    table_.setView(nullptr);
    // Settings loaded after this window is gone must not apply its language.
    if (const auto* hook = onLanguageLoaded.target<LanguageHook>(); hook && hook->window == this)
        onLanguageLoaded = nullptr;
    if (session_) setLiveReadingHandler({});
}

void FrmTransfer::buildMenus() {
    mnuDatei = named(menuBar()->addMenu(QString()), "mnuDatei");
    mnuOpen = named(mnuDatei->addAction(QString()), "mnuOpen");
    mnuSave = named(mnuDatei->addAction(QString()), "mnuSave");
    mnuPrint = named(mnuDatei->addAction(QString()), "mnuPrint");
    mnuDatei->addSeparator();
    mnuEnd = named(mnuDatei->addAction(QString()), "mnuEnd");
    mnuOpen->setShortcut(QKeySequence::Open);
    mnuSave->setShortcut(QKeySequence::Save);
    mnuPrint->setShortcut(QKeySequence::Print);
    mnuEnd->setShortcut(QKeySequence::Quit);

    mnuSprache = named(menuBar()->addMenu(QString()), "mnuSprache");
    German = named(mnuSprache->addAction(QString()), "German");
    English = named(mnuSprache->addAction(QString()), "English");
    German->setCheckable(true);
    English->setCheckable(true);

    mnuExtras = named(menuBar()->addMenu(QString()), "mnuExtras");
    mnuTastaturevent = named(mnuExtras->addAction(QString()), "mnuTastaturevent");
    mnuSetTime = named(mnuExtras->addAction(QString()), "mnuSetTime");

    mnuHilfe = named(menuBar()->addMenu(QString()), "mnuHilfe");
    mnuHelp1 = named(mnuHilfe->addAction(QString()), "mnuHelp1");
    mnuInfo = named(mnuHilfe->addAction(QString()), "mnuInfo");
    mnuHelp1->setShortcut(QKeySequence::HelpContents);

    connect(English, &QAction::triggered, this, &FrmTransfer::English_Click);
    connect(German, &QAction::triggered, this, &FrmTransfer::German_Click);
    connect(mnuEnd, &QAction::triggered, this, &FrmTransfer::close);
}

void FrmTransfer::buildControls() {
    auto* central = new QWidget;
    central->setObjectName(QStringLiteral("centralWidget"));
    auto* root = new QVBoxLayout(central);

    // Top band: device picture and status, connection, logo.
    auto* top = new QHBoxLayout;
    frmPic = named(new QFrame, "frmPic");
    frmPic->setFrameShape(QFrame::StyledPanel);
    frmPic->setAutoFillBackground(true);
    auto* picLayout = new QHBoxLayout(frmPic);
    picVQ = pictureBox("picVQ", QSize(90, 160));
    picLayout->addWidget(picVQ);
    auto* deviceColumn = new QVBoxLayout;
    lblName = named(new QLabel, "lblName");
    lblName->setVisible(false);
    deviceColumn->addWidget(lblName);
    deviceColumn->addStretch();
    picLayout->addLayout(deviceColumn);
    top->addWidget(frmPic);

    txtSpeicher = named(new QLineEdit, "txtSpeicher");
    txtSpeicher->setReadOnly(true);
    txtSpeicher->setAlignment(Qt::AlignCenter);
    txtSpeicher->setMinimumWidth(170);
    txtSpeicher->setMaximumWidth(320);
    QFont display = txtSpeicher->font();
    display.setPointSize(12);
    txtSpeicher->setFont(display);

    auto* link = new QGridLayout;
    cmdConnect = button("cmdConnect");
    cmdConnect->setMinimumHeight(36);
    cmdConnect->setMaximumWidth(320);
    txtWait = named(new QLabel, "txtWait");
    picBth = pictureBox("picBth", QSize(24, 24));
    picBthBlitz = pictureBox("picBthBlitz", QSize(24, 24));
    picUsb = pictureBox("picUsb", QSize(24, 24));
    BattIcon = named(new QLabel, "BattIcon");
    lblBatterie = named(new QLabel, "lblBatterie");
    auto* symbols = new QHBoxLayout;
    symbols->addWidget(picBth);
    symbols->addWidget(picBthBlitz);
    symbols->addWidget(picUsb);
    symbols->addWidget(txtWait);
    symbols->addStretch();
    auto* battery = new QHBoxLayout;
    battery->addWidget(BattIcon);
    battery->addWidget(lblBatterie);
    battery->addStretch();
    link->addWidget(txtSpeicher, 0, 0);
    link->addWidget(cmdConnect, 1, 0);
    link->addLayout(symbols, 2, 0);
    link->addLayout(battery, 3, 0);
    link->setColumnMinimumWidth(0, 260);
    top->addLayout(link, 0);
    top->addStretch();

    auto* logo = new QGridLayout;
    picRahmen = named(new QLabel, "picRahmen");
    picRahmen->setFixedSize(260, 90);
    picZenu = named(new QLabel, "picZenu");
    picZenu->setFixedSize(200, 60);
    logo->addWidget(picRahmen, 0, 0, Qt::AlignCenter);
    logo->addWidget(picZenu, 0, 0, Qt::AlignCenter);
    top->addLayout(logo);
    root->addLayout(top);

    // Body: commands | readings | statistics.
    auto* body = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    FrameBefehle = named(new QGroupBox, "FrameBefehle");
    auto* commands = new QVBoxLayout(FrameBefehle);
    auto* memoryRow = new QHBoxLayout;
    cmbSpeicher = named(new QComboBox, "cmbSpeicher");
    cmbSpeicher->setMinimumWidth(120);
    // The memory names arrive after the window is shown; each must be readable whole.
    cmbSpeicher->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    cmdRefresh = button("cmdRefresh", QStringLiteral("\u27F3"));
    cmdRefresh->setFixedWidth(32);
    memoryRow->addWidget(cmbSpeicher, 1);
    memoryRow->addWidget(cmdRefresh);
    commands->addLayout(memoryRow);
    cmdLesen = button("cmdLesen");
    commands->addWidget(cmdLesen);
    optFE = named(new QRadioButton, "optFE");
    optOnline = named(new QRadioButton, "optOnline");
    commands->addWidget(optFE);
    commands->addWidget(optOnline);
    cmdStop = button("cmdStop");
    commands->addWidget(cmdStop);
    commands->addSpacing(8);
    cmdProjekt = button("cmdProjekt");
    cmdWerte = button("cmdWerte");
    cmdWerte->setMinimumHeight(56);
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    cmdWerte->setFont(mono);
    commands->addWidget(cmdProjekt);
    commands->addWidget(cmdWerte);
    commands->addSpacing(8);
    cmdOpen = button("cmdOpen");
    cmdSave = button("cmdSave");
    commands->addWidget(cmdOpen);
    commands->addWidget(cmdSave);
    commands->addStretch();
    left->addWidget(FrameBefehle, 1);

    FrameKopieren = named(new QGroupBox, "FrameKopieren");
    auto* copy = new QGridLayout(FrameKopieren);
    cmdClipboard = button("cmdClipboard", QStringLiteral("Clipboard"));
    cmdWord = button("cmdWord", QStringLiteral("MS Word"));
    cmdExcel = button("cmdExcel", QStringLiteral("MS Excel"));
    cmdcsv = button("cmdcsv", QStringLiteral("CSV"));
    cmdprint = button("cmdprint");
    cmdPDF = button("cmdPDF", QStringLiteral("PDF"));
    copy->addWidget(cmdClipboard, 0, 0);
    copy->addWidget(cmdWord, 0, 1);
    copy->addWidget(cmdExcel, 1, 0);
    copy->addWidget(cmdcsv, 1, 1);
    copy->addWidget(cmdprint, 2, 0);
    copy->addWidget(cmdPDF, 2, 1);
    FrameKopieren->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    left->addWidget(FrameKopieren);
    left->addStretch();
    cmdEnde = button("cmdEnde");
    left->addWidget(cmdEnde);
    body->addLayout(left);

    // The grid is shown from start-up on; FrameWerte only holds the row commands, which
    // appear once a gauge is connected.
    auto* readings = new QVBoxLayout;
    MSFlex = named(new QTableWidget(0, 4), "MSFlex");
    MSFlex->verticalHeader()->setVisible(false);
    MSFlex->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Rows are marked by their colour (a click toggles it); a selection highlight would hide it.
    MSFlex->setSelectionMode(QAbstractItemView::NoSelection);
    MSFlex->setWordWrap(false);
    readings->addWidget(MSFlex, 1);
    FrameWerte = named(new QGroupBox, "FrameWerte");
    auto* rowButtons = new QHBoxLayout(FrameWerte);
    cmdSort = button("cmdSort", QStringLiteral("\u2195"));
    cmdSort->setFixedWidth(40);
    cmdFlexZeileLoeschen = button("cmdFlexZeileLoeschen");
    cmdFlexTabelleloeschen = button("cmdFlexTabelleloeschen");
    rowButtons->addWidget(cmdSort);
    rowButtons->addWidget(cmdFlexZeileLoeschen);
    rowButtons->addWidget(cmdFlexTabelleloeschen);
    rowButtons->addStretch();
    readings->addWidget(FrameWerte);
    body->addLayout(readings, 1);

    FrameStatistik = named(new QGroupBox, "FrameStatistik");
    auto* stats = new QVBoxLayout(FrameStatistik);
    lstStat = named(new QListWidget, "lstStat");
    lstStat->setFont(mono);
    lstStat->setMinimumWidth(kStatisticsListWidth);
    stats->addWidget(lstStat, 1);
    auto* statButtons = new QHBoxLayout;
    cmdMaterial = button("cmdMaterial", QStringLiteral("FE / NF"));
    txtMittelwert = named(new QLineEdit, "txtMittelwert");
    txtMittelwert->setReadOnly(true);
    statButtons->addWidget(cmdMaterial);
    statButtons->addWidget(txtMittelwert, 1);
    stats->addLayout(statButtons);
    MSChart1 = named(new QChartView, "MSChart1");
    MSChart1->setMinimumHeight(160);
    // In the place of the statistics list and as wide as it, whatever the chart would like.
    MSChart1->setMinimumWidth(kStatisticsListWidth);
    MSChart1->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Expanding);
    stats->addWidget(MSChart1, 1);
    auto* chartButtons = new QHBoxLayout;
    cmdChart = button("cmdChart", QStringLiteral("Chart"));
    cmdGross = button("cmdGross", QStringLiteral("<=>"));
    cmdGross->setFixedWidth(40);
    chartButtons->addWidget(cmdChart);
    chartButtons->addWidget(cmdGross);
    chartButtons->addStretch();
    stats->addLayout(chartButtons);
    body->addWidget(FrameStatistik);
    root->addLayout(body, 1);

    // Wait frame over the bottom edge.
    frmwait = named(new QFrame, "frmwait");
    auto* wait = new QHBoxLayout(frmwait);
    Waitmessage = named(new QLabel, "Waitmessage");
    WaitBar = named(new QProgressBar, "WaitBar");
    wait->addWidget(Waitmessage);
    wait->addWidget(WaitBar, 1);
    frmwait->setVisible(false);
    root->addWidget(frmwait);

    setCentralWidget(central);
    connect(cmdEnde, &QPushButton::clicked, this, &FrmTransfer::close);
}

void FrmTransfer::connectCommands() {
    connect(cmdOpen, &QPushButton::clicked, this, &FrmTransfer::cmdOpen_Click);
    connect(mnuOpen, &QAction::triggered, this, &FrmTransfer::cmdOpen_Click);
    connect(cmdSave, &QPushButton::clicked, this, &FrmTransfer::cmdSave_Click);
    connect(mnuSave, &QAction::triggered, this, &FrmTransfer::cmdSave_Click);
    connect(cmdWerte, &QPushButton::clicked, this, &FrmTransfer::cmdWerte_Click);
    connect(cmdProjekt, &QPushButton::clicked, this, &FrmTransfer::cmdProjekt_Click);
    connect(cmdSort, &QPushButton::clicked, this, &FrmTransfer::cmdSort_Click);
    connect(cmdFlexZeileLoeschen, &QPushButton::clicked, this, &FrmTransfer::cmdFlexZeileLoeschen_Click);
    connect(cmdFlexTabelleloeschen, &QPushButton::clicked, this, &FrmTransfer::cmdFlexTabelleloeschen_Click);
    connect(cmdMaterial, &QPushButton::clicked, this, &FrmTransfer::cmdMaterial_Click);
    connect(cmdChart, &QPushButton::clicked, this, &FrmTransfer::cmdChart_Click);
    connect(cmdGross, &QPushButton::clicked, this, &FrmTransfer::cmdGross_Click);
    connect(MSFlex, &QTableWidget::cellClicked, this, [this](int row, int) { MSFlex_Click(row + 1); });
    connect(optFE, &QRadioButton::clicked, this, &FrmTransfer::optFE_Click);
    connect(optOnline, &QRadioButton::clicked, this, &FrmTransfer::optOnline_Click);
    connect(cmdClipboard, &QPushButton::clicked, this, &FrmTransfer::cmdClipboard_Click);
    connect(cmdWord, &QPushButton::clicked, this, &FrmTransfer::cmdWord_Click);
    connect(cmdprint, &QPushButton::clicked, this, &FrmTransfer::cmdprint_Click);
    connect(mnuPrint, &QAction::triggered, this, &FrmTransfer::cmdprint_Click);
    connect(cmdPDF, &QPushButton::clicked, this, &FrmTransfer::cmdPDF_Click);
    connect(cmdcsv, &QPushButton::clicked, this, &FrmTransfer::cmdcsv_Click);
    connect(cmdExcel, &QPushButton::clicked, this, &FrmTransfer::cmdExcel_Click);
    connect(mnuHelp1, &QAction::triggered, this, &FrmTransfer::mnuHelp1_Click);
    connect(mnuSetTime, &QAction::triggered, this, &FrmTransfer::mnuSetTime_Click);
    connect(mnuInfo, &QAction::triggered, this, &FrmTransfer::mnuInfo_Click);
    cmdWerte->installEventFilter(this);
}

bool FrmTransfer::eventFilter(QObject* watched, QEvent* event) {
    if (watched == cmdWerte && event->type() == QEvent::FocusOut) cmdWerte_LostFocus();
    return QMainWindow::eventFilter(watched, event);
}

void FrmTransfer::showDialog(QDialog& dialog) {
    if (runDialog) runDialog(dialog);
}

QList<QWidget*> FrmTransfer::commandSet() const {
    return {optFE,   optOnline, cmdOpen, cmdSave, cmdprint, cmdWord, cmdClipboard,          cmdExcel,
            cmdLesen, cmdEnde,  cmdWerte, cmdProjekt, cmdFlexTabelleloeschen, cmdFlexZeileLoeschen,
            cmdSort, cmdChart,  cmdGross, cmdMaterial, cmdcsv, cmdPDF};
}

QList<QAction*> FrmTransfer::fileMenuCommands() const { return {mnuOpen, mnuSave, mnuPrint}; }

// The file menu runs the commands of cmdOpen, cmdSave and cmdprint: a file opened in the middle
// of a download would reset the table it is filling.
void FrmTransfer::Block_Buttons() {
    for (QWidget* w : commandSet()) w->setEnabled(false);
    for (QAction* a : fileMenuCommands()) a->setEnabled(false);
}

void FrmTransfer::Unblock_Buttons() {
    for (QWidget* w : commandSet()) w->setEnabled(true);
    for (QAction* a : fileMenuCommands()) a->setEnabled(true);
}

}  // namespace zenu
