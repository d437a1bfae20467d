#include "data/typed_number.h"

#include <charconv>
#include <cmath>

#include "data/thickness_format.h"

namespace zepra {
namespace {

std::string grouping = ",";

}  // namespace

std::string Trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return std::string(text.substr(first, text.find_last_not_of(" \t") - first + 1));
}

TypedNumberFormat UserNumberFormat() {
    return {DecimalSeparator(), grouping};
}

void SetTypedNumberGrouping(std::string group) {
    grouping = std::move(group);
}

std::optional<std::string> ReadTypedNumber(std::string_view typed, const TypedNumberFormat& format,
                                           std::string* why, bool signAllowed) {
    auto refuse = [why](std::string reason) -> std::optional<std::string> {
        if (why) *why = std::move(reason);
        return std::nullopt;
    };
    const std::string trimmed = Trimmed(typed);
    typed = trimmed;
    if (typed.empty()) return refuse(kNotADecimalNumber);

    std::string sign;
    if (signAllowed && typed.front() == '-') {
        sign = "-";
        typed.remove_prefix(1);
    }
    const std::size_t mark = typed.find_first_not_of("0123456789");
    const std::string_view whole = typed.substr(0, mark);
    const std::string_view fraction =
        mark == std::string_view::npos ? std::string_view() : typed.substr(mark + 1);
    if (mark == std::string_view::npos) {
        if (whole.empty()) return refuse(kNotADecimalNumber);
        return sign + std::string(whole);
    }
    const char separator = typed[mark];
    const bool decimalMark = separator == '.' || separator == ',';
    const bool digitsOnly = fraction.find_first_not_of("0123456789") == std::string_view::npos;
    if (!decimalMark || !digitsOnly || (whole.empty() && fraction.empty())) {
        // A grouping character of the format (a space, an apostrophe, a narrow no-break space)
        // between digits: say so rather than "not a number".
        const std::string_view rest = typed.substr(mark);
        const bool grouped =
            !format.grouping.empty() && rest.substr(0, format.grouping.size()) == format.grouping;
        if (grouped || separator == ' ' || separator == '\'')
            return refuse("digit grouping is not read: write the digits without it");
        return refuse(kNotADecimalNumber);
    }
    if (separator != format.decimal) {
        const bool isGrouping = format.grouping == std::string(1, separator);
        const std::string plain = std::string(whole) + std::string(fraction);
        const std::string asDecimal = std::string(whole) + format.decimal + std::string(fraction);
        if (isGrouping || fraction.size() == 3) {
            if (fraction.size() == 3 && !whole.empty()) {
                return refuse(std::string("'") + separator + "' may group digits: write " + plain +
                              ", or " + asDecimal + " for a decimal");
            }
            return refuse(std::string("'") + separator + "' is no decimal separator here: write " +
                          (whole.empty() ? "0" : "") + asDecimal);
        }
    }
    std::string plain = sign + (whole.empty() ? "0" : std::string(whole));
    if (!fraction.empty()) plain += "." + std::string(fraction);
    return plain;
}

std::optional<std::string> ReadTypedNumber(std::string_view typed, std::string* why,
                                           bool signAllowed) {
    return ReadTypedNumber(typed, UserNumberFormat(), why, signAllowed);
}

std::optional<double> ReadTypedDouble(std::string_view typed, std::string* why, bool signAllowed) {
    const std::optional<std::string> plain = ReadTypedNumber(typed, why, signAllowed);
    if (!plain) return std::nullopt;
    double value = 0;
    const auto [end, error] = std::from_chars(plain->data(), plain->data() + plain->size(), value);
    if (error != std::errc() || end != plain->data() + plain->size() || !std::isfinite(value)) {
        if (why) *why = kNotADecimalNumber;
        return std::nullopt;
    }
    return value;
}

}  // namespace zepra
