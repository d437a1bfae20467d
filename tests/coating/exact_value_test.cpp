#include "coating/exact_value.h"
#include "coating/number_texts.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace zepra::coating {
namespace {

ExactValue Um(const char* text) {
    return *ParseDecimal(text, Unit::Micrometres, nullptr);
}
ExactValue Mils(const char* text) {
    return *ParseDecimal(text, Unit::Mils, nullptr);
}

TEST(ExactValue, DecimalsCompareAsWritten) {
    EXPECT_EQ(Um("0.1") + Um("0.2"), Um("0.3"));
    EXPECT_EQ(Mils("1"), Um("25.4"));
    EXPECT_EQ(Mils("10"), Um("254"));
    EXPECT_EQ(Mils("4") * 5, Mils("5") * 4);       // 4 mils is 80 % of 5 mils
    EXPECT_EQ(Um("102") * 5, Um("127.5") * 4);     // 80 % of 127.5
    EXPECT_LT(Um("30.299999999999"), Um("30.3"));  // twelve places still count
    EXPECT_EQ(Um("12,5"), Um("12.5"));             // a decimal comma
    EXPECT_EQ(Um("5."), Um("5"));
    EXPECT_EQ(Um("0.1000000000000000000"), Um("0.1"));  // trailing zeros say nothing
    EXPECT_EQ(Um("0.1") * 1'000'000, Um("100000"));
    EXPECT_EQ(Um("125") - Um("25"), Um("100"));
}

TEST(ExactValue, TextsThatAreNoThicknessAreRefused) {
    const std::pair<const char*, const char*> cases[] = {
        {"", "not a decimal number"},
        {".", "not a decimal number"},
        {"1.2.3", "not a decimal number"},
        {"1e3", "not a decimal number"},
        {"nan", "not a decimal number"},
        {"inf", "not a decimal number"},
        {" 5", "not a decimal number"},
        {"+5", "not a decimal number"},
        {"-5", "negative"},
        {"0.0000000000001", "more than 12 decimal places"},
        {"100000.000000000001", "above 100 mm"},
        {"12345678", "above 100 mm"},
        {"99999999999999999999999999999999999999999", "too many digits"},
    };
    for (const auto& [text, why] : cases) {
        SCOPED_TRACE(text);
        std::string reason;
        EXPECT_FALSE(ParseDecimal(text, Unit::Micrometres, &reason));
        EXPECT_EQ(reason, why);
    }
    // 100 mm is 3937.007874015748... mils: twelve places of mils just below it pass, 3937.008
    // does not.
    EXPECT_TRUE(ParseDecimal("100000", Unit::Micrometres, nullptr));
    EXPECT_TRUE(ParseDecimal("3937.007874015748", Unit::Mils, nullptr));
    EXPECT_FALSE(ParseDecimal("3937.008", Unit::Mils, nullptr));
}

TEST(ExactValue, GaugeFloatsAreTheirShortestDecimal) {
    EXPECT_EQ(ShortestDecimal(30.3f), "30.3");
    EXPECT_EQ(ShortestDecimal(100.1f), "100.1");
    EXPECT_EQ(ShortestDecimal(1234.5), "1234.5");
    EXPECT_EQ(ShortestDecimal(0.1), "0.1");  // a double that is no float: its own shortest
    EXPECT_EQ(ShortestDecimal(std::numeric_limits<double>::quiet_NaN()), "NaN");
    EXPECT_EQ(*ExactOf(Thickness{30.3f}, nullptr), Um("30.3"));
    EXPECT_EQ(*ExactOf(Thickness{100.1f}, nullptr) + *ExactOf(Thickness{99.9f}, nullptr),
              Um("200"));
    std::string why;
    EXPECT_FALSE(ExactOf(Thickness{std::numeric_limits<double>::infinity()}, &why));
    EXPECT_EQ(why, "not a number");
    EXPECT_FALSE(ExactOf(Thickness{1e-30f}, &why));  // no thickness at all
}

TEST(ExactValue, DecimalTextsAreExactOrMarkedCut) {
    struct Case {
        ExactValue value;
        std::int64_t denominator;
        Unit unit;
        int places;
        const char* text;
    };
    const Case cases[] = {
        {Mils("3"), 1, Unit::Mils, 3, "3"},
        {Mils("12"), 3, Unit::Mils, 3, "4"},
        {Um("30"), 3, Unit::Micrometres, 2, "10"},
        {Um("31"), 3, Unit::Micrometres, 2, "10.33..."},
        {Um("100"), 1, Unit::Mils, 3, "3.937..."},
        {Um("254"), 1, Unit::Mils, 3, "10"},
        {Um("8.08"), 1, Unit::Micrometres, 2, "8.08"},
        {Um("0.005"), 1, Unit::Micrometres, 2, "0.00..."},
        {Um("10") - Um("40"), 1, Unit::Micrometres, 2, "-30"},
        {Um("0.125") - Um("1"), 1, Unit::Micrometres, 2, "-0.87..."},
        {ExactValue(), 1, Unit::Micrometres, 2, "0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(DecimalText(c.value.units(), c.denominator, c.unit, c.places), c.text);
    }
}

}  // namespace
}  // namespace zepra::coating
