#include "reports/text_pages.h"

#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <algorithm>

#include "reports/report_text.h"

namespace zenu {
namespace {

const QStringList kMonospacedStandIns = {QStringLiteral("Liberation Mono"), QStringLiteral("DejaVu Sans Mono")};

// Cuts a line into pieces no wider than width.
QStringList wrapped(const QString& line, const QFontMetricsF& metrics, qreal width) {
    QStringList pieces;
    QString rest = line;
    while (metrics.horizontalAdvance(rest) > width && rest.size() > 1) {
        qsizetype fit = 1;
        while (fit < rest.size() && metrics.horizontalAdvance(rest.left(fit + 1)) <= width) ++fit;
        pieces << rest.left(fit);
        rest = rest.mid(fit);
    }
    pieces << rest;
    return pieces;
}

}  // namespace

QStringList printFontFamilies() { return QStringList{QStringLiteral("Lucida Console")} + kMonospacedStandIns; }

QStringList pdfFontFamilies() { return QStringList{QStringLiteral("Courier New")} + kMonospacedStandIns; }

QFont reportFont(const QStringList& families, int pointSize) {
    QFont font;
    font.setFamilies(families);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSize(pointSize);
    font.setBold(false);
    font.setItalic(false);
    return font;
}

bool paintTextPages(QPagedPaintDevice& device, const QString& text, const QFont& font, QString* error) {
    QPainter painter;
    if (!painter.begin(&device)) {
        if (error) *error = QStringLiteral("cannot start the output");
        return false;
    }
    painter.setFont(QFont(font, &device));
    const QFontMetricsF metrics(painter.font(), &device);
    const QRectF page = device.pageLayout().paintRectPixels(device.logicalDpiX());
    const qreal width = std::max<qreal>(page.width(), metrics.averageCharWidth());
    const qreal height = page.height();
    const qreal lineHeight = metrics.lineSpacing();

    qreal y = 0;
    for (const QString& line : reportTextLines(text)) {
        for (const QString& piece : wrapped(line, metrics, width)) {
            if (y > 0 && y + lineHeight > height) {
                if (!device.newPage()) {
                    painter.end();
                    if (error) *error = QStringLiteral("cannot start a new page");
                    return false;
                }
                y = 0;
            }
            painter.drawText(QPointF(0, y + metrics.ascent()), piece);
            y += lineHeight;
        }
    }
    if (!painter.end()) {
        if (error) *error = QStringLiteral("cannot finish the output");
        return false;
    }
    return true;
}

bool writeTextPdf(const QString& path, const QString& text, const QFont& font, const QString& title, QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error) *error = file.errorString();
        return false;
    }
    {
        QPdfWriter writer(&file);
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("Zenu Connect"));
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(15, 15, 15, 15),
                                         QPageLayout::Millimeter));
        if (!paintTextPages(writer, text, font, error)) {
            file.cancelWriting();
            return false;
        }
    }
    if (file.error() != QFileDevice::NoError) {
        if (error) *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (error) *error = file.errorString();
        return false;
    }
    return true;
}

}  // namespace zenu
