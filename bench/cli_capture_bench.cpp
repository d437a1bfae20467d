// zepra-cli capture on a gauge streaming at the line's full rate (192 frames/s at 9600 baud, in
// random pieces of 1 to 17 bytes): the program's share of one core from its first reading to its
// last, and its peak memory. It keeps each reading for the archive (its value bits, text and
// time), which is stored when the capture ends: into a temporary archive here.
// A run of 50,000 readings takes 260 s.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <charconv>
#include <fstream>
#include <string>

#include "gauge_emulator.h"

namespace {

struct CpuSeconds {
    double user = 0;
    double system = 0;
};

// CPU time of a running process, from /proc.
CpuSeconds ProcessCpu(qint64 pid) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
    std::string field;
    CpuSeconds cpu;
    const auto tick = static_cast<double>(sysconf(_SC_CLK_TCK));
    const auto ticks = [](const std::string& text) {
        long long value = 0;
        std::from_chars(text.data(), text.data() + text.size(), value);
        return static_cast<double>(value);
    };
    for (int i = 1; i <= 15 && file >> field; ++i) {  // utime and stime are fields 14 and 15
        if (i == 14) cpu.user = ticks(field) / tick;
        if (i == 15) cpu.system = ticks(field) / tick;
    }
    return cpu;
}

// CPU time of the children waited for so far; peakRss gets the largest child's peak.
CpuSeconds ChildrenCpu(double& peakRssMb) {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    peakRssMb = static_cast<double>(usage.ru_maxrss) / 1024.0;
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
    };
    return {seconds(usage.ru_utime), seconds(usage.ru_stime)};
}

void BM_CliCaptureAtLineRate(benchmark::State& state) {
    const auto count = state.range(0);
    QTemporaryDir folder;
    const std::string table = folder.filePath(QStringLiteral("serialcomm.ini")).toStdString();
    gauge_emulator::Scenario scenario;
    scenario.liveReadings = {101.5f, 98.25f, 120.0f, 87.5f, 110.75f, 95.0f, 104.5f};
    scenario.liveRate = 192.0;
    gauge_emulator::GaugeEmulator gauge(scenario,
                                        {.chunking = gauge_emulator::Chunking::RandomSplits});
    gauge.writeSerialCommFile(table, "COM3");

    for (auto _ : state) {
        QProcess cli;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("ZEPRA_SERIALCOMM"), QString::fromStdString(table));
        QTemporaryDir archiveDir;
        environment.insert(QStringLiteral("ZEPRA_ARCHIVE"),
                           archiveDir.filePath(QStringLiteral("archive.sqlite")));
        cli.setProcessEnvironment(environment);
        double peakRssMb = 0;
        const CpuSeconds childrenBefore = ChildrenCpu(peakRssMb);
        cli.start(QStringLiteral(ZEPRA_CLI_PATH),
                  {QStringLiteral("capture"), QStringLiteral("--count"), QString::number(count)});
        // The first reading: the header line and one more.
        QByteArray out;
        while (out.count('\n') < 2 && cli.waitForReadyRead(5000))
            out += cli.readAllStandardOutput();
        const CpuSeconds atFirst = ProcessCpu(cli.processId());
        QElapsedTimer wall;
        wall.start();
        qint64 lines = out.count('\n');
        while (cli.state() == QProcess::Running) {
            cli.waitForReadyRead(1000);
            lines += cli.readAllStandardOutput().count('\n');
        }
        lines += cli.readAllStandardOutput().count('\n');
        const double elapsed = static_cast<double>(wall.nsecsElapsed()) * 1e-9;
        const CpuSeconds after = ChildrenCpu(peakRssMb);
        const double user = after.user - childrenBefore.user - atFirst.user;
        const double system = after.system - childrenBefore.system - atFirst.system;
        state.SetIterationTime(elapsed);
        state.counters["readings"] = static_cast<double>(lines - 1);
        state.counters["exit_code"] = cli.exitCode();
        state.counters["cpu_share"] = (user + system) / elapsed;
        // In a virtual machine the system share also holds the hypervisor's interrupt handling.
        state.counters["user_share"] = user / elapsed;
        state.counters["system_share"] = system / elapsed;
        state.counters["peak_rss_mb"] = peakRssMb;
    }
}
// Peak memory is the largest of every child so far: the short run comes first.
BENCHMARK(BM_CliCaptureAtLineRate)
    ->ArgName("readings")
    ->Arg(2'000)
    ->Arg(50'000)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
