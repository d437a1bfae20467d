#pragma once
// Thickness values as the decimals an inspector reads, and exact arithmetic on them.
//
// A limit typed on the command line and a reading in a saved report are the decimals they are
// written as; a gauge value (a 32-bit float widened to double in the store) is the shortest decimal
// that reads back as the same float ("30.3", not 30.299999237...). A mil is exactly 25.4 um.
//
// An ExactValue holds a thickness as a whole number of 10^-13 um. Every accepted decimal fits:
// at most 12 decimal places in um or in mils (a mil is 254 * 10^-13 um times 10^12), at most
// 100 mm (10^18 units). Sums of up to kMostReadings such values, times the small factors of the
// rules (at most 10^4), stay below 10^29, far inside the 127 bits of the integer.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace zepra::coating {

__extension__ typedef __int128 Int128;

enum class Unit { Micrometres, Mils };

inline constexpr int kMostDecimalPlaces = 12;
inline constexpr std::size_t kMostReadings = 1'000'000;

// A thickness as it was given: a number typed or read from a report (text set, in unit), or a
// gauge value in micrometres (text empty, value the stored double).
struct Thickness {
    Thickness() = default;
    Thickness(double v, Unit u = Unit::Micrometres, std::string t = {})
        : value(v), unit(u), text(std::move(t)) {}

    double value = 0.0;
    Unit unit = Unit::Micrometres;
    std::string text;    // the decimal as given; empty for a gauge value
    bool typed = false;  // text as the user typed it: shown exactly so

    double micrometres() const;  // for display and JSON only: rounded
    // The decimal that stands for it in its unit: the text, or the gauge value's shortest decimal.
    std::string decimal() const;
};

class ExactValue {
  public:
    static constexpr Int128 kUnitsPerMicrometre = 10'000'000'000'000;  // 10^13

    ExactValue() = default;  // zero
    static ExactValue FromUnits(Int128 units);

    Int128 units() const { return units_; }
    double micrometres() const;

    ExactValue& operator+=(const ExactValue& other);
    ExactValue operator+(const ExactValue& other) const;
    ExactValue operator-(const ExactValue& other) const;
    ExactValue operator*(std::int64_t factor) const;

    friend bool operator==(const ExactValue& a, const ExactValue& b) = default;
    friend auto operator<=>(const ExactValue& a, const ExactValue& b) = default;

  private:
    Int128 units_ = 0;
};

// The exact value of a plain decimal ("12", "12.5", "0.125", with '.' or ','; no sign, no
// exponent) in the unit; empty with the reason in *why when it is no such decimal, has more than
// kMostDecimalPlaces places, or lies above 100 mm.
std::optional<ExactValue> ParseDecimal(std::string_view text, Unit unit, std::string* why);

// A plain decimal of at most kMostDecimalPlaces places and maxIntegerDigits integer digits, times
// 10^kMostDecimalPlaces; empty with the reason in *why otherwise.
std::optional<Int128> ParseScaled(std::string_view text, int maxIntegerDigits, std::string* why);

// A thickness read once: its exact value and the decimal that stands for it in its unit (the
// text, or the gauge value's shortest decimal).
struct ExactThickness {
    ExactValue value;
    std::string decimal;
    Unit unit = Unit::Micrometres;
    bool typed = false;  // the decimal as the user typed it: shown exactly so
};

// The thickness read; empty with the reason when it has no exact value (a gauge value that is
// not a number, a text that is no decimal).
std::optional<ExactThickness> ReadThickness(const Thickness& thickness, std::string* why);

// The exact value of a thickness alone (ReadThickness's value).
std::optional<ExactValue> ExactOf(const Thickness& thickness, std::string* why);

// The shortest decimal that reads back as the same float (or, for a double that is no float, as
// the same double); "NaN"/"Inf" for those.
std::string ShortestDecimal(double value);

// 10^n, and the units in one micrometre or one mil.
Int128 PowerOfTen(int n);
Int128 UnitsPer(Unit unit);

// 100 mm, the largest thickness accepted; 0.001 um, the least a given limit may be.
ExactValue LargestThickness();
ExactValue LeastLimit();

}  // namespace zepra::coating
