#include "data/text_align.h"

namespace zenu {

QString Ausrichten(int maxLaenge, const QString& sText, const QString& sFuell, bool bKuerzen) {
    if (maxLaenge < 0) maxLaenge = 0;
    if (sText.size() >= maxLaenge) return bKuerzen ? sText.left(maxLaenge) : sText;
    const QChar fill = sFuell.isEmpty() ? QLatin1Char(' ') : sFuell.at(0);
    return QString(maxLaenge - sText.size(), fill) + sText;
}

QString AusrichtenL(int maxLaenge, const QString& sText) {
    if (maxLaenge < 0) maxLaenge = 0;
    // Only blanks count, as in the files this pads; tabs stay part of the text.
    qsizetype begin = 0, end = sText.size();
    while (begin < end && sText.at(begin) == QLatin1Char(' ')) ++begin;
    while (end > begin && sText.at(end - 1) == QLatin1Char(' ')) --end;
    QString text = sText.mid(begin, end - begin);
    if (text.size() >= maxLaenge) return text.left(maxLaenge);
    return text + QString(maxLaenge - text.size(), QLatin1Char(' '));
}

}  // namespace zenu
