// The main window connecting by itself when the gauge's port appears in the list of serial ports:
// real serial port, the gauge emulator on a pseudo-terminal, the list in a ZEPRA_SERIALCOMM file
// watched for changes.

#include <gtest/gtest.h>

#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <string>
#include <vector>

#include "link/connection.h"
#include "ui/support/find_control.h"
#include "ui/support/main_window_fixture.h"
#include "ui/support/modal_answer.h"

namespace zepra {
namespace {

using testing::AnswerModal;
using testing::FindOpenWindow;
using testing::PortList;

constexpr int kWaitMs = 5000;

// What CONNECT leaves enabled.
const std::vector<std::string> kConnectLook = {"Cmd_RealTime", "Cmd_Grp1", "Cmd_Grp2",
                                               "Cmd_Grp3",     "Cmd_Grp4", "Cmd_RealTimeGrp",
                                               "Cmd_Unit",     "Cmd_Exit"};

// How the port table arrives.
enum class Arrival { RewrittenInPlace, ReplacedByRename, AppearsLater };

class AutoConnectTest : public testing::MainWindowFixture {
  protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        watchPorts = true;
    }
    void expectConnectLook() const {
        EXPECT_TRUE(serialPort->isOpen());
        EXPECT_EQ(enabledButtons(), kConnectLook);
        EXPECT_FALSE(label("label_noport")->isVisible());
        EXPECT_TRUE(label("labeldata")->isVisible());
        EXPECT_TRUE(label("labelunit")->isVisible());
    }
    bool waitForOpenPort() const {
        return QTest::qWaitFor([this] { return serialPort->isOpen(); }, kWaitMs);
    }
    // Writes the table through a temporary file renamed over it, as editors and installers do.
    void writeTableByRename(const std::string& text) const {
        const QString table = QString::fromStdString(listFile());
        const QString temporary = table + QStringLiteral(".new");
        QFile file(temporary);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray::fromStdString(text));
        file.close();
        // rename(2) replaces the old file in one step.
        ASSERT_EQ(std::rename(temporary.toLocal8Bit().constData(), table.toLocal8Bit().constData()),
                  0);
    }
    static std::string Table(const std::vector<std::pair<std::string, std::string>>& ports) {
        static const char* const kValueNames[] = {"\\Device\\silabser0", "\\Device\\slabser0"};
        std::string text = "[SERIALCOMM]\n";
        for (std::size_t i = 0; i < ports.size(); ++i) {
            text += std::string(kValueNames[i]) + "=" + ports[i].first + "\n";
        }
        text += "[PORTS]\n";
        for (const auto& [port, device] : ports) text += port + "=" + device + "\n";
        return text;
    }
};

class AutoConnectArrivalTest : public AutoConnectTest,
                               public ::testing::WithParamInterface<Arrival> {};

TEST_P(AutoConnectArrivalTest, GaugeAppearingAfterStartConnectsWithoutAClick) {
    start(GetParam() == Arrival::AppearsLater ? PortList::Missing : PortList::WithoutGauge);
    ASSERT_EQ(messages->messages.size(), 1u);  // today's start-up message, nothing more
    EXPECT_FALSE(serialPort->isOpen());

    gauge.emplace(gauge_emulator::DemoScenario(), gauge_emulator::Timing{.fast = true});
    if (GetParam() == Arrival::ReplacedByRename) {
        writeTableByRename(Table({{"COM3", gauge->devicePath()}}));
    } else {
        ASSERT_TRUE(gauge->writeSerialCommFile(listFile(), "COM3"));
    }
    ASSERT_TRUE(waitForOpenPort());
    expectConnectLook();
    EXPECT_EQ(messages->messages.size(), 1u);
    EXPECT_EQ(form->automaticAttempts(), 1);

    click("Cmd_Grp1");
    EXPECT_TRUE(QTest::qWaitFor([] { return FindOpenWindow("FrmGrpOne") != nullptr; }, kWaitMs));
}

INSTANTIATE_TEST_SUITE_P(Arrivals, AutoConnectArrivalTest,
                         ::testing::Values(Arrival::RewrittenInPlace, Arrival::ReplacedByRename,
                                           Arrival::AppearsLater));

TEST_F(AutoConnectTest, PulledOutWhileSamplingThenBackConnectsAgain) {
    start(PortList::WithGauge);
    ASSERT_TRUE(messages->messages.empty());
    click("Cmd_RealTime");
    ASSERT_EQ(button("Cmd_RealTime")->text(), QStringLiteral("Pause"));

    gauge->vanish();
    ASSERT_TRUE(QTest::qWaitFor([this] { return !messages->messages.empty(); }, kWaitMs));
    EXPECT_EQ(messages->messages.front().rfind("The gauge is no longer connected (", 0), 0u);
    EXPECT_FALSE(serialPort->isOpen());
    EXPECT_EQ(button("Cmd_RealTime")->text(), QStringLiteral("RealTimeSamp"));

    plugInGauge();  // a new pseudo-terminal, the table rewritten
    ASSERT_TRUE(waitForOpenPort());
    expectConnectLook();
    EXPECT_EQ(messages->messages.size(), 1u);
    click("Cmd_RealTime");
    EXPECT_EQ(button("Cmd_RealTime")->text(), QStringLiteral("Pause"));
    gauge->sendLiveFrame(12.25f);
    EXPECT_TRUE(QTest::qWaitFor([this] { return label("labeldata")->text() == "12.3"; }, kWaitMs));
}

// The alert about the pulled-out gauge is still open when the gauge comes back: once the window
// has connected by itself (CONNECT greyed), the alert says so instead of asking for CONNECT.
TEST_F(AutoConnectTest, OpenAlertSaysTheGaugeIsConnectedAgain) {
    realMessageBoxes = true;
    start(PortList::WithGauge);
    QString alert;
    QString afterReturn;
    bool connectGreyed = false;
    bool answered = false;
    const bool opened = AnswerModal(
        [&] {
            gauge->vanish();
            (void)QTest::qWaitFor([&] { return answered; }, 4 * kWaitMs);
        },
        [&](QDialog& dialog) {
            auto* box = qobject_cast<QMessageBox*>(&dialog);
            ASSERT_NE(box, nullptr);
            alert = box->text();
            plugInGauge();
            EXPECT_TRUE(waitForOpenPort());
            connectGreyed = !button("Cmd_Connect")->isEnabled();
            afterReturn = box->text();
            answered = true;
            box->accept();
        });
    ASSERT_TRUE(opened);
    EXPECT_TRUE(alert.startsWith("The gauge is no longer connected (")) << alert.toStdString();
    EXPECT_TRUE(alert.endsWith("Plug it in again and press CONNECT.")) << alert.toStdString();
    EXPECT_TRUE(connectGreyed);
    EXPECT_TRUE(afterReturn.startsWith("The gauge was disconnected ("))
        << afterReturn.toStdString();
    EXPECT_TRUE(afterReturn.endsWith(") and is connected again on COM3."))
        << afterReturn.toStdString();
    expectConnectLook();
}

// Two bridges come back at once; the lookup's order would take the first, the one that was pulled
// out is the second.
TEST_F(AutoConnectTest, TwoCandidatesAppearingPreferTheGaugePulledOut) {
    start(PortList::WithoutGauge);
    std::optional<gauge_emulator::GaugeEmulator> other;
    gauge.emplace(gauge_emulator::DemoScenario(), gauge_emulator::Timing{.fast = true});
    writeTableByRename(Table({{"COM4", gauge->devicePath()}}));
    ASSERT_TRUE(waitForOpenPort());
    ASSERT_EQ(serialPort->portNumber(), 4);

    gauge->vanish();
    ASSERT_TRUE(QTest::qWaitFor([this] { return messages->messages.size() == 2; }, kWaitMs));
    ASSERT_FALSE(serialPort->isOpen());

    other.emplace(gauge_emulator::DemoScenario(), gauge_emulator::Timing{.fast = true});
    gauge.emplace(gauge_emulator::DemoScenario(), gauge_emulator::Timing{.fast = true});
    writeTableByRename(Table({{"COM3", other->devicePath()}, {"COM4", gauge->devicePath()}}));
    ASSERT_TRUE(waitForOpenPort());
    EXPECT_EQ(serialPort->portNumber(), 4);
    click("Cmd_Grp1");
    EXPECT_TRUE(QTest::qWaitFor([this] { return !gauge->receivedCommands().empty(); }, kWaitMs));
    EXPECT_TRUE(other->receivedCommands().empty());
}

// A port that cannot be opened (here a plain file: not a terminal) is tried once per change of the
// list, silently, and not again until the list changes.
TEST_F(AutoConnectTest, RefusedPortIsTriedOncePerChangeWithoutAMessage) {
    start(PortList::WithoutGauge);
    ASSERT_EQ(messages->messages.size(), 1u);
    const std::string notATerminal = listFile() + ".device";
    {
        QFile device(QString::fromStdString(notATerminal));
        ASSERT_TRUE(device.open(QIODevice::WriteOnly));
    }
    writeTableByRename(Table({{"COM3", notATerminal}}));
    ASSERT_TRUE(QTest::qWaitFor([this] { return form->automaticAttempts() >= 1; }, kWaitMs));
    QTest::qWait(500);
    const int attempts = form->automaticAttempts();
    EXPECT_LE(attempts, 2) << "one change of the list, at most one event per watch";
    {
        QFile other(
            QString::fromStdString(listFile() + ".other"));  // the folder changes, not the table
        ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    }
    QTest::qWait(1000);
    EXPECT_EQ(form->automaticAttempts(), attempts) << "no retries while the table stays the same";
    EXPECT_EQ(messages->messages.size(), 1u);
    EXPECT_FALSE(serialPort->isOpen());
    EXPECT_TRUE(label("label_noport")->isVisible());

    // CONNECT still says why.
    click("Cmd_Connect");
    ASSERT_EQ(messages->messages.size(), 2u);
    EXPECT_EQ(messages->messages.back().rfind("Cannot open COM3", 0), 0u)
        << messages->messages.back();
}

}  // namespace
}  // namespace zepra
