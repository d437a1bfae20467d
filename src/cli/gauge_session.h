#pragma once
// The gauge as the commands use it: the store, the system's list of serial ports, the serial port
// and the link, which reports to the command's callbacks. The link is made here and nowhere else;
// it keeps no live samples (a capture streams them).

#include <memory>
#include <optional>
#include <set>
#include <string>

#include "cli/command_events.h"
#include "data/measurement_store.h"
#include "link/gauge_link.h"
#include "platform/qt_link_clock.h"
#include "platform/qt_serial_port.h"
#include "platform/serial_port_list.h"

namespace zepra::cli {

class GaugeSession {
  public:
    // device: the --port device, which replaces the lookup; nullopt: look the port up.
    explicit GaugeSession(std::optional<std::string> device);
    ~GaugeSession();
    GaugeSession(const GaugeSession&) = delete;
    GaugeSession& operator=(const GaugeSession&) = delete;

    // Opens the gauge's port. On failure the message is on standard error and the result is
    // kExitNoPort.
    int open();
    // As open(), but while no gauge port can be opened waits for the system's ports to change
    // (at most seconds when given), then tries again.
    int openWhenPluggedIn(std::optional<double> seconds);

    // Downloads the group (1 .. 4, kCurrentGroup or kAllGroups) into the store. Returns kExitDone,
    // or kExitGauge after the message. storedGroups gets the groups that arrived whole.
    int download(int group, double timeoutSeconds, std::set<int>& storedGroups);

    MeasurementStore& store() { return *store_; }
    SerialPort& port() { return port_; }
    std::string devicePath() const { return port_.devicePath(); }  // of the open port
    CommandEvents& events() { return events_; }
    GaugeLink& link() { return link_; }

    // Lets the serial port write what it holds (the stop command at the end of a capture).
    void flushOutput();

  private:
    std::unique_ptr<MeasurementStore> store_;  // 50,000 samples: on the heap
    std::unique_ptr<SerialPortList> portList_;
    std::optional<std::string> device_;
    QtSerialPort port_;
    CommandEvents events_;
    QtLinkClock clock_;
    GaugeLink link_;
};

}  // namespace zepra::cli
