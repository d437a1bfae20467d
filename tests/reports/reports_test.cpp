// The CSV and text reports: their bytes, and writing them safely (no partial file, a reason).
#include "reports/reports.h"

#include <gtest/gtest.h>
#include <sys/mount.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <string>
#include <vector>

namespace zepra {
namespace {

std::vector<ReadingRecord> Records(const std::vector<std::string>& texts) {
    std::vector<ReadingRecord> records;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        records.push_back({static_cast<std::int32_t>(i + 1), 0.0, texts[i]});
    }
    return records;
}

struct CsvCase {
    const char* name;
    std::int32_t unitIsMils;
    std::vector<std::string> texts;
    std::string expected;
};

class CsvReportTest : public ::testing::TestWithParam<CsvCase> {};

TEST_P(CsvReportTest, WritesHeaderAndOneQuotedLinePerRecord) {
    EXPECT_EQ(CsvReportText(Records(GetParam().texts), GetParam().unitIsMils), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Units, CsvReportTest,
    ::testing::Values(
        CsvCase{"micrometres",
                0,
                {"10", "20.5", "30"},
                "\"NO.\",\"Samples\",\"Unit\"\r\n1,\"10\",\"um\"\r\n2,\"20.5\",\"um\"\r\n"
                "3,\"30\",\"um\"\r\n"},
        CsvCase{"mils",
                1,
                {"0.394", "0.807", "1.181"},
                "\"NO.\",\"Samples\",\"Unit\"\r\n1,\"0.394\",\"mils\"\r\n"
                "2,\"0.807\",\"mils\"\r\n3,\"1.181\",\"mils\"\r\n"},
        CsvCase{"empty_text", 0, {""}, "\"NO.\",\"Samples\",\"Unit\"\r\n1,\"\",\"um\"\r\n"}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(TextReportTest, TitleWithDateAndTimeThenEmptyLineThenNumberedTexts) {
    const std::string report =
        TextReportText(Records({"10", "20.5", "30"}), 0, "10/12/2026", "04:22:05");
    // Print zones of 14 columns: items after the first start at columns 15, 29, 43, ...
    EXPECT_EQ(report,
              "Samples Report unit(um)     10/12/2026    04:22:05\r\n"
              "\r\n"
              " 1            10\r\n"
              " 2            20.5\r\n"
              " 3            30\r\n");
}

TEST(TextReportTest, MilsTitleLongNumbersAndEmptyTexts) {
    std::vector<ReadingRecord> records = Records({"1.181", ""});
    records[0].number = 123456789;
    records[1].number = 1234567890;
    const std::string report = TextReportText(records, 1, "2026-12-10", "04:22");
    EXPECT_EQ(report,
              "Samples Report unit(mils)   2026-12-10    04:22\r\n"
              "\r\n"
              " 123456789    1.181\r\n"
              " 1234567890   \r\n");
}

TEST(TextReportTest, AnItemFillingItsZoneIsFollowedByTheNextZone) {
    // A 14-character date fills its zone: the time must not touch it.
    const std::string report = TextReportText({}, 0, "12345678901234", "t");
    EXPECT_EQ(report, "Samples Report unit(um)     12345678901234              t\r\n\r\n");
}

class ReportFileTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(folder_.isValid()); }
    std::string PathOf(const char* name) const { return folder_.filePath(name).toStdString(); }
    static QByteArray Read(const std::string& path) {
        QFile file(QString::fromStdString(path));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    static void Write(const std::string& path, const QByteArray& content) {
        QFile file(QString::fromStdString(path));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(content), content.size());
    }
    QTemporaryDir folder_;
};

TEST_F(ReportFileTest, ReplacesAnExistingFileWholly) {
    const std::string path = PathOf("report.csv");
    Write(path, QByteArray(5'000, 'x'));
    const ReportWriteResult result = WriteReportFile(path, "new\r\n");
    EXPECT_TRUE(result.ok) << result.error;
    EXPECT_EQ(Read(path), "new\r\n");
    EXPECT_EQ(QDir(folder_.path()).entryList(QDir::Files), QStringList{"report.csv"});
}

TEST_F(ReportFileTest, FolderThatCannotExistGivesTheFileAndReason) {
    // A path below a regular file cannot be created, even by root.
    Write(PathOf("plain"), "x");
    const std::string path = PathOf("plain") + "/report.txt";
    const ReportWriteResult result = WriteReportFile(path, "text\r\n");
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find(path), std::string::npos) << result.error;
    EXPECT_GT(result.error.size(), path.size() + 25) << "no reason given: " << result.error;
    EXPECT_EQ(Read(PathOf("plain")), "x");
}

TEST_F(ReportFileTest, FolderAsTargetIsRefused) {
    ASSERT_TRUE(QDir(folder_.path()).mkdir("folder"));
    const ReportWriteResult result = WriteReportFile(PathOf("folder"), "text\r\n");
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(QFileInfo(QString::fromStdString(PathOf("folder"))).isDir());
}

TEST_F(ReportFileTest, FullDeviceLeavesTheExistingFileAsItWas) {
    const std::string device = PathOf("tiny");
    ASSERT_TRUE(QDir(folder_.path()).mkdir("tiny"));
    if (mount("tmpfs", device.c_str(), "tmpfs", 0, "size=16k") != 0) {
        GTEST_SKIP() << "mounting a small tmpfs is not permitted here";
    }
    const std::string path = device + "/report.csv";
    Write(path, "old report\r\n");
    const ReportWriteResult result = WriteReportFile(path, std::string(256 * 1024, 'y'));
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find(path), std::string::npos) << result.error;
    EXPECT_EQ(Read(path), "old report\r\n");
    EXPECT_EQ(QDir(QString::fromStdString(device)).entryList(QDir::Files | QDir::Hidden),
              QStringList{"report.csv"});  // no temporary file left behind
    umount(device.c_str());
}

}  // namespace
}  // namespace zepra
