// Which kernel device events make the port watcher look at the list of serial ports again, and what
// sysfs tells about the hardware behind a serial device.

#include "platform/port_events.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <string>

namespace zepra {
namespace {

struct FilterCase {
    const char* what;
    UeventProperties properties;
    bool relevant;
};

// The properties a USB-serial bridge's plug and pull bring, in the kernel's order of events.
const FilterCase kFilterCases[] = {
    {"usb device added",
     {{"ACTION", "add"},
      {"SUBSYSTEM", "usb"},
      {"DEVTYPE", "usb_device"},
      {"DEVPATH", "/devices/pci0000:00/0000:00:14.0/usb1/1-2"},
      {"PRODUCT", "10c4/ea60/100"},
      {"DEVNAME", "/dev/bus/usb/001/005"}},
     false},
    {"usb interface bound to its driver",
     {{"ACTION", "bind"},
      {"SUBSYSTEM", "usb"},
      {"DEVTYPE", "usb_interface"},
      {"DRIVER", "cp210x"},
      {"DEVPATH", "/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0"}},
     false},
    {"usb-serial port added",
     {{"ACTION", "add"},
      {"SUBSYSTEM", "usb-serial"},
      {"DEVPATH", "/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/ttyUSB0"}},
     false},
    {"tty added",
     {{"ACTION", "add"},
      {"SUBSYSTEM", "tty"},
      {"DEVNAME", "/dev/ttyUSB0"},
      {"MAJOR", "188"},
      {"MINOR", "0"},
      {"DEVPATH", "/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/ttyUSB0/tty/ttyUSB0"}},
     true},
    {"tty removed",
     {{"ACTION", "remove"}, {"SUBSYSTEM", "tty"}, {"DEVNAME", "/dev/ttyUSB0"}},
     true},
    {"tty changed", {{"ACTION", "change"}, {"SUBSYSTEM", "tty"}, {"DEVNAME", "/dev/ttyS0"}}, true},
    {"tty bound", {{"ACTION", "bind"}, {"SUBSYSTEM", "tty"}}, false},
    {"block device added",
     {{"ACTION", "add"}, {"SUBSYSTEM", "block"}, {"DEVNAME", "/dev/sdb"}},
     false},
    {"no subsystem", {{"ACTION", "add"}}, false},
    {"no action", {{"SUBSYSTEM", "tty"}}, false},
    {"subsystem in other case", {{"ACTION", "add"}, {"SUBSYSTEM", "TTY"}}, false},
};

TEST(PortEventsTest, OnlyTtyAddRemoveAndChangeCount) {
    for (const FilterCase& c : kFilterCases) {
        EXPECT_EQ(IsSerialPortEvent(c.properties), c.relevant) << c.what;
    }
}

// A stand-in for /sys: class/tty/<name>/device links to the bridge's interface folder, inside the
// USB device's folder with idVendor and serial.
class IdentifyPortTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        root_ = dir_.path().toStdString();
    }
    std::string addUsbTty(const std::string& name, const std::string& usbPort, const char* serial) {
        namespace fs = std::filesystem;
        const fs::path usbDevice = fs::path(root_) / "devices/usb1" / usbPort;
        const fs::path interface = usbDevice / (usbPort + ":1.0");
        fs::create_directories(interface);
        std::ofstream(usbDevice / "idVendor") << "10c4\n";
        if (serial) std::ofstream(usbDevice / "serial") << serial << "\n";
        const fs::path tty = fs::path(root_) / "class/tty" / name;
        fs::create_directories(tty);
        fs::create_directory_symlink(interface, tty / "device");
        return fs::canonical(usbDevice).string();
    }
    std::string sysClassTty() const { return root_ + "/class/tty"; }

    QTemporaryDir dir_;
    std::string root_;
};

TEST_F(IdentifyPortTest, UsbBridgeGivesSerialAndPathPseudoTerminalOnlyItsNames) {
    const std::string path = addUsbTty("ttyUSB0", "1-2", "0001");
    const PortIdentity usb = IdentifyPort("/dev/ttyUSB0", "COM1", sysClassTty());
    EXPECT_EQ(usb.usbSerial, "0001");
    EXPECT_EQ(usb.physicalPath, path);

    addUsbTty("ttyUSB1", "1-3", nullptr);  // a bridge without a serial number
    const PortIdentity noSerial = IdentifyPort("/dev/ttyUSB1", "COM2", sysClassTty());
    EXPECT_EQ(noSerial.usbSerial, "");
    EXPECT_NE(noSerial.physicalPath, "");

    const PortIdentity pty = IdentifyPort("/dev/pts/3", "COM3", sysClassTty());
    EXPECT_EQ(pty.usbSerial, "");
    EXPECT_EQ(pty.physicalPath, "");
    EXPECT_EQ(pty.device, "/dev/pts/3");
    EXPECT_EQ(pty.portName, "COM3");
}

TEST(PortIdentityTest, SerialOverPathOverPortNameOverDevice) {
    const PortIdentity pulled{"0001", "/sys/devices/usb1/1-2", "/dev/ttyUSB0", "COM1"};
    struct Case {
        PortIdentity candidate;
        int match;
    } const cases[] = {
        {{"0001", "/sys/devices/usb1/1-3", "/dev/ttyUSB1", "COM2"}, 4},  // moved to another socket
        {{"", "/sys/devices/usb1/1-2", "/dev/ttyUSB1", "COM2"}, 3},      // same socket
        {{"", "", "/dev/pts/9", "COM1"}, 2},
        {{"", "", "/dev/ttyUSB0", "COM5"}, 1},
        {{"0002", "/sys/devices/usb1/1-4", "/dev/ttyUSB3", "COM4"}, 0},
        {{}, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IdentityMatch(pulled, c.candidate), c.match) << c.candidate.portName;
    }
    EXPECT_EQ(IdentityMatch(PortIdentity{}, PortIdentity{}), 0) << "nothing known matches nothing";
}

}  // namespace
}  // namespace zepra
