#include "data/measurement_record.h"


namespace zenu {

ReadingTables Tables;
int currentTable = kTableMemory;
int readingIndex = 1;

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
    int n = 0;
    while (n < kTableCapacity && !tables_[table][n + 1].isEmpty()) ++n;
    return n;
}

void ReadingTables::clear(int table) {
    for (auto& r : tables_[table]) r = MeasurementRecord{};
}

}  // namespace zenu
