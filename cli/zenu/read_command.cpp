// zenu-cli read: reads one memory of a gauge as the window's memory read does, and prints its
// readings as decode / parse-lines print them, or writes the measurement file the window
// would save.
#include <QCommandLineParser>
#include <QFileInfo>

#include "texts/texts.h"
#include "cli/zenu/commands.h"
#include "cli/zenu/gauge_connection.h"
#include "cli/zenu/memory_host.h"
#include "cli/zenu/record_output.h"
#include "cli/zenu/table_input.h"
#include "data/gauge_identity.h"
#include "data/limits.h"
#include "data/measurement_file.h"
#include "data/memory_file.h"
#include "data/project_data.h"
#include "data/trace_series.h"
#include "data/value_format.h"
#include "gauge/handshake_state.h"
#include "platform/cp1252.h"
#include "platform/paths.h"
#include "platform/textfile.h"
#include "reports/report_text.h"

namespace zenu::cli {
namespace {

constexpr const char* kName = "zenu-cli read: ";
const QString kFormat = QStringLiteral("format");
const QString kOut = QStringLiteral("out");

// The lines decode and parse-lines print for the memory in table 0.
QString tsvText(const QString& memoryName) { return memoryLines(memoryKindOf(memoryName) == MemoryKind::Trace); }

// Limits and project data of the gauge with this serial number, as the window loads them
// after a connection. Only read: the command line never writes the program's settings or log.
bool loadSettingsOf(const QString& serial, QString* error) {
    Limits = LimitSettings{};
    Project = ProjectData{};
    platform::initPaths();
    const QString folder = AppDataPath;
    AppDataPath.clear();  // WriteLog stays silent
    return loadGaugeSettings(folder, serial, error);
}

}  // namespace

int runRead(const QStringList& args, CliIo& io) {
    if (printHelpIfAsked(args, "read", io)) return kExitOk;
    QCommandLineParser parser;
    parser.addOption({kFormat, QStringLiteral("tsv or mes."), QStringLiteral("FORMAT"), QStringLiteral("tsv")});
    parser.addOption({kOut, QStringLiteral("Write to this file instead of standard output."), QStringLiteral("FILE")});
    LinkOptions options;
    QString serverId;
    if (const int status = parseGaugeArguments(parser, args, 2, io, kName, options, serverId)) return status;
    const auto bad = [&](const QString& text) {
        io.err << kName << text << '\n';
        return kExitFailure;
    };
    if (parser.positionalArguments().size() != 2) return bad(QStringLiteral("MEMORY expected after ADDRESS"));
    const QString memory = parser.positionalArguments().at(1).trimmed();
    const QString format = parser.value(kFormat);
    if (format != QLatin1String("tsv") && format != QLatin1String("mes"))
        return bad(QStringLiteral("--format must be tsv or mes, not \"%1\"").arg(format));
    const bool mes = format == QLatin1String("mes");
    const QString outPath = parser.value(kOut);
    if (parser.isSet(kOut) && outPath.isEmpty()) return bad(QStringLiteral("--out needs a file name"));
    if (memory.isEmpty()) return bad(QStringLiteral("MEMORY must not be empty"));

    GaugeConnection link(options, io, kName);
    if (const int status = link.connect(serverId)) return status;

    CliDownloadHost host(true);
    MemoryDownload download(link.session(), host);
    const bool files = profileChar(1) == QLatin1Char('5');
    QString entry;  // the memory list's entry, as the window's list shows it
    if (files) {
        entry = memory;
        host.setMemoryTitle(M(32) + QLatin1Char(' ') + memory, true);
    } else {
        bool numeric = false;
        const int number = memory.toInt(&numeric);
        if (!numeric) return link.fail(kExitFailure, QStringLiteral("MEMORY of this gauge is a memory number, not \"%1\"").arg(memory));
        QStringList entries;
        if (!download.SpeicherInfoLesen(entries)) return link.failUnanswered(QStringLiteral("no memory directory"));
        for (int i = 1; entry.isEmpty() && i <= MemoryCount && i < MemoryNames.size() && i < MemoryCounts.size(); ++i) {
            bool ok = false;
            if (MemoryNames[i].trimmed().toInt(&ok) == number && ok)
                entry = MemoryDownload::memoryEntry(MemoryNames[i].trimmed(), MemoryCounts[i]);
        }
        if (entry.isEmpty()) return link.fail(kExitNoMemory, M(106).arg(memory));
        host.setMemoryTitle(M(32) + QLatin1Char(' ') + memory, false);
    }

    const DownloadResult result = download.readSelected(entry);
    host.endProgress();
    if (!host.updatedEntry.isEmpty()) entry = host.updatedEntry;
    int status = kExitOk;
    QString problem;
    switch (result.status) {
        case DownloadResult::Status::Done:
            if (result.read == 0) {
                status = kExitNoMemory;
                problem = QStringLiteral("memory %1 is empty").arg(memory);
            }
            break;
        case DownloadResult::Status::Empty:
            status = kExitNoMemory;
            problem = QStringLiteral("memory %1 is empty").arg(memory);
            break;
        case DownloadResult::Status::NotFound:
        case DownloadResult::Status::NothingChosen:
            status = kExitNoMemory;
            problem = M(106).arg(memory);
            break;
        case DownloadResult::Status::TimedOut:
        case DownloadResult::Status::Failed:
            status = link.statusAfterFailure(kExitNoAnswer);
            problem = result.message;
            break;
        case DownloadResult::Status::Stopped:
            status = kExitInterrupted;
            problem = QStringLiteral("interrupted: %1 of %2 readings read").arg(result.read).arg(result.expected);
            break;
        case DownloadResult::Status::LinkLost:
            status = link.statusAfterFailure(kExitLink);
            problem = result.message;
            break;
    }
    if (problem.isEmpty() && !host.errors().isEmpty()) problem = host.errors().join(QStringLiteral("; "));
    const bool complete = status == kExitOk;

    if (mes) {
        // A measurement file is written only whole.
        if (complete) {
            QString error;
            if (!loadSettingsOf(SerialNumber, &error)) return link.fail(kExitFailure, error);
            ReportSource source{host.table(), Limits, Project, entry, host.headerName(), &traceSeries};
            const QString text = BuildReportText(QStringLiteral("A"), source);
            if (!outPath.isEmpty()) {
                if (!writeMeasurementFile(outPath, text, &error))
                    return link.fail(kExitFailure, QStringLiteral("cannot write %1: %2").arg(outPath, error));
            } else {
                io.out.flush();
                const QByteArray bytes = platform::encodeCp1252(text);
                std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
                std::fflush(stdout);
            }
        }
    } else {
        const QString text = tsvText(entry);
        if (outPath.isEmpty()) {
            // What was read is printed even when the read stopped early.
            io.out << text;
            io.out.flush();
        } else if (complete) {
            QString error;
            if (!platform::writeFileBytes(outPath, text.toUtf8(), &error))
                return link.fail(kExitFailure, QStringLiteral("cannot write %1: %2").arg(outPath, error));
        }
    }
    if (!complete) {
        if (!outPath.isEmpty()) problem += QStringLiteral(" (nothing written to %1)").arg(outPath);
        return link.fail(status, problem.trimmed());
    }
    if (!problem.isEmpty()) link.fail(kExitOk, problem);
    return kExitOk;
}

}  // namespace zenu::cli
