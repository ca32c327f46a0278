#include "data/memory_file.h"

#include <bit>
#include <cmath>
#include <limits>

#include "texts/texts.h"
#include "data/conversion_error.h"
#include "data/gauge_identity.h"
#include "data/hex_helpers.h"
#include "data/measurement_record.h"
#include "data/record_texts.h"
#include "data/timestamps.h"
#include "data/trace_series.h"
#include "data/units.h"
#include "data/value_format.h"
#include "platform/translog.h"

namespace zenu {

TraceSeries traceSeries;

namespace {

const QString kInvalid = QStringLiteral("X");

// Collects the errors of one memory file: the first is named, the rest counted, so that a
// broken file gives one message and not thousands.
class DecodeErrors {
public:
    void add(const QString& text) {
        if (first_.isEmpty()) first_ = text;
        ++count_;
    }
    bool empty() const { return count_ == 0; }
    QString text() const {
        if (count_ == 0) return {};
        QString t = QStringLiteral("Fill Messdaten Datei: ") + first_;
        if (count_ > 1) t += QStringLiteral(" (%1 errors in all)").arg(count_);
        return t;
    }

private:
    QString first_;
    int count_ = 0;
};

// Samples that are no number (NaN or infinite bytes) count as 0.
double finiteOrZero(double v, bool& finite) {
    finite = std::isfinite(v);
    return finite ? v : 0.0;
}

// One 16-byte record of a measurement memory (already decoded from hex) into r. False when it
// is deleted on the gauge.
bool decodeMeasurementRecord(const uint8_t* rec, bool fluxMeter, MeasurementRecord& r, RecordTexts& texts,
                             MemoryFileResult& result) {
    const uint8_t status = rec[1];
    if (status & 0x80) return false;

    const uint32_t number = hex::le32(rec + 12);
    if (number > uint32_t(std::numeric_limits<int32_t>::max()))
        throw ConversionError::overflow(QStringLiteral("reading number %1 is out of range").arg(number));
    r.number = static_cast<int32_t>(number);
    r.unit = deviceUnit;

    const int bits = status & 0x0F;
    r.method = methodForBits(bits);
    if (bits == kUnknownMethodBits) ++result.unknownMethod;
    // Each record names its own source unit; none may carry over from the record before.
    fluxSourceUnit.clear();
    fluxMethodUnits(bits, r.unit, fluxSourceUnit);

    bool finite = true;
    double value = finiteOrZero(std::bit_cast<float>(hex::le32(rec + 8)), finite);
    r.invalidMark = finite ? QString() : kInvalid;
    if (fluxMeter) {
        if (!fluxMethodMatchesUnit(deviceUnit, r.method)) r.invalidMark = kInvalid;
        r.unit = deviceUnit;
    }
    if (firmwareFlag != 1 && finite) value = ConvertUnit(value, deviceUnit);
    fluxSourceUnit.clear();
    r.value = r.invalidMark.isEmpty() ? displayedValue(value, deviceUnit) : 0.0;

    // A gauge whose clock was never set stores no valid date: the reading stays, without time.
    texts.set(r, timestampOrNull(2000 + rec[7], rec[6], rec[5], rec[4], rec[3], rec[2]));
    return true;
}

void fillTraceStatistics(const MemoryHeader& header) {
    double minimum = header.minimum, maximum = header.maximum, mean = header.mean, deviation = header.standardDeviation;
    if (firmwareFlag != 1) {
        // A trace has no flux source unit of its own.
        fluxSourceUnit.clear();
        minimum = ConvertUnit(minimum, deviceUnit);
        maximum = ConvertUnit(maximum, deviceUnit);
        mean = ConvertUnit(header.meanForConversion, deviceUnit);
        deviation = ConvertUnit(deviation, deviceUnit);
    }
    auto set = [](double value, double& rounded, QString& text) {
        bool finite = true;
        value = finiteOrZero(value, finite);
        rounded = roundHalfEven(value, 2);
        text = formatFixed(rounded, 2);
    };
    traceSeries.count = header.count;
    traceSeries.intervalMs = header.intervalMs;
    set(minimum, traceSeries.minimum, traceSeries.minimumText);
    set(maximum, traceSeries.maximum, traceSeries.maximumText);
    set(mean, traceSeries.mean, traceSeries.meanText);
    set(deviation, traceSeries.standardDeviation, traceSeries.standardDeviationText);
    set(header.pulseTimeMs, traceSeries.pulseTimeMs, traceSeries.pulseTimeText);
    traceSeries.pulseTimeText += QStringLiteral(" ms");
}

}  // namespace

MemoryKind memoryKindOf(const QString& memoryName) {
    const QString name = memoryName.trimmed();
    for (qsizetype i = 0; i < 2 && i < name.size(); ++i) {
        switch (name.at(i).unicode()) {
            case 't': return MemoryKind::Trace;
            case 's': return MemoryKind::SingleValues;
            case 'm': return MemoryKind::Measurement;
            default: break;
        }
    }
    return MemoryKind::Unknown;
}

int recordHexDigits(MemoryKind kind) {
    switch (kind) {
        case MemoryKind::Trace:
        case MemoryKind::SingleValues: return 8;
        case MemoryKind::Measurement: return 32;
        case MemoryKind::Unknown: break;
    }
    return 0;
}

QString methodForBits(int bits) {
    static const QString codes[16] = {
        QStringLiteral("FE"),  QStringLiteral("NF"),  QStringLiteral("DFE"), QStringLiteral("DNF"),
        QStringLiteral("DC"),  QStringLiteral("AC"),  QStringLiteral("PDC"), QStringLiteral("PAC"),
        QStringLiteral("PM"),  QStringLiteral("PFP"), QStringLiteral("FC"),  QString(),
        QStringLiteral("FLX"), QStringLiteral("FLN"), QStringLiteral("FLM"), QStringLiteral("FLD")};
    if (bits < 0 || bits > 15) return {};
    return codes[bits];
}

bool fluxMethodUnits(int bits, QString& recordUnit, QString& sourceUnit) {
    if (bits < 0b1100 || bits > 0b1111) return false;
    static const QString units[4][2] = {
        {QStringLiteral("mVs"), QStringLiteral("mVs")},
        {QString::fromUtf8("µVs/n"), QStringLiteral("mVs/n")},
        {QString::fromUtf8("µVs·cm"), QString::fromUtf8("mVs·cm")},
        {QStringLiteral("A/cm"), QStringLiteral("A/cm")},
    };
    recordUnit = units[bits - 0b1100][0];
    sourceUnit = units[bits - 0b1100][1];
    return true;
}

bool fluxMethodMatchesUnit(const QString& unit, const QString& method) {
    auto is = [&](std::initializer_list<const char16_t*> units) {
        for (const char16_t* u : units)
            if (unit == QStringView(u)) return true;
        return false;
    };
    if (is({u"mVs"})) return method == QLatin1String("FLX");
    if (is({u"µVs/n", u"µWb/n", u"mVs/n", u"mWb/n"})) return method == QLatin1String("FLN");
    if (is({u"µVs·cm", u"µWb·cm", u"mVs·cm", u"mWb·cm"})) return method == QLatin1String("FLM");
    if (is({u"mT", u"A/cm"})) return method == QLatin1String("FLD");
    return true;
}

MemoryHeader decodeMemoryHeader(QStringView hexText) {
    if (hexText.size() < kMemoryHeaderHexDigits)
        throw ConversionError::typeMismatch(
            QStringLiteral("header incomplete: %1 of %2 hex digits").arg(hexText.size()).arg(kMemoryHeaderHexDigits));
    const QStringView h = hexText.left(kMemoryHeaderHexDigits);
    if (!hex::isHex(h)) throw ConversionError::typeMismatch(QStringLiteral("header is not hex"));
    MemoryHeader header;
    header.byte4 = static_cast<int>(HexLEToLong(h.mid(8, 2)));
    header.word6 = static_cast<int>(HexLEToNumber(h.mid(12, 4)));
    header.name = HexToText(h.mid(16, 228));
    try {
        header.timestamp = ParseHexTimestamp(h.mid(244, 12));
    } catch (const ConversionError&) {
        // no valid date: "s" readings then carry none
    }
    header.count = static_cast<int>(HexLEToLong(h.mid(256, 4)));
    header.intervalMs = static_cast<int>(HexLEToLong(h.mid(260, 4)));
    double* singles[7] = {&header.minimum, &header.maximum, &header.mean, &header.meanForConversion,
                          &header.standardDeviation, &header.unused, &header.pulseTimeMs};
    for (int i = 0; i < 7; ++i) *singles[i] = hex::singleAt(h, 132 + 4 * i);
    return header;
}

MemoryFileResult FillMessdatenDatei(const QString& downloadBuffer, const QString& memoryName, ReadingSink& sink) {
    MemoryFileResult result;
    DecodeErrors errors;
    auto closeFile = [&]() {
        sink.closeMemoryFile();
        if (result.unknownMethod > 0)
            WriteLog(QStringLiteral("Fill Messdaten Datei: %1 Messwerte mit Methode 1011 ohne Methode gespeichert")
                         .arg(result.unknownMethod));
    };
    auto report = [&]() {
        if (!errors.empty()) {
            result.ok = false;
            result.error = errors.text();
            WriteLog(result.error);
            sink.showError(result.error);
        }
        return result;
    };

    readingIndex = 1;
    currentTable = kTableMemory;

    const QString name = memoryName.trimmed();
    MemoryHeader header;
    try {
        header = decodeMemoryHeader(downloadBuffer);
    } catch (const ConversionError& e) {
        errors.add(e.text());
    }
    sink.showMemory(name, header.name.isEmpty() ? QString() : QLatin1Char('(') + header.name + QLatin1Char(')'));

    const QStringView readings =
        QStringView(downloadBuffer).mid(std::min<qsizetype>(downloadBuffer.size(), kMemoryHeaderHexDigits));
    ClearReadingTable(kTableMemory);
    sink.resetStatistics();
    readingIndex = 1;
    traceSeries.clear();

    result.kind = memoryKindOf(name);
    const int size = recordHexDigits(result.kind);
    if (result.kind == MemoryKind::Unknown) {
        errors.add(QStringLiteral("%1 memory \"%2\" has no known record layout (m, s or t)")
                       .arg(ConversionError::kTypeMismatch)
                       .arg(name.left(40)));
        closeFile();
        return report();
    }
    // Empty when not even one record follows the header.
    if (readings.size() < size) {
        if (errors.empty()) sink.setStatusText(M(33));
        closeFile();
        return report();
    }

    sink.setStatusText(QString());
    const int maximum = static_cast<int>(readings.size() / size) + 1;
    int progress = 0;
    sink.setProgress(progress, maximum);

    if (result.kind == MemoryKind::Trace) {
        sink.hideMaterialButton();
        try {
            fillTraceStatistics(header);
        } catch (const ConversionError& e) {
            errors.add(QStringLiteral("trace statistics: ") + e.text());
        }
        sink.showTraceStatistics(traceSeries);
        traceSeries.samples.reserve(static_cast<size_t>(readings.size() / size));
    }

    RecordTexts texts;
    const bool fluxMeter = DeviceCode.trimmed() == QLatin1String("XK");
    uint8_t bytes[16];
    qsizetype pos = 0;
    int recordNumber = 0;
    for (; pos + size <= readings.size(); pos += size) {
        const QStringView rec = readings.mid(pos, size);
        ++recordNumber;
        try {
            if (result.kind != MemoryKind::Trace && !ReadingTables::validIndex(readingIndex)) {
                errors.add(M(53) + QLatin1Char(' ') + QString::number(kTableCapacity));
                break;
            }
            if (!hex::decodeBytes(rec, bytes)) throw ConversionError::typeMismatch(QStringLiteral("record is not hex"));
            if (result.kind == MemoryKind::Measurement) {
                MeasurementRecord r;
                if (decodeMeasurementRecord(bytes, fluxMeter, r, texts, result)) {
                    Tables.at(kTableMemory, readingIndex++) = std::move(r);
                    ++result.stored;
                } else {
                    ++result.deleted;
                }
            } else {
                bool finite = true;
                double value = finiteOrZero(std::bit_cast<float>(hex::le32(bytes)), finite);
                if (firmwareFlag != 1 && finite) value = ConvertUnit(value, deviceUnit);
                if (result.kind == MemoryKind::Trace) {
                    traceSeries.samples.push_back(value);
                } else {
                    MeasurementRecord r;
                    r.number = readingIndex;
                    r.unit = deviceUnit;
                    r.value = finite ? displayedValue(value, r.unit) : 0.0;
                    r.invalidMark = finite ? QString() : kInvalid;
                    // The memory's date only: the header time is when the memory was made, not
                    // when each value was taken.
                    r.dateText = header.timestamp.isValid() ? texts.dateText(header.timestamp.date())
                                                            : QStringLiteral(" ");
                    r.timeText = QStringLiteral(" ");
                    Tables.at(kTableMemory, readingIndex++) = std::move(r);
                }
                ++result.stored;
            }
        } catch (const ConversionError& e) {
            ++result.rejected;
            errors.add(QStringLiteral("record %1: ").arg(recordNumber) + e.text());
        }
        if (progress < maximum) sink.setProgress(++progress, maximum);
    }
    if (pos < readings.size() && errors.empty())
        errors.add(QStringLiteral("%1 incomplete last record: %2 of %3 hex digits")
                       .arg(ConversionError::kTypeMismatch)
                       .arg(readings.size() - pos)
                       .arg(size));

    closeFile();
    if (result.kind == MemoryKind::Trace) {
        sink.showTraceChart();
    } else {
        sink.setAbsoluteStatistics(true);
        sink.FillMSFlexOne();
    }
    return report();
}

}  // namespace zenu
