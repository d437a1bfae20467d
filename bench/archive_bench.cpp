// The archive at the size of years of inspections: 10,000 records holding 5,000,000 readings
// (made once by the generator below, then reused: ZEPRA_BENCH_ARCHIVE or archive-bench.sqlite in
// the working folder). Cases: storing a 50,000-reading capture, a filtered search, the Archive
// window opened with its first page shown and searched (offscreen), zepra-cli archive list
// --format json of all records, and the file's bytes per reading.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QTableView>
#include <bit>
#include <cstdio>
#include <memory>
#include <random>

#include "archive/archive.h"
#include "ui/archive/archive_list_model.h"
#include "ui/archive/archive_window.h"
#include "ui/main/archive_keeper.h"

namespace {

using zepra::archive::Archive;
using zepra::archive::Record;
using zepra::archive::Source;

constexpr int kRecords = 10'000;
constexpr int kReadingsPerRecord = 500;
constexpr int kJobs = 50;

QString BenchPath() {
    const QString named = qEnvironmentVariable("ZEPRA_BENCH_ARCHIVE");
    return named.isEmpty() ? QStringLiteral("archive-bench.sqlite") : named;
}

// Readings around a thickness, as the gauge gives them (one decimal), with their texts.
Record Readings(std::mt19937& random, int count, Source source) {
    std::normal_distribution<float> thickness(120.0f, 15.0f);
    Record record;
    record.source = source;
    for (int k = 0; k < count; ++k) {
        const float value = std::round(thickness(random) * 10.0f) / 10.0f;
        record.valueBits.push_back(std::bit_cast<std::uint32_t>(value));
        record.texts.push_back(QString::number(value, 'f', 1).toStdString());
    }
    return record;
}

// The generator: jobs, a few gauges, and 10,000 records of 500 readings each over three years,
// half of them captures (with times), half group downloads; a check on every fifth.
std::unique_ptr<Archive> OpenBenchArchive() {
    const QString path = BenchPath();
    const bool exists = QFileInfo::exists(path);
    std::string message;
    std::unique_ptr<Archive> archive = Archive::open(path, message);
    if (!archive) {
        std::fprintf(stderr, "%s\n", message.c_str());
        return nullptr;
    }
    if (exists) return archive;
    std::fprintf(stderr, "making %s: %d records, %d readings...\n", qPrintable(path), kRecords,
                 kRecords * kReadingsPerRecord);
    std::vector<std::string> jobs;
    for (int j = 0; j < kJobs; ++j) {
        zepra::archive::Job job;
        job.name = "Tank " + std::to_string(j);
        job.project = j % 2 ? "Harbour" : "Refinery";
        job.structure = "Shell course " + std::to_string(j % 7);
        archive->addJob(job);
        jobs.push_back(job.id);
    }
    for (int g = 0; g < 5; ++g) {
        zepra::archive::Gauge gauge;
        gauge.makeModel = "ZEPRA CT";
        gauge.serial = "G-" + std::to_string(g);
        gauge.usbSerial = "000" + std::to_string(g);
        gauge.calibration = zepra::archive::Calibration{"C" + std::to_string(g), "2024-01-01",
                                                        g == 4 ? "2024-06-01" : "2027-01-01"};
        archive->addGauge(gauge);
    }
    std::mt19937 random(10'000);
    const qint64 start = QDateTime(QDate(2024, 1, 1), QTime(8, 0), Qt::UTC).toMSecsSinceEpoch();
    for (int r = 0; r < kRecords; ++r) {
        const bool capture = r % 2 == 0;
        Record record =
            Readings(random, kReadingsPerRecord, capture ? Source::Capture : Source::Group);
        record.group = 1 + r % 4;
        record.takenMs = start + static_cast<qint64>(r) * 9'000'000;  // every 2.5 hours
        if (capture) {
            for (int k = 0; k < kReadingsPerRecord; ++k)
                record.timesMs.push_back(record.takenMs + k * 500);
        } else {
            record.highLimitBits = std::bit_cast<std::uint32_t>(150.0f);
            record.lowLimitBits = std::bit_cast<std::uint32_t>(90.0f);
        }
        record.gauge = {"000" + std::to_string(r % 5), "1-1.2:1.0", "COM3 (/dev/ttyUSB0)"};
        const Archive::Stored stored =
            archive->store(record, jobs[static_cast<std::size_t>(r % kJobs)]);
        if (!stored.error.empty()) {
            std::fprintf(stderr, "%s\n", stored.error.c_str());
            return nullptr;
        }
        if (r % 5 == 0)
            archive->addCheck(stored.id, "ISO 19840", "NDFT 100 um", r % 10 ? "pass" : "fail");
    }
    return archive;
}

Archive* BenchArchive() {
    static std::unique_ptr<Archive> archive = OpenBenchArchive();
    return archive.get();
}

// A 50,000-reading capture stored in one transaction (goal: at most 0.5 s).
void BM_StoreCapture50k(benchmark::State& state) {
    Archive* archive = BenchArchive();
    if (!archive) return state.SkipWithError("no archive");
    std::mt19937 random(static_cast<unsigned>(QDateTime::currentMSecsSinceEpoch()));
    for (auto _ : state) {
        state.PauseTiming();
        Record capture = Readings(random, 50'000, Source::Capture);
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        for (int k = 0; k < 50'000; ++k) capture.timesMs.push_back(now + k * 5);
        state.ResumeTiming();
        const Archive::Stored stored = archive->store(std::move(capture));
        if (!stored.error.empty()) state.SkipWithError(stored.error.c_str());
    }
}
BENCHMARK(BM_StoreCapture50k)->Unit(benchmark::kMillisecond)->Iterations(5);

// The records of one job in one month that failed (goal: at most 100 ms).
void BM_FilteredSearch(benchmark::State& state) {
    Archive* archive = BenchArchive();
    if (!archive) return state.SkipWithError("no archive");
    zepra::archive::Filter filter;
    filter.job = "Tank 1";
    filter.sinceMs = QDateTime(QDate(2025, 3, 1), QTime(0, 0), Qt::UTC).toMSecsSinceEpoch();
    filter.untilMs = QDateTime(QDate(2025, 4, 1), QTime(0, 0), Qt::UTC).toMSecsSinceEpoch();
    std::size_t found = 0;
    for (auto _ : state) {
        std::string error;
        found = archive->list(filter, error).size();
        if (!error.empty()) state.SkipWithError(error.c_str());
    }
    state.counters["records"] = static_cast<double>(found);
}
BENCHMARK(BM_FilteredSearch)->Unit(benchmark::kMillisecond);

// The same with free text over every record (the archive window's search box).
void BM_FreeTextSearch(benchmark::State& state) {
    Archive* archive = BenchArchive();
    if (!archive) return state.SkipWithError("no archive");
    zepra::archive::Filter filter;
    filter.text = "refinery";
    filter.passed = false;
    std::size_t found = 0;
    for (auto _ : state) {
        std::string error;
        found = archive->list(filter, error).size();
    }
    state.counters["records"] = static_cast<double>(found);
}
BENCHMARK(BM_FreeTextSearch)->Unit(benchmark::kMillisecond);

// The first page of the list as the window asks for it.
void BM_FirstPage(benchmark::State& state) {
    Archive* archive = BenchArchive();
    if (!archive) return state.SkipWithError("no archive");
    for (auto _ : state) {
        std::string error;
        benchmark::DoNotOptimize(
            archive->list({}, error, {.offset = 0, .limit = zepra::ArchiveListModel::kPageRows}));
    }
}
BENCHMARK(BM_FirstPage)->Unit(benchmark::kMillisecond);

// The Archive window from nothing: the archive opened, the window built and shown, the first
// page of the list painted (goal: at most 300 ms).
void BM_ArchiveWindowOpen(benchmark::State& state) {
    if (!BenchArchive()) return state.SkipWithError("no archive");
    for (auto _ : state) {
        zepra::ArchiveKeeper keeper(
            [&state](const std::string& text) { state.SkipWithError(text.c_str()); });
        zepra::WindowContext context;
        context.archiveKeeper = &keeper;
        zepra::ArchiveWindow window(context);
        window.setAttribute(Qt::WA_DeleteOnClose, false);
        window.show();
        window.list()->repaint();
        if (window.model()->rowCount() != zepra::ArchiveListModel::kPageRows)
            state.SkipWithError("the first page is not full");
    }
}
BENCHMARK(BM_ArchiveWindowOpen)->Unit(benchmark::kMillisecond)->Iterations(10);

// A search typed in the open window: one job, failed checks only, the list painted again
// (goal: at most 100 ms).
void BM_ArchiveWindowSearch(benchmark::State& state) {
    if (!BenchArchive()) return state.SkipWithError("no archive");
    zepra::ArchiveKeeper keeper([](const std::string&) {});
    zepra::WindowContext context;
    context.archiveKeeper = &keeper;
    zepra::ArchiveWindow window(context);
    window.setAttribute(Qt::WA_DeleteOnClose, false);
    window.show();
    auto* job = window.findChild<QLineEdit*>(QStringLiteral("FilterJob"));
    auto* text = window.findChild<QLineEdit*>(QStringLiteral("FilterText"));
    int k = 0;
    for (auto _ : state) {
        // Another job each time, so that no answer comes from the last one.
        job->setText(QStringLiteral("Tank %1").arg(++k % kJobs));
        text->setText(QStringLiteral("shell course"));
        window.applyFilter();
        window.list()->repaint();
    }
    state.counters["records"] = window.model()->rowCount();
}
BENCHMARK(BM_ArchiveWindowSearch)->Unit(benchmark::kMillisecond);

// zepra-cli archive list --format json of every record, as a process (goal: at most 1 s).
void BM_CliListJson(benchmark::State& state) {
    if (!BenchArchive()) return state.SkipWithError("no archive");
    qint64 bytes = 0;
    for (auto _ : state) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ZEPRA_ARCHIVE"), QFileInfo(BenchPath()).absoluteFilePath());
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(ZEPRA_CLI_PATH),
                      {QStringLiteral("archive"), QStringLiteral("list"),
                       QStringLiteral("--format"), QStringLiteral("json")});
        process.waitForFinished(60'000);
        bytes = process.readAllStandardOutput().size();
        if (process.exitCode() != 0) state.SkipWithError("zepra-cli failed");
    }
    state.counters["output_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_CliListJson)->Unit(benchmark::kMillisecond)->Iterations(3);

// The file's size over the readings it holds (goal: at most 40 bytes per reading).
void BM_BytesPerReading(benchmark::State& state) {
    Archive* archive = BenchArchive();
    if (!archive) return state.SkipWithError("no archive");
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("size"));
    db.setDatabaseName(BenchPath());
    db.open();
    QSqlQuery query(db);
    query.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
    query.exec(QStringLiteral("SELECT sum(reading_count) FROM records"));
    query.next();
    const double readings = query.value(0).toDouble();
    for (auto _ : state) benchmark::DoNotOptimize(readings);
    const double bytes = static_cast<double>(QFileInfo(BenchPath()).size());
    state.counters["readings"] = readings;
    state.counters["file_MB"] = bytes / 1e6;
    state.counters["bytes_per_reading"] = bytes / readings;
}
BENCHMARK(BM_BytesPerReading)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    // The window's cases need no display; the window opens on the bench's archive.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("ZEPRA_ARCHIVE", QFileInfo(BenchPath()).absoluteFilePath().toLocal8Bit());
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
