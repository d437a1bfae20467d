#include "platform/file_serial_port_list.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>

namespace zepra {
namespace {

// Value names are compared without regard to case, as the registry does.
bool SameValueName(const std::string& a, const char* b) {
    const std::size_t length = std::strlen(b);
    if (a.size() != length) return false;
    return std::equal(a.begin(), a.end(), b, [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

}  // namespace

SerialPortTable ParseSerialPortTable(std::istream& in) {
    enum class Section { None, Values, Ports } section = Section::None;
    SerialPortTable table;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#' || line[0] == ';') continue;
        if (line == "[SERIALCOMM]") {
            section = Section::Values;
            continue;
        }
        if (line == "[PORTS]") {
            section = Section::Ports;
            continue;
        }
        if (line[0] == '[') {
            section = Section::None;
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos) continue;
        std::string name = line.substr(0, equals);
        std::string text = line.substr(equals + 1);
        if (section == Section::Values) {
            table.values.emplace_back(std::move(name), std::move(text));
        } else if (section == Section::Ports) {
            table.devices[std::move(name)] = std::move(text);
        }
    }
    return table;
}

bool TableSerialPortList::openKey() {
    std::optional<SerialPortTable> table = loadTable();
    open_ = table.has_value();
    if (open_) table_ = std::move(*table);
    return open_;
}

bool TableSerialPortList::queryValue(const char* valueName, char* buffer,
                                     std::uint32_t& byteCount) {
    if (!open_ || valueName == nullptr) return false;
    const auto found =
        std::find_if(table_.values.begin(), table_.values.end(),
                     [&](const auto& value) { return SameValueName(value.first, valueName); });
    if (found == table_.values.end()) return false;
    const std::string& text = found->second;
    const std::size_t needed = text.size() + 1;
    if (buffer == nullptr || needed > byteCount) {
        // Like the registry: too small a buffer reports the size that would have been needed.
        byteCount = static_cast<std::uint32_t>(needed);
        return false;
    }
    std::memcpy(buffer, text.c_str(), needed);
    byteCount = static_cast<std::uint32_t>(needed);
    return true;
}

void TableSerialPortList::closeKey() {
    open_ = false;
}

std::string TableSerialPortList::deviceForPort(int portNumber) const {
    const auto found = table_.devices.find("COM" + std::to_string(portNumber));
    return found == table_.devices.end() ? std::string() : found->second;
}

std::optional<SerialPortTable> FileSerialPortList::loadTable() {
    std::ifstream in(path_, std::ios::binary);
    if (!in) return std::nullopt;
    return ParseSerialPortTable(in);
}

}  // namespace zepra
