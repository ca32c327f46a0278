// zenu-cli online: live readings of a gauge, one record line per reading as it arrives, until
// a count, a time, Ctrl-C or the end of the link.
#include <QCommandLineParser>
#include <QElapsedTimer>

#include "cli/zenu/commands.h"
#include "cli/zenu/gauge_connection.h"
#include "cli/zenu/record_output.h"
#include "data/gauge_identity.h"
#include "data/measurement_record.h"
#include "data/reading_sink.h"
#include "gauge/ble_session.h"
#include "gauge/online_reading.h"
#include "gauge/value_handler.h"

namespace zenu::cli {
namespace {

constexpr const char* kName = "zenu-cli online: ";
const QString kCount = QStringLiteral("count");
const QString kSeconds = QStringLiteral("seconds");
// Waiting without an end is done in slices, each bounded.
constexpr int kSliceMs = 1000;

// Prints each reading as it is stored in the online table, up to the count asked for.
class PrintingSink : public ReadingSink {
public:
    PrintingSink(QTextStream& out, int limit) : out_(out), limit_(limit) {}
    void AddReadingRow() override {
        if (limit_ > 0 && printed >= limit_) return;
        out_ << recordLine(Tables.at(currentTable, readingIndex)) << '\n';
        out_.flush();
        if (out_.status() != QTextStream::Ok) interruptNow();
        ++printed;
    }
    void FillMSFlexOne() override {}
    void showError(const QString& text) override { error = text; }

    int printed = 0;
    QString error;

private:
    QTextStream& out_;
    int limit_;
};

}  // namespace

int runOnline(const QStringList& args, CliIo& io) {
    if (printHelpIfAsked(args, "online", io)) return kExitOk;
    QCommandLineParser parser;
    parser.addOption({kCount, QStringLiteral("Stop after N readings."), QStringLiteral("N")});
    parser.addOption({kSeconds, QStringLiteral("Stop after S seconds."), QStringLiteral("S")});
    LinkOptions options;
    QString serverId;
    if (const int status = parseGaugeArguments(parser, args, 1, io, kName, options, serverId)) return status;
    int count = 0;
    double seconds = 0;
    bool ok = true;
    if (parser.isSet(kCount)) count = parser.value(kCount).trimmed().toInt(&ok);
    if (!ok || (parser.isSet(kCount) && count <= 0)) {
        io.err << kName << "--count must be a positive whole number, not \"" << parser.value(kCount) << "\"\n";
        return kExitFailure;
    }
    if (parser.isSet(kSeconds)) seconds = parser.value(kSeconds).trimmed().toDouble(&ok);
    if (!ok || (parser.isSet(kSeconds) && (seconds <= 0 || seconds > 366.0 * 24 * 3600))) {
        io.err << kName << "--seconds must be a positive number, not \"" << parser.value(kSeconds) << "\"\n";
        return kExitFailure;
    }

    GaugeConnection link(options, io, kName);
    if (const int status = link.connect(serverId)) return status;
    BleSession& session = link.session();

    PrintingSink sink(io.out, count);
    const int flag = firmwareFlag;
    setLiveReadingHandler([&sink, &io, flag](const QString& value) {
        // A logger runs longer than the online table is long: a full table starts again, the
        // reading numbers go on.
        if (readingIndex + 1 > kMaxOnlineReadings) {
            ClearReadingTable(kTableOnline);
            readingIndex = 1;
        }
        takeOnlineReading(value, sink, [] { readingIndex = Tables.count(kTableOnline) + 1; }, flag);
        if (!sink.error.isEmpty()) {
            // A reading the parser refused is reported and skipped, as in the window.
            io.err << kName << sink.error << '\n';
            io.err.flush();
            sink.error.clear();
        }
    });
    if (!session.subscribeReadings())
        return link.fail(link.statusAfterFailure(kExitNoAnswer), QStringLiteral("the gauge did not confirm the subscription"));

    QElapsedTimer clock;
    clock.start();
    const qint64 endMs = seconds > 0 ? static_cast<qint64>(seconds * 1000) : -1;
    const auto finished = [&] {
        return interrupted() || !session.Connected || (count > 0 && sink.printed >= count) ||
               (endMs >= 0 && clock.elapsed() >= endMs);
    };
    while (!finished()) {
        const qint64 left = endMs >= 0 ? endMs - clock.elapsed() : kSliceMs;
        session.waitFunction()(finished, static_cast<int>(std::clamp<qint64>(left, 1, kSliceMs)));
    }
    if (!session.Connected && !interrupted())
        return link.fail(kExitLink, QStringLiteral("link lost: ") + link.lastError());
    return kExitOk;
}

}  // namespace zenu::cli
