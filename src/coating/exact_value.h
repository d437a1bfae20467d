#pragma once
// Exact sums and comparisons of thickness values, so that a reading that lies exactly on a limit
// (or on 80 % of it) is decided as it lies, whatever the binary rounding of the factors would do.
//
// Every finite double is m * 2^e with integers m and e >= -1074, and a value in mils is 25.4 times
// (254 / 10 times) one in micrometres. An ExactValue holds such a value times 10 * 2^1074 as an
// integer: sums, integer multiples and comparisons of them are exact.

#include <cstdint>
#include <vector>

namespace zepra::coating {

enum class Unit { Micrometres, Mils };

// A thickness as it was given: a stored gauge value, a number read from a file, an option.
struct Thickness {
    double value = 0.0;
    Unit unit = Unit::Micrometres;

    double micrometres() const;  // for display only: rounded
};

class ExactValue {
  public:
    ExactValue() = default;  // zero
    // Requires a finite value.
    explicit ExactValue(const Thickness& thickness);

    ExactValue& operator+=(const ExactValue& other);
    ExactValue operator+(const ExactValue& other) const;
    ExactValue operator-(const ExactValue& other) const;
    // Non-negative integer multiples.
    ExactValue operator*(std::uint32_t factor) const;

    // -1, 0 or 1 as a is less than, equal to or greater than b.
    friend int Compare(const ExactValue& a, const ExactValue& b);
    friend bool operator<(const ExactValue& a, const ExactValue& b) { return Compare(a, b) < 0; }
    friend bool operator<=(const ExactValue& a, const ExactValue& b) { return Compare(a, b) <= 0; }
    friend bool operator>=(const ExactValue& a, const ExactValue& b) { return Compare(a, b) >= 0; }
    friend bool operator>(const ExactValue& a, const ExactValue& b) { return Compare(a, b) > 0; }

  private:
    // Magnitudes as little-endian 32-bit words; the value is positive_ - negative_.
    using Natural = std::vector<std::uint32_t>;
    Natural positive_;
    Natural negative_;
};

}  // namespace zepra::coating
