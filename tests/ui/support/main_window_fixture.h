#pragma once
// A main window on a real serial port: the list of serial ports comes from a ZEPRA_SERIALCOMM file
// that names the gauge emulator's pseudo-terminal (or names no port, or does not exist).

#include <gtest/gtest.h>

#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "gauge_emulator.h"
#include "platform/qt_message_box.h"
#include "platform/qt_serial_port.h"
#include "ui/main/form1.h"
#include "ui/support/fakes.h"
#include "ui/support/find_control.h"

namespace zepra::testing {

// What the list of serial ports holds at start.
enum class PortList { WithGauge, WithoutGauge, Missing };

class MainWindowFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        LoadFontsOnce();
        ASSERT_TRUE(dir_.isValid());
        listFile_ = dir_.filePath(QStringLiteral("serialcomm.ini")).toStdString();
        qputenv("ZEPRA_SERIALCOMM", QByteArray::fromStdString(listFile_));
    }
    void TearDown() override {
        form.reset();
        qunsetenv("ZEPRA_SERIALCOMM");
    }

    // A gauge that answers at once, plugged in (or plugged in again) as COM3.
    void plugInGauge() {
        gauge.reset();
        gauge.emplace(gauge_emulator::DemoScenario(), gauge_emulator::Timing{.fast = true});
        ASSERT_TRUE(gauge->writeSerialCommFile(listFile_, "COM3"));
    }

    void writePortList(PortList list) {
        QFile::remove(QString::fromStdString(listFile_));
        if (list == PortList::WithGauge) {
            plugInGauge();
        } else if (list == PortList::WithoutGauge) {
            QFile file(QString::fromStdString(listFile_));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write("[SERIALCOMM]\n[PORTS]\n");
        }
    }

    // Builds the main window, runs its load step and shows it, like main() does. A test may give
    // its own save dialog; otherwise a fake that cancels.
    void start(PortList list, std::unique_ptr<SaveDialog> saveDialog = nullptr) {
        writePortList(list);
        Form1Services services;
        services.portList = CreateSystemSerialPortList();
        const SerialPortList* portList = services.portList.get();
        auto port = std::make_unique<QtSerialPort>(
            [portList](int number) { return portList->deviceForPort(number); });
        serialPort = port.get();
        services.port = std::move(port);
        if (realMessageBoxes) {
            services.messageBox = std::make_unique<QtMessageBox>();
        } else {
            auto messageBox = std::make_unique<FakeMessageBox>();
            messages = messageBox.get();
            services.messageBox = std::move(messageBox);
        }
        services.saveDialog =
            saveDialog ? std::move(saveDialog) : std::make_unique<FakeSaveDialog>();
        services.clock = std::make_unique<FakeClockText>();
        if (watchPorts) services.portWatcher = CreateSystemPortWatcher();
        form = std::make_unique<Form1>(store, std::move(services));
        form->formLoad();
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }

    QPushButton* button(const char* name) const {
        return FindControl<QPushButton>(form.get(), name);
    }
    QLabel* label(const char* name) const { return FindControl<QLabel>(form.get(), name); }
    // Names of the enabled buttons, in column order.
    std::vector<std::string> enabledButtons() const {
        static const char* const kButtons[] = {
            "Cmd_Connect", "Cmd_RealTime", "Cmd_Grp1",        "Cmd_Grp2", "Cmd_Grp3",
            "Cmd_Grp4",    "Cmd_AllGrp",   "Cmd_RealTimeGrp", "Cmd_Unit", "Cmd_Exit"};
        std::vector<std::string> names;
        for (const char* name : kButtons) {
            if (button(name)->isEnabled()) names.emplace_back(name);
        }
        return names;
    }
    void click(const char* name) const { QTest::mouseClick(button(name), Qt::LeftButton); }

    const std::string& listFile() const { return listFile_; }

    bool watchPorts = false;        // whether the window connects by itself when the list changes
    bool realMessageBoxes = false;  // Qt's modal boxes instead of `messages` (which stays null)
    MeasurementStore store;         // the fixture lives on the heap (gtest), so the store does too
    std::optional<gauge_emulator::GaugeEmulator> gauge;
    std::unique_ptr<Form1> form;
    FakeMessageBox* messages = nullptr;
    QtSerialPort* serialPort = nullptr;

  private:
    QTemporaryDir dir_;
    std::string listFile_;
};

}  // namespace zepra::testing
