#include "platform/file_serial_port_list.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "platform/ascii_case.h"

namespace zepra {
namespace {

// Value names are compared without regard to case, as the registry does.
bool SameValueName(const std::string& a, const char* b) {
    const std::size_t length = std::strlen(b);
    if (a.size() != length) return false;
    return std::equal(a.begin(), a.end(), b,
                      [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
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
        // A name listed twice: the first entry counts, in both sections.
        if (section == Section::Values) {
            const bool listed = std::any_of(
                table.values.begin(), table.values.end(),
                [&](const auto& value) { return SameValueName(value.first, name.c_str()); });
            if (!listed) table.values.emplace_back(std::move(name), std::move(text));
        } else if (section == Section::Ports) {
            table.devices.try_emplace(std::move(name), std::move(text));
        }
    }
    return table;
}

bool TableSerialPortList::openKey() {
    openFailure_.clear();
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

void TableSerialPortList::noteOpenFailure(int error) {
    // Out of file descriptors is the one reason the user cannot guess from "RegOpenKey error!".
    if (error == EMFILE || error == ENFILE) openFailure_ = "Too many open files";
}

void TableSerialPortList::closeKey() {
    open_ = false;
}

std::string TableSerialPortList::deviceForPort(int portNumber) const {
    const auto found = table_.devices.find("COM" + std::to_string(portNumber));
    return found == table_.devices.end() ? std::string() : found->second;
}

std::optional<SerialPortTable> FileSerialPortList::loadTable() {
    // Only a regular file of a sane size: a FIFO would block the start, a device such as
    // /dev/zero would never end. Anything else reads like a missing file.
    std::error_code error;
    if (!std::filesystem::is_regular_file(path_, error)) return std::nullopt;
    errno = 0;
    std::ifstream in(path_, std::ios::binary);
    if (!in) {
        noteOpenFailure(errno);
        return std::nullopt;
    }
    // The size may change after the check (or be reported as 0, as in /proc): read at most one
    // byte more than allowed.
    std::string text(kMaxTableBytes + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (in.bad() || static_cast<std::size_t>(in.gcount()) > kMaxTableBytes) return std::nullopt;
    text.resize(static_cast<std::size_t>(in.gcount()));
    std::istringstream table(text);
    return ParseSerialPortTable(table);
}

}  // namespace zepra
