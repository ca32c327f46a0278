#pragma once
// The value formatter: how many decimals a reading shows, by unit and gauge, and its
// 11-character display text. Stored readings carry exactly the decimals that are shown.
#include <QString>
#include <cstdint>

namespace zenu {

// Outputs of the last FormatValue call; callers read them right after the call.
extern QString lastFormattedText;  // 11 characters, right-aligned
extern double lastFormattedValue;  // the value rounded as shown

// Formats value by descriptor: a number of decimals as text ("0" to "3"), a text starting
// with "Stat" (statistics: profile character 7 decimals), or a unit. The decimals follow
// the unit, the gauge (flux meter, µT field meter) and its family; halves round to the even
// neighbour; the locale's decimal separator; right-aligned in 11 characters.
void FormatValue(double value, const QString& descriptor);

// What FormatValue would store in lastFormattedValue, without building the text or touching
// the shared outputs: for decoding thousands of readings at once.
double displayedValue(double value, const QString& descriptor);

// The number of decimals FormatValue uses for value and descriptor (0 to 3). Descriptors
// that name no rule get 2, so a reading in an unknown unit never shows another's value.
int decimalsFor(double value, const QString& descriptor);

// value rounded (halves to even) to the decimals given as text; throws ConversionError when
// the text is not a number. Decimals are limited to 0..15.
double RoundToDecimals(double value, const QString& decimals);

// The first three decimals of a non-negative number as an integer (12.345 gives 345,
// 7.5 gives 5, 12.05 gives 5).
int32_t GetDecimalsInt(double vNumber);

// Rounds to decimals (0..15) with halves going to the even neighbour. The half is judged on the
// value's shortest decimal form, as people read it: 3.15 gives 3.2 and 3.45 gives 3.4 to one
// decimal, whatever the binary neighbour of 3.15 is.
double roundHalfEven(double value, int decimals);

// "####0.00" and friends: at least one integer digit, exactly `decimals` decimals, the
// locale's decimal separator, no grouping and no padding. Rounds half to even first.
QString formatFixed(double value, int decimals);

}  // namespace zenu
