#pragma once
// What the reading decoders need from the window that shows the readings and from the gauge
// session. The decoders only fill the reading tables; everything visible or sent to the gauge
// goes through this interface (the main window and the gauge session implement it; tests
// record the calls).
#include <QString>

namespace zenu {

struct TraceSeries;

// The header name inside the memory label that showMemory gets ("(" name ")"), or the label.
inline QString memoryLabelName(const QString& label) {
    return label.startsWith(QLatin1Char('(')) && label.endsWith(QLatin1Char(')')) ? label.mid(1, label.size() - 2)
                                                                                    : label;
}

class ReadingSink {
public:
    virtual ~ReadingSink() = default;

    // The record at readingIndex of currentTable was stored: append it as the grid's last
    // row, colour it, update the statistics (unless it is marked "X"), scroll and hand it to
    // the keyboard-event output.
    virtual void AddReadingRow() = 0;
    // Rebuild the whole grid, its statistics and the record count from currentTable.
    virtual void FillMSFlexOne() = 0;

    // The record-count suffix " (n)" of the table's option button.
    virtual void setRecordCount(int /*n*/) {}
    // Reset_Statistic: clear the statistics list, reset its items and hide the material button.
    virtual void resetStatistics() {}
    // Switch the absolute setting of the statistics on or off.
    virtual void setAbsoluteStatistics(bool /*on*/) {}
    // The statistics list of a trace memory: count, minimum, maximum, mean, standard
    // deviation and the pulse time followed by " ms".
    virtual void showTraceStatistics(const TraceSeries& /*trace*/) {}
    virtual void hideMaterialButton() {}
    // The memory's option button caption (the memory name chosen in the list) and the memory
    // label ("(" header name ")" or empty).
    virtual void showMemory(const QString& /*optionCaption*/, const QString& /*memoryLabel*/) {}
    // The status box ("Speicher leer", or empty).
    virtual void setStatusText(const QString& /*text*/) {}
    virtual void setProgress(int /*value*/, int /*maximum*/) {}
    // A trace memory was read: draw its chart and show the chart controls instead of the
    // statistics list.
    virtual void showTraceChart() {}
    // Close the memory file on the gauge ("$fc?" handle "!") and wait, bounded, for the
    // reply. False when the gauge did not confirm; the session reports that itself.
    virtual bool closeMemoryFile() { return true; }
    // A decoding error for the user (message box). The decoder has logged it already.
    virtual void showError(const QString& /*text*/) {}
};

// A sink that shows nothing (tools that only want the tables).
class NullReadingSink : public ReadingSink {
public:
    void AddReadingRow() override {}
    void FillMSFlexOne() override {}
};

}  // namespace zenu
