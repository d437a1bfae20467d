// Real-time windows with a full capture: opening the list, and the chart windows' redraws.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cmath>
#include <memory>

#include "charts/realtime_histogram_window.h"
#include "charts/realtime_trend_window.h"
#include "data/measurement_store.h"
#include "ui/realtime/realtime_list_window.h"

namespace zepra {
namespace {

// A capture of `count` readings that wander around 120 micrometres.
std::unique_ptr<MeasurementStore> FullCapture(std::int32_t count) {
    auto store = std::make_unique<MeasurementStore>();
    InitialiseStore(*store);
    RealTimeSamples& samples = store->realTimeSamples;
    for (std::int32_t i = 0; i < count; ++i) {
        ReadingRecord& record = samples.readings[static_cast<std::size_t>(i)];
        record.number = i + 1;
        record.value = 120.0 + 15.0 * std::sin(i * 0.01) + (i % 7) * 0.9;
        record.text = "120";
    }
    samples.readingCount = count;
    return store;
}

void BM_OpenRealTimeList(benchmark::State& state) {
    auto store = FullCapture(static_cast<std::int32_t>(state.range(0)));
    store->unitIsMils = static_cast<std::int32_t>(state.range(1));
    WindowContext context;
    context.store = store.get();
    for (auto _ : state) {
        RealTimeListWindow window(context, nullptr);
        window.show();
        QApplication::processEvents();  // includes the first layout and paint of the grid
    }
}
BENCHMARK(BM_OpenRealTimeList)
    ->Args({50'000, 0})
    ->Args({50'000, 1})
    ->Args({1'000, 0})
    ->Unit(benchmark::kMillisecond);

// One tick of the trend window: erase, recompute, draw 50,000 segments and markers.
void BM_TrendRedraw(benchmark::State& state) {
    auto store = FullCapture(static_cast<std::int32_t>(state.range(0)));
    WindowContext context;
    context.store = store.get();
    RealTimeTrendWindow window(context);
    for (auto _ : state) window.Timer1_Timer();
}
BENCHMARK(BM_TrendRedraw)->Arg(50'000)->Arg(1'000)->Unit(benchmark::kMillisecond);

// One tick of the histogram window: bin 50,000 readings, set the labels and bars.
void BM_HistogramRedraw(benchmark::State& state) {
    auto store = FullCapture(static_cast<std::int32_t>(state.range(0)));
    WindowContext context;
    context.store = store.get();
    RealTimeHistogramWindow window(context);
    for (auto _ : state) window.Timer1_Timer();
}
BENCHMARK(BM_HistogramRedraw)->Arg(50'000)->Arg(1'000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zepra

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
