#include "platform/win32_serial_port_list.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace zepra {

Win32SerialPortList::~Win32SerialPortList() {
    closeKey();
}

bool Win32SerialPortList::openKey() {
    closeKey();
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_QUERY_VALUE,
                      &key) != ERROR_SUCCESS) {
        return false;
    }
    key_ = key;
    return true;
}

bool Win32SerialPortList::queryValue(const char* valueName, char* buffer,
                                     std::uint32_t& byteCount) {
    if (key_ == nullptr) return false;
    DWORD type = 0;
    DWORD count = byteCount;
    const LONG result = RegQueryValueExA(static_cast<HKEY>(key_), valueName, nullptr, &type,
                                         reinterpret_cast<BYTE*>(buffer), &count);
    byteCount = count;
    return result == ERROR_SUCCESS;
}

void Win32SerialPortList::closeKey() {
    if (key_ != nullptr) {
        RegCloseKey(static_cast<HKEY>(key_));
        key_ = nullptr;
    }
}

std::string Win32SerialPortList::deviceForPort(int portNumber) const {
    if (portNumber < 1) return {};
    return "\\\\.\\COM" + std::to_string(portNumber);
}

}  // namespace zepra
