#include "sim/gauge_protocol.h"

#include <QString>
#include <QTimeZone>
#include <algorithm>
#include <cstdio>

#include "sim/gauge_memory_file.h"
#include "sim/gauge_reading_lines.h"

namespace zenu::sim {

namespace {

std::string trimmedCommand(std::string s) {
    while (!s.empty() && (s.back() == '\r' || s.back() == '\n' || s.back() == ' ' || s.back() == '\0')) s.pop_back();
    std::size_t start = 0;
    while (start < s.size() && s[start] == ' ') ++start;
    return s.substr(start);
}

std::vector<std::string> splitBlanks(const std::string& s) {
    std::vector<std::string> parts;
    std::string cur;
    for (char c : s) {
        if (c == ' ') {
            if (!cur.empty()) parts.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.empty()) parts.push_back(cur);
    return parts;
}

std::optional<long> number(const std::string& s) {
    if (s.empty()) return std::nullopt;
    char* end = nullptr;
    const long v = std::strtol(s.c_str(), &end, 10);
    if (*end != '\0') return std::nullopt;
    return v;
}

std::string hexBytes(const uint8_t* data, std::size_t n) {
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    out.reserve(2 * n);
    for (std::size_t i = 0; i < n; ++i) {
        out += digits[data[i] >> 4];
        out += digits[data[i] & 15];
    }
    return out;
}

// "K:value" after the reply code, pairs one blank apart; an empty value is left out (it
// would shift the receiver's pairs).
void pair(std::string& out, std::size_t codeLength, char key, const std::string& value) {
    if (value.empty()) return;
    if (out.size() > codeLength) out += ' ';
    out += key;
    out += ':';
    out += value;
}

ReadingFields fields(int number, double value, int decimals, const std::string& unit, const std::string& method,
                     const QDateTime& time) {
    ReadingFields f;
    f.number = number;
    f.value = value;
    f.decimals = decimals;
    f.unit = QString::fromStdString(unit);
    f.method = QString::fromStdString(method);
    f.time = time;
    return f;
}

}  // namespace

GaugeProtocol::GaugeProtocol(GaugeDef def, QDateTime clockAtStart)
    : def_(std::move(def)), clockAtStart_(std::move(clockAtStart)), nextHandle_(std::max(1, def_.firstFileHandle)) {}

QDateTime GaugeProtocol::clock(int64_t elapsedMs) const { return clockAtStart_.addMSecs(elapsedMs + clockOffsetMs_); }

GaugeReply GaugeProtocol::command(const std::string& written, int64_t elapsedMs) {
    const std::string text = trimmedCommand(written);
    GaugeReply reply;
    const std::size_t bang = text.rfind('!');
    if (text.size() < 3 || text[0] != '$' || bang == std::string::npos) {
        reply.answered = true;
        reply.text = "$err!";
    } else {
        const std::size_t question = text.find('?');
        const std::size_t codeEnd = std::min(question, bang);
        const std::string code = text.substr(1, codeEnd - 1);
        std::vector<std::string> args;
        if (question != std::string::npos && question < bang) args = splitBlanks(text.substr(question + 1, bang - question - 1));
        reply = answer(code, args, elapsedMs);
    }
    reply.delayMs += def_.replyDelayMs;
    applyFaults(text, reply);
    if (reply.answered && reply.pieces.empty()) reply.pieces.push_back(reply.text);
    return reply;
}

GaugeReply GaugeProtocol::answer(const std::string& code, const std::vector<std::string>& args, int64_t elapsedMs) {
    GaugeReply r;
    r.answered = true;
    auto arg = [&](std::size_t i) { return i < args.size() ? args[i] : std::string(); };
    if (code == "zenu00") {
        r.text = deviceInformation();
    } else if (code == "gpi") {
        r.text = probeInformation();
    } else if (code == "gfi") {
        r.text = "$gfi?M:" + def_.memoryChip + "!";
    } else if (code == "gcv") {
        r.text = "$gcv?" + QString::number(def_.battery, 'f', 2).toStdString() + "!";
    } else if (code == "glt") {
        r.text = "$glt?" + clock(elapsedMs).toString(QStringLiteral("yyyy-MM-dd/HH:mm:ss")).toStdString() + "!";
    } else if (code == "slt") {
        // Setting the clock is never answered.
        r.answered = false;
        QDateTime t = QDateTime::fromString(QString::fromStdString(arg(0)), QStringLiteral("yyyy-MM-dd/HH:mm:ss"));
        if (t.isValid()) {
            t.setTimeZone(QTimeZone::utc());
            clockOffsetMs_ = clockAtStart_.addMSecs(elapsedMs).msecsTo(t);
        }
    } else if (code == "sdp") {
        if (arg(0) == "1") blankSeparated_ = true;
        else if (arg(0) == "0") blankSeparated_ = false;
        r.text = "$sdp!";
    } else if (code == "ls") {
        r.text = listReply();
        const auto size = static_cast<std::size_t>(def_.listPieceSize);
        for (std::size_t at = 0; at < r.text.size(); at += size) r.pieces.push_back(r.text.substr(at, size));
    } else if (code == "fr") {
        const std::string name = arg(0);
        auto it = std::find_if(def_.files.begin(), def_.files.end(), [&](const GaugeFile& f) { return f.name == name; });
        if (it == def_.files.end()) {
            r.text = "$fr?0 0!";
        } else {
            openFile_ = memoryFileBytes(*it, clockAtStart_);
            filePosition_ = 0;
            blocksServed_ = 0;
            openHandle_ = nextHandle_;
            nextHandle_ = nextHandle_ >= 99 ? 1 : nextHandle_ + 1;
            r.text = "$fr?" + std::to_string(openHandle_) + " " + std::to_string(openFile_.size()) + "!";
        }
    } else if (code == "rd") {
        const auto handle = number(arg(0)).value_or(-1);
        const auto count = number(arg(1)).value_or(0);
        const std::size_t offset = filePosition_;
        std::string payload;
        if (handle == openHandle_ && openHandle_ != 0 && count > 0) {
            const std::size_t n = std::min<std::size_t>({static_cast<std::size_t>(count), 99, openFile_.size() - filePosition_});
            payload = hexBytes(openFile_.data() + filePosition_, n);
            filePosition_ += n;
            ++blocksServed_;
        }
        char head[80];
        std::snprintf(head, sizeof head, "$rd?%ld %06zu %02zu ", handle < 0 ? 0L : handle, offset, payload.size() / 2);
        r.text = head + payload + "!";
    } else if (code == "fc") {
        const auto handle = number(arg(0)).value_or(-1);
        const bool open = handle == openHandle_ && openHandle_ != 0;
        if (open) {
            openHandle_ = 0;
            openFile_.clear();
        }
        r.text = "$fc?" + arg(0) + (open ? " 0!" : " 1!");
    } else {
        r.text = "$err?" + code + "!";
    }
    return r;
}

void GaugeProtocol::applyFaults(const std::string& written, GaugeReply& reply) {
    for (auto& f : def_.faults) {
        if (f.times == 0 || written.compare(0, f.command.size(), f.command) != 0) continue;
        if (f.kind == FaultKind::Disconnect) {
            if (written.compare(0, 3, "$rd") != 0 || blocksServed_ <= f.afterBlocks) continue;
            // The block was taken off the file but never arrives.
            reply = GaugeReply{};
            reply.dropLink = true;
            reply.offlineMs = f.offlineMs;
        } else if (f.kind == FaultKind::NoReply) {
            reply.answered = false;
        } else if (f.kind == FaultKind::LateReply) {
            reply.delayMs += f.delayMs;
        } else if (f.kind == FaultKind::Malformed) {
            reply.answered = true;
            reply.text = f.reply;
            reply.pieces.clear();
        }
        if (f.times > 0) --f.times;
        return;
    }
}

std::string GaugeProtocol::deviceInformation() const {
    std::string out = "$zenu00";
    const std::size_t code = out.size();
    pair(out, code, 'T', def_.deviceType);
    pair(out, code, 'V', def_.version1);
    pair(out, code, 'B', def_.version2);
    pair(out, code, 'R', std::to_string(def_.firmware));
    pair(out, code, 'S', def_.serial);
    pair(out, code, 'H', def_.hardware);
    pair(out, code, 'M', def_.mac);
    pair(out, code, 'U', def_.unit);
    return out + "!";
}

std::string GaugeProtocol::probeInformation() const {
    std::string out = "$gpi";
    const std::size_t code = out.size();
    pair(out, code, 'T', def_.probeType);
    pair(out, code, 'R', def_.probeRevision);
    pair(out, code, 'S', def_.probeSerial);
    pair(out, code, 'U', def_.unit);
    return out + "!";
}

std::string GaugeProtocol::listReply() const {
    char head[32];
    std::snprintf(head, sizeof head, "$ls?%09u ", def_.freeBytes % 1000000000u);
    std::string out = head;  // 14 characters before the names
    std::vector<std::string> names;
    for (const auto& f : def_.files) names.push_back(f.name);
    names.insert(names.end(), def_.extraFiles.begin(), def_.extraFiles.end());
    for (std::size_t i = 0; i < names.size(); ++i) out += (i ? " " : "") + names[i];
    return out + "!";
}

std::string GaugeProtocol::directory() const {
    std::string out = std::to_string(def_.memories.size()) + "\r\n";
    for (const auto& m : def_.memories)
        out += std::to_string(m.number) + "," +
               std::to_string(m.listedCount.value_or(static_cast<int>(m.readings.size()))) + "\r\n";
    return out;
}

void GaugeProtocol::storageInfoWritten(const std::string& text) {
    const std::string t = trimmedCommand(text);
    if (t == "-") {
        selected_ = -1;
        storagePosition_ = 0;
        return;
    }
    const auto n = number(t);
    if (!n) return;
    selected_ = -1;
    storagePosition_ = 0;
    for (std::size_t i = 0; i < def_.memories.size(); ++i)
        if (def_.memories[i].number == *n) selected_ = static_cast<int>(i);
}

std::string GaugeProtocol::storedLine(const StoredMemory& memory, std::size_t index) const {
    const StoredReading& r = memory.readings[index];
    const QDateTime time = r.time.isValid()
                               ? r.time
                               : clockAtStart_.addSecs(-60 * static_cast<qint64>(memory.readings.size() - 1 - index));
    const ReadingFields f = fields(static_cast<int>(index) + 1, r.value, def_.decimals,
                                   r.unit.empty() ? def_.readingUnit : r.unit,
                                   r.method.empty() ? std::string(model().method) : r.method, time);
    return readingLine(f, blankSeparated_).toUtf8().toStdString();
}

std::string GaugeProtocol::nextStorageBlock(int64_t) {
    if (selected_ < 0) return {};
    const StoredMemory& memory = def_.memories[static_cast<std::size_t>(selected_)];
    std::string out;
    for (int i = 0; i < 5 && storagePosition_ < memory.readings.size(); ++i) out += storedLine(memory, storagePosition_++);
    return out;
}

std::string GaugeProtocol::nextLiveNotification(int64_t elapsedMs) {
    const auto& readings = def_.live.readings;
    if (readings.empty()) return {};
    if (liveIndex_ >= readings.size()) {
        if (!def_.live.repeat) return {};
        liveIndex_ = 0;
    }
    const LiveReading& r = readings[liveIndex_++];
    const QDateTime now = clock(elapsedMs);
    const std::string unit = r.unit.empty() ? def_.readingUnit : r.unit;
    QString text;
    if (r.dualValue) {
        const QString first = readingLine(fields(++liveNumber_, r.value, def_.decimals, unit, "DNF", now), blankSeparated_);
        const QString second =
            readingLine(fields(++liveNumber_, *r.dualValue, def_.decimals, unit, "DFE", now), blankSeparated_);
        text = dualNotification(first, second, blankSeparated_);
    } else {
        const std::string method = r.method.empty() ? std::string(model().method) : r.method;
        text = readingLine(fields(++liveNumber_, r.value, def_.decimals, unit, method, now), blankSeparated_);
    }
    lastLive_ = text.toUtf8().toStdString();
    return lastLive_;
}

}  // namespace zenu::sim
