// The CSV and spreadsheet exports of the main window: the dialogs and messages around the
// writers of reports/.
#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QRadioButton>

#include "app/dialogs/frm_csv.h"
#include "app/file_choice.h"
#include "app/frm_transfer.h"
#include "texts/texts.h"
#include "data/gauge_identity.h"
#include "data/limits.h"
#include "data/trace_series.h"
#include "platform/open_document.h"
#include "platform/paths.h"
#include "platform/prompts.h"
#include "platform/translog.h"
#include "reports/csv_export.h"
#include "reports/report_text.h"
#include "reports/xlsx_export.h"

namespace zenu {

namespace {

// Creates the folder when missing; tells the user and the log when it cannot be created.
bool folderReady(const QString& folder, const QString& what) {
    if (platform::ensureFolder(folder)) return true;
    MsgBox(M(162) + QDir::toNativeSeparators(folder), MsgButtons::Ok, MsgIcon::Critical);
    WriteLog(what + QStringLiteral(": cannot create ") + folder);
    return false;
}

void reportWriteFailure(const QString& what, const QString& path, const QString& error) {
    MsgBox(M(161) + QDir::toNativeSeparators(path) + QLatin1Char('\n') + error, MsgButtons::Ok, MsgIcon::Critical);
    WriteLog(what + QStringLiteral(": ") + path + QStringLiteral(": ") + error);
}

// Unblocks the commands however the export ends.
struct ButtonsBlocked {
    explicit ButtonsBlocked(FrmTransfer& window) : w(window) { w.Block_Buttons(); }
    ~ButtonsBlocked() { w.Unblock_Buttons(); }
    FrmTransfer& w;
};

}  // namespace

void FrmTransfer::cmdcsv_Click() {
    FrmCSV dialog(this);
    dialog.save = [this](int anzahl, bool min, bool max, bool mittel) { CSVSpeichern(anzahl, min, max, mittel); };
    dialog.Form_Activate();
    showDialog(dialog);
}

void FrmTransfer::CSVSpeichern(int anzahl, bool min, bool max, bool mittel) {
    const QString what = QStringLiteral("CSV");
    const std::vector<MeasurementRecord> records = tableRecords(Tables, currentTable);
    // Told before a name is asked for: an empty table gives no file.
    if (records.empty()) {
        MsgBox(M(160), MsgButtons::Ok, MsgIcon::Information);
        return;
    }
    const QString folder = platform::serialFolder(MessDataPath, SerialNumber);
    if (!folderReady(folder, what)) return;
    const QString chosen = prompts().saveFileName(M(89), folder, QStringLiteral("CSVDatei(*.csv)"), QString());
    if (noFileChosen(chosen)) return;
    const QString path = csvFileName(inFolder(folder, chosen));

    const CsvOptions options{anzahl, min, max, mittel};
    const ExportResult result = writeCsvFile(records, options, ReportSourceLine(), LanguageIndex, path);
    if (result.status == ExportResult::Status::NoReadings)
        MsgBox(M(160), MsgButtons::Ok, MsgIcon::Information);
    else if (!result.ok())
        reportWriteFailure(what, path, result.error);
}

void FrmTransfer::cmdExcel_Click() {
    const QString what = QStringLiteral("Open Excel:");
    ButtonsBlocked blocked(*this);
    StatisticsModel& stats = table_.statistics();
    const QString entry = cmbSpeicher->currentText();
    const bool trace = isTraceMemoryShown(entry);
    if (tableRecords(Tables, currentTable).empty() && !(trace && !traceSeries.samples.empty())) {
        MsgBox(M(160), MsgButtons::Ok, MsgIcon::Information);
        return;
    }

    const bool possible = !stats.mixedUnits();
    const bool chart = possible && MsgBox(M(49), MsgButtons::YesNo, MsgIcon::Question) == MsgResult::Yes;

    const QString folder = measurementFolder();
    if (!folderReady(folder, what)) return;
    const QString chosen = prompts().saveFileName(cmdExcel->text(), folder, M(163), xlsxSheetName(LanguageIndex) +
                                                  QStringLiteral(".xlsx"));
    if (noFileChosen(chosen)) return;
    QString path = inFolder(folder, chosen);
    if (!path.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive)) path += QStringLiteral(".xlsx");

    const QString sourceLine = ReportSourceLine();
    BuildReportText(QStringLiteral("P"));
    ReportSource source{table_, Limits, Project, entry, memoryName_, &traceSeries};
    const XlsxContent content =
        shownTableWorkbook(source, sourceLine + ReportText, chart, [this] { cmdMaterial_Click(); });
    ExportResult result = writeXlsxFile(content, path);
    QString error;
    if (result.ok() && !openDocument(path, &error)) result = ExportResult::failed(error);
    if (!result.ok()) {
        const QString description = QDir::toNativeSeparators(path) + QStringLiteral(": ") + result.error;
        MsgBox(what + QLatin1Char(' ') + description, MsgButtons::Ok, MsgIcon::Critical);
        WriteLog(what + QLatin1Char(' ') + description);
    }
}

}  // namespace zenu
