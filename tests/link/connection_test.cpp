// Finding the gauge's port and connecting to it, against real pseudo-terminals and the real
// serial port class.
#include "link/connection.h"

#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <map>
#include <vector>

#include "link/recording_windows.h"
#include "platform/file_serial_port_list.h"
#include "platform/qt_serial_port.h"
#include "ui/presenter/link_presenter.h"

namespace zepra {
namespace {

namespace fs = std::filesystem;

// The file list, counting opens and closes of the key.
class CountingList : public FileSerialPortList {
  public:
    using FileSerialPortList::FileSerialPortList;
    bool openKey() override {
        const bool opened = FileSerialPortList::openKey();
        if (opened) ++openCount;
        return opened;
    }
    void closeKey() override {
        ++closeCount;
        FileSerialPortList::closeKey();
    }
    int openCount = 0;
    int closeCount = 0;
};

const std::vector<std::string> kConnectedAtStartup = {
    "disable Connect", "enable RealTime", "enable Grp1",       "enable Grp2",
    "enable Grp3",     "enable Grp4",     "enable AllGrp",     "enable RealTimeGrp",
    "enable Unit",     "show labeldata",  "hide label_noport", "show labelunit"};
const std::vector<std::string> kConnectedOnButton = {
    "disable Connect", "enable RealTime",   "enable Grp1",   "enable Grp2",
    "enable Grp3",     "enable Grp4",       "enable Unit",   "enable RealTimeGrp",
    "show labeldata",  "hide label_noport", "show labelunit"};

// Pseudo-terminals standing in for the ports COM1, COM3, COM5, COM12 and COM16, and a
// ZEPRA_SERIALCOMM-style file that lists them.
class ConnectionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (int n : {1, 3, 5, 12, 16}) {
            int master = -1;
            int slave = -1;
            char name[256] = {};
            ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
            ::close(slave);
            masters_[n] = master;
            ptys_[n] = name;
        }
    }
    void TearDown() override {
        port_.close();
        for (const auto& [n, master] : masters_) ::close(master);
    }

    std::string listPath() const {
        return (fs::path(dir_.path().toStdString()) / "serialcomm.ini").string();
    }

    // Writes the key's values; [PORTS] names the pseudo-terminals (and any extra devices given).
    void writeList(const std::string& values, const std::string& extraPorts = "") {
        std::ofstream out(listPath(), std::ios::binary);
        out << "[SERIALCOMM]\n" << values << "[PORTS]\n" << extraPorts;
        for (const auto& [n, device] : ptys_) out << "COM" << n << "=" << device << "\n";
    }

    // As the main window does it: the lookup, then the connected look.
    bool connect(bool atStartup) {
        if (!ConnectToGauge(atStartup, list_, port_, windows_.messageSink())) return false;
        ShowConnectedLook(atStartup, windows_);
        return true;
    }

    // The port is open on the pseudo-terminal of COM<n>: a byte the gauge sends there arrives.
    void expectOpenOn(int n) {
        ASSERT_TRUE(port_.isOpen());
        const unsigned char probe = static_cast<unsigned char>(0xA0 + n);
        ASSERT_EQ(::write(masters_[n], &probe, 1), 1);
        QDeadlineTimer deadline(2000);
        while (port_.bytesWaiting() == 0 && !deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        EXPECT_EQ(port_.read(16), std::vector<std::uint8_t>{probe});
    }

    void expectKeyClosed() const { EXPECT_EQ(list_.openCount, list_.closeCount); }

    QTemporaryDir dir_;
    std::map<int, std::string> ptys_;
    std::map<int, int> masters_;
    CountingList list_{listPath()};
    QtSerialPort port_{[this](int n) { return list_.deviceForPort(n); }};
    testing::RecordingWindows windows_;
};

struct LookupCase {
    const char* what;
    std::string values;  // lines of [SERIALCOMM]
    int portBefore;      // set by an earlier run, 1 at the first
    int portOpened;
};

class PortLookupTest : public ConnectionTest, public ::testing::WithParamInterface<LookupCase> {};

TEST_P(PortLookupTest, OpensThePortTheBridgeValueNames) {
    const LookupCase& c = GetParam();
    writeList(c.values);
    port_.setPortNumber(c.portBefore);

    EXPECT_TRUE(connect(true));
    EXPECT_EQ(port_.portNumber(), c.portOpened);
    expectOpenOn(c.portOpened);
    EXPECT_EQ(windows_.calls, kConnectedAtStartup);
    expectKeyClosed();
}

const std::string kLong99(99, 'C');
const std::string kLong150(150, 'C');

INSTANTIATE_TEST_SUITE_P(
    Cases, PortLookupTest,
    ::testing::Values(
        LookupCase{"silabser0", "\\Device\\silabser0=COM3\n", 1, 3},
        LookupCase{"slabser0_alone", "\\Device\\slabser0=COM12\n", 1, 12},
        LookupCase{"silabser0_wins", "\\Device\\slabser0=COM12\n\\Device\\silabser0=COM5\n", 1, 5},
        LookupCase{"highest_port", "\\Device\\silabser0=COM16\n", 1, 16},
        LookupCase{"five_byte_COM1", "\\Device\\silabser0=COM1\n", 5, 1},
        LookupCase{"COM17_keeps_port_1", "\\Device\\silabser0=COM17\n", 1, 1},
        LookupCase{"lower_case_keeps_port_1", "\\Device\\silabser0=com4\n", 1, 1},
        LookupCase{"leading_blank", "\\Device\\silabser0= COM3\n", 1, 1},
        LookupCase{"trailing_blank", "\\Device\\silabser0=COM3 \n", 1, 1},
        LookupCase{"leading_zero", "\\Device\\silabser0=COM03\n", 1, 1},
        LookupCase{"COM0", "\\Device\\silabser0=COM0\n", 1, 1},
        LookupCase{"unrecognised_keeps_earlier_port", "\\Device\\silabser0=COM17\n", 5, 5},
        LookupCase{"other_devices_ignored",
                   "\\Device\\silabser1=COM3\n\\Device\\Serial0=COM1\n\\Device\\slabser0=COM5\n", 1,
                   5},
        LookupCase{"99_characters_fit", "\\Device\\silabser0=" + kLong99 + "\n", 3, 3},
        LookupCase{"too_long_value_falls_back",
                   "\\Device\\silabser0=" + kLong150 + "\n\\Device\\slabser0=COM12\n", 1, 12}),
    [](const ::testing::TestParamInfo<LookupCase>& param) {
        return std::string(param.param.what);
    });

// The list that `zepra-cli ports` prints: the same value names in the same order, each with the
// port and device that ConnectToGauge would open for it.
TEST_F(ConnectionTest, ListsTheBridgePortsInLookupOrder) {
    writeList("\\Device\\slabser0=COM12\n\\Device\\Serial0=COM1\n\\Device\\silabser0=COM5\n");
    const auto entries = ListGaugePorts(list_);
    ASSERT_TRUE(entries);
    ASSERT_EQ(entries->size(), 2u);
    EXPECT_EQ((*entries)[0].valueName, "\\Device\\silabser0");
    EXPECT_EQ((*entries)[0].portName, "COM5");
    EXPECT_EQ((*entries)[0].portNumber, 5);
    EXPECT_EQ((*entries)[0].device, ptys_[5]);
    EXPECT_EQ((*entries)[1].valueName, "\\Device\\slabser0");
    EXPECT_EQ((*entries)[1].portNumber, 12);
    expectKeyClosed();

    // An unrecognised name stands for COM1, as it does for a new port.
    writeList("\\Device\\silabser0=COM17\n");
    const auto fallback = ListGaugePorts(list_);
    ASSERT_TRUE(fallback);
    ASSERT_EQ(fallback->size(), 1u);
    EXPECT_EQ((*fallback)[0].portName, "COM17");
    EXPECT_EQ((*fallback)[0].portNumber, 1);
    EXPECT_EQ((*fallback)[0].device, ptys_[1]);

    writeList("\\Device\\Serial0=COM1\n");
    EXPECT_EQ(ListGaugePorts(list_), std::vector<GaugePortEntry>{});
    fs::remove(listPath());
    EXPECT_FALSE(ListGaugePorts(list_));
    EXPECT_TRUE(windows_.calls.empty());
}

struct NoConnectionCase {
    const char* what;
    bool listExists;
    std::string values;
    bool atStartup;
    std::string message;
};

class NoConnectionTest : public ConnectionTest,
                         public ::testing::WithParamInterface<NoConnectionCase> {};

TEST_P(NoConnectionTest, ShowsTheMessageAndChangesNothing) {
    const NoConnectionCase& c = GetParam();
    if (c.listExists) writeList(c.values);

    EXPECT_FALSE(connect(c.atStartup));
    EXPECT_EQ(windows_.calls, std::vector<std::string>{"message " + c.message});
    EXPECT_FALSE(port_.isOpen());
    EXPECT_EQ(port_.portNumber(), 1);
    expectKeyClosed();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NoConnectionTest,
    ::testing::Values(NoConnectionCase{"no_key", false, "", true, kRegOpenKeyError},
                      NoConnectionCase{"no_key_on_button", false, "", false, kRegOpenKeyError},
                      NoConnectionCase{"no_value_at_startup", true, "", true, kNoPortAtStartup},
                      NoConnectionCase{"no_value_on_button", true, "", false, kNoPortOnConnect},
                      NoConnectionCase{"only_other_devices", true, "\\Device\\silabser1=COM3\n",
                                       true, kNoPortAtStartup},
                      NoConnectionCase{"value_of_100_characters", true,
                                       "\\Device\\silabser0=" + std::string(100, 'C') + "\n", false,
                                       kNoPortOnConnect}),
    [](const ::testing::TestParamInfo<NoConnectionCase>& param) {
        return std::string(param.param.what);
    });

TEST_F(ConnectionTest, NoPortMessageAtStartupHasTwoBlanksAndALineBreak) {
    EXPECT_STREQ(kNoPortAtStartup,
                 "There is no  com-port!\r\nPlease check out the line-connection and the "
                 "device-driver-installation!");
}

TEST_F(ConnectionTest, ConnectAfterAFailedStartupLeavesAllGroupsDisabled) {
    EXPECT_FALSE(connect(true));
    windows_.calls.clear();

    writeList("\\Device\\silabser0=COM3\n");
    EXPECT_TRUE(connect(false));
    expectOpenOn(3);
    EXPECT_EQ(windows_.calls, kConnectedOnButton);
    expectKeyClosed();
}

TEST_F(ConnectionTest, FailingOpenNamesPortAndReasonAndCanBeRetried) {
    const std::string gone = (fs::path(dir_.path().toStdString()) / "ttyUSB9").string();
    writeList("\\Device\\silabser0=COM9\n", "COM9=" + gone + "\n");

    EXPECT_FALSE(connect(true));
    ASSERT_EQ(windows_.calls.size(), 1u);
    const std::string expectedStart = "message Cannot open COM9 (" + gone + "): ";
    EXPECT_EQ(windows_.calls[0].rfind(expectedStart, 0), 0u) << windows_.calls[0];
    EXPECT_GT(windows_.calls[0].size(), expectedStart.size() + 1) << "no reason given";
    EXPECT_EQ(windows_.calls[0].find(gone, expectedStart.size()), std::string::npos)
        << "device named twice: " << windows_.calls[0];
    EXPECT_FALSE(port_.isOpen());
    EXPECT_EQ(port_.portNumber(), 9);

    // The user fixes the cable; CONNECT still works.
    windows_.calls.clear();
    writeList("\\Device\\silabser0=COM3\n");
    EXPECT_TRUE(connect(false));
    expectOpenOn(3);
    EXPECT_EQ(windows_.calls, kConnectedOnButton);
}

TEST_F(ConnectionTest, AlreadyOpenPortShowsPortErrorAndKeepsItsNumber) {
    writeList("\\Device\\silabser0=COM3\n");
    ASSERT_TRUE(connect(true));
    windows_.calls.clear();

    writeList("\\Device\\silabser0=COM5\n");
    EXPECT_FALSE(connect(false));
    EXPECT_EQ(windows_.calls, std::vector<std::string>{std::string("message ") + kPortError});
    EXPECT_EQ(port_.portNumber(), 3);
    expectOpenOn(3);
    expectKeyClosed();
}

// A port whose opening fails with a given reason (a permission error cannot be provoked for root).
class RefusingPort : public SerialPort {
  public:
    explicit RefusingPort(std::string reason) : reason_(std::move(reason)) {}
    void setPortNumber(int n) override { portNumber_ = n; }
    int portNumber() const override { return portNumber_; }
    bool isOpen() const override { return false; }
    bool open(std::string& errorText) override {
        errorText = reason_;
        return false;
    }
    void close() override {}
    int bytesWaiting() const override { return 0; }
    void discardInput() override {}
    std::vector<std::uint8_t> read(int) override { return {}; }
    void write(std::span<const std::uint8_t>) override {}

  private:
    std::string reason_;
    int portNumber_ = 1;
};

struct OpenFailureCase {
    const char* what;
    std::string device;
    std::string reason;
    std::string message;
};

class OpenFailureMessageTest : public ::testing::TestWithParam<OpenFailureCase> {};

TEST_P(OpenFailureMessageTest, NamesPortDeviceReasonAndTheWayOut) {
    const OpenFailureCase& c = GetParam();
    QTemporaryDir dir;
    const std::string path = (fs::path(dir.path().toStdString()) / "serialcomm.ini").string();
    {
        std::ofstream out(path);
        out << "[SERIALCOMM]\n\\Device\\silabser0=COM3\n[PORTS]\n";
        if (!c.device.empty()) out << "COM3=" << c.device << "\n";
    }
    FileSerialPortList list(path);
    RefusingPort port(c.reason);
    testing::RecordingWindows windows;
    EXPECT_FALSE(ConnectToGauge(false, list, port, windows.messageSink()));
    EXPECT_EQ(windows.calls, std::vector<std::string>{"message " + c.message});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OpenFailureMessageTest,
    ::testing::Values(
        OpenFailureCase{"permission", "/dev/ttyUSB2", "Permission denied",
                        "Cannot open COM3 (/dev/ttyUSB2): Permission denied.\r\n"
                        "Install the zepra-thickness package and plug the gauge in again: its "
                        "udev rule gives the user at the desktop the port.\r\nOr add your user "
                        "to the 'dialout' group and log in again."},
        OpenFailureCase{"permission_with_device", "/dev/ttyUSB2", "/dev/ttyUSB2: Permission denied",
                        "Cannot open COM3 (/dev/ttyUSB2): Permission denied.\r\n"
                        "Install the zepra-thickness package and plug the gauge in again: its "
                        "udev rule gives the user at the desktop the port.\r\nOr add your user "
                        "to the 'dialout' group and log in again."},
        OpenFailureCase{"busy", "/dev/ttyUSB2", "Device or resource busy",
                        "Cannot open COM3 (/dev/ttyUSB2): Device or resource busy."},
        OpenFailureCase{"windows_device", "\\\\.\\COM3", "Access is denied.",
                        "Cannot open COM3 (\\\\.\\COM3): Access is denied."},
        OpenFailureCase{"no_device_no_reason", "", "", "Cannot open COM3: unknown error."}),
    [](const ::testing::TestParamInfo<OpenFailureCase>& param) {
        return std::string(param.param.what);
    });

}  // namespace
}  // namespace zepra
