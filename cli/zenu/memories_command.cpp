// zenu-cli memories: the memory list of a gauge, as the window loads it after a connection.
#include <QCommandLineParser>

#include "cli/zenu/commands.h"
#include "cli/zenu/gauge_connection.h"
#include "cli/zenu/memory_host.h"
#include "data/gauge_identity.h"
#include "gauge/handshake_state.h"
#include "gauge/memory_download.h"

namespace zenu::cli {
namespace {

constexpr const char* kName = "zenu-cli memories: ";

}  // namespace

int runMemories(const QStringList& args, CliIo& io) {
    if (printHelpIfAsked(args, "memories", io)) return kExitOk;
    QCommandLineParser parser;
    LinkOptions options;
    QString serverId;
    if (const int status = parseGaugeArguments(parser, args, 1, io, kName, options, serverId)) return status;

    GaugeConnection link(options, io, kName);
    if (const int status = link.connect(serverId)) return status;

    CliDownloadHost host(false);
    MemoryDownload download(link.session(), host);
    QStringList entries;
    if (!download.memoryList(entries)) return link.failUnanswered(QStringLiteral("no memory list"));
    if (profileChar(1) == QLatin1Char('5')) {
        for (const QString& entry : entries) io.out << entry.trimmed() << '\n';
    } else {
        for (int i = 1; i <= MemoryCount && i < MemoryNames.size() && i < MemoryCounts.size(); ++i)
            io.out << MemoryNames[i].trimmed() << '\t' << MemoryCounts[i] << '\n';
    }
    io.out.flush();
    return kExitOk;
}

}  // namespace zenu::cli
