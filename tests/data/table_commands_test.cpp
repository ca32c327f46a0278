// The measurement table model: grid rows and headers, adding and rebuilding, marking, sorting,
// deleting rows (dual readings as pairs) and the whole table.
#include <gtest/gtest.h>

#include "data/gauge_identity.h"
#include "data/limits.h"
#include "data/table_ops.h"
#include "data_support.h"
#include "platform/scripted_prompts.h"

using namespace zenu;
using namespace zenu::testing;

namespace {

const QString um = QString::fromUtf8("µm");

MeasurementRecord reading(int number, double value, const QString& method = QStringLiteral("FE"),
                          const QString& unit = QString::fromUtf8("µm")) {
    MeasurementRecord r;
    r.number = number;
    r.value = value;
    r.unit = unit;
    r.method = method;
    r.timestamp = QDateTime(QDate(2024, 3, 12), QTime(10, 15, number % 60), Qt::UTC);
    r.dateText = QStringLiteral("12.03.2024");
    r.timeText = QStringLiteral("10:15:%1").arg(number % 60, 2, 10, QLatin1Char('0'));
    return r;
}

class RecordingView : public TableView {
public:
    void gridRebuilt() override { ++rebuilt; }
    void gridRowAppended(int row) override { appended.push_back(row); }
    void gridRowsChanged() override { ++changed; }
    void statisticsChanged() override { ++statistics; }
    int rebuilt = 0, changed = 0, statistics = 0;
    std::vector<int> appended;
};

class TableCommands : public DataTest {
protected:
    void SetUp() override {
        DataTest::SetUp();
        useLocale(germanLocale());
        useGauge(QStringLiteral("QX"), um);
        Limits = LimitSettings{};
        table.setView(&view);
        currentTable = kTableMemory;
    }
    void TearDown() override {
        Limits = LimitSettings{};
        DataTest::TearDown();
    }
    void fill(const std::vector<MeasurementRecord>& records) {
        tables.clear(currentTable);
        for (std::size_t i = 0; i < records.size(); ++i) tables.at(currentTable, int(i) + 1) = records[i];
        table.resetStatistic();
        table.fillMSFlexOne();
    }
    std::vector<int> numbersInGrid() const {
        std::vector<int> out;
        for (int r = 1; r <= table.grid().rowCount(); ++r) out.push_back(table.grid().row(r).record.number);
        return out;
    }
    std::vector<int> numbersInTable() const {
        std::vector<int> out;
        for (int i = 1; i <= tables.count(currentTable); ++i) out.push_back(tables.at(currentTable, i).number);
        return out;
    }

    ReadingTables tables;
    MeasurementTable table{tables};
    RecordingView view;
    ScriptedPrompts prompts;
};

}  // namespace

TEST_F(TableCommands, RowTextsAndHeaders) {
    fill({reading(12, 12.5)});
    ASSERT_EQ(table.grid().rowCount(), 1);
    const GridRow& row = table.grid().row(1);
    EXPECT_EQ(row.cells[0], QStringLiteral("12.03.2024 10:15:12"));
    EXPECT_EQ(row.cells[1], QStringLiteral("     12"));
    EXPECT_EQ(row.cells[2], QStringLiteral("       12,5"));
    EXPECT_EQ(row.cells[3], um + QStringLiteral("  FE"));
    EXPECT_EQ(table.grid().headers()[0], QStringLiteral("Datum Zeit"));
    EXPECT_EQ(table.grid().headers()[1], QStringLiteral("Nr."));
    EXPECT_EQ(table.grid().headers()[2], QStringLiteral("Messwert"));
    EXPECT_EQ(table.grid().headers()[3], QStringLiteral("Messeinheit"));
    EXPECT_EQ(view.rebuilt, 1);

    // Without a date column the header shows the date of the first record.
    DeviceProfile = QStringLiteral("5LE2+ 2");
    fill({reading(12, 12.5)});
    EXPECT_EQ(table.grid().headers()[0], QStringLiteral("12.03.2024"));
    useLocale(englishLocale());
    table.grid().setup(QString());
    EXPECT_EQ(table.grid().headers()[1], QStringLiteral("No."));
    EXPECT_EQ(table.grid().headers()[2], QStringLiteral("Value"));
    EXPECT_EQ(table.grid().headers()[3], QStringLiteral("Unit"));
}

TEST_F(TableCommands, MethodRightAlignedInFourAfterTheUnit) {
    EXPECT_EQ(gridCellTexts(reading(1, 1, QStringLiteral("DNF")))[3], um + QStringLiteral(" DNF"));
    EXPECT_EQ(gridCellTexts(reading(1, 1, QString()))[3], um + QStringLiteral("    "));
    EXPECT_EQ(gridCellTexts(reading(123456, 1))[1], QStringLiteral(" 123456"));
}

TEST_F(TableCommands, FillStopsAtTheFirstEmptyRecordAndLeavesXOutOfTheStatistics) {
    MeasurementRecord x = reading(3, 0);
    x.invalidMark = QStringLiteral("X");
    fill({reading(1, 10), reading(2, 20), x});
    tables.at(currentTable, 5) = reading(5, 50);  // behind the empty slot 4
    table.resetStatistic();
    EXPECT_EQ(table.fillMSFlexOne(), 3);
    EXPECT_EQ(table.grid().rowCount(), 3);
    EXPECT_EQ(table.statistics().count(), 2);
    EXPECT_EQ(table.grid().row(3).fore, kColourInvalidText);
    EXPECT_EQ(readingIndex, 4);
    EXPECT_EQ(table.countText, QStringLiteral(" (3)"));
}

TEST_F(TableCommands, AddReadingRowAppendsColoursAndCounts) {
    Limits.MinLimit = 11;
    Limits.MaxLimit = 20;
    fill({reading(1, 12)});
    readingIndex = 2;
    tables.at(currentTable, 2) = reading(2, 25);
    EXPECT_EQ(table.addReadingRow(), 2);
    EXPECT_EQ(table.grid().rowCount(), 2);
    EXPECT_EQ(table.grid().row(1).back, kColourWithinLimits);
    EXPECT_EQ(table.grid().row(2).back, kColourOutsideLimits);
    EXPECT_EQ(table.statistics().count(), 2);
    EXPECT_EQ(table.countText, QStringLiteral(" (2)"));
    EXPECT_EQ(view.appended, std::vector<int>{2});

    readingIndex = kTableCapacity + 1;
    EXPECT_EQ(table.addReadingRow(), 0);  // no slot there
}

TEST_F(TableCommands, TitleLineNamesTheTable) {
    table.setMemoryTitle(QStringLiteral("Speicher 3"));
    fill({reading(1, 12)});
    EXPECT_EQ(table.statistics().lines().at(0), QStringLiteral("Speicher 3"));
    currentTable = kTableOnline;
    fill({reading(1, 12)});
    EXPECT_EQ(table.statistics().lines().at(0), QStringLiteral("Online"));
}

TEST_F(TableCommands, ClickMarksAndUnmarks) {
    Limits.MinLimit = 11;
    Limits.MaxLimit = 20;
    fill({reading(1, 12), reading(2, 13)});
    table.rowClicked(2);
    EXPECT_TRUE(table.grid().row(2).marked());
    EXPECT_EQ(table.grid().row(2).back, (Rgb{204, 204, 204}));
    table.rowClicked(2);
    EXPECT_FALSE(table.grid().row(2).marked());
    EXPECT_EQ(table.grid().row(2).back, (Rgb{255, 255, 255}));
    EXPECT_EQ(table.grid().markedCount(), 0);
}

TEST_F(TableCommands, SortTogglesTheOrderOfTheGridOnly) {
    fill({reading(1, 10), reading(2, 11), reading(3, 12)});
    table.sortClicked();  // row 1 has 1, row 2 has 2: descending
    EXPECT_EQ(numbersInGrid(), (std::vector<int>{3, 2, 1}));
    table.sortClicked();
    EXPECT_EQ(numbersInGrid(), (std::vector<int>{1, 2, 3}));
    table.sortClicked();
    EXPECT_EQ(numbersInGrid(), (std::vector<int>{3, 2, 1}));
    EXPECT_EQ(numbersInTable(), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(view.changed, 3);
}

TEST_F(TableCommands, DeleteWithoutMarkedRow) {
    fill({reading(1, 10), reading(2, 11)});
    EXPECT_EQ(table.deleteRowClicked().result, MeasurementTable::DeleteRowResult::NothingMarked);
    EXPECT_EQ(prompts.messages, QStringList{QStringLiteral("Kein Eintrag ausgewählt")});
}

TEST_F(TableCommands, DeleteWithTwoMarkedRowsClearsTheMarks) {
    fill({reading(1, 10), reading(2, 11), reading(3, 12)});
    table.rowClicked(1);
    table.rowClicked(3);
    EXPECT_EQ(table.deleteRowClicked().result, MeasurementTable::DeleteRowResult::SeveralMarked);
    EXPECT_EQ(prompts.messages, QStringList{QStringLiteral("Bitte nur eine Zeile auswählen")});
    EXPECT_EQ(table.grid().markedCount(), 0);
    EXPECT_EQ(table.grid().rowCount(), 3);
}

TEST_F(TableCommands, DeleteOneRowAfterConfirmation) {
    fill({reading(1, 10), reading(2, 11), reading(3, 12)});
    table.rowClicked(2);
    prompts.boxAnswers.push_back(MsgResult::No);
    EXPECT_EQ(table.deleteRowClicked().result, MeasurementTable::DeleteRowResult::Declined);
    EXPECT_EQ(numbersInTable(), (std::vector<int>{1, 2, 3}));

    const auto out = table.deleteRowClicked();  // scripted Yes
    EXPECT_EQ(out.result, MeasurementTable::DeleteRowResult::Deleted);
    EXPECT_EQ(out.removedRows, 1);
    EXPECT_EQ(prompts.messages.last(), QStringLiteral("Wollen Sie die markierte Zeile wirklich löschen?"));
    EXPECT_EQ(numbersInTable(), (std::vector<int>{1, 3}));
    EXPECT_EQ(numbersInGrid(), (std::vector<int>{1, 3}));
    EXPECT_EQ(readingIndex, 3);
    EXPECT_EQ(table.statistics().count(), 2);
    EXPECT_DOUBLE_EQ(table.statistics().absMaximum(), 12);
    EXPECT_EQ(tables.at(currentTable, 3).unit, QStringLiteral(" "));  // emptied as the table clears
}

TEST_F(TableCommands, DeleteADualReadingRemovesThePair) {
    const auto table4 = [] {
        return std::vector<MeasurementRecord>{reading(1, 10), reading(2, 20, QStringLiteral("DNF")),
                                              reading(2, 30, QStringLiteral("DFE")), reading(3, 11)};
    };
    fill(table4());
    table.rowClicked(2);  // the DNF row takes the DFE row below it
    EXPECT_EQ(table.deleteRowClicked().removedRows, 2);
    EXPECT_EQ(numbersInTable(), (std::vector<int>{1, 3}));

    fill(table4());
    table.rowClicked(3);  // the DFE row takes the DNF row above it
    EXPECT_EQ(table.deleteRowClicked().removedRows, 2);
    EXPECT_EQ(numbersInTable(), (std::vector<int>{1, 3}));
    EXPECT_EQ(readingIndex, 3);
}

TEST_F(TableCommands, TheLastRowsAreNotDeletedOneByOne) {
    fill({reading(1, 10)});
    table.rowClicked(1);
    EXPECT_EQ(table.deleteRowClicked().result, MeasurementTable::DeleteRowResult::TableTooSmall);
    EXPECT_EQ(prompts.messages.last(), QStringLiteral("Bitte Tabelle löschen"));
    EXPECT_EQ(numbersInTable(), std::vector<int>{1});

    fill({reading(2, 20, QStringLiteral("DNF")), reading(2, 30, QStringLiteral("DFE"))});
    table.rowClicked(1);
    EXPECT_EQ(table.deleteRowClicked().result, MeasurementTable::DeleteRowResult::TableTooSmall);
    EXPECT_EQ(numbersInTable().size(), 2u);
}

TEST_F(TableCommands, DeleteTheMarkedRowNotTheOneClickedLast) {
    fill({reading(1, 10), reading(2, 11), reading(3, 12)});
    table.rowClicked(1);
    table.rowClicked(3);
    table.rowClicked(3);  // unmarked again: row 1 is the one marked
    table.deleteRowClicked();
    EXPECT_EQ(numbersInTable(), (std::vector<int>{2, 3}));
}

TEST_F(TableCommands, DeleteAfterSortKeepsTheSortedOrder) {
    fill({reading(1, 10), reading(2, 11), reading(3, 12)});
    table.sortClicked();
    table.rowClicked(1);  // number 3
    table.deleteRowClicked();
    EXPECT_EQ(numbersInTable(), (std::vector<int>{2, 1}));
}

TEST_F(TableCommands, DeleteTheTable) {
    fill({reading(1, 10), reading(2, 11)});
    prompts.boxAnswers.push_back(MsgResult::No);
    EXPECT_FALSE(table.deleteTableClicked());
    EXPECT_EQ(prompts.messages.last(), QStringLiteral("Wollen Sie die Tabelle wirklich löschen?"));
    EXPECT_EQ(tables.count(currentTable), 2);
    EXPECT_TRUE(table.deleteTableClicked());
    EXPECT_EQ(tables.count(currentTable), 0);
    EXPECT_EQ(table.grid().rowCount(), 0);
    EXPECT_EQ(table.statistics().count(), 0);
    EXPECT_TRUE(table.statistics().lines().isEmpty());
    EXPECT_EQ(readingIndex, 1);
}

TEST_F(TableCommands, RecomputeLeavesMarkedReadingsOutAndPointsBehindTheLast) {
    MeasurementRecord x = reading(2, 0);
    x.invalidMark = QStringLiteral("X");
    fill({reading(1, 10), x, reading(3, 14)});
    table.recomputeStatistics();
    EXPECT_EQ(table.statistics().count(), 2);
    EXPECT_DOUBLE_EQ(table.statistics().mean(), 12);
    EXPECT_EQ(readingIndex, 4);
}

TEST_F(TableCommands, MaterialSwitchIncludesTheTableAgain) {
    fill({reading(1, 10), reading(2, 30, QStringLiteral("NF")), reading(3, 12)});
    EXPECT_TRUE(table.statistics().materialButtonVisible());
    EXPECT_EQ(table.statistics().count(), 2);
    table.switchMaterial();
    EXPECT_EQ(table.statistics().count(), 1);
    EXPECT_DOUBLE_EQ(table.statistics().absMinimum(), 30);
    EXPECT_EQ(table.statistics().lines().at(2), QStringLiteral("NFE Statistik:"));
    table.switchMaterial();
    EXPECT_EQ(table.statistics().count(), 2);
}
