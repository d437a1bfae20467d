#include "charts/chart_math.h"

#include <cmath>

#include "data/sample_statistics.h"
#include "data/thickness_format.h"

namespace zepra {

namespace {

constexpr double kTrendWidth = 735;   // x of the last reading
constexpr double kTrendMiddle = 249;  // y of the mean; m + S at 0, m - S at 498
constexpr double kSpanStep = 30;      // the half-span is a multiple of this, micrometres

}  // namespace

void ComputeTrendChart(std::span<const ReadingRecord> readings, std::int32_t unitIsMils,
                       TrendChartData& chart) {
    chart.points.clear();
    // Scale and trace come from the finite readings; the others keep their place on the
    // reading-number axis but get no point.
    const auto n = static_cast<std::int32_t>(readings.size());
    std::int32_t finite = 0;
    double sum = 0;
    double max = 0;
    double min = 0;
    for (const ReadingRecord& record : readings) {
        if (!std::isfinite(record.value)) {
            continue;
        }
        if (finite++ == 0) {
            max = record.value;
            min = record.value;
        }
        sum += record.value;
        if (max < record.value) {
            max = record.value;
        }
        if (min > record.value) {
            min = record.value;
        }
    }
    chart.drawable = finite >= 2;
    if (!chart.drawable) {
        return;
    }

    // Each label names a reading and stands at that reading's x, as the points do.
    const double step = kTrendWidth / n;
    const double named[kTrendNumberLabels] = {std::nearbyint(n / 4.0), std::nearbyint(n / 2.0),
                                              std::nearbyint((n * 3) / 4.0),
                                              static_cast<double>(n)};
    for (std::size_t i = 0; i < kTrendNumberLabels; ++i) {
        chart.numberLabels[i] = NumberToText(named[i]);
        chart.numberPlaces[i] = {named[i] * step, named[i] == n};
    }

    const double m = sum / finite;
    const double a = max - m;
    const double b = m - min;
    const double d = b >= a ? b : a;
    const double s = d > 0 ? (Truncate(d / kSpanStep) + 1) * kSpanStep : kSpanStep;
    chart.mean = m;
    chart.halfSpan = s;

    const double values[kTrendValueLabels] = {
        s + m, s * 2 / 3 + m, s / 3 + m, m, m - s / 3, m - s * 2 / 3, m - s,
    };
    for (int i = 0; i < kTrendValueLabels; ++i) {
        chart.valueLabels[static_cast<std::size_t>(i)] = FormatAxisValue(values[i], unitIsMils);
    }

    if (!std::isfinite(m) || !std::isfinite(s)) {
        return;  // finite readings whose sum overflows: no sensible scale
    }
    chart.points.reserve(static_cast<std::size_t>(finite));
    for (std::size_t i = 0; i < readings.size(); ++i) {
        if (!std::isfinite(readings[i].value)) {
            continue;
        }
        const double x = static_cast<double>(i + 1) * step;
        const double y = TrendValueY(chart, readings[i].value);
        chart.points.push_back({static_cast<float>(x), static_cast<float>(y)});
    }
}

TrendChartData ComputeTrendChart(std::span<const ReadingRecord> readings, std::int32_t unitIsMils) {
    TrendChartData chart;
    ComputeTrendChart(readings, unitIsMils, chart);
    return chart;
}

double TrendValueY(const TrendChartData& chart, double micrometres) {
    return kTrendMiddle - (micrometres - chart.mean) * kTrendMiddle / chart.halfSpan;
}

int TrendNumberLabelLeft(const TrendNumberPlace& place, int width) {
    if (place.endsAt) return static_cast<int>(std::floor(place.x)) + 1 - width;
    return static_cast<int>(std::lround(place.x - width / 2.0));
}

HistogramChartData ComputeHistogramChart(std::span<const ReadingRecord> readings,
                                         std::int32_t unitIsMils, std::int32_t minimumCount) {
    HistogramChartData chart;
    // Range and bins come from the finite readings; the others fall into no bin.
    std::int64_t finite = 0;
    double max = 0;
    double min = 0;
    for (const ReadingRecord& record : readings) {
        if (!std::isfinite(record.value)) {
            continue;
        }
        if (finite++ == 0) {
            max = record.value;
            min = record.value;
        }
        if (record.value > max) {
            max = record.value;
        }
        if (record.value < min) {
            min = record.value;
        }
    }
    if (finite < 1 || finite < minimumCount) {
        return chart;
    }
    chart.drawable = true;

    double r = max - min;
    if (r < 30) {
        r = 30;
    }
    double lo = min - r * 0.05;
    if (lo < 0) {
        lo = 0;
    }
    const double hi = r * 0.05 + max;
    chart.lo = lo;
    chart.hi = hi;

    chart.valueLabels[0] = FormatAxisValue(lo, unitIsMils);
    for (int label = 1; label <= 10; ++label) {
        const int c = 6 * label - 3;  // 3, 9, ..., 57: centres of bins 2, 5, ..., 29
        chart.valueLabels[static_cast<std::size_t>(label)] =
            FormatAxisValue((hi - lo) / 60 * c + lo, unitIsMils);
    }
    chart.valueLabels[11] = FormatAxisValue(hi, unitIsMils);

    // Bins outside, readings inside; both edges come from the same expression, so neighbouring
    // bins share an edge exactly and every reading from lo up lands in one bin.
    for (int k = 1; k <= kHistogramBins; ++k) {
        std::int32_t count = 0;
        for (const ReadingRecord& record : readings) {
            const double lower = (hi - lo) * (k - 1) / 30 + lo;
            const double upper = (hi - lo) * k / 30 + lo;
            if (lower <= record.value && upper > record.value) {
                ++count;
            }
        }
        chart.binCounts[static_cast<std::size_t>(k - 1)] = count;
    }

    std::int32_t maxCount = 0;
    for (std::int32_t count : chart.binCounts) {
        if (count > maxCount) {
            maxCount = count;
        }
    }
    // maxCount never exceeds the 50,000 readings of a capture, so the conversions are exact.
    const double t = std::nearbyint((maxCount / 10.0 + 1) * 10);
    chart.countAxisTop = static_cast<std::int32_t>(t);
    for (int i = 1; i <= 5; ++i) {
        chart.countLabels[static_cast<std::size_t>(i - 1)] = NumberToText(Truncate(t / 6 * i));
    }
    chart.countLabels[5] = NumberToText(chart.countAxisTop);

    for (std::size_t k = 0; k < chart.bars.size(); ++k) {
        HistogramBar& bar = chart.bars[k];
        if (chart.binCounts[k] == 0) {
            continue;
        }
        // The height is handed to the bar element as a single-precision pixel value, which the
        // element takes in whole pixels.
        const auto height = static_cast<float>(chart.binCounts[k] * 495 / t);
        bar.visible = true;
        bar.height = static_cast<int>(std::lround(height));
        bar.top = kHistogramBaseline - bar.height;
    }
    return chart;
}

}  // namespace zepra
