#pragma once
// Finding the gauge's port in the system's list of serial ports and opening it.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/serial_port.h"
#include "platform/serial_port_list.h"

namespace zepra {

// Shows one of the lookup's messages (a modal box in the windows) and returns when it is seen.
using ShowMessage = std::function<void(const std::string& text)>;

// The start-up run (atStartup true, from the main window's load) and the CONNECT button's run.
// Returns true when the port was opened; the caller then shows its connected look. Each failure
// shows its message first.
bool ConnectToGauge(bool atStartup, SerialPortList& portList, SerialPort& port,
                    const ShowMessage& showMessage);

// A port of the gauge's bridge in the system's list, as ConnectToGauge considers it.
struct GaugePortEntry {
    std::string valueName;  // \Device\silabser0 or \Device\slabser0
    std::string portName;   // the value's text, e.g. "COM3"
    int portNumber = 0;     // the port opened for it: COM1 .. COM16 by name, otherwise COM1
    std::string device;     // what that port stands for; empty when there is none

    bool operator==(const GaugePortEntry&) const = default;
};

// The entries ConnectToGauge considers, in its order: the first one is used. nullopt when the list
// cannot be opened.
std::optional<std::vector<GaugePortEntry>> ListGaugePorts(SerialPortList& portList);

// The automatic run after the list of serial ports changed: opens the entry's port as CONNECT
// would, but never shows a message. False when the port is open already or cannot be opened.
bool ConnectQuietly(const GaugePortEntry& entry, SerialPort& port);

// Message texts, exactly as the user sees them.
inline constexpr const char* kRegOpenKeyError = "RegOpenKey error!";
// kRegOpenKeyError, with the system's reason where the list gives one:
// "RegOpenKey error! (Too many open files)".
std::string RegOpenKeyMessage(const SerialPortList& portList);
inline constexpr const char* kNoPortAtStartup =
    "There is no  com-port!\r\n"
    "Please check out the line-connection and the device-driver-installation!";
inline constexpr const char* kNoPortOnConnect =
    "No com-port! Please check out the line-connection and the device-driver-installation!";
inline constexpr const char* kPortError = "Port Error!";

}  // namespace zepra
