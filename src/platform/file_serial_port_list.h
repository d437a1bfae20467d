#pragma once
// Lists of serial ports held as a table in memory: the values of the SERIALCOMM key (value name =
// port name) and the device behind each port name. The file backend reads the table from the file
// named by ZEPRA_SERIALCOMM:
//
//   [SERIALCOMM]
//   \Device\silabser0=COM3
//   [PORTS]
//   COM3=/dev/pts/7

#include <cstddef>
#include <istream>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/serial_port_list.h"

namespace zepra {

struct SerialPortTable {
    // Value name and its text, in the order they were listed.
    std::vector<std::pair<std::string, std::string>> values;
    // Port name ("COM3") -> device file.
    std::map<std::string, std::string> devices;
};

// Reads the two sections; lines outside them, blank lines and lines starting with '#' or ';' are
// ignored. Texts are taken as written (only a line's trailing CR is dropped), split at the first
// '='. A name listed twice in a section keeps its first entry (value names compared without
// regard to case, as the registry does; port names as written).
SerialPortTable ParseSerialPortTable(std::istream& in);

// The query logic shared by the table-based backends; loadTable() fills the table on each
// openKey().
class TableSerialPortList : public SerialPortList {
  public:
    bool openKey() override;
    bool queryValue(const char* valueName, char* buffer, std::uint32_t& byteCount) override;
    void closeKey() override;
    std::string deviceForPort(int portNumber) const override;
    std::string openFailure() const override { return openFailure_; }

  protected:
    // The table as it is now; nullopt when the key cannot be opened.
    virtual std::optional<SerialPortTable> loadTable() = 0;
    // The system's error (errno) that kept loadTable from reading the table.
    void noteOpenFailure(int error);

  private:
    SerialPortTable table_;
    bool open_ = false;
    std::string openFailure_;
};

// The key cannot be opened unless the path names a regular file of at most kMaxTableBytes.
class FileSerialPortList : public TableSerialPortList {
  public:
    static constexpr std::size_t kMaxTableBytes = 64 * 1024;

    explicit FileSerialPortList(std::string path) : path_(std::move(path)) {}

  protected:
    std::optional<SerialPortTable> loadTable() override;

  private:
    std::string path_;
};

}  // namespace zepra
