#pragma once
// The measurement grid (`MSFlex`) as data: one fixed header row, then one row per record with
// its four cell texts and colours. The main window only shows it. Row numbers are 1-based like
// the grid's (row 0 is the header), so after a rebuild grid row i shows record i.
#include <QString>
#include <array>
#include <vector>

#include "data/limits_colours.h"
#include "data/measurement_record.h"

namespace zenu {

constexpr int kGridColumns = 4;
// Column widths as the grid was laid out, in twips; 15 twips make a pixel.
inline constexpr std::array<int, kGridColumns> kGridColumnWidthTwips{1700, 800, 1500, 1800};
constexpr int kTwipsPerPixel = 15;
inline int gridColumnWidthPixels(int column) { return kGridColumnWidthTwips.at(column) / kTwipsPerPixel; }
inline constexpr const char* kGridFont = "Lucida Console";

struct GridRow {
    MeasurementRecord record;  // the record the row was written from
    std::array<QString, kGridColumns> cells;
    std::optional<Rgb> back;   // none: the grid's own back colour
    std::optional<Rgb> fore;   // none: the window-text colour
    bool marked() const { return back == kColourMarked; }
};

// The four cell texts of a record: date and time; number right-aligned in 7; the value's
// 11-character display text; unit followed by the method right-aligned in 4.
std::array<QString, kGridColumns> gridCellTexts(const MeasurementRecord& record);

class MeasurementGrid {
public:
    // Header texts for the current language and gauge: column 0 is "Datum Zeit" / "Date Time"
    // for gauges with dates, else the date text of the first record.
    void setup(const QString& firstRecordDate);
    const std::array<QString, kGridColumns>& headers() const { return headers_; }

    void clear();
    int rowCount() const { return static_cast<int>(rows_.size()); }  // without the header
    // Row 1..rowCount(); throws std::out_of_range otherwise.
    const GridRow& row(int row) const { return rows_.at(static_cast<std::size_t>(row - 1)); }

    // Appends a row for the record, coloured by the limits. Returns its row number.
    int appendRow(const MeasurementRecord& record, const LimitSettings& limits, bool absolute);
    void reserve(int rows) { rows_.reserve(static_cast<std::size_t>(rows)); }

    // A click toggles the row between marked (light grey) and white; remembers the row.
    void toggleMark(int row);
    int markedCount() const;
    // The marked rows, top to bottom.
    std::vector<int> markedRows() const;
    int lastClickedRow() const { return lastClicked_; }

    // Sorts the rows by reading number: ascending when row 1 has a greater number than row 2
    // (both above 0), otherwise descending, so pressing sort again toggles the order.
    void sortByNumber();

    // Keeps the first `rows` rows.
    void truncate(int rows) {
        if (rows >= 0 && rows < rowCount()) rows_.resize(static_cast<std::size_t>(rows));
    }

    // Removes rows (numbers as they are now).
    void removeRows(std::vector<int> rows);

private:
    std::array<QString, kGridColumns> headers_;
    std::vector<GridRow> rows_;
    int lastClicked_ = 0;
};

}  // namespace zenu
