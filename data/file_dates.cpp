#include "data/file_dates.h"

#include "platform/localefmt.h"

namespace zenu {

FileDateForms::FileDateForms() {
    const QLocale c = QLocale::c();
    dateTimes_ = {{QLocale(), platform::shortDateFormat() + QLatin1Char(' ') + platform::longTimeFormat()},
                  {c, QStringLiteral("dd.MM.yyyy HH:mm:ss")},
                  {c, QStringLiteral("M/d/yyyy h:mm:ss AP")},
                  {c, QStringLiteral("yyyy-MM-dd HH:mm:ss")}};
    dates_ = {{QLocale(), platform::shortDateFormat()},
              {c, QStringLiteral("dd.MM.yyyy")},
              {c, QStringLiteral("M/d/yyyy")},
              {c, QStringLiteral("yyyy-MM-dd")}};
}

QDateTime FileDateForms::parseDateTime(const QString& text) {
    for (std::size_t k = 0; k < dateTimes_.size(); ++k) {
        const std::size_t i = (k + lastDateTime_) % dateTimes_.size();
        const QDateTime dt = dateTimes_[i].locale.toDateTime(text, dateTimes_[i].pattern);
        if (dt.isValid()) {
            lastDateTime_ = i;
            return QDateTime(dt.date(), dt.time(), Qt::UTC);
        }
    }
    return {};
}

QDate FileDateForms::parseDate(const QString& text) const {
    for (const Form& f : dates_) {
        const QDate d = f.locale.toDate(text, f.pattern);
        if (d.isValid()) return d;
    }
    return {};
}

QDate FileDateForms::parseLeadingDate(const QString& text) const {
    QString rest = text.trimmed();
    while (!rest.isEmpty()) {
        const QDate d = parseDate(rest);
        if (d.isValid()) return d;
        const qsizetype blank = rest.lastIndexOf(QLatin1Char(' '));
        if (blank < 0) break;
        rest = rest.left(blank).trimmed();
    }
    return {};
}

}  // namespace zenu
