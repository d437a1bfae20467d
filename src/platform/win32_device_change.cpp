#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include "platform/win32_device_change.h"

#include <windows.h>
// windows.h first: dbt.h uses its types.
#include <dbt.h>

namespace zepra {

bool IsSerialPortDeviceChange(std::uintptr_t wParam, std::intptr_t lParam) {
    if (wParam == DBT_DEVNODES_CHANGED) return true;
    if (wParam != DBT_DEVICEARRIVAL && wParam != DBT_DEVICEREMOVECOMPLETE) return false;
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam);
    return header != nullptr && header->dbch_devicetype == DBT_DEVTYP_PORT;
}

}  // namespace zepra
