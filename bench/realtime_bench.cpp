// Real-time windows with a full capture: opening the list, the chart windows' redraws, and the
// whole program streaming at the line's full rate with none, some or all of them open.
#include <benchmark/benchmark.h>
#include <time.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <set>
#include <string>

#include "data/measurement_store.h"
#include "gauge_emulator.h"
#include "platform/qt_serial_port.h"
#include "platform/serial_port_list.h"
#include "ui/main/form1.h"
#include "ui/realtime/realtime_histogram_window.h"
#include "ui/realtime/realtime_list_window.h"
#include "ui/realtime/realtime_trend_window.h"

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

// One tick of the trend window after a new sample: erase, recompute, draw every segment and marker.
void BM_TrendRedraw(benchmark::State& state) {
    const auto count = static_cast<std::int32_t>(state.range(0));
    auto store = FullCapture(count);
    WindowContext context;
    context.store = store.get();
    RealTimeTrendWindow window(context);
    std::int32_t& shown = store->realTimeSamples.readingCount;
    for (auto _ : state) {
        shown = shown == count ? count - 1 : count;  // a changed capture at every tick
        window.Timer1_Timer();
    }
}
BENCHMARK(BM_TrendRedraw)->Arg(50'000)->Arg(1'000)->Unit(benchmark::kMillisecond);

// The trend window's ticks while a capture grows at the line's full rate (96 readings every
// 500 ms) from 40,000 readings: every reading moves on the plot at every tick, as in a session.
void BM_TrendRedrawWhileCapturing(benchmark::State& state) {
    auto store = FullCapture(RealTimeSamples::kCapacity);
    WindowContext context;
    context.store = store.get();
    std::int32_t& shown = store->realTimeSamples.readingCount;
    shown = 40'000;
    RealTimeTrendWindow window(context);
    for (auto _ : state) {
        shown += 96;
        window.Timer1_Timer();
    }
}
BENCHMARK(BM_TrendRedrawWhileCapturing)->Iterations(100)->Unit(benchmark::kMillisecond);

// One tick of the histogram window: bin 50,000 readings, set the labels and bars.
void BM_HistogramRedraw(benchmark::State& state) {
    auto store = FullCapture(static_cast<std::int32_t>(state.range(0)));
    WindowContext context;
    context.store = store.get();
    RealTimeHistogramWindow window(context);
    for (auto _ : state) window.Timer1_Timer();
}
BENCHMARK(BM_HistogramRedraw)->Arg(50'000)->Arg(1'000)->Unit(benchmark::kMillisecond);

class SilentMessageBox : public MessageBox {
  public:
    void show(const std::string&) override {}
    void replaceOpen(const std::string&, const std::string&) override {}
};

// Runs the event loop (sleeping when idle) until `done` or `timeoutMs` has passed.
bool RunUntil(const std::function<bool()>& done, int timeoutMs) {
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done()) loop.quit();
    });
    poll.start(10);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    if (!done()) loop.exec();
    return done();
}

// The threads of this process, by kernel thread id.
std::set<std::string> ThreadIds() {
    std::set<std::string> ids;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task"))
        ids.insert(entry.path().filename().string());
    return ids;
}

// CPU time of one thread of this process, in seconds (the scheduler's nanosecond count).
double ThreadCpuSeconds(const std::string& id) {
    std::ifstream file("/proc/self/task/" + id + "/schedstat");
    double nanoseconds = 0;
    file >> nanoseconds;
    return nanoseconds * 1e-9;
}

double ClockSeconds(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// The program's CPU time: every thread of the process but the gauge emulator's (the gauge is
// another device; on an X display the program's own threads include Qt's event reader).
struct ProgramCpu {
    std::set<std::string> gaugeThreads;
    double seconds() const {
        double gauge = 0;
        for (const std::string& id : gaugeThreads) gauge += ThreadCpuSeconds(id);
        return ClockSeconds(CLOCK_PROCESS_CPUTIME_ID) - gauge;
    }
};

enum OpenWindows { MainOnly = 0, WithList = 1, WithListTrendHistogram = 2 };

// The main window's share of a core from the last MainOnly case, for the ratios of the others.
double mainOnlyShare = 0;

// The whole program on a gauge streaming at the line's full rate (192 frames/s at 9600 baud) with
// `range(0)` windows open (OpenWindows) over a capture that starts `range(1)` samples full, for
// `range(2)` seconds. Run it on an X display for the program's real cost (see the README):
// offscreen, nothing reaches a screen. Counters: frames the gauge sent, frames lost (sent but
// never captured), the program's share of one core (cpu_share; main_thread_share for the event
// loop alone) and cpu_share divided by that of the last main-window-only case (vs_main_only).
void BM_StreamAtLineRate(benchmark::State& state) {
    const auto windows = static_cast<OpenWindows>(state.range(0));
    const auto preloaded = static_cast<std::int32_t>(state.range(1));
    const int seconds = static_cast<int>(state.range(2));
    QTemporaryDir folder;
    const std::string table = folder.filePath(QStringLiteral("serialcomm.ini")).toStdString();
    gauge_emulator::Scenario scenario;
    scenario.liveReadings = {101.5f, 98.25f, 120.0f, 87.5f, 110.75f, 95.0f, 104.5f};
    scenario.liveRate = 192.0;
    ProgramCpu program;
    const std::set<std::string> threadsBefore = ThreadIds();
    gauge_emulator::GaugeEmulator gauge(scenario, {});
    std::ranges::set_difference(ThreadIds(), threadsBefore,
                                std::inserter(program.gaugeThreads, program.gaugeThreads.end()));
    gauge.writeSerialCommFile(table, "COM3");
    qputenv("ZEPRA_SERIALCOMM", QByteArray::fromStdString(table));

    MeasurementStore store;
    Form1Services services;
    services.portList = CreateSystemSerialPortList();
    const SerialPortList* portList = services.portList.get();
    services.port = std::make_unique<QtSerialPort>(
        [portList](int number) { return portList->deviceForPort(number); });
    services.messageBox = std::make_unique<SilentMessageBox>();
    Form1 form(store, std::move(services));
    form.formLoad();
    form.show();
    auto* realTime = form.findChild<QPushButton*>(QStringLiteral("Cmd_RealTime"));
    if (realTime == nullptr || !realTime->isEnabled()) {
        state.SkipWithError("the main window did not connect to the emulator");
        return;
    }
    auto filled = FullCapture(preloaded);
    store.realTimeSamples = filled->realTimeSamples;

    for (auto _ : state) {
        realTime->click();  // starts the stream and shows the list
        if (windows == MainOnly) form.windows().realTimeList()->close();
        if (windows == WithListTrendHistogram) {
            form.windows().toggleRealTimeTrend();
            form.windows().toggleRealTimeHistogram();
        }
        RunUntil([&] { return gauge.isStreaming(); }, 2000);
        RunUntil([] { return false; }, 500);  // the first samples, the windows' first paints
        const std::size_t sentBefore = gauge.bytesSent();
        const std::int32_t countBefore = store.realTimeSamples.readingCount;
        QElapsedTimer wall;
        wall.start();
        const double cpuBefore = program.seconds();
        const double mainBefore = ClockSeconds(CLOCK_THREAD_CPUTIME_ID);
        RunUntil([] { return false; }, seconds * 1000);
        const double cpu = program.seconds() - cpuBefore;
        const double mainThread = ClockSeconds(CLOCK_THREAD_CPUTIME_ID) - mainBefore;
        const double elapsed = static_cast<double>(wall.nsecsElapsed()) * 1e-9;
        const auto sent = static_cast<std::int32_t>((gauge.bytesSent() - sentBefore) / 5);
        // Frames on their way when the measurement ended get a moment to arrive.
        RunUntil([&] { return store.realTimeSamples.readingCount - countBefore >= sent; }, 1000);
        const std::int32_t captured = store.realTimeSamples.readingCount - countBefore;
        realTime->click();
        state.SetIterationTime(elapsed);
        state.counters["frames_sent"] = sent;
        state.counters["frames_per_s"] = sent / elapsed;
        state.counters["frames_lost"] = std::max(0, sent - captured);
        state.counters["samples_at_end"] = store.realTimeSamples.readingCount;
        state.counters["cpu_share"] = cpu / elapsed;
        state.counters["main_thread_share"] = mainThread / elapsed;
        if (windows == MainOnly) mainOnlyShare = cpu / elapsed;
        if (mainOnlyShare > 0) state.counters["vs_main_only"] = cpu / elapsed / mainOnlyShare;
    }
    form.close();
    qunsetenv("ZEPRA_SERIALCOMM");
}
// Each main-window-only case is the baseline of the cases after it.
BENCHMARK(BM_StreamAtLineRate)
    ->ArgNames({"windows", "preloaded", "seconds"})
    ->Args({MainOnly, 0, 10})
    ->Args({WithList, 0, 10})
    ->Args({WithListTrendHistogram, 0, 10})
    ->Args({MainOnly, 47'000, 10})
    ->Args({WithList, 47'000, 10})
    ->Args({WithListTrendHistogram, 47'000, 10})
    // The trend's marker stamps settle over its first few dozen redraws (see chart_drawing.h):
    // a longer run (ending below the 50,000 the capture holds) comes nearer to a long session.
    ->Args({WithListTrendHistogram, 38'000, 60})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

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
