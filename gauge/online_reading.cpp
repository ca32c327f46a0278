#include "gauge/online_reading.h"

#include <cmath>

#include "data/conversion_error.h"
#include "data/measurement_record.h"
#include "data/reading_line.h"
#include "data/reading_sink.h"
#include "data/units.h"
#include "data/value_format.h"
#include "platform/localefmt.h"
#include "platform/translog.h"

namespace zenu {
namespace {

// Lengths are whole numbers with halves going to the even neighbour.
qsizetype halfEven(double x) { return static_cast<qsizetype>(std::nearbyint(x)); }

QString microUnit(QString unit) {
    unit = unit.trimmed();
    return unit == QLatin1String("ym") ? QStringLiteral("µm") : unit;
}

double gaugeNumber(QStringView text) {
    double v = 0.0;
    return platform::parseGaugeNumber(text.trimmed(), v) ? v : 0.0;
}

}  // namespace

QStringList onlineReadingLines(const QString& value, int firmwareFlag) {
    if (!value.contains(QLatin1String("DNF"))) return {value};
    const qsizetype feed = value.indexOf(QLatin1Char('\n'));
    const QString first = feed >= 0 ? value.left(feed + 1) : value;
    const double half = static_cast<double>(value.size()) / 2.0;
    const QString second = firmwareFlag == 1 ? value.right(halfEven(half + 1.0))
                                             : QLatin1Char(' ') + value.right(halfEven(half));
    return {first, second};
}

QString onlineDisplayText(const QString& reading, int firmwareFlag, QChar family, const QString& gaugeUnit) {
    double value = 0.0;
    QString unit;
    if (firmwareFlag == 1) {
        const QStringList parts = reading.split(QLatin1Char(' '));
        if (parts.size() > 1) value = gaugeNumber(parts[1]);
        if (parts.size() > 2) unit = microUnit(NormalizeUnit(parts[2]));
    } else {
        value = gaugeNumber(QStringView(reading).mid(6, 10));
        unit = microUnit(reading.mid(17, 4));
        if (!gaugeUnit.isEmpty()) {
            try {
                value = ConvertUnit(value, gaugeUnit);
            } catch (const ConversionError&) {
                // Shown as received; the parser reports the reading itself.
            }
            unit = gaugeUnit;
        }
    }
    FormatValue(value, unit);
    const QString lead = family == QLatin1Char('5') ? QStringLiteral("      ") : QStringLiteral(" ");
    return lead + lastFormattedText.trimmed() + QLatin1Char(' ') + unit;
}

OnlineResult takeOnlineReading(const QString& value, ReadingSink& sink,
                               const std::function<void()>& showOnlineTable, int firmwareFlagNow) {
    OnlineResult result;
    const QStringList lines = onlineReadingLines(value, firmwareFlagNow);
    result.lastLine = lines.back();
    // The window shows the online table before anything is stored in it, so that readingIndex
    // is the online table's own.
    if (currentTable != kTableOnline) {
        result.switchedTable = true;
        currentTable = kTableOnline;
        if (showOnlineTable) showOnlineTable();
    }
    for (const QString& line : lines) {
        if (readingIndex > kMaxOnlineReadings) {
            result.tableFull = true;
            break;
        }
        if (FillMessdaten(line, sink)) ++result.stored;
    }
    return result;
}

}  // namespace zenu
