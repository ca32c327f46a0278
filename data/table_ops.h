#pragma once
// The measurement table of the main window as data: the reading table being shown, its grid
// rows and its statistics, and the commands on them (adding a reading, rebuilding, marking,
// sorting, deleting rows and the table, the material switch). The window forwards its events
// here and redraws what the view callbacks name.
#include <QString>

#include "data/measurement_record.h"
#include "data/statistics.h"
#include "data/table_grid.h"

namespace zenu {

// Implemented by the window that shows the table.
class TableView {
public:
    virtual ~TableView() = default;
    virtual void gridRebuilt() {}               // headers and every row changed
    virtual void gridRowAppended(int /*row*/) {}
    virtual void gridRowsChanged() {}           // colours or order changed
    virtual void statisticsChanged() {}        // lines or material button changed
};

class MeasurementTable {
public:
    explicit MeasurementTable(ReadingTables& tables = Tables);

    void setView(TableView* view) { view_ = view; }
    MeasurementGrid& grid() { return grid_; }
    const MeasurementGrid& grid() const { return grid_; }
    StatisticsModel& statistics() { return stats_; }
    const StatisticsModel& statistics() const { return stats_; }
    ReadingTables& tables() { return tables_; }

    // Title of the first-memory table ("Speicher 3", a file name, ...), the statistics list's
    // first line while that table is shown.
    void setMemoryTitle(const QString& title) { memoryTitle_ = title; }
    const QString& memoryTitle() const { return memoryTitle_; }
    // Count text " (n)" for the option captions; consumers reset it to " (0)".
    QString countText = QStringLiteral(" (0)");

    // Reset_Statistic: statistics back to the start, readingIndex 1, material button hidden.
    void resetStatistic();
    // AddReadingRow: appends the record at readingIndex of currentTable as the last grid row,
    // coloured, and includes it in the statistics unless it is marked "X". Returns its row
    // (0 when readingIndex lies outside the table).
    int addReadingRow();
    // FillMSFlexOne: rebuilds the grid from currentTable (up to the first empty record) and
    // includes every record not marked "X". The caller resets the statistics first when the
    // table was switched or refilled. readingIndex becomes the slot after the last record.
    // Returns the number of records.
    int fillMSFlexOne();
    // UpdateStatistics for one record (left out when it is marked "X"), list redrawn.
    void updateStatistics(const MeasurementRecord& record);
    // RecomputeStatistics: reset, then every record not marked "X" again; readingIndex is
    // afterwards the next free record.
    void recomputeStatistics();
    // cmdMaterial_Click: the statistics switch to the other material.
    void switchMaterial();

    // MSFlex_Click.
    void rowClicked(int row);
    // cmdSort_Click.
    void sortClicked();

    enum class DeleteRowResult { NothingMarked, SeveralMarked, Declined, TableTooSmall, Deleted };
    struct DeleteRowOutcome {
        DeleteRowResult result = DeleteRowResult::NothingMarked;
        int removedRows = 0;  // the online counter goes down by this many
    };
    // cmdFlexZeileLoeschen_Click, with its questions and messages through the prompt seam.
    DeleteRowOutcome deleteRowClicked();
    // cmdFlexTabelleloeschen_Click. True when the table was deleted (the caller restarts the
    // online counter for the online table and hides the chart button).
    bool deleteTableClicked();

    // The statistics title for the current table.
    QString tableTitle() const;

private:
    void includeRecord(const MeasurementRecord& record, bool redraw);
    void notifyStatistics();

    ReadingTables& tables_;
    MeasurementGrid grid_;
    StatisticsModel stats_;
    QString memoryTitle_;
    TableView* view_ = nullptr;
};

}  // namespace zenu
