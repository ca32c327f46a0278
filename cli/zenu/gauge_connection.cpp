#include "cli/zenu/gauge_connection.h"

#include <QRegularExpression>
#include <csignal>

#include "cli/zenu/gauge_options.h"
#include "data/gauge_identity.h"
#include "gauge/ble_session.h"
#include "gauge/connection_host.h"
#include "gauge/connection_init.h"
#include "gauge/device_list.h"
#include "gauge/value_handler.h"
#include "platform/event_wait.h"
#include "platform/signal_exit.h"

namespace zenu::cli {
namespace {

const QString kBluetooth = QStringLiteral("bluetooth");
const QString kTimeout = QStringLiteral("timeout");

// ---------------------------------------------------------------- interrupts

bool interruptSeen = false;

void installInterruptHandler() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    // A reader that goes away shows as a failed write, not as a signal that ends the process
    // with the gauge still linked.
    std::signal(SIGPIPE, SIG_IGN);
    installExitSignals([] { interruptSeen = true; });
}

}  // namespace

QString gaugeHelpText() {
    return QStringLiteral(
        "Subcommands that talk to a gauge (scan, info, memories, read, online, clock):\n"
        "  ADDRESS is the gauge's Bluetooth address, 12 hex digits with or without \":\".\n"
        "  --bluetooth sim:FILE|bluez  Bluetooth stack (default: $CORVEL_BLUETOOTH, else BlueZ)\n"
        "  --timeout MS                bound of each wait for the gauge (default 5000)\n"
        "Output: UTF-8, one record a line, fields separated by one TAB; messages on standard error.\n"
        "  scan       ADDRESS NAME RSSI, one line per device when first seen\n"
        "  info       key TAB value: model name serial family unit firmware-flag device-type software\n"
        "             hardware mac probe-type probe-revision probe-serial memory-chip battery\n"
        "             (a value the gauge did not report is empty)\n"
        "  memories   family \"5\": one file name a line; family \"4\": NUMBER TAB COUNT\n"
        "  read       MEMORY: a file name as memories lists it (family \"5\") or a memory number (\"4\");\n"
        "             tsv: the lines of decode / parse-lines: number value unit method date time mark,\n"
        "             a trace memory as \"trace\" TAB count TAB interval-ms, then one sample a line;\n"
        "             mes: the measurement file the program saves (Windows-1252, CR LF, also on\n"
        "             standard output); --out FILE is written only when the whole memory was read\n"
        "  online     one record line (as read tsv) per reading as it arrives\n"
        "  clock      the gauge's clock text; with --set the text sent, YYYY-MM-DD/HH:MM:SS\n"
        "Numbers: reading values and trace samples use the locale's decimal separator and dates\n"
        "  and times the locale's formats (LC_ALL, LANG), as the program shows them; every other\n"
        "  number (RSSI, counts, intervals, battery volts with 2 decimals) is plain, with \".\".\n"
        "Exit status: 0 success; 2 bad arguments; 3 no adapter, device not found, link lost or\n"
        "  discovery failed; 4 the gauge did not answer in time; 5 the memory does not exist or\n"
        "  is empty; 130 interrupted (online ends normally on Ctrl-C: status 0).\n");
}

void addLinkOptions(QCommandLineParser& parser) {
    parser.addOption({kBluetooth, QStringLiteral("Bluetooth stack: sim:FILE or bluez."), QStringLiteral("STACK")});
    parser.addOption({kTimeout, QStringLiteral("Bound of each wait in milliseconds."), QStringLiteral("MS"),
                      QString::number(kDefaultTimeoutMs)});
}

bool applyLinkOptions(const QCommandLineParser& parser, LinkOptions& options, QString* error) {
    bool ok = false;
    const int timeout = parser.value(kTimeout).trimmed().toInt(&ok);
    if (!ok || timeout <= 0) {
        *error = QStringLiteral("--timeout must be a positive number of milliseconds, not \"%1\"")
                     .arg(parser.value(kTimeout));
        return false;
    }
    options.timeoutMs = timeout;
    if (parser.isSet(kBluetooth)) {
        const QString stack = parser.value(kBluetooth).trimmed();
        if (stack != QLatin1String("bluez") && !(stack.startsWith(QLatin1String("sim:")) && stack.size() > 4)) {
            *error = QStringLiteral("--bluetooth must be sim:FILE or bluez, not \"%1\"").arg(stack);
            return false;
        }
        qputenv("CORVEL_BLUETOOTH", stack.toLocal8Bit());
    }
    return true;
}

QString serverIdOf(const QString& address) {
    QString id = address.trimmed().toUpper();
    static const QRegularExpression separated(QStringLiteral("^[0-9A-F]{2}([:-][0-9A-F]{2}){5}$"));
    if (separated.match(id).hasMatch()) id.remove(QLatin1Char(':')).remove(QLatin1Char('-'));
    static const QRegularExpression plain(QStringLiteral("^[0-9A-F]{12}$"));
    return plain.match(id).hasMatch() ? id : QString();
}

bool printHelpIfAsked(const QStringList& args, const char* name, CliIo& io) {
    if (!args.contains(QLatin1String("--help")) && !args.contains(QLatin1String("-h"))) return false;
    for (const CliCommand& c : kCommands)
        if (qstrcmp(c.name, name) == 0) io.out << "Usage: zenu-cli " << c.name << ' ' << c.usage << '\n';
    io.out << gaugeHelpText();
    return true;
}

int parseGaugeArguments(QCommandLineParser& parser, const QStringList& args, int positionals, CliIo& io,
                        const char* prefix, LinkOptions& options, QString& serverId) {
    addLinkOptions(parser);
    QString error;
    if (!parseArguments(parser, args, &error) || !applyLinkOptions(parser, options, &error)) {
        io.err << prefix << error << '\n';
        return kExitFailure;
    }
    const QStringList given = parser.positionalArguments();
    if (given.isEmpty()) {
        io.err << prefix << "ADDRESS expected\n";
        return kExitFailure;
    }
    if (given.size() > positionals) {
        io.err << prefix << "unexpected argument \"" << given[positionals] << "\"\n";
        return kExitFailure;
    }
    serverId = serverIdOf(given.constFirst());
    if (serverId.isEmpty()) {
        io.err << prefix << "\"" << given.constFirst() << "\" is no Bluetooth address (12 hex digits)\n";
        return kExitFailure;
    }
    return kExitOk;
}

bool interrupted() { return interruptSeen; }

void interruptNow() { interruptSeen = true; }

// ---------------------------------------------------------------- the connection

GaugeConnection::GaugeConnection(const LinkOptions& options, CliIo& io, const char* prefix)
    : options_(options), io_(io), prefix_(QString::fromLatin1(prefix)), session_(std::make_unique<BleSession>()) {
    installInterruptHandler();
    session_->setReplyTimeout(std::chrono::milliseconds(options_.timeoutMs));
    // Waits of the session end early on an interrupt and, once connected, when the link is
    // gone (nothing can arrive any more); they report "not done" then, so every operation
    // stops at its next wait.
    session_->setWaitFunction([this, base = eventLoopWait()](const std::function<bool()>& done, int timeoutMs) {
        const auto over = [this] { return interrupted() || (linked_ && !session_->Connected); };
        if (!over()) base([&] { return done() || over(); }, timeoutMs);
        return done();
    });
    QObject::connect(session_.get(), &BleSession::scanFailed, session_.get(),
                     [this](const QString& text) { lastError_ = text.trimmed(); });
    QObject::connect(session_.get(), &BleSession::controlError, session_.get(),
                     [this](int code, const QString& text) { lastError_ = QStringLiteral("%1 %2").arg(code).arg(text); });
    QObject::connect(session_.get(), &BleSession::linkDown, session_.get(),
                     [this](bool offline, int status, const QString& text) {
                         lastError_ = offline ? QStringLiteral("the gauge went offline")
                                              : QStringLiteral("disconnected (%1 %2)").arg(status).arg(text);
                     });
}

GaugeConnection::~GaugeConnection() { close(); }

int GaugeConnection::fail(int status, const QString& message) {
    io_.out.flush();
    io_.err << prefix_ << message << '\n';
    io_.err.flush();
    return status;
}

bool GaugeConnection::linkLost() const { return !session_->Connected; }

int GaugeConnection::statusAfterFailure(int otherwise) const {
    if (interrupted()) return kExitInterrupted;
    if (linkLost()) return kExitLink;
    return otherwise;
}

int GaugeConnection::failUnanswered(const QString& what) {
    return fail(statusAfterFailure(kExitNoAnswer),
                what + QStringLiteral(": ") + (linkLost() ? lastError_ : QStringLiteral("the gauge did not answer")));
}

int GaugeConnection::open() {
    QString error;
    if (!session_->open(&error)) return fail(kExitLink, QStringLiteral("cannot load the Bluetooth control: ") + error);
    return kExitOk;
}

int GaugeConnection::connect(const QString& serverId) {
    if (const int status = open()) return status;
    const WaitFunction wait = session_->waitFunction();
    // The name the gauge advertises identifies its model, as the entry of the device list does.
    QString listedEntry, seenName;
    int seenRssi = 0;
    bool seen = false;
    const auto listed = QObject::connect(session_.get(), &BleSession::deviceListed, session_.get(),
                                         [&](const QString& entry) {
                                             if (listedEntry.isEmpty() && entry.contains(serverId)) listedEntry = entry;
                                         });
    const auto advertised = QObject::connect(session_.get(), &BleSession::advertisementSeen, session_.get(),
                                             [&](const QString& id, const QString& name, int rssi) {
                                                 if (id != serverId) return;
                                                 seen = true;
                                                 seenName = name;
                                                 seenRssi = rssi;
                                             });
    if (!session_->startScan()) {
        QObject::disconnect(listed);
        QObject::disconnect(advertised);
        return fail(kExitLink, QStringLiteral("cannot scan: ") + lastError_);
    }
    // An advertisement without a name may be followed by a scan response that has it.
    wait([&] { return !listedEntry.isEmpty() || (seen && !seenName.isEmpty()); }, options_.timeoutMs);
    session_->stopScan();
    QObject::disconnect(listed);
    QObject::disconnect(advertised);
    if (interrupted()) return fail(kExitInterrupted, QStringLiteral("interrupted"));
    if (listedEntry.isEmpty() && !seen)
        return fail(kExitLink, QStringLiteral("device %1 not found (no advertisement within %2 ms)")
                                   .arg(serverId)
                                   .arg(options_.timeoutMs));
    BleSession::chooseEntry(listedEntry.isEmpty() ? deviceListEntry(serverId, seenName, seenRssi) : listedEntry);

    session_->resetReconnectAttempts();
    lastError_.clear();
    if (!session_->connectDevice()) return fail(kExitLink, QStringLiteral("cannot connect to ") + serverId);
    const auto bound = std::chrono::milliseconds(options_.timeoutMs) + BleSession::kDiscoveryWait;
    if (!session_->waitConnected(bound)) {
        if (interrupted()) return fail(kExitInterrupted, QStringLiteral("interrupted"));
        return fail(kExitLink, QStringLiteral("cannot connect to %1: the gauge's services were not found").arg(serverId));
    }

    linked_ = true;
    QuietConnectionHost host;
    if (!Initialisierung(*session_, wait, host, options_.timeoutMs)) {
        const int status = statusAfterFailure(kExitNoAnswer);
        return fail(status, status == kExitLink ? QStringLiteral("link lost: ") + lastError_ : host.message);
    }
    return kExitOk;
}

void GaugeConnection::close() {
    if (closed_) return;
    closed_ = true;
    setLiveReadingHandler(nullptr);
    // The clean ending must still wait for its confirmations after an interrupt.
    session_->setWaitFunction(eventLoopWait());
    if (!session_->isOpen()) return;
    if (session_->Connected && session_->Subscribed) session_->unsubscribeReadings();
    if (!DeviceAddress.isEmpty()) session_->BLEDisconnect();
}

}  // namespace zenu::cli
