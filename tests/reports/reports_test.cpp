// The CSV and text reports: their bytes, and writing them safely (no partial file, a reason).
#include "reports/reports.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <optional>
#include <string>
#include <thread>
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

// Four group files on a disk that fills up after the first: all of them stay as they were (no
// mixed set of new and old reports), no temporary file is left, and the reason is the system's.
TEST_F(ReportFileTest, SeveralFilesOnAFullDiskAreWrittenAllOrNone) {
    const std::string device = PathOf("tiny");
    ASSERT_TRUE(QDir(folder_.path()).mkdir("tiny"));
    if (mount("tmpfs", device.c_str(), "tmpfs", 0, "size=64k") != 0) {
        GTEST_SKIP() << "mounting a small tmpfs is not permitted here";
    }
    std::vector<ReportFile> files;
    for (int group = 1; group <= 4; ++group) {
        const std::string path = device + "/group" + std::to_string(group) + ".csv";
        Write(path, "old\r\n");
        files.push_back({path, std::string(24 * 1024, 'n')});
    }
    const ReportWriteResult result = WriteReportFiles(files);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find("No space left on device"), std::string::npos) << result.error;
    for (const ReportFile& file : files) EXPECT_EQ(Read(file.path), "old\r\n") << file.path;
    EXPECT_EQ(QDir(QString::fromStdString(device)).entryList(QDir::Files | QDir::Hidden).size(), 4);

    // With room for all of them, all four are replaced.
    for (ReportFile& file : files) file.content = "new\r\n";
    EXPECT_TRUE(WriteReportFiles(files).ok);
    for (const ReportFile& file : files) EXPECT_EQ(Read(file.path), "new\r\n") << file.path;
    umount(device.c_str());
}

// A report written piece by piece (the inspection report, page by page) is replaced as one step
// like the others: whole, or not at all when its writer gives up or the disk fills up.
TEST_F(ReportFileTest, AStreamedReportIsReplacedWhollyOrNotAtAll) {
    const auto pieces = [](int count) {
        return [count](QIODevice& out) {
            for (int i = 0; i < count; ++i) out.write(QByteArray(1024, 'p'));
            return std::string();
        };
    };
    const std::string path = PathOf("report.pdf");
    Write(path, "old report");
    const ReportWriteResult gaveUp = WriteReportStreamed(path, [](QIODevice& out) {
        out.write("half a report");
        return std::string("the writer gave up");
    });
    EXPECT_FALSE(gaveUp.ok);
    EXPECT_NE(gaveUp.error.find(path + "\": the writer gave up"), std::string::npos)
        << gaveUp.error;
    EXPECT_EQ(Read(path), "old report");
    EXPECT_EQ(QDir(folder_.path()).entryList(QDir::Files), QStringList{"report.pdf"});

    const ReportWriteResult written = WriteReportStreamed(path, pieces(300));
    EXPECT_TRUE(written.ok) << written.error;
    EXPECT_EQ(Read(path), QByteArray(300 * 1024, 'p'));

    const std::string device = PathOf("tiny");
    ASSERT_TRUE(QDir(folder_.path()).mkdir("tiny"));
    if (mount("tmpfs", device.c_str(), "tmpfs", 0, "size=16k") != 0) {
        GTEST_SKIP() << "mounting a small tmpfs is not permitted here";
    }
    const std::string full = device + "/report.pdf";
    Write(full, "old report");
    const ReportWriteResult noRoom = WriteReportStreamed(full, pieces(256));
    EXPECT_FALSE(noRoom.ok);
    EXPECT_NE(noRoom.error.find("No space left on device"), std::string::npos) << noRoom.error;
    EXPECT_EQ(Read(full), "old report");
    EXPECT_EQ(QDir(QString::fromStdString(device)).entryList(QDir::Files | QDir::Hidden),
              QStringList{"report.pdf"});
    umount(device.c_str());
}

// An existing target that is no regular file is written as a shell's redirection would, never
// replaced by a file: a FIFO (its reader gets the report) and a character device (a private
// copy of /dev/null, made where the tests may make devices).
TEST_F(ReportFileTest, ATargetThatIsNoRegularFileIsWrittenDirectly) {
    const std::string fifo = PathOf("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] {
        QFile in(QString::fromStdString(fifo));
        if (in.open(QIODevice::ReadOnly)) received = in.readAll().toStdString();
    });
    EXPECT_TRUE(WriteReportFile(fifo, "report\r\n").ok);
    reader.join();
    EXPECT_EQ(received, "report\r\n");
    struct stat info {};
    ASSERT_EQ(stat(fifo.c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));

    const std::string null = PathOf("null");
    if (mknod(null.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) {
        GTEST_SKIP() << "making a device is not permitted here";
    }
    const ReportWriteResult result = WriteReportFile(null, "report\r\n");
    EXPECT_TRUE(result.ok) << result.error;
    ASSERT_EQ(stat(null.c_str(), &info), 0);
    EXPECT_TRUE(S_ISCHR(info.st_mode)) << "the device was replaced";

    // A full device says why.
    const std::string full = PathOf("full");
    ASSERT_EQ(mknod(full.c_str(), S_IFCHR | 0666, makedev(1, 7)), 0);
    const ReportWriteResult onFull = WriteReportFile(full, "report\r\n");
    EXPECT_FALSE(onFull.ok);
    EXPECT_NE(onFull.error.find("No space left on device"), std::string::npos) << onFull.error;
}

// Runs `write` in a child process as a plain user (nobody, when the tests run as root) and
// returns its result, or nullopt and why not.
std::optional<ReportWriteResult> AsPlainUser(const std::function<ReportWriteResult()>& write,
                                             std::string& whyNot) {
    int fds[2];
    if (pipe(fds) != 0) {
        whyNot = "no pipe";
        return std::nullopt;
    }
    const pid_t child = fork();
    if (child < 0) {
        whyNot = "cannot fork";
        return std::nullopt;
    }
    if (child == 0) {
        close(fds[0]);
        constexpr uid_t kNobody = 65534;
        if (geteuid() == 0 &&
            (setgroups(0, nullptr) != 0 || setresgid(kNobody, kNobody, kNobody) != 0 ||
             setresuid(kNobody, kNobody, kNobody) != 0)) {
            _exit(3);
        }
        const ReportWriteResult result = write();
        const std::string message = (result.ok ? "1" : "0") + result.error;
        const bool sent =
            ::write(fds[1], message.data(), message.size()) == static_cast<ssize_t>(message.size());
        _exit(sent ? 0 : 4);  // no destructors, no leak check of the parent's objects
    }
    close(fds[1]);
    std::string message;
    char buffer[256];
    ssize_t got = 0;
    while ((got = read(fds[0], buffer, sizeof buffer)) > 0)
        message.append(buffer, static_cast<std::size_t>(got));
    close(fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 3) {
        whyNot = "the tests run as root and cannot drop to a plain user (setresuid refused)";
        return std::nullopt;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || message.empty()) {
        whyNot = "the child process failed";
        return std::nullopt;
    }
    return ReportWriteResult{message[0] == '1', message.substr(1)};
}

ino_t InodeOf(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

// The file the user chose is replaced as long as the user may write it, even in a folder where
// no temporary file can be made (then it is written in place); everywhere else the save stays
// atomic (a new file replaces the old one), and what the user may not write is refused.
TEST_F(ReportFileTest, PlainUserReplacesAWritableFileInAFolderTheyMayNotWrite) {
    const struct {
        const char* what;
        mode_t folderMode;
        std::optional<mode_t> fileMode;  // no file when empty
        bool written;
        bool inPlace;  // the same file (inode) afterwards
    } cases[] = {
        {"writable file, closed folder", 0555, 0666, true, true},
        {"read-only file, closed folder", 0555, 0444, false, true},
        {"no file, closed folder", 0555, std::nullopt, false, false},
        {"writable file, open folder", 0777, 0666, true, false},
        {"no file, open folder", 0777, std::nullopt, true, false},
    };
    ASSERT_EQ(chmod(folder_.path().toLocal8Bit().constData(), 0755), 0);
    int index = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string folder = PathOf(("case" + std::to_string(index++)).c_str());
        ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
        const std::string path = folder + "/report.csv";
        if (c.fileMode) {
            Write(path, "old report\r\n");
            ASSERT_EQ(chmod(path.c_str(), *c.fileMode), 0);
        }
        ASSERT_EQ(chmod(folder.c_str(), c.folderMode), 0);
        const ino_t before = InodeOf(path);

        std::string whyNot;
        const std::optional<ReportWriteResult> result =
            AsPlainUser([&] { return WriteReportFile(path, "new\r\n"); }, whyNot);
        chmod(folder.c_str(), 0755);
        if (!result) {
            GTEST_SKIP() << whyNot;
        }

        EXPECT_EQ(result->ok, c.written) << result->error;
        if (c.written) {
            EXPECT_EQ(Read(path), "new\r\n");
            EXPECT_EQ(InodeOf(path) == before, c.inPlace);
        } else {
            EXPECT_NE(result->error.find("Cannot write the file \"" + path + "\""),
                      std::string::npos)
                << result->error;
            EXPECT_EQ(Read(path),
                      c.fileMode ? QByteArray("old report\r\n") : QByteArray("<missing>"));
        }
        EXPECT_EQ(QDir(QString::fromStdString(folder)).entryList(QDir::Files | QDir::Hidden).size(),
                  c.fileMode || c.written ? 1 : 0);  // no temporary file left behind
    }
}

}  // namespace
}  // namespace zepra
