#pragma once
// The samples and header statistics of the last trace memory read from a gauge, for the chart
// and the exports.
#include <QString>
#include <vector>

namespace zenu {

struct TraceSeries {
    int count = 0;        // number of readings the memory header announces
    int intervalMs = 0;   // sampling interval
    // One sample per reading present in the file, in the display unit. A sample that is no
    // number (NaN or infinite bytes) is kept as 0 so that the time axis stays right.
    std::vector<double> samples;
    // Header statistics, rounded to 2 decimals, and their "####0.00" texts.
    double minimum = 0, maximum = 0, mean = 0, standardDeviation = 0, pulseTimeMs = 0;
    QString minimumText, maximumText, meanText, standardDeviationText, pulseTimeText;

    void clear() { *this = TraceSeries{}; }
};

extern TraceSeries traceSeries;

}  // namespace zenu
