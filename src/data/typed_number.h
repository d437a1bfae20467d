#pragma once
// Every number a user types (an option of zepra-cli, a field of the inspection dialog) is read by
// this one rule, which never takes a digit grouping for a decimal without the user seeing it:
//
// - a number is digits with at most one decimal mark, a minus where the caller allows one, no
//   exponent, no grouping;
// - the decimal separator of the user's number format is the decimal mark;
// - the other of '.' and ',' is a decimal mark too, unless it could be a digit grouping: when it
//   is the number format's grouping character, or when exactly three digits follow it. Such a
//   number is refused with a message that says how to write it.
//
// So under C or English "2.125" is 2.125 and "1,000" and "12,5" are refused; under German
// "12,5" is 12.5 and "1.250" and "12.5" are refused; under French (grouping: a narrow no-break
// space) "12,5" and "12.5" are 12.5, "1.250" and "1 250" are refused.

#include <optional>
#include <string>
#include <string_view>

namespace zepra {

// The reason given for a text that is no number at all.
inline constexpr const char* kNotADecimalNumber = "not a decimal number";

// The text without the blanks around it.
std::string Trimmed(std::string_view text);

// The user's number format as typed numbers meet it: its decimal separator and its grouping
// character (UTF-8; empty when it has none).
struct TypedNumberFormat {
    char decimal = '.';
    std::string grouping = ",";
};

// The program's format: DecimalSeparator() and what SetTypedNumberGrouping set (',' at start).
TypedNumberFormat UserNumberFormat();
void SetTypedNumberGrouping(std::string grouping);

// The typed number (blanks around it ignored) as a plain decimal with '.' ("1234.5", "-3"), or
// empty with the reason in *why ("',' may group digits: write 1000, or 1.000 for a decimal").
std::optional<std::string> ReadTypedNumber(std::string_view typed, const TypedNumberFormat& format,
                                           std::string* why, bool signAllowed = false);
std::optional<std::string> ReadTypedNumber(std::string_view typed, std::string* why,
                                           bool signAllowed = false);

// The same as a double; empty when it is no number or not finite.
std::optional<double> ReadTypedDouble(std::string_view typed, std::string* why,
                                      bool signAllowed = false);

}  // namespace zepra
