#include "data/reading_line.h"

#include <QDateTime>
#include <QStringList>
#include <cmath>
#include <limits>

#include "texts/texts.h"
#include "data/conversion_error.h"
#include "data/gauge_identity.h"
#include "data/measurement_record.h"
#include "data/record_texts.h"
#include "data/timestamps.h"
#include "data/units.h"
#include "data/value_format.h"
#include "platform/localefmt.h"
#include "platform/translog.h"

namespace zenu {
namespace {

void report(const QString& text, ReadingSink& sink) {
    WriteLog(text);
    sink.showError(text);
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

ReadingLineFields splitReadingLine(const QString& line, bool blankSeparated) {
    QString text = line;
    text.replace(QLatin1String("\r\n"), QLatin1String("  "));
    ReadingLineFields f;
    if (!blankSeparated) {
        f.number = text.mid(0, 4);
        f.value = text.mid(6, 10);
        f.unit = text.mid(17, 4).trimmed();
        f.method = text.mid(22, 3).trimmed();
        f.timestamp = text.mid(26, 19);
        return f;
    }
    text = text.trimmed();
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
        const bool blankSeparated = firmwareFlag == 1;
        const ReadingLineFields f = splitReadingLine(onlineReading, blankSeparated);

        MeasurementRecord r;
        // Gauges whose profile says "E" leave the numbering of online readings to us; the
        // others number them themselves (a counter that never advances would write every
        // reading into the same slot).
        const bool counted = currentTable == kTableOnline && profileChar(3) == QLatin1Char('E');
        if (counted) {
            r.number = onlineCounter;
            readingIndex = onlineCounter;
        } else {
            r.number = readNumberField(f.number);
        }
        const int index = readingIndex;
        if (!ReadingTables::validIndex(index)) {
            report(QStringLiteral("Fill Messdaten: ") + M(53) + QLatin1Char(' ') + QString::number(kTableCapacity), sink);
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
            QDateTime timestamp;
            try {
                timestamp = ParseTimestampText(f.timestamp);
            } catch (const ConversionError& e) {
                // Digits that make no date come from a gauge whose clock was never set: the
                // reading stays, without time. Text that is no timestamp at all is an error.
                if (e.number() != ConversionError::kInvalidArgument) throw;
                WriteLog(QStringLiteral("Fill Messdaten: ") + e.text());
            }
            RecordTexts().set(r, timestamp);
        } else {
            // Without a timestamp from the gauge: when the reading arrived, in the fixed forms
            // (not the locale's) that files of such gauges have always carried.
            const QDateTime received = QDateTime::currentDateTime();
            r.dateText = received.toString(QStringLiteral("dd.MM.yyyy"));
            r.timeText = received.toString(QStringLiteral("HH:mm:ss"));
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
