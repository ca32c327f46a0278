#pragma once
// The window side of a memory read for zenu-cli: the readings go into table 0 and its table
// model (statistics for the measurement file), and the progress shows on standard error when
// that is a terminal.
#include <QString>

#include "data/reading_sink.h"
#include "data/table_ops.h"
#include "gauge/memory_download.h"

namespace zenu::cli {

class CliDownloadHost : public DownloadHost, private ReadingSink {
public:
    // progress: draw a progress bar on standard error (only when it is a terminal).
    explicit CliDownloadHost(bool progress);
    ~CliDownloadHost() override;

    // The statistics title of the memory, as the window names it: "Memory m001 (25)" with the
    // count of readings read, or "Memory 3".
    void setMemoryTitle(const QString& title, bool withCount) {
        title_ = title;
        titleWithCount_ = withCount;
    }

    MeasurementTable& table() { return table_; }
    // The name in the memory file's header (without its brackets), for the report.
    const QString& headerName() const { return headerName_; }
    const QStringList& errors() const { return errors_; }
    // The family "4" list entry with the count the directory gave just before the read.
    QString updatedEntry;
    // Ends the progress bar's line.
    void endProgress();

    // DownloadHost
    void prepareMemoryTable() override;
    void setProgress(int value, int maximum) override;
    void memoryEntryUpdated(const QString& entry) override { updatedEntry = entry; }
    // Ctrl-C stops a read between two blocks.
    bool stopRequested() override;
    ReadingSink& sink() override { return *this; }

private:
    // ReadingSink
    void AddReadingRow() override { table_.addReadingRow(); }
    void FillMSFlexOne() override;
    void resetStatistics() override { table_.resetStatistic(); }
    void setAbsoluteStatistics(bool on) override { table_.statistics().setAbsoluteSetting(on); }
    void showTraceStatistics(const TraceSeries& trace) override;
    void showMemory(const QString& optionCaption, const QString& memoryLabel) override;
    void showError(const QString& text) override { errors_ << text; }

    MeasurementTable table_;
    QString title(int count) const;

    QString title_;
    bool titleWithCount_ = false;
    QString headerName_;
    QStringList errors_;
    bool progress_ = false;
    bool drawn_ = false;
};

}  // namespace zenu::cli
