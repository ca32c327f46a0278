#include "gauge/battery.h"

namespace zenu {

BatterySymbol batterySymbolFor(QChar family, double volts) {
    double full = 0.0;
    double low = 0.0;
    if (family == QLatin1Char('4')) {
        full = 1.4;
        low = 1.1;
    } else if (family == QLatin1Char('5')) {
        full = 4.3;
        low = 3.5;
    } else {
        return {};
    }
    if (volts == 0.0) return {};
    if (volts >= full) return {true, QLatin1Char('J'), kBatteryFull};
    if (volts > low) return {true, QLatin1Char('K'), kBatteryHalf};
    return {true, QLatin1Char('L'), kBatteryLow};
}

}  // namespace zenu
