// zepra-cli report and check on large CSV files, the whole command as a user runs it: the wall
// time, the CPU time and the peak memory of the program, and the PDF's size and its charts page.
//   build/bench/report_cli_bench
// Budgets: a report of 50,000 readings 0.5 s with a charts page under 300 KB; of 1,000,000
// readings 10 s and 300 MB; a check of 1,000,000 readings 1 s and 150 MB.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <random>
#include <string>
#include <vector>

namespace {

// A report CSV of `count` readings: single-precision gauge values in 0.1 um steps around 150 um.
QString CaptureFile(const QTemporaryDir& dir, std::int64_t count) {
    const QString path = dir.filePath(QStringLiteral("capture-%1.csv").arg(count));
    if (QFileInfo::exists(path)) return path;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return {};
    std::mt19937 random(5);
    std::normal_distribution<double> noise(150.0, 12.0);
    QByteArray content = "\"NO.\",\"Samples\",\"Unit\"\r\n";
    for (std::int64_t i = 1; i <= count; ++i) {
        const double value = std::round(noise(random) * 10) / 10;
        content +=
            QByteArray::number(i) + ",\"" + QByteArray::number(value, 'f', 1) + "\",\"um\"\r\n";
    }
    file.write(content);
    return path;
}

struct Run {
    double seconds = 0;
    double cpuSeconds = 0;
    double peakMb = 0;
    bool ok = false;
};

// Runs zepra-cli with `arguments`, its output thrown away; the peak memory is its own (wait4).
Run RunCli(const QStringList& arguments) {
    std::vector<std::string> words{ZEPRA_CLI_PATH};
    for (const QString& argument : arguments) words.push_back(argument.toStdString());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    QElapsedTimer timer;
    timer.start();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return {};
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) < 0) return {};
    Run run;
    run.seconds = static_cast<double>(timer.nsecsElapsed()) * 1e-9;
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
    };
    run.cpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    run.peakMb = static_cast<double>(usage.ru_maxrss) / 1024.0;
    // 0 passed, 1 failed: both are a verdict.
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) <= 1;
    return run;
}

QTemporaryDir& Folder() {
    static QTemporaryDir dir;
    return dir;
}

void Report(benchmark::State& state, const Run& run) {
    state.SetIterationTime(run.seconds);
    state.counters["cpu_s"] = run.cpuSeconds;
    state.counters["peak_MB"] = run.peakMb;
    if (!run.ok) state.SkipWithError("zepra-cli failed");
}

// zepra-cli report --file capture.csv --standard iso19840 --ndft 120
void BM_CliReport(benchmark::State& state) {
    const QString csv = CaptureFile(Folder(), state.range(0));
    const QString pdf = Folder().filePath(QStringLiteral("report.pdf"));
    for (auto _ : state) {
        Report(state, RunCli({QStringLiteral("report"), QStringLiteral("--file"), csv,
                              QStringLiteral("--output"), pdf, QStringLiteral("--standard"),
                              QStringLiteral("iso19840"), QStringLiteral("--ndft"),
                              QStringLiteral("120")}));
    }
    state.counters["file_MB"] = static_cast<double>(QFileInfo(pdf).size()) / 1e6;
}
BENCHMARK(BM_CliReport)
    ->Arg(50'000)
    ->Arg(1'000'000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// zepra-cli check --file capture.csv --standard iso19840 --ndft 120
void BM_CliCheck(benchmark::State& state) {
    const QString csv = CaptureFile(Folder(), state.range(0));
    for (auto _ : state) {
        Report(state, RunCli({QStringLiteral("check"), QStringLiteral("--file"), csv,
                              QStringLiteral("--standard"), QStringLiteral("iso19840"),
                              QStringLiteral("--ndft"), QStringLiteral("120")}));
    }
}
BENCHMARK(BM_CliCheck)
    ->Arg(1'000'000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
