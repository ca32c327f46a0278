#pragma once
// The battery symbol of the main window, drawn as a small picture (full, half, empty) in the
// colour of its state. The state letter "J", "K" or "L" stays readable as the label's
// accessible description and its "batterySymbol" property.
#include <QPixmap>

#include "gauge/battery.h"

class QLabel;

namespace zenu {

// Logical size of the picture; drawn at devicePixelRatio so it stays crisp on high-DPI screens.
inline constexpr int kBatteryIconWidth = 30;
inline constexpr int kBatteryIconHeight = 14;

// The picture for a shown symbol; a null pixmap for a symbol that is not shown.
QPixmap batteryPixmap(const BatterySymbol& symbol, qreal devicePixelRatio = 1.0);

// Puts the picture and the state letter on the label (both cleared when nothing is shown).
void showBatteryIcon(QLabel* label, const BatterySymbol& symbol);

}  // namespace zenu
