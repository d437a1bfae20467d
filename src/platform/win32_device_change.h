#pragma once
// Windows tells every top-level window of a device's arrival and removal with WM_DEVICECHANGE.
// Which of those messages may change the list of serial ports, decided without Qt.

#include <cstdint>

namespace zepra {

// wParam and lParam of a WM_DEVICECHANGE message. True for a serial port that arrived or was
// removed (DBT_DEVICEARRIVAL / DBT_DEVICEREMOVECOMPLETE with a DBT_DEVTYP_PORT header), and for
// DBT_DEVNODES_CHANGED, the only message some bridge drivers cause. False for everything else:
// volumes, queries, a missing header.
bool IsSerialPortDeviceChange(std::uintptr_t wParam, std::intptr_t lParam);

}  // namespace zepra
