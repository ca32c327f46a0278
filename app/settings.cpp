#include "app/settings.h"

#include <QFileInfo>
#include <QStringList>
#include <cmath>

#include "texts/texts.h"
#include "data/gauge_identity.h"
#include "data/limits.h"
#include "data/project_data.h"
#include "platform/localefmt.h"
#include "platform/paths.h"
#include "platform/prompts.h"
#include "platform/textfile.h"
#include "platform/translog.h"
#include "reports/keyboard_settings.h"

namespace zenu {

std::function<void()> onLanguageLoaded;

namespace {

struct ActionInfo {
    const char* code;
    const char* german;
    const char* english;
};

// The messages are the program's own, spaces and all.
constexpr ActionInfo kActions[] = {
    {"LL", "Probleme beim Lesen Datei Limit.ini: ", "problems reading file  Limit.ini: "},
    {"LS", "Probleme beim Schreiben Datei Limit.ini: ", "problems writing file  Limit.ini: "},
    {"SL", "Probleme beim Lesen Datei & Language.ini: ", "problems reading file Language.ini:"},
    {"SS", "Probleme beim Schreiben Datei Language.ini: ", "problems writing file Language.ini: "},
    {"PL", "Probleme beim Lesen Datei Projektdaten.ini: ", "problems reading file  Projektdaten.ini: "},
    {"PS", "Probleme beim Schreiben Datei Projektdaten.ini: ", "problems writing file  Datei Projektdaten.ini: "},
    {"PI", "Probleme beim Lesen Datei Projekt.ini: ", "problems reading file  Datei Projekt.ini: "},
    {"TL", "Probleme beim Lesen Datei Tastatur.ini: ", "problems reading file  Datei Tastatur.ini: "},
    {"TS", "Probleme beim Schreiben Datei Tastatur.ini: ", "problems writing file  Datei Tastatur.ini: "},
};

const ActionInfo* findAction(const QString& action) {
    for (const ActionInfo& a : kActions)
        if (action == QLatin1String(a.code)) return &a;
    return nullptr;
}

QString perGaugeFile(const char* stem) {
    return AppDataPath + QLatin1Char('/') + QLatin1String(stem) + QLatin1Char('_') +
           platform::safeFileComponent(SerialNumber.trimmed()) + QStringLiteral(".ini");
}

bool reportFailure(const QString& action, const QString& description) {
    const QString message = settingsErrorMessage(action, LanguageIndex);
    MsgBox(message + description, MsgButtons::Ok, MsgIcon::Critical);
    WriteLog(QStringLiteral("Voreinstellungen Error: ") + message);
    return false;
}

// Reads the file, creating it first (with initial lines) when it does not exist.
bool loadLines(const QString& path, const QStringList& initial, QStringList& lines, QString& error) {
    if (!platform::ensureTextFile(path, initial, &error)) return false;
    return platform::readTextLines(path, lines, &error);
}

bool loadLanguage(QString& error) {
    QStringList lines;
    if (!loadLines(settingsFilePath(QStringLiteral("SL")), {QStringLiteral("0")}, lines, error)) return false;
    const QString first = lines.isEmpty() ? QString() : lines.first().trimmed();
    if (first.isEmpty()) {
        LanguageIndex = kLanguageGerman;
    } else {
        double value = 0;
        if (!platform::textToNumber(first, value) || !std::isfinite(value)) {
            error = QStringLiteral("Invalid language index \"%1\"").arg(first);
            return false;
        }
        // A negative index would select no language at all.
        LanguageIndex = std::max(0, static_cast<int>(std::trunc(std::clamp(value, -1e6, 1e6))));
    }
    if (onLanguageLoaded) onLanguageLoaded();
    return true;
}

bool loadLimits(QString& error) {
    QStringList lines;
    if (!loadLines(settingsFilePath(QStringLiteral("LL")), {}, lines, error)) return false;
    for (const QString& raw : lines) {
        const QString line = raw.trimmed();
        if (line.isEmpty()) continue;
        if (!applyLimitsFileLine(line, Limits, &error)) return false;
    }
    return true;
}

bool loadKeyboard(QString& error) {
    QStringList lines;
    if (!loadLines(settingsFilePath(QStringLiteral("TL")), {}, lines, error)) return false;
    for (const QString& raw : lines) {
        const QString line = raw.trimmed();
        if (line.isEmpty()) continue;
        if (!applyKeyboardFileLine(line, KeyEvents, &error)) return false;
    }
    if (KeyEvents.KeyFields.isEmpty()) KeyEvents.KeyFields = QStringLiteral("0000");
    return true;
}

bool loadProjectDefinitions(QString& error) {
    QStringList lines;
    if (!loadLines(settingsFilePath(QStringLiteral("PI")), {}, lines, error)) return false;
    applyProjectDefinitions(lines, LanguageIndex, Project);
    return true;
}

bool loadProjectData(QString& error) {
    QStringList lines;
    if (!loadLines(settingsFilePath(QStringLiteral("PL")), {}, lines, error)) return false;
    applyProjectDataFileLines(lines, Project);
    return true;
}

bool save(const QString& action, const QStringList& lines, QString& error) {
    return platform::writeTextLines(settingsFilePath(action), lines, &error);
}

}  // namespace

QString settingsFilePath(const QString& action) {
    if (action == QLatin1String("SL") || action == QLatin1String("SS"))
        return AppDataPath + QStringLiteral("/Language.ini");
    if (action == QLatin1String("LL") || action == QLatin1String("LS")) return perGaugeFile("Limit");
    if (action == QLatin1String("TL") || action == QLatin1String("TS")) return perGaugeFile("Tastatur");
    if (action == QLatin1String("PI")) return AppDataPath + QStringLiteral("/Projekt.ini");
    if (action == QLatin1String("PL") || action == QLatin1String("PS")) return perGaugeFile("Projektdaten");
    return {};
}

QString settingsErrorMessage(const QString& action, int language) {
    const ActionInfo* info = findAction(action);
    if (!info) return {};
    return QString::fromUtf8(language == kLanguageGerman ? info->german : info->english);
}

bool Voreinstellungen(const QString& action) {
    WriteLog(QStringLiteral("Voreinstellungen: ") + action);
    if (!findAction(action)) return false;

    QString error;
    bool ok = false;
    if (action == QLatin1String("SL")) ok = loadLanguage(error);
    else if (action == QLatin1String("SS")) ok = save(action, {QString::number(LanguageIndex)}, error);
    else if (action == QLatin1String("LL")) ok = loadLimits(error);
    else if (action == QLatin1String("LS")) ok = save(action, {limitsFileLine(Limits)}, error);
    else if (action == QLatin1String("TL")) ok = loadKeyboard(error);
    else if (action == QLatin1String("TS")) ok = save(action, {keyboardFileLine(KeyEvents)}, error);
    else if (action == QLatin1String("PI")) ok = loadProjectDefinitions(error);
    else if (action == QLatin1String("PL")) ok = loadProjectData(error);
    else if (action == QLatin1String("PS")) ok = save(action, projectDataFileLines(Project), error);
    return ok || reportFailure(action, error);
}

}  // namespace zenu
