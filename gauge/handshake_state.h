#pragma once
// State shared by the code that sends gauge commands and the value handler that receives the
// replies. Everything runs on the user-interface thread: senders set a state, write, and wait
// (bounded) while the handler, called from inside that wait, fills in the reply.
#include <QString>
#include <QStringList>
#include <QList>
#include <cstdint>

namespace zenu {

// AnswerState values besides an echoed number.
constexpr int16_t kAnswerAwaited = 55;
constexpr int16_t kAnswerReceived = 0;
constexpr int16_t kAnswerMalformed = 99;      // "$wr", "$fc", "$rm" with a first value that is no number
constexpr int16_t kAnswerRepeatedPiece = 20;  // a list reply piece read a second time

extern QString CommandBuffer;   // command written next
extern QString ResponseText;    // payload of the last recognised reply
extern int16_t AnswerState;     // see the constants above; file commands: the number echoed
extern bool AccumulateMode;     // list reply pieces are appended to ResponseText
extern bool StorageEnd;         // an empty value was read: end of the stored data
extern int16_t FileHandle;      // from the "$fr" reply
extern int32_t FileSize;        // bytes, from the "$fr" reply

// Memory directory of a family "4" gauge; both lists are 1-based (index 0 is a blank entry).
extern int16_t MemoryCount;
extern QStringList MemoryNames;
extern QList<int16_t> MemoryCounts;

// Values of the device- and probe-information replies and of the memory-chip reply.
// SerialNumber, probeType and deviceUnit live with the gauge identity.
struct DeviceInformation {
    QString deviceType;      // "T" of "$zenu00" (1 single gauge, 3 dual gauge)
    QString version1;        // "V" (either reply)
    QString version2;        // "B" (either reply)
    QString deviceRevision;  // "R" of "$zenu00": firmware revision
    QString hardwareInfo;    // "H": its presence enables the information window
    QString macAddress;      // "M"
    QString probeRevision;   // "R" of "$gpi"
    QString probeSerial;     // "S" of "$gpi"
    QString memoryChip;      // the four characters after "M:" of the "$gfi" reply
};
extern DeviceInformation DeviceInfo;

// Volts from the "$gcv" reply; 0 means not read.
extern double BatteryVoltage;

// Which replies have arrived since a sender last cleared them. AnswerState alone cannot tell a
// waiting sender that its own reply came: a live reading or a late "$gfi" reply sets it to 0
// as well, and a file handle of 55 looks like "still waiting".
enum class GaugeReply : uint32_t {
    Battery = 1u << 0,         // "$gcv?"
    Clock = 1u << 1,           // "$glt?"
    DataProtocol = 1u << 2,    // "$sdp!"
    FileList = 1u << 3,        // "$ls"
    FileOpen = 1u << 4,        // "$fr"
    FirmwareUpdate = 1u << 5,  // "$fwu", "$fw"
    FileClose = 1u << 6,       // "$fc"
    WriteRemove = 1u << 7,     // "$wr", "$rm", "$fmod"
    Block = 1u << 8,           // "$rd"
    Directory = 1u << 9,       // storage-information characteristic
    StorageData = 1u << 10,    // storage-data characteristic
    LiveReading = 1u << 11,    // measurement characteristic
    MemoryChip = 1u << 12,     // "$gfi"
    DeviceInfoReply = 1u << 13,  // "$zenu00" with its pairs
    ProbeInfoReply = 1u << 14,   // "$gpi" with its pairs
    Malformed = 1u << 15,      // a "$wr", "$fc" or "$rm" reply that set AnswerState 99
};
extern uint32_t RepliesSeen;
inline bool replySeen(GaugeReply r) { return (RepliesSeen & static_cast<uint32_t>(r)) != 0; }
inline void markReplySeen(GaugeReply r) { RepliesSeen |= static_cast<uint32_t>(r); }
inline void clearReplySeen(GaugeReply r) { RepliesSeen &= ~static_cast<uint32_t>(r); }

// Empties the device information (before a new gauge reports its own).
void clearDeviceInformation();

// Back to the state of a freshly started program.
void resetHandshakeState();

}  // namespace zenu
