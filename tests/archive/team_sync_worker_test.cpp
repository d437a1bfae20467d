// The windows' background sync: a server that accepts the connection and then never answers
// freezes nothing on the calling thread, gives up after the connect timeout with the failure in
// words, and a program that ends meanwhile ends at once. The status follows a real server's syncs.

#include "archive/team/team_sync_worker.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <bit>
#include <memory>
#include <vector>

#include "archive/archive.h"
#include "support/pg_cluster.h"
#include "support/silent_server.h"

namespace zepra::archive {
namespace {

using testing::SilentServer;

// Counts the ticks of a timer that stands for a window's repaints.
struct EventLoopWatch {
    EventLoopWatch() {
        QObject::connect(&timer, &QTimer::timeout, [this] { ++ticks; });
        timer.start(20);
    }
    QTimer timer;
    int ticks = 0;
};

TEST(TeamSyncWorkerTest, AServerThatNeverAnswersFreezesNothing) {
    SilentServer silent;
    QTemporaryDir dir;
    TeamSyncWorker worker(dir.filePath(QStringLiteral("archive.sqlite")), silent.name(4));
    QSignalSpy finished(&worker, &TeamSyncWorker::finished);
    EventLoopWatch loop;

    QElapsedTimer clock;
    clock.start();
    worker.requestSync();
    EXPECT_LT(clock.elapsed(), 100);  // the request itself does not wait
    EXPECT_TRUE(QTest::qWaitFor([&] { return worker.status().syncing(); }, 5000));
    EXPECT_TRUE(worker.status().text().contains(QStringLiteral("syncing now")))
        << worker.status().text().toStdString();
    ASSERT_TRUE(finished.wait(20'000));
    const qint64 waited = clock.elapsed();
    EXPECT_EQ(silent.accepted(), 1u);
    EXPECT_GE(waited, 3'900);  // the connect timeout, not sooner
    // The event loop ran all along: about one tick per 20 ms, far from none.
    EXPECT_GT(loop.ticks, static_cast<int>(waited / 20 / 4));
    EXPECT_FALSE(finished.at(0).at(0).toBool());
    EXPECT_EQ(finished.at(0).at(1).toString(),
              QStringLiteral("Cannot connect to the team server: it did not answer within 4 s."));
    // The failure is where the windows show it.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !worker.status().syncing(); }, 5000));
    EXPECT_TRUE(worker.status().text().endsWith(QStringLiteral("within 4 s.")))
        << worker.status().text().toStdString();
}

// Quitting while the sync waits on a server that would keep it 30 s: the worker is gone at
// once, and the archive says the sync was broken off.
TEST(TeamSyncWorkerTest, QuittingDuringAHangingSyncDoesNotWait) {
    SilentServer silent;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("archive.sqlite"));
    auto worker = std::make_unique<TeamSyncWorker>(path, silent.name(30));
    worker->requestSync();
    ASSERT_TRUE(QTest::qWaitFor([&] { return silent.accepted() == 1; }, 5000));
    QTest::qWait(300);  // well inside the wait for the server's answer

    QElapsedTimer clock;
    clock.start();
    worker.reset();
    EXPECT_LT(clock.elapsed(), 1000);
    std::string error;
    const std::optional<SyncStatus> status = ReadSyncStatus(path, error);
    ASSERT_TRUE(status) << error;
    EXPECT_EQ(status->lastError, "The sync was broken off: the program is ending.");
    EXPECT_FALSE(status->lastSyncMs);
}

Record SmallRecord(int seed) {
    Record record;
    record.group = 1;
    for (int k = 0; k < 5; ++k) {
        record.valueBits.push_back(
            std::bit_cast<std::uint32_t>(static_cast<float>(100 + seed + k)));
        record.texts.push_back(std::to_string(100 + seed + k));
    }
    record.gauge = {"G1", "1-1", "/dev/ttyUSB0"};
    return record;
}

// The status as the windows see it through a sync, a record stored, and a server gone: the
// records waiting, the last sync's time, the server's error in words.
TEST(TeamSyncStatusTest, FollowsSyncsRecordsAndFailures) {
    if (!testing::PgCluster::Programs())
        GTEST_SKIP() << "PostgreSQL 15 is not installed (apt-get install postgresql)";
    testing::PgCluster cluster;
    std::string error;
    ASSERT_TRUE(cluster.start(error)) << error;
    std::string message;
    ASSERT_TRUE(InitTeamServer(cluster.admin(), message)) << message;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("archive.sqlite"));
    const std::unique_ptr<Archive> archive = Archive::open(path, message);
    ASSERT_TRUE(archive) << message;
    ASSERT_EQ(archive->store(SmallRecord(1)).error, "");
    ASSERT_EQ(archive->store(SmallRecord(2)).error, "");

    TeamSyncWorker worker(path, QString::fromStdString(cluster.admin()));
    const TeamSyncStatus& status = worker.status();
    QSignalSpy finished(&worker, &TeamSyncWorker::finished);
    const qint64 before = QDateTime::currentMSecsSinceEpoch();
    worker.requestSync();
    ASSERT_TRUE(finished.wait(20'000));
    ASSERT_TRUE(finished.at(0).at(0).toBool()) << finished.at(0).at(1).toString().toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !status.syncing(); }, 5000));
    EXPECT_EQ(status.status().recordsWaiting, 0);
    ASSERT_TRUE(status.status().lastSyncMs);
    EXPECT_GE(*status.status().lastSyncMs, before);
    EXPECT_EQ(status.status().lastError, "");
    EXPECT_TRUE(status.text().contains(QStringLiteral("nothing waiting")))
        << status.text().toStdString();

    ASSERT_EQ(archive->store(SmallRecord(3)).error, "");
    worker.recordStored();  // counted at once, before the sync it asks for has run
    EXPECT_EQ(status.status().recordsWaiting, 1);
    EXPECT_TRUE(status.text().contains(QStringLiteral("1 record waiting")));
    ASSERT_TRUE(finished.wait(20'000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !status.syncing(); }, 5000));
    EXPECT_EQ(status.status().recordsWaiting, 0);
    const std::int64_t lastSync = *status.status().lastSyncMs;

    cluster.stop();
    ASSERT_EQ(archive->store(SmallRecord(4)).error, "");
    worker.recordStored();
    ASSERT_TRUE(finished.wait(20'000));
    EXPECT_FALSE(finished.last().at(0).toBool());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !status.syncing(); }, 5000));
    EXPECT_EQ(status.status().recordsWaiting, 1);  // still here, still waiting
    EXPECT_EQ(*status.status().lastSyncMs, lastSync);
    EXPECT_NE(status.status().lastError.find("Cannot connect to the team server"),
              std::string::npos)
        << status.status().lastError;
    const QStringList lines = status.text().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 2) << status.text().toStdString();
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral(", 1 record waiting"))) << lines[0].toStdString();
    EXPECT_EQ(lines[1].toStdString(), status.status().lastError);
}

struct StatusTextCase {
    const char* name;
    bool syncing;
    std::optional<int> lastSyncDaysAgo;  // at 09:05 local time
    long long records, rows, mismatches;
    const char* error;
    const char* expected;
};

class StatusTextTest : public ::testing::TestWithParam<StatusTextCase> {};

TEST_P(StatusTextTest, SaysItInWords) {
    const StatusTextCase& c = GetParam();
    const QDateTime now(QDate(2026, 12, 11), QTime(14, 0));
    SyncStatus status;
    if (c.lastSyncDaysAgo)
        status.lastSyncMs =
            QDateTime(now.date().addDays(-*c.lastSyncDaysAgo), QTime(9, 5)).toMSecsSinceEpoch();
    status.recordsWaiting = c.records;
    status.rowsWaiting = c.rows;
    status.mismatches = c.mismatches;
    status.lastError = c.error;
    TeamSyncStatus text;
    text.setStatus(status, {});
    text.setSyncing(c.syncing);
    EXPECT_EQ(text.text(now).toStdString(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StatusTextTest,
    ::testing::Values(
        StatusTextCase{"Never", false, std::nullopt, 3, 3, 0, "",
                       "Team server: never synced, 3 records waiting"},
        StatusTextCase{"Today", false, 0, 1, 1, 0, "",
                       "Team server: last synced at 09:05, 1 record waiting"},
        StatusTextCase{"Yesterday", false, 1, 0, 0, 0, "",
                       "Team server: last synced on 2026-12-10 09:05, nothing waiting"},
        StatusTextCase{"OnlyNotes", false, 0, 0, 2, 0, "",
                       "Team server: last synced at 09:05, 2 entries waiting"},
        StatusTextCase{"Syncing", true, std::nullopt, 3, 3, 0, "",
                       "Team server: syncing now; never synced, 3 records waiting"},
        StatusTextCase{
            "Mismatch", false, 0, 0, 0, 1, "",
            "Team server: last synced at 09:05, nothing waiting, 1 record differs there"},
        StatusTextCase{"Error", false, 0, 2, 2, 0, "Cannot connect to the team server: refused",
                       "Team server: last synced at 09:05, 2 records waiting\n"
                       "Cannot connect to the team server: refused"}),
    [](const ::testing::TestParamInfo<StatusTextCase>& shown) {
        return std::string(shown.param.name);
    });

}  // namespace
}  // namespace zepra::archive
