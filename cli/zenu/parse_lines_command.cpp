// zenu-cli parse-lines: reading lines as a gauge sends them (live readings, or the lines of a
// family "4" memory listing), one a line on standard input, stored as the program stores them.
#include <QCommandLineParser>

#include "cli/zenu/commands.h"
#include "cli/zenu/gauge_options.h"
#include "cli/zenu/record_output.h"
#include "data/measurement_record.h"
#include "data/reading_line.h"

namespace zenu::cli {
namespace {

constexpr const char* kName = "zenu-cli parse-lines: ";

// Prints every record as it is stored; keeps the last error.
class PrintingSink : public ReadingSink {
public:
    explicit PrintingSink(QTextStream& out) : out_(out) {}
    void AddReadingRow() override { out_ << recordLine(Tables.at(currentTable, readingIndex)) << '\n'; }
    void FillMSFlexOne() override {}
    void showError(const QString& text) override { error = text; }

    QString error;

private:
    QTextStream& out_;
};

}  // namespace

int runParseLines(const QStringList& args, CliIo& io) {
    QCommandLineParser parser;
    addGaugeOptions(parser);
    parser.addOption({QStringLiteral("online"), QStringLiteral("Live readings: the online table and its counter.")});
    QString error;
    if (!parseArguments(parser, args, &error)) {
        io.err << kName << error << '\n';
        return kExitFailure;
    }
    if (!parser.positionalArguments().isEmpty()) {
        io.err << kName << "unexpected argument \"" << parser.positionalArguments().constFirst() << "\"\n";
        return kExitFailure;
    }
    const bool online = parser.isSet(QStringLiteral("online"));
    currentTable = online ? kTableOnline : kTableMemory;
    if (!applyGaugeOptions(parser, &error)) {
        io.err << kName << error << '\n';
        return kExitFailure;
    }
    ClearReadingTable(currentTable);
    readingIndex = 1;
    onlineCounter = 1;

    PrintingSink sink(io.out);
    int lineNumber = 0;
    int failures = 0;
    while (!io.in.atEnd()) {
        QByteArray bytes = io.in.readLine();
        ++lineNumber;
        if (bytes.endsWith('\n')) bytes.chop(1);
        if (bytes.endsWith('\r')) bytes.chop(1);
        const QString line = QString::fromUtf8(bytes);
        if (line.trimmed().isEmpty()) continue;
        sink.error.clear();
        if (!FillMessdaten(line, sink) && !sink.error.isEmpty()) {
            ++failures;
            io.out.flush();
            io.err << kName << "line " << lineNumber << ": " << sink.error << '\n';
            io.err.flush();
        }
    }
    return failures == 0 ? kExitOk : kExitFailure;
}

}  // namespace zenu::cli
