// The save step shared by the group windows and the real-time list: the live stream stays paused
// from before the dialog until the file is closed, whatever the outcome.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <string>
#include <vector>

#include "support/fakes.h"
#include "ui/report_menu.h"

namespace zepra {
namespace {

using testing::FakeClockText;
using testing::FakeMessageBox;
using testing::FakeSaveDialog;

class ReportMenuTest : public ::testing::Test {
  protected:
    ReportMenuTest() {
        context_.store = &store_;
        context_.saveDialog = &dialog_;
        context_.messageBox = &messages_;
        context_.clock = &clock_;
        context_.suspendLiveStream = [this] { events_.push_back("suspend"); };
        context_.resumeLiveStream = [this] { events_.push_back("resume"); };
        records_ = {{1, 10.0, "10"}, {2, 20.5, "20.5"}};
    }
    // The list as it is when asked, as a window gives it.
    ListedRecords listed() {
        return [this] { return std::span<const ReadingRecord>(records_); };
    }
    QByteArray Read(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    QTemporaryDir folder_;
    MeasurementStore store_;
    FakeSaveDialog dialog_;
    FakeMessageBox messages_;
    FakeClockText clock_;
    WindowContext context_;
    std::vector<ReadingRecord> records_;
    std::vector<std::string> events_;
};

TEST_F(ReportMenuTest, EmptyListDoesNothingAtAll) {
    SaveReport(
        ReportFormat::Csv, [] { return std::span<const ReadingRecord>(); }, context_);
    EXPECT_TRUE(dialog_.requests.empty());
    EXPECT_TRUE(events_.empty());
}

TEST_F(ReportMenuTest, CancelledDialogWritesNothingAndResumes) {
    dialog_.answers = {""};
    SaveReport(ReportFormat::Text, listed(), context_);
    ASSERT_EQ(dialog_.requests.size(), 1u);
    EXPECT_EQ(dialog_.requests[0],
              std::make_pair(std::string("Save"), std::string("text files (*.txt)|*.txt")));
    EXPECT_EQ(events_, (std::vector<std::string>{"suspend", "resume"}));
    EXPECT_TRUE(messages_.messages.empty());
}

TEST_F(ReportMenuTest, WritesTheTextReportInTheStoreUnitWithTheClock) {
    store_.unitIsMils = 1;
    const QString path = folder_.filePath("report.txt");  // the name exactly as typed
    dialog_.answers = {path.toStdString()};
    SaveReport(ReportFormat::Text, listed(), context_);
    EXPECT_EQ(Read(path),
              "Samples Report unit(mils)   10/12/2026    04:22\r\n\r\n"
              " 1            10\r\n 2            20.5\r\n");
    EXPECT_EQ(events_, (std::vector<std::string>{"suspend", "resume"}));
}

TEST_F(ReportMenuTest, FailureNamesTheFileAndStillResumes) {
    QFile plain(folder_.filePath("plain"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    const std::string path = folder_.filePath("plain/report.csv").toStdString();
    dialog_.answers = {path};
    SaveReport(ReportFormat::Csv, listed(), context_);
    ASSERT_EQ(messages_.messages.size(), 1u);
    EXPECT_NE(messages_.messages[0].find(path), std::string::npos) << messages_.messages[0];
    EXPECT_EQ(events_, (std::vector<std::string>{"suspend", "resume"}));
}

// Pausing the stream captures the frames that were already waiting (the list shows them a moment
// later): the file holds every reading captured when it is written, those included.
TEST_F(ReportMenuTest, ReadingsCapturedByThePauseAreInTheFile) {
    context_.suspendLiveStream = [this] { records_.push_back({3, 30.0, "30"}); };
    const QString path = folder_.filePath("live.csv");
    dialog_.answers = {path.toStdString()};
    SaveReport(ReportFormat::Csv, listed(), context_);
    EXPECT_EQ(Read(path),
              "\"NO.\",\"Samples\",\"Unit\"\r\n1,\"10\",\"um\"\r\n2,\"20.5\",\"um\"\r\n"
              "3,\"30\",\"um\"\r\n");
}

}  // namespace
}  // namespace zepra
