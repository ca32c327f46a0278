#include "gauge/value_handler.h"

#include <limits>

#include "texts/texts.h"
#include "data/gauge_identity.h"
#include "data/units.h"
#include "gauge/handshake_state.h"
#include "gauge/reply_parsing.h"
#include "platform/localefmt.h"
#include "platform/translog.h"

namespace zenu {
namespace {

LiveReadingHandler liveReadingHandler;

bool startsWith(const QString& value, const char* code) {
    return value.startsWith(QLatin1String(code));
}

void logMalformed(const QString& value, const QString& why) {
    // A runaway reply must not flood the log.
    constexpr qsizetype kLogged = 200;
    QString shown = value.left(kLogged);
    if (value.size() > kLogged) shown += QStringLiteral("...");
    WriteLog(QStringLiteral("Fehlerhafte Antwort (") + why + QStringLiteral("): ") + shown);
}

bool toInt16(const std::optional<QString>& text, int16_t& out) {
    int64_t v = 0;
    if (!text || !replies::parseWhole(*text, std::numeric_limits<int16_t>::min(),
                                      std::numeric_limits<int16_t>::max(), v))
        return false;
    out = static_cast<int16_t>(v);
    return true;
}

// Device- and probe-information pairs. Keys the program does not use are skipped.
void handleInfoPairs(const QString& value, bool probe) {
    ResponseText = value.mid(probe ? 4 : 7);
    const replies::InfoPairs parsed = replies::parseInfoPairs(ResponseText);
    for (const replies::InfoPair& pair : parsed.pairs) {
        switch (pair.key.unicode()) {
        case 'T':
            if (probe) {
                probeType = pair.value;
            } else {
                DeviceInfo.deviceType = pair.value.size() > 4 ? pair.value.right(2) : pair.value;
            }
            break;
        case 'V': DeviceInfo.version1 = pair.value; break;
        case 'B': DeviceInfo.version2 = pair.value; break;
        case 'R': (probe ? DeviceInfo.probeRevision : DeviceInfo.deviceRevision) = pair.value; break;
        case 'S': (probe ? DeviceInfo.probeSerial : SerialNumber) = pair.value; break;
        case 'H': DeviceInfo.hardwareInfo = pair.value; break;
        case 'M': DeviceInfo.macAddress = pair.value; break;
        case 'U': deviceUnit = NormalizeUnit(pair.value); break;
        default: break;  // "N", "A" and anything unknown
        }
    }
    ResponseText = parsed.rest;
    // A reply with only its code carries nothing: the sender keeps waiting.
    if (parsed.pairs.empty()) return;
    if (!parsed.rest.trimmed().isEmpty()) logMalformed(value, QStringLiteral("Text nach \"!\""));
    AnswerState = kAnswerReceived;
    markReplySeen(probe ? GaugeReply::ProbeInfoReply : GaugeReply::DeviceInfoReply);
}

void handleDirectory(const QString& value) {
    const replies::MemoryDirectory dir = replies::parseMemoryDirectory(value);
    if (dir.count != dir.announced)
        logMalformed(value, QStringLiteral("Speicheranzahl %1, Zeilen %2").arg(dir.announced).arg(dir.count));
    MemoryCount = dir.count;
    MemoryNames = dir.names;
    MemoryCounts = dir.counts;
    AnswerState = kAnswerReceived;
    markReplySeen(GaugeReply::Directory);
}

// The "$fr" ... "$fmod" chain: only the first match acts. True when a reply of the chain
// was recognised (the handler then ends).
bool handleFileReplies(const QString& value) {
    if (startsWith(value, "$fr")) {
        int16_t handle = 0;
        int64_t size = 0;
        const auto sizeText = replies::secondValue(value);
        if (!toInt16(replies::firstValue(value), handle) ||
            !sizeText || !replies::parseWhole(*sizeText, 0, std::numeric_limits<int32_t>::max(), size)) {
            logMalformed(value, QStringLiteral("$fr"));
            return true;
        }
        FileHandle = handle;
        FileSize = static_cast<int32_t>(size);
        markReplySeen(GaugeReply::FileOpen);
        return true;
    }
    if (startsWith(value, "$fwu")) {
        const qsizetype q = value.indexOf(QLatin1Char('?'));
        if (q >= 0 && q + 1 < value.size() && value[q + 1] >= QLatin1Char('0') && value[q + 1] <= QLatin1Char('9')) {
            AnswerState = static_cast<int16_t>(value[q + 1].unicode() - '0');
            markReplySeen(GaugeReply::FirmwareUpdate);
        }
        return true;
    }
    if (startsWith(value, "$fw")) {
        int16_t handle = 0;
        int16_t state = 0;
        if (toInt16(replies::firstValue(value), handle) && toInt16(replies::secondValue(value), state)) {
            FileHandle = handle;
            AnswerState = state;
            markReplySeen(GaugeReply::FirmwareUpdate);
        }
        return true;
    }
    if (startsWith(value, "$fc")) {
        int16_t state = 0;
        if (toInt16(replies::secondValue(value), state)) {
            AnswerState = state;
        } else {
            // The close code is no number: as malformed as a bad handle.
            logMalformed(value, QStringLiteral("$fc"));
            AnswerState = kAnswerMalformed;
        }
        markReplySeen(GaugeReply::FileClose);
        return true;
    }
    if (startsWith(value, "$wr") || startsWith(value, "$rm") || startsWith(value, "$fmod")) {
        AnswerState = kAnswerReceived;
        markReplySeen(GaugeReply::WriteRemove);
        return true;
    }
    if (startsWith(value, "$rd")) {
        QString why;
        const auto block = replies::parseBlockReply(value, &why);
        if (block) {
            ResponseText = block->payload;
            AnswerState = block->handle;
            markReplySeen(GaugeReply::Block);
        } else {
            logMalformed(value, why);
        }
    }
    return false;
}

}  // namespace

void setLiveReadingHandler(LiveReadingHandler handler) {
    liveReadingHandler = std::move(handler);
}

QString memoryChipDisplayText() {
    const QString chip = DeviceInfo.memoryChip;
    if (chip.isEmpty()) return chip;
    return chip + QLatin1Char('(') + M(chip.contains(QLatin1String("5440")) ? 92 : 91) + QLatin1Char(')');
}

void HandleGaugeValue(GaugeChannel channel, const QString& value) {
    if (value.isEmpty()) {
        StorageEnd = true;
        AccumulateMode = false;
    }
    if (AccumulateMode) ResponseText += value;

    // Tests made independently of each other.
    if (startsWith(value, "$gcv?")) {
        ResponseText = replies::payloadAfterQuestion(value).value_or(QString());
        double volts = 0.0;
        if (platform::parseGaugeNumber(ResponseText, volts)) BatteryVoltage = volts;
        AnswerState = kAnswerReceived;
        markReplySeen(GaugeReply::Battery);
    }
    if (startsWith(value, "$glt?")) {
        ResponseText = replies::payloadAfterQuestion(value).value_or(QString());
        AnswerState = kAnswerReceived;
        markReplySeen(GaugeReply::Clock);
    }
    if (startsWith(value, "$sdp!")) {
        AnswerState = kAnswerReceived;
        markReplySeen(GaugeReply::DataProtocol);
    }
    if (startsWith(value, "$wr") || startsWith(value, "$fc") || startsWith(value, "$rm")) {
        int16_t first = 0;
        if (!toInt16(replies::firstValue(value), first)) {
            logMalformed(value, QStringLiteral("erster Wert keine Zahl"));
            AnswerState = kAnswerMalformed;
            markReplySeen(GaugeReply::Malformed);
            return;
        }
    }
    if (startsWith(value, "$ls")) {
        if (ResponseText.isEmpty()) {
            ResponseText = value;
            AnswerState = kAnswerReceived;
            markReplySeen(GaugeReply::FileList);
            return;
        }
        AnswerState = value.contains(ResponseText) ? kAnswerRepeatedPiece : kAnswerReceived;
        markReplySeen(GaugeReply::FileList);
    }

    if (handleFileReplies(value)) return;

    switch (channel) {
    case GaugeChannel::StorageInfo:
        handleDirectory(value);
        break;
    case GaugeChannel::StorageData:
        ResponseText = value;
        AnswerState = kAnswerReceived;
        markReplySeen(GaugeReply::StorageData);
        break;
    case GaugeChannel::Measurement:
        if (liveReadingHandler) liveReadingHandler(value);
        AnswerState = kAnswerReceived;
        markReplySeen(GaugeReply::LiveReading);
        break;
    case GaugeChannel::Command:
        if (startsWith(value, "$gfi")) {
            DeviceInfo.memoryChip = replies::memoryChipCode(value);
            AnswerState = kAnswerReceived;
            markReplySeen(GaugeReply::MemoryChip);
        } else if (startsWith(value, "$zenu00")) {
            handleInfoPairs(value, false);
        } else if (startsWith(value, "$gpi")) {
            handleInfoPairs(value, true);
        }
        break;
    case GaugeChannel::Other:
        break;
    }
}

}  // namespace zenu
