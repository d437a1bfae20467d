#pragma once
// The system's list of serial ports, read the way the registry key
// HKEY_LOCAL_MACHINE\HARDWARE\DEVICEMAP\SERIALCOMM is read: open, query values, close.
// Backends: the Windows registry (win32_serial_port_list.cpp), the Linux kernel's ttys of the
// cp210x bridge driver, and a file named by ZEPRA_SERIALCOMM (emulator, tests, demos).

#include <cstdint>
#include <memory>
#include <string>

namespace zepra {

class SerialPortList {
  public:
    virtual ~SerialPortList() = default;
    // Opens the list for querying values; false when it cannot be opened.
    virtual bool openKey() = 0;
    // As RegQueryValueExA for a string value: on success returns true, the buffer holds the
    // zero-terminated string and byteCount the bytes written including the zero byte. Fails (false)
    // when the value is missing or does not fit into byteCount bytes (byteCount is the buffer size
    // on entry).
    virtual bool queryValue(const char* valueName, char* buffer, std::uint32_t& byteCount) = 0;
    virtual void closeKey() = 0;
    // The device that port "COM<n>" stands for (a device file on Linux, "\\.\COMn" on Windows);
    // empty when there is none.
    virtual std::string deviceForPort(int portNumber) const = 0;
    // Why the last openKey failed, where the system's reason is worth telling ("Too many open
    // files"); empty otherwise.
    virtual std::string openFailure() const { return {}; }
};

// The list this system uses: the file named by ZEPRA_SERIALCOMM if that variable is set, otherwise
// the platform's own list.
std::unique_ptr<SerialPortList> CreateSystemSerialPortList();

}  // namespace zepra
