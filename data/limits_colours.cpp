#include "data/limits_colours.h"

#include <cmath>

namespace zenu {

bool belowMinimum(double v, const LimitSettings& limits) {
    return limits.MinLimit > 0.0 && v < limits.MinLimit;
}

bool aboveMaximum(double v, const LimitSettings& limits) {
    return limits.MaxLimit > 0.0 && v != 0.0 && v > limits.MaxLimit;
}

bool inBand8020(double v, const LimitSettings& limits) {
    return limits.Soll * 0.8 <= v && v < limits.Soll;
}

CellColours colourValueCell(double value, bool invalid, const LimitSettings& limits, bool absolute) {
    CellColours c;
    const double v = absolute ? std::fabs(value) : value;
    if (limits.MinLimit != 0.0 || limits.MaxLimit != 0.0) {
        c.back = (aboveMaximum(v, limits) || belowMinimum(v, limits)) ? kColourOutsideLimits : kColourWithinLimits;
        if (limits.Rule8020 && inBand8020(v, limits)) c.back = kColourBand8020;
    }
    if (invalid) c.fore = kColourInvalidText;
    return c;
}

}  // namespace zenu
