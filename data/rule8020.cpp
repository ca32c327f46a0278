#include "data/rule8020.h"

#include <cmath>

#include "texts/texts.h"
#include "data/limits_colours.h"

namespace zenu {

void Rule8020Evaluation::reset() {
    *this = Rule8020Evaluation{};
}

void Rule8020Evaluation::include(double v, int n, double sum, const LimitSettings& limits) {
    n_ = n;
    meanFailed_ = n > 0 && sum / n < limits.Soll;
    if (belowMinimum(v, limits) || aboveMaximum(v, limits)) outsideLimits_ = true;
    if (inBand8020(v, limits)) ++bandCount_;
    bandFailed_ = n > 0 && static_cast<double>(bandCount_) / n * 100.0 > 20.0;
}

int Rule8020Evaluation::bandSharePercent() const {
    if (n_ <= 0) return 0;
    return static_cast<int>(std::nearbyint(static_cast<double>(bandCount_) / n_ * 100.0));
}

QString Rule8020Evaluation::verdictText(int language) const {
    return messageText(ok() ? 58 : 59, language);
}

QString Rule8020Evaluation::statisticsLine(int language) const {
    return statisticsLabel(14, language) + QLatin1Char(' ') + verdictText(language) + QLatin1Char(' ') +
           QString::number(bandSharePercent()) + QLatin1Char(' ') + QLatin1Char('%');
}

}  // namespace zenu
