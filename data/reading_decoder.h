#pragma once
// From gauge data to records: the memory file of a family "5" gauge (hex text) and the reading
// lines that gauges send online and in family "4" memory listings. Both write into the
// reading tables through currentTable / readingIndex and show the readings through a
// ReadingSink.
#include <QDateTime>
#include <QString>
#include <QStringView>
#include <cstdint>

#include "data/reading_sink.h"

namespace zenu {

constexpr int kMemoryHeaderHexDigits = 320;  // 160 bytes

// Record layout of a memory, from the first two characters of its name: the first of them
// that is "t", "s" or "m" decides (names in the memory list start with one of them).
enum class MemoryKind { Unknown, Trace, SingleValues, Measurement };
MemoryKind memoryKindOf(const QString& memoryName);
// Hex digits per record: 8 for traces and single values, 32 for measurement memories.
int recordHexDigits(MemoryKind kind);

struct MemoryHeader {
    int byte4 = 0;
    int word6 = 0;
    QString name;          // memory name, zero bytes left out
    QDateTime timestamp;   // null when the header holds no valid date
    int count = 0;         // readings in the memory (trace series size)
    int intervalMs = 0;    // trace sampling interval
    // The seven singles from byte 132 on.
    double minimum = 0, maximum = 0, mean = 0, meanForConversion = 0, standardDeviation = 0, unused = 0,
           pulseTimeMs = 0;
};
// Decodes the first 320 hex digits; throws ConversionError when they are missing or not hex.
MemoryHeader decodeMemoryHeader(QStringView hex);

// Method code of the four method bits (status bits 3 to 0). Bits 1011 name no method: "".
QString methodForBits(int bits);

// Decodes downloadBuffer (header and readings of one memory file) into table 0 and shows it.
// memoryName is the name chosen in the memory list; its first two characters give the record
// layout. Records that cannot be decoded are skipped and reported once ("Fill Messdaten
// Datei: ...", logged and shown); every other record is kept. The file is closed on the gauge
// in every case. False when something was reported.
bool FillMessdatenDatei(const QString& downloadBuffer, const QString& memoryName, ReadingSink& sink);

// The fields of one reading line, as text, before any conversion.
struct ReadingLineFields {
    QString number, value, unit, method, timestamp;
};
// Fixed columns (firmware flag 0) or blank-separated fields (firmware flag 1). A date and a
// time sent as two blank-separated fields are joined into one timestamp.
ReadingLineFields splitReadingLine(const QString& line, bool blankSeparated);

// Parses one reading line into currentTable at readingIndex, appends its row and advances
// readingIndex (and the online counter on counting gauges). A field that is no number or no
// date is reported ("Fill Messdaten: 13 Type mismatch: ...", logged and shown) and the
// reading is not added. True when a record was stored.
bool FillMessdaten(const QString& onlineReading, ReadingSink& sink);

}  // namespace zenu
