#pragma once
// Turning thickness values into text. Three rules differ in thresholds and rounding; all end in
// NumberToText. Arithmetic follows the gauge software's order exactly: the truncations depend on
// it.

#include <cstdint>
#include <string>

namespace zepra {

inline constexpr double kMicrometresPerMil = 25.4;

// The decimal separator of the user's number format; '.' unless the program sets another at start.
void SetDecimalSeparator(char separator);
char DecimalSeparator();

// Shortest decimal text with at most 15 significant digits, no exponent, no trailing zeros,
// "0" before the separator below 1, "-" for negatives; negative zero is written "0".
// Not-a-number and infinities are written "NaN", "Inf" and "-Inf" (never truncated).
std::string NumberToText(double value);
std::string NumberToText(std::int32_t value);

// trunc() that is defined for every double: NaN and infinities pass through unchanged.
double Truncate(double x);

// The general rule (group windows, their reports): rounds half away from zero.
std::string FormatThickness(double micrometres, std::int32_t unitIsMils);

// The live reading of the main window and the list text of a captured sample.
struct LiveReadingText {
    std::string reading;  // big reading text
    std::string unit;     // "um", "mm" or "mils"
    std::string list;     // text stored with the captured sample
};
LiveReadingText FormatLiveReading(double micrometres, std::int32_t unitIsMils);

// The truncating rule of the real-time statistics labels after each captured sample.
enum class StatisticFigure { Extreme, Mean };  // maximum/minimum, or mean (computed differently)
std::string FormatStatistic(double micrometres, std::int32_t unitIsMils, StatisticFigure figure);
// A value already in mils (the capture's standard deviation in mils).
std::string FormatStatisticInMils(double mils);

}  // namespace zepra
