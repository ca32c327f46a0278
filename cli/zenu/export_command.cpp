// zenu-cli export: the files the main window's output buttons write, for the table of a
// measurement file or a memory download: docx (MS Word), pdf (PDF), txt (the clipboard text),
// csv (CSV) and xlsx (MS Excel). The table counts as the shown memory table, as after opening
// the file in the window.
#include <QCommandLineParser>
#include <QGuiApplication>

#include "texts/texts.h"
#include "cli/zenu/commands.h"
#include "cli/zenu/gauge_options.h"
#include "cli/zenu/table_input.h"
#include "data/limits.h"
#include "data/project_data.h"
#include "data/trace_series.h"
#include "data/gauge_identity.h"
#include "platform/textfile.h"
#include "reports/csv_export.h"
#include "reports/docx_writer.h"
#include "reports/report_text.h"
#include "reports/text_pages.h"
#include "reports/xlsx_export.h"

namespace zenu::cli {
namespace {

const QString kTo = QStringLiteral("to");
const QString kOut = QStringLiteral("out");
const QString kLanguage = QStringLiteral("language");
const QString kPerLine = QStringLiteral("per-line");
const QString kMin = QStringLiteral("min");
const QString kMax = QStringLiteral("max");
const QString kMean = QStringLiteral("mean");
const QString kChart = QStringLiteral("chart");

const QStringList kFormats = {QStringLiteral("csv"), QStringLiteral("xlsx"), QStringLiteral("docx"),
                              QStringLiteral("pdf"), QStringLiteral("txt")};

}  // namespace

int runExport(const QStringList& args, CliIo& io) {
    QCommandLineParser parser;
    parser.addOption({kTo, QStringLiteral("What to write: csv, xlsx, docx, pdf or txt (the clipboard text)."),
                      QStringLiteral("FORMAT")});
    parser.addOption({kOut, QStringLiteral("The file to write."), QStringLiteral("FILE")});
    parser.addOption({kLanguage, QStringLiteral("Language of the texts: de or en (default: the locale's)."),
                      QStringLiteral("de|en")});
    parser.addOption({kPerLine, QStringLiteral("csv: readings per line, 1 to 20."), QStringLiteral("N"),
                      QStringLiteral("5")});
    parser.addOption({kMin, QStringLiteral("csv: a minimum column at the end of each line.")});
    parser.addOption({kMax, QStringLiteral("csv: a maximum column.")});
    parser.addOption({kMean, QStringLiteral("csv: a mean column.")});
    parser.addOption({kChart, QStringLiteral("xlsx: add the chart sheet.")});
    addGaugeOptions(parser);
    addTableInputOptions(parser);
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("A measurement file, or a memory download."));
    parser.setApplicationDescription(QStringLiteral(
        "zenu-cli export: writes the file an output button of the main window writes for the table of FILE.\n"
        "docx: source line and report (MS Word); pdf: the report (PDF); txt: the clipboard text (UTF-8, CR LF);\n"
        "csv: the CSV export; xlsx: the spreadsheet export. An existing FILE is replaced only by a complete one."));
    const QCommandLineOption help = parser.addHelpOption();

    QString error;
    const auto fail = [&](const QString& text) {
        io.err << "zenu-cli export: " << text << '\n';
        return kExitFailure;
    };
    if (!parseArguments(parser, args, &error)) return fail(error);
    if (parser.isSet(help)) {
        QString text = parser.helpText();
        text = QStringLiteral("Usage: zenu-cli export [options] FILE") + text.mid(text.indexOf(QLatin1Char('\n')));
        io.out << text;
        return kExitOk;
    }
    const QString format = parser.value(kTo).trimmed().toLower();
    if (!kFormats.contains(format))
        return fail(QStringLiteral("--to must be one of %1").arg(kFormats.join(QStringLiteral(", "))));
    const QString out = parser.value(kOut);
    if (out.isEmpty()) return fail(QStringLiteral("--out FILE is required"));
    if (parser.positionalArguments().size() != 1) return fail(QStringLiteral("one FILE expected"));
    bool numeric = false;
    const int perLine = parser.value(kPerLine).toInt(&numeric);
    if (!numeric || perLine < 1 || perLine > 20) return fail(QStringLiteral("--per-line must be 1 to 20"));
    if (parser.isSet(kLanguage)) {
        const QString language = parser.value(kLanguage).trimmed().toLower();
        if (language == QLatin1String("de")) LanguageIndex = kLanguageGerman;
        else if (language == QLatin1String("en")) LanguageIndex = kLanguageEnglish;
        else return fail(QStringLiteral("--language must be de or en"));
    }
    // Rendering a PDF needs fonts, which only the GUI application offers.
    if (format == QLatin1String("pdf") && !qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return fail(QStringLiteral("PDF output is not available in this process"));

    currentTable = kTableMemory;
    if (!applyGaugeOptions(parser, &error)) return fail(error);
    TableInput input;
    if (!loadTableInput(parser, parser.positionalArguments().constFirst(), input, &error)) return fail(error);

    // The table is shown as the memory table, as after opening the file in the window.
    ReportOrigin origin;
    origin.memorySelected = true;
    origin.memoryCaption = input.optionCaption;
    origin.memoryName = input.memoryName;
    const QString sourceLine = reportSourceLine(origin, LanguageIndex);

    ReportSource source{input.table, Limits, Project, input.memoryEntry, input.memoryName, &traceSeries};
    bool written = false;
    if (format == QLatin1String("docx") || format == QLatin1String("pdf") || format == QLatin1String("txt")) {
        const QString report = BuildReportText(QStringLiteral("A"), source);
        if (format == QLatin1String("docx")) written = writeDocx(out, sourceLine + report, &error);
        else if (format == QLatin1String("pdf"))
            written = writeTextPdf(out, report, reportFont(pdfFontFamilies(), 10), programTitle(), &error);
        else written = platform::writeFileBytes(out, (sourceLine + report).toUtf8(), &error);
    } else {
        ExportResult result;
        if (format == QLatin1String("csv")) {
            const CsvOptions options{perLine, parser.isSet(kMin), parser.isSet(kMax), parser.isSet(kMean)};
            result = writeCsvFile(tableRecords(Tables, currentTable), options, sourceLine, LanguageIndex, out);
        } else {
            const QString header = sourceLine + BuildReportText(QStringLiteral("P"), source);
            result = writeXlsxFile(shownTableWorkbook(source, header, parser.isSet(kChart),
                                                      [&input] { input.table.switchMaterial(); }),
                                   out);
        }
        if (result.status == ExportResult::Status::NoReadings) return fail(QStringLiteral("no readings to write"));
        written = result.ok();
        error = result.error;
    }
    if (!written) return fail(QStringLiteral("cannot write %1: %2").arg(out, error));
    if (!input.problem.isEmpty()) return fail(input.problem);
    return kExitOk;
}

}  // namespace zenu::cli
