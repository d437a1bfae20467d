// Which WM_DEVICECHANGE messages make the program look for the gauge again.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <gtest/gtest.h>
#include <windows.h>

#include "platform/win32_device_change.h"
// windows.h first: dbt.h uses its types.
#include <dbt.h>

namespace zepra {
namespace {

TEST(DeviceChangeTest, OnlyASerialPortArrivingOrGoingCounts) {
    DEV_BROADCAST_PORT_A port{};
    port.dbcp_size = sizeof port;
    port.dbcp_devicetype = DBT_DEVTYP_PORT;
    port.dbcp_name[0] = 'C';
    DEV_BROADCAST_VOLUME volume{};
    volume.dbcv_size = sizeof volume;
    volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
    const auto portHeader = reinterpret_cast<std::intptr_t>(&port);
    const auto volumeHeader = reinterpret_cast<std::intptr_t>(&volume);
    const struct {
        const char* what;
        std::uintptr_t wParam;
        std::intptr_t lParam;
        bool counts;
    } cases[] = {
        {"a port arrived", DBT_DEVICEARRIVAL, portHeader, true},
        {"a port was removed", DBT_DEVICEREMOVECOMPLETE, portHeader, true},
        {"device nodes changed", DBT_DEVNODES_CHANGED, 0, true},
        {"a volume arrived", DBT_DEVICEARRIVAL, volumeHeader, false},
        {"a volume was removed", DBT_DEVICEREMOVECOMPLETE, volumeHeader, false},
        {"removal asked, not done", DBT_DEVICEQUERYREMOVE, portHeader, false},
        {"removal pending", DBT_DEVICEREMOVEPENDING, portHeader, false},
        {"arrival without a header", DBT_DEVICEARRIVAL, 0, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsSerialPortDeviceChange(c.wParam, c.lParam), c.counts) << c.what;
    }
}

}  // namespace
}  // namespace zepra
