// The report's chart ticks: round values (1, 2 or 5 x 10^n) inside the range, about as many as
// asked, counts in whole numbers, texts with the digits the step needs.

#include "pdf_report/chart_axes.h"

#include <gtest/gtest.h>

#include <limits>

#include "data/thickness_format.h"

namespace zepra::inspection {
namespace {

std::vector<std::string> Texts(const std::vector<AxisTick>& ticks) {
    std::vector<std::string> texts;
    for (const AxisTick& tick : ticks) texts.push_back(tick.text);
    return texts;
}

TEST(RoundTicks, StandOnRoundValuesInsideTheRange) {
    const struct {
        double lo;
        double hi;
        int wanted;
        bool whole;
        std::vector<std::string> texts;
    } cases[] = {
        // The trend of the gauge software labelled 40.1, 60.1, 80.1 ... here.
        {40.1, 220.1, 6, false, {"50", "100", "150", "200"}},
        {70.0, 160.25, 6, false, {"80", "100", "120", "140", "160"}},
        {2.756, 6.308, 6, false, {"3", "4", "5", "6"}},
        {2.756, 6.308, 10, false, {"3.0", "3.5", "4.0", "4.5", "5.0", "5.5", "6.0"}},
        {0.0921, 0.1402, 5, false, {"0.10", "0.11", "0.12", "0.13", "0.14"}},
        {-30, 30, 6, false, {"-30", "-20", "-10", "0", "10", "20", "30"}},
        // Counts: whole numbers, never 1.83.
        {0, 11, 6, true, {"0", "2", "4", "6", "8", "10"}},
        {0, 3, 6, true, {"0", "1", "2", "3"}},
        {0, 1010, 6, true, {"0", "200", "400", "600", "800", "1000"}},
        {0, 2, 5, true, {"0", "1", "2"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.lo) + " to " + std::to_string(c.hi));
        const std::vector<AxisTick> ticks = RoundTicks(c.lo, c.hi, c.wanted, c.whole);
        EXPECT_EQ(Texts(ticks), c.texts);
        for (const AxisTick& tick : ticks) {
            EXPECT_GE(tick.value, c.lo - 1e-9);
            EXPECT_LE(tick.value, c.hi + 1e-9);
        }
    }
}

TEST(RoundTicks, NothingForAnEmptyOrEndlessRange) {
    EXPECT_TRUE(RoundTicks(5, 5, 6).empty());
    EXPECT_TRUE(RoundTicks(6, 5, 6).empty());
    EXPECT_TRUE(RoundTicks(0, std::numeric_limits<double>::infinity(), 6).empty());
    EXPECT_TRUE(RoundTicks(std::numeric_limits<double>::quiet_NaN(), 1, 6).empty());
}

TEST(RoundTicks, WriteTheProgramsDecimalSeparator) {
    SetDecimalSeparator(',');
    EXPECT_EQ(Texts(RoundTicks(2.9, 3.6, 4)),
              (std::vector<std::string>{"3,0", "3,2", "3,4", "3,6"}));
    SetDecimalSeparator('.');
}

}  // namespace
}  // namespace zepra::inspection
