// The chart painting of the real-time windows at full capacity (50,000 readings), redrawn every
// 500 ms: the trend trace (one-by-one drawing against the fast drawing) and the histogram.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <cmath>
#include <random>
#include <vector>

#include "charts/chart_area.h"
#include "charts/chart_math.h"
#include "charts/chart_painting.h"

namespace {

using namespace zepra;

enum class Shape { Noisy, Flat, SlowWave };

// A full capture of gauge-like readings (single precision, 0.1 micrometre steps).
std::vector<ReadingRecord> Capture(Shape shape) {
    std::vector<ReadingRecord> records(RealTimeSamples::kCapacity);
    std::mt19937 random(11);
    std::normal_distribution<double> noise(150.0, 6.0);
    for (std::size_t i = 0; i < records.size(); ++i) {
        double value = 150.0;
        if (shape == Shape::Noisy) value = noise(random);
        if (shape == Shape::SlowWave)
            value = 150.0 + 20.0 * std::sin(static_cast<double>(i) / 3000.0);
        records[i].number = static_cast<std::int32_t>(i + 1);
        records[i].value = static_cast<float>(std::round(value * 10.0) / 10.0);
    }
    return records;
}

std::vector<ChartPoint> Points(Shape shape) {
    const std::vector<ReadingRecord> records = Capture(shape);
    return ComputeTrendChart(records, 0).points;
}

QImage Blank() {
    QImage image(ChartArea::kWidth, ChartArea::kHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

void BM_TrendDrawOneByOne(benchmark::State& state) {
    const std::vector<ChartPoint> points = Points(static_cast<Shape>(state.range(0)));
    QImage image = Blank();
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter painter(&image);
        DrawTrendOneByOne(painter, points);
    }
}
BENCHMARK(BM_TrendDrawOneByOne)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// The stamps live as long as the chart area, so only the first drawing makes them.
void BM_TrendDrawFast(benchmark::State& state) {
    const std::vector<ChartPoint> points = Points(static_cast<Shape>(state.range(0)));
    QImage image = Blank();
    MarkerStamps stamps;
    for (auto _ : state) {
        image.fill(Qt::white);
        DrawTrendFast(image, points, stamps);
    }
}
BENCHMARK(BM_TrendDrawFast)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// The first drawing of a new chart area: every stamp made on the way.
void BM_TrendDrawFastFirst(benchmark::State& state) {
    const std::vector<ChartPoint> points = Points(Shape::Noisy);
    QImage image = Blank();
    for (auto _ : state) {
        image.fill(Qt::white);
        MarkerStamps stamps;
        DrawTrendFast(image, points, stamps);
    }
}
BENCHMARK(BM_TrendDrawFastFirst)->Unit(benchmark::kMillisecond);

// What the real-time trend window does on each tick: arithmetic, captions, erase and trace.
// changed = 1: the list differs from the last tick (a capture running), so the trace is drawn;
// changed = 0: the same list again (capture paused), so the last drawing is reused.
void BM_TrendChartTick(benchmark::State& state) {
    const bool changed = state.range(0) != 0;
    std::vector<ReadingRecord> records = Capture(Shape::Noisy);
    ChartArea area{QFont()};
    TrendLabelSet labels;
    std::vector<std::unique_ptr<QLabel>> owned;
    for (auto& label : labels.values) label = owned.emplace_back(new QLabel).get();
    for (auto& label : labels.numbers) label = owned.emplace_back(new QLabel).get();
    TrendChartData scratch;
    for (auto _ : state) {
        if (changed) records.back().value = records.back().value == 150.0 ? 150.1 : 150.0;
        area.erase();
        TrendChart(records, 0, area, labels, scratch);
    }
}
BENCHMARK(BM_TrendChartTick)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// What the real-time histogram window does on each tick: binning, captions and bars.
void BM_HistogramChartTick(benchmark::State& state) {
    const std::vector<ReadingRecord> records = Capture(Shape::Noisy);
    ChartArea area{QFont()};
    HistogramLabelSet labels;
    std::vector<std::unique_ptr<QLabel>> owned;
    for (auto& label : labels.values) label = owned.emplace_back(new QLabel).get();
    for (auto& label : labels.counts) label = owned.emplace_back(new QLabel).get();
    std::array<std::int32_t, kHistogramBins> binCounts{};
    for (auto _ : state) HistogramChart(records, 0, 2, area, labels, binCounts);
}
BENCHMARK(BM_HistogramChartTick)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
