// zenu-cli report / convert: the report text of a measurement file or of a memory download,
// built as the main window builds it, printed (report) or written as a measurement file
// (convert).
#include <QCommandLineParser>

#include "cli/zenu/commands.h"
#include "cli/zenu/gauge_options.h"
#include "cli/zenu/table_input.h"
#include "data/limits.h"
#include "data/measurement_file.h"
#include "data/project_data.h"
#include "data/trace_series.h"
#include "reports/report_text.h"

namespace zenu::cli {
namespace {

const QString kOut = QStringLiteral("out");

int reportOrConvert(const QStringList& args, CliIo& io, bool convert) {
    const QString prefix = convert ? QStringLiteral("zenu-cli convert: ") : QStringLiteral("zenu-cli report: ");
    QCommandLineParser parser;
    addGaugeOptions(parser);
    addTableInputOptions(parser);
    if (convert) parser.addOption({kOut, QStringLiteral("The measurement file to write."), QStringLiteral("FILE.mes")});
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("A measurement file, or a memory download."));
    QString error;
    const auto fail = [&](const QString& text) {
        io.err << prefix << text << '\n';
        return kExitFailure;
    };
    if (!parseArguments(parser, args, &error)) return fail(error);
    if (parser.positionalArguments().size() != 1) return fail(QStringLiteral("one FILE expected"));
    if (convert && parser.value(kOut).isEmpty()) return fail(QStringLiteral("--out FILE.mes is required"));

    currentTable = kTableMemory;
    if (!applyGaugeOptions(parser, &error)) return fail(error);
    TableInput input;
    if (!loadTableInput(parser, parser.positionalArguments().constFirst(), input, &error)) return fail(error);

    ReportSource source{input.table, Limits, Project, input.memoryEntry, input.memoryName, &traceSeries};
    const QString text = BuildReportText(QStringLiteral("A"), source);
    if (convert) {
        if (!writeMeasurementFile(parser.value(kOut), text, &error))
            return fail(QStringLiteral("cannot write %1: %2").arg(parser.value(kOut), error));
    } else {
        io.out << QString(text).replace(QLatin1String("\r\n"), QLatin1String("\n"));
        io.out.flush();
    }
    if (!input.problem.isEmpty()) return fail(input.problem);
    return kExitOk;
}

}  // namespace

int runReport(const QStringList& args, CliIo& io) { return reportOrConvert(args, io, false); }

int runConvert(const QStringList& args, CliIo& io) { return reportOrConvert(args, io, true); }

}  // namespace zenu::cli
