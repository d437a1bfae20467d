// The inspection report of a full capture: 50,000 readings (every one listed, both charts, the
// ISO 19840 criteria) written as a PDF. Budget: 0.5 s for zepra-cli report --file, whose whole
// run report_cli_bench measures.
// The peak memory is measured on the command line (see the README's benchmark notes); this
// program times the writing and reports the file's size and pages.

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <random>

#include "pdf_report/pdf_report.h"

namespace {

using namespace zepra;

inspection::ReportContent FullCapture(bool withStandard) {
    inspection::ReportContent report;
    std::mt19937 random(5);
    std::normal_distribution<double> noise(150.0, 12.0);
    coating::CheckSetup setup;
    coating::CheckRequest& request = setup.request;
    request.standard = coating::Standard::Iso19840;
    request.ndft = coating::Thickness{120, coating::Unit::Micrometres, "120"};
    for (std::int32_t i = 0; i < RealTimeSamples::kCapacity; ++i) {
        // Single-precision gauge values in 0.1 um steps.
        const double value = static_cast<float>(std::round(noise(random) * 10) / 10);
        report.readings.push_back({i + 1, value, {}});
        request.readings.push_back({value});
    }
    report.source = "File capture.csv";
    report.job = {"Tank 3", "Shell, course 2", "Epoxy, 2nd coat", "A. Inspector", ""};
    if (withStandard) {
        report.standard = inspection::JudgeReadings(setup);
    }
    return report;
}

void BM_ReportOfAFullCapture(benchmark::State& state) {
    const inspection::ReportContent report = FullCapture(state.range(0) == 1);
    QTemporaryDir dir;
    const std::string path = dir.filePath("capture.pdf").toStdString();
    for (auto _ : state) {
        const std::string error = inspection::WriteInspectionReport(report, path);
        if (!error.empty()) state.SkipWithError(error.c_str());
    }
    state.counters["MB"] =
        static_cast<double>(QFileInfo(QString::fromStdString(path)).size()) / 1e6;
}
BENCHMARK(BM_ReportOfAFullCapture)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
