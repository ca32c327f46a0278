#include "cli/zenu/table_input.h"

#include <QFile>
#include <QFileInfo>

#include "texts/texts.h"
#include "data/gauge_identity.h"
#include "data/hex_helpers.h"
#include "data/limits.h"
#include "data/measurement_file.h"
#include "data/memory_file.h"
#include "data/project_data.h"
#include "data/trace_series.h"
#include "platform/paths.h"
#include "platform/textfile.h"

namespace zenu::cli {
namespace {

const QString kSerial = QStringLiteral("serial");
const QString kMemoryName = QStringLiteral("memory-name");

// Shows a memory download in the table model, as the main window shows it.
class TableSink : public ReadingSink {
public:
    explicit TableSink(TableInput& input) : input_(input) {}
    void AddReadingRow() override { input_.table.addReadingRow(); }
    void FillMSFlexOne() override { input_.table.fillMSFlexOne(); }
    void resetStatistics() override { input_.table.resetStatistic(); }
    void setAbsoluteStatistics(bool on) override { input_.table.statistics().setAbsoluteSetting(on); }
    void showTraceStatistics(const TraceSeries& trace) override {
        input_.table.statistics().showTraceStatistics(trace, deviceUnit);
    }
    void showMemory(const QString& caption, const QString& label) override {
        input_.optionCaption = caption;
        input_.memoryName = memoryLabelName(label);
    }

private:
    TableInput& input_;
};

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

}  // namespace

bool loadGaugeSettings(const QString& folder, const QString& serial, QString* error) {
    const QString suffix = QLatin1Char('_') + platform::safeFileComponent(serial.trimmed()) + QStringLiteral(".ini");
    // A missing file holds nothing.
    const auto read = [&](const QString& name, QStringList& lines) {
        lines.clear();
        const QString path = folder + QLatin1Char('/') + name;
        if (!QFileInfo::exists(path) || platform::readTextLines(path, lines, error)) return true;
        *error = QStringLiteral("cannot read %1: %2").arg(path, *error);
        return false;
    };
    QStringList lines;
    if (!read(QStringLiteral("Limit") + suffix, lines)) return false;
    for (const QString& raw : lines) {
        const QString line = raw.trimmed();
        if (!line.isEmpty() && !applyLimitsFileLine(line, Limits, error)) {
            *error = QStringLiteral("Limit%1: %2").arg(suffix, *error);
            return false;
        }
    }
    if (!read(QStringLiteral("Projekt.ini"), lines)) return false;
    applyProjectDefinitions(lines, LanguageIndex, Project);
    if (!read(QStringLiteral("Projektdaten") + suffix, lines)) return false;
    applyProjectDataFileLines(lines, Project);
    return true;
}

void addTableInputOptions(QCommandLineParser& parser) {
    parser.addOption({kSerial, QStringLiteral("Serial number: limits and project data from the settings folder."),
                      QStringLiteral("S")});
    parser.addOption({kMemoryName, QStringLiteral("FILE is a memory download (hex text) of this memory."),
                      QStringLiteral("NAME")});
}

bool loadTableInput(const QCommandLineParser& parser, const QString& file, TableInput& input, QString* error) {
    currentTable = kTableMemory;
    Limits = LimitSettings{};
    Project = ProjectData{};
    if (parser.isSet(kSerial)) {
        platform::initPaths();
        SerialNumber = parser.value(kSerial);
        if (!loadGaugeSettings(AppDataPath, SerialNumber, error)) return false;
    }

    ClearReadingTable(kTableMemory);
    input.table.resetStatistic();
    if (parser.isSet(kMemoryName)) {
        QString hex;
        if (!readHex(file, hex, error)) return false;
        input.memoryEntry = parser.value(kMemoryName);
        TableSink sink(input);
        const MemoryFileResult result = FillMessdatenDatei(hex, input.memoryEntry, sink);
        if (!result.ok) input.problem = result.error;
        return true;
    }

    MeasurementFileContent content;
    if (!readMeasurementFile(file, content, error)) {
        *error = QStringLiteral("cannot read %1: %2").arg(file, *error);
        return false;
    }
    const int count = static_cast<int>(content.records.size());
    for (int i = 0; i < count; ++i) Tables.at(kTableMemory, i + 1) = content.records[static_cast<std::size_t>(i)];
    const QString name = QFileInfo(file).fileName();
    input.table.setMemoryTitle(name);
    input.table.fillMSFlexOne();
    // As the main window names a table opened from a file.
    input.optionCaption = name + QStringLiteral(" (") + QString::number(count) + QLatin1Char(')');
    if (!content.errors.empty() || content.tooManyReadings)
        input.problem = measurementFileErrorText(content, LanguageIndex).replace(QLatin1Char('\n'), QLatin1String("; "));
    return true;
}

}  // namespace zenu::cli
