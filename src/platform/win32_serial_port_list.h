#pragma once
// The Windows list of serial ports: HKEY_LOCAL_MACHINE\HARDWARE\DEVICEMAP\SERIALCOMM, read-only.

#include "platform/serial_port_list.h"

namespace zepra {

class Win32SerialPortList : public SerialPortList {
  public:
    ~Win32SerialPortList() override;
    bool openKey() override;
    bool queryValue(const char* valueName, char* buffer, std::uint32_t& byteCount) override;
    void closeKey() override;
    // "\\.\COMn": the device name that opens port n, also above COM9.
    std::string deviceForPort(int portNumber) const override;

  private:
    void* key_ = nullptr;  // HKEY while open
};

}  // namespace zepra
