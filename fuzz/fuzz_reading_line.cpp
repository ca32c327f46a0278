// Reading lines: the first byte picks the gauge, firmware flag, locale and table; the second
// the display unit; the rest is the line (UTF-8, as our control decodes gauge bytes).
#include <QString>

#include "data/reading_line.h"
#include "data/value_format.h"
#include "fuzz_support.h"

using namespace zenu;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    fuzz::setUpGauge(data[0], data[1]);
    if (data[1] & 0x80) {
        // Start near the end of the table now and then.
        readingIndex = onlineCounter = kTableCapacity - 1;
    }
    const QString line = QString::fromUtf8(reinterpret_cast<const char*>(data + 2), static_cast<qsizetype>(size - 2));
    fuzz::QuietSink sink;
    const int before = readingIndex;
    const bool stored = FillMessdaten(line, sink);
    if (stored != (readingIndex == before + 1) && currentTable != kTableOnline) __builtin_trap();
    if (!fluxSourceUnit.isEmpty()) __builtin_trap();

    // The pieces on their own.
    const ReadingLineFields f = splitReadingLine(line, data[0] & 1);
    NormalizeUnit(f.unit);
    FormatValue(static_cast<double>(line.size()) / 7.0, f.unit);
    FormatValue(-1e300, f.method);
    if (lastFormattedText.size() < 11) __builtin_trap();
    return 0;
}
