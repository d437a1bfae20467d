#include "coating/exact_value.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace zepra::coating {
namespace {

ExactValue Um(double v) {
    return ExactValue(Thickness{v, Unit::Micrometres});
}
ExactValue Mils(double v) {
    return ExactValue(Thickness{v, Unit::Mils});
}

struct CompareCase {
    const char* what;
    ExactValue a;
    ExactValue b;
    int expected;
};

TEST(ExactValue, ComparesSumsAndMultiplesWithoutRounding) {
    const double below80 = std::nextafter(80.0, 0.0);
    const double tiny = std::numeric_limits<double>::denorm_min();
    const CompareCase cases[] = {
        {"equal values", Um(80), Um(80), 0},
        {"one step apart", Um(below80), Um(80), -1},
        {"80 % of 100, as 5 x against 4 NDFT", Um(80) * 5, Um(100) * 4, 0},
        {"just below 80 % of 100", Um(below80) * 5, Um(100) * 4, -1},
        // 0.8 * 127.5 in doubles is not 102; 5 * 102 = 4 * 127.5 exactly.
        {"80 % of 127.5", Um(102) * 5, Um(127.5) * 4, 0},
        {"4 mils is 80 % of 5 mils", Mils(4) * 5, Mils(5) * 4, 0},
        {"10 mils are 254 um", Mils(10), Um(254), 0},
        // The double nearest 25.4 lies below 25.4.
        {"1 mil above the double 25.4", Mils(1), Um(25.4), 1},
        {"0.1 + 0.2 as stored is above the double 0.3", Um(0.1) + Um(0.2), Um(0.3), 1},
        {"a sum a double cannot hold", Um(1e16) + Um(1) + Um(1), Um(1e16) + Um(2), 0},
        {"float sum of 100.1f and 99.9f is 200", Um(100.1f) + Um(99.9f), Um(200), 0},
        {"difference", Um(125) - Um(25), Um(100), 0},
        {"difference just below", Um(std::nextafter(125.0, 0.0)) - Um(25), Um(100), -1},
        {"negative against zero", Um(-1), ExactValue(), -1},
        {"zero against negative zero", Um(0), Um(-0.0), 0},
        {"smallest subnormal above zero", Um(tiny), ExactValue(), 1},
        {"two subnormals", Um(tiny) * 2, Um(2 * tiny), 0},
        {"largest double", Um(std::numeric_limits<double>::max()) * 3,
         Um(std::numeric_limits<double>::max()) * 2 + Um(std::numeric_limits<double>::max()), 0},
        {"many readings", Um(0.1) * 50000, Um(0.1) * 49999 + Um(0.1), 0},
    };
    for (const CompareCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Compare(c.a, c.b), c.expected);
        EXPECT_EQ(Compare(c.b, c.a), -c.expected);
    }
}

}  // namespace
}  // namespace zepra::coating
