#include "app/battery_icon.h"

#include <QLabel>
#include <QPainter>
#include <QVariant>
#include <cmath>

namespace zenu {

namespace {
// Share of the body that is filled for each state.
double fillShare(QChar symbol) {
    if (symbol == QLatin1Char('J')) return 1.0;
    if (symbol == QLatin1Char('K')) return 0.5;
    return 0.0;
}
}  // namespace

QPixmap batteryPixmap(const BatterySymbol& symbol, qreal devicePixelRatio) {
    if (!symbol.shown) return {};
    const qreal dpr = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    // Drawn in device pixels with whole-pixel rectangles: no blurred edges at any ratio.
    const int scale = std::max(1, static_cast<int>(std::lround(dpr)));
    const int w = kBatteryIconWidth * scale;
    const int h = kBatteryIconHeight * scale;
    QPixmap pixmap(w, h);
    pixmap.fill(Qt::transparent);

    const QColor colour(symbol.colour.r, symbol.colour.g, symbol.colour.b);
    const int line = scale;            // outline width
    const int nubWidth = 3 * scale;    // the terminal on the right
    const int bodyWidth = w - nubWidth;
    QPainter p(&pixmap);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    // Outline of the body as four bars.
    p.drawRect(0, 0, bodyWidth, line);
    p.drawRect(0, h - line, bodyWidth, line);
    p.drawRect(0, 0, line, h);
    p.drawRect(bodyWidth - line, 0, line, h);
    // Terminal, centred on the right side.
    const int nubHeight = h / 2;
    p.drawRect(bodyWidth, (h - nubHeight) / 2, nubWidth, nubHeight);
    // Charge, inside a gap of one line width.
    const int gap = 2 * line;
    const int innerWidth = bodyWidth - 2 * gap;
    const int filled = static_cast<int>(std::lround(innerWidth * fillShare(symbol.symbol)));
    if (filled > 0) p.drawRect(gap, gap, filled, h - 2 * gap);
    p.end();
    pixmap.setDevicePixelRatio(scale);
    return pixmap;
}

void showBatteryIcon(QLabel* label, const BatterySymbol& symbol) {
    const QString letter = symbol.shown ? QString(symbol.symbol) : QString();
    label->setPixmap(batteryPixmap(symbol, label->devicePixelRatioF()));
    label->setAccessibleDescription(letter);
    label->setProperty("batterySymbol", letter);
}

}  // namespace zenu
