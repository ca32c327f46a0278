#include "data/option_caption.h"

namespace zenu {

QString captionCount(const QString& caption) {
    if (!caption.endsWith(QLatin1Char(')'))) return {};
    const qsizetype open = caption.lastIndexOf(QLatin1String(" ("));
    if (open < 0 || open + 3 > caption.size() - 1) return {};
    for (qsizetype i = open + 2; i < caption.size() - 1; ++i)
        if (!caption.at(i).isDigit()) return {};
    return caption.mid(open);
}

QString captionTitle(const QString& caption) { return caption.chopped(captionCount(caption).size()); }

}  // namespace zenu
