#pragma once
// Dates and date-and-time texts in the files the program reads back (measurement files, the
// project data file). A file may come from another machine, so besides this machine's locale
// the German, US English and ISO forms the program writes are accepted.
#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <vector>

namespace zenu {

class FileDateForms {
public:
    FileDateForms();

    // A date and time of day ("12.03.2024 10:15:02", "3/12/2024 10:15:02 AM"), as UTC; null
    // when the text is none. The form that matched last is tried first: a file holds one form.
    QDateTime parseDateTime(const QString& text);
    // A date alone ("12.03.2024"); invalid when the text is none.
    QDate parseDate(const QString& text) const;
    // The date a text begins with, alone or followed by a time of day: the whole text, else
    // the longest part before a blank that is a date.
    QDate parseLeadingDate(const QString& text) const;

private:
    struct Form {
        QLocale locale;
        QString pattern;
    };
    std::vector<Form> dateTimes_;
    std::vector<Form> dates_;
    std::size_t lastDateTime_ = 0;
};

}  // namespace zenu
