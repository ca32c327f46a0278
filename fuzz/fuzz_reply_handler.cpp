// Values as the BLE control delivers them, on any channel, in any order: nothing may crash,
// read out of range or hang. Pieces are separated by a zero byte; the first byte of each
// piece picks its channel.
#include <QString>

#include "data/reading_line.h"
#include "fuzz_support.h"
#include "gauge/reply_parsing.h"
#include "gauge/value_handler.h"

using namespace zenu;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    fuzz::setUpGauge(data[0], data[1]);
    static fuzz::QuietSink sink;
    setLiveReadingHandler([](const QString& value) { FillMessdaten(value, sink); });
    AccumulateMode = data[0] & 1;

    const QByteArray input(reinterpret_cast<const char*>(data + 2), static_cast<qsizetype>(size - 2));
    for (const QByteArray& piece : input.split('\0')) {
        if (piece.isEmpty()) {
            HandleGaugeValue(GaugeChannel::Command, QString());
            continue;
        }
        const auto channel = static_cast<GaugeChannel>(static_cast<uint8_t>(piece[0]) % 5);
        const QString value = QString::fromUtf8(piece.mid(1));
        HandleGaugeValue(channel, value);
        replies::parseInfoPairs(value);
        replies::parseMemoryDirectory(value);
        replies::parseBlockReply(value);
        replies::leadingNumber(value);
    }
    // What the handler stored stays within what the program can hold.
    if (MemoryNames.size() != MemoryCount + 1 || MemoryCounts.size() != MemoryCount + 1) __builtin_trap();
    memoryChipDisplayText();
    setLiveReadingHandler({});
    return 0;
}
