// Every settings file: load, save, exact bytes, malformed lines, messages and log lines.
#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

#include "app/settings.h"
#include "data/limits.h"
#include "data/project_data.h"
#include "platform/scripted_prompts.h"
#include "reports/keyboard_settings.h"
#include "../support/file_bytes.h"
#include "../support/temp_home.h"

using namespace zenu;
using zenu::testing::readBytes;
using zenu::testing::TempHome;
using zenu::testing::writeBytes;

namespace {

class Settings : public ::testing::Test {
protected:
    void SetUp() override {
        Limits = LimitSettings{};
        KeyEvents = KeyboardEventSettings{};
        Project = ProjectData{};
        SerialNumber = QStringLiteral("12345");
        onLanguageLoaded = nullptr;
    }
    QByteArray log() const { return readBytes(home.file("TransferLog.txt")); }

    TempHome home;
    ScriptedPrompts prompts;
};

}  // namespace

TEST_F(Settings, LanguageFileIsCreatedWithZeroAndLogged) {
    LanguageIndex = 1;
    int applied = 0;
    onLanguageLoaded = [&] { ++applied; };
    EXPECT_TRUE(Voreinstellungen("SL"));
    EXPECT_EQ(LanguageIndex, 0);
    EXPECT_EQ(applied, 1);
    EXPECT_EQ(readBytes(home.file("Language.ini")), QByteArray("0\r\n"));
    EXPECT_EQ(log(), QByteArray("Voreinstellungen: SL\r\n"));
}

TEST_F(Settings, LanguageRoundTripAndOddContent) {
    LanguageIndex = 1;
    EXPECT_TRUE(Voreinstellungen("SS"));
    EXPECT_EQ(readBytes(home.file("Language.ini")), QByteArray("1\r\n"));
    LanguageIndex = 0;
    EXPECT_TRUE(Voreinstellungen("SL"));
    EXPECT_EQ(LanguageIndex, 1);

    writeBytes(home.file("Language.ini"), "\r\n");
    EXPECT_TRUE(Voreinstellungen("SL"));
    EXPECT_EQ(LanguageIndex, 0);

    writeBytes(home.file("Language.ini"), "2\r\n");  // clamped later, by the start-up
    EXPECT_TRUE(Voreinstellungen("SL"));
    EXPECT_EQ(LanguageIndex, 2);

    writeBytes(home.file("Language.ini"), "-3\r\n");
    EXPECT_TRUE(Voreinstellungen("SL"));
    EXPECT_EQ(LanguageIndex, 0);
}

TEST_F(Settings, MalformedLanguageFileShowsTheMessageAndKeepsTheLanguage) {
    LanguageIndex = 1;
    writeBytes(home.file("Language.ini"), "englisch\r\n");
    EXPECT_FALSE(Voreinstellungen("SL"));
    EXPECT_EQ(LanguageIndex, 1);
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_TRUE(prompts.messages[0].startsWith(QStringLiteral("problems reading file Language.ini:")));
    EXPECT_TRUE(log().endsWith("Voreinstellungen Error: problems reading file Language.ini:\r\n"));
}

TEST_F(Settings, LimitsGermanLocale) {
    EXPECT_TRUE(Voreinstellungen("LL"));  // no file yet: created empty, limits unchanged
    EXPECT_TRUE(QFileInfo::exists(home.file("Limit_12345.ini")));
    EXPECT_EQ(readBytes(home.file("Limit_12345.ini")), QByteArray());
    EXPECT_EQ(Limits.MinLimit, 0);

    writeBytes(home.file("Limit_12345.ini"), "1,5;3;2;\r\n");
    EXPECT_TRUE(Voreinstellungen("LL"));
    EXPECT_DOUBLE_EQ(Limits.MinLimit, 1.5);
    EXPECT_DOUBLE_EQ(Limits.MaxLimit, 3);
    EXPECT_DOUBLE_EQ(Limits.Soll, 2);
    EXPECT_FALSE(Limits.Rule8020);

    writeBytes(home.file("Limit_12345.ini"), "1,5;3;2;1;\r\n");
    EXPECT_TRUE(Voreinstellungen("LL"));
    EXPECT_TRUE(Limits.Rule8020);

    writeBytes(home.file("Limit_12345.ini"), "1,5;3;2;1\r\n");
    EXPECT_TRUE(Voreinstellungen("LL"));
    EXPECT_FALSE(Limits.Rule8020);

    writeBytes(home.file("Limit_12345.ini"), "1;2;3;0;\r\n\r\n  4;5;6;1;  \r\n");
    EXPECT_TRUE(Voreinstellungen("LL"));  // the last line wins
    EXPECT_DOUBLE_EQ(Limits.MinLimit, 4);
    EXPECT_TRUE(Limits.Rule8020);
}

TEST_F(Settings, LimitsSaveWritesTheTypedTexts) {
    Limits.MinLimit = 1.5;
    Limits.MinLimitText = QStringLiteral("1,5");
    Limits.MaxLimit = 3;
    Limits.MaxLimitText = QStringLiteral("3");
    Limits.Soll = 2;
    Limits.SollText = QStringLiteral("2");
    Limits.Rule8020 = true;
    EXPECT_TRUE(Voreinstellungen("LS"));
    EXPECT_EQ(readBytes(home.file("Limit_12345.ini")), QByteArray("1,5;3;2;1;\r\n"));
    Limits = LimitSettings{};
    EXPECT_TRUE(Voreinstellungen("LL"));
    EXPECT_DOUBLE_EQ(Limits.MinLimit, 1.5);
    EXPECT_TRUE(Limits.Rule8020);
}

TEST_F(Settings, LimitsEnglishLocale) {
    TempHome english(QLocale(QLocale::English, QLocale::UnitedStates));
    SerialNumber = QStringLiteral("12345");
    writeBytes(english.file("Limit_12345.ini"), "1.5;3;2;1;\r\n");
    EXPECT_TRUE(Voreinstellungen("LL"));
    EXPECT_DOUBLE_EQ(Limits.MinLimit, 1.5);
    EXPECT_TRUE(Limits.Rule8020);
}

TEST_F(Settings, MalformedLimitLineEndsTheLoadKeepingEarlierValues) {
    LanguageIndex = 1;
    writeBytes(home.file("Limit_12345.ini"), "4;5;6;1;\r\n7;8\r\n9;9;9;0;\r\n");
    EXPECT_FALSE(Voreinstellungen("LL"));
    EXPECT_DOUBLE_EQ(Limits.MinLimit, 4);
    EXPECT_TRUE(Limits.Rule8020);
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_TRUE(prompts.messages[0].startsWith(QStringLiteral("problems reading file  Limit.ini: ")));
    EXPECT_GT(prompts.messages[0].size(), QStringLiteral("problems reading file  Limit.ini: ").size());
    EXPECT_TRUE(log().contains("Voreinstellungen Error: problems reading file  Limit.ini: \r\n"));
}

TEST_F(Settings, KeyboardFile) {
    writeBytes(home.file("Tastatur_12345.ini"), "1;C:\\Tools\\app.exe;;ENTER\r\n");
    EXPECT_TRUE(Voreinstellungen("TL"));
    EXPECT_TRUE(KeyEvents.KeyEventsEnabled);
    EXPECT_EQ(KeyEvents.KeyTargetPath, QStringLiteral("C:\\Tools\\app.exe"));
    EXPECT_EQ(KeyEvents.KeyFields, QStringLiteral("0000"));
    EXPECT_EQ(KeyEvents.KeyLineEnd, QStringLiteral("ENTER"));

    KeyEvents.KeyFields = QStringLiteral("1010");
    KeyEvents.KeyLineEnd.clear();
    KeyEvents.KeyTargetPath = QStringLiteral("/usr/bin/gnumeric");
    EXPECT_TRUE(Voreinstellungen("TS"));
    EXPECT_EQ(readBytes(home.file("Tastatur_12345.ini")), QByteArray("1;/usr/bin/gnumeric;1010;\r\n"));
    KeyEvents = KeyboardEventSettings{};
    EXPECT_TRUE(Voreinstellungen("TL"));
    EXPECT_EQ(KeyEvents.KeyFields, QStringLiteral("1010"));
    EXPECT_TRUE(KeyEvents.KeyLineEnd.isEmpty());

    writeBytes(home.file("Tastatur_12345.ini"), "1;only one\r\n");
    EXPECT_FALSE(Voreinstellungen("TL"));
    EXPECT_TRUE(prompts.messages.last().startsWith(QStringLiteral("Probleme beim Lesen Datei Tastatur.ini: ")));
}

TEST_F(Settings, ProjectDefinitionsUseTheFirstSixInTheCurrentLanguage) {
    writeBytes(home.file("Projekt.ini"),
               "# Felder\r\nKunde;Customer;\r\n\r\nObjekt;Object;\r\nPr\xFC" "fer;Inspector;\r\n4;4e;\r\n"
               "5;5e;\r\n6;6e;\r\n7;7e;\r\n");
    EXPECT_TRUE(Voreinstellungen("PI"));
    EXPECT_EQ(Project.labels[0], QStringLiteral("Kunde"));
    EXPECT_EQ(Project.labels[2], QStringLiteral("Prüfer"));
    EXPECT_EQ(Project.labels[5], QStringLiteral("6"));
    LanguageIndex = 1;
    EXPECT_TRUE(Voreinstellungen("PI"));
    EXPECT_EQ(Project.labels[0], QStringLiteral("Customer"));
    EXPECT_EQ(Project.labels[5], QStringLiteral("6e"));
    // A shorter file leaves no label of the longer one behind.
    writeBytes(home.file("Projekt.ini"), "Kunde;Customer;\r\n");
    EXPECT_TRUE(Voreinstellungen("PI"));
    EXPECT_EQ(Project.labels[0], QStringLiteral("Customer"));
    for (int i = 1; i < kProjectFieldCount; ++i) {
        EXPECT_TRUE(Project.labels[i].isEmpty()) << i;
        EXPECT_TRUE(Project.definitions[i].isEmpty()) << i;
    }
}

TEST_F(Settings, ProjectDateLinesWithATimeAndInOtherForms) {
    for (const char* line : {"DT 12.03.2024 10:15:02", "DT 3/12/2024 10:15:02 AM", "DT 2024-03-12", "DT 12.03.2024"}) {
        Project = ProjectData{};
        writeBytes(home.file("Projektdaten_12345.ini"), QByteArray("a\r\n\r\n\r\n\r\n\r\n\r\n") + line + "\r\n");
        EXPECT_TRUE(Voreinstellungen("PL"));
        EXPECT_EQ(Project.date, QDate(2024, 3, 12)) << line;
    }
}

TEST_F(Settings, ProjectDataRoundTripCutsFieldsToThirty) {
    Project.texts[0] = QString(40, QLatin1Char('x'));
    Project.texts[3] = QStringLiteral("Brücke Süd");
    Project.date = QDate(2024, 12, 31);
    Project.time = QTime(10, 15);
    EXPECT_TRUE(Voreinstellungen("PS"));
    const QByteArray bytes = readBytes(home.file("Projektdaten_12345.ini"));
    EXPECT_TRUE(bytes.startsWith(QByteArray(40, 'x') + "\r\n\r\n\r\nBr\xFC" "cke S\xFC" "d\r\n\r\n\r\nDT "));
    EXPECT_TRUE(bytes.endsWith("\r\n"));

    Project = ProjectData{};
    EXPECT_TRUE(Voreinstellungen("PL"));
    EXPECT_EQ(Project.texts[0], QString(30, QLatin1Char('x')));
    EXPECT_EQ(Project.texts[3], QStringLiteral("Brücke Süd"));
    EXPECT_EQ(Project.date, QDate(2024, 12, 31));
}

TEST_F(Settings, PerGaugeFilesUseASafeSerial) {
    SerialNumber = QStringLiteral("../../evil");
    EXPECT_TRUE(Voreinstellungen("LL"));
    EXPECT_TRUE(QFileInfo::exists(home.file("Limit_______evil.ini")));
    EXPECT_EQ(settingsFilePath("PL"), home.file("Projektdaten_______evil.ini"));
    SerialNumber.clear();  // no gauge
    EXPECT_EQ(settingsFilePath("PS"), home.file("Projektdaten_.ini"));
}

TEST_F(Settings, MissingFolderIsReportedPerAction) {
    QDir(AppDataPath).removeRecursively();
    for (const char* action : {"SS", "LS", "TS", "PS"}) EXPECT_FALSE(Voreinstellungen(action)) << action;
    ASSERT_EQ(prompts.messages.size(), 4);
    EXPECT_TRUE(prompts.messages[0].startsWith(QStringLiteral("Probleme beim Schreiben Datei Language.ini: ")));
    EXPECT_TRUE(prompts.messages[3].startsWith(QStringLiteral("Probleme beim Schreiben Datei Projektdaten.ini: ")));
}

TEST_F(Settings, UnknownActionOnlyLogs) {
    EXPECT_FALSE(Voreinstellungen("XX"));
    EXPECT_TRUE(prompts.messages.isEmpty());
    EXPECT_EQ(log(), QByteArray("Voreinstellungen: XX\r\n"));
}

TEST_F(Settings, ErrorMessagesOfBothLanguages) {
    EXPECT_EQ(settingsErrorMessage("SL", 0), QStringLiteral("Probleme beim Lesen Datei & Language.ini: "));
    EXPECT_EQ(settingsErrorMessage("PS", 1), QStringLiteral("problems writing file  Datei Projektdaten.ini: "));
    EXPECT_EQ(settingsErrorMessage("TL", 1), QStringLiteral("problems reading file  Datei Tastatur.ini: "));
    EXPECT_TRUE(settingsErrorMessage("ZZ", 0).isEmpty());
}
