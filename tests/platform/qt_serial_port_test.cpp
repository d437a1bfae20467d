// The real serial port against a plain pseudo-terminal: the test plays the gauge on the master
// side.
#include "platform/qt_serial_port.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QTest>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

namespace zepra {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A pseudo-terminal in raw mode; the master side is the "gauge".
class Terminal {
  public:
    Terminal() {
        termios raw{};
        ::cfmakeraw(&raw);
        if (::openpty(&master_, &slave_, nullptr, &raw, nullptr) != 0) return;
        ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
        path_ = ::ttyname(slave_);
    }
    ~Terminal() {
        closeMaster();
        if (slave_ >= 0) ::close(slave_);
    }
    const std::string& path() const { return path_; }
    void send(const Bytes& bytes) const {
        ASSERT_EQ(::write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    // Bytes the port wrote, gathered until `count` arrived or the time-out passed.
    Bytes receive(std::size_t count) const {
        Bytes bytes;
        (void)QTest::qWaitFor(
            [&] {
                std::uint8_t buffer[64];
                const ssize_t n = ::read(master_, buffer, sizeof buffer);
                if (n > 0) bytes.insert(bytes.end(), buffer, buffer + n);
                return bytes.size() >= count;
            },
            5000);
        return bytes;
    }
    // Waits, without running the event loop, until the terminal holds `count` unread bytes.
    bool waitUntilQueued(int count) const {
        for (int i = 0; i < 500; ++i) {
            int queued = 0;
            if (::ioctl(slave_, FIONREAD, &queued) == 0 && queued >= count) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
    void closeMaster() {
        if (master_ >= 0) ::close(master_);
        master_ = -1;
    }

  private:
    int master_ = -1;
    int slave_ = -1;
    std::string path_;
};

class QtSerialPortTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(terminal.path().empty()) << "no pseudo-terminal";
        port.setPortNumber(3);
        port.onDataReceived = [this] { ++notifications; };
        port.onDeviceGone = [this](const std::string& reason) {
            ++goneReports;
            goneReason = reason;
        };
        std::string error;
        ASSERT_TRUE(port.open(error)) << error;
    }

    // Sends bytes and lets the event loop run until the port holds `waiting` bytes.
    void sendAndSettle(const Bytes& bytes, int waiting) {
        terminal.send(bytes);
        ASSERT_TRUE(QTest::qWaitFor([&] { return port.bytesWaiting() == waiting; }, 5000))
            << "bytes waiting: " << port.bytesWaiting();
        QTest::qWait(20);  // a notification still in flight would arrive now
    }

    Terminal terminal;
    std::vector<int> lookups;
    QtSerialPort port{[this](int number) {
        lookups.push_back(number);
        return number == 3 ? terminal.path() : std::string();
    }};
    int notifications = 0;
    int goneReports = 0;
    std::string goneReason;
};

TEST_F(QtSerialPortTest, OpensTheDeviceOfItsPortNumber) {
    EXPECT_TRUE(port.isOpen());
    EXPECT_EQ(lookups, std::vector<int>{3});
    EXPECT_EQ(port.devicePath(), terminal.path());
    EXPECT_EQ(notifications, 0);
}

TEST_F(QtSerialPortTest, OpeningAnOpenPortFails) {
    std::string error;
    EXPECT_FALSE(port.open(error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(port.isOpen());
}

TEST_F(QtSerialPortTest, EveryArrivalIsReportedHoweverFewTheBytes) {
    sendAndSettle({1}, 1);
    EXPECT_EQ(notifications, 1);
    sendAndSettle({2}, 2);  // unread bytes do not hide the next arrival
    EXPECT_EQ(notifications, 2);
    // Nothing new arrives: no further notification, however long the bytes wait.
    QTest::qWait(100);
    EXPECT_EQ(notifications, 2);
    EXPECT_EQ(port.read(10), (Bytes{1, 2}));
}

TEST_F(QtSerialPortTest, PollTakesInBytesTheProgramHasNotSeenYet) {
    // These reach the terminal while the event loop does not run (the program is busy).
    terminal.send({4, 5, 6});
    ASSERT_TRUE(terminal.waitUntilQueued(3));
    EXPECT_EQ(port.bytesWaiting(), 0);
    port.pollInput();
    EXPECT_EQ(port.bytesWaiting(), 3);
    EXPECT_EQ(notifications, 1);  // told before pollInput returned
    port.pollInput();             // nothing more: no notification
    EXPECT_EQ(notifications, 1);
    EXPECT_EQ(port.read(10), (Bytes{4, 5, 6}));
}

TEST_F(QtSerialPortTest, ManyBytesArrivingTogetherMayCoalesceButAllArrive) {
    Bytes bytes;
    for (int i = 0; i < 300; ++i) bytes.push_back(static_cast<std::uint8_t>(i));
    sendAndSettle(bytes, 300);
    EXPECT_GE(notifications, 1);
    EXPECT_EQ(port.read(1000), bytes);
}

TEST_F(QtSerialPortTest, DiscardDropsBufferedBytesAndThoseStillInTheSystem) {
    sendAndSettle({1, 2, 3}, 3);
    // These reach the terminal while the event loop does not run, so the port has not read them.
    terminal.send({4, 5, 6});
    ASSERT_TRUE(terminal.waitUntilQueued(3));
    port.discardInput();
    EXPECT_EQ(port.bytesWaiting(), 0);
    QTest::qWait(100);
    EXPECT_EQ(port.bytesWaiting(), 0);
    sendAndSettle({7}, 1);
    EXPECT_EQ(port.read(10), Bytes{7});
}

TEST_F(QtSerialPortTest, BytesPassUntranslatedBothWays) {
    // Line ends, flow-control characters, zero and 0xFF must not be touched.
    const Bytes awkward{0x0D, 0x0A, 0x11, 0x13, 0x00, 0xFF, 0x7F, 0x03, 0x1A, 0xF3};
    port.write(awkward);
    EXPECT_EQ(terminal.receive(awkward.size()), awkward);
    sendAndSettle(awkward, static_cast<int>(awkward.size()));
    EXPECT_EQ(port.read(100), awkward);
}

TEST_F(QtSerialPortTest, ReadTakesOldestBytesFirstAndAtMostTheAskedCount) {
    sendAndSettle({10, 20, 30}, 3);
    EXPECT_EQ(port.read(0), Bytes{});
    EXPECT_EQ(port.read(2), (Bytes{10, 20}));
    EXPECT_EQ(port.bytesWaiting(), 1);
    EXPECT_EQ(port.read(5), Bytes{30});
}

TEST_F(QtSerialPortTest, ClosedPortCanBeOpenedAgain) {
    port.close();
    EXPECT_FALSE(port.isOpen());
    port.write(Bytes{1});  // ignored, no crash
    EXPECT_EQ(port.read(5), Bytes{});
    std::string error;
    ASSERT_TRUE(port.open(error)) << error;
    port.write(Bytes{0xF1});
    EXPECT_EQ(terminal.receive(1), Bytes{0xF1});
}

double ThreadCpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_THREAD, &usage);
    auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

TEST_F(QtSerialPortTest, VanishedDeviceIsReportedOnceAndThePortGoesQuiet) {
    terminal.closeMaster();
    ASSERT_TRUE(QTest::qWaitFor([&] { return goneReports > 0; }, 5000));
    EXPECT_FALSE(port.isOpen());
    EXPECT_FALSE(goneReason.empty());
    EXPECT_NE(goneReason.back(), '.');  // a phrase that stands inside a sentence

    // A port that keeps failing would spin the event loop: the thread would burn its whole time.
    const double cpuBefore = ThreadCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QTest::qWait(300);
    const double cpu = ThreadCpuSeconds() - cpuBefore;
    const double wallSeconds = static_cast<double>(wall.elapsed()) / 1000.0;
    EXPECT_LT(cpu, wallSeconds * 0.05) << "cpu " << cpu << " s in " << wallSeconds << " s";
    EXPECT_EQ(goneReports, 1);
    EXPECT_EQ(notifications, 0);
}

struct OpenFailure {
    const char* name;
    std::string device;
    const char* expectedInText;
    int systemError = 0;  // else the system's own text for it, in the user's language
};

class QtSerialPortOpenFailureTest : public ::testing::TestWithParam<OpenFailure> {};

TEST_P(QtSerialPortOpenFailureTest, FailsWithAReason) {
    QtSerialPort port([](int) { return GetParam().device; });
    port.setPortNumber(7);
    int gone = 0;
    port.onDeviceGone = [&](const std::string&) { ++gone; };
    std::string error;
    EXPECT_FALSE(port.open(error));
    EXPECT_FALSE(port.isOpen());
    const std::string expected = GetParam().systemError != 0 ? std::strerror(GetParam().systemError)
                                                             : GetParam().expectedInText;
    EXPECT_NE(error.find(expected), std::string::npos) << error;
    EXPECT_EQ(gone, 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, QtSerialPortOpenFailureTest,
                         ::testing::Values(OpenFailure{"NoDeviceForThePort", "", "COM7"},
                                           OpenFailure{"MissingDeviceFile",
                                                       "/dev/zepra-no-such-tty", "No such file"},
                                           OpenFailure{"NotATerminal", "/dev/null", "", ENOTTY}),
                         [](const ::testing::TestParamInfo<OpenFailure>& param) {
                             return std::string(param.param.name);
                         });

}  // namespace
}  // namespace zepra
