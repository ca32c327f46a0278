// Measurement files (open and save) and the report text of the main window.
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QRadioButton>

#include "app/file_choice.h"
#include "app/frm_transfer.h"
#include "app/settings.h"
#include "texts/texts.h"
#include "data/gauge_identity.h"
#include "data/limits.h"
#include "data/measurement_file.h"
#include "data/project_data.h"
#include "data/trace_series.h"
#include "platform/paths.h"
#include "platform/prompts.h"
#include "platform/translog.h"
#include "reports/report_text.h"

namespace zenu {

namespace {

const QString kFilter = QStringLiteral("Messdaten (*.mes)");

// The folder for measurement files, created with its parents when missing. "" when it cannot
// be created (the error is shown).
QString preparedFolder(const QString& title) {
    const QString folder = FrmTransfer::measurementFolder();
    if (!platform::ensureFolder(folder)) {
        MsgBox(title + QStringLiteral(": ") + QDir::toNativeSeparators(folder), MsgButtons::Ok, MsgIcon::Critical);
        WriteLog(title + QStringLiteral(": cannot create ") + folder);
        return {};
    }
    return folder;
}

}  // namespace

QString FrmTransfer::measurementFolder() {
    return platform::serialFolder(MessDataPath + QStringLiteral("/mes"), SerialNumber);
}

void FrmTransfer::BuildReportText(const QString& selector) {
    Voreinstellungen(QStringLiteral("PL"));
    ReportSource source{table_, Limits, Project, cmbSpeicher->currentText(), memoryName_, &traceSeries};
    ReportText = ::zenu::BuildReportText(selector, source);
}

void FrmTransfer::cmdSave_Click() {
    const QString title = C(2);
    const QString folder = preparedFolder(title);
    if (folder.isEmpty()) return;
    const QString chosen = prompts().saveFileName(title, folder, kFilter, QString());
    if (noFileChosen(chosen)) return;
    const QString path = measurementFileName(inFolder(folder, chosen));

    BuildReportText(QStringLiteral("A"));
    QString error;
    if (!writeMeasurementFile(path, ReportText, &error)) {
        MsgBox(title + QStringLiteral(": ") + QDir::toNativeSeparators(path) + QStringLiteral("\n") + error,
               MsgButtons::Ok, MsgIcon::Critical);
        WriteLog(title + QStringLiteral(": ") + path + QStringLiteral(": ") + error);
    }
}

void FrmTransfer::cmdOpen_Click() {
    const QString title = C(1);
    const QString folder = preparedFolder(title);
    if (folder.isEmpty()) return;
    const QString chosen = prompts().openFileName(title, folder, kFilter);
    if (noFileChosen(chosen)) return;
    const QString path = inFolder(folder, chosen);

    // The file is read whole before the table is touched: a file that cannot be read leaves
    // the shown table as it was.
    MeasurementFileContent content;
    QString error;
    if (!readMeasurementFile(path, content, &error)) {
        MsgBox(title + QStringLiteral(": ") + QDir::toNativeSeparators(path) + QStringLiteral("\n") + error,
               MsgButtons::Ok, MsgIcon::Critical);
        WriteLog(title + QStringLiteral(": ") + path + QStringLiteral(": ") + error);
        return;
    }

    currentTable = kTableMemory;
    Reset_Statistic();
    ClearReadingTable(kTableMemory);
    const int count = static_cast<int>(content.records.size());
    for (int i = 0; i < count; ++i) Tables.at(kTableMemory, i + 1) = content.records[static_cast<std::size_t>(i)];
    readingIndex = count + 1;

    fileTitle_ = QFileInfo(path).fileName();
    optFE->setText(fileTitle_ + QStringLiteral(" (") + QString::number(count) + QLatin1Char(')'));
    fileMode_ = false;  // FillMSFlexOne sets the buttons for file data
    FillMSFlexOne();

    if (!content.errors.empty() || content.tooManyReadings) {
        const QString text = measurementFileErrorText(content, LanguageIndex);
        WriteLog(title + QStringLiteral(": ") + path + QStringLiteral(": ") + QString(text).replace(QLatin1Char('\n'), QLatin1String("; ")));
        MsgBox(QDir::toNativeSeparators(path) + QStringLiteral("\n") + text, MsgButtons::Ok, MsgIcon::Warning);
    }
}

}  // namespace zenu
