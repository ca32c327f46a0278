#pragma once
// The gauge's side of the command language: every command the program sends gets the reply
// the program recognises, and the storage characteristics of family "4" gauges and the live
// readings are served from the gauge's memories. Plain logic without threads: the device
// behaviour (gauge_device.h) puts it on the GATT characteristics.
#include <QDateTime>
#include <cstdint>
#include <string>
#include <vector>

#include "sim/gauge_def.h"

namespace zenu::sim {

struct GaugeReply {
    bool answered = false;            // false: nothing becomes readable
    std::string text;                 // the whole reply
    std::vector<std::string> pieces;  // what successive reads return (a list reply in pieces)
    int delayMs = 0;                  // until the reply can be read
    bool dropLink = false;            // the gauge leaves radio range instead of answering
    int offlineMs = 0;
};

class GaugeProtocol {
public:
    // `def` with the model's defaults resolved (resolvedGauge).
    GaugeProtocol(GaugeDef def, QDateTime clockAtStart);

    const GaugeDef& def() const { return def_; }
    const GaugeModelInfo& model() const { return modelInfo(def_.model); }
    char family() const { return model().family; }
    bool blankSeparated() const { return blankSeparated_; }
    QDateTime clock(int64_t elapsedMs) const;
    int openHandle() const { return openHandle_; }

    // A value written to the command characteristic.
    GaugeReply command(const std::string& written, int64_t elapsedMs);

    // Family "4": the directory read from the storage-information characteristic, a memory
    // number or the release mark "-" written to it, and the next block of up to five lines
    // read from the storage-data characteristic ("" once the memory is read out).
    std::string directory() const;
    void storageInfoWritten(const std::string& text);
    std::string nextStorageBlock(int64_t elapsedMs);

    // The next live reading as notified ("" when the stream has ended), and the last one.
    std::string nextLiveNotification(int64_t elapsedMs);
    const std::string& lastLiveNotification() const { return lastLive_; }

private:
    GaugeReply answer(const std::string& code, const std::vector<std::string>& args, int64_t elapsedMs);
    void applyFaults(const std::string& written, GaugeReply& reply);
    std::string deviceInformation() const;
    std::string probeInformation() const;
    std::string listReply() const;
    std::string storedLine(const StoredMemory& memory, std::size_t index) const;

    GaugeDef def_;
    QDateTime clockAtStart_;
    int64_t clockOffsetMs_ = 0;
    bool blankSeparated_ = false;
    // Open memory file.
    int nextHandle_;
    int openHandle_ = 0;
    std::vector<uint8_t> openFile_;
    std::size_t filePosition_ = 0;
    int blocksServed_ = 0;
    // Family "4" memory being read.
    int selected_ = -1;  // index into def_.memories
    std::size_t storagePosition_ = 0;
    // Live readings.
    std::size_t liveIndex_ = 0;
    int liveNumber_ = 0;
    std::string lastLive_;
};

}  // namespace zenu::sim
