#pragma once
// What the port watcher needs without Qt: which kernel device events concern serial ports, and
// what the system tells about the hardware behind a serial device (to find the same gauge again).

#include <map>
#include <string>

namespace zepra {

// A device event's properties as the kernel sends them (ACTION, SUBSYSTEM, DEVNAME, ...).
using UeventProperties = std::map<std::string, std::string>;

// True for a tty that was added, removed or changed: the events after which the list of serial
// ports may differ. Everything else (usb interfaces, block devices, "bind") is ignored; the tty
// event that follows them is what counts.
bool IsSerialPortEvent(const UeventProperties& properties);

// What identifies the hardware behind a serial device across a re-plug, where the system tells it.
struct PortIdentity {
    std::string usbSerial;     // the USB device's serial number
    std::string physicalPath;  // the USB interface's place in the device tree (hub and port)
    std::string device;        // the device file
    std::string portName;      // "COM3"

    bool empty() const {
        return usbSerial.empty() && physicalPath.empty() && device.empty() && portName.empty();
    }
};

// The identity of a device file, read from sysfs under sysClassTty (tests stand in a tree of
// their own). Ports without a USB device behind them (pseudo-terminals) get device and port only.
PortIdentity IdentifyPort(const std::string& device, const std::string& portName,
                          const std::string& sysClassTty = "/sys/class/tty");

// How sure it is that candidate is the gauge that was pulled out: 4 same USB serial number, 3 same
// USB path, 2 same port name, 1 same device file, 0 nothing in common.
int IdentityMatch(const PortIdentity& pulledOut, const PortIdentity& candidate);

}  // namespace zepra
