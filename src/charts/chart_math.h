#pragma once
// The arithmetic of the trend and histogram charts: scales, label texts, bins, bar heights and
// point coordinates. Pure functions without painting; the chart widgets only draw what these
// computed. Coordinates are pixels inside the 737 x 497 plot area, origin top left, y downward.
//
// Readings that are not finite numbers (a NaN or an infinity in a group dump) are skipped: they
// count for neither scale nor bins and get no point or bar, so the other readings are charted as
// usual. The list and the statistics still show them as sent.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "data/measurement_store.h"

namespace zepra {

// ---- Trend -------------------------------------------------------------------------------

inline constexpr int kTrendValueLabels = 7;   // top edge (m + S) down to bottom edge (m - S)
inline constexpr int kTrendNumberLabels = 4;  // reading numbers near 1/4, 1/2, 3/4, and the last

struct ChartPoint {
    float x = 0;
    float y = 0;
};

// Where a reading-number label stands below the plot: its text centred under the reading it
// names, or, for the last reading, ending there (centred, it would stick out past the plot).
struct TrendNumberPlace {
    double x = 0;         // the x of the reading named (reading 0, named when n < 4, at 0)
    bool endsAt = false;  // the last reading: the text ends at x instead of being centred on it
};

struct TrendChartData {
    bool drawable = false;  // at least two finite readings; otherwise only `points` is emptied
    double mean = 0;        // m, micrometres
    double halfSpan = 0;    // S, a multiple of 30 micrometres strictly above the largest deviation
    std::array<std::string, kTrendValueLabels> valueLabels{};    // from top to bottom
    std::array<std::string, kTrendNumberLabels> numberLabels{};  // 1/4, 1/2, 3/4, last
    std::array<TrendNumberPlace, kTrendNumberLabels> numberPlaces{};
    // The finite readings in order, each at the x of its reading number (the last reading at 735,
    // whether finite or not); the trace joins them in this order. Left empty only when the finite
    // readings are too large to sum.
    std::vector<ChartPoint> points;
};

// Fills `chart`, reusing the capacity of chart.points: the real-time trend recomputes every 500 ms
// for up to 50,000 readings.
void ComputeTrendChart(std::span<const ReadingRecord> readings, std::int32_t unitIsMils,
                       TrendChartData& chart);
TrendChartData ComputeTrendChart(std::span<const ReadingRecord> readings, std::int32_t unitIsMils);

// The y of a value (micrometres) on a drawable trend's scale: m + S at 0, m at 249, m - S at 498.
double TrendValueY(const TrendChartData& chart, double micrometres);

// The left edge, in plot pixels, of a reading-number label `width` pixels wide that shows its text
// centred (right-aligned when place.endsAt): the label's middle within half a pixel of the
// reading's x, or its last pixel column on the reading's.
int TrendNumberLabelLeft(const TrendNumberPlace& place, int width);

// ---- Histogram ---------------------------------------------------------------------------

inline constexpr int kHistogramBins = 30;
inline constexpr int kHistogramValueLabels = 12;  // Label0 (lo), Label1..10 (bin centres), Label11
inline constexpr int kHistogramCountLabels = 6;   // Label12 (T/6) .. Label17 (T)
inline constexpr int kHistogramBaseline = 495;    // y on which every bar stands

struct HistogramBar {
    bool visible = false;  // the bin holds at least one reading
    int height = 0;        // whole pixels
    int top = 0;           // kHistogramBaseline - height
};

struct HistogramChartData {
    bool drawable = false;  // at least minimumCount finite readings; otherwise nothing else is set
    double lo = 0;          // left edge of bin 1, micrometres (never below 0)
    double hi = 0;          // right edge of bin 30
    std::array<std::string, kHistogramValueLabels> valueLabels{};  // Label0 .. Label11
    std::array<std::string, kHistogramCountLabels> countLabels{};  // Label12 .. Label17
    std::int32_t countAxisTop = 0;                                 // T = largest count + 10
    std::array<std::int32_t, kHistogramBins> binCounts{};          // bin k at index k - 1
    std::array<HistogramBar, kHistogramBins> bars{};               // bar k at index k - 1
};

// minimumCount (of finite readings): 1 for the current group's window, 2 for every other host.
HistogramChartData ComputeHistogramChart(std::span<const ReadingRecord> readings,
                                         std::int32_t unitIsMils, std::int32_t minimumCount);

}  // namespace zepra
