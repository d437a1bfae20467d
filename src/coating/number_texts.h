#pragma once
// The texts of thickness values and of the numbers computed from them, as `check`, the inspection
// window and the report all write them. A value given (a limit typed, a file's reading, a gauge
// value) reads as it was given; a computed value (a mean, a share) is exact when it has at most 13
// decimal places, else rounded, with as many more places as it takes to tell it from the limit it
// is judged by. Every decimal carries the program's decimal separator.
//
// The judging itself works on exact values only (exact_value.h); nothing here decides a verdict.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "coating/exact_value.h"

namespace zepra::coating {

// A value as a fraction of units, for texts that must tell two values apart.
struct Ratio {
    Int128 units = 0;
    std::int64_t denominator = 1;
};

inline Ratio RatioOf(const ExactValue& v, std::int64_t denominator = 1) {
    return {v.units(), denominator};
}

// The value units / denominator in the unit as a decimal text: exact when it has at most
// `places` decimal places, otherwise cut after `places` places and followed by "..." (the shown
// digits are a bound the value lies strictly beyond). No unit word.
std::string DecimalText(Int128 units, std::int64_t denominator, Unit unit, int places);

// The value units / denominator in the unit as a decimal text rounded (half up) to `places`
// decimal places, trailing zeros dropped: "225.37", "90.25". No unit word, no mark.
std::string RoundedText(Int128 units, std::int64_t denominator, Unit unit, int places);

// The least number of decimal places, at least `places`, at which the rounded texts of a and b
// differ when a and b differ (the same `places` when they are equal). Rounding to as many places
// as a limit has never moves a value across it, so the texts also keep the order.
int PlacesToTellApart(const Ratio& a, const Ratio& b, Unit unit, int places);

// A decimal text with the program's decimal separator (a point or a comma followed by a digit).
std::string Localised(std::string text);

// A thickness as it was given, in its own unit: a value the user typed exactly as typed, a file's
// text or a gauge value's shortest decimal with the program's decimal separator.
std::string GivenText(const Thickness& thickness);

// Between the decimals of a list: "; " where the decimal separator is a comma ("117,03; 118,6"),
// else ", ".
std::string ListSeparator();

// A value shown: its text in the chosen unit (without the unit word) and the numbers behind it.
struct Amount {
    std::string text;
    double micrometres = 0.0;
    double inUnit = 0.0;
};

// The texts of values in one unit.
class NumberTexts {
  public:
    explicit NumberTexts(Unit unit) : unit_(unit) {}

    Unit unit() const { return unit_; }
    std::string word() const { return unit_ == Unit::Mils ? "mils" : "um"; }
    std::string withUnit(const Amount& a) const { return a.text + " " + word(); }

    // A computed value: exact up to 13 decimal places, else rounded to 2 (um) or 3 (mils).
    Amount computed(const Ratio& v) const;
    Amount computed(const ExactValue& v) const { return computed(RatioOf(v)); }
    // A value as it was given: its own text when it is in the chosen unit.
    Amount given(const ExactThickness& t) const;
    // The texts of a value and of the limits it is compared with, told apart: the value gets the
    // places it needs; a limit keeps its own text when it is exact, else gets the same places.
    Amount apart(const Ratio& v, std::initializer_list<std::pair<Ratio, Amount*>> limits) const;

    // Whether v has at most 13 decimal places, and the places its text gets: all of them then,
    // else the base places.
    bool terminates(const Ratio& v) const;
    int placesOf(const Ratio& v) const;

  private:
    int basePlaces() const { return unit_ == Unit::Mils ? 3 : 2; }
    Amount atPlaces(const Ratio& v, int places) const;
    Amount numbersOf(const Ratio& v) const;  // without the text

    Unit unit_;
};

// part of whole in per cent: exact when it has at most 13 decimal places, else rounded to one
// place, or as many as it takes to differ from the boundary it is judged by. "91.25 %".
std::string Percent(std::int64_t part, std::int64_t whole, int boundary);
// "3 of 10 (30 %)"
std::string CountOf(std::int64_t part, std::int64_t whole, int boundary);
// "1 spot", "3 spots"
std::string Plural(std::int64_t n, const std::string& one, const std::string& many);
// Reading numbers as a short list: "3, 7, 9".
std::string NumberList(const std::vector<int>& numbers);

}  // namespace zepra::coating
