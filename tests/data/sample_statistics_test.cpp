#include "data/sample_statistics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "data/thickness_format.h"

namespace zepra {
namespace {

std::vector<ReadingRecord> Readings(std::initializer_list<double> values) {
    std::vector<ReadingRecord> records;
    for (double v : values) {
        records.push_back({static_cast<std::int32_t>(records.size() + 1), v, {}});
    }
    return records;
}

TEST(SampleStatistics, OneReadingHasNoDeviationUnderEitherRule) {
    const auto readings = Readings({25});
    for (std::int32_t unit : {0, 1}) {
        for (const SampleStatistics& s :
             {GroupStatistics(readings, unit), CaptureStatistics(readings, unit)}) {
            EXPECT_EQ(s.count, 1);
            EXPECT_EQ(s.maximum, 25);
            EXPECT_EQ(s.minimum, 25);
            EXPECT_EQ(s.mean, 25);
            EXPECT_EQ(s.deviation, 0);
        }
    }
}

TEST(SampleStatistics, GroupDividesByNMinusOneCaptureByN) {
    const auto readings = Readings({20, 30, 10});
    const SampleStatistics group = GroupStatistics(readings, 0);
    EXPECT_EQ(group.count, 3);
    EXPECT_EQ(group.maximum, 30);
    EXPECT_EQ(group.minimum, 10);
    EXPECT_EQ(group.mean, 20);
    EXPECT_DOUBLE_EQ(group.deviation, 10);
    EXPECT_EQ(std::string(labels::kDeviation) + FormatThickness(group.deviation, 0),
              "Std.dev.:  10");

    const SampleStatistics capture = CaptureStatistics(readings, 0);
    EXPECT_DOUBLE_EQ(capture.deviation, std::sqrt(200.0 / 3));
    EXPECT_EQ(FormatStatistic(capture.deviation, 0, StatisticFigure::Extreme), "8.1");
    EXPECT_EQ(FormatRebuiltStatistic(capture.deviation, 0, RebuiltFigure::Deviation), "8.1");
}

TEST(SampleStatistics, MilsDeviationIsInMicrometresForGroupsAndMilsForCaptures) {
    const auto readings = Readings({10, 20, 30});
    const SampleStatistics group = GroupStatistics(readings, 1);
    EXPECT_NEAR(group.deviation, 10, 1e-12);
    EXPECT_EQ(FormatThickness(group.deviation, 1), "0.394");

    const SampleStatistics capture = CaptureStatistics(readings, 1);
    EXPECT_NEAR(capture.deviation, std::sqrt(200.0 / 3) / 25.4, 1e-12);
    EXPECT_EQ(FormatStatisticInMils(capture.deviation), "0.321");
    EXPECT_EQ(FormatRebuiltStatistic(capture.deviation, 1, RebuiltFigure::Deviation), "0.321");
}

TEST(SampleStatistics, EmptyListGivesZeroCountInsteadOfReadingPastTheEnd) {
    const SampleStatistics s = CaptureStatistics({}, 0);
    EXPECT_EQ(s.count, 0);
    EXPECT_EQ(GroupStatistics({}, 1).count, 0);
}

TEST(SampleStatistics, NotANumberReadingDoesNotStopTheComputation) {
    const auto readings = Readings({10, std::numeric_limits<double>::quiet_NaN(), 30});
    const SampleStatistics s = GroupStatistics(readings, 0);
    EXPECT_EQ(s.maximum, 30);
    EXPECT_EQ(s.minimum, 10);
    EXPECT_TRUE(std::isnan(s.mean));
    EXPECT_EQ(FormatThickness(s.deviation, 0), "NaN");
}

TEST(StatisticLabels, GroupWindowLines) {
    const auto readings = Readings({10, 20, 30});
    const SampleStatistics s = GroupStatistics(readings, 0);
    EXPECT_EQ(labels::kGroupCount + NumberToText(s.count), "Counts:   3");
    EXPECT_EQ(labels::kGroupMax + FormatThickness(s.maximum, 0), "Max:  30");
    EXPECT_EQ(labels::kGroupMin + FormatThickness(s.minimum, 0), "Min:  10");
    EXPECT_EQ(labels::kGroupMean + FormatThickness(s.mean, 0), "Mean:  20");
    EXPECT_EQ(UnitLine(0), "Unit:        um");
    EXPECT_EQ(UnitLine(1), "Unit:       mils");
}

TEST(FormatRebuiltStatistic, ChoosesDecimalsOnTheMicrometreValue) {
    const struct {
        double value;
        std::int32_t unit;
        RebuiltFigure figure;
        const char* text;
    } cases[] = {
        {99.9, 1, RebuiltFigure::Extreme, "3.933"},  // 3.933 mils, but below 100 um
        {100, 1, RebuiltFigure::Extreme, "3.93"},
        {150, 0, RebuiltFigure::Mean, "150"},
        {12.34, 0, RebuiltFigure::Extreme, "12.3"},
        {17 * 0.0254, 1, RebuiltFigure::Mean, "0.017"},  // factor before the division
        {4.0, 1, RebuiltFigure::Deviation, "4"},
        {3.9299, 1, RebuiltFigure::Deviation, "3.929"},
        {-0.05, 0, RebuiltFigure::Mean, "0"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatRebuiltStatistic(c.value, c.unit, c.figure), c.text) << c.value;
    }
    // After a sample the mils maximum of 99.9 um reads with two decimals.
    EXPECT_EQ(FormatStatistic(99.9, 1, StatisticFigure::Extreme), "3.93");
}

TEST(FormatRebuiltListText, TruncatesAndDividesBeforeScaling) {
    const struct {
        double value;
        std::int32_t unit;
        const char* text;
    } cases[] = {
        {30, 1, "1.181"},    {20, 1, "0.787"}, {10, 1, "0.393"},          {1234.5, 0, "1234"},
        {12.375, 0, "12.3"}, {254, 1, "10"},   {17 * 0.0254, 1, "0.016"}, {103.124, 1, "4.05"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatRebuiltListText(c.value, c.unit), c.text) << c.value;
    }
}

TEST(FormatAxisValue, TruncatesTowardZeroWithoutThresholds) {
    const struct {
        double value;
        const char* um;
        const char* mils;
    } cases[] = {
        {130, "130", "5.118"},   {100, "100", "3.937"},  {70, "70", "2.755"},
        {-4, "-4", "-0.157"},    {-14, "-14", "-0.551"}, {-24, "-24", "-0.944"},
        {98.5, "98.5", "3.877"}, {-0.05, "0", "-0.001"}, {-0.02, "0", "0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(FormatAxisValue(c.value, 0), c.um);
        EXPECT_EQ(FormatAxisValue(c.value, 1), c.mils);
    }
    EXPECT_EQ(FormatAxisValue(-std::numeric_limits<double>::infinity(), 0), "-Inf");
}

TEST(MeasurementStore, InitialiseEmptiesEveryListAndGoesIdleInMicrometres) {
    MeasurementStore store;
    store.realTimeSamples.readingCount = 3;
    store.currentGroupSlot.readingCount = 5;
    for (GroupSlot& slot : store.groupSlots) {
        slot.readingCount = 12;
    }
    store.unitIsMils = 1;
    store.receiveMode = ModeLive;
    store.expectedBytes = 28;
    store.allGroupsStage = 2;

    InitialiseStore(store);

    EXPECT_EQ(store.realTimeSamples.readingCount, 0);
    EXPECT_EQ(store.currentGroupSlot.readingCount, 0);
    for (int group = 1; group <= 4; ++group) {
        EXPECT_EQ(store.groupSlot(group).readingCount, 0);
    }
    EXPECT_EQ(store.unitIsMils, 0);
    EXPECT_EQ(store.receiveMode, ModeIdle);
    EXPECT_EQ(store.expectedBytes, 28);  // left for the next download to set
    EXPECT_EQ(store.allGroupsStage, 2);
    EXPECT_EQ(store.realTimeSamples.readings.size(), 50'000u);
}

}  // namespace
}  // namespace zepra
