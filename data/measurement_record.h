#pragma once
// One reading and the three reading tables.
#include <QDateTime>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

namespace zenu {

struct MeasurementRecord {
    // Reading number as the gauge counts it (online: our own counter). 32 bits: memory
    // records carry a 32-bit number, and numbers above 32767 are shown as they are.
    int32_t number = 0;
    double value = 0.0;     // in `unit`, rounded to the displayed decimals
    QString unit;           // canonical unit text
    QString method;         // method code, at most 4 characters ("FE", "NF", "DNF", "FLX", ...)
    QDateTime timestamp;    // null when the gauge supplies none
    QString dateText;
    QString timeText;
    QString invalidMark;    // "X" when the reading does not belong to the table's unit or probe

    // A slot with value 0 and number 0 is empty; filling and counting stop at the first one.
    bool isEmpty() const { return value == 0.0 && number == 0; }
};

constexpr int kTableCapacity = 5000;
constexpr int kTableMemory = 0;    // first memory, or an opened measurement file
constexpr int kTableReserved = 1;  // second memory: nothing fills it
constexpr int kTableOnline = 2;    // live readings

// Three tables of 5000 records, record index 1..5000 (index 0 is never used).
class ReadingTables {
public:
    ReadingTables();
    // Throws std::out_of_range outside table 0..2, index 0..5000.
    MeasurementRecord& at(int table, int index);
    const MeasurementRecord& at(int table, int index) const;
    static bool validIndex(int index) { return index >= 1 && index <= kTableCapacity; }
    // Number of records before the first empty slot (throws std::out_of_range outside 0..2).
    int count(int table) const;
    // Every slot back to a default record (empty texts); ClearReadingTable is the grid's form.
    void clear(int table);

private:
    std::array<std::vector<MeasurementRecord>, 3> tables_;
};

// The program's tables, the one being filled or shown, and the next record index to write.
extern ReadingTables Tables;
extern int currentTable;
extern int readingIndex;
// Number of the next online reading on gauges that let the program count them (profile
// character 3 "E"); restarts at 1 with each connection and when the online table is deleted.
extern int onlineCounter;

// Empties a table the way the grid expects it: date, time and unit a single blank, number and
// value 0, method and mark empty. Without argument: the current table.
void ClearReadingTable(int table);
void ClearReadingTable();

}  // namespace zenu
