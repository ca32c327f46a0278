// The report's outputs: clipboard, Word document, printer and PDF; and the user manual.
#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>

#include "app/file_choice.h"
#include "app/frm_transfer.h"
#include "texts/texts.h"
#include "platform/open_document.h"
#include "platform/paths.h"
#include "platform/prompts.h"
#include "platform/translog.h"
#include "reports/docx_writer.h"
#include "reports/report_text.h"
#include "reports/text_pages.h"

namespace zenu {
namespace {

const QString kEnglishManual = QStringLiteral("EN_Manual_Zenu_Connect.pdf");
const QString kGermanManual = QStringLiteral("DE_Manual_Zenu_Connect.pdf");

// Asks for the file to write, in the gauge's measurement folder. "" when the user cancels or
// the folder cannot be created (then the user has been told). The suffix is added when the
// name lacks it.
QString chooseOutputFile(const QString& title, const QString& filter, const QString& suffix) {
    const QString folder = FrmTransfer::measurementFolder();
    if (!platform::ensureFolder(folder)) {
        const QString text = M(144) + QStringLiteral(": ") + QDir::toNativeSeparators(folder);
        MsgBox(text, MsgButtons::Ok, MsgIcon::Critical, title);
        WriteLog(title + QStringLiteral(": ") + text);
        return {};
    }
    const QString chosen = prompts().saveFileName(title, folder, filter, M(146) + suffix);
    if (chosen.trimmed().isEmpty()) return {};
    QString path = inFolder(folder, chosen);
    if (!path.endsWith(suffix, Qt::CaseInsensitive)) path += suffix;
    return path;
}

void reportFailure(const QString& title, const QString& text) {
    MsgBox(text, MsgButtons::Ok, MsgIcon::Critical, title);
    WriteLog(title + QStringLiteral(": ") + QString(text).replace(QLatin1Char('\n'), QLatin1String("; ")));
}

}  // namespace

QString FrmTransfer::ReportSourceLine() const {
    ReportOrigin origin;
    origin.memorySelected = optFE->isChecked();
    origin.memoryCaption = optFE->text();
    origin.memoryName = memoryName_;
    origin.onlineSelected = optOnline->isChecked();
    origin.onlineCaption = optOnline->text();
    return reportSourceLine(origin, LanguageIndex);
}

void FrmTransfer::cmdClipboard_Click() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) return;
    clipboard->clear();
    const QString source = ReportSourceLine();
    BuildReportText(QStringLiteral("A"));
    clipboard->setText(source + ReportText);
}

void FrmTransfer::cmdWord_Click() {
    Block_Buttons();
    // The file is asked for before the report is built: a cancelled dialog leaves the method
    // toggle as it was.
    const QString path = chooseOutputFile(QStringLiteral("MS Word"), M(142), QStringLiteral(".docx"));
    if (!path.isEmpty()) {
        const QString source = ReportSourceLine();
        BuildReportText(QStringLiteral("A"));
        QString error;
        QString failure;
        if (!writeDocx(path, source + ReportText, &error)) {
            failure = M(144) + QStringLiteral(" ") + QDir::toNativeSeparators(path) + QStringLiteral(": ") + error;
        } else {
            // Without it the word processor shows the columns in a proportional font.
            if (!ensureLucidaConsoleStandIn(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation),
                                            &error))
                WriteLog(QStringLiteral("Word: no font stand-in: ") + error);
            if (!openDocument(path, &error)) failure = error;
        }
        if (!failure.isEmpty()) {
            const QString text = QStringLiteral("Open Word:") + failure;
            MsgBox(text, MsgButtons::Ok, MsgIcon::Critical);
            WriteLog(text);
        }
    }
    Unblock_Buttons();
}

void FrmTransfer::cmdprint_Click() {
    QPrinter printer(QPrinter::HighResolution);
    if (!prompts().printerDialog(printer)) return;
    BuildReportText(QStringLiteral("A"));
    QString error;
    // A printer that cannot be started (a print-to-file path that cannot be written, a queue
    // that is gone) would otherwise look like a finished print.
    if (!paintTextPages(printer, ReportText, reportFont(printFontFamilies(), 10), &error))
    {
        const QString target = printer.outputFileName().isEmpty() ? printer.printerName()
                                                                  : QDir::toNativeSeparators(printer.outputFileName());
        reportFailure(C(3), M(145) + QStringLiteral(": ") + target + QStringLiteral("\n") + error);
    }
}

void FrmTransfer::cmdPDF_Click() {
    const QString title = QStringLiteral("PDF");
    const QString path = chooseOutputFile(title, M(143), QStringLiteral(".pdf"));
    if (path.isEmpty()) return;
    BuildReportText(QStringLiteral("A"));
    QString error;
    if (!writeTextPdf(path, ReportText, reportFont(pdfFontFamilies(), 10), programTitle(), &error))
        reportFailure(title, M(144) + QStringLiteral(": ") + QDir::toNativeSeparators(path) + QStringLiteral("\n") + error);
}

void FrmTransfer::mnuHelp1_Click() {
    const QString path =
        AppDataPath + QLatin1Char('/') + (LanguageIndex == kLanguageEnglish ? kEnglishManual : kGermanManual);
    QString error;
    if (openDocument(path, &error)) return;
    WriteLog(QStringLiteral("Manual: ") + error);
    MsgBox(M(140) + QDir::toNativeSeparators(path) + M(141), MsgButtons::Ok);
}

void FrmTransfer::InstallManuals() {
    for (const QString& name : {kGermanManual, kEnglishManual}) {
        const QString target = AppDataPath + QLatin1Char('/') + name;
        if (QFileInfo::exists(target)) continue;
        const QString shipped = platform::findProgramFile(name);
        if (shipped.isEmpty()) continue;
        // Copied under another name and renamed, so an interrupted copy is never taken for
        // the manual.
        const QString partial = target + QStringLiteral(".part");
        QFile::remove(partial);
        if (!QFile::copy(shipped, partial) || !QFile::rename(partial, target)) {
            QFile::remove(partial);
            WriteLog(QStringLiteral("Manual: cannot copy ") + shipped + QStringLiteral(" to ") + target);
        }
    }
}

}  // namespace zenu
