#include "data/project_data.h"

#include "data/file_dates.h"
#include "platform/localefmt.h"

namespace zenu {

ProjectData Project;

bool ProjectData::anyFieldFilled() const {
    for (const auto& t : texts) {
        if (isFilled(t)) return true;
    }
    return false;
}

void ProjectData::clearEntries() {
    for (auto& t : texts) t.clear();
    date = QDate::currentDate();
    time = QTime(0, 0);
}

void applyProjectDefinitions(const QStringList& lines, int language, ProjectData& project) {
    // A shorter file than the last one read leaves the fields past its end without a label.
    for (auto& l : project.labels) l.clear();
    for (auto& d : project.definitions) d.clear();
    int field = 0;
    for (const QString& line : lines) {
        if (field >= kProjectFieldCount) break;
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
        project.definitions[field] = line.left(60);
        const QStringList parts = line.split(QLatin1Char(';'));
        if (language == 0) {
            project.labels[field] = parts.value(0);
        } else {
            project.labels[field] = parts.value(1);
        }
        ++field;
    }
}

QStringList projectDataFileLines(const ProjectData& project) {
    QStringList lines;
    for (const auto& t : project.texts) lines << t;
    lines << QStringLiteral("DT ") + (project.date.isValid() ? platform::formatDate(project.date) : QString());
    return lines;
}

void applyProjectDataFileLines(const QStringList& lines, ProjectData& project) {
    // The file replaces the texts: what another gauge's file held must not show up here.
    for (auto& t : project.texts) t.clear();
    for (int i = 0; i < lines.size(); ++i) {
        const QString& line = lines.at(i);
        if (line.isEmpty()) continue;
        const int number = i + 1;
        if (number <= kProjectFieldCount) project.texts[number - 1] = line.left(30);
        if (line.startsWith(QLatin1String("DT"))) {
            // The date picker's text may carry its time ("12.03.2024 10:15:02"): the date part counts.
            const QDate d = FileDateForms().parseLeadingDate(line.mid(3, 20));
            if (d.isValid()) project.date = d;
        }
    }
}

}  // namespace zenu
