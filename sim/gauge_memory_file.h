#pragma once
// The bytes of a family "5" memory file: a 160-byte header, then the readings. Numbers are
// little-endian.
//
// Header: 0-3 zero; 4 the kind (1 measurement, 2 single values, 3 trace); 5 zero;
// 6-7 zero; 8-121 the title in Windows-1252, zero-filled; 122-127 second, minute, hour,
// day, month, year - 2000; 128-129 reading count; 130-131 trace interval in ms;
// 132-159 seven IEEE singles: minimum, maximum, mean, mean for conversion (the same mean),
// standard deviation, zero, pulse time in ms.
// Measurement records, 16 bytes: 0 zero; 1 status (bit 7 deleted, bits 3-0 method code);
// 2-7 timestamp as in the header; 8-11 value (single); 12-15 reading number (32 bits).
// Single-value and trace records: the value as one single (4 bytes).
#include <QDateTime>
#include <cstdint>
#include <string>
#include <vector>

#include "sim/gauge_def.h"

namespace zenu::sim {

constexpr int kMemoryHeaderSize = 160;
constexpr int kMeasurementRecordSize = 16;

// 'm', 's' or 't': the first of the name's first two characters that is one of them; 0 when
// neither is.
char memoryKind(const std::string& name);

// The statistics the header carries (over the readings not deleted; sample deviation).
struct MemoryStatistics {
    double minimum = 0, maximum = 0, mean = 0, standardDeviation = 0;
    int count = 0;
};
MemoryStatistics memoryStatistics(const GaugeFile& file);

// `fallbackTime`: the time of a file (and its readings) that give none.
std::vector<uint8_t> memoryFileBytes(const GaugeFile& file, const QDateTime& fallbackTime);

}  // namespace zenu::sim
