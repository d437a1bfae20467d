#pragma once
// The list of serial ports built from the Linux kernel's ttys. Every tty whose driver is the
// gauge bridge's (cp210x) is listed, in device order, as "\Device\silabser<k>" (k = 0, 1, ...).
// Port numbers follow the device file: COM<n> is /dev/ttyUSB<n-1>, so ttyUSB0 is COM1, ttyUSB2 is
// COM3, whatever else is plugged in.

#include <string>

#include "platform/file_serial_port_list.h"

namespace zepra {

class LinuxSerialPortList : public TableSerialPortList {
  public:
    // The folders are parameters so that tests can stand in a tree of their own.
    explicit LinuxSerialPortList(std::string sysClassTty = "/sys/class/tty",
                                 std::string deviceFolder = "/dev");

    std::string deviceForPort(int portNumber) const override;

  protected:
    std::optional<SerialPortTable> loadTable() override;

  private:
    std::string sysClassTty_;
    std::string deviceFolder_;
};

}  // namespace zepra
