// Saving and opening measurement files through the main window: the folder, the name, the
// exact bytes, the round trip in German and English, and files that are odd or broken.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>

#include "texts/texts.h"
#include "platform/cp1252.h"
#include "window_support.h"
#include "../support/file_bytes.h"

using namespace zenu;
using namespace zenu::testing;

namespace {

class FilesWindow : public WindowTest {
protected:
    using WindowTest::WindowTest;
    void SetUp() override {
        WindowTest::SetUp();
        useCoatingGauge();
    }
    QString folder() const { return MessDataPath + QStringLiteral("/mes/12345"); }
    // Saves the current table under `name` as the user would type it.
    void save(const QString& name) {
        prompts.fileAnswers.push_back(name);
        w().cmdSave_Click();
    }
    void open(const QString& path) {
        prompts.fileAnswers.push_back(path);
        w().cmdOpen_Click();
    }
    std::vector<MeasurementRecord> sample() const {
        MeasurementRecord nf = reading(3, 101.5, QStringLiteral("NF"), 44);
        nf.value = 102;  // "µm" from 100 on shows no decimals
        return {reading(1, 12.5, QStringLiteral("FE"), 2), reading(2, 99.9, QStringLiteral("FE"), 30), nf};
    }
    void expectSameReadings(const std::vector<MeasurementRecord>& expected, bool timestamps) {
        ASSERT_EQ(Tables.count(kTableMemory), static_cast<int>(expected.size()));
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const MeasurementRecord& r = Tables.at(kTableMemory, static_cast<int>(i) + 1);
            EXPECT_EQ(r.number, expected[i].number) << i;
            EXPECT_DOUBLE_EQ(r.value, expected[i].value) << i;
            EXPECT_EQ(r.unit, expected[i].unit) << i;
            EXPECT_EQ(r.method, expected[i].method) << i;
            EXPECT_EQ(r.timeText, expected[i].timeText) << i;
            if (timestamps) {
                EXPECT_EQ(r.timestamp, expected[i].timestamp) << i;
                EXPECT_EQ(r.dateText, expected[i].dateText) << i;
            }
        }
    }
    void roundTrip(bool dateColumn) {
        if (!dateColumn) DeviceProfile = QStringLiteral("5LE2+ 2");
        currentTable = kTableOnline;
        const std::vector<MeasurementRecord> records = sample();
        putReadings(records);
        w().FillMSFlexOne();
        save(QStringLiteral("Messung"));
        const QString path = folder() + QStringLiteral("/Messung.mes");
        ASSERT_TRUE(QFileInfo::exists(path));
        EXPECT_EQ(readBytes(path), platform::encodeCp1252(w().ReportText));

        ClearReadingTable(kTableMemory);
        open(path);
        EXPECT_EQ(currentTable, kTableMemory);
        expectSameReadings(records, dateColumn);
        EXPECT_EQ(w().optFE->text(), QStringLiteral("Messung.mes (3)"));
        EXPECT_EQ(w().table().statistics().lines().value(0), QStringLiteral("Messung.mes"));
        EXPECT_EQ(w().MSFlex->rowCount(), 3);
        EXPECT_EQ(w().table().statistics().count(), 2);  // FE and NF: the first material only
        EXPECT_TRUE(w().fileMode());
        EXPECT_TRUE(w().optFE->isChecked());
        EXPECT_FALSE(w().FrameWerte->isHidden());
        EXPECT_TRUE(w().cmdSave->isEnabled());
        // Saved again, the same text.
        const QString first = w().ReportText;
        save(QStringLiteral("Messung2.mes"));
        EXPECT_EQ(readBytes(folder() + QStringLiteral("/Messung2.mes")), platform::encodeCp1252(first));
    }
};

class FilesWindowEnglish : public FilesWindow {
protected:
    FilesWindowEnglish() : FilesWindow(QLocale(QLocale::English, QLocale::UnitedStates)) {}
};

}  // namespace

TEST_F(FilesWindow, RoundTripWithDateColumn) { roundTrip(true); }
TEST_F(FilesWindow, RoundTripWithoutDateColumn) { roundTrip(false); }
TEST_F(FilesWindowEnglish, RoundTripWithDateColumn) { roundTrip(true); }
TEST_F(FilesWindowEnglish, RoundTripWithoutDateColumn) { roundTrip(false); }

TEST_F(FilesWindow, SavedBytes) {
    currentTable = kTableOnline;
    putReadings({reading(12, 12.5, QStringLiteral("FE"), 2)});
    w().FillMSFlexOne();
    save(QStringLiteral("Eine"));
    const QByteArray bytes = readBytes(folder() + QStringLiteral("/Eine.mes"));
    EXPECT_EQ(bytes, QByteArray("Statistik:\r\n \r\nAnzahl              1\r\n"
                                "Minimum             12,5    \xB5m\r\n"
                                "Maximum             12,5    \xB5m\r\n\r\n\r\n"
                                "12.03.2024 10:15:02        12        12,5 \xB5m    FE\r\n"));
}

TEST_F(FilesWindow, CancelledSaveWritesNothing) {
    currentTable = kTableOnline;
    putReadings({reading(1, 10)});
    w().FillMSFlexOne();
    w().cmdSave_Click();  // no answer: cancelled
    save(QStringLiteral(" "));
    EXPECT_TRUE(QDir(folder()).entryList(QDir::Files).isEmpty());
    EXPECT_EQ(prompts.fileDialogs.first(), QStringLiteral("save:") + folder() + QStringLiteral("/"));
}

TEST_F(FilesWindow, TheFolderIsNamedAfterASafeSerialNumber) {
    SerialNumber = QStringLiteral("../A 7");
    currentTable = kTableOnline;
    putReadings({reading(1, 10)});
    w().FillMSFlexOne();
    save(QStringLiteral("x"));
    EXPECT_TRUE(QFileInfo::exists(MessDataPath + QStringLiteral("/mes/___A_7/x.mes")));
}

TEST_F(FilesWindow, OnlyProjectAndStatisticsLinesOpenAsAnEmptyTable) {
    QDir().mkpath(folder());
    const QString path = folder() + QStringLiteral("/leer.mes");
    writeBytes(path, "#  12.03.2024 09:30\r\n#  Kunde Muster\r\n\r\nStatistik:\r\n \r\nAnzahl              0\r\n\r\n");
    currentTable = kTableMemory;
    putReadings({reading(1, 10), reading(2, 11)});
    w().FillMSFlexOne();
    open(path);
    EXPECT_EQ(Tables.count(kTableMemory), 0);
    EXPECT_EQ(w().MSFlex->rowCount(), 0);
    EXPECT_FALSE(w().picZenu->isHidden());
    EXPECT_TRUE(w().lstStat->isHidden());
    EXPECT_EQ(w().optFE->text(), QStringLiteral("leer.mes (0)"));
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(FilesWindow, ABadReadingLineIsReportedAndTheRestOpens) {
    QDir().mkpath(folder());
    const QString path = folder() + QStringLiteral("/kaputt.mes");
    writeBytes(path,
               "Statistik:\r\n\r\n"
               "12.03.2024 10:15:02        12        12,5 \xB5m    FE\r\n"
               "12.03.2024 10:15:03        1x        12,6 \xB5m    FE\r\n"
               "12.03.2024 10:15:04        14        12,7 \xB5m    FE\r\n");
    open(path);
    EXPECT_EQ(Tables.count(kTableMemory), 2);
    EXPECT_EQ(Tables.at(kTableMemory, 2).number, 14);
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_TRUE(prompts.messages.first().contains(QStringLiteral("Zeile 4: keine Messwertnummer: \"1x\"")))
        << prompts.messages.first().toStdString();
    EXPECT_TRUE(readBytes(home.file(QStringLiteral("TransferLog.txt"))).contains("Zeile 4"));
}

TEST_F(FilesWindow, AFileThatCannotBeReadLeavesTheTable) {
    currentTable = kTableOnline;
    putReadings({reading(1, 10), reading(2, 11)});
    w().FillMSFlexOne();
    open(folder() + QStringLiteral("/fehlt.mes"));
    EXPECT_EQ(prompts.messages.size(), 1);
    EXPECT_EQ(currentTable, kTableOnline);
    EXPECT_EQ(w().MSFlex->rowCount(), 2);
    EXPECT_EQ(Tables.count(kTableOnline), 2);
}

TEST_F(FilesWindow, OpensWithoutAnyGauge) {
    currentTable = kTableOnline;
    const std::vector<MeasurementRecord> records = sample();
    putReadings(records);
    w().FillMSFlexOne();
    save(QStringLiteral("ohne (2)"));
    const QString path = folder() + QStringLiteral("/ohne (2).mes");
    resetGaugeIdentity();  // a fresh program: no profile and no serial known
    open(path);
    expectSameReadings(records, true);
    EXPECT_EQ(w().optFE->text(), QStringLiteral("ohne (2).mes (3)"));
    // Saved again without a gauge: into the measurement folder itself, dates and all.
    save(QStringLiteral("wieder"));
    const QString again = MessDataPath + QStringLiteral("/mes/wieder.mes");
    ASSERT_TRUE(QFileInfo::exists(again));
    open(again);
    expectSameReadings(records, true);
    EXPECT_FALSE(QFileInfo::exists(MessDataPath + QStringLiteral("/mes/_")));
    // A family "4" memory caption follows the language; a file's caption is its name and stays.
    DeviceProfile = QStringLiteral("4LE2+-2");
    w().English->trigger();
    EXPECT_EQ(w().optFE->text(), QStringLiteral("wieder.mes (3)"));
}

TEST_F(FilesWindow, AFailedSaveIsReported) {
    QDir().mkpath(folder() + QStringLiteral("/blockiert.mes"));  // a folder where the file should go
    currentTable = kTableOnline;
    putReadings({reading(1, 10)});
    w().FillMSFlexOne();
    save(QStringLiteral("blockiert.mes"));
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_TRUE(prompts.messages.first().startsWith(QStringLiteral("In Datei speichern: ")));
}

TEST_F(FilesWindow, MenuItemsOpenAndSaveToo) {
    currentTable = kTableOnline;
    putReadings({reading(1, 10)});
    w().FillMSFlexOne();
    prompts.fileAnswers.push_back(QStringLiteral("menu"));
    w().mnuSave->trigger();
    EXPECT_TRUE(QFileInfo::exists(folder() + QStringLiteral("/menu.mes")));
    prompts.fileAnswers.push_back(folder() + QStringLiteral("/menu.mes"));
    w().mnuOpen->trigger();
    EXPECT_EQ(w().optFE->text(), QStringLiteral("menu.mes (1)"));
}

TEST_F(FilesWindow, ReportReloadsTheStoredProjectData) {
    writeBytes(home.file(QStringLiteral("Projektdaten_12345.ini")), "Muster GmbH\r\n\r\n\r\n\r\n\r\n\r\nDT 12.03.2024\r\n");
    Project.labels[0] = QStringLiteral("Kunde");
    Project.time = QTime(9, 30);
    Project.texts[0] = QStringLiteral("ungespeichert");
    w().BuildReportText(QStringLiteral("P"));
    EXPECT_EQ(w().ReportText, QStringLiteral("#  12.03.2024 09:30\r\n#  Kunde Muster GmbH\r\n\r\n"));
}
