#pragma once
// Colour of a value cell by the limits: the decision only, as RGB, so that the grid, the
// reports and the tests share it.
#include <cstdint>
#include <optional>

#include "data/limits.h"
#include "data/rgb.h"

namespace zenu {

inline constexpr Rgb kColourWithinLimits{158, 232, 155};  // light green
inline constexpr Rgb kColourOutsideLimits{239, 162, 162}; // light red
inline constexpr Rgb kColourBand8020{242, 180, 123};      // lightorange
inline constexpr Rgb kColourInvalidText{204, 204, 204};   // grey text of a reading marked "X"
inline constexpr Rgb kColourMarked{204, 204, 204};        // a row marked by a click
inline constexpr Rgb kColourUnmarked{255, 255, 255};

struct CellColours {
    std::optional<Rgb> back;  // none: the grid's own back colour
    std::optional<Rgb> fore;  // none: the system window-text colour
};

// True when an included reading v lies outside a limit. A limit of 0 is not set and is not
// taken into account (with only a minimum set, readings are not all "above a maximum of 0").
bool belowMinimum(double v, const LimitSettings& limits);
bool aboveMaximum(double v, const LimitSettings& limits);
// Soll * 0.8 <= v < Soll.
bool inBand8020(double v, const LimitSettings& limits);

// The colours of every cell of a row. `value` is the record's value; with `absolute` on (the
// normal case) its magnitude is compared.
CellColours colourValueCell(double value, bool invalid, const LimitSettings& limits, bool absolute = true);

}  // namespace zenu
