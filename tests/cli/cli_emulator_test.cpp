// zepra-cli as a user runs it: the built program against the gauge emulator on a pseudo-terminal,
// found through a ZEPRA_SERIALCOMM list, with real files and pipes.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "gauge_emulator.h"

namespace {

using gauge_emulator::DumpFault;
using gauge_emulator::GaugeEmulator;

constexpr int kRunTimeoutMs = 30000;

// A small gauge: group 1 as in the report examples, a full group 2, an empty group 3, a group 4
// that passes ISO 19840 within its limits, and live readings with a no-reading and an overload
// frame among them.
gauge_emulator::Scenario SmallGauge() {
    gauge_emulator::Scenario s;
    s.storedGroups[0] = {150.0f, 50.0f, {10.0f, 20.5f, 30.0f}};
    for (int i = 0; i < 80; ++i)
        s.storedGroups[1].readings.push_back(100.0f + static_cast<float>(i));
    s.storedGroups[1].highLimit = 200.0f;
    s.storedGroups[1].lowLimit = 100.0f;
    s.storedGroups[2] = {100.0f, 50.0f, {}};
    s.storedGroups[3] = {300.0f, 200.0f, {210.0f, 230.5f, 205.0f, 250.0f, 199.5f, 260.0f}};
    s.currentGroup = {150.0f, 100.0f, {120.0f, 118.5f, 125.0f}};
    s.liveReadings = {100.0f, gauge_emulator::kNoReadingValue, 101.5f,
                      gauge_emulator::kOverloadValue, 1234.5f};
    s.liveRate = 50;
    return s;
}

struct CliRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

class CliTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        gauge_ =
            std::make_unique<GaugeEmulator>(SmallGauge(), gauge_emulator::Timing{.fast = true});
        ASSERT_TRUE(gauge_->writeSerialCommFile(listPath()));
    }

    std::string listPath() const { return dir_.filePath("ports.ini").toStdString(); }
    QString path(const char* name) const { return dir_.filePath(name); }

    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("ZEPRA_SERIALCOMM", QString::fromStdString(listPath()));
        env.insert("LC_ALL", "C");
        return env;
    }

    void start(QProcess& process, const QStringList& args) const {
        process.setProcessEnvironment(environment());
        process.start(ZEPRA_CLI_PATH, args);
        ASSERT_TRUE(process.waitForStarted());
    }

    static CliRun finish(QProcess& process) {
        EXPECT_TRUE(process.state() == QProcess::NotRunning ||
                    process.waitForFinished(kRunTimeoutMs));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        return {process.exitCode(), process.readAllStandardOutput().toStdString(),
                process.readAllStandardError().toStdString()};
    }

    CliRun run(const QStringList& args) const {
        QProcess process;
        start(process, args);
        return finish(process);
    }

    std::string readFile(const QString& name) const {
        QFile file(name);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        return file.readAll().toStdString();
    }

    // The emulator got the start and, last of all, the stop of the live stream.
    void expectStreamStartedAndStopped() const {
        const std::vector<std::uint8_t> received = gauge_->receivedCommands();
        ASSERT_FALSE(received.empty());
        EXPECT_EQ(received.front(), gauge_emulator::kStartLive);
        EXPECT_EQ(received.back(), gauge_emulator::kStopLive);
        EXPECT_FALSE(gauge_->isStreaming());
    }

    QTemporaryDir dir_;
    std::unique_ptr<GaugeEmulator> gauge_;
};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return lines;
}

// ---- help, version, usage ----

TEST_F(CliTest, HelpVersionAndUsageErrors) {
    CliRun r = run({"--version"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out.rfind("zepra-cli ", 0), 0u);
    for (const char* command : {"ports", "download", "capture", "check"}) {
        r = run({command, "--help"});
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_NE(r.out.find(std::string("usage: zepra-cli ") + command), std::string::npos);
    }
    r = run({"download", "7"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err,
              "zepra-cli: bad GROUP '7' (1, 2, 3, 4, current or all)\n"
              "Try 'zepra-cli download --help'.\n");
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(gauge_->receivedCommands().empty());
}

// ---- ports ----

TEST_F(CliTest, PortsListsTheLookupAndTheUsedPort) {
    CliRun r = run({"ports"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "COM3  " + gauge_->devicePath() + "  (used)\n");

    QFile list(QString::fromStdString(listPath()));
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    list.write("[SERIALCOMM]\n\\Device\\slabser0=COM12\n\\Device\\silabser0=COM40\n[PORTS]\nCOM1=" +
               QByteArray::fromStdString(gauge_->devicePath()) + "\n");
    list.close();
    r = run({"ports"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out,
              "COM40 (taken as COM1)  " + gauge_->devicePath() + "  (used)\nCOM12  (no device)\n");

    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    list.write("[SERIALCOMM]\n\\Device\\Serial0=COM1\n");
    list.close();
    r = run({"ports"});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err,
              "No com-port! Please check out the line-connection and the "
              "device-driver-installation!\n");

    list.remove();
    r = run({"ports"});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.err, "RegOpenKey error!\n");
}

// ---- download ----

TEST_F(CliTest, DownloadWritesTheWindowsReportsByteForByte) {
    CliRun r = run({"download", "1"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out,
              "\"NO.\",\"Samples\",\"Unit\"\r\n1,\"10\",\"um\"\r\n2,\"20.5\",\"um\"\r\n"
              "3,\"30\",\"um\"\r\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(gauge_->receivedCommands(), std::vector<std::uint8_t>{0xF2});

    r = run({"download", "1", "--unit", "mils", "--output", path("g1.csv")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(readFile(path("g1.csv")),
              "\"NO.\",\"Samples\",\"Unit\"\r\n1,\"0.394\",\"mils\"\r\n2,\"0.807\",\"mils\"\r\n"
              "3,\"1.181\",\"mils\"\r\n");

    r = run({"download", "current", "--format", "txt"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0].rfind("Samples Report unit(um)", 0), 0u);
    EXPECT_EQ(lines[1], "\r");
    EXPECT_EQ(lines[2], " 1            120\r");
    EXPECT_EQ(lines[3], " 2            119\r");  // 118.5 rounds half away from zero
    EXPECT_EQ(lines[4], " 3            125\r");
}

TEST_F(CliTest, DownloadAllIntoAFolderAndAsJson) {
    CliRun r = run({"download", "all", "--format", "csv", "--output", path("out/all")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(gauge_->receivedCommands(), std::vector<std::uint8_t>{0xF6});
    EXPECT_EQ(QDir(path("out/all")).entryList(QDir::Files),
              (QStringList{"group1.csv", "group2.csv", "group3.csv", "group4.csv"}));
    EXPECT_EQ(readFile(path("out/all/group3.csv")), "\"NO.\",\"Samples\",\"Unit\"\r\n");
    EXPECT_EQ(Lines(readFile(path("out/all/group2.csv"))).size(), 81u);
    EXPECT_EQ(Lines(readFile(path("out/all/group2.csv")))[80], "80,\"179\",\"um\"\r");

    r = run({"download", "all", "--format", "json"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const QJsonObject document = QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).object();
    EXPECT_EQ(document["unit"].toString(), "um");
    const QJsonArray groups = document["groups"].toArray();
    ASSERT_EQ(groups.size(), 4);
    const QJsonObject first = groups[0].toObject();
    EXPECT_EQ(first["group"].toString(), "1");
    EXPECT_EQ(first["highLimit"].toObject()["micrometres"].toDouble(), 150.0);
    EXPECT_EQ(first["lowLimit"].toObject()["label"].toString(), "Low-limit:  50");
    const QJsonArray readings = first["readings"].toArray();
    ASSERT_EQ(readings.size(), 3);
    EXPECT_EQ(readings[1].toObject()["micrometres"].toDouble(), 20.5);
    EXPECT_EQ(readings[1].toObject()["text"].toString(), "20.5");
    const QJsonObject statistics = first["statistics"].toObject();
    EXPECT_EQ(statistics["count"].toObject()["label"].toString(), "Counts:   3");
    EXPECT_EQ(statistics["maximum"].toObject()["label"].toString(), "Max:  30");
    EXPECT_EQ(statistics["minimum"].toObject()["label"].toString(), "Min:  10");
    EXPECT_EQ(statistics["mean"].toObject()["label"].toString(), "Mean:  20.2");
    EXPECT_EQ(statistics["deviation"].toObject()["label"].toString(), "Std.dev.:  10");
    EXPECT_EQ(statistics["unitLine"].toString(), "Unit:        um");
    EXPECT_TRUE(groups[2].toObject()["statistics"].isNull());
    EXPECT_EQ(groups[3].toObject()["readings"].toArray().size(), 6);
}

// A full standard output (a full disk, /dev/full) is an error with the system's reason, never a
// silent exit; a capture whose output fills ends with exit 2, not as a finished capture.
TEST_F(CliTest, AFullStandardOutputIsSaidWithItsReason) {
    const std::string expected = "Cannot write to the standard output: No space left on device.";
    const QStringList cases[] = {
        {"ports"},
        {"download", "1"},
        {"download", "all", "--format", "json"},
        {"capture", "--count", "3"},
        {"check", "--standard", "iso19840", "--group", "4"},
    };
    for (const QStringList& args : cases) {
        SCOPED_TRACE(args.join(' ').toStdString());
        QProcess process;
        process.setStandardOutputFile("/dev/full");
        start(process, args);
        const CliRun r = finish(process);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_NE(r.err.find(expected), std::string::npos) << r.err;
    }
}

// Out of file descriptors, the port list cannot be read: the message says why.
TEST_F(CliTest, PortListWithoutFileDescriptorsSaysWhy) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizers' runtime needs descriptors of its own";
#endif
    QProcess shell;
    shell.setProcessEnvironment(environment());
    // Descriptors the test runner passed on are closed first: only the three standard ones stay.
    shell.start("/bin/bash",
                {"-c",
                 "for fd in $(ls /proc/$$/fd); do [ \"$fd\" -gt 2 ] && eval \"exec $fd>&-\"; "
                 "done; ulimit -n 4 && exec \"$0\" ports",
                 ZEPRA_CLI_PATH});
    ASSERT_TRUE(shell.waitForFinished(kRunTimeoutMs));
    EXPECT_EQ(shell.exitCode(), 3);
    EXPECT_EQ(shell.readAllStandardError().toStdString(),
              "RegOpenKey error! (Too many open files)\n");
}

// A standard output whose reader has gone (a closed pipe) is said as well, by every command that
// writes its result there.
TEST_F(CliTest, AClosedOutputPipeIsSaid) {
    const QStringList cases[] = {
        {"ports"},
        {"download", "1"},
        {"check", "--standard", "iso19840", "--group", "4"},
    };
    for (const QStringList& args : cases) {
        SCOPED_TRACE(args.join(' ').toStdString());
        QProcess process;
        process.setChildProcessModifier([] {
            int ends[2];
            if (::pipe(ends) != 0) return;
            ::close(ends[0]);  // no reader: every write fails with EPIPE
            ::dup2(ends[1], STDOUT_FILENO);
        });
        start(process, args);
        const CliRun r = finish(process);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_NE(r.err.find("Cannot write to the standard output."), std::string::npos) << r.err;
    }
}

// --output naming something that is no regular file writes to it, as a shell's redirection
// would: /dev/stdout, and a device (a private copy of /dev/null, where devices may be made),
// which stays a device.
TEST_F(CliTest, OutputToStandardOutputOrADevice) {
    CliRun r = run({"download", "1", "--output", "/dev/stdout"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const CliRun toFile = run({"download", "1", "--output", path("group1.csv")});
    EXPECT_EQ(toFile.exitCode, 0) << toFile.err;
    EXPECT_EQ(r.out, readFile(path("group1.csv")));
    EXPECT_EQ(Lines(r.out).size(), 4u);

    const std::string null = path("null").toStdString();
    if (mknod(null.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) {
        GTEST_SKIP() << "making a device is not permitted here";
    }
    r = run({"download", "1", "--output", path("null")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    struct stat info {};
    ASSERT_EQ(stat(null.c_str(), &info), 0);
    EXPECT_TRUE(S_ISCHR(info.st_mode)) << "the device was replaced by a file";
}

// download all replaces the four files together or not at all: on a disk that fills up after
// the first, every file keeps its old report and the message names the system's reason.
TEST_F(CliTest, DownloadAllOnAFullDiskLeavesEveryFileAsItWas) {
    const std::string folder = path("tiny").toStdString();
    ASSERT_TRUE(QDir().mkpath(path("tiny")));
    if (mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=32k") != 0) {
        GTEST_SKIP() << "mounting a small tmpfs is not permitted here";
    }
    for (const char* name : {"group1.csv", "group2.csv", "group3.csv", "group4.csv"}) {
        std::ofstream(folder + "/" + name) << "old\r\n";
    }
    // Eight pages: four old files and the filler take six, the first two new files the rest.
    std::ofstream(folder + "/filler") << std::string(6 * 1024, 'x');
    const CliRun r = run({"download", "all", "--format", "csv", "--output", path("tiny")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("No space left on device"), std::string::npos) << r.err;
    for (const char* name : {"group1.csv", "group2.csv", "group3.csv", "group4.csv"}) {
        EXPECT_EQ(readFile(path("tiny") + "/" + name), "old\r\n") << name;
    }
    umount(folder.c_str());
}

TEST_F(CliTest, SilentGaugeAndBrokenDumpsEndWithTheWindowsMessage) {
    struct Case {
        const char* what;
        DumpFault fault;
        QStringList args;
    };
    const Case cases[] = {
        {"no answer", {.kind = DumpFault::Kind::NoAnswer}, {"download", "2"}},
        {"no answer within --timeout",
         {.kind = DumpFault::Kind::NoAnswer},
         {"download", "2", "--timeout", "0.5"}},
        {"truncated dump",
         {.kind = DumpFault::Kind::Truncate, .truncateAfter = 30},
         {"download", "2", "--format", "json"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        gauge_->setDumpFault(c.fault);
        const CliRun r = run(c.args);
        EXPECT_EQ(r.exitCode, 4);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "No answer from the gauge!\n");
    }
}

// With standard error on a terminal, a dump shows its progress. The gauge stops after 100 of the
// 328 data bytes, so the line stays until the link gives up.
TEST_F(CliTest, ProgressLineOnATerminal) {
    int master = -1;
    int slave = -1;
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    gauge_->setDumpFault({.kind = DumpFault::Kind::Truncate, .truncateAfter = 101});
    QProcess process;
    process.setChildProcessModifier([slave] { ::dup2(slave, STDERR_FILENO); });
    start(process, {"download", "2"});
    ::close(slave);
    const CliRun r = finish(process);
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_EQ(r.out, "");

    ::fcntl(master, F_SETFL, O_NONBLOCK);
    std::string terminal;
    char buffer[4096];
    for (ssize_t got; (got = ::read(master, buffer, sizeof buffer)) > 0;) {
        terminal.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(master);
    EXPECT_NE(terminal.find("\rDownloading group 2: 100 of 328 bytes"), std::string::npos)
        << terminal;
    // The line is cleared before the message.
    EXPECT_NE(terminal.find("\r\033[KNo answer from the gauge!"), std::string::npos) << terminal;
}

TEST_F(CliTest, AnOversizedGroupIsRefusedAndTheOthersAreKept) {
    gauge_->setDumpFault({.kind = DumpFault::Kind::Oversize, .group = 2, .announcedCount = 90});
    const CliRun r = run({"download", "all", "--format", "json"});
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_EQ(r.err,
              "The gauge sent group 2 with 90 readings; at most 80 can be stored. The group was "
              "not stored.\n");
    const QJsonArray groups =
        QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).object()["groups"].toArray();
    ASSERT_EQ(groups.size(), 3);
    EXPECT_EQ(groups[1].toObject()["group"].toString(), "3");
}

// Nine bytes that frame as a dump of no readings with zero limits: the link counts one dump too
// many and finds the last one left over.
const std::vector<std::uint8_t> kEmptyDump(9, 0);

// The folder's four files are one set: whatever stops the download, none of them is replaced.
TEST_F(CliTest, DownloadAllIntoAFolderReplacesAllFourFilesOrNone) {
    struct Case {
        const char* what;
        DumpFault fault;
        const char* message;
    };
    const Case cases[] = {
        {"group 2 too large",
         {.kind = DumpFault::Kind::Oversize, .group = 2, .announcedCount = 90},
         "The gauge sent group 2 with 90 readings; at most 80 can be stored. The group was not "
         "stored."},
        {"group 3 cut short",
         {.kind = DumpFault::Kind::Truncate, .group = 3, .truncateAfter = 5},
         "No answer from the gauge!"},
        {"an empty dump too many after group 1",
         {.kind = DumpFault::Kind::Trailing, .group = 1, .trailing = kEmptyDump},
         "slipped out of step"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(QDir().mkpath(path("set")));
        for (const char* name : {"group1.csv", "group2.csv", "group3.csv", "group4.csv"}) {
            std::ofstream(path("set").toStdString() + "/" + name) << "old\r\n";
        }
        gauge_->setDumpFault(c.fault);
        const CliRun r = run({"download", "all", "--format", "csv", "--output", path("set")});
        EXPECT_EQ(r.exitCode, 4);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("No file in"), std::string::npos) << r.err;
        for (const char* name : {"group1.csv", "group2.csv", "group3.csv", "group4.csv"}) {
            EXPECT_EQ(readFile(path("set") + "/" + name), "old\r\n") << name;
        }
    }
}

// Bytes after a dump that belong to none: the framing slipped, and nothing of that exchange is
// given out as a group, whatever the format.
TEST_F(CliTest, StrayBytesAfterADumpAreSaidAndNothingIsGivenOut) {
    struct Case {
        const char* what;
        DumpFault fault;
        QStringList args;
    };
    const Case cases[] = {
        {"an empty dump too many between the dumps of all groups",
         {.kind = DumpFault::Kind::Trailing, .group = 1, .trailing = kEmptyDump},
         {"download", "all", "--format", "json"}},
        {"after the fourth dump",
         {.kind = DumpFault::Kind::Trailing, .group = 4, .trailing = {9}},
         {"download", "all", "--format", "json"}},
        {"after a single dump",
         {.kind = DumpFault::Kind::Trailing, .group = 2, .trailing = {9, 9}},
         {"download", "2", "--format", "json"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        gauge_->setDumpFault(c.fault);
        const CliRun r = run(c.args);
        EXPECT_EQ(r.exitCode, 4);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("The gauge sent more bytes than the groups it announced"),
                  std::string::npos)
            << r.err;
    }
}

TEST_F(CliTest, PortOptionAndPortsThatCannotBeOpened) {
    // --port skips the list, even one that cannot be read.
    QFile::remove(QString::fromStdString(listPath()));
    CliRun r = run({"download", "1", "--port", QString::fromStdString(gauge_->devicePath())});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Lines(r.out).size(), 4u);

    r = run({"download", "1"});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.err, "RegOpenKey error!\n");

    r = run({"download", "1", "--port", path("no-such-device")});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.err.rfind("Cannot open " + path("no-such-device").toStdString() + ": ", 0), 0u)
        << r.err;

    // The device vanished before the program came: its port cannot be opened. (Not a closed
    // pseudo-terminal: the system hands its number to the next one opened, another test's gauge.)
    const std::string gone = path("ttyUSB-gone").toStdString();
    QFile list(QString::fromStdString(listPath()));
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    list.write(("[SERIALCOMM]\n\\Device\\silabser0=COM3\n[PORTS]\nCOM3=" + gone + "\n").c_str());
    list.close();
    r = run({"capture", "--count", "1"});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.err.rfind("Cannot open COM3 (" + gone + "): ", 0), 0u) << r.err;
}

TEST_F(CliTest, DownloadEndsWhenTheDeviceVanishes) {
    gauge_->setDumpFault({.kind = DumpFault::Kind::NoAnswer});
    QProcess process;
    start(process, {"download", "all", "--format", "json", "--timeout", "30"});
    // Gone once the request has reached it.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !gauge_->receivedCommands().empty(); }, 10000));
    gauge_->vanish();
    const CliRun r = finish(process);
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("The gauge is no longer connected (", 0), 0u) << r.err;
}

// ---- capture ----

TEST_F(CliTest, CaptureWritesOneLinePerReadingAndStopsTheStream) {
    CliRun r = run({"capture", "--count", "3"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "number,value,unit,time");
    // No-reading and overload frames are skipped; 1234.5 um is listed truncated, as in the list.
    EXPECT_EQ(lines[1].rfind("1,100,um,", 0), 0u) << lines[1];
    EXPECT_EQ(lines[2].rfind("2,102,um,", 0), 0u) << lines[2];
    EXPECT_EQ(lines[3].rfind("3,1234,um,", 0), 0u) << lines[3];
    expectStreamStartedAndStopped();

    gauge_->clearReceivedCommands();
    r = run({"capture", "--count", "3", "--format", "jsonl", "--unit", "mils"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    std::vector<std::string> events;
    for (const std::string& line : Lines(r.out)) {
        const QJsonObject event = QJsonDocument::fromJson(QByteArray::fromStdString(line)).object();
        std::string text = event["event"].toString().toStdString();
        if (text == "reading") {
            text += " " + event["number"].toVariant().toString().toStdString() + " " +
                    event["value"].toString().toStdString() + " " +
                    event["unit"].toString().toStdString();
        }
        EXPECT_FALSE(event["time"].toString().isEmpty());
        events.push_back(text);
    }
    EXPECT_EQ(events,
              (std::vector<std::string>{"reading 1 3.94 mils", "no-reading", "reading 2 4 mils",
                                        "overload", "reading 3 48.6 mils"}));
    expectStreamStartedAndStopped();
}

// --wait: started before the gauge is plugged in, capture waits for the list of ports to name it;
// with SECONDS it ends with the usual no-port exit when none comes.
TEST_F(CliTest, CaptureWaitsForTheGaugeToBePluggedIn) {
    QFile::remove(QString::fromStdString(listPath()));
    CliRun r = run({"capture", "--count", "1", "--wait", "0.5"});
    EXPECT_EQ(r.exitCode, 3) << r.err;
    EXPECT_NE(r.err.find("Waiting for the gauge"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("RegOpenKey error!"), std::string::npos) << r.err;

    QProcess process;
    start(process, {"capture", "--wait", "--count", "2"});
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return process.readAllStandardError().contains("Waiting for the gauge"); }, 5000));
    ASSERT_TRUE(gauge_->writeSerialCommFile(listPath()));
    r = finish(process);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Lines(r.out).size(), 3u) << r.out;
    expectStreamStartedAndStopped();
}

// What capture writes is a file that check (and report) read back.
TEST_F(CliTest, CheckReadsACaptureFile) {
    CliRun r = run({"capture", "--count", "5"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const QString file = path("live.csv");
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(QByteArray::fromStdString(r.out));
    out.close();
    r = run({"check", "--standard", "iso19840", "--file", file, "--ndft", "100", "--max", "1300"});
    EXPECT_EQ(r.exitCode, 0) << r.err << r.out;
    EXPECT_EQ(r.err, "");
    EXPECT_NE(r.out.find("5 readings from the file " + file.toStdString()), std::string::npos)
        << r.out;
    // The texts as captured are checked: 100, 102, 1234, 100, 102 um (the live readings repeat).
    EXPECT_NE(r.out.find("327.6 um"), std::string::npos) << r.out;
}

TEST_F(CliTest, CaptureStopsOnCtrlC) {
    QProcess process;
    start(process, {"capture"});
    // Header and two readings.
    std::string out;
    while (std::count(out.begin(), out.end(), '\n') < 3 && process.waitForReadyRead(10000)) {
        out += process.readAllStandardOutput().toStdString();
    }
    ASSERT_GE(std::count(out.begin(), out.end(), '\n'), 3);
    ::kill(static_cast<pid_t>(process.processId()), SIGINT);
    const CliRun r = finish(process);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    expectStreamStartedAndStopped();
}

TEST_F(CliTest, CaptureStopsWhenTheOutputPipeCloses) {
    QProcess shell;
    shell.setProcessEnvironment(environment());
    // The program's own exit code, not head's.
    shell.start("/bin/bash",
                {"-c", "\"$0\" capture | head -n 3; exit \"${PIPESTATUS[0]}\"", ZEPRA_CLI_PATH});
    ASSERT_TRUE(shell.waitForFinished(kRunTimeoutMs));
    const std::string out = shell.readAllStandardOutput().toStdString();
    EXPECT_EQ(Lines(out).size(), 3u);
    EXPECT_EQ(shell.exitCode(), 0);
    expectStreamStartedAndStopped();
}

// The reader goes away while the gauge sends nothing: the stream is stopped all the same.
TEST_F(CliTest, CaptureStopsWhenTheOutputPipeClosesOnASilentGauge) {
    gauge_emulator::Scenario silent = SmallGauge();
    silent.liveReadings.clear();
    gauge_->setScenario(silent);
    QProcess shell;
    shell.setProcessEnvironment(environment());
    shell.start(
        "/bin/bash",
        {"-c", "\"$0\" capture --format jsonl | true; exit \"${PIPESTATUS[0]}\"", ZEPRA_CLI_PATH});
    ASSERT_TRUE(shell.waitForFinished(kRunTimeoutMs));
    EXPECT_EQ(shell.exitCode(), 0) << shell.readAllStandardError().toStdString();
    expectStreamStartedAndStopped();
}

TEST_F(CliTest, CaptureOfASilentGaugeEndsByTimeOrByTimeout) {
    gauge_emulator::Scenario silent = SmallGauge();
    silent.liveReadings.clear();
    gauge_->setScenario(silent);

    CliRun r = run({"capture", "--seconds", "0.5"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "number,value,unit,time\n");
    expectStreamStartedAndStopped();

    gauge_->clearReceivedCommands();
    r = run({"capture", "--timeout", "0.5", "--format", "jsonl"});
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "No answer from the gauge!\n");
    expectStreamStartedAndStopped();
}

// Frames whose flag byte says they carry nothing to show are still the gauge answering.
TEST_F(CliTest, CaptureTimeoutCountsFramesThatCarryNothing) {
    gauge_emulator::Scenario quiet = SmallGauge();
    quiet.liveReadings.clear();
    gauge_->setScenario(quiet);
    QProcess process;
    start(process, {"capture", "--timeout", "0.4", "--seconds", "1.5", "--format", "jsonl"});
    QElapsedTimer running;
    running.start();
    while (process.state() == QProcess::Running && running.elapsed() < 5000) {
        gauge_->sendLiveFrame(100.0f, 0x00);
        process.waitForFinished(100);
    }
    const CliRun r = finish(process);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "");
}

// The command line keeps nothing: it captures past the windows' 50,000 readings and numbers on.
TEST_F(CliTest, CaptureGoesOnPastTheWindowsLimit) {
    gauge_emulator::Scenario quick = SmallGauge();
    quick.liveReadings = {100.0f, 101.5f};
    quick.liveRate = 20000;
    gauge_->setScenario(quick);
    QProcess process;
    start(process, {"capture", "--count", "50010"});
    EXPECT_TRUE(process.waitForFinished(120000));
    const CliRun r = finish(process);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 50011u);  // the header, then the readings
    EXPECT_EQ(lines.back().substr(0, 6), "50010,");
}

TEST_F(CliTest, CaptureEndsWhenTheDeviceVanishes) {
    QProcess process;
    start(process, {"capture"});
    std::string out;
    while (std::count(out.begin(), out.end(), '\n') < 2 && process.waitForReadyRead(10000)) {
        out += process.readAllStandardOutput().toStdString();
    }
    gauge_->vanish();
    const CliRun r = finish(process);
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_EQ(r.err.rfind("The gauge is no longer connected (", 0), 0u) << r.err;
}

// ---- check ----

TEST_F(CliTest, CheckAGroupAgainstItsOwnLimits) {
    CliRun r = run({"check", "--standard", "iso19840", "--group", "4"});
    EXPECT_EQ(r.exitCode, 0) << r.err << r.out;
    EXPECT_EQ(r.out,
              "ISO 19840: 6 readings from group 4 (the gauge's stored values), in um\n"
              "NDFT: 200 um (the group's low limit)\n"
              "Maximum: 300 um (the group's high limit)\n"
              "\n"
              "Criterion                                 Required                          "
              "Measured         Result\n"
              "Mean of all readings                      >= 200 um (NDFT)                  "
              "225.83 um        pass\n"
              "Lowest reading                            >= 160 um (80 % of NDFT)          "
              "199.5 um         pass\n"
              "Readings from 80 % of NDFT to below NDFT  fewer than 20 % of 6 (at most 1)  "
              "1 of 6 (16.7 %)  pass\n"
              "Highest reading                           <= 300 um                         "
              "260 um           pass\n"
              "\n"
              "Verdict: PASS (number of readings not checked: no surface area given)\n");

    r = run({"check", "--standard", "imo-pspc", "--group", "4", "--format", "json"});
    EXPECT_EQ(r.exitCode, 1) << r.err;
    const QJsonObject verdict = QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).object();
    EXPECT_EQ(verdict["standard"].toString(), "IMO PSPC");
    EXPECT_EQ(verdict["source"].toObject()["group"].toString(), "4");
    EXPECT_EQ(verdict["limits"].toObject()["ndft"].toObject()["from"].toString(),
              "the group's low limit");
    EXPECT_FALSE(verdict["pass"].toBool());
    const QJsonArray criteria = verdict["criteria"].toArray();
    ASSERT_EQ(criteria.size(), 3);
    EXPECT_EQ(criteria[0].toObject()["measured"].toString(), "5 of 6 (83.3 %)");
    EXPECT_EQ(criteria[0].toObject()["count"].toInt(), 5);
    EXPECT_EQ(criteria[0].toObject()["requiredCount"].toInt(), 6);
    EXPECT_FALSE(criteria[0].toObject()["pass"].toBool());
    // Numbers beside the texts, in micrometres and in the chosen unit.
    const QJsonObject lowest = criteria[1].toObject();
    EXPECT_EQ(lowest["rule"].toString(), "every reading >= 90 % of NDFT");
    EXPECT_EQ(lowest["requiredValues"].toArray()[0].toObject()["micrometres"].toDouble(), 180);
    EXPECT_EQ(lowest["measuredValues"].toArray()[0].toObject()["micrometres"].toDouble(), 199.5);
    EXPECT_EQ(lowest["measuredValues"].toArray()[0].toObject()["text"].toString(), "199.5");
    EXPECT_EQ(verdict["source"].toObject()["values"].toString(), "gauge values");
    EXPECT_EQ(verdict["readingList"].toArray().size(), 6);

    gauge_->setDumpFault({.kind = DumpFault::Kind::NoAnswer});
    r = run({"check", "--standard", "sspc-pa2", "--group", "1", "--timeout", "0.5"});
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_EQ(r.err, "No answer from the gauge!\n");
}

TEST_F(CliTest, CheckOfAnEmptyGroupOrOneWithoutLimits) {
    // No readings: no verdict (exit code 6), and JSON still gives its one object.
    CliRun r = run({"check", "--standard", "iso19840", "--group", "3"});
    EXPECT_EQ(r.exitCode, 6);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "There are no readings to check.\n");
    r = run({"check", "--standard", "iso19840", "--group", "3", "--format", "json"});
    EXPECT_EQ(r.exitCode, 6);
    const QJsonObject empty = QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).object();
    EXPECT_EQ(empty["verdict"].toString(), "NO VERDICT") << r.out;
    EXPECT_EQ(empty["reason"].toString(), "There are no readings to check.");
    EXPECT_EQ(empty["readings"].toInt(-1), 0);
    EXPECT_FALSE(empty["pass"].toBool(true));

    gauge_emulator::Scenario noLimits = SmallGauge();
    noLimits.storedGroups[0].lowLimit = 0;
    gauge_->setScenario(noLimits);
    r = run({"check", "--standard", "imo-pspc", "--group", "1"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, "The group's low limit (0 um) cannot stand in for the NDFT: give the NDFT.\n");
    r = run({"check", "--standard", "imo-pspc", "--group", "1", "--ndft", "20"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.out.find("NDFT: 20 um (given)\nMaximum: 150 um (the group's high limit)\n"),
              std::string::npos)
        << r.out;
}

TEST_F(CliTest, CheckASavedReportInEitherUnit) {
    for (const char* unit : {"um", "mils"}) {
        SCOPED_TRACE(unit);
        const QString file = path("group4.csv");
        CliRun r = run({"download", "4", "--unit", unit, "--output", file});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        // The texts in the file are what is checked: 199.5 um was saved as "200", 7.854 mils.
        r = run({"check", "--standard", "sspc-pa2", "--file", file, "--min", "200", "--max", "300",
                 "--spots-per-area", "2"});
        EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
        EXPECT_NE(r.out.find("SSPC-PA 2: 6 readings from the file " + file.toStdString() +
                             " (the report's texts, rounded as the window showed them), in um"),
                  std::string::npos);
        EXPECT_NE(r.out.find("Minimum: 200 um (given)"), std::string::npos);
        EXPECT_NE(r.out.find("Spots per area: 2 (given)"), std::string::npos);
        if (std::string(unit) == "um") {
            EXPECT_NE(r.out.find("  spot 1 (readings 1, 2, 3): mean 215.33 um, area 1\n"),
                      std::string::npos)
                << r.out;
        }
        EXPECT_NE(r.out.find("Verdict: PASS"), std::string::npos);

        // Five spots make the standard's area: six readings make none, and say so.
        r = run(
            {"check", "--standard", "sspc-pa2", "--file", file, "--min", "200", "--max", "300"});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(r.out.find("2 spots not used (readings 1, 2, 3, 4, 5, 6)"), std::string::npos)
            << r.out;
    }
    // The group's mean is 225.83: an NDFT of 9 mils (228.6 um) fails it.
    const CliRun r = run({"check", "--standard", "iso19840", "--file", path("group4.csv"), "--ndft",
                          "9", "--unit", "mils"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.out.find("No maximum was given: 3 x NDFT = 27 mils is used."), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("Verdict: FAIL"), std::string::npos);
}

TEST_F(CliTest, CheckRefusesABadCsvFile) {
    const QString file = path("bad.csv");
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write("\"NO.\",\"Samples\",\"Unit\"\r\n1,\"120\",\"um\"\r\n2,\"12O\",\"um\"\r\n");
    out.close();
    CliRun r = run({"check", "--standard", "iso19840", "--file", file, "--ndft", "100"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "The file \"" + file.toStdString() +
                         "\": line 3: '12O' is no thickness (not a decimal number).\n");

    r = run({"check", "--standard", "iso19840", "--file", path("missing.csv"), "--ndft", "100"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, "Cannot read the file \"" + path("missing.csv").toStdString() + "\".\n");

    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write("\"NO.\",\"Samples\",\"Unit\"\r\n");
    out.close();
    r = run({"check", "--standard", "iso19840", "--file", file, "--ndft", "100"});
    EXPECT_EQ(r.exitCode, 6);
    EXPECT_EQ(r.err, "There are no readings to check.\n");
}

TEST_F(CliTest, CheckGivesJsonWithNumbersExclusionsAndOrigins) {
    const QString file = path("spots.csv");
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    // Readings 4 and 5 are a probe slip; 2 readings do not complete a spot.
    out.write(
        "\xEF\xBB\xBF\"NO.\",\"Samples\",\"Unit\"\n"
        "1,\"5,9\",\"mils\"\n2,\"6\",\"mils\"\n3,\"6,1\",\"mils\"\n4,\"0,5\",\"mils\"\n"
        "5,\"20\",\"mils\"\n6,\"4\",\"mils\"\n7,\"4\",\"mils\"\n8,\"4\",\"mils\"\n"
        "9,\"4\",\"mils\"\n10,\"4\",\"mils\"\n");
    out.close();
    CliRun r = run({"check", "--standard", "sspc-pa2", "--file", file, "--min", "4", "--max", "6",
                    "--unit", "mils", "--spots-per-area", "1", "--exclude", "4,5", "--reason",
                    "probe slip", "--format", "json"});
    EXPECT_EQ(r.exitCode, 0) << r.err << r.out;
    const QJsonObject verdict = QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).object();
    EXPECT_TRUE(verdict["pass"].toBool());
    EXPECT_EQ(verdict["source"].toObject()["values"].toString(), "report texts");
    EXPECT_EQ(verdict["excluded"].toArray().size(), 2);
    EXPECT_EQ(verdict["excluded"].toArray()[0].toObject()["reason"].toString(), "probe slip");
    const QJsonArray areas = verdict["areas"].toArray();
    ASSERT_EQ(areas.size(), 2);
    EXPECT_EQ(areas[0].toObject()["mean"].toObject()["text"].toString(), "6");
    EXPECT_DOUBLE_EQ(areas[0].toObject()["mean"].toObject()["micrometres"].toDouble(), 152.4);
    EXPECT_EQ(areas[0].toObject()["mean"].toObject()["inUnit"].toDouble(), 6);
    const QJsonArray parameters = verdict["parameters"].toArray();
    EXPECT_EQ(parameters[0].toObject()["text"].toString(), "4 mils");
    EXPECT_EQ(parameters[0].toObject()["from"].toString(), "given");
    EXPECT_EQ(parameters[2].toObject()["name"].toString(), "Level");
    EXPECT_EQ(parameters[2].toObject()["from"].toString(), "the default");
    const QJsonArray list = verdict["readingList"].toArray();
    ASSERT_EQ(list.size(), 10);
    EXPECT_TRUE(list[3].toObject()["excluded"].toBool());
    EXPECT_TRUE(list[9].toObject()["unused"].toBool());
    EXPECT_EQ(verdict["notes"].toArray().size(), 3) << r.out;

    r = run({"check", "--standard", "sspc-pa2", "--file", file, "--min", "4", "--max", "6",
             "--exclude", "11", "--reason", "weld seam"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, "Reading 11 cannot be excluded: there are 10 readings.\n");
}

TEST_F(CliTest, CheckReadsAFifoButNeverHangsOnIt) {
    const std::string fifo = path("pipe").toStdString();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    QElapsedTimer timer;
    timer.start();
    CliRun r = run({"check", "--standard", "iso19840", "--file", QString::fromStdString(fifo),
                    "--ndft", "100", "--timeout", "0.5"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, "The file \"" + fifo + "\" did not end within 0.5 s (--timeout).\n");
    EXPECT_LT(timer.elapsed(), 5000);

    // With a writer it is read like any file.
    std::thread writer(
        [&] { std::ofstream(fifo) << "\"NO.\",\"Samples\",\"Unit\"\r\n1,\"100\",\"um\"\r\n"; });
    r = run({"check", "--standard", "iso19840", "--file", QString::fromStdString(fifo), "--ndft",
             "100"});
    writer.join();
    EXPECT_EQ(r.exitCode, 0) << r.err;
}

}  // namespace
