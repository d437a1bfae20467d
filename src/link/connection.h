#pragma once
// Finding the gauge's port in the system's list of serial ports and opening it.

#include "link/gauge_windows.h"
#include "platform/serial_port.h"
#include "platform/serial_port_list.h"

namespace zepra {

// The start-up run (atStartup true, from the main window's load) and the CONNECT button's run.
// Returns true when the port was opened and the main window switched to its connected look.
bool ConnectToGauge(bool atStartup, SerialPortList& portList, SerialPort& port,
                    GaugeWindows& windows);

// Message texts, exactly as the user sees them.
inline constexpr const char* kRegOpenKeyError = "RegOpenKey error!";
inline constexpr const char* kNoPortAtStartup =
    "There is no  com-port!\r\n"
    "Please check out the line-connection and the device-driver-installation!";
inline constexpr const char* kNoPortOnConnect =
    "No com-port! Please check out the line-connection and the device-driver-installation!";
inline constexpr const char* kPortError = "Port Error!";

}  // namespace zepra
