#pragma once
// The value handler: every value the BLE control reads or is notified of comes here, with
// the channel it came from. It recognises the reply, stores its payload in the handshake
// state and tells the waiting sender through AnswerState and RepliesSeen.
#include <QString>
#include <functional>

namespace zenu {

// Where a value came from; the BLE session decides it from the characteristic id.
enum class GaugeChannel {
    Command,      // command characteristic of the command (or probe command) service
    StorageInfo,  // storage-information characteristic of the data service
    StorageData,  // storage-data characteristic of the data service
    Measurement,  // measurement characteristic: one live reading per notification
    Other,        // anything else: only the reply tests that ignore the channel apply
};

void HandleGaugeValue(GaugeChannel channel, const QString& value);

// Receives each live reading (the online mode parses and shows it). Without one, readings
// are dropped. The handler sets AnswerState to 0 after it returns.
using LiveReadingHandler = std::function<void(const QString& value)>;
void setLiveReadingHandler(LiveReadingHandler handler);

// The memory-chip text as the information window shows it: the chip code followed by
// "(new)" when it is the 5440 chip, else "(old)", in the current language.
QString memoryChipDisplayText();

}  // namespace zenu
