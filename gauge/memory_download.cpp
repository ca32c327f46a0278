#include "gauge/memory_download.h"

#include <algorithm>

#include "texts/texts.h"
#include "data/gauge_identity.h"
#include "data/measurement_record.h"
#include "data/memory_file.h"
#include "data/reading_line.h"
#include "data/reading_sink.h"
#include "data/text_align.h"
#include "gauge/ble_session.h"
#include "gauge/gauge_commands.h"
#include "gauge/handshake_state.h"
#include "platform/translog.h"

namespace zenu {
namespace {

constexpr int kBlockBytes = 32;
constexpr int kHeaderBytes = 160;
constexpr int kFileNameWidth = 20;
constexpr int kLinesPerBlock = 5;
constexpr qsizetype kShortestReadingLine = 15;
// A gauge that never sends the empty end mark still ends: no memory holds more blocks.
constexpr int kMaxStorageReads = kTableCapacity / kLinesPerBlock + 2;

// Decoded readings go to the host's sink; closing the memory file goes to the gauge.
class SessionSink : public ReadingSink {
public:
    SessionSink(ReadingSink& inner, BleSession& session) : inner_(inner), session_(session) {}
    void AddReadingRow() override { inner_.AddReadingRow(); }
    void FillMSFlexOne() override { inner_.FillMSFlexOne(); }
    void setRecordCount(int n) override { inner_.setRecordCount(n); }
    void resetStatistics() override { inner_.resetStatistics(); }
    void setAbsoluteStatistics(bool on) override { inner_.setAbsoluteStatistics(on); }
    void showTraceStatistics(const TraceSeries& t) override { inner_.showTraceStatistics(t); }
    void hideMaterialButton() override { inner_.hideMaterialButton(); }
    void showMemory(const QString& c, const QString& l) override { inner_.showMemory(c, l); }
    void setStatusText(const QString& t) override { inner_.setStatusText(t); }
    void setProgress(int v, int m) override { inner_.setProgress(v, m); }
    void showTraceChart() override { inner_.showTraceChart(); }
    void showError(const QString& t) override { inner_.showError(t); }
    bool closeMemoryFile() override {
        return session_.isConnected() && session_.request(commands::closeFile(FileHandle), GaugeReply::FileClose);
    }

private:
    ReadingSink& inner_;
    BleSession& session_;
};

int recordBytesOf(const QString& name) {
    const MemoryKind kind = memoryKindOf(name);
    return kind == MemoryKind::Unknown ? 0 : recordHexDigits(kind) / 2;
}

}  // namespace

MemoryDownload::MemoryDownload(BleSession& session, DownloadHost& host) : session_(session), host_(host) {}

// ---------------------------------------------------------------- pieces

QStringList MemoryDownload::fileListEntries(const QString& reply) {
    QStringList entries;
    if (reply.size() <= 7) return entries;
    const QString names = reply.mid(14, reply.size() - 15);
    for (const QString& word : names.split(QLatin1Char(' '))) {
        const QString part = word.trimmed();
        if (part.isEmpty() || part.startsWith(QLatin1String("se"))) continue;
        const QChar first = part.front();
        if (first != QLatin1Char('m') && first != QLatin1Char('s') && first != QLatin1Char('t')) continue;
        // Longer names stay whole: padding only fills.
        entries.append(part.leftJustified(kFileNameWidth, QLatin1Char(' ')));
    }
    return entries;
}

QString MemoryDownload::memoryEntry(const QString& name, int count) {
    return M(76) + Ausrichten(5, name, QStringLiteral(" "), false) +
           Ausrichten(6, QLatin1Char('(') + QString::number(count) + QLatin1Char(')'), QStringLiteral(" "), false);
}

bool MemoryDownload::parseMemoryEntry(const QString& entry, QString& name, int& count) {
    const qsizetype open = entry.indexOf(QLatin1Char('('));
    const qsizetype close = entry.indexOf(QLatin1Char(')'), open + 1);
    if (open < 1 || close < 0) return false;
    QString head = entry.left(open).trimmed();
    // The letter text of either language leads the entry.
    if (head.startsWith(QLatin1Char('S')) || head.startsWith(QLatin1Char('M'))) head = head.mid(1).trimmed();
    name = head;
    bool ok = false;
    count = entry.mid(open + 1, close - open - 1).trimmed().toInt(&ok);
    if (!ok) count = 0;
    return true;
}

MemoryDownload::BlockPlan MemoryDownload::planBlocks(int fileSize) {
    if (fileSize <= 0) return {};
    return {fileSize / kBlockBytes, fileSize % kBlockBytes};
}

// ---------------------------------------------------------------- subscriptions around a read

bool MemoryDownload::unsubscribeFirst() {
    if (session_.Subscribed) return session_.unsubscribeReadings();
    return true;
}

void MemoryDownload::subscribeAgain() {
    if (!session_.Subscribed && session_.Connected) session_.subscribeReadings();
}

DownloadResult::Status MemoryDownload::interrupted() const {
    return session_.Connected ? DownloadResult::Status::TimedOut : DownloadResult::Status::LinkLost;
}

bool MemoryDownload::readDirectory() {
    clearReplySeen(GaugeReply::Directory);
    return session_.ReadStorageInfo() &&
           session_.waitFunction()([] { return replySeen(GaugeReply::Directory); }, session_.replyTimeoutMs());
}

// ---------------------------------------------------------------- lists

bool MemoryDownload::SpeicherInfoDatei(QStringList& entries) {
    unsubscribeFirst();
    entries.clear();
    bool answered = false;
    if (session_.Connected) {
        session_.setListTickLimit();
        answered = session_.request(commands::listFiles(), GaugeReply::FileList);
        if (answered) entries = fileListEntries(ResponseText);
    }
    subscribeAgain();
    return answered;
}

bool MemoryDownload::SpeicherInfoLesen(QStringList& entries) {
    unsubscribeFirst();
    const bool answered = readDirectory();
    if (!answered) WriteLog(QStringLiteral("Keine Antwort auf das Speicherverzeichnis"));
    entries.clear();
    if (answered)
        for (int i = 1; i <= MemoryCount && i < MemoryNames.size() && i < MemoryCounts.size(); ++i)
            entries.append(memoryEntry(MemoryNames[i], MemoryCounts[i]));
    subscribeAgain();
    return answered;
}

bool MemoryDownload::memoryList(QStringList& entries) {
    return profileChar(1) == QLatin1Char('5') ? SpeicherInfoDatei(entries) : SpeicherInfoLesen(entries);
}

// ---------------------------------------------------------------- reads

DownloadResult MemoryDownload::readSelected(const QString& listText) {
    if (profileChar(1) == QLatin1Char('5')) {
        if (listText.trimmed().isEmpty()) return {DownloadResult::Status::NothingChosen, 0, 0, {}};
        // The gauge expects the probe information before a file is opened.
        unsubscribeFirst();
        session_.request(commands::probeInformation(), GaugeReply::ProbeInfoReply);
        return Read_Datei(listText);
    }
    return readMemory4(listText);
}

DownloadResult MemoryDownload::finishLost(DownloadResult r) {
    const int message = r.status == DownloadResult::Status::LinkLost ? 104 : 105;
    r.message = M(message).arg(r.read).arg(r.expected);
    WriteLog(r.message);
    host_.message(r.message);
    return r;
}

DownloadResult MemoryDownload::Read_Datei(const QString& listText) {
    DownloadResult result;
    const QString name = listText.trimmed();
    if (name.isEmpty()) {
        result.status = DownloadResult::Status::NothingChosen;
        return result;
    }
    unsubscribeFirst();
    host_.Block_Buttons();
    host_.prepareMemoryTable();
    FileSize = 0;

    const auto end = [&](DownloadResult r) {
        subscribeAgain();
        host_.Unblock_Buttons();
        return r;
    };

    if (!session_.request(commands::openFile(name), GaugeReply::FileOpen)) {
        result.status = interrupted();
        result.message = M(103).arg(commands::openFile(name));
        host_.message(result.message);
        return end(result);
    }
    if (FileSize <= 0) {
        result.status = DownloadResult::Status::NotFound;
        result.message = M(106).arg(name);
        WriteLog(result.message);
        host_.message(result.message);
        return end(result);
    }

    const int recordBytes = recordBytesOf(name);
    const int fileSize = FileSize;
    const int16_t handle = FileHandle;
    if (recordBytes > 0) result.expected = std::max(0, (fileSize - kHeaderBytes) / recordBytes);
    const BlockPlan plan = planBlocks(fileSize);
    const int maximum = plan.fullBlocks + 2;
    int progress = 0;
    host_.setProgress(progress, maximum);

    QString buffer;
    buffer.reserve(fileSize * 2);
    bool complete = true;
    const auto readBlock = [&](int bytes) {
        clearReplySeen(GaugeReply::Block);
        const auto arrived = [handle] { return replySeen(GaugeReply::Block) && AnswerState == handle; };
        if (!sendCommand(session_, commands::readBlock(handle, bytes)) ||
            !session_.waitFunction()(arrived, session_.replyTimeoutMs())) {
            WriteLog(QStringLiteral("Keine Antwort auf ") + commands::readBlock(handle, bytes));
            return false;
        }
        buffer += ResponseText;
        return true;
    };
    bool stopped = false;
    const auto stop = [&] {
        stopped = host_.stopRequested();
        return stopped;
    };
    for (int i = 0; i < plan.fullBlocks && complete; ++i) {
        if (stop() || !readBlock(kBlockBytes)) {
            complete = false;
            break;
        }
        if (progress < maximum) host_.setProgress(++progress, maximum);
    }
    if (complete && plan.rest > 0) complete = !stop() && readBlock(plan.rest);
    if (complete) host_.setProgress(maximum, maximum);

    if (!complete) {
        result.status = stopped ? DownloadResult::Status::Stopped : interrupted();
        // Keep the header and every whole record that arrived; the rest is not guessed.
        const qsizetype headerDigits = kHeaderBytes * 2;
        if (buffer.size() < headerDigits || recordBytes == 0) {
            buffer.clear();
        } else {
            const qsizetype whole = (buffer.size() - headerDigits) / (recordBytes * 2);
            buffer.truncate(headerDigits + whole * recordBytes * 2);
        }
    }

    SessionSink sink(host_.sink(), session_);
    if (!buffer.isEmpty()) {
        const MemoryFileResult decoded = FillMessdatenDatei(buffer, name, sink);
        result.read = decoded.stored;
        if (decoded.ok == false && complete) {
            result.status = DownloadResult::Status::Failed;
            result.message = decoded.error;
        }
    } else if (session_.Connected) {
        sink.closeMemoryFile();
    }
    if (!complete && !stopped) result = finishLost(result);
    end(result);
    if (complete && !listText.left(2).contains(QLatin1Char('t'))) host_.focusMemoryTable();
    return result;
}

DownloadResult MemoryDownload::readMemory4(const QString& listText) {
    DownloadResult result;
    if (listText.isEmpty()) {
        result.status = DownloadResult::Status::NothingChosen;
        return result;
    }
    host_.Block_Buttons();
    unsubscribeFirst();
    host_.prepareMemoryTable();

    const auto stop = [&](DownloadResult::Status status, const QString& message) {
        result.status = status;
        result.message = message;
        host_.message(message);
        host_.switchToOnline();
        host_.Unblock_Buttons();
        return result;
    };
    if (listText == M(47) || !listText.contains(QLatin1Char(' ')))
        return stop(DownloadResult::Status::NothingChosen, M(83) + QLatin1Char('\n'));

    QString name;
    int expected = 0;
    if (!parseMemoryEntry(listText, name, expected))
        return stop(DownloadResult::Status::NothingChosen, M(82) + QLatin1Char('\n'));

    // The directory again: the count may have grown since the list was made.
    if (readDirectory()) {
        bool nameOk = false;
        const int wanted = name.toInt(&nameOk);
        for (int i = 1; nameOk && i <= MemoryCount && i < MemoryNames.size() && i < MemoryCounts.size(); ++i) {
            if (MemoryNames[i].trimmed().toInt() == wanted) {
                expected = MemoryCounts[i];
                host_.memoryEntryUpdated(memoryEntry(name, expected));
            }
        }
    }
    bool numeric = false;
    name.toInt(&numeric);
    if (!numeric) return stop(DownloadResult::Status::NothingChosen, M(82) + QLatin1Char('\n'));
    result.expected = expected;
    host_.showMemoryCaption(
        M(32) + QLatin1Char(' ') + name + QStringLiteral(" (") + QString::number(expected) + QLatin1Char(')'), name);

    AnswerState = kAnswerAwaited;
    if (!session_.WriteStorageInfo(commands::selectMemory(name))) {
        result.status = session_.Connected ? DownloadResult::Status::Failed : DownloadResult::Status::LinkLost;
        result = finishLost(result);
        host_.Unblock_Buttons();
        return result;
    }

    SessionSink sink(host_.sink(), session_);
    StorageEnd = false;
    int n = 1;
    bool lost = false;
    for (int reads = 0; !StorageEnd && reads < kMaxStorageReads; ++reads) {
        if (host_.stopRequested()) {
            result.status = DownloadResult::Status::Stopped;
            break;
        }
        clearReplySeen(GaugeReply::StorageData);
        if (!session_.ReadStorageData()) {
            lost = true;
            break;
        }
        // An empty memory may end at once or send a block: either way it is shown as empty.
        if (expected == 0) {
            result.status = DownloadResult::Status::Empty;
            Meldung_Speicher_Leer();
            break;
        }
        if (StorageEnd) break;
        const QStringList lines = ResponseText.split(QLatin1Char('\n'));
        host_.setProgress(0, expected + 1);
        // A short block ends where its lines end.
        for (int i = 0; i < kLinesPerBlock && i < lines.size(); ++i) {
            const QString& line = lines[i];
            if (expected >= n && line.size() > kShortestReadingLine && FillMessdaten(line, sink)) {
                ++result.read;
                host_.setProgress(std::min(result.read, expected + 1), expected + 1);
            }
            if (!line.isEmpty()) ++n;
        }
    }
    if (lost) {
        result.status = interrupted();
        result = finishLost(result);
    }
    if (session_.Connected) session_.SondenFreigabe();
    host_.Unblock_Buttons();
    WriteLog(QStringLiteral("Ende Speicher lesen vor sub ") +
             (session_.Subscribed ? QStringLiteral("True") : QStringLiteral("False")));
    // "Memory empty" stays on display; readings come back on when the user picks a table.
    if (result.status == DownloadResult::Status::Empty) subscribeAgain();
    else host_.focusMemoryTable();
    return result;
}

void MemoryDownload::Meldung_Speicher_Leer() {
    host_.memoryEmpty();
    host_.Unblock_Buttons();
}

}  // namespace zenu
