// The live capture with the capture almost full: one 5-byte frame handled by the link and its
// presenter (the frame is captured; its cost must not grow with the capture), and the real-time
// list's statistics labels, which walk all 50,000 samples twice each time the list shows a batch.
// The line brings at most 192 frames a second (9600 baud, 10 bits a byte, 5 bytes a frame).

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <memory>

#include "data/measurement_store.h"
#include "data/sample_statistics.h"
#include "data/thickness_format.h"
#include "link/fake_link_clock.h"   // the link tests' clock
#include "link/fake_serial_port.h"  // the link tests' in-memory port
#include "link/gauge_link.h"
#include "ui/presenter/link_presenter.h"

namespace {

using namespace zepra;

// Keeps only the last captured sample's texts.
class LastSampleWindows : public GaugeWindows {
  public:
    void setEnabled(MainControl, bool) override {}
    void setShown(MainControl, bool) override {}
    void setText(MainControl, const std::string&) override {}
    void showMessage(const std::string&) override {}
    void reopenGroupWindow(GroupWindowId) override {}
    void showRealTimeList() override {}
    void setRealTimeUnitLine(const std::string&) override {}
    void sampleCaptured(const CapturedSampleTexts& texts) override { last = texts; }
    void deviceGone(const std::string&) override {}
    CapturedSampleTexts last;
};

std::array<std::uint8_t, 5> Frame(float value) {
    const auto bits = std::bit_cast<std::uint32_t>(value);
    return {1, static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
            static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)};
}

// Deviation of the whole capture the plain way: mean, then squared deviations, over n.
double ReferenceDeviation(const RealTimeSamples& samples, std::int32_t unitIsMils) {
    const auto n = static_cast<std::size_t>(samples.readingCount);
    double sum = 0;
    for (std::size_t i = 0; i < n; ++i) sum += samples.readings[i].value;
    const double mean = sum / static_cast<double>(n);
    double squares = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double d = unitIsMils == 1 ? samples.readings[i].value / 25.4 - mean / 25.4
                                         : samples.readings[i].value - mean;
        squares += d * d;
    }
    return std::sqrt(squares / static_cast<double>(n));
}

// A capture of count readings that wander between 80 and 160 micrometres.
void FillCapture(RealTimeSamples& samples, std::int32_t count) {
    for (std::int32_t i = 0; i < count; ++i) {
        const auto value = static_cast<float>(80.0 + static_cast<double>((i * 7919) % 997) / 12.5);
        samples.readings[static_cast<std::size_t>(i)] = {i + 1, value, NumberToText(value)};
    }
    samples.readingCount = count;
}

void BM_LiveFrameWithFullCapture(benchmark::State& state) {
    auto store = std::make_unique<MeasurementStore>();
    InitialiseStore(*store);
    store->unitIsMils = static_cast<std::int32_t>(state.range(0));
    testing::FakeSerialPort port;
    LastSampleWindows windows;
    LinkPresenter presenter(*store, windows);
    testing::FakeLinkClock clock;
    GaugeLink link(*store, port, presenter, clock);
    link.toggleRealTime();

    RealTimeSamples& samples = store->realTimeSamples;
    constexpr std::int32_t kBefore = RealTimeSamples::kCapacity - 1;
    FillCapture(samples, kBefore - 1);
    port.arrive(Frame(100.0f));  // captured through the link, so its extremes hold a sample
    if (samples.readingCount != kBefore) {
        state.SkipWithError("the frame was not captured");
        return;
    }
    const auto frame = Frame(123.25f);
    for (auto _ : state) {
        samples.readingCount = kBefore;  // the frame below is always the 50,000th sample
        port.arrive(frame);
    }
    if (samples.readingCount != RealTimeSamples::kCapacity || windows.last.recordIndex != kBefore) {
        state.SkipWithError("the frame was not captured");
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LiveFrameWithFullCapture)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The list's mean and deviation labels over a full capture: what one shown batch costs.
void BM_CaptureStatisticsLabels(benchmark::State& state) {
    const auto unit = static_cast<std::int32_t>(state.range(0));
    auto store = std::make_unique<MeasurementStore>();
    RealTimeSamples& samples = store->realTimeSamples;
    FillCapture(samples, RealTimeSamples::kCapacity);
    const std::span<const ReadingRecord> all(samples.readings.data(), samples.readings.size());
    CaptureStatisticsTexts texts;
    for (auto _ : state) benchmark::DoNotOptimize(texts = CaptureStatisticsLabels(all, unit));
    // Full passes over all samples, to the last bit.
    const SampleStatistics statistics = CaptureStatistics(all, unit);
    if (statistics.deviation != ReferenceDeviation(samples, unit) ||
        texts.mean !=
            labels::kCaptureMean + FormatStatistic(statistics.mean, unit, StatisticFigure::Mean)) {
        state.SkipWithError("the statistics differ from a full recomputation");
    }
}
BENCHMARK(BM_CaptureStatisticsLabels)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
