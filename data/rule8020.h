#pragma once
// The 80/20 rule of ISO 19840 over the readings included in the statistics: the mean must
// reach the target, no reading may lie outside the limits, and at most 20 % of the readings
// may lie in the band from 80 % of the target up to the target.
#include <QString>

#include "data/limits.h"

namespace zenu {

class Rule8020Evaluation {
public:
    void reset();
    // One included reading v; `n` and `sum` are the count and the signed sum including it.
    void include(double v, int n, double sum, const LimitSettings& limits);

    bool ok() const { return !meanFailed_ && !outsideLimits_ && !bandFailed_; }
    bool meanFailed() const { return meanFailed_; }
    bool outsideLimits() const { return outsideLimits_; }
    bool bandFailed() const { return bandFailed_; }
    int bandCount() const { return bandCount_; }
    // Share of readings in the band, percent, rounded to a whole number (halves to even).
    int bandSharePercent() const;

    // "Ja" / "Yes" or "Nein " / "No".
    QString verdictText(int language) const;
    // "Regel 80/20 ok: Ja 0 %" as the statistics list shows it.
    QString statisticsLine(int language) const;

private:
    int n_ = 0;
    int bandCount_ = 0;
    bool meanFailed_ = false;
    bool outsideLimits_ = false;  // stays set until reset
    bool bandFailed_ = false;
};

}  // namespace zenu
