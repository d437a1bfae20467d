#include "data/thickness_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace zepra {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// Worked results for the general rule and the live reading, both units. Every input is exact in
// single precision, as the gauge sends it.
struct ThicknessCase {
    double value;
    const char* thicknessUm;
    const char* thicknessMils;
    const char* liveReading;
    const char* liveUnit;
    const char* liveList;
    const char* liveMils;
};

constexpr ThicknessCase kThicknessCases[] = {
    {-1.25, "-1.3", "-0.049", "-1.2", "um", "-1.2", "-0.048"},
    {0, "0", "0", "0", "um", "0", "0"},
    {7.25, "7.3", "0.285", "7.3", "um", "7.3", "0.285"},
    {12.375, "12.4", "0.487", "12.4", "um", "12.4", "0.487"},
    {49.5, "49.5", "1.949", "49.5", "um", "49.5", "1.949"},
    {49.96875, "50", "1.967", "50", "um", "50", "1.967"},
    {50, "50", "1.97", "50", "um", "50", "1.97"},
    {123.5, "124", "4.86", "124", "um", "124", "4.86"},
    {124.5, "125", "4.9", "125", "um", "125", "4.9"},
    {849.5, "850", "33.44", "850", "um", "850", "33.44"},
    {850, "850", "33.5", "0.85", "mm", "850", "33.5"},
    {854.5, "854", "33.6", "0.85", "mm", "854", "33.6"},
    {855, "855", "33.7", "0.86", "mm", "855", "33.7"},
    {1000, "1000", "39.4", "1", "mm", "1000", "39.4"},
    {1234.5, "1234", "48.6", "1.23", "mm", "1234", "48.6"},
};

TEST(ThicknessFormat, WorkedValuesInBothUnitsAndBothRules) {
    for (const ThicknessCase& c : kThicknessCases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(FormatThickness(c.value, 0), c.thicknessUm);
        EXPECT_EQ(FormatThickness(c.value, 1), c.thicknessMils);

        const LiveReadingText um = FormatLiveReading(c.value, 0);
        EXPECT_EQ(um.reading, c.liveReading);
        EXPECT_EQ(um.unit, c.liveUnit);
        EXPECT_EQ(um.list, c.liveList);

        const LiveReadingText mils = FormatLiveReading(c.value, 1);
        EXPECT_EQ(mils.reading, c.liveMils);
        EXPECT_EQ(mils.unit, "mils");
        EXPECT_EQ(mils.list, c.liveMils);
    }
}

TEST(NumberToText, ShortestPlainDecimalWithAtMostFifteenDigits) {
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {12.0, "12"},
        {4.90, "4.9"},
        {0.85, "0.85"},
        {-0.5, "-0.5"},
        {-1234.5, "-1234.5"},
        {0.1 + 0.2, "0.3"},
        {1.0 / 3.0, "0.333333333333333"},
        {2.0 / 3.0 * 1000, "666.666666666667"},
        {999999.9999999999, "1000000"},
        {1e6, "1000000"},
        {1e-4, "0.0001"},
        {1.5e-7, "0.00000015"},
        {1e20, "100000000000000000000"},
        {123456789012345678.0, "123456789012346000"},
        {-0.0, "0"},
        {kNaN, "NaN"},
        {kInf, "Inf"},
        {-kInf, "-Inf"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NumberToText(c.value), c.text) << c.value;
    }
    EXPECT_EQ(NumberToText(std::int32_t{-2147483647 - 1}), "-2147483648");
    EXPECT_EQ(NumberToText(std::int32_t{42}), "42");
}

TEST(NumberToText, UsesTheChosenDecimalSeparator) {
    SetDecimalSeparator(',');
    EXPECT_EQ(NumberToText(12.5), "12,5");
    EXPECT_EQ(FormatThickness(12.375, 0), "12,4");
    EXPECT_EQ(NumberToText(0.0001), "0,0001");
    EXPECT_EQ(NumberToText(1500.0), "1500");
    SetDecimalSeparator('.');
    EXPECT_EQ(NumberToText(12.5), "12.5");
}

TEST(ThicknessFormat, TruncationToNegativeZeroIsWrittenZero) {
    EXPECT_EQ(FormatThickness(-0.04, 0), "0");
    EXPECT_EQ(FormatThickness(-0.0001, 1), "0");
    EXPECT_EQ(FormatLiveReading(-0.06, 0).reading, "0");
    EXPECT_EQ(FormatLiveReading(-0.001, 1).reading, "0");
    EXPECT_EQ(FormatStatistic(-0.05, 0, StatisticFigure::Mean), "0");
    EXPECT_EQ(FormatStatisticInMils(-0.0001), "0");
}

TEST(ThicknessFormat, NotANumberAndInfinityAreWrittenNotConverted) {
    for (std::int32_t unit : {0, 1}) {
        EXPECT_EQ(FormatThickness(kNaN, unit), "NaN");
        EXPECT_EQ(FormatThickness(kInf, unit), "Inf");
        EXPECT_EQ(FormatThickness(-kInf, unit), "-Inf");
        EXPECT_EQ(FormatLiveReading(kNaN, unit).reading, "NaN");
        EXPECT_EQ(FormatStatistic(kInf, unit, StatisticFigure::Extreme), "Inf");
        EXPECT_EQ(FormatStatistic(-kInf, unit, StatisticFigure::Mean), "-Inf");
    }
    const LiveReadingText huge = FormatLiveReading(kInf, 0);
    EXPECT_EQ(huge.reading, "Inf");
    EXPECT_EQ(huge.unit, "mm");
    EXPECT_EQ(huge.list, "Inf");
    EXPECT_EQ(FormatStatisticInMils(kNaN), "NaN");
    EXPECT_TRUE(std::isnan(Truncate(kNaN)));
    EXPECT_EQ(Truncate(-kInf), -kInf);
    EXPECT_EQ(Truncate(-2.7), -2.0);
}

TEST(ThicknessFormat, ValuesFarOutsideTheGaugeRangeStayPlainDecimal) {
    // A single-precision value can reach 3.4e38; no exponent and no integer overflow.
    EXPECT_EQ(FormatThickness(1e20, 0), "100000000000000000000");
    EXPECT_EQ(FormatLiveReading(-1e20, 0).reading, "-100000000000000000000");
    EXPECT_EQ(FormatThickness(3.4e38, 1).size(), 38u);
}

TEST(FormatStatistic, TruncatesInBothUnits) {
    const struct {
        double value;
        const char* um;
        const char* mils;
    } cases[] = {
        {99.5, "99.5", "3.917"}, {99.99, "99.9", "3.93"},   {100, "100", "3.93"},
        {123.45, "123", "4.86"}, {8.16497, "8.1", "0.321"}, {99.9, "99.9", "3.93"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        for (StatisticFigure figure : {StatisticFigure::Extreme, StatisticFigure::Mean}) {
            EXPECT_EQ(FormatStatistic(c.value, 0, figure), c.um);
            EXPECT_EQ(FormatStatistic(c.value, 1, figure), c.mils);
        }
    }
    // A deviation already in mils is not divided again.
    EXPECT_EQ(FormatStatisticInMils(8.16497 / 25.4), "0.321");
    EXPECT_EQ(FormatStatisticInMils(3.9399), "3.93");
    EXPECT_EQ(FormatStatisticInMils(3.9299), "3.929");
}

TEST(FormatStatistic, MeanInMilsMultipliesBeforeDividing) {
    // trunc(x / 25.4 * 1000) and trunc(x * 1000 / 25.4) differ for this value.
    const double x = 17 * 0.0254;
    EXPECT_EQ(FormatStatistic(x, 1, StatisticFigure::Extreme), "0.016");
    EXPECT_EQ(FormatStatistic(x, 1, StatisticFigure::Mean), "0.017");
    EXPECT_EQ(FormatStatistic(103.124, 1, StatisticFigure::Extreme), "4.05");
    EXPECT_EQ(FormatStatistic(103.124, 1, StatisticFigure::Mean), "4.06");
}

}  // namespace
}  // namespace zepra
