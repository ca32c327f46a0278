// zenu-cli clock: reads the gauge's clock, or sets it to the computer's time or a given time.
#include <QCommandLineParser>
#include <QDateTime>

#include "cli/zenu/commands.h"
#include "cli/zenu/gauge_connection.h"
#include "gauge/ble_session.h"
#include "gauge/gauge_commands.h"
#include "gauge/handshake_state.h"
#include "platform/event_wait.h"

namespace zenu::cli {
namespace {

constexpr const char* kName = "zenu-cli clock: ";
const QString kSet = QStringLiteral("set");
// The window waits this long after the write before it goes on.
constexpr std::chrono::milliseconds kAfterSet{200};

}  // namespace

int runClock(const QStringList& args, CliIo& io) {
    if (printHelpIfAsked(args, "clock", io)) return kExitOk;
    QCommandLineParser parser;
    parser.addOption({kSet, QStringLiteral("Set the clock (to the computer's time, or to the time given after ADDRESS).")});
    LinkOptions options;
    QString serverId;
    if (const int status = parseGaugeArguments(parser, args, 2, io, kName, options, serverId)) return status;
    const bool set = parser.isSet(kSet);
    QDateTime time;
    if (parser.positionalArguments().size() == 2) {
        const QString given = parser.positionalArguments().at(1);
        if (!set) {
            io.err << kName << "unexpected argument \"" << given << "\" (a time needs --set)\n";
            return kExitFailure;
        }
        time = QDateTime::fromString(given, QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
        if (!time.isValid()) {
            io.err << kName << "\"" << given << "\" is no time of the form YYYY-MM-DDTHH:MM:SS\n";
            return kExitFailure;
        }
    }

    GaugeConnection link(options, io, kName);
    if (const int status = link.connect(serverId)) return status;
    BleSession& session = link.session();
    // The clock dialog takes the gauge out of online mode while it talks to the clock.
    if (session.Subscribed) session.unsubscribeReadings();

    if (set) {
        if (!time.isValid()) time = QDateTime::currentDateTime();
        // The gauge does not answer this command; the write's acknowledgement is all there is.
        if (!session.writeCommand(commands::setClock(time)))
            return link.fail(link.statusAfterFailure(kExitNoAnswer), QStringLiteral("the gauge did not take the time"));
        platform::waitFor(kAfterSet);
        io.out << commands::clockText(time) << '\n';
    } else {
        if (!session.request(commands::readClock(), GaugeReply::Clock))
            return link.fail(link.statusAfterFailure(kExitNoAnswer), QStringLiteral("the gauge did not answer ") +
                                                                         commands::readClock());
        io.out << ResponseText << '\n';
    }
    io.out.flush();
    return kExitOk;
}

}  // namespace zenu::cli
