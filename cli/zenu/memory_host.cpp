#include "cli/zenu/memory_host.h"

#include <algorithm>
#include <cstdio>
#include <unistd.h>

#include "cli/zenu/gauge_connection.h"
#include "data/gauge_identity.h"
#include "data/measurement_record.h"
#include "data/trace_series.h"

namespace zenu::cli {

CliDownloadHost::CliDownloadHost(bool progress) : progress_(progress && ::isatty(STDERR_FILENO) == 1) {}

CliDownloadHost::~CliDownloadHost() { endProgress(); }

QString CliDownloadHost::title(int count) const {
    return titleWithCount_ ? title_ + QStringLiteral(" (") + QString::number(count) + QLatin1Char(')') : title_;
}

void CliDownloadHost::prepareMemoryTable() {
    currentTable = kTableMemory;
    ClearReadingTable(kTableMemory);
    traceSeries.clear();
    table_.resetStatistic();
}

void CliDownloadHost::FillMSFlexOne() {
    table_.setMemoryTitle(title(Tables.count(kTableMemory)));
    table_.fillMSFlexOne();
}

void CliDownloadHost::showTraceStatistics(const TraceSeries& trace) {
    table_.statistics().setTitle(title(trace.count));
    table_.statistics().showTraceStatistics(trace, deviceUnit);
}

void CliDownloadHost::showMemory(const QString&, const QString& memoryLabel) {
    headerName_ = memoryLabelName(memoryLabel);
}

void CliDownloadHost::setProgress(int value, int maximum) {
    if (!progress_ || maximum <= 0) return;
    constexpr int kWidth = 40;
    const int done = std::clamp(value, 0, maximum) * kWidth / maximum;
    std::fprintf(stderr, "\r[%s%s] %3d%%", QByteArray(done, '#').constData(), QByteArray(kWidth - done, ' ').constData(),
                 std::clamp(value, 0, maximum) * 100 / maximum);
    std::fflush(stderr);
    drawn_ = true;
}

bool CliDownloadHost::stopRequested() { return interrupted(); }

void CliDownloadHost::endProgress() {
    if (!drawn_) return;
    drawn_ = false;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
}

}  // namespace zenu::cli
