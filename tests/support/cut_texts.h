#pragma once
// Which controls of a laid-out window cut their texts, in the fonts the window draws them with.
#include <QAbstractButton>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <QStyle>

namespace zenu::testing {

// The controls of a shown window that cut their text, as "name: text".
inline QStringList cutTexts(QWidget& window) {
    QStringList out;
    for (QWidget* w : window.findChildren<QWidget*>()) {
        if (!w->isVisibleTo(&window)) continue;
        QString text;
        bool cut = false;
        if (auto* label = qobject_cast<QLabel*>(w)) {
            text = label->text();
            cut = label->wordWrap() ? label->height() < label->heightForWidth(label->width())
                                    : label->width() < label->minimumSizeHint().width();
        } else if (auto* push = qobject_cast<QPushButton*>(w)) {
            // The text is drawn inside the frame, centred and clipped (lines and "&" as shown).
            text = push->text();
            const int frameWidth = push->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, push);
            const QSize size = QFontMetrics(push->font()).size(Qt::TextShowMnemonic, text);
            cut = size.width() + 2 * frameWidth > push->width() || size.height() + 2 * frameWidth > push->height();
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            text = button->text();
            cut = button->width() < button->minimumSizeHint().width();
        } else if (auto* frame = qobject_cast<QGroupBox*>(w)) {
            text = frame->title();
            cut = frame->width() < frame->minimumSizeHint().width();
        } else if (auto* box = qobject_cast<QLineEdit*>(w); box && box->isReadOnly()) {
            // The text area: the frame and a margin of two pixels on each side.
            text = box->text();
            const int frameWidth = box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, box);
            cut = QFontMetrics(box->font()).horizontalAdvance(text) + 2 * frameWidth + 4 > box->width();
        }
        if (cut && !text.isEmpty()) out << w->objectName() + QStringLiteral(": ") + text;
    }
    return out;
}

}  // namespace zenu::testing
