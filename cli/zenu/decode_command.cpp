// zenu-cli decode: a memory file of a family "5" gauge, given as the hex text of its
// download, decoded as the program does after a memory read.
#include <QCommandLineParser>
#include <QFile>

#include "cli/zenu/commands.h"
#include "cli/zenu/gauge_options.h"
#include "cli/zenu/record_output.h"
#include "data/hex_helpers.h"
#include "data/measurement_record.h"
#include "data/memory_file.h"
#include "data/trace_series.h"
#include "data/value_format.h"

namespace zenu::cli {
namespace {

constexpr const char* kName = "zenu-cli decode: ";

// Collects what the decoder would show the user.
class CliSink : public ReadingSink {
public:
    void AddReadingRow() override {}
    void FillMSFlexOne() override {}
    void setStatusText(const QString& text) override {
        if (!text.isEmpty()) status = text;
    }
    void showError(const QString& text) override { errors << text; }

    QString status;
    QStringList errors;
};

bool readHexText(const QString& path, CliIo& io, QString& hex, QString* error) {
    QByteArray bytes;
    if (path == QLatin1String("-")) {
        bytes = io.in.readAll();
    } else {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
            return false;
        }
        bytes = file.readAll();
    }
    // The download's text, perhaps wrapped in lines by whoever saved it.
    hex.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
        if (hex::digit(QLatin1Char(c)) < 0) {
            *error = QStringLiteral("%1 is not hex text (byte %2 at offset %3)")
                         .arg(path)
                         .arg(static_cast<uint8_t>(c), 2, 16, QLatin1Char('0'))
                         .arg(i);
            return false;
        }
        hex += QLatin1Char(c);
    }
    return true;
}

}  // namespace

int runDecode(const QStringList& args, CliIo& io) {
    QCommandLineParser parser;
    addGaugeOptions(parser);
    parser.addOption({QStringLiteral("name"), QStringLiteral("Memory name as the memory list shows it."),
                      QStringLiteral("MEMORYNAME")});
    parser.addPositionalArgument(QStringLiteral("HEXFILE"), QStringLiteral("The download's hex text (- for standard input)."));
    QString error;
    if (!parseArguments(parser, args, &error)) {
        io.err << kName << error << '\n';
        return kExitFailure;
    }
    if (!parser.isSet(QStringLiteral("name"))) {
        io.err << kName << "--name MEMORYNAME is required\n";
        return kExitFailure;
    }
    if (parser.positionalArguments().size() != 1) {
        io.err << kName << "one HEXFILE expected\n";
        return kExitFailure;
    }
    currentTable = kTableMemory;
    if (!applyGaugeOptions(parser, &error)) {
        io.err << kName << error << '\n';
        return kExitFailure;
    }
    QString hex;
    if (!readHexText(parser.positionalArguments().constFirst(), io, hex, &error)) {
        io.err << kName << error << '\n';
        return kExitFailure;
    }

    CliSink sink;
    const MemoryFileResult result = FillMessdatenDatei(hex, parser.value(QStringLiteral("name")), sink);
    io.out << memoryLines(result.kind == MemoryKind::Trace);
    io.out.flush();
    if (!result.ok) {
        io.err << kName << result.error << '\n';
        return kExitFailure;
    }
    if (!sink.status.isEmpty()) io.err << kName << sink.status << '\n';
    return kExitOk;
}

}  // namespace zenu::cli
