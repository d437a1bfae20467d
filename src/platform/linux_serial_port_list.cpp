#include "platform/linux_serial_port_list.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <system_error>
#include <utility>

namespace zepra {
namespace {

constexpr const char* kBridgeDriver = "cp210x";
constexpr std::string_view kUsbTtyPrefix = "ttyUSB";

// The m of "ttyUSB<m>"; nullopt for any other name.
std::optional<int> UsbTtyNumber(const std::string& name) {
    if (name.size() <= kUsbTtyPrefix.size() || name.compare(0, kUsbTtyPrefix.size(), kUsbTtyPrefix))
        return std::nullopt;
    int number = 0;
    const char* first = name.data() + kUsbTtyPrefix.size();
    const char* last = name.data() + name.size();
    const auto [end, error] = std::from_chars(first, last, number);
    if (error != std::errc() || end != last || number < 0) return std::nullopt;
    return number;
}

}  // namespace

LinuxSerialPortList::LinuxSerialPortList(std::string sysClassTty, std::string deviceFolder)
    : sysClassTty_(std::move(sysClassTty)), deviceFolder_(std::move(deviceFolder)) {}

std::string LinuxSerialPortList::deviceForPort(int portNumber) const {
    if (portNumber < 1) return {};
    return deviceFolder_ + "/ttyUSB" + std::to_string(portNumber - 1);
}

std::optional<SerialPortTable> LinuxSerialPortList::loadTable() {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::directory_iterator entries(sysClassTty_, error);
    if (error) {
        noteOpenFailure(error.value());
        return std::nullopt;
    }

    std::vector<int> bridgeTtys;
    for (const fs::directory_entry& entry : entries) {
        const std::optional<int> number = UsbTtyNumber(entry.path().filename().string());
        if (!number) continue;
        std::error_code linkError;
        const fs::path driver = fs::read_symlink(entry.path() / "device" / "driver", linkError);
        if (!linkError && driver.filename() == kBridgeDriver) bridgeTtys.push_back(*number);
    }
    // Device order: ttyUSB2 before ttyUSB10.
    std::sort(bridgeTtys.begin(), bridgeTtys.end());

    SerialPortTable table;
    for (std::size_t k = 0; k < bridgeTtys.size(); ++k) {
        const std::string portName = "COM" + std::to_string(bridgeTtys[k] + 1);
        table.values.emplace_back("\\Device\\silabser" + std::to_string(k), portName);
        table.devices[portName] = deviceFolder_ + "/ttyUSB" + std::to_string(bridgeTtys[k]);
    }
    return table;
}

}  // namespace zepra
