#include "data/reading_decoder.h"

#include <QLocale>
#include <cmath>
#include <limits>

#include "app/texts/texts.h"
#include "data/conversion_error.h"
#include "data/gauge_identity.h"
#include "data/hex_helpers.h"
#include "data/measurement_record.h"
#include "data/timestamps.h"
#include "data/trace_series.h"
#include "data/units.h"
#include "data/value_format.h"
#include "platform/localefmt.h"
#include "platform/translog.h"

namespace zenu {

TraceSeries traceSeries;

namespace {

const QString kBlank = QStringLiteral(" ");

// Date and time texts in the locale's formats. A memory holds thousands of readings of few
// days, so the date text is kept for the last date.
class RecordTexts {
public:
    RecordTexts() : dateFormat_(platform::shortDateFormat()), timeFormat_(platform::longTimeFormat()) {}

    void set(MeasurementRecord& record, const QDateTime& timestamp) {
        record.timestamp = timestamp;
        if (!timestamp.isValid()) {
            record.dateText = record.timeText = kBlank;
            return;
        }
        const QDate date = timestamp.date();
        if (date != lastDate_) {
            lastDate_ = date;
            lastDateText_ = locale_.toString(date, dateFormat_);
        }
        record.dateText = lastDateText_;
        record.timeText = locale_.toString(timestamp.time(), timeFormat_);
    }

private:
    QLocale locale_;
    QString dateFormat_, timeFormat_;
    QDate lastDate_;
    QString lastDateText_;
};

void report(const QString& text, ReadingSink& sink) {
    WriteLog(text);
    sink.showError(text);
}

// Collects the errors of one memory file: the first is named, the rest counted.
class DecodeErrors {
public:
    void add(const QString& text) {
        if (first_.isEmpty()) first_ = text;
        ++count_;
    }
    bool empty() const { return count_ == 0; }
    void reportTo(ReadingSink& sink) const {
        if (count_ == 0) return;
        QString text = QStringLiteral("Fill Messdaten Datei: ") + first_;
        if (count_ > 1) text += QStringLiteral(" (%1 errors in all)").arg(count_);
        report(text, sink);
    }

private:
    QString first_;
    int count_ = 0;
};

QString tableFullText() { return M(53) + QStringLiteral(" ") + QString::number(kTableCapacity); }

bool isFluxMethodFor(const QString& unit, const QString& method) {
    auto is = [&](std::initializer_list<const char16_t*> units) {
        for (const char16_t* u : units)
            if (unit == QStringView(u)) return true;
        return false;
    };
    if (is({u"mVs"})) return method == QLatin1String("FLX");
    if (is({u"µVs/n", u"µWb/n", u"mVs/n", u"mWb/n"})) return method == QLatin1String("FLN");
    if (is({u"µVs·cm", u"µWb·cm", u"mVs·cm", u"mWb·cm"})) return method == QLatin1String("FLM");
    if (is({u"mT", u"A/cm"})) return method == QLatin1String("FLD");
    return true;  // other units are not checked
}

// Forced record unit and flux source unit of the flux methods (bits 1100 to 1111).
void fluxUnitsForBits(int bits, QString& recordUnit, QString& sourceUnit) {
    static const QString units[4][2] = {
        {QStringLiteral("mVs"), QStringLiteral("mVs")},
        {QString::fromUtf8("µVs/n"), QStringLiteral("mVs/n")},
        {QString::fromUtf8("µVs·cm"), QString::fromUtf8("mVs·cm")},
        {QStringLiteral("A/cm"), QStringLiteral("A/cm")},
    };
    recordUnit = units[bits - 12][0];
    sourceUnit = units[bits - 12][1];
}

double finiteOrZero(double v, bool& wasFinite) {
    wasFinite = std::isfinite(v);
    return wasFinite ? v : 0.0;
}

// One 16-byte record of a measurement memory. False when the reading is deleted or empty.
bool decodeMeasurementRecord(QStringView rec, MeasurementRecord& r, RecordTexts& texts) {
    if (!hex::isHex(rec)) throw ConversionError::typeMismatch(QStringLiteral("record is not hex"));
    const uint8_t status = hex::byteAt(rec, 1);
    if (status & 0x80) return false;  // deleted on the gauge

    const uint32_t number = hex::le32At(rec, 12);
    if (number > uint32_t(std::numeric_limits<int32_t>::max()))
        throw ConversionError::overflow(QStringLiteral("reading number %1 is out of range").arg(number));
    r.number = static_cast<int32_t>(number);
    r.unit = deviceUnit;

    const int bits = status & 0x0F;
    r.method = methodForBits(bits);
    fluxSourceUnit.clear();
    if (bits >= 12) fluxUnitsForBits(bits, r.unit, fluxSourceUnit);

    bool finite = true;
    double value = finiteOrZero(hex::singleAt(rec, 8), finite);
    r.invalidMark = finite ? QString() : QStringLiteral("X");
    if (DeviceCode.trimmed() == QLatin1String("XK")) {
        if (!isFluxMethodFor(deviceUnit, r.method)) r.invalidMark = QStringLiteral("X");
        r.unit = deviceUnit;
    }
    if (firmwareFlag != 1 && finite) value = ConvertUnit(value, deviceUnit);
    fluxSourceUnit.clear();
    FormatValue(value, deviceUnit);
    r.value = r.invalidMark.isEmpty() ? lastFormattedValue : 0.0;

    QDateTime timestamp;
    try {
        timestamp = ParseHexTimestamp(rec.mid(4, 12));
    } catch (const ConversionError&) {
        // A gauge without a set clock stores no valid date: the reading stays, without time.
    }
    texts.set(r, timestamp);
    return !r.isEmpty();
}

void fillTraceStatistics(const MemoryHeader& header) {
    double minimum = header.minimum, maximum = header.maximum, mean = header.mean, deviation = header.standardDeviation;
    if (firmwareFlag != 1) {
        // ConvertUnit empties the flux source unit: a trace has none of its own.
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

int32_t readNumberField(const QString& field) {
    double value = 0;
    if (!platform::parseGaugeNumber(field, value))
        throw ConversionError::typeMismatch(QStringLiteral("reading number \"%1\" is not a number").arg(field.left(40)));
    value = roundHalfEven(value, 0);
    if (!std::isfinite(value) || value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
        throw ConversionError::overflow(QStringLiteral("reading number \"%1\" is out of range").arg(field.left(40)));
    return static_cast<int32_t>(value);
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
    static const char* const codes[16] = {"FE", "NF", "DFE", "DNF", "DC",  "AC",  "PDC", "PAC",
                                          "PM", "PFP", "FC", "",    "FLX", "FLN", "FLM", "FLD"};
    if (bits < 0 || bits > 15) return {};
    return QString::fromLatin1(codes[bits]);
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

bool FillMessdatenDatei(const QString& downloadBuffer, const QString& memoryName, ReadingSink& sink) {
    readingIndex = 1;
    currentTable = kTableMemory;
    DecodeErrors errors;

    const QString name = memoryName.trimmed();
    MemoryHeader header;
    try {
        header = decodeMemoryHeader(downloadBuffer);
    } catch (const ConversionError& e) {
        errors.add(e.text());
    }
    sink.showMemory(name, header.name.isEmpty() ? QString() : QLatin1Char('(') + header.name + QLatin1Char(')'));

    const QStringView readings = QStringView(downloadBuffer).mid(std::min<qsizetype>(downloadBuffer.size(), kMemoryHeaderHexDigits));
    ClearReadingTable();
    sink.resetStatistics();
    readingIndex = 1;
    traceSeries.clear();

    const MemoryKind kind = memoryKindOf(name);
    const int size = recordHexDigits(kind);
    auto finish = [&]() {
        sink.closeMemoryFile();
        errors.reportTo(sink);
        return errors.empty();
    };
    if (kind == MemoryKind::Unknown) {
        errors.add(QStringLiteral("%1 memory \"%2\" has no known record layout (m, s or t)")
                       .arg(ConversionError::kTypeMismatch)
                       .arg(name));
        return finish();
    }
    if (readings.size() < size) {
        if (errors.empty()) sink.setStatusText(M(33));
        return finish();
    }

    sink.setStatusText(QString());
    const int maximum = static_cast<int>(readings.size() / size) + 1;
    int progress = 0;
    sink.setProgress(progress, maximum);

    if (kind == MemoryKind::Trace) {
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
    qsizetype pos = 0;
    int recordNumber = 0;
    for (; pos + size <= readings.size(); pos += size) {
        const QStringView rec = readings.mid(pos, size);
        ++recordNumber;
        try {
            if (kind != MemoryKind::Trace && !ReadingTables::validIndex(readingIndex)) {
                errors.add(tableFullText());
                break;
            }
            if (!hex::isHex(rec)) throw ConversionError::typeMismatch(QStringLiteral("record is not hex"));
            if (kind == MemoryKind::Measurement) {
                MeasurementRecord r;
                if (decodeMeasurementRecord(rec, r, texts)) Tables.at(currentTable, readingIndex++) = std::move(r);
            } else {
                bool finite = true;
                double value = finiteOrZero(hex::singleAt(rec, 0), finite);
                if (firmwareFlag != 1 && finite) value = ConvertUnit(value, deviceUnit);
                if (kind == MemoryKind::Trace) {
                    traceSeries.samples.push_back(value);
                } else {
                    MeasurementRecord r;
                    r.number = readingIndex;
                    r.unit = deviceUnit;
                    FormatValue(value, r.unit);
                    r.value = finite ? lastFormattedValue : 0.0;
                    r.invalidMark = finite ? QString() : QStringLiteral("X");
                    texts.set(r, header.timestamp);
                    Tables.at(currentTable, readingIndex++) = std::move(r);
                }
            }
        } catch (const ConversionError& e) {
            errors.add(QStringLiteral("record %1: ").arg(recordNumber) + e.text());
        }
        if (progress < maximum) sink.setProgress(++progress, maximum);
    }
    if (pos < readings.size() && errors.empty())
        errors.add(QStringLiteral("%1 incomplete last record: %2 of %3 hex digits")
                       .arg(ConversionError::kTypeMismatch)
                       .arg(readings.size() - pos)
                       .arg(size));

    sink.closeMemoryFile();
    if (kind == MemoryKind::Trace) {
        sink.showTraceChart();
    } else {
        sink.setAbsoluteStatistics(true);
        sink.FillMSFlexOne();
    }
    errors.reportTo(sink);
    return errors.empty();
}

ReadingLineFields splitReadingLine(const QString& line, bool blankSeparated) {
    ReadingLineFields f;
    if (!blankSeparated) {
        f.number = line.mid(0, 4);
        f.value = line.mid(6, 10);
        f.unit = line.mid(17, 4).trimmed();
        f.method = line.mid(22, 3).trimmed();
        f.timestamp = line.mid(26, 19);
        return f;
    }
    QString text = line.trimmed();
    text.remove(QLatin1Char('!'));
    const QStringList parts = text.split(QLatin1Char(' '));
    auto part = [&](int i) { return i < parts.size() ? parts.at(i) : QString(); };
    f.number = part(0);
    f.value = part(1);
    f.unit = part(2).trimmed();
    f.method = part(3);
    f.timestamp = part(4).trimmed();
    // "2024-12-31 10:15:30" splits into two fields; take the time along.
    if (f.timestamp.size() <= 10 && parts.size() > 5) f.timestamp += QLatin1Char(' ') + part(5).trimmed();
    return f;
}

bool FillMessdaten(const QString& onlineReading, ReadingSink& sink) {
    try {
        QString line = onlineReading;
        line.replace(QLatin1String("\r\n"), QLatin1String("  "));
        const QDateTime now = QDateTime::currentDateTime();
        const bool blankSeparated = firmwareFlag == 1;
        const ReadingLineFields f = splitReadingLine(line, blankSeparated);

        MeasurementRecord r;
        // Gauges whose profile says "E" leave the numbering of online readings to us.
        const bool counted = currentTable == kTableOnline && profileChar(3) == QLatin1Char('E');
        if (counted) {
            r.number = onlineCounter;
            readingIndex = onlineCounter;
        } else {
            r.number = readNumberField(f.number);
        }
        const int index = readingIndex;
        if (!ReadingTables::validIndex(index)) {
            report(tableFullText(), sink);
            return false;
        }

        double value = 0;
        if (!platform::parseGaugeNumber(f.value, value) || !std::isfinite(value)) value = 0;

        const bool family5 = profileChar(1) == QLatin1Char('5');
        const bool fluxMeter = DeviceCode.trimmed() == QLatin1String("XK");
        if (!family5 || blankSeparated) {
            r.unit = NormalizeUnit(f.unit);
        } else if (!fluxMeter) {
            r.unit = deviceUnit;
            value = ConvertUnit(value, deviceUnit);
        } else {
            fluxSourceUnit = NormalizeUnit(f.unit);
            value = ConvertUnit(value, deviceUnit);
            fluxSourceUnit.clear();
            r.unit = deviceUnit;
        }
        FormatValue(value, r.unit);
        r.value = lastFormattedValue;

        if (profileChar(4) == QLatin1Char('2')) {
            QString method = f.method.trimmed();
            method.replace(QLatin1String("NFE"), QLatin1String("NF"));
            r.method = method.left(4);
        }
        if (DeviceCode.trimmed() == QLatin1String("JZ")) {
            r.unit = QString::fromUtf8("µr");
            r.method = QStringLiteral("PM");
        }
        if (profileChar(6) == QLatin1Char('-')) {
            r.timestamp = ParseTimestampText(f.timestamp);
            r.dateText = platform::formatDate(r.timestamp.date());
            r.timeText = platform::formatTime(r.timestamp.time());
        } else {
            r.dateText = platform::formatDate(now.date());
            r.timeText = platform::formatTime(now.time());
        }

        if (r.isEmpty()) return false;
        Tables.at(currentTable, index) = std::move(r);
        sink.AddReadingRow();
        sink.setRecordCount(index);
        readingIndex = index + 1;
        if (counted) ++onlineCounter;
        return true;
    } catch (const ConversionError& e) {
        report(QStringLiteral("Fill Messdaten: ") + e.text(), sink);
        return false;
    }
}

}  // namespace zenu
