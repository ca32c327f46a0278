#pragma once
// What the subcommands that talk to a gauge share: the link options, the exit statuses, the
// interrupt handling and the connection itself (scan for the address, connect, discover, the
// connection initialisation as after a connection in the window, and a clean disconnection).
#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <memory>

#include "cli/zenu/commands.h"

namespace zenu {
class BleSession;
}

namespace zenu::cli {

constexpr int kExitLink = 3;          // no adapter, device not found, link lost, discovery failed
constexpr int kExitNoAnswer = 4;      // the gauge did not answer in time
constexpr int kExitNoMemory = 5;      // the memory does not exist or is empty
constexpr int kExitInterrupted = 130; // Ctrl-C outside `online`

constexpr int kDefaultTimeoutMs = 5000;

// The output rules and exit statuses, for --help.
QString gaugeHelpText();

struct LinkOptions {
    int timeoutMs = kDefaultTimeoutMs;
};

// --bluetooth sim:FILE|bluez and --timeout MS.
void addLinkOptions(QCommandLineParser& parser);
// Reads them; --bluetooth is handed to the control through CORVEL_BLUETOOTH.
bool applyLinkOptions(const QCommandLineParser& parser, LinkOptions& options, QString* error);

// A Bluetooth address as the control's server id (12 upper-case hex digits), from
// "C4:7F:51:00:50:01", "c4-7f-..." or "C47F51005001". "" when it is none.
QString serverIdOf(const QString& address);

// Prints the usage of a subcommand and the output rules when args ask for help.
bool printHelpIfAsked(const QStringList& args, const char* name, CliIo& io);

// Adds the link options, parses args and reads ADDRESS, the first of at most `positionals`
// positional arguments. 0, or the exit status after the message.
int parseGaugeArguments(QCommandLineParser& parser, const QStringList& args, int positionals, CliIo& io,
                        const char* prefix, LinkOptions& options, QString& serverId);

// SIGINT and SIGTERM (and a closed standard output) end what the subcommand waits for; the
// subcommand then unsubscribes and disconnects before it exits. Installed by the first
// GaugeConnection.
bool interrupted();
// Called when writing to standard output failed (the reader went away).
void interruptNow();

class GaugeConnection {
public:
    // prefix: "zenu-cli NAME: ", which leads every message.
    GaugeConnection(const LinkOptions& options, CliIo& io, const char* prefix);
    ~GaugeConnection();
    GaugeConnection(const GaugeConnection&) = delete;
    GaugeConnection& operator=(const GaugeConnection&) = delete;

    // Creates the control. 0, or the exit status after the message.
    int open();
    // Opens the control unless open, scans until the address advertises (bounded by the
    // timeout), connects, discovers and runs the connection initialisation. 0, or the exit
    // status after the message.
    int connect(const QString& serverId);
    // Unsubscribes live readings and disconnects (once; also when destroyed).
    void close();

    BleSession& session() { return *session_; }
    bool linkLost() const;
    // The last failure the session reported (scan, control error, lost link).
    const QString& lastError() const { return lastError_; }

    // Prints "prefix message" on standard error and returns status.
    int fail(int status, const QString& message);
    // The status of an operation that ended early: the link is gone (3), an interrupt (130),
    // otherwise `otherwise`.
    int statusAfterFailure(int otherwise) const;
    // A request the gauge left unanswered: "prefix what: " and why (the lost link, or no answer).
    int failUnanswered(const QString& what);

private:
    LinkOptions options_;
    CliIo& io_;
    QString prefix_;
    std::unique_ptr<BleSession> session_;
    bool closed_ = false;
    bool linked_ = false;  // connected once: a lost link ends every wait
    QString lastError_;
};

}  // namespace zenu::cli
