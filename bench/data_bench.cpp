// Hot paths of the measurement data and the chart arithmetic at full real-time capacity.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "charts/chart_math.h"
#include "data/measurement_store.h"
#include "data/sample_statistics.h"
#include "data/thickness_format.h"

namespace {

using namespace zepra;

// A full capture of gauge-like single-precision readings around 120 micrometres.
const std::vector<ReadingRecord>& FullCapture() {
    static const std::vector<ReadingRecord> readings = [] {
        std::vector<ReadingRecord> records(RealTimeSamples::kCapacity);
        for (std::size_t i = 0; i < records.size(); ++i) {
            records[i].number = static_cast<std::int32_t>(i + 1);
            records[i].value =
                static_cast<float>(80.0 + static_cast<double>((i * 7919) % 997) / 12.5);
        }
        return records;
    }();
    return readings;
}

// Values spread over every formatting branch, both signs.
std::vector<double> FormattingInputs() {
    std::vector<double> values;
    for (int i = -100; i < 1900; ++i) {
        values.push_back(static_cast<float>(i * 0.73));
    }
    return values;
}

void BM_CaptureStatistics(benchmark::State& state) {
    const auto& readings = FullCapture();
    const auto unit = static_cast<std::int32_t>(state.range(0));
    for (auto _ : state) {
        benchmark::DoNotOptimize(CaptureStatistics(readings, unit));
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(readings.size()));
}
BENCHMARK(BM_CaptureStatistics)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_FormatThickness(benchmark::State& state) {
    const auto values = FormattingInputs();
    const auto unit = static_cast<std::int32_t>(state.range(0));
    for (auto _ : state) {
        for (double v : values) {
            benchmark::DoNotOptimize(FormatThickness(v, unit));
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(values.size()));
}
BENCHMARK(BM_FormatThickness)->Arg(0)->Arg(1);

void BM_FormatLiveReading(benchmark::State& state) {
    const auto values = FormattingInputs();
    const auto unit = static_cast<std::int32_t>(state.range(0));
    for (auto _ : state) {
        for (double v : values) {
            benchmark::DoNotOptimize(FormatLiveReading(v, unit));
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(values.size()));
}
BENCHMARK(BM_FormatLiveReading)->Arg(0)->Arg(1);

void BM_FormatStatistic(benchmark::State& state) {
    const auto values = FormattingInputs();
    const auto unit = static_cast<std::int32_t>(state.range(0));
    for (auto _ : state) {
        for (double v : values) {
            benchmark::DoNotOptimize(FormatStatistic(v, unit, StatisticFigure::Mean));
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(values.size()));
}
BENCHMARK(BM_FormatStatistic)->Arg(0)->Arg(1);

// The real-time trend window recomputes this every 500 ms, reusing its buffers.
void BM_TrendChart(benchmark::State& state) {
    const auto& readings = FullCapture();
    TrendChartData chart;
    for (auto _ : state) {
        ComputeTrendChart(readings, 0, chart);
        benchmark::DoNotOptimize(chart.points.data());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(readings.size()));
}
BENCHMARK(BM_TrendChart)->Unit(benchmark::kMicrosecond);

// 30 bins x 50,000 readings, every 500 ms in the real-time histogram window.
void BM_HistogramChart(benchmark::State& state) {
    const auto& readings = FullCapture();
    for (auto _ : state) {
        benchmark::DoNotOptimize(ComputeHistogramChart(readings, 0, 2));
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(readings.size()));
}
BENCHMARK(BM_HistogramChart)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
