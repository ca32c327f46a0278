#include "data/table_ops.h"

#include "texts/texts.h"
#include "data/limits.h"
#include "platform/prompts.h"

namespace zenu {

namespace {

bool isInvalid(const MeasurementRecord& r) {
    return r.invalidMark == QLatin1String("X");
}

// As ClearReadingTable leaves a table: date, time and unit a single blank.
void clearTable(ReadingTables& tables, int table) {
    MeasurementRecord blank;
    blank.dateText = blank.timeText = blank.unit = QStringLiteral(" ");
    for (int i = 1; i <= kTableCapacity; ++i) tables.at(table, i) = blank;
}

}  // namespace

MeasurementTable::MeasurementTable(ReadingTables& tables) : tables_(tables) {}

QString MeasurementTable::tableTitle() const {
    if (currentTable == kTableMemory) return memoryTitle_;
    if (currentTable == kTableOnline) return messageText(8);
    return {};
}

void MeasurementTable::notifyStatistics() {
    if (view_) view_->statisticsChanged();
}

void MeasurementTable::resetStatistic() {
    stats_.reset();
    readingIndex = 1;
    notifyStatistics();
}

void MeasurementTable::includeRecord(const MeasurementRecord& record, bool redraw) {
    if (isInvalid(record)) return;
    stats_.include(record.value, record.unit, record.method, redraw);
}

int MeasurementTable::addReadingRow() {
    const int index = readingIndex;
    if (!ReadingTables::validIndex(index)) return 0;
    const MeasurementRecord& record = tables_.at(currentTable, index);
    // The grid shows records 1..index-1 before this one.
    grid_.truncate(index - 1);
    while (grid_.rowCount() < index - 1) {
        grid_.appendRow(tables_.at(currentTable, grid_.rowCount() + 1), Limits, stats_.absoluteSetting());
    }
    grid_.setup(tables_.at(currentTable, 1).dateText);
    const int row = grid_.appendRow(record, Limits, stats_.absoluteSetting());
    countText = QStringLiteral(" (%1)").arg(index);
    stats_.setTitle(tableTitle());
    includeRecord(record, true);
    if (view_) view_->gridRowAppended(row);
    notifyStatistics();
    return row;
}

int MeasurementTable::fillMSFlexOne() {
    const int count = tables_.count(currentTable);
    grid_.clear();
    grid_.reserve(count);
    grid_.setup(tables_.at(currentTable, 1).dateText);
    stats_.setTitle(tableTitle());
    bool included = false;
    for (int i = 1; i <= count; ++i) {
        const MeasurementRecord& record = tables_.at(currentTable, i);
        grid_.appendRow(record, Limits, stats_.absoluteSetting());
        if (!isInvalid(record)) {
            includeRecord(record, false);
            included = true;
        }
    }
    if (included) stats_.redraw();
    countText = QStringLiteral(" (%1)").arg(count);
    // The next reading goes behind the last one shown, never over it.
    readingIndex = count + 1;
    if (view_) view_->gridRebuilt();
    notifyStatistics();
    return count;
}

void MeasurementTable::updateStatistics(const MeasurementRecord& record) {
    stats_.setTitle(tableTitle());
    includeRecord(record, true);
    notifyStatistics();
}

void MeasurementTable::recomputeStatistics() {
    stats_.reset();
    stats_.setTitle(tableTitle());
    const int count = tables_.count(currentTable);
    for (int i = 1; i <= count; ++i) includeRecord(tables_.at(currentTable, i), false);
    stats_.redraw();
    readingIndex = count + 1;
    notifyStatistics();
}

void MeasurementTable::switchMaterial() {
    stats_.toggleMaterial();
    stats_.resetForMaterial();
    stats_.setTitle(tableTitle());
    const int count = tables_.count(currentTable);
    for (int i = 1; i <= count; ++i) includeRecord(tables_.at(currentTable, i), false);
    stats_.redraw();
    notifyStatistics();
}

void MeasurementTable::rowClicked(int row) {
    grid_.toggleMark(row);
    if (view_) view_->gridRowsChanged();
}

void MeasurementTable::sortClicked() {
    grid_.sortByNumber();
    if (view_) view_->gridRowsChanged();
}

MeasurementTable::DeleteRowOutcome MeasurementTable::deleteRowClicked() {
    DeleteRowOutcome out;
    const std::vector<int> marked = grid_.markedRows();
    if (marked.empty()) {
        MsgBox(messageText(34));
        out.result = DeleteRowResult::NothingMarked;
        return out;
    }
    if (marked.size() > 1) {
        MsgBox(messageText(54));
        resetStatistic();
        fillMSFlexOne();
        out.result = DeleteRowResult::SeveralMarked;
        return out;
    }
    // The marked row is the one to delete (not merely the row clicked last, which may be
    // one that a second click has just unmarked).
    const int row = marked.front();
    if (MsgBox(messageText(51), MsgButtons::YesNo, MsgIcon::Information) != MsgResult::Yes) {
        out.result = DeleteRowResult::Declined;
        return out;
    }
    const int rows = grid_.rowCount();
    const QString& kind = grid_.row(row).cells[3];
    const bool isDnf = kind.contains(QLatin1String("DNF"));
    const bool isDfe = kind.contains(QLatin1String("DFE"));
    if (rows == 1 || ((isDnf || isDfe) && rows == 2)) {
        MsgBox(messageText(48), MsgButtons::YesNo, MsgIcon::Information);
        out.result = DeleteRowResult::TableTooSmall;
        return out;
    }

    // A dual reading is a "DNF" row followed by its "DFE" row; both go. The partner is looked
    // for on the expected side first and on the other side after a sort reversed the pair.
    std::vector<int> remove{row};
    const auto partnerIs = [&](int r, const char* method) {
        return r >= 1 && r <= rows && grid_.row(r).cells[3].contains(QLatin1String(method));
    };
    if (isDnf) {
        if (partnerIs(row + 1, "DFE")) remove.push_back(row + 1);
        else if (partnerIs(row - 1, "DFE")) remove.push_back(row - 1);
    } else if (isDfe) {
        if (partnerIs(row - 1, "DNF")) remove.push_back(row - 1);
        else if (partnerIs(row + 1, "DNF")) remove.push_back(row + 1);
    }
    grid_.removeRows(remove);

    // Records move up so that record i again matches grid row i.
    clearTable(tables_, currentTable);
    for (int i = 1; i <= grid_.rowCount(); ++i) tables_.at(currentTable, i) = grid_.row(i).record;

    stats_.reset();
    fillMSFlexOne();
    readingIndex = tables_.count(currentTable) + 1;
    out.result = DeleteRowResult::Deleted;
    out.removedRows = static_cast<int>(remove.size());
    return out;
}

bool MeasurementTable::deleteTableClicked() {
    if (MsgBox(messageText(50), MsgButtons::YesNo, MsgIcon::Question) != MsgResult::Yes) return false;
    grid_.clear();
    resetStatistic();
    clearTable(tables_, currentTable);
    fillMSFlexOne();
    return true;
}

}  // namespace zenu
