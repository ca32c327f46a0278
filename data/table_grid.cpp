#include "data/table_grid.h"

#include <algorithm>

#include "texts/texts.h"
#include "data/gauge_identity.h"
#include "data/text_align.h"
#include "data/value_format.h"

namespace zenu {

std::array<QString, kGridColumns> gridCellTexts(const MeasurementRecord& record) {
    FormatValue(record.value, record.unit);
    return {record.dateText + QLatin1Char(' ') + record.timeText,
            Ausrichten(7, QString::number(record.number), QStringLiteral(" "), false), lastFormattedText,
            record.unit + Ausrichten(4, record.method, QStringLiteral(" "), false)};
}

void MeasurementGrid::setup(const QString& firstRecordDate) {
    headers_[0] = profileChar(6) == QLatin1Char('-') ? messageText(71) : firstRecordDate;
    headers_[1] = messageText(0);
    headers_[2] = messageText(1);
    headers_[3] = messageText(2);
}

void MeasurementGrid::clear() {
    rows_.clear();
    lastClicked_ = 0;
}

int MeasurementGrid::appendRow(const MeasurementRecord& record, const LimitSettings& limits, bool absolute) {
    GridRow r;
    r.record = record;
    r.cells = gridCellTexts(record);
    const CellColours c = colourValueCell(record.value, record.invalidMark == QLatin1String("X"), limits, absolute);
    r.back = c.back;
    r.fore = c.fore;
    rows_.push_back(std::move(r));
    return rowCount();
}

void MeasurementGrid::toggleMark(int row) {
    if (row < 1 || row > rowCount()) return;
    GridRow& r = rows_[static_cast<std::size_t>(row - 1)];
    r.back = r.marked() ? kColourUnmarked : kColourMarked;
    lastClicked_ = row;
}

int MeasurementGrid::markedCount() const {
    return static_cast<int>(std::count_if(rows_.begin(), rows_.end(), [](const GridRow& r) { return r.marked(); }));
}

std::vector<int> MeasurementGrid::markedRows() const {
    std::vector<int> out;
    for (int i = 0; i < rowCount(); ++i) {
        if (rows_[static_cast<std::size_t>(i)].marked()) out.push_back(i + 1);
    }
    return out;
}

void MeasurementGrid::sortByNumber() {
    if (rows_.size() < 2) return;
    const int first = rows_[0].record.number;
    const int second = rows_[1].record.number;
    const bool ascending = first > 0 && second > 0 && first > second;
    // Stable, so that the two rows of a dual reading keep their order.
    std::stable_sort(rows_.begin(), rows_.end(), [ascending](const GridRow& a, const GridRow& b) {
        return ascending ? a.record.number < b.record.number : a.record.number > b.record.number;
    });
    lastClicked_ = 0;
}

void MeasurementGrid::removeRows(std::vector<int> rows) {
    std::sort(rows.begin(), rows.end(), std::greater<>());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    for (int row : rows) {
        if (row >= 1 && row <= rowCount()) rows_.erase(rows_.begin() + (row - 1));
    }
    lastClicked_ = 0;
}

}  // namespace zenu
