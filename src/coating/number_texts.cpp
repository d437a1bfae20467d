#include "coating/number_texts.h"

#include <algorithm>

#include "data/thickness_format.h"

namespace zepra::coating {
namespace {

std::string ToString(Int128 n) {
    if (n == 0) return "0";
    std::string digits;
    for (; n > 0; n /= 10) digits.insert(digits.begin(), static_cast<char>('0' + n % 10));
    return digits;
}

}  // namespace

std::string DecimalText(Int128 units, std::int64_t denominator, Unit unit, int places) {
    const Int128 whole = UnitsPer(unit) * denominator;
    const bool negative = units < 0;
    const Int128 magnitude = negative ? -units : units;
    const Int128 scaled = magnitude * PowerOfTen(places);
    const Int128 shown = scaled / whole;
    const bool more = scaled % whole != 0;
    std::string digits = ToString(shown);
    if (digits.size() <= static_cast<std::size_t>(places)) {
        digits.insert(0, static_cast<std::size_t>(places) + 1 - digits.size(), '0');
    }
    std::string text = digits.substr(0, digits.size() - static_cast<std::size_t>(places));
    std::string fraction = digits.substr(digits.size() - static_cast<std::size_t>(places));
    if (!more) {
        while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
    }
    if (!fraction.empty()) text += "." + fraction;
    if (more) text += "...";
    return (negative && (shown != 0 || more) ? "-" : "") + text;
}

std::string RoundedText(Int128 units, std::int64_t denominator, Unit unit, int places) {
    const Int128 whole = UnitsPer(unit) * denominator;
    const bool negative = units < 0;
    const Int128 magnitude = negative ? -units : units;
    Int128 integer = magnitude / whole;
    Int128 rest = magnitude % whole;
    // Long division keeps every step far inside 127 bits, however many places are asked for.
    std::string fraction;
    for (int i = 0; i < places; ++i) {
        rest *= 10;
        fraction += static_cast<char>('0' + static_cast<int>(rest / whole));
        rest %= whole;
    }
    if (2 * rest >= whole) {  // half up
        int i = places - 1;
        for (; i >= 0 && fraction[static_cast<std::size_t>(i)] == '9'; --i)
            fraction[static_cast<std::size_t>(i)] = '0';
        if (i >= 0) {
            ++fraction[static_cast<std::size_t>(i)];
        } else {
            ++integer;
        }
    }
    while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
    const bool zero = integer == 0 && fraction.empty();
    // Appended piece by piece: MinGW's g++ 12 at -O3 warns falsely (-Wrestrict) on "." + fraction.
    std::string text = negative && !zero ? "-" : "";
    text += ToString(integer);
    if (!fraction.empty()) {
        text += '.';
        text += fraction;
    }
    return text;
}

int PlacesToTellApart(const Ratio& a, const Ratio& b, Unit unit, int places) {
    if (a.units * b.denominator == b.units * a.denominator) return places;
    // Two different fractions of at most 10^6 readings differ by at least 10^-31 um.
    constexpr int kMostPlaces = 40;
    while (places < kMostPlaces && RoundedText(a.units, a.denominator, unit, places) ==
                                       RoundedText(b.units, b.denominator, unit, places)) {
        ++places;
    }
    return places;
}

std::string Localised(std::string text) {
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if ((text[i] == '.' || text[i] == ',') && text[i + 1] >= '0' && text[i + 1] <= '9')
            text[i] = DecimalSeparator();
    }
    return text;
}

std::string GivenText(const Thickness& thickness) {
    return thickness.typed ? thickness.text : Localised(thickness.decimal());
}

std::string ListSeparator() {
    return DecimalSeparator() == ',' ? "; " : ", ";
}

bool NumberTexts::terminates(const Ratio& v) const {
    return RoundedText(v.units, v.denominator, unit_, 13) ==
           RoundedText(v.units, v.denominator, unit_, 40);
}

int NumberTexts::placesOf(const Ratio& v) const {
    const std::string exact = RoundedText(v.units, v.denominator, unit_, 13);
    if (exact != RoundedText(v.units, v.denominator, unit_, 40)) return basePlaces();
    const std::size_t point = exact.find('.');
    const int decimals =
        point == std::string::npos ? 0 : static_cast<int>(exact.size() - point - 1);
    return std::max(basePlaces(), decimals);
}

Amount NumberTexts::numbersOf(const Ratio& v) const {
    const auto um = static_cast<long double>(v.units) / static_cast<long double>(v.denominator) /
                    static_cast<long double>(ExactValue::kUnitsPerMicrometre);
    return {
        {}, static_cast<double>(um), static_cast<double>(unit_ == Unit::Mils ? um / 25.4L : um)};
}

Amount NumberTexts::atPlaces(const Ratio& v, int places) const {
    Amount a = numbersOf(v);
    a.text = Localised(RoundedText(v.units, v.denominator, unit_, places));
    return a;
}

Amount NumberTexts::computed(const Ratio& v) const {
    return atPlaces(v, placesOf(v));
}

Amount NumberTexts::given(const ExactThickness& t) const {
    if (t.unit != unit_) return computed(t.value);
    // Its own text: a million readings of a file are not written out to 40 places first.
    Amount a = numbersOf(RatioOf(t.value));
    a.text = t.typed ? t.decimal : Localised(t.decimal);
    return a;
}

Amount NumberTexts::apart(const Ratio& v,
                          std::initializer_list<std::pair<Ratio, Amount*>> limits) const {
    int places = placesOf(v);
    for (const auto& [limit, shown] : limits)
        places = std::max(places, PlacesToTellApart(v, limit, unit_, basePlaces()));
    for (const auto& [limit, shown] : limits) {
        if (!terminates(limit)) *shown = atPlaces(limit, places);
    }
    return atPlaces(v, places);
}

std::string Percent(std::int64_t part, std::int64_t whole, int boundary) {
    const NumberTexts percent{Unit::Micrometres};  // per cent written as micrometres are
    const Ratio value{Int128{100} * part * ExactValue::kUnitsPerMicrometre, whole};
    const Ratio limit{Int128{boundary} * ExactValue::kUnitsPerMicrometre, 1};
    int places = PlacesToTellApart(value, limit, Unit::Micrometres, 1);
    if (percent.terminates(value)) places = std::max(places, percent.placesOf(value));
    return Localised(RoundedText(value.units, value.denominator, Unit::Micrometres, places)) + " %";
}

std::string CountOf(std::int64_t part, std::int64_t whole, int boundary) {
    return std::to_string(part) + " of " + std::to_string(whole) + " (" +
           Percent(part, whole, boundary) + ")";
}

std::string Plural(std::int64_t n, const std::string& one, const std::string& many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string NumberList(const std::vector<int>& numbers) {
    std::string out;
    for (int n : numbers) out += (out.empty() ? "" : ", ") + std::to_string(n);
    return out;
}

}  // namespace zepra::coating
