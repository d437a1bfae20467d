#include "platform/port_events.h"

#include <filesystem>
#include <fstream>
#include <system_error>

namespace zepra {
namespace {

std::string Property(const UeventProperties& properties, const char* name) {
    const auto it = properties.find(name);
    return it == properties.end() ? std::string() : it->second;
}

std::string FirstLine(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

}  // namespace

bool IsSerialPortEvent(const UeventProperties& properties) {
    if (Property(properties, "SUBSYSTEM") != "tty") return false;
    const std::string action = Property(properties, "ACTION");
    return action == "add" || action == "remove" || action == "change";
}

PortIdentity IdentifyPort(const std::string& device, const std::string& portName,
                          const std::string& sysClassTty) {
    namespace fs = std::filesystem;
    PortIdentity identity;
    identity.device = device;
    identity.portName = portName;
    if (device.empty()) return identity;
    std::error_code error;
    const fs::path link = fs::path(sysClassTty) / fs::path(device).filename() / "device";
    const fs::path interface = fs::canonical(link, error);
    if (error) return identity;
    // The interface's folder lives in its USB device's folder, which holds the serial number.
    identity.physicalPath = interface.string();
    for (fs::path folder = interface; folder.has_parent_path() && folder != folder.root_path();
         folder = folder.parent_path()) {
        if (fs::exists(folder / "idVendor", error)) {
            identity.physicalPath = folder.string();
            identity.usbSerial = FirstLine(folder / "serial");
            break;
        }
    }
    return identity;
}

int IdentityMatch(const PortIdentity& pulledOut, const PortIdentity& candidate) {
    auto same = [](const std::string& a, const std::string& b) { return !a.empty() && a == b; };
    if (same(pulledOut.usbSerial, candidate.usbSerial)) return 4;
    if (same(pulledOut.physicalPath, candidate.physicalPath)) return 3;
    // Device files are handed out again (a pseudo-terminal's number, ttyUSB0 to the next bridge
    // plugged in): the port's name, which the table keeps, counts more.
    if (same(pulledOut.portName, candidate.portName)) return 2;
    if (same(pulledOut.device, candidate.device)) return 1;
    return 0;
}

}  // namespace zepra
