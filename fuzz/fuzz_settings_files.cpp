// Settings files as they lie on disk. The first byte picks the file (low four bits modulo 5:
// limits, keyboard events, project fields, project data, language), the labels' language
// (0x10) and the locale (0x80); the rest is the file's bytes. Each file is read line by line as
// the settings routine reads it, and what the program would save again must read back the same.
#include <QByteArrayView>
#include <QStringList>
#include <algorithm>
#include <cmath>

#include "data/limits.h"
#include "data/project_data.h"
#include "fuzz_text_support.h"
#include "platform/localefmt.h"
#include "platform/textfile.h"
#include "reports/keyboard_settings.h"

using namespace zenu;

namespace {

bool same(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

void limitsFile(const QStringList& lines) {
    LimitSettings limits;
    for (const QString& raw : lines) {
        const QString line = raw.trimmed();
        if (line.isEmpty()) continue;
        QString error;
        if (!applyLimitsFileLine(line, limits, &error)) {
            if (error.isEmpty()) __builtin_trap();
            return;
        }
    }
    LimitSettings again;
    if (!applyLimitsFileLine(limitsFileLine(limits).trimmed(), again)) __builtin_trap();
    if (!same(again.MinLimit, limits.MinLimit) || !same(again.MaxLimit, limits.MaxLimit) ||
        !same(again.Soll, limits.Soll) || again.Rule8020 != limits.Rule8020)
        __builtin_trap();
}

void keyboardFile(const QStringList& lines) {
    KeyboardEventSettings keys;
    for (const QString& raw : lines) {
        const QString line = raw.trimmed();
        if (line.isEmpty()) continue;
        QString error;
        if (!applyKeyboardFileLine(line, keys, &error)) {
            if (error.isEmpty()) __builtin_trap();
            return;
        }
    }
    KeyboardEventSettings again;
    if (!applyKeyboardFileLine(keyboardFileLine(keys).trimmed(), again)) __builtin_trap();
    if (again.KeyEventsEnabled != keys.KeyEventsEnabled || again.KeyTargetPath != keys.KeyTargetPath ||
        again.KeyFields != keys.KeyFields)
        __builtin_trap();
}

void projectFields(const QStringList& lines, int language) {
    ProjectData project;
    applyProjectDefinitions(lines, language, project);
    for (int i = 0; i < kProjectFieldCount; ++i)
        if (project.definitions[i].size() > 60 || project.labels[i].contains(QLatin1Char(';'))) __builtin_trap();
}

void projectData(const QStringList& lines) {
    ProjectData project;
    applyProjectDataFileLines(lines, project);
    for (const QString& text : project.texts)
        if (text.size() > 30) __builtin_trap();
    ProjectData again;
    applyProjectDataFileLines(projectDataFileLines(project), again);
    if (again.texts != project.texts || again.date != project.date) __builtin_trap();
}

// Language.ini: the first line is the language index (the settings routine's reading of it).
void languageFile(const QStringList& lines) {
    const QString first = lines.isEmpty() ? QString() : lines.first().trimmed();
    double value = 0;
    if (first.isEmpty() || !platform::textToNumber(first, value) || !std::isfinite(value)) return;
    const int language = std::max(0, static_cast<int>(std::trunc(std::clamp(value, -1e6, 1e6))));
    if (captionText(1, language).isEmpty() || messageText(13, language).isEmpty()) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    fuzz::useLocale(data[0] & 0x80);
    const QStringList lines =
        platform::splitTextLines(QByteArrayView(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1)));
    switch ((data[0] & 0x0F) % 5) {
        case 0: limitsFile(lines); break;
        case 1: keyboardFile(lines); break;
        case 2: projectFields(lines, (data[0] >> 4) & 1); break;
        case 3: projectData(lines); break;
        default: languageFile(lines); break;
    }
    return 0;
}
