// The team server: pushing 1,000 records of 1,000 readings each (1,000,000 readings, a third of
// them captures with a time per reading) from a station's archive to a local PostgreSQL 15 that
// the benchmark starts itself (fsync on, as a real server), with the server's SHA-256 check of
// every record; and a sync with nothing to do, on a new connection (as zepra-cli) and on one kept
// from the sync before (as the windows). Budgets: 20 s and 100 ms.

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <bit>
#include <cstdio>

#include "archive/archive.h"
#include "archive/team/team_server.h"
#include "support/pg_cluster.h"

namespace {

using namespace zepra;

struct Setup {
    testing::PgCluster cluster;
    QTemporaryDir dir;
    QString archive;
    int databases = 0;
    bool ready = false;
};

Setup& Shared() {
    static Setup setup;
    if (setup.ready) return setup;
    std::string error;
    if (!setup.cluster.start(error, true)) {
        std::fprintf(stderr, "team_sync_bench: %s\n", error.c_str());
        std::exit(1);
    }
    setup.archive = setup.dir.filePath(QStringLiteral("archive.sqlite"));
    std::string message;
    const std::unique_ptr<archive::Archive> station =
        archive::Archive::open(setup.archive, message);
    for (int r = 0; r < 1000; ++r) {
        archive::Record record;
        record.source = r % 3 == 0 ? archive::Source::Capture : archive::Source::Group;
        record.group = 1 + r % 4;
        for (int k = 0; k < 1000; ++k) {
            const float value = 80.0f + static_cast<float>((r * 131 + k * 17) % 4000) / 10.0f;
            record.valueBits.push_back(std::bit_cast<std::uint32_t>(value));
            record.texts.push_back(std::to_string(value).substr(0, 5));
            if (record.source == archive::Source::Capture)
                record.timesMs.push_back(1'700'000'000'000LL + r * 1'000'000LL + k * 500);
        }
        record.gauge = {"G1", "1-1", "/dev/ttyUSB0"};
        if (!station->store(record).error.empty()) std::exit(1);
    }
    setup.ready = true;
    return setup;
}

// A new, empty team database: every row waits again.
std::string FreshServer(Setup& setup) {
    const std::string name = "bench" + std::to_string(++setup.databases);
    std::string error;
    std::string message;
    if (!setup.cluster.sql("CREATE DATABASE " + name, error, "postgres") ||
        !archive::InitTeamServer(setup.cluster.admin(name), message)) {
        std::fprintf(stderr, "team_sync_bench: %s%s\n", error.c_str(), message.c_str());
        std::exit(1);
    }
    return setup.cluster.admin(name);
}

void PushThousandRecords(benchmark::State& state) {
    Setup& setup = Shared();
    for (auto _ : state) {
        state.PauseTiming();
        const std::string server = FreshServer(setup);
        state.ResumeTiming();
        const archive::SyncReport report = archive::SyncWithTeamServer(setup.archive, server);
        if (!report.ok || report.pushed.at("records") != 1000)
            state.SkipWithError(report.error.c_str());
    }
    state.counters["readings"] = 1'000'000;
}
BENCHMARK(PushThousandRecords)->Unit(benchmark::kSecond)->Iterations(2)->UseRealTime();

void SyncWithNothingToDo(benchmark::State& state) {
    Setup& setup = Shared();
    const std::string server = FreshServer(setup);
    archive::SyncWithTeamServer(setup.archive, server);
    for (auto _ : state) {
        const archive::SyncReport report = archive::SyncWithTeamServer(setup.archive, server);
        if (!report.ok || !report.pushed.empty()) state.SkipWithError("the sync had work to do");
    }
}
BENCHMARK(SyncWithNothingToDo)->Unit(benchmark::kMillisecond)->Iterations(20)->UseRealTime();

// As the windows sync: the connection kept from one sync to the next.
void SyncWithNothingToDoKeptConnection(benchmark::State& state) {
    Setup& setup = Shared();
    const std::string server = FreshServer(setup);
    archive::TeamConnection connection;
    archive::SyncOptions options;
    options.connection = &connection;
    archive::SyncWithTeamServer(setup.archive, server, options);
    for (auto _ : state) {
        const archive::SyncReport report =
            archive::SyncWithTeamServer(setup.archive, server, options);
        if (!report.ok || !report.pushed.empty()) state.SkipWithError("the sync had work to do");
    }
}
BENCHMARK(SyncWithNothingToDoKeptConnection)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
