// The windows keep every download and the live capture in the archive (a real SQLite file in a
// temporary folder), with the gauge emulator on a pseudo-terminal.
#include <gtest/gtest.h>

#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "archive/archive.h"
#include "support/main_window_fixture.h"
#include "ui/archive/archive_list_model.h"
#include "ui/archive/archive_window.h"
#include "ui/groups/group_window.h"

namespace zepra {
namespace {

using testing::MainWindowFixture;
using testing::PortList;

constexpr int kWaitMs = 5000;

class ArchiveKeepingTest : public MainWindowFixture {
  protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        ASSERT_TRUE(archiveDir_.isValid());
        earlierArchive_ = qgetenv("ZEPRA_ARCHIVE");
        qputenv("ZEPRA_ARCHIVE", archivePath().toLocal8Bit());
    }
    void TearDown() override {
        MainWindowFixture::TearDown();
        qputenv("ZEPRA_ARCHIVE", earlierArchive_);  // the other tests' archive, never the user's
    }
    QString archivePath() const { return archiveDir_.filePath("archive.sqlite"); }

    std::vector<archive::RecordSummary> records() const {
        std::string message;
        const std::unique_ptr<archive::Archive> archive =
            archive::Archive::open(archivePath(), message);
        EXPECT_TRUE(archive) << message;
        if (!archive) return {};
        std::string error;
        return archive->list({}, error);
    }

    void download(const char* buttonName, GroupWindowId window) {
        click(buttonName);
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                GroupWindow* shown = form->windows().groupWindow(window);
                return shown != nullptr && shown->isVisible() && button("Cmd_Grp1")->isEnabled();
            },
            kWaitMs));
    }

    QTemporaryDir archiveDir_;
    QByteArray earlierArchive_;
};

TEST_F(ArchiveKeepingTest, DownloadsAreKeptOnceEach) {
    start(PortList::WithGauge);
    download("Cmd_Grp1", GroupWindowId::Group1);
    std::vector<archive::RecordSummary> kept = records();
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].source, archive::Source::Group);
    EXPECT_EQ(kept[0].group, 1);
    EXPECT_EQ(kept[0].readingCount, store.groupSlot(1).readingCount);
    EXPECT_NE(kept[0].gauge.find(gauge->devicePath()), std::string::npos) << kept[0].gauge;

    download("Cmd_AllGrp", GroupWindowId::Group4);
    EXPECT_TRUE(QTest::qWaitFor([&] { return records().size() == 4; }, kWaitMs));
    download("Cmd_RealTimeGrp", GroupWindowId::Current);
    EXPECT_EQ(records().size(), 5u);  // group 1 twice is one record
    EXPECT_TRUE(messages->messages.empty());
}

// Ctrl+Shift+A opens the Archive window; a download in the windows appears in its list at once,
// filed under the job chosen there for this run.
TEST_F(ArchiveKeepingTest, DownloadAppearsInTheArchiveWindowUnderTheRunsJob) {
    {
        std::string message;
        const std::unique_ptr<archive::Archive> archive =
            archive::Archive::open(archivePath(), message);
        ASSERT_TRUE(archive) << message;
        archive::Job job;
        job.name = "Tank 3";
        ASSERT_EQ(archive->addJob(job), "");
    }
    start(PortList::WithGauge);
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    QTest::keyClick(form.get(), Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
    ArchiveWindow* window = form->windows().archive();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->model()->rowCount(), 0);
    window->chooseRunJob("Tank 3");

    download("Cmd_Grp1", GroupWindowId::Group1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->model()->rowCount() == 1; }, kWaitMs));
    const archive::RecordSummary* shown = window->model()->summaryAt(0);
    EXPECT_EQ(shown->job, "Tank 3");
    EXPECT_EQ(shown->readingCount, store.groupSlot(1).readingCount);
    EXPECT_EQ(records().at(0).job, "Tank 3");
    EXPECT_TRUE(messages->messages.empty());
}

// The capture is kept when sampling stops, and what came after when Exit ends the run.
TEST_F(ArchiveKeepingTest, CaptureIsKeptWhenSamplingStopsAndAtExit) {
    start(PortList::WithGauge);
    gauge_emulator::Scenario quiet = gauge_emulator::DemoScenario();
    quiet.liveReadings.clear();
    gauge->setScenario(quiet);
    click("Cmd_RealTime");
    ASSERT_TRUE(QTest::qWaitFor([&] { return gauge->isStreaming(); }, kWaitMs));
    for (float reading : {100.0f, 101.5f, -0.0f}) gauge->sendLiveFrame(reading);
    ASSERT_TRUE(QTest::qWaitFor([&] { return store.realTimeSamples.readingCount == 3; }, kWaitMs));
    click("Cmd_RealTime");  // pause: sampling stops
    ASSERT_TRUE(QTest::qWaitFor([&] { return records().size() == 1; }, kWaitMs));
    EXPECT_EQ(records()[0].source, archive::Source::Capture);
    EXPECT_EQ(records()[0].readingCount, 3);

    click("Cmd_RealTime");
    ASSERT_TRUE(QTest::qWaitFor([&] { return gauge->isStreaming(); }, kWaitMs));
    gauge->sendLiveFrame(102.0f);
    ASSERT_TRUE(QTest::qWaitFor([&] { return store.realTimeSamples.readingCount == 4; }, kWaitMs));
    form->close();  // Exit while sampling
    const std::vector<archive::RecordSummary> kept = records();
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(kept[0].readingCount + kept[1].readingCount, 7);
    EXPECT_TRUE(messages->messages.empty());
}

// A file that is no database: one message, the windows keep working, later downloads too.
TEST_F(ArchiveKeepingTest, ArchiveThatCannotBeOpenedGivesOneMessage) {
    {
        QFile junk(archivePath());
        ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
        junk.write(QByteArray(8192, 'x'));
    }
    start(PortList::WithGauge);
    download("Cmd_Grp1", GroupWindowId::Group1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !messages->messages.empty(); }, kWaitMs));
    download("Cmd_Grp2", GroupWindowId::Group2);
    QTest::qWait(100);
    ASSERT_EQ(messages->messages.size(), 1u);
    const std::string& message = messages->messages[0];
    EXPECT_NE(message.find("cannot be read"), std::string::npos) << message;
    EXPECT_NE(message.find("Not stored"), std::string::npos) << message;
    EXPECT_TRUE(form->windows().groupWindow(GroupWindowId::Group2)->isVisible());
}

}  // namespace
}  // namespace zepra
