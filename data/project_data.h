#pragma once
// Project data: six labelled free-text fields plus a date and a time describing the job the
// readings belong to. The labels and definitions come from the shared Projekt.ini, the texts
// and the date from the per-gauge Projektdaten_<serial>.ini (both through the settings routine).
// The project dialog edits this object; the reports print it as the "#" block.
#include <QDate>
#include <QString>
#include <QStringList>
#include <QTime>
#include <array>

namespace zenu {

constexpr int kProjectFieldCount = 6;

struct ProjectData {
    // Index 0..5 is field 1..6.
    std::array<QString, kProjectFieldCount> labels;       // label in the current language
    std::array<QString, kProjectFieldCount> definitions;  // first 60 characters of the Projekt.ini line
    std::array<QString, kProjectFieldCount> texts;        // the field texts
    QDate date;  // invalid = never set (the dialog then shows today)
    QTime time;  // invalid = never set (the dialog then shows the current time)

    // A field counts as filled when its text is neither empty nor a single blank.
    static bool isFilled(const QString& text) { return !text.isEmpty() && text != QLatin1String(" "); }
    bool anyFieldFilled() const;
    // Empties the six texts, date today, time 00:00 (the dialog's delete button).
    void clearEntries();
};

// The program's project data.
extern ProjectData Project;

// Projekt.ini: lines that are empty or begin with "#" are skipped; the first six others define
// fields 1..6 ("German label;English label;"). Sets definitions and labels (German label for
// language 0, else the English one). Fields without a line get an empty label and definition.
void applyProjectDefinitions(const QStringList& lines, int language, ProjectData& project);

// Projektdaten_<serial>.ini: the six texts, then "DT " + the date as short-date text.
QStringList projectDataFileLines(const ProjectData& project);
// The six texts are emptied first. Lines counted from 1 including empty ones: a non-empty
// line 1..6 sets that text to its first 30 characters; a line beginning with "DT" sets the date
// from the 20 characters from position 4 when they begin with a date, alone or with a time, in
// the forms measurement files accept (otherwise the date stays as it was).
void applyProjectDataFileLines(const QStringList& lines, ProjectData& project);

}  // namespace zenu
