#include <cstdlib>

#include "platform/file_serial_port_list.h"
#ifdef _WIN32
#include "platform/win32_serial_port_list.h"
#else
#include "platform/linux_serial_port_list.h"
#endif

namespace zepra {

std::unique_ptr<SerialPortList> CreateSystemSerialPortList() {
    if (const char* path = std::getenv("ZEPRA_SERIALCOMM")) {
        return std::make_unique<FileSerialPortList>(path);
    }
#ifdef _WIN32
    return std::make_unique<Win32SerialPortList>();
#else
    return std::make_unique<LinuxSerialPortList>();
#endif
}

}  // namespace zepra
