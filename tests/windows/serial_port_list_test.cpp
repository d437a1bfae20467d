// Finding the gauge's port in HKEY_LOCAL_MACHINE\HARDWARE\DEVICEMAP\SERIALCOMM, the way the
// program does on Windows. The key is volatile (rebuilt at every start), so the test writes the
// bridge's values itself and removes them afterwards.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include "platform/serial_port_list.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <array>
#include <string>
#include <vector>

#include "link/connection.h"
#include "platform/win32_serial_port_list.h"

namespace zepra {
namespace {

constexpr const char* kSerialComm = "HARDWARE\\DEVICEMAP\\SERIALCOMM";
constexpr const char* kFirst = "\\Device\\silabser0";
constexpr const char* kSecond = "\\Device\\slabser0";

// The lookup's messages, in order.
struct RecordedMessages {
    std::vector<std::string> texts;
    ShowMessage sink() {
        return [this](const std::string& text) { texts.push_back(text); };
    }
};

// Opens whatever port number it is given; the device is not what is tested here.
class RecordingPort : public SerialPort {
  public:
    void setPortNumber(int n) override { portNumber_ = n; }
    int portNumber() const override { return portNumber_; }
    bool isOpen() const override { return open_; }
    bool open(std::string&) override { return open_ = true; }
    void close() override { open_ = false; }
    int bytesWaiting() const override { return 0; }
    void discardInput() override {}
    std::vector<std::uint8_t> read(int) override { return {}; }
    void write(std::span<const std::uint8_t>) override {}

  private:
    int portNumber_ = 1;
    bool open_ = false;
};

class SerialCommTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSerialComm, 0, nullptr, REG_OPTION_VOLATILE,
                                  KEY_ALL_ACCESS, nullptr, &key_, nullptr),
                  ERROR_SUCCESS);
        removeBridgeValues();
    }
    void TearDown() override {
        removeBridgeValues();
        RegCloseKey(key_);
    }
    void removeBridgeValues() {
        RegDeleteValueA(key_, kFirst);
        RegDeleteValueA(key_, kSecond);
    }
    void setValue(const char* name, const std::string& text) {
        ASSERT_EQ(RegSetValueExA(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                 static_cast<DWORD>(text.size() + 1)),
                  ERROR_SUCCESS);
    }

    HKEY key_ = nullptr;
};

TEST_F(SerialCommTest, QueryGivesTheTextAndItsByteCount) {
    setValue(kFirst, "COM1");
    Win32SerialPortList list;
    ASSERT_TRUE(list.openKey());
    std::array<char, 100> buffer{};
    std::uint32_t byteCount = 100;
    ASSERT_TRUE(list.queryValue(kFirst, buffer.data(), byteCount));
    EXPECT_EQ(byteCount, 5u);
    EXPECT_STREQ(buffer.data(), "COM1");
    byteCount = 100;
    EXPECT_FALSE(list.queryValue(kSecond, buffer.data(), byteCount));
    list.closeKey();
    EXPECT_FALSE(list.queryValue(kFirst, buffer.data(), byteCount)) << "closed";
}

TEST_F(SerialCommTest, AValueThatDoesNotFitFails) {
    setValue(kFirst, std::string(100, 'C'));
    Win32SerialPortList list;
    ASSERT_TRUE(list.openKey());
    std::array<char, 100> buffer{};
    std::uint32_t byteCount = 100;
    EXPECT_FALSE(list.queryValue(kFirst, buffer.data(), byteCount));
    list.closeKey();
}

TEST_F(SerialCommTest, DeviceOfAPortIsItsWin32Name) {
    Win32SerialPortList list;
    EXPECT_EQ(list.deviceForPort(3), "\\\\.\\COM3");
    EXPECT_EQ(list.deviceForPort(12), "\\\\.\\COM12");
}

TEST_F(SerialCommTest, TheSystemListIsTheRegistry) {
    if (std::getenv("ZEPRA_SERIALCOMM") != nullptr) GTEST_SKIP() << "ZEPRA_SERIALCOMM is set";
    EXPECT_NE(dynamic_cast<Win32SerialPortList*>(CreateSystemSerialPortList().get()), nullptr);
}

struct LookupCase {
    const char* what;
    const char* first;   // text of \Device\silabser0, or null for none
    const char* second;  // text of \Device\slabser0, or null for none
    int portOpened;      // 0: not connected
    const char* message;
};

class SerialCommLookupTest : public SerialCommTest,
                             public testing::WithParamInterface<LookupCase> {};

TEST_P(SerialCommLookupTest, ConnectsToThePortTheRegistryNames) {
    const LookupCase& c = GetParam();
    if (c.first != nullptr) setValue(kFirst, c.first);
    if (c.second != nullptr) setValue(kSecond, c.second);
    Win32SerialPortList list;
    RecordingPort port;
    RecordedMessages messages;

    const bool connected = ConnectToGauge(false, list, port, messages.sink());

    EXPECT_EQ(connected, c.portOpened != 0);
    if (connected) {
        EXPECT_EQ(port.portNumber(), c.portOpened);
        EXPECT_TRUE(messages.texts.empty());
    } else {
        EXPECT_EQ(messages.texts, std::vector<std::string>{c.message});
        EXPECT_FALSE(port.isOpen());
    }
}

const std::string kTooLong(120, 'C');

INSTANTIATE_TEST_SUITE_P(
    Cases, SerialCommLookupTest,
    testing::Values(LookupCase{"silabser0", "COM3", nullptr, 3, ""},
                    LookupCase{"slabser0_alone", nullptr, "COM12", 12, ""},
                    LookupCase{"silabser0_wins", "COM5", "COM12", 5, ""},
                    LookupCase{"COM17_keeps_port_1", "COM17", nullptr, 1, ""},
                    LookupCase{"lower_case_keeps_port_1", "com4", nullptr, 1, ""},
                    LookupCase{"too_long_falls_back", kTooLong.c_str(), "COM12", 12, ""},
                    LookupCase{"too_long_alone", kTooLong.c_str(), nullptr, 0, kNoPortOnConnect},
                    LookupCase{"neither", nullptr, nullptr, 0, kNoPortOnConnect}),
    [](const testing::TestParamInfo<LookupCase>& param) { return std::string(param.param.what); });

}  // namespace
}  // namespace zepra
