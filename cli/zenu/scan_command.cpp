// zenu-cli scan: the gauges (or with --all every device) that advertise, one line each when
// first seen: address, name and signal strength.
#include <QCommandLineParser>

#include "cli/zenu/commands.h"
#include "cli/zenu/gauge_connection.h"
#include "cli/zenu/gauge_options.h"
#include "gauge/ble_session.h"

namespace zenu::cli {
namespace {

constexpr const char* kName = "zenu-cli scan: ";
const QString kSeconds = QStringLiteral("seconds");
const QString kAll = QStringLiteral("all");

}  // namespace

int runScan(const QStringList& args, CliIo& io) {
    if (printHelpIfAsked(args, "scan", io)) return kExitOk;
    QCommandLineParser parser;
    addLinkOptions(parser);
    parser.addOption({kSeconds, QStringLiteral("How long to scan."), QStringLiteral("S"), QStringLiteral("5")});
    parser.addOption({kAll, QStringLiteral("Every advertising device, not only gauges.")});
    QString error;
    LinkOptions options;
    const auto bad = [&](const QString& text) {
        io.err << kName << text << '\n';
        return kExitFailure;
    };
    if (!parseArguments(parser, args, &error) || !applyLinkOptions(parser, options, &error)) return bad(error);
    if (!parser.positionalArguments().isEmpty())
        return bad(QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().constFirst()));
    bool ok = false;
    const double seconds = parser.value(kSeconds).trimmed().toDouble(&ok);
    if (!ok || seconds <= 0 || seconds > 24 * 3600)
        return bad(QStringLiteral("--seconds must be a positive number, not \"%1\"").arg(parser.value(kSeconds)));

    GaugeConnection link(options, io, kName);
    if (const int status = link.open()) return status;
    BleSession& session = link.session();
    const auto print = [&io](const QString& id, const QString& name, int rssi) {
        io.out << id << '\t' << name << '\t' << rssi << '\n';
        io.out.flush();
        if (io.out.status() != QTextStream::Ok) interruptNow();
    };
    if (parser.isSet(kAll)) {
        QObject::connect(&session, &BleSession::advertisementSeen, &session, print);
    } else {
        QObject::connect(&session, &BleSession::deviceListed, &session,
                         [print](const QString&, const QString& id, const QString& name, int rssi) {
                             print(id, name, rssi);
                         });
    }
    if (!session.startScan()) return link.fail(kExitLink, QStringLiteral("cannot scan: ") + link.lastError());
    session.waitFunction()([] { return false; }, static_cast<int>(seconds * 1000));
    session.stopScan();
    // Ctrl-C ends a scan early, which is fine.
    return kExitOk;
}

}  // namespace zenu::cli
