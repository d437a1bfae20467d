// The lists of serial ports: the file table, the Linux kernel's bridge ttys and the choice between
// them.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <QTemporaryDir>
#include <array>
#include <clocale>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/file_serial_port_list.h"
#include "platform/linux_serial_port_list.h"

namespace zepra {
namespace {

namespace fs = std::filesystem;

void WriteFile(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

TEST(SerialPortTableTest, ReadsBothSectionsAndIgnoresTheRest) {
    std::istringstream in(
        "# written by the emulator\r\n"
        "[SERIALCOMM]\r\n"
        "\\Device\\silabser0=COM3\r\n"
        "\\Device\\Serial0= COM1 \r\n"
        "no equals sign here\r\n"
        "\r\n"
        "[PORTS]\n"
        "COM3=/dev/pts/7\n"
        "COM1=/dev/odd=name\n"
        "[OTHER]\n"
        "\\Device\\slabser0=COM9\n");
    const SerialPortTable table = ParseSerialPortTable(in);
    const std::vector<std::pair<std::string, std::string>> values = {
        {"\\Device\\silabser0", "COM3"}, {"\\Device\\Serial0", " COM1 "}};
    EXPECT_EQ(table.values, values);
    const std::map<std::string, std::string> devices = {{"COM3", "/dev/pts/7"},
                                                        {"COM1", "/dev/odd=name"}};
    EXPECT_EQ(table.devices, devices);
}

TEST(SerialPortTableTest, TheFirstEntryOfANameListedTwiceCountsInBothSections) {
    std::istringstream in(
        "[SERIALCOMM]\n"
        "\\Device\\silabser0=COM3\n"
        "\\DEVICE\\SILABSER0=COM5\n"  // the same value name: names ignore case
        "\\Device\\silabser0=COM7\n"
        "[PORTS]\n"
        "COM3=/dev/pts/3\n"
        "COM3=/dev/pts/9\n"
        "[SERIALCOMM]\n"
        "\\Device\\silabser0=COM8\n");
    const SerialPortTable table = ParseSerialPortTable(in);
    const std::vector<std::pair<std::string, std::string>> values = {
        {"\\Device\\silabser0", "COM3"}};
    EXPECT_EQ(table.values, values);
    const std::map<std::string, std::string> devices = {{"COM3", "/dev/pts/3"}};
    EXPECT_EQ(table.devices, devices);
}

// A list over a fixed table, to test the query rules on their own.
class FixedList : public TableSerialPortList {
  public:
    explicit FixedList(SerialPortTable table) : table_(std::move(table)) {}

  protected:
    std::optional<SerialPortTable> loadTable() override { return table_; }

  private:
    SerialPortTable table_;
};

struct QueryCase {
    const char* what;
    std::string storedText;  // the text of "\Device\silabser0"
    const char* queriedName;
    std::uint32_t bufferSize;
    bool succeeds;
    std::uint32_t byteCountAfter;
};

class QueryValueTest : public testing::TestWithParam<QueryCase> {};

TEST_P(QueryValueTest, BehavesLikeTheRegistry) {
    const QueryCase& c = GetParam();
    FixedList list(SerialPortTable{{{"\\Device\\silabser0", c.storedText}}, {}});
    ASSERT_TRUE(list.openKey());
    std::array<char, 200> buffer{};
    buffer.fill('#');
    std::uint32_t byteCount = c.bufferSize;
    EXPECT_EQ(list.queryValue(c.queriedName, buffer.data(), byteCount), c.succeeds);
    EXPECT_EQ(byteCount, c.byteCountAfter);
    if (c.succeeds) {
        EXPECT_EQ(std::string(buffer.data()), c.storedText);
    }
    // Nothing is written past the size the caller gave.
    for (std::size_t i = c.succeeds ? c.byteCountAfter : 0; i < buffer.size(); ++i) {
        ASSERT_EQ(buffer[i], '#') << "byte " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, QueryValueTest,
    testing::Values(
        QueryCase{"port name with its zero byte", "COM1", "\\Device\\silabser0", 100, true, 5},
        QueryCase{"empty text", "", "\\Device\\silabser0", 100, true, 1},
        QueryCase{"99 characters fill 100 bytes", std::string(99, 'x'), "\\Device\\silabser0", 100,
                  true, 100},
        QueryCase{"100 characters do not fit", std::string(100, 'x'), "\\Device\\silabser0", 100,
                  false, 101},
        QueryCase{"long text", std::string(150, 'x'), "\\Device\\silabser0", 100, false, 151},
        QueryCase{"value names ignore case", "COM3", "\\DEVICE\\SilabSer0", 100, true, 5},
        QueryCase{"missing value", "COM3", "\\Device\\slabser0", 100, false, 100},
        QueryCase{"no prefix match", "COM3", "\\Device\\silabser", 100, false, 100}),
    [](const testing::TestParamInfo<QueryCase>& param) {
        std::string name = param.param.what;
        for (char& ch : name)
            if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
        return name;
    });

// Value names compare in ASCII whatever the C library's locale: under Turkish rules 'I' is not the
// upper case of 'i'.
TEST(TableSerialPortListTest, ValueNamesIgnoreCaseUnderEveryLocale) {
    const char* const names[] = {"\\DEVICE\\SILABSER0", "\\device\\silabser0",
                                 "\\Device\\SiLaBsEr0"};
    for (const char* locale : {"C", "tr_TR.UTF-8", "de_DE.UTF-8"}) {
        SCOPED_TRACE(locale);
        ASSERT_NE(std::setlocale(LC_ALL, locale), nullptr) << "not installed (scripts/setup.sh)";
        for (const char* stored : names) {
            std::istringstream in(std::string("[SERIALCOMM]\n") + stored + "=COM3\n" + stored +
                                  "=COM5\n");
            const SerialPortTable table = ParseSerialPortTable(in);
            EXPECT_EQ(table.values.size(), 1u) << stored << " listed twice is one name";
            FixedList list(table);
            ASSERT_TRUE(list.openKey());
            for (const char* queried : names) {
                std::array<char, 100> buffer{};
                std::uint32_t byteCount = 100;
                EXPECT_TRUE(list.queryValue(queried, buffer.data(), byteCount))
                    << stored << " queried as " << queried;
            }
        }
    }
    std::setlocale(LC_ALL, "C");
}

TEST(TableSerialPortListTest, QueriesOnlyWhileTheKeyIsOpen) {
    FixedList list(SerialPortTable{{{"\\Device\\silabser0", "COM3"}}, {{"COM3", "/dev/pts/3"}}});
    std::array<char, 100> buffer{};
    std::uint32_t byteCount = 100;
    EXPECT_FALSE(list.queryValue("\\Device\\silabser0", buffer.data(), byteCount));
    ASSERT_TRUE(list.openKey());
    list.closeKey();
    EXPECT_FALSE(list.queryValue("\\Device\\silabser0", buffer.data(), byteCount));
    // The devices stay known after the key is closed: the port is opened after that.
    EXPECT_EQ(list.deviceForPort(3), "/dev/pts/3");
    EXPECT_EQ(list.deviceForPort(4), "");
}

TEST(FileSerialPortListTest, MissingFileMeansTheKeyCannotBeOpened) {
    QTemporaryDir dir;
    FileSerialPortList list((fs::path(dir.path().toStdString()) / "none.ini").string());
    EXPECT_FALSE(list.openKey());
}

TEST(FileSerialPortListTest, RereadsTheFileOnEveryOpen) {
    QTemporaryDir dir;
    const fs::path path = fs::path(dir.path().toStdString()) / "serialcomm.ini";
    FileSerialPortList list(path.string());
    EXPECT_FALSE(list.openKey());

    WriteFile(path, "[SERIALCOMM]\n\\Device\\slabser0=COM12\n[PORTS]\nCOM12=/dev/pts/12\n");
    ASSERT_TRUE(list.openKey());
    std::array<char, 100> buffer{};
    std::uint32_t byteCount = 100;
    ASSERT_TRUE(list.queryValue("\\Device\\slabser0", buffer.data(), byteCount));
    EXPECT_STREQ(buffer.data(), "COM12");
    list.closeKey();
    EXPECT_EQ(list.deviceForPort(12), "/dev/pts/12");

    WriteFile(path, "[SERIALCOMM]\n");
    ASSERT_TRUE(list.openKey());
    byteCount = 100;
    EXPECT_FALSE(list.queryValue("\\Device\\slabser0", buffer.data(), byteCount));
    list.closeKey();
    EXPECT_EQ(list.deviceForPort(12), "");
}

// What ZEPRA_SERIALCOMM may name besides a table: only a regular file of at most 64 KiB is read;
// anything else (which could block the start or never end) is a key that cannot be opened.
TEST(FileSerialPortListTest, OnlyARegularFileOfASaneSizeIsRead) {
    QTemporaryDir dir;
    const fs::path folder = dir.path().toStdString();
    const std::string table = "[SERIALCOMM]\n\\Device\\silabser0=COM3\n";
    const std::string comment = "# " + std::string(100, '-') + "\n";
    std::string largest = table;
    while (largest.size() + comment.size() <= FileSerialPortList::kMaxTableBytes)
        largest += comment;
    largest += std::string(FileSerialPortList::kMaxTableBytes - largest.size(), '\n');
    WriteFile(folder / "table.ini", table);
    WriteFile(folder / "largest.ini", largest);
    WriteFile(folder / "too-large.ini", largest + "\n");
    fs::create_symlink(folder / "table.ini", folder / "link.ini");
    ASSERT_EQ(mkfifo((folder / "fifo").c_str(), 0600), 0);  // no writer: opening it would block

    struct Case {
        fs::path path;
        bool opens;
    };
    const Case cases[] = {
        {folder / "table.ini", true}, {folder / "largest.ini", true},
        {folder / "link.ini", true},  {folder / "too-large.ini", false},
        {folder / "fifo", false},     {folder, false},
        {"/dev/zero", false},         {"/dev/urandom", false},
        {"/dev/null", false},
    };
    for (const Case& c : cases) {
        FileSerialPortList list(c.path.string());
        ASSERT_EQ(list.openKey(), c.opens) << c.path;
        if (!c.opens) continue;
        std::array<char, 100> buffer{};
        std::uint32_t byteCount = 100;
        EXPECT_TRUE(list.queryValue("\\Device\\silabser0", buffer.data(), byteCount)) << c.path;
        EXPECT_STREQ(buffer.data(), "COM3");
        list.closeKey();
    }
}

// A stand-in for /sys/class/tty: each tty a folder, its device's driver a symbolic link.
class LinuxSerialPortListTest : public testing::Test {
  protected:
    void addTty(const std::string& name, const std::string& driver) {
        const fs::path tty = root() / name;
        fs::create_directories(tty);
        if (driver.empty()) return;
        fs::create_directories(tty / "device");
        fs::create_symlink("../../../bus/usb-serial/drivers/" + driver, tty / "device" / "driver");
    }
    fs::path root() const { return fs::path(dir_.path().toStdString()) / "tty"; }
    std::vector<std::pair<std::string, std::string>> values(LinuxSerialPortList& list) {
        EXPECT_TRUE(list.openKey());
        std::vector<std::pair<std::string, std::string>> found;
        for (int k = 0; k < 20; ++k) {
            const std::string name = "\\Device\\silabser" + std::to_string(k);
            std::array<char, 100> buffer{};
            std::uint32_t byteCount = 100;
            if (list.queryValue(name.c_str(), buffer.data(), byteCount))
                found.emplace_back(name, buffer.data());
        }
        list.closeKey();
        return found;
    }

    QTemporaryDir dir_;
};

TEST_F(LinuxSerialPortListTest, ListsTheBridgeTtysInDeviceOrder) {
    fs::create_directories(root());
    addTty("ttyUSB10", "cp210x");
    addTty("ttyUSB0", "ftdi_sio");
    addTty("ttyUSB2", "cp210x");
    addTty("ttyUSB1", "");
    addTty("ttyS0", "serial8250");
    addTty("ttyUSBx", "cp210x");
    LinuxSerialPortList list(root().string(), "/dev");
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"\\Device\\silabser0", "COM3"}, {"\\Device\\silabser1", "COM11"}};
    EXPECT_EQ(values(list), expected);
}

TEST_F(LinuxSerialPortListTest, PortNumberNamesTheUsbTtyWithOneLessNumber) {
    LinuxSerialPortList list(root().string(), "/dev");
    EXPECT_EQ(list.deviceForPort(1), "/dev/ttyUSB0");
    EXPECT_EQ(list.deviceForPort(3), "/dev/ttyUSB2");
    EXPECT_EQ(list.deviceForPort(16), "/dev/ttyUSB15");
    EXPECT_EQ(list.deviceForPort(0), "");
}

TEST_F(LinuxSerialPortListTest, NoBridgeGivesAnEmptyKeyNoTtyFolderNoKey) {
    fs::create_directories(root());
    addTty("ttyS0", "serial8250");
    LinuxSerialPortList list(root().string(), "/dev");
    EXPECT_TRUE(values(list).empty());

    LinuxSerialPortList missing((root() / "absent").string(), "/dev");
    EXPECT_FALSE(missing.openKey());
}

TEST(CreateSystemSerialPortListTest, TheVariableNamesTheFile) {
    QTemporaryDir dir;
    const fs::path path = fs::path(dir.path().toStdString()) / "serialcomm.ini";
    ASSERT_EQ(setenv("ZEPRA_SERIALCOMM", path.c_str(), 1), 0);
    std::unique_ptr<SerialPortList> fromFile = CreateSystemSerialPortList();
    EXPECT_NE(dynamic_cast<FileSerialPortList*>(fromFile.get()), nullptr);
    EXPECT_FALSE(fromFile->openKey());
    WriteFile(path, "[SERIALCOMM]\n");
    EXPECT_TRUE(fromFile->openKey());
    fromFile->closeKey();

    ASSERT_EQ(unsetenv("ZEPRA_SERIALCOMM"), 0);
    std::unique_ptr<SerialPortList> fromSystem = CreateSystemSerialPortList();
    EXPECT_NE(dynamic_cast<LinuxSerialPortList*>(fromSystem.get()), nullptr);
}

}  // namespace
}  // namespace zepra
