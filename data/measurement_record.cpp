#include "data/measurement_record.h"

namespace zenu {

ReadingTables Tables;
int currentTable = kTableMemory;
int readingIndex = 1;
int onlineCounter = 1;

ReadingTables::ReadingTables() {
    for (auto& t : tables_) t.resize(kTableCapacity + 1);
}

MeasurementRecord& ReadingTables::at(int table, int index) {
    return tables_.at(static_cast<std::size_t>(table)).at(static_cast<std::size_t>(index));
}

const MeasurementRecord& ReadingTables::at(int table, int index) const {
    return tables_.at(static_cast<std::size_t>(table)).at(static_cast<std::size_t>(index));
}

int ReadingTables::count(int table) const {
    const auto& records = tables_.at(static_cast<std::size_t>(table));
    int n = 0;
    while (n < kTableCapacity && !records[static_cast<std::size_t>(n) + 1].isEmpty()) ++n;
    return n;
}

void ReadingTables::clear(int table) {
    for (auto& r : tables_.at(static_cast<std::size_t>(table))) r = MeasurementRecord{};
}

void ClearReadingTable(int table) {
    MeasurementRecord blank;
    blank.dateText = blank.timeText = blank.unit = QStringLiteral(" ");
    for (int i = 1; i <= kTableCapacity; ++i) Tables.at(table, i) = blank;
}

void ClearReadingTable() { ClearReadingTable(currentTable); }

}  // namespace zenu
