// The report's outputs from the main window: clipboard and Word document with the source line,
// printer and PDF without it, each read back; failures told once; the manual of the language.
#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include "platform/cp1252.h"
#include "platform/open_document.h"
#include "tests/app/window_support.h"
#include "tests/support/document_text.h"
#include "tests/support/file_bytes.h"

namespace zenu::testing {
namespace {

// The printer dialog answered with a PDF file as the printer.
class PrintToFile : public UserPrompts {
public:
    explicit PrintToFile(QString file) : file_(std::move(file)), previous_(&prompts()) { setPrompts(this); }
    ~PrintToFile() override { setPrompts(previous_); }
    MsgResult messageBox(const QString& text, MsgButtons, MsgIcon, const QString&) override {
        messages << text;
        return MsgResult::Ok;
    }
    QString openFileName(const QString&, const QString&, const QString&) override { return {}; }
    QString saveFileName(const QString&, const QString&, const QString&, const QString&) override { return {}; }
    bool printerDialog(QPrinter& printer) override {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(file_);
        return true;
    }
    QStringList messages;

private:
    QString file_;
    UserPrompts* previous_;
};

class ReportOutputs : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        useCoatingGauge();
        putReadings({reading(1, 12.5), reading(2, 13.1, QStringLiteral("FE"), 1)});
        w().FillMSFlexOne();
        w().showMemory(QStringLiteral("Speicher 3"), QStringLiteral("(Probe A)"));
        w().optFE->setChecked(true);
    }
    QString log() const { return platform::decodeCp1252(readBytes(home.file(QStringLiteral("TransferLog.txt")))); }
    QString folder() const { return FrmTransfer::measurementFolder(); }
};

TEST_F(ReportOutputs, ClipboardAndWordCarryTheSourceLineAndTheReport) {
    w().cmdClipboard->click();
    const QString text = QGuiApplication::clipboard()->text();
    EXPECT_TRUE(w().ReportText.contains(QStringLiteral("        13,1 ")));
    EXPECT_EQ(text, QStringLiteral("Speicher Speicher 3 (Probe A)\r\n") + w().ReportText);

    RecordingDocumentOpener opener;
    prompts.fileAnswers = {QStringLiteral("bericht")};
    w().cmdWord->click();
    const QString path = folder() + QStringLiteral("/bericht.docx");
    EXPECT_EQ(prompts.fileDialogs.last(), QStringLiteral("save:") + folder() + QStringLiteral("/Bericht.docx"));
    EXPECT_EQ(opener.opened, QStringList{path});
    QStringList lines = text.split(QStringLiteral("\r\n"));
    lines.removeLast();
    EXPECT_EQ(docxParagraphs(path), lines);
    EXPECT_TRUE(prompts.messages.isEmpty());
    EXPECT_TRUE(w().cmdWord->isEnabled());
    // The word processor finds a monospaced stand-in where Lucida Console is missing.
    const QByteArray alias =
        readBytes(home.path() + QStringLiteral("/config/fontconfig/conf.d/60-zenuconnect-lucida-console.conf"));
    EXPECT_TRUE(alias.contains("<family>Lucida Console</family>\n    <accept><family>Liberation Mono</family>"));

    // Cancelled: nothing written, nothing opened, nothing said.
    w().cmdWord->click();
    EXPECT_EQ(opener.opened.size(), 1);
    EXPECT_TRUE(prompts.messages.isEmpty());

    // The desktop cannot open it, or the file cannot be written: one message, one log line,
    // the commands usable again; an existing document stays as it was.
    opener.succeed = false;
    prompts.fileAnswers = {path, folder() + QStringLiteral("/gone/x.docx")};
    const QByteArray before = readBytes(path);
    w().cmdWord->click();
    w().cmdWord->click();
    ASSERT_EQ(prompts.messages.size(), 2);
    EXPECT_EQ(prompts.messages.at(0), QStringLiteral("Open Word:") + opener.failure);
    EXPECT_TRUE(prompts.messages.at(1).startsWith(QStringLiteral("Open Word:Datei kann nicht geschrieben werden ") +
                                                  QDir::toNativeSeparators(folder() + QStringLiteral("/gone/x.docx"))))
        << prompts.messages.at(1).toStdString();
    EXPECT_EQ(opener.opened.size(), 2);
    EXPECT_TRUE(log().contains(QStringLiteral("Open Word:") + opener.failure));
    EXPECT_TRUE(log().contains(QStringLiteral("Open Word:Datei kann nicht geschrieben werden")));
    EXPECT_EQ(readBytes(path).size(), before.size());
    EXPECT_TRUE(w().cmdWord->isEnabled());
}

TEST_F(ReportOutputs, PdfAndPrinterCarryTheReportAlone) {
    prompts.fileAnswers = {QStringLiteral("bericht.PDF")};
    w().cmdPDF->click();
    const QString pdf = folder() + QStringLiteral("/bericht.PDF");
    EXPECT_EQ(prompts.fileDialogs.last(), QStringLiteral("save:") + folder() + QStringLiteral("/Bericht.pdf"));
    EXPECT_EQ(pdfLines(pdf), pdfLinesOf(w().ReportText));
    EXPECT_FALSE(pdfLines(pdf).contains(QStringLiteral("Speicher Speicher 3 (Probe A)")));

    QTemporaryDir dir;
    const QString printed = dir.filePath(QStringLiteral("printer.pdf"));
    {
        PrintToFile printer(printed);
        w().cmdprint->click();
        EXPECT_TRUE(printer.messages.isEmpty());
    }
    EXPECT_EQ(pdfLines(printed), pdfLinesOf(w().ReportText));
    // Lucida Console is not installed here: a monospaced stand-in prints.
    EXPECT_TRUE(pdfFonts(printed).contains(QLatin1String("Mono"))) << pdfFonts(printed).toStdString();

    // A printer that cannot start is told, not taken for a finished print.
    {
        PrintToFile printer(dir.filePath(QStringLiteral("gone/printer.pdf")));
        w().mnuPrint->trigger();
        ASSERT_EQ(printer.messages.size(), 1);
        EXPECT_TRUE(printer.messages.at(0).startsWith(QStringLiteral("Drucken fehlgeschlagen: ")));
    }
    // A PDF that cannot be written is told as well.
    prompts.fileAnswers = {dir.filePath(QStringLiteral("gone/x"))};
    w().cmdPDF->click();
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_TRUE(prompts.messages.at(0).startsWith(QStringLiteral("Datei kann nicht geschrieben werden: ") +
                                                  QDir::toNativeSeparators(dir.filePath(QStringLiteral("gone/x.pdf")))));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("gone"))));
}

TEST_F(ReportOutputs, ManualOfTheLanguageFromTheSettingsFolder) {
    const QString german = home.file(QStringLiteral("DE_Manual_Zenu_Connect.pdf"));
    const QString english = home.file(QStringLiteral("EN_Manual_Zenu_Connect.pdf"));
    // Copied in at start-up from the manuals built with the program.
    ASSERT_TRUE(QFile::exists(german));
    ASSERT_TRUE(QFile::exists(english));
    EXPECT_TRUE(pdfLines(german).join(QLatin1Char(' ')).contains(QStringLiteral("Bedienungsanleitung")));
    EXPECT_TRUE(pdfLines(english).join(QLatin1Char(' ')).contains(QStringLiteral("User Manual")));

    RecordingDocumentOpener opener;
    w().mnuHelp1->trigger();
    w().English_Click();
    w().mnuHelp1->trigger();
    EXPECT_EQ(opener.opened, (QStringList{german, english}));
    EXPECT_TRUE(prompts.messages.isEmpty());

    // A manual the user replaced is kept; a missing one is named.
    writeBytes(german, "mine");
    FrmTransfer::InstallManuals();
    EXPECT_EQ(readBytes(german), QByteArray("mine"));
    QFile::remove(english);
    w().mnuHelp1->trigger();
    w().German_Click();
    opener.succeed = false;
    w().mnuHelp1->trigger();
    EXPECT_EQ(prompts.messages,
              (QStringList{QStringLiteral("File ") + QDir::toNativeSeparators(english) + QStringLiteral(" not found "),
                           QStringLiteral("Datei ") + QDir::toNativeSeparators(german) +
                               QStringLiteral(" wurde nicht gefunden")}));
}

}  // namespace
}  // namespace zenu::testing
