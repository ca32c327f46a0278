// Draws the picture files that ship beside the program (logos, frame, device
// pictures, link symbols) with QPainter.  Not part of the CMake build: it is
// compiled and run by scripts/make_pictures.py, which also turns the raw
// frames written here into the ICO and GIF files (Qt cannot write GIF, and its
// ICO writer stores only one image per file).
//
//   make_pictures_qt <out-dir> <frame-dir>   draw everything
//   make_pictures_qt --app-icon <dir>        the desktop icon in the hicolor sizes
//   make_pictures_qt --check <dir> <file>... load each file, print its sizes
//
// Raw frames are "<name>-<size>.rgba" / "<name>.rgba": two little-endian
// uint32 (width, height) followed by non-premultiplied RGBA bytes.

#include <QtGui/QFont>
#include <QtGui/QFontMetricsF>
#include <QtGui/QGuiApplication>
#include <QtGui/QImage>
#include <QtGui/QImageReader>
#include <QtGui/QLinearGradient>
#include <QtGui/QPainter>
#include <QtGui/QPainterPath>
#include <QtGui/QPolygonF>
#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtCore/QtMath>
#include <QtCore/QFile>
#include <QtCore/QtEndian>

#include <cmath>
#include <cstdio>

namespace {

const QColor kBrand1(0, 76, 151);
const QColor kBrand2(22, 139, 200);
const QColor kBrand3(0, 139, 156);
const QColor kLcd(120, 127, 122);
const QString kFamily = QStringLiteral("DejaVu Sans");

QString gOut;
QString gFrames;
bool gOk = true;

void fail(const QString& what) {
    std::fprintf(stderr, "error: %s\n", qPrintable(what));
    gOk = false;
}

QImage canvas(int w, int h, const QColor& fill = Qt::transparent) {
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(fill);
    return img;
}

void save(const QImage& img, const QString& name, int quality = -1) {
    if (!img.save(gOut + QLatin1Char('/') + name, nullptr, quality)) fail(QStringLiteral("cannot write ") + name);
}

void saveRaw(const QImage& img, const QString& name) {
    const QImage rgba = img.convertToFormat(QImage::Format_RGBA8888);
    QFile f(gFrames + QLatin1Char('/') + name + QStringLiteral(".rgba"));
    if (!f.open(QIODevice::WriteOnly)) return fail(QStringLiteral("cannot write frame ") + name);
    quint32 head[2] = {qToLittleEndian(quint32(rgba.width())), qToLittleEndian(quint32(rgba.height()))};
    f.write(reinterpret_cast<const char*>(head), sizeof head);
    for (int y = 0; y < rgba.height(); ++y)
        f.write(reinterpret_cast<const char*>(rgba.constScanLine(y)), rgba.width() * 4);
}

QFont font(qreal px, int weight = QFont::Bold) {
    QFont f(kFamily);
    f.setPixelSize(qMax(1, qRound(px)));
    f.setWeight(QFont::Weight(weight));
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

// Largest font (up to maxPx) with which text fits into width.
QFont fitted(const QString& text, qreal width, qreal maxPx, int weight = QFont::Bold, qreal spacing = 0) {
    for (qreal px = maxPx; px > 6; px -= 0.5) {
        QFont f = font(px, weight);
        if (spacing != 0) f.setLetterSpacing(QFont::AbsoluteSpacing, spacing);
        if (QFontMetricsF(f).horizontalAdvance(text) <= width) return f;
    }
    return font(6, weight);
}

void painterSetup(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
}

// ---------------------------------------------------------------- marks

enum class Mark { Zenu, Hexagon, Diamond, Circle, Layers };

// A company mark filling the square r; initials are left out when small.
void drawMark(QPainter& p, const QRectF& r, Mark mark, const QColor& colour, const QString& initials) {
    const qreal s = r.width();
    const QPointF c = r.center();
    p.save();
    p.setPen(Qt::NoPen);
    QLinearGradient g(r.topLeft(), r.bottomRight());
    g.setColorAt(0, colour.lighter(118));
    g.setColorAt(1, colour.darker(112));
    p.setBrush(g);
    QRectF letterBox = r;
    switch (mark) {
    case Mark::Zenu: {
        p.drawRoundedRect(r, s * 0.2, s * 0.2);
        // A dial: open ring and a needle, the gauge motif.
        QPen ring(Qt::white, qMax(1.6, s * 0.11), Qt::SolidLine, Qt::RoundCap);
        p.setPen(ring);
        p.setBrush(Qt::NoBrush);
        const qreal rad = s * 0.29;
        p.drawArc(QRectF(c.x() - rad, c.y() - rad + s * 0.04, 2 * rad, 2 * rad), -50 * 16, 280 * 16);
        QPen needle(Qt::white, qMax(1.4, s * 0.09), Qt::SolidLine, Qt::RoundCap);
        p.setPen(needle);
        const QPointF hub(c.x(), c.y() + s * 0.04);
        p.drawLine(hub, hub + QPointF(s * 0.17, -s * 0.17));
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawEllipse(hub, s * 0.06, s * 0.06);
        p.restore();
        return;
    }
    case Mark::Hexagon: {
        QPolygonF hex;
        for (int i = 0; i < 6; ++i) {
            const qreal a = qDegreesToRadians(60.0 * i + 30.0);
            hex << c + QPointF(std::cos(a), std::sin(a)) * (s * 0.5);
        }
        p.drawPolygon(hex);
        break;
    }
    case Mark::Diamond: {
        QPainterPath d;
        d.moveTo(c.x(), r.top());
        d.lineTo(r.right(), c.y());
        d.lineTo(c.x(), r.bottom());
        d.lineTo(r.left(), c.y());
        d.closeSubpath();
        p.drawPath(d);
        letterBox = QRectF(c.x() - s * 0.3, c.y() - s * 0.3, s * 0.6, s * 0.6);
        break;
    }
    case Mark::Circle:
        p.drawEllipse(r);
        p.setBrush(Qt::NoBrush);
        if (s >= 30) {
            p.setPen(QPen(QColor(255, 255, 255, 150), s * 0.03));
            p.drawEllipse(r.adjusted(s * 0.08, s * 0.08, -s * 0.08, -s * 0.08));
        }
        letterBox = r.adjusted(s * 0.1, s * 0.1, -s * 0.1, -s * 0.1);
        break;
    case Mark::Layers: {
        // Three coating layers on a base; no letters needed.
        p.drawRoundedRect(r, s * 0.2, s * 0.2);
        p.setBrush(Qt::white);
        const qreal h = s * 0.13;
        for (int i = 0; i < 3; ++i) {
            const qreal w = s * (0.36 + 0.16 * i);
            const qreal y = r.top() + s * 0.22 + i * (h + s * 0.07);
            p.setOpacity(0.6 + 0.2 * i);
            p.drawRoundedRect(QRectF(c.x() - w / 2, y, w, h), h / 2.5, h / 2.5);
        }
        p.restore();
        return;
    }
    }
    const QString text = s < 24 ? initials.left(1) : initials;
    p.setPen(Qt::white);
    p.setFont(fitted(text, letterBox.width() * 0.78, letterBox.height() * 0.58));
    p.drawText(letterBox, Qt::AlignCenter, text);
    p.restore();
}

// ---------------------------------------------------------------- logos

struct Company {
    QString file;  // without extension
    Mark mark;
    QColor colour;
    QString initials;
    QString name;
    QString line;
};

QImage logo(const Company& co) {
    QImage img = canvas(200, 60, Qt::white);
    QPainter p(&img);
    painterSetup(p);
    drawMark(p, QRectF(8, 8, 44, 44), co.mark, co.colour, co.initials);
    const qreal x = 62, w = 200 - x - 8;
    QFont nameFont = fitted(co.name, w, 22, QFont::Bold, co.mark == Mark::Zenu ? 3 : 0.5);
    p.setFont(nameFont);
    p.setPen(co.colour);
    const qreal base = 34;
    p.drawText(QPointF(x, base), co.name);
    p.setPen(QColor(200, 205, 212));
    p.drawLine(QPointF(x, base + 5), QPointF(200 - 8, base + 5));
    p.setFont(fitted(co.line, w, 10.5, QFont::Normal));
    p.setPen(QColor(95, 100, 108));
    p.drawText(QPointF(x, base + 16), co.line);
    return img;
}

void icon(const Company& co) {
    for (int size : {16, 32, 48}) {
        QImage img = canvas(size, size);
        QPainter p(&img);
        painterSetup(p);
        const qreal m = size >= 32 ? 1 : 0.5;
        drawMark(p, QRectF(m, m, size - 2 * m, size - 2 * m), co.mark, co.colour, co.initials);
        p.end();
        saveRaw(img, co.file + QLatin1Char('-') + QString::number(size));
        if (size == 48) img.save(gFrames + QStringLiteral("/preview-") + co.file + QStringLiteral(".png"));
    }
}

// The program's mark as the desktop menu shows it: <dir>/hicolor/NxN/apps/<id>.png.
void appIcon(const QString& dir) {
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        QImage img = canvas(size, size);
        QPainter p(&img);
        painterSetup(p);
        const qreal m = size >= 32 ? size / 32.0 : 0.5;
        drawMark(p, QRectF(m, m, size - 2 * m, size - 2 * m), Mark::Zenu, kBrand1, QStringLiteral("Z"));
        p.end();
        const QString folder = QStringLiteral("%1/hicolor/%2x%2/apps").arg(dir).arg(size);
        QDir().mkpath(folder);
        if (!img.save(folder + QStringLiteral("/io.github.zenuconnect.ZenuConnect.png")))
            fail(QStringLiteral("cannot write the %1 px desktop icon").arg(size));
    }
}

QImage frame() {
    const int w = 260, h = 90;
    QImage img = canvas(w, h, Qt::white);
    QPainter p(&img);
    painterSetup(p);
    QLinearGradient bg(0, 0, 0, h);
    bg.setColorAt(0, QColor(255, 255, 255));
    bg.setColorAt(1, QColor(232, 240, 248));
    p.fillRect(img.rect(), bg);
    // Sweeping bands in the corners keep the middle free for the logo.
    auto band = [&](const QColor& col, qreal y0, qreal y1, qreal alpha) {
        QPainterPath path;
        path.moveTo(w * 0.45, h);
        path.cubicTo(w * 0.7, h - y0, w * 0.85, h - y1, w, h - y1 - 10);
        path.lineTo(w, h);
        path.closeSubpath();
        QColor c = col;
        c.setAlphaF(alpha);
        p.fillPath(path, c);
    };
    band(kBrand2, 4, 18, 0.35);
    band(kBrand1, 2, 10, 0.9);
    QPainterPath top;
    top.moveTo(0, 0);
    top.lineTo(w * 0.3, 0);
    top.cubicTo(w * 0.2, 4, w * 0.08, 8, 0, 16);
    top.closeSubpath();
    p.fillPath(top, QColor(kBrand2.red(), kBrand2.green(), kBrand2.blue(), 110));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kBrand1, 2));
    p.drawRoundedRect(QRectF(2, 2, w - 4, h - 4), 8, 8);
    p.setPen(QPen(QColor(kBrand2.red(), kBrand2.green(), kBrand2.blue(), 140), 1));
    p.drawRoundedRect(QRectF(5.5, 5.5, w - 11, h - 11), 6, 6);
    return img;
}

// ---------------------------------------------------------------- gauges

enum class Body { Classic, Waisted, WideTop, Integrated };
enum class Probe { Pin, Disk, VGroove, None };

struct Gauge {
    QString file;  // without extension
    QString label;
    QColor colour;
    Body body;
    Probe probe;
};

QPainterPath bodyPath(Body body) {
    QPainterPath path;
    switch (body) {
    case Body::Classic:
        path.addRoundedRect(QRectF(17, 6, 56, 112), 12, 12);
        break;
    case Body::Waisted:
        path.moveTo(30, 6);
        path.lineTo(60, 6);
        path.quadTo(74, 6, 74, 20);
        path.lineTo(74, 62);
        path.cubicTo(74, 74, 68, 80, 68, 90);
        path.lineTo(68, 106);
        path.quadTo(68, 118, 56, 118);
        path.lineTo(34, 118);
        path.quadTo(22, 118, 22, 106);
        path.lineTo(22, 90);
        path.cubicTo(22, 80, 16, 74, 16, 62);
        path.lineTo(16, 20);
        path.quadTo(16, 6, 30, 6);
        break;
    case Body::WideTop:
        path.moveTo(26, 5);
        path.lineTo(64, 5);
        path.quadTo(78, 5, 78, 19);
        path.lineTo(78, 58);
        path.cubicTo(78, 70, 70, 74, 70, 84);
        path.lineTo(70, 108);
        path.quadTo(70, 118, 60, 118);
        path.lineTo(30, 118);
        path.quadTo(20, 118, 20, 108);
        path.lineTo(20, 84);
        path.cubicTo(20, 74, 12, 70, 12, 58);
        path.lineTo(12, 19);
        path.quadTo(12, 5, 26, 5);
        break;
    case Body::Integrated:
        // Long body narrowing into a probe head at the bottom.
        path.moveTo(30, 6);
        path.lineTo(60, 6);
        path.quadTo(73, 6, 73, 19);
        path.lineTo(73, 112);
        path.cubicTo(73, 126, 56, 132, 54, 142);
        path.lineTo(36, 142);
        path.cubicTo(34, 132, 17, 126, 17, 112);
        path.lineTo(17, 19);
        path.quadTo(17, 6, 30, 6);
        break;
    }
    return path;
}

void drawProbe(QPainter& p, Probe probe, const QColor& colour) {
    if (probe == Probe::None) {
        // Sensor tip of the integrated probe.
        QLinearGradient m(36, 0, 54, 0);
        m.setColorAt(0, QColor(150, 155, 160));
        m.setColorAt(0.45, QColor(235, 238, 240));
        m.setColorAt(1, QColor(120, 125, 130));
        p.setPen(QPen(QColor(80, 84, 90), 1));
        p.setBrush(m);
        p.drawRoundedRect(QRectF(37, 141, 16, 12), 3, 3);
        p.setBrush(QColor(50, 52, 56));
        p.drawEllipse(QRectF(42, 150, 6, 5));
        return;
    }
    // Spiral-free cable in a soft S from the body to the probe.
    QPainterPath cable;
    cable.moveTo(45, 117);
    cable.cubicTo(45, 130, 26, 126, 26, 134);
    cable.cubicTo(26, 141, 45, 135, 45, 140);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(40, 42, 46), 3.2, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(cable);
    p.setPen(QPen(QColor(95, 100, 106), 1.2, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(cable);
    // Strain relief in the body colour.
    p.setPen(QPen(colour.darker(150), 1));
    p.setBrush(colour.darker(115));
    p.drawRoundedRect(QRectF(40, 114, 10, 8), 2, 2);

    QLinearGradient metal(0, 0, 1, 0);
    metal.setCoordinateMode(QGradient::ObjectMode);
    metal.setColorAt(0, QColor(140, 145, 150));
    metal.setColorAt(0.4, QColor(238, 240, 242));
    metal.setColorAt(1, QColor(110, 115, 120));
    p.setPen(QPen(QColor(70, 74, 80), 1));
    switch (probe) {
    case Probe::Pin:
        p.setBrush(QColor(50, 53, 58));
        p.drawRoundedRect(QRectF(38, 139, 14, 8), 3, 3);
        p.setBrush(metal);
        p.drawRoundedRect(QRectF(40, 146, 10, 8), 2, 2);
        p.drawPolygon(QPolygonF({QPointF(42, 154), QPointF(48, 154), QPointF(45, 158.5)}));
        break;
    case Probe::Disk:
        p.setBrush(QColor(50, 53, 58));
        p.drawRoundedRect(QRectF(40, 139, 10, 7), 2, 2);
        p.setBrush(metal);
        p.drawRoundedRect(QRectF(31, 145, 28, 11), 4, 4);
        p.setPen(QPen(colour, 2));
        p.drawLine(QPointF(34, 150.5), QPointF(56, 150.5));
        break;
    case Probe::VGroove:
        p.setBrush(QColor(50, 53, 58));
        p.drawRoundedRect(QRectF(39, 139, 12, 7), 2, 2);
        p.setBrush(metal);
        p.drawPolygon(QPolygonF({QPointF(30, 145), QPointF(60, 145), QPointF(60, 157), QPointF(52, 157),
                                 QPointF(45, 151), QPointF(38, 157), QPointF(30, 157)}));
        break;
    case Probe::None:
        break;
    }
}

QImage gauge(const Gauge& g) {
    QImage img = canvas(90, 160);
    QPainter p(&img);
    painterSetup(p);

    drawProbe(p, g.probe, g.colour);

    const QPainterPath body = bodyPath(g.body);
    // Soft shadow.
    p.save();
    p.translate(1.5, 2);
    p.fillPath(body, QColor(0, 0, 0, 45));
    p.restore();
    QLinearGradient shade(10, 0, 80, 0);
    shade.setColorAt(0, g.colour.lighter(125));
    shade.setColorAt(0.35, g.colour);
    shade.setColorAt(1, g.colour.darker(125));
    p.setPen(QPen(g.colour.darker(160), 1.2));
    p.setBrush(shade);
    p.drawPath(body);
    // Highlight along the left edge.
    p.save();
    p.setClipPath(body);
    p.setPen(QPen(QColor(255, 255, 255, 70), 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawPath(body.translated(1.5, 1.5));
    p.restore();

    // Face plate and display.
    const QRectF plate(24, 14, 42, 44);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(38, 41, 46));
    p.drawRoundedRect(plate, 6, 6);
    const QRectF lcd = plate.adjusted(4, 5, -4, -13);
    QLinearGradient lg(lcd.topLeft(), lcd.bottomLeft());
    lg.setColorAt(0, kLcd.lighter(130));
    lg.setColorAt(1, kLcd);
    p.setBrush(lg);
    p.drawRoundedRect(lcd, 2, 2);
    p.setPen(QColor(30, 34, 32));
    QFont digits(QStringLiteral("DejaVu Sans Mono"));
    digits.setPixelSize(12);
    digits.setBold(true);
    p.setFont(digits);
    p.drawText(lcd.adjusted(0, 0, -2, 0), Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("125"));
    QFont unit = font(5, QFont::Normal);
    p.setFont(unit);
    p.drawText(lcd.adjusted(3, 2, 0, 0), Qt::AlignLeft | Qt::AlignTop, QStringLiteral("µm"));
    // Status LED under the display.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(90, 210, 110));
    p.drawEllipse(QPointF(plate.left() + 7, plate.bottom() - 6), 1.8, 1.8);
    p.setBrush(QColor(90, 160, 230));
    p.drawEllipse(QPointF(plate.left() + 13, plate.bottom() - 6), 1.8, 1.8);

    // Keys.
    const qreal ky = 70;
    for (int i = 0; i < 3; ++i) {
        const QPointF c(33 + i * 12, ky);
        QRadialGradient kg(c - QPointF(1, 1), 5);
        const QColor base = i == 1 ? QColor(60, 170, 90) : QColor(60, 64, 70);
        kg.setColorAt(0, base.lighter(150));
        kg.setColorAt(1, base);
        p.setPen(QPen(base.darker(150), 0.8));
        p.setBrush(kg);
        p.drawEllipse(c, 4.2, 4.2);
    }

    // Model label on a plate that keeps it readable on any body colour.
    const bool darkText = g.colour.lightnessF() > 0.6;
    const QRectF tag(25, 84, 40, 14);
    p.setPen(Qt::NoPen);
    p.setBrush(darkText ? QColor(0, 0, 0, 28) : QColor(255, 255, 255, 40));
    p.drawRoundedRect(tag, 3, 3);
    p.setPen(darkText ? QColor(35, 38, 42) : Qt::white);
    p.setFont(fitted(g.label, tag.width() - 4, 10.5));
    p.drawText(tag, Qt::AlignCenter, g.label);
    return img;
}

// ---------------------------------------------------------------- link symbols

QImage symbolBase(const QColor& fill, const QColor& edge) {
    QImage img = canvas(24, 24);
    QPainter p(&img);
    painterSetup(p);
    p.setPen(QPen(edge, 1));
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(1.5, 1.5, 21, 21), 5, 5);
    return img;
}

QImage bluetooth(bool dim) {
    const QColor blue(0, 102, 204);
    QImage img = dim ? symbolBase(QColor(214, 230, 248), QColor(150, 185, 225)) : symbolBase(blue, blue.darker(130));
    QPainter p(&img);
    painterSetup(p);
    p.setPen(QPen(dim ? QColor(120, 160, 210) : Qt::white, 1.7, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    const QPolygonF rune({QPointF(7.5, 8.5), QPointF(16, 15.5), QPointF(12, 19), QPointF(12, 5), QPointF(16, 8.5),
                          QPointF(7.5, 15.5)});
    p.drawPolyline(rune);
    return img;
}

QImage usb() {
    const QColor grey(78, 86, 96);
    QImage img = symbolBase(grey, grey.darker(130));
    QPainter p(&img);
    painterSetup(p);
    p.setPen(QPen(Qt::white, 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(12, 7), QPointF(12, 17));
    p.drawPolyline(QPolygonF({QPointF(12, 15), QPointF(7.5, 12.5), QPointF(7.5, 10)}));
    p.drawPolyline(QPolygonF({QPointF(12, 13), QPointF(16.5, 10.5), QPointF(16.5, 9)}));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygonF({QPointF(12, 3.5), QPointF(14.6, 7.5), QPointF(9.4, 7.5)}));
    p.drawEllipse(QPointF(7.5, 9), 1.7, 1.7);
    p.drawRect(QRectF(15, 6.5, 3, 3));
    p.drawEllipse(QPointF(12, 18.5), 2.3, 2.3);
    return img;
}

// ---------------------------------------------------------------- check

int check(const QStringList& files) {
    int bad = 0;
    for (const QString& file : files) {
        QImageReader r(file);
        QStringList sizes;
        bool ok = r.canRead();
        const int count = qMax(1, r.imageCount());
        for (int i = 0; ok && i < count; ++i) {
            if (i > 0 && !r.jumpToImage(i)) break;
            const QImage img = r.read();
            if (img.isNull()) {
                ok = false;
                break;
            }
            sizes << QStringLiteral("%1x%2%3").arg(img.width()).arg(img.height()).arg(img.hasAlphaChannel() ? "a" : "");
        }
        std::printf("%-5s %-22s %-5s %s\n", ok ? "ok" : "FAIL", qPrintable(QFileInfo(file).fileName()),
                    QImageReader::imageFormat(file).constData(), qPrintable(sizes.join(QLatin1Char(' '))));
        if (!ok) ++bad;
    }
    return bad == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.value(0) == QLatin1String("--check")) return check(args.mid(1));
    if (args.value(0) == QLatin1String("--app-icon") && args.size() == 2) {
        appIcon(args[1]);
        return gOk ? 0 : 1;
    }
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: make_pictures_qt <out-dir> <frame-dir> | --app-icon <dir> | --check <file>...\n");
        return 2;
    }
    gOut = args[0];
    gFrames = args[1];
    QDir().mkpath(gOut);
    QDir().mkpath(gFrames);

    const QList<Company> companies = {
        {QStringLiteral("Zenu"), Mark::Zenu, kBrand1, QStringLiteral("Z"), QStringLiteral("ZENU"),
         QStringLiteral("Orvant GmbH")},
        {QStringLiteral("BrandA"), Mark::Hexagon, kBrand1, QStringLiteral("HM"), QStringLiteral("HALVORSEN"),
         QStringLiteral("Messtechnik GmbH")},
        {QStringLiteral("BrandB"), Mark::Hexagon, kBrand2, QStringLiteral("HM"), QStringLiteral("HALVORSEN"),
         QStringLiteral("Messtechnik GmbH")},
        {QStringLiteral("BrandC"), Mark::Diamond, kBrand1, QStringLiteral("BS"), QStringLiteral("BRENNER & SOHN"),
         QStringLiteral("Prüfsysteme KG")},
        {QStringLiteral("BrandD"), Mark::Circle, kBrand1, QStringLiteral("KI"), QStringLiteral("KOVAČ"),
         QStringLiteral("Industrial Inspection")},
        {QStringLiteral("BrandE"), Mark::Layers, kBrand3, QStringLiteral("LC"), QStringLiteral("LINDQVIST"),
         QStringLiteral("Coating Control AB")},
    };
    for (const Company& co : companies) {
        const QString logoName = co.file == QLatin1String("Zenu") ? QStringLiteral("Zenulogo.jpg")
                                                                  : co.file + QStringLiteral("_logo.jpg");
        save(logo(co), logoName, 95);
        icon(co);
    }
    save(frame(), QStringLiteral("Rahmen.jpg"), 95);

    const QList<Gauge> pngGauges = {
        {QStringLiteral("QX"), QStringLiteral("QX"), QColor(32, 157, 188), Body::Classic, Probe::Pin},
        {QStringLiteral("KV4000"), QStringLiteral("KV 4000"), QColor(214, 61, 61), Body::Waisted, Probe::Disk},
        {QStringLiteral("KV6000"), QStringLiteral("KV 6000"), QColor(150, 36, 48), Body::WideTop, Probe::Disk},
        {QStringLiteral("JZ"), QStringLiteral("JZ"), QColor(72, 78, 88), Body::Classic, Probe::VGroove},
        {QStringLiteral("WB470"), QStringLiteral("WB 470"), QColor(234, 240, 67), Body::WideTop, Probe::Pin},
        {QStringLiteral("XK"), QStringLiteral("XK"), QColor(46, 139, 87), Body::Integrated, Probe::None},
    };
    for (const Gauge& g : pngGauges) save(gauge(g), g.file + QStringLiteral(".png"));
    const QList<Gauge> gifGauges = {
        {QStringLiteral("VQ"), QStringLiteral("VQ"), kBrand1, Body::Waisted, Probe::Pin},
        {QStringLiteral("WB"), QStringLiteral("WB"), QColor(236, 196, 40), Body::Classic, Probe::Disk},
        {QStringLiteral("KV"), QStringLiteral("KV"), QColor(190, 50, 50), Body::Integrated, Probe::None},
    };
    for (const Gauge& g : gifGauges) saveRaw(gauge(g), g.file);
    save(canvas(90, 160), QStringLiteral("leer.png"));

    save(bluetooth(false), QStringLiteral("bluetooth.png"));
    save(bluetooth(true), QStringLiteral("bluetooth_blink.png"));
    save(usb(), QStringLiteral("usb.png"));
    return gOk ? 0 : 1;
}
