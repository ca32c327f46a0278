#pragma once
// The memory file of a family "5" gauge: hex text, two hex digits per byte, multi-byte numbers
// least significant byte first; a 160-byte header, then records whose layout the memory's
// name gives. FillMessdatenDatei decodes it into reading table 0 and shows it through a
// ReadingSink.
#include <QDateTime>
#include <QString>
#include <QStringView>

#include "data/reading_sink.h"

namespace zenu {

constexpr int kMemoryHeaderHexDigits = 320;  // 160 bytes

// Record layout of a memory. The first of the first two characters of the (trimmed) name that
// is "t", "s" or "m" decides: names in the memory list start with one of them, and a name that
// holds two of the letters is read by the first (a record cannot have two layouts). A name
// with none of them is Unknown: nothing in such a file can be read.
enum class MemoryKind { Unknown, Trace, SingleValues, Measurement };
MemoryKind memoryKindOf(const QString& memoryName);
// Hex digits per record: 8 for traces and single values, 32 for measurement memories, 0 for
// Unknown.
int recordHexDigits(MemoryKind kind);

struct MemoryHeader {
    int byte4 = 0;
    int word6 = 0;
    QString name;         // memory name, zero bytes left out
    QDateTime timestamp;  // null when the header holds no valid date
    int count = 0;        // readings in the memory (trace series size)
    int intervalMs = 0;   // trace sampling interval
    // The seven singles from byte 132 on.
    double minimum = 0, maximum = 0, mean = 0, meanForConversion = 0, standardDeviation = 0, unused = 0,
           pulseTimeMs = 0;
};
// Decodes the first 320 hex digits; throws ConversionError when they are missing or not hex.
MemoryHeader decodeMemoryHeader(QStringView hex);

// Method code of the four method bits (status bits 3 to 0). The bits 1011 name no method: "".
QString methodForBits(int bits);
constexpr int kUnknownMethodBits = 0b1011;

// The flux methods (bits 1100 to 1111) force the record's unit and measure in their own
// source unit; false for every other method.
bool fluxMethodUnits(int bits, QString& recordUnit, QString& sourceUnit);

// On the flux meter: does a reading of this method belong to a table in this unit? Units
// outside the flux meter's own list are not checked.
bool fluxMethodMatchesUnit(const QString& unit, const QString& method);

struct MemoryFileResult {
    bool ok = true;         // false when something was reported to the user
    MemoryKind kind = MemoryKind::Unknown;
    int stored = 0;         // records written to table 0 (or trace samples)
    int deleted = 0;        // records marked deleted on the gauge, skipped
    int unknownMethod = 0;  // records with method bits 1011, stored without a method
    int rejected = 0;       // records that could not be decoded, skipped
    QString error;          // what was reported ("Fill Messdaten Datei: ...")
};

// Decodes downloadBuffer (header and readings of one memory file) into table 0 and shows it.
// memoryName is the name chosen in the memory list. Records that cannot be decoded are
// skipped and reported once ("Fill Messdaten Datei: ...", logged and shown); every other
// record is kept. Deleted readings are skipped; a reading with method bits 1011 is kept
// without a method (and logged). The memory file is closed on the gauge in every case, also
// when it is empty or unreadable, so that no handle stays open on the gauge.
MemoryFileResult FillMessdatenDatei(const QString& downloadBuffer, const QString& memoryName, ReadingSink& sink);

}  // namespace zenu
