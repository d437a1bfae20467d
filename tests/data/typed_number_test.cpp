// The one rule for numbers a user types, under the number formats of C/English, German and French.
#include "data/typed_number.h"

#include <gtest/gtest.h>

#include <string>

namespace zepra {
namespace {

const TypedNumberFormat kPoint{'.', ","};            // C, English
const TypedNumberFormat kGerman{',', "."};           // de_DE
const TypedNumberFormat kFrench{',', "\u202f"};      // fr_FR: a narrow no-break space
const TypedNumberFormat kSwissPoint{'.', "\u2019"};  // de_CH: a point and an apostrophe

struct Case {
    const char* what;
    const TypedNumberFormat* format;
    std::string typed;
    std::string plain;  // empty: refused
    std::string why;    // when refused
};

class TypedNumberTest : public testing::TestWithParam<Case> {};

TEST_P(TypedNumberTest, ReadsOrSaysHowToWriteIt) {
    const Case& c = GetParam();
    std::string why;
    const std::optional<std::string> plain = ReadTypedNumber(c.typed, *c.format, &why, true);
    if (c.plain.empty()) {
        EXPECT_FALSE(plain.has_value()) << *plain;
        EXPECT_EQ(why, c.why);
    } else {
        ASSERT_TRUE(plain.has_value()) << why;
        EXPECT_EQ(*plain, c.plain);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, TypedNumberTest,
    testing::Values(
        // The locale's own decimal separator always reads; a grouping never does.
        Case{"point_decimal", &kPoint, "12.5", "12.5", ""},
        Case{"point_mils_three_places", &kPoint, "2.125", "2.125", ""},
        Case{"point_whole", &kPoint, " 1000 ", "1000", ""},
        Case{"point_negative", &kPoint, "-3.5", "-3.5", ""},
        Case{"point_leading_mark", &kPoint, ".5", "0.5", ""},
        Case{"point_thousands", &kPoint, "1,000", "",
             "',' may group digits: write 1000, or 1.000 for a decimal"},
        Case{"point_comma_decimal", &kPoint, "12,5", "",
             "',' is no decimal separator here: write 12.5"},
        Case{"german_decimal", &kGerman, "12,5", "12.5", ""},
        Case{"german_three_places", &kGerman, "1,250", "1.250", ""},
        Case{"german_thousands", &kGerman, "1.250", "",
             "'.' may group digits: write 1250, or 1,250 for a decimal"},
        Case{"german_point_decimal", &kGerman, "12.5", "",
             "'.' is no decimal separator here: write 12,5"},
        Case{"french_decimal", &kFrench, "12,5", "12.5", ""},
        Case{"french_point_decimal", &kFrench, "12.5", "12.5", ""},
        Case{"french_point_three_places", &kFrench, "1.250", "",
             "'.' may group digits: write 1250, or 1,250 for a decimal"},
        Case{"french_grouping", &kFrench, "1\u202f250", "",
             "digit grouping is not read: write the digits without it"},
        Case{"french_space", &kFrench, "1 250", "",
             "digit grouping is not read: write the digits without it"},
        Case{"swiss_comma_decimal", &kSwissPoint, "12,5", "12.5", ""},
        Case{"swiss_comma_thousands", &kSwissPoint, "1,000", "",
             "',' may group digits: write 1000, or 1.000 for a decimal"},
        Case{"swiss_grouping", &kSwissPoint, "1\u2019000", "",
             "digit grouping is not read: write the digits without it"},
        Case{"two_marks", &kPoint, "1.000.5", "", kNotADecimalNumber},
        Case{"exponent", &kPoint, "1e2", "", kNotADecimalNumber},
        Case{"letters", &kGerman, "nan", "", kNotADecimalNumber},
        Case{"empty", &kPoint, "  ", "", kNotADecimalNumber},
        Case{"mark_alone", &kPoint, ".", "", kNotADecimalNumber},
        Case{"plus_sign", &kPoint, "+5", "", kNotADecimalNumber}),
    [](const testing::TestParamInfo<Case>& param) { return std::string(param.param.what); });

TEST(TypedNumber, ASignOnlyWhereTheCallerAllowsOne) {
    std::string why;
    EXPECT_FALSE(ReadTypedNumber("-3", kPoint, &why).has_value());
    EXPECT_EQ(why, kNotADecimalNumber);
    EXPECT_EQ(ReadTypedNumber("-3", kPoint, &why, true), "-3");
}

}  // namespace
}  // namespace zepra
