#include "charts/chart_math.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numeric>
#include <string>
#include <vector>

namespace zepra {
namespace {

using Labels7 = std::array<std::string, kTrendValueLabels>;
using Labels4 = std::array<std::string, kTrendNumberLabels>;
using Labels12 = std::array<std::string, kHistogramValueLabels>;
using Labels6 = std::array<std::string, kHistogramCountLabels>;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

std::vector<ReadingRecord> Readings(std::vector<double> values) {
    std::vector<ReadingRecord> records;
    for (double v : values) {
        records.push_back({static_cast<std::int32_t>(records.size() + 1), v, {}});
    }
    return records;
}

std::vector<ReadingRecord> Repeated(double value, int count) {
    return Readings(std::vector<double>(static_cast<std::size_t>(count), value));
}

// ---- Trend -------------------------------------------------------------------------------

TEST(TrendChart, TwoReadingsGiveLabelsAndPoints) {
    const TrendChartData chart = ComputeTrendChart(Readings({50, 80}), 0);
    ASSERT_TRUE(chart.drawable);
    EXPECT_EQ(chart.mean, 65);
    EXPECT_EQ(chart.halfSpan, 30);
    EXPECT_EQ(chart.valueLabels, (Labels7{"95", "85", "75", "65", "55", "45", "35"}));
    EXPECT_EQ(chart.numberLabels, (Labels4{"0", "1", "2", "2"}));
    ASSERT_EQ(chart.points.size(), 2u);
    EXPECT_EQ(chart.points[0].x, 367.5f);
    EXPECT_EQ(chart.points[0].y, 373.5f);
    EXPECT_EQ(chart.points[1].x, 735.0f);
    EXPECT_EQ(chart.points[1].y, 124.5f);
}

TEST(TrendChart, AxisLabelsInBothUnits) {
    const struct {
        std::vector<double> values;
        Labels7 micrometres;
        Labels7 mils;
    } cases[] = {
        {{100, 100, 100, 100, 100},
         {"130", "120", "110", "100", "90", "80", "70"},
         {"5.118", "4.724", "4.33", "3.937", "3.543", "3.149", "2.755"}},
        // Truncated toward zero below the axis, with a leading minus sign.
        {{5, 6, 7},
         {"36", "26", "16", "6", "-4", "-14", "-24"},
         {"1.417", "1.023", "0.629", "0.236", "-0.157", "-0.551", "-0.944"}},
    };
    for (const auto& c : cases) {
        const auto readings = Readings(c.values);
        EXPECT_EQ(ComputeTrendChart(readings, 0).valueLabels, c.micrometres);
        EXPECT_EQ(ComputeTrendChart(readings, 1).valueLabels, c.mils);
    }
}

TEST(TrendChart, EqualReadingsLieFlatOnTheMiddleLine) {
    const TrendChartData chart = ComputeTrendChart(Repeated(100, 5), 0);
    ASSERT_EQ(chart.points.size(), 5u);
    for (std::size_t i = 0; i < chart.points.size(); ++i) {
        EXPECT_EQ(chart.points[i].x, static_cast<float>(147.0 * static_cast<double>(i + 1)));
        EXPECT_EQ(chart.points[i].y, 249.0f);
    }
}

TEST(TrendChart, HalfSpanIsTheNextMultipleOfThirtyAboveTheLargestDeviation) {
    const struct {
        std::vector<double> values;
        double halfSpan;
    } cases[] = {
        {{100, 100}, 30},     // no deviation
        {{0, 59.8}, 30},      // 29.9
        {{100, 160}, 60},     // exactly 30
        {{0, 90}, 60},        // 45
        {{10, 10, 100}, 90},  // 60 above the mean, 30 below
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ComputeTrendChart(Readings(c.values), 0).halfSpan, c.halfSpan) << c.values[1];
    }
}

TEST(TrendChart, ReadingNumberLabelsRoundHalvesToEven) {
    const struct {
        int n;
        Labels4 labels;
    } cases[] = {
        {2, {"0", "1", "2", "2"}},
        {3, {"1", "2", "2", "3"}},
        {6, {"2", "3", "4", "6"}},
        {10, {"2", "5", "8", "10"}},
        {50'000, {"12500", "25000", "37500", "50000"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ComputeTrendChart(Repeated(1, c.n), 0).numberLabels, c.labels) << c.n;
    }
}

// Each reading-number label stands under the reading whose number it shows: centred on the
// reading's point, the last one ending on the last point (and so does a label that names the last
// reading too, as the 3/4 label of two readings). Labels of several widths, odd and even.
TEST(TrendChart, ReadingNumberLabelsStandUnderTheirReadings) {
    for (const int n : {2, 3, 4, 5, 7, 80, 1000, 50'000}) {
        const TrendChartData chart = ComputeTrendChart(Repeated(1, n), 0);
        ASSERT_EQ(chart.points.size(), static_cast<std::size_t>(n));
        for (std::size_t i = 0; i < kTrendNumberLabels; ++i) {
            const int named = std::stoi(chart.numberLabels[i]);
            const TrendNumberPlace& place = chart.numberPlaces[i];
            // Reading 0 (the 1/4 label of two readings) has no point; it would stand at 0.
            const double pointX =
                named == 0 ? 0.0 : chart.points[static_cast<std::size_t>(named - 1)].x;
            EXPECT_NEAR(place.x, pointX, 1e-3) << "n " << n << ", label " << i;
            EXPECT_EQ(place.endsAt, named == n) << "n " << n << ", label " << i;
            for (const int width : {81, 40, 15}) {
                const int left = TrendNumberLabelLeft(place, width);
                if (place.endsAt) {
                    EXPECT_EQ(left + width - 1, 735) << "n " << n << ", width " << width;
                } else {
                    EXPECT_LE(std::abs(left + width / 2.0 - pointX), 0.5)
                        << "n " << n << ", label " << i << ", width " << width;
                }
            }
        }
    }
}

TEST(TrendChart, EveryPointStaysInsideThePlot) {
    std::vector<double> values;
    for (int i = 0; i < 500; ++i) {
        values.push_back(static_cast<float>((i * 7919) % 1013) * 1.37f);
    }
    const TrendChartData chart = ComputeTrendChart(Readings(values), 0);
    ASSERT_EQ(chart.points.size(), values.size());
    for (const ChartPoint& p : chart.points) {
        EXPECT_GT(p.y, 0.0f);
        EXPECT_LT(p.y, 498.0f);
        EXPECT_GT(p.x, 0.0f);
        EXPECT_LE(p.x, 735.0f);
    }
    EXPECT_EQ(chart.points.back().x, 735.0f);
}

TEST(TrendChart, FewerThanTwoReadingsDrawNothingAndKeepTheLabels) {
    TrendChartData chart;
    ComputeTrendChart(Readings({50, 80}), 0, chart);
    ComputeTrendChart(Readings({50}), 0, chart);
    EXPECT_FALSE(chart.drawable);
    EXPECT_TRUE(chart.points.empty());
    EXPECT_EQ(chart.valueLabels[0], "95");
    EXPECT_FALSE(ComputeTrendChart({}, 0).drawable);
}

// A NaN or an infinity among the readings is skipped: the scale and the trace are those of the
// finite readings, each at the place of its reading number.
TEST(TrendChart, NonFiniteReadingsAreSkipped) {
    const struct {
        std::vector<double> values;
        Labels4 numberLabels;
        std::vector<float> xs;  // of the points, in order
    } cases[] = {
        {{50, kNaN, 80}, {"1", "2", "2", "3"}, {245.0f, 735.0f}},
        {{kInf, 50, 80}, {"1", "2", "2", "3"}, {490.0f, 735.0f}},
        {{50, 80, -kInf}, {"1", "2", "2", "3"}, {245.0f, 490.0f}},
        {{50, kNaN, kNaN, 80}, {"1", "2", "3", "4"}, {183.75f, 735.0f}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.values));
        const TrendChartData chart = ComputeTrendChart(Readings(c.values), 1);
        ASSERT_TRUE(chart.drawable);
        EXPECT_EQ(chart.mean, 65);
        EXPECT_EQ(chart.halfSpan, 30);
        // 95, 85, ..., 35 micrometres in mils
        EXPECT_EQ(chart.valueLabels,
                  (Labels7{"3.74", "3.346", "2.952", "2.559", "2.165", "1.771", "1.377"}));
        EXPECT_EQ(chart.numberLabels, c.numberLabels);
        ASSERT_EQ(chart.points.size(), 2u);
        EXPECT_EQ(chart.points[0].x, c.xs[0]);
        EXPECT_EQ(chart.points[0].y, 373.5f);
        EXPECT_EQ(chart.points[1].x, c.xs[1]);
        EXPECT_EQ(chart.points[1].y, 124.5f);
    }
    // Fewer than two finite readings: nothing to scale, as with fewer than two readings.
    EXPECT_FALSE(ComputeTrendChart(Readings({kNaN, 50, kInf}), 0).drawable);
    EXPECT_FALSE(ComputeTrendChart(Readings({kNaN, kNaN}), 0).drawable);
}

// ---- Histogram ---------------------------------------------------------------------------

std::vector<int> VisibleBars(const HistogramChartData& chart) {
    std::vector<int> bins;
    for (std::size_t k = 0; k < chart.bars.size(); ++k) {
        if (chart.bars[k].visible) {
            bins.push_back(static_cast<int>(k + 1));
        }
    }
    return bins;
}

TEST(HistogramChart, FiveEqualReadingsFillTheBinStartingAtTheirValue) {
    const auto readings = Repeated(100, 5);
    const HistogramChartData chart = ComputeHistogramChart(readings, 0, 2);
    ASSERT_TRUE(chart.drawable);
    EXPECT_EQ(chart.lo, 98.5);
    EXPECT_EQ(chart.hi, 101.5);
    EXPECT_EQ(chart.binCounts[15], 5);
    EXPECT_EQ(VisibleBars(chart), std::vector<int>{16});
    EXPECT_EQ(chart.bars[15].height, 165);
    EXPECT_EQ(chart.bars[15].top, 330);
    EXPECT_EQ(chart.countAxisTop, 15);
    EXPECT_EQ(chart.countLabels, (Labels6{"2", "5", "7", "10", "12", "15"}));
    EXPECT_EQ(chart.valueLabels, (Labels12{"98.5", "98.6", "98.9", "99.2", "99.5", "99.8", "100.1",
                                           "100.4", "100.7", "101", "101.3", "101.5"}));
    EXPECT_EQ(ComputeHistogramChart(readings, 1, 2).valueLabels,
              (Labels12{"3.877", "3.883", "3.895", "3.907", "3.919", "3.931", "3.942", "3.954",
                        "3.966", "3.978", "3.99", "3.996"}));
}

TEST(HistogramChart, BinsCountsAndBars) {
    const struct {
        std::vector<double> values;
        std::int32_t minimumCount;
        std::vector<int> bins;  // visible bars
        std::int32_t top;       // T
        Labels6 countLabels;
        int barHeight;  // of the first visible bar
        const char* lo;
    } cases[] = {
        {{50, 80}, 2, {2, 29}, 11, {"1", "3", "5", "7", "9", "11"}, 45, "48.5"},
        {{0, 200}, 2, {1, 29}, 11, {"1", "3", "5", "7", "9", "11"}, 45, "0"},  // lo clamped
        {{100}, 1, {16}, 11, {"1", "3", "5", "7", "9", "11"}, 45, "98.5"},
        // Negative readings lie below lo = 0 and are counted nowhere.
        {{-20, 50, 80}, 2, {18, 29}, 11, {"1", "3", "5", "7", "9", "11"}, 45, "0"},
        {{-5, -10}, 2, {}, 10, {"1", "3", "5", "6", "8", "10"}, 0, "0"},
        {std::vector<double>(1000, 100.0),
         2,
         {16},
         1010,
         {"168", "336", "505", "673", "841", "1010"},
         490,
         "98.5"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.values.size() > 1 ? c.values[1] : c.values[0]);
        const HistogramChartData chart =
            ComputeHistogramChart(Readings(c.values), 0, c.minimumCount);
        ASSERT_TRUE(chart.drawable);
        EXPECT_EQ(VisibleBars(chart), c.bins);
        EXPECT_EQ(chart.countAxisTop, c.top);
        EXPECT_EQ(chart.countLabels, c.countLabels);
        EXPECT_EQ(chart.valueLabels[0], c.lo);
        for (int bin : c.bins) {
            const HistogramBar& bar = chart.bars[static_cast<std::size_t>(bin - 1)];
            EXPECT_EQ(bar.height, c.barHeight);
            EXPECT_EQ(bar.top, kHistogramBaseline - c.barHeight);
        }
    }
}

TEST(HistogramChart, TooFewReadingsChangeNothing) {
    EXPECT_FALSE(ComputeHistogramChart(Readings({100}), 0, 2).drawable);
    EXPECT_FALSE(ComputeHistogramChart({}, 0, 1).drawable);
    EXPECT_FALSE(ComputeHistogramChart({}, 0, 0).drawable);
}

TEST(HistogramChart, EveryNonNegativeReadingFallsIntoExactlyOneBin) {
    // Gauge-like single-precision values of many spreads, including repeated extremes.
    for (int spread : {1, 29, 30, 31, 997, 5000}) {
        std::vector<double> values;
        for (int i = 0; i < 400; ++i) {
            values.push_back(static_cast<float>(spread * ((i * 2654435761u) % 1000u) / 999.0));
        }
        const HistogramChartData chart = ComputeHistogramChart(Readings(values), 0, 2);
        const std::int32_t counted =
            std::accumulate(chart.binCounts.begin(), chart.binCounts.end(), 0);
        EXPECT_EQ(counted, 400) << spread;
    }
}

// A NaN or an infinity among the readings falls into no bin and leaves the range to the finite
// readings.
TEST(HistogramChart, NonFiniteReadingsAreSkipped) {
    const HistogramChartData reference = ComputeHistogramChart(Readings({50, 80}), 0, 2);
    for (const auto& values : {std::vector<double>{50, kNaN, 80}, std::vector<double>{kNaN, 50, 80},
                               std::vector<double>{50, 80, kInf, -kInf}}) {
        SCOPED_TRACE(::testing::PrintToString(values));
        const HistogramChartData chart = ComputeHistogramChart(Readings(values), 0, 2);
        ASSERT_TRUE(chart.drawable);
        EXPECT_EQ(chart.lo, 48.5);
        EXPECT_EQ(chart.hi, 81.5);
        EXPECT_EQ(chart.valueLabels, reference.valueLabels);
        EXPECT_EQ(chart.countLabels, reference.countLabels);
        EXPECT_EQ(chart.binCounts, reference.binCounts);
        EXPECT_EQ(VisibleBars(chart), (std::vector<int>{2, 29}));
    }
    // The minimum count is one of finite readings.
    EXPECT_FALSE(ComputeHistogramChart(Readings({kNaN, 100}), 0, 2).drawable);
    const HistogramChartData one = ComputeHistogramChart(Readings({kNaN, 100}), 0, 1);
    ASSERT_TRUE(one.drawable);
    EXPECT_EQ(VisibleBars(one), (std::vector<int>{16}));
    EXPECT_FALSE(ComputeHistogramChart(Readings({kNaN, kInf}), 0, 1).drawable);
}

}  // namespace
}  // namespace zepra
