// Memory files: the first byte picks the gauge, the second the memory kind and unit; the rest
// is the file, turned into hex text (or, with the top bit of the second byte, taken as text
// as it stands, so that broken hex is covered too).
#include <QString>

#include "data/memory_file.h"
#include "data/trace_series.h"
#include "fuzz_support.h"

using namespace zenu;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    fuzz::setUpGauge(data[0], data[1] >> 2);
    static const char* const names[] = {"m001", "s002", "t003", "x004", " m5 ", "st", "", "mt"};
    const QString name = QString::fromLatin1(names[data[1] & 7]);

    const QByteArray bytes(reinterpret_cast<const char*>(data + 2), static_cast<qsizetype>(size - 2));
    const QString text = (data[1] & 0x80) ? QString::fromLatin1(bytes) : QString::fromLatin1(bytes.toHex());
    fuzz::QuietSink sink;
    const MemoryFileResult result = FillMessdatenDatei(text, name, sink);

    const int count = Tables.count(kTableMemory);
    if (count > kTableCapacity || readingIndex < 1 || readingIndex > kTableCapacity + 1) __builtin_trap();
    // A reading with number and value 0 ends the count early, so never more than were stored.
    if (result.kind != MemoryKind::Trace && count > result.stored) __builtin_trap();
    for (int i = 1; i <= count; ++i) {
        const MeasurementRecord& r = Tables.at(kTableMemory, i);
        if (r.invalidMark == QLatin1String("X") && r.value != 0) __builtin_trap();
    }
    if (!fluxSourceUnit.isEmpty()) __builtin_trap();
    traceSeries.clear();
    return 0;
}
