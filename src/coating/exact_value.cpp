#include "coating/exact_value.h"

#include <charconv>
#include <cmath>

namespace zepra::coating {
namespace {

constexpr Int128 kUnitsPerMilAtScale12 = 254;  // 10^-12 mil = 254 * 10^-13 um
constexpr Int128 kLargestUnits = 100'000 * ExactValue::kUnitsPerMicrometre;  // 100 mm

}  // namespace

Int128 PowerOfTen(int n) {
    Int128 p = 1;
    for (int i = 0; i < n; ++i) p *= 10;
    return p;
}

Int128 UnitsPer(Unit unit) {
    return unit == Unit::Mils ? kUnitsPerMilAtScale12 * PowerOfTen(kMostDecimalPlaces)
                              : ExactValue::kUnitsPerMicrometre;
}

double Thickness::micrometres() const {
    std::string why;
    if (const std::optional<ExactValue> exact = ExactOf(*this, &why)) return exact->micrometres();
    return unit == Unit::Mils ? value * 25.4 : value;
}

std::string Thickness::decimal() const {
    return text.empty() ? ShortestDecimal(value) : text;
}

ExactValue ExactValue::FromUnits(Int128 units) {
    ExactValue v;
    v.units_ = units;
    return v;
}

double ExactValue::micrometres() const {
    return static_cast<double>(static_cast<long double>(units_) /
                               static_cast<long double>(kUnitsPerMicrometre));
}

ExactValue& ExactValue::operator+=(const ExactValue& other) {
    units_ += other.units_;
    return *this;
}

ExactValue ExactValue::operator+(const ExactValue& other) const {
    return FromUnits(units_ + other.units_);
}

ExactValue ExactValue::operator-(const ExactValue& other) const {
    return FromUnits(units_ - other.units_);
}

ExactValue ExactValue::operator*(std::int64_t factor) const {
    return FromUnits(units_ * factor);
}

std::optional<Int128> ParseScaled(std::string_view text, int maxIntegerDigits, std::string* why) {
    auto refuse = [&](const std::string& reason) -> std::optional<Int128> {
        if (why) *why = reason;
        return std::nullopt;
    };
    Int128 digits = 0;
    int places = -1;  // -1: no separator yet
    int significant = 0;
    bool any = false;
    for (const char c : text) {
        if (c == '.' || c == ',') {
            if (places >= 0) return refuse("not a decimal number");
            places = 0;
        } else if (c >= '0' && c <= '9') {
            any = true;
            if (places >= 0) ++places;
            if (significant > 0 || c != '0') ++significant;
            if (significant > 30) return refuse("too many digits");  // before the integer overflows
            digits = digits * 10 + (c - '0');
        } else {
            return refuse(c == '-' ? "negative" : "not a decimal number");
        }
    }
    if (!any) return refuse("not a decimal number");
    if (places < 0) places = 0;
    // Trailing zeros after the separator say nothing.
    while (places > kMostDecimalPlaces && digits % 10 == 0) {
        digits /= 10;
        --places;
    }
    if (places > kMostDecimalPlaces) {
        return refuse("more than " + std::to_string(kMostDecimalPlaces) + " decimal places");
    }
    if (significant - places > maxIntegerDigits) return refuse("too large");
    return digits * PowerOfTen(kMostDecimalPlaces - places);
}

std::optional<ExactValue> ParseDecimal(std::string_view text, Unit unit, std::string* why) {
    // Eight integer digits are above 100 mm in either unit: refused before scaling.
    const std::optional<Int128> atScale12 = ParseScaled(text, 7, why);
    if (!atScale12) {
        if (why && *why == "too large") *why = "above 100 mm";
        return std::nullopt;
    }
    const Int128 units = unit == Unit::Mils ? *atScale12 * kUnitsPerMilAtScale12 : *atScale12 * 10;
    if (units > kLargestUnits) {
        if (why) *why = "above 100 mm";
        return std::nullopt;
    }
    return ExactValue::FromUnits(units);
}

std::optional<ExactThickness> ReadThickness(const Thickness& thickness, std::string* why) {
    if (thickness.text.empty() && !std::isfinite(thickness.value)) {
        if (why) *why = "not a number";
        return std::nullopt;
    }
    std::string decimal = thickness.decimal();
    const std::optional<ExactValue> value = ParseDecimal(decimal, thickness.unit, why);
    if (!value) return std::nullopt;
    return ExactThickness{*value, std::move(decimal), thickness.unit, thickness.typed};
}

std::optional<ExactValue> ExactOf(const Thickness& thickness, std::string* why) {
    const std::optional<ExactThickness> read = ReadThickness(thickness, why);
    if (!read) return std::nullopt;
    return read->value;
}

std::string ShortestDecimal(double value) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value < 0 ? "-Inf" : "Inf";
    char buffer[512];
    const auto asFloat = static_cast<float>(value);
    const std::to_chars_result r =
        static_cast<double>(asFloat) == value
            ? std::to_chars(buffer, buffer + sizeof buffer, asFloat, std::chars_format::fixed)
            : std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    if (r.ec != std::errc()) return "NaN";
    return std::string(buffer, r.ptr);
}

ExactValue LargestThickness() {
    return ExactValue::FromUnits(kLargestUnits);
}

ExactValue LeastLimit() {
    return ExactValue::FromUnits(ExactValue::kUnitsPerMicrometre / 1000);
}

}  // namespace zepra::coating
