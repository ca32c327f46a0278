// zenu-cli report / convert: the report text of a measurement file or of a memory download,
// built as the main window builds it, printed (report) or written as a measurement file
// (convert).
#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>

#include "app/texts/texts.h"
#include "cli/zenu/commands.h"
#include "cli/zenu/gauge_options.h"
#include "data/gauge_identity.h"
#include "data/hex_helpers.h"
#include "data/limits.h"
#include "data/measurement_file.h"
#include "data/memory_file.h"
#include "data/project_data.h"
#include "data/table_ops.h"
#include "data/trace_series.h"
#include "platform/paths.h"
#include "platform/textfile.h"
#include "reports/report_text.h"

namespace zenu::cli {
namespace {

const QString kSerial = QStringLiteral("serial");
const QString kMemoryName = QStringLiteral("memory-name");
const QString kOut = QStringLiteral("out");

// Shows a memory download in the table model, as the main window shows it.
class TableSink : public ReadingSink {
public:
    explicit TableSink(MeasurementTable& table) : table_(table) {}
    void AddReadingRow() override { table_.addReadingRow(); }
    void FillMSFlexOne() override { table_.fillMSFlexOne(); }
    void resetStatistics() override { table_.resetStatistic(); }
    void setAbsoluteStatistics(bool on) override { table_.statistics().setAbsoluteSetting(on); }
    void showTraceStatistics(const TraceSeries& trace) override {
        table_.statistics().showTraceStatistics(trace, deviceUnit);
    }
    void showMemory(const QString&, const QString& label) override {
        memoryName = label;
        if (memoryName.startsWith(QLatin1Char('(')) && memoryName.endsWith(QLatin1Char(')')))
            memoryName = memoryName.mid(1, memoryName.size() - 2);
    }
    void setStatusText(const QString& text) override {
        if (!text.isEmpty()) status = text;
    }
    void showError(const QString& text) override { errors << text; }

    QString memoryName;
    QString status;
    QStringList errors;

private:
    MeasurementTable& table_;
};

// A settings file of AppDataPath; a missing file holds nothing.
bool readSettings(const QString& name, QStringList& lines, QString* error) {
    const QString path = AppDataPath + QLatin1Char('/') + name;
    lines.clear();
    if (!QFileInfo::exists(path)) return true;
    if (platform::readTextLines(path, lines, error)) return true;
    *error = QStringLiteral("cannot read %1: %2").arg(path, *error);
    return false;
}

// Limits and project data of the gauge with this serial number, as the program loads them.
bool loadGaugeSettings(const QString& serial, QString* error) {
    SerialNumber = serial;
    const QString suffix = QLatin1Char('_') + platform::safeFileComponent(serial.trimmed()) + QStringLiteral(".ini");
    QStringList lines;
    if (!readSettings(QStringLiteral("Limit") + suffix, lines, error)) return false;
    for (const QString& raw : lines) {
        const QString line = raw.trimmed();
        if (line.isEmpty()) continue;
        if (!applyLimitsFileLine(line, Limits, error)) {
            *error = QStringLiteral("Limit%1: %2").arg(suffix, *error);
            return false;
        }
    }
    if (!readSettings(QStringLiteral("Projekt.ini"), lines, error)) return false;
    applyProjectDefinitions(lines, LanguageIndex, Project);
    if (!readSettings(QStringLiteral("Projektdaten") + suffix, lines, error)) return false;
    applyProjectDataFileLines(lines, Project);
    return true;
}

bool readHex(const QString& path, QString& hex, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    const QByteArray bytes = file.readAll();
    hex.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
        if (hex::digit(QLatin1Char(c)) < 0) {
            *error = QStringLiteral("%1 is not hex text (offset %2)").arg(path).arg(i);
            return false;
        }
        hex += QLatin1Char(c);
    }
    return true;
}

int reportOrConvert(const QStringList& args, CliIo& io, bool convert) {
    const QString prefix = convert ? QStringLiteral("zenu-cli convert: ") : QStringLiteral("zenu-cli report: ");
    QCommandLineParser parser;
    addGaugeOptions(parser);
    parser.addOption({kSerial, QStringLiteral("Serial number: limits and project data from the settings folder."),
                      QStringLiteral("S")});
    parser.addOption({kMemoryName, QStringLiteral("FILE is a memory download (hex text) of this memory."),
                      QStringLiteral("NAME")});
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
    Limits = LimitSettings{};
    Project = ProjectData{};
    if (parser.isSet(kSerial)) {
        platform::initPaths();
        if (!loadGaugeSettings(parser.value(kSerial), &error)) return fail(error);
    }

    const QString input = parser.positionalArguments().constFirst();
    MeasurementTable table;
    ClearReadingTable(kTableMemory);
    table.resetStatistic();
    QString memoryEntry, memoryName;
    QString problem;  // input that was read only in part
    if (parser.isSet(kMemoryName)) {
        QString hex;
        if (!readHex(input, hex, &error)) return fail(error);
        memoryEntry = parser.value(kMemoryName);
        TableSink sink(table);
        const MemoryFileResult result = FillMessdatenDatei(hex, memoryEntry, sink);
        memoryName = sink.memoryName;
        if (!result.ok) problem = result.error;
    } else {
        MeasurementFileContent content;
        if (!readMeasurementFile(input, content, &error)) return fail(QStringLiteral("cannot read %1: %2").arg(input, error));
        const int count = static_cast<int>(content.records.size());
        for (int i = 0; i < count; ++i) Tables.at(kTableMemory, i + 1) = content.records[static_cast<std::size_t>(i)];
        table.setMemoryTitle(QFileInfo(input).fileName());
        table.fillMSFlexOne();
        if (!content.errors.empty() || content.tooManyReadings)
            problem = measurementFileErrorText(content, LanguageIndex).replace(QLatin1Char('\n'), QLatin1String("; "));
    }

    ReportSource source{table, Limits, Project, memoryEntry, memoryName, &traceSeries};
    const QString text = BuildReportText(QStringLiteral("A"), source);
    if (convert) {
        if (!writeMeasurementFile(parser.value(kOut), text, &error))
            return fail(QStringLiteral("cannot write %1: %2").arg(parser.value(kOut), error));
    } else {
        io.out << QString(text).replace(QLatin1String("\r\n"), QLatin1String("\n"));
        io.out.flush();
    }
    if (!problem.isEmpty()) return fail(problem);
    return kExitOk;
}

}  // namespace

int runReport(const QStringList& args, CliIo& io) { return reportOrConvert(args, io, false); }

int runConvert(const QStringList& args, CliIo& io) { return reportOrConvert(args, io, true); }

}  // namespace zenu::cli
