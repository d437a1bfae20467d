#pragma once
// TrendChart and HistogramChart: apply what the chart arithmetic computed to a host's chart area
// and axis labels. The hosts are the group windows and the two real-time chart windows; each
// passes its own list and its own label controls.

#include <array>
#include <cstdint>
#include <span>

#include "charts/chart_area.h"
#include "charts/chart_math.h"
#include "data/measurement_store.h"

class QLabel;

namespace zepra {

struct TrendLabelSet {
    std::array<QLabel*, kTrendValueLabels> values{};    // top edge (m + S) down to bottom (m - S)
    std::array<QLabel*, kTrendNumberLabels> numbers{};  // reading numbers: 1/4, 1/2, 3/4, last
};

struct HistogramLabelSet {
    std::array<QLabel*, kHistogramValueLabels> values{};  // Label0 .. Label11
    std::array<QLabel*, kHistogramCountLabels> counts{};  // Label12 .. Label17
    QLabel* zero = nullptr;                               // Label31 ("0"); none in real time
};

// Fewer than two readings: nothing changes. Otherwise sets the captions, moves each reading-number
// label sideways under the reading it names (the window's layout gives only their row), and draws
// the trace over
// what the area shows (it does not erase: the hosts do that first where they need it).
// `scratch` keeps the points' storage between calls of a host that redraws often.
void TrendChart(std::span<const ReadingRecord> readings, std::int32_t unitIsMils, ChartArea& area,
                const TrendLabelSet& labels, TrendChartData& scratch);
void TrendChart(std::span<const ReadingRecord> readings, std::int32_t unitIsMils, ChartArea& area,
                const TrendLabelSet& labels);

// Fewer than minimumCount readings (2, or 1 for the current group's window): nothing changes.
// Otherwise sets the captions, binCounts (bin k at index k - 1) and the bars.
void HistogramChart(std::span<const ReadingRecord> readings, std::int32_t unitIsMils,
                    std::int32_t minimumCount, ChartArea& area, const HistogramLabelSet& labels,
                    std::array<std::int32_t, kHistogramBins>& binCounts);

}  // namespace zepra
