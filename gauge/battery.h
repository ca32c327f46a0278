#pragma once
// The battery symbol of the main window, from the voltage the gauge reported.
#include <QChar>
#include <QString>

#include "data/rgb.h"

namespace zenu {

inline constexpr Rgb kBatteryFull{0, 100, 0};     // darkgreen
inline constexpr Rgb kBatteryHalf{255, 165, 0};   // orange
inline constexpr Rgb kBatteryLow{255, 0, 0};

struct BatterySymbol {
    bool shown = false;  // false: a voltage of 0 (not read) or a family without thresholds
    QChar symbol;        // "J" full, "K" half, "L" low (a character of the symbol font)
    Rgb colour;
    friend bool operator==(const BatterySymbol&, const BatterySymbol&) = default;
};

// Family "4" gauges run on 1.5 V cells, family "5" on a lithium cell.
BatterySymbol batterySymbolFor(QChar family, double volts);

}  // namespace zenu
