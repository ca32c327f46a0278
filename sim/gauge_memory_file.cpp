#include "sim/gauge_memory_file.h"

#include <QString>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/cp1252.h"

namespace zenu::sim {

namespace {

void put16(std::vector<uint8_t>& b, std::size_t at, uint32_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

void put32(std::vector<uint8_t>& b, std::size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
}

void putSingle(std::vector<uint8_t>& b, std::size_t at, double v) {
    const float f = static_cast<float>(v);
    uint32_t bits = 0;
    std::memcpy(&bits, &f, sizeof bits);
    put32(b, at, bits);
}

void putTime(std::vector<uint8_t>& b, std::size_t at, const QDateTime& t) {
    const QDate d = t.date();
    const QTime h = t.time();
    b[at] = static_cast<uint8_t>(h.second());
    b[at + 1] = static_cast<uint8_t>(h.minute());
    b[at + 2] = static_cast<uint8_t>(h.hour());
    b[at + 3] = static_cast<uint8_t>(d.day());
    b[at + 4] = static_cast<uint8_t>(d.month());
    b[at + 5] = static_cast<uint8_t>(std::clamp(d.year() - 2000, 0, 255));
}

}  // namespace

char memoryKind(const std::string& name) {
    for (std::size_t i = 0; i < name.size() && i < 2; ++i)
        if (name[i] == 'm' || name[i] == 's' || name[i] == 't') return name[i];
    return 0;
}

MemoryStatistics memoryStatistics(const GaugeFile& file) {
    MemoryStatistics s;
    double sum = 0, sumSq = 0;
    for (const auto& r : file.readings) {
        if (r.deleted) continue;
        if (s.count == 0 || r.value < s.minimum) s.minimum = r.value;
        if (s.count == 0 || r.value > s.maximum) s.maximum = r.value;
        sum += r.value;
        sumSq += r.value * r.value;
        ++s.count;
    }
    if (s.count > 0) s.mean = sum / s.count;
    if (s.count > 1) s.standardDeviation = std::sqrt(std::max(0.0, (sumSq - s.count * s.mean * s.mean) / (s.count - 1)));
    return s;
}

std::vector<uint8_t> memoryFileBytes(const GaugeFile& file, const QDateTime& fallbackTime) {
    const char kind = memoryKind(file.name);
    const QDateTime fileTime = file.timestamp.isValid() ? file.timestamp : fallbackTime;
    const std::size_t recordSize = kind == 'm' ? kMeasurementRecordSize : 4;
    std::vector<uint8_t> b(kMemoryHeaderSize + recordSize * file.readings.size(), 0);

    b[4] = kind == 'm' ? 1 : kind == 's' ? 2 : kind == 't' ? 3 : 0;
    const QByteArray title = platform::encodeCp1252(QString::fromStdString(file.title));
    std::memcpy(b.data() + 8, title.constData(), static_cast<std::size_t>(std::min<qsizetype>(title.size(), 114)));
    putTime(b, 122, fileTime);
    put16(b, 128, static_cast<uint32_t>(file.readings.size()));
    put16(b, 130, static_cast<uint32_t>(std::max(0, file.intervalMs)));
    const MemoryStatistics st = memoryStatistics(file);
    putSingle(b, 132, st.minimum);
    putSingle(b, 136, st.maximum);
    putSingle(b, 140, st.mean);
    putSingle(b, 144, st.mean);
    putSingle(b, 148, st.standardDeviation);
    putSingle(b, 152, 0);
    putSingle(b, 156, file.pulseTimeMs);

    std::size_t at = kMemoryHeaderSize;
    for (std::size_t i = 0; i < file.readings.size(); ++i, at += recordSize) {
        const FileReading& r = file.readings[i];
        if (kind != 'm') {
            putSingle(b, at, r.value);
            continue;
        }
        b[at + 1] = static_cast<uint8_t>((r.deleted ? 0x80 : 0) | (r.method & 0x0F));
        putTime(b, at + 2, r.time.isValid() ? r.time : fileTime.addSecs(60 * static_cast<qint64>(i)));
        putSingle(b, at + 8, r.value);
        put32(b, at + 12, static_cast<uint32_t>(r.number > 0 ? r.number : static_cast<int>(i) + 1));
    }
    return b;
}

}  // namespace zenu::sim
