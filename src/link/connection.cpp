#include "link/connection.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>

namespace zepra {
namespace {

constexpr std::uint32_t kValueBufferSize = 100;
// The bridge driver's first device, under either of its two device names, in this order.
constexpr std::array<const char*, 2> kBridgeValueNames = {"\\Device\\silabser0",
                                                          "\\Device\\slabser0"};
constexpr int kHighestPortNumber = 16;

// n for exactly "COM1" ... "COM16" (case-sensitive, nothing around it); 0 otherwise.
int RecognisedPortNumber(const std::string& portName) {
    for (int n = 1; n <= kHighestPortNumber; ++n) {
        if (portName == "COM" + std::to_string(n)) return n;
    }
    return 0;
}

// Qt and the C library word it "Permission denied" or "Permission error ...".
bool IsPermissionError(const std::string& reason) {
    return reason.find("Permission") != std::string::npos ||
           reason.find("permission") != std::string::npos;
}

std::string OpenFailureMessage(int portNumber, const std::string& device, std::string reason) {
    std::string text = "Cannot open COM" + std::to_string(portNumber);
    if (!device.empty()) text += " (" + device + ")";
    // The port's reason may name the device itself; it is named once.
    if (!device.empty() && reason.rfind(device + ": ", 0) == 0) reason.erase(0, device.size() + 2);
    if (reason.empty()) reason = "unknown error";
    text += ": " + reason;
    if (text.back() != '.') text += '.';
    // On Linux serial devices belong to the dialout group; the package's udev rule gives the
    // gauge's port to the user at the desktop instead.
    if (IsPermissionError(reason) && device.rfind("/dev/", 0) == 0) {
        text +=
            "\r\nInstall the zepra-thickness package and plug the gauge in again: its udev rule "
            "gives the user at the desktop the port.\r\nOr add your user to the 'dialout' group "
            "and log in again.";
    }
    return text;
}

// The text of a value of the list, or nullopt when it is missing. The list must be open.
std::optional<std::string> QueryPortName(SerialPortList& portList, const char* valueName) {
    std::array<char, kValueBufferSize> buffer{};
    // A failed query may change the count (to the size a long value needs): every query is told
    // the buffer's real size.
    std::uint32_t byteCount = kValueBufferSize;
    if (!portList.queryValue(valueName, buffer.data(), byteCount)) return std::nullopt;
    // The count includes the terminating zero byte, which is dropped.
    const std::size_t nameLength =
        byteCount == 0 ? 0 : std::min<std::size_t>(byteCount - 1, kValueBufferSize - 1);
    return std::string(buffer.data(), nameLength);
}

}  // namespace

std::string RegOpenKeyMessage(const SerialPortList& portList) {
    const std::string reason = portList.openFailure();
    return reason.empty() ? std::string(kRegOpenKeyError)
                          : std::string(kRegOpenKeyError) + " (" + reason + ")";
}

bool ConnectToGauge(bool atStartup, SerialPortList& portList, SerialPort& port,
                    const ShowMessage& showMessage) {
    if (!portList.openKey()) {
        showMessage(RegOpenKeyMessage(portList));
        return false;
    }
    std::optional<std::string> found;
    for (const char* valueName : kBridgeValueNames) {
        found = QueryPortName(portList, valueName);
        if (found) break;
    }
    if (!found) {
        portList.closeKey();
        showMessage(atStartup ? kNoPortAtStartup : kNoPortOnConnect);
        return false;
    }
    const std::string portName = *found;
    portList.closeKey();

    // An open port keeps its number: changing it would leave the number naming another device
    // than the one that is open.
    if (port.isOpen()) {
        showMessage(kPortError);
        return false;
    }
    if (const int portNumber = RecognisedPortNumber(portName); portNumber != 0) {
        port.setPortNumber(portNumber);
    }
    std::string reason;
    if (!port.open(reason)) {
        showMessage(OpenFailureMessage(port.portNumber(), portList.deviceForPort(port.portNumber()),
                                       reason));
        return false;
    }
    return true;
}

bool ConnectQuietly(const GaugePortEntry& entry, SerialPort& port) {
    if (port.isOpen()) return false;
    // As ConnectToGauge: a name other than COM1 ... COM16 keeps the port's number.
    if (RecognisedPortNumber(entry.portName) != 0) port.setPortNumber(entry.portNumber);
    std::string reason;
    return port.open(reason);
}

std::optional<std::vector<GaugePortEntry>> ListGaugePorts(SerialPortList& portList) {
    if (!portList.openKey()) return std::nullopt;
    std::vector<GaugePortEntry> entries;
    for (const char* valueName : kBridgeValueNames) {
        std::optional<std::string> portName = QueryPortName(portList, valueName);
        if (!portName) continue;
        const int recognised = RecognisedPortNumber(*portName);
        const int portNumber = recognised != 0 ? recognised : 1;  // a new port's number
        entries.push_back({valueName, *portName, portNumber, {}});
    }
    portList.closeKey();
    for (GaugePortEntry& entry : entries) entry.device = portList.deviceForPort(entry.portNumber);
    return entries;
}

}  // namespace zepra
