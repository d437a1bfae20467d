// The main window: its looks in each state, the transitions driven through the real serial port
// against the gauge emulator, dragging, the unit switch over open windows and shutting down.

#include <gtest/gtest.h>

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <map>
#include <string>
#include <vector>

#include "link/connection.h"
#include "ui/main/form1.h"
#include "ui/support/find_control.h"
#include "ui/support/main_window_fixture.h"
#include "ui/support/window_event_log.h"

namespace zepra {
namespace {

using testing::FindControl;
using testing::FindOpenWindow;
using testing::PortList;
using testing::WindowEventLog;

constexpr int kWaitMs = 5000;

class MainWindowTest : public testing::MainWindowFixture {
  protected:
    void expectConnectedPanel() const {
        EXPECT_FALSE(label("label_noport")->isVisible());
        EXPECT_TRUE(label("labeldata")->isVisible());
        EXPECT_TRUE(label("labelunit")->isVisible());
        EXPECT_EQ(label("labeldata")->text(), QStringLiteral("----.-"));
        EXPECT_EQ(label("labelunit")->text(), QStringLiteral("um"));
    }
    void expectNotConnectedPanel() const {
        EXPECT_TRUE(label("label_noport")->isVisible());
        EXPECT_EQ(label("label_noport")->text(), QStringLiteral("NO PORT"));
        EXPECT_FALSE(label("labeldata")->isVisible());
        EXPECT_FALSE(label("labelunit")->isVisible());
    }
    bool waitForWindow(const char* name) const {
        return QTest::qWaitFor([name] { return FindOpenWindow(name) != nullptr; }, kWaitMs);
    }
};

const std::vector<std::string> kNotConnectedButtons = {"Cmd_Connect", "Cmd_Exit"};
// After an unplug: the unit switch needs no gauge and stays usable.
const std::vector<std::string> kUnpluggedButtons = {"Cmd_Connect", "Cmd_Unit", "Cmd_Exit"};
const std::vector<std::string> kIdleAfterStartup = {"Cmd_RealTime",    "Cmd_Grp1", "Cmd_Grp2",
                                                    "Cmd_Grp3",        "Cmd_Grp4", "Cmd_AllGrp",
                                                    "Cmd_RealTimeGrp", "Cmd_Unit", "Cmd_Exit"};

struct FailedStartCase {
    const char* name;
    testing::PortList list;
    const char* message;
};

class FailedStartTest : public MainWindowTest,
                        public ::testing::WithParamInterface<FailedStartCase> {};

TEST_P(FailedStartTest, ShowsTheMessageBeforeTheWindowThenTheNoPortLook) {
    start(GetParam().list);
    ASSERT_EQ(messages->messages, std::vector<std::string>{GetParam().message});
    EXPECT_FALSE(messages->anyWindowVisible.front()) << "the message must come before the window";
    expectNotConnectedPanel();
    EXPECT_EQ(enabledButtons(), kNotConnectedButtons);
    EXPECT_EQ(store.receiveMode, ModeIdle);
    EXPECT_FALSE(serialPort->isOpen());
}

INSTANTIATE_TEST_SUITE_P(
    Start, FailedStartTest,
    ::testing::Values(
        FailedStartCase{"NoBridgeInTheList", testing::PortList::WithoutGauge, kNoPortAtStartup},
        FailedStartCase{"ListCannotBeOpened", testing::PortList::Missing, kRegOpenKeyError}),
    [](const ::testing::TestParamInfo<FailedStartCase>& param) {
        return std::string(param.param.name);
    });

TEST_F(MainWindowTest, StartWithTheGaugeShowsTheConnectedLook) {
    start(PortList::WithGauge);
    EXPECT_TRUE(messages->messages.empty());
    EXPECT_TRUE(serialPort->isOpen());
    EXPECT_EQ(serialPort->portNumber(), 3);
    expectConnectedPanel();
    EXPECT_EQ(enabledButtons(), kIdleAfterStartup);
    EXPECT_TRUE(button("Cmd_RealTime")->isVisible());
    EXPECT_EQ(button("Cmd_RealTime")->text(), QStringLiteral("RealTimeSamp"));
}

TEST_F(MainWindowTest, ConnectAfterAFailedStartLeavesAllGroupsDisabled) {
    start(PortList::WithoutGauge);
    click("Cmd_Connect");  // still nothing plugged in
    ASSERT_EQ(messages->messages.size(), 2u);
    EXPECT_EQ(messages->messages.back(), kNoPortOnConnect);
    EXPECT_EQ(enabledButtons(), kNotConnectedButtons);

    plugInGauge();
    click("Cmd_Connect");
    EXPECT_EQ(messages->messages.size(), 2u);
    EXPECT_TRUE(serialPort->isOpen());
    expectConnectedPanel();
    EXPECT_EQ(enabledButtons(),
              (std::vector<std::string>{"Cmd_RealTime", "Cmd_Grp1", "Cmd_Grp2", "Cmd_Grp3",
                                        "Cmd_Grp4", "Cmd_RealTimeGrp", "Cmd_Unit", "Cmd_Exit"}));
}

TEST_F(MainWindowTest, GroupRequestDisablesTheRequestButtonsUntilTheGroupHasArrived) {
    start(PortList::Missing);
    plugInGauge();
    click("Cmd_Connect");  // a CONNECT run: All_Grps stays disabled until a download completes
    ASSERT_TRUE(serialPort->isOpen());

    click("Cmd_Grp2");
    EXPECT_EQ(enabledButtons(), (std::vector<std::string>{"Cmd_Unit", "Cmd_Exit"}));
    ASSERT_TRUE(waitForWindow("FrmGrpTwo"));
    EXPECT_EQ(enabledButtons(), kIdleAfterStartup);  // All_Grps included now
    EXPECT_EQ(gauge->receivedCommands(), std::vector<std::uint8_t>{0xF3});
    EXPECT_EQ(store.receiveMode, ModeIdle);
    expectConnectedPanel();
}

// The inspection report names the port and the time of each group's download.
TEST_F(MainWindowTest, RemembersWhereAndWhenEachGroupWasDownloaded) {
    start(PortList::WithGauge);
    click("Cmd_Grp2");
    ASSERT_TRUE(waitForWindow("FrmGrpTwo"));
    const WindowContext& context = form->windows().context();
    ASSERT_TRUE(context.downloadText);
    EXPECT_EQ(context.downloadText(GroupWindowId::Group2),
              "from COM3 (" + serialPort->devicePath() + ") at 04:22");
    EXPECT_EQ(context.downloadText(GroupWindowId::Group1), "");
}

TEST_F(MainWindowTest, ButtonsSendTheirRequests) {
    struct Case {
        const char* button;
        std::uint8_t command;
        const char* window;
    };
    const Case cases[] = {{"Cmd_Grp1", 0xF2, "FrmGrpOne"},
                          {"Cmd_Grp3", 0xF4, "FrmGrpThree"},
                          {"Cmd_Grp4", 0xF5, "FrmGrpFour"},
                          {"Cmd_RealTimeGrp", 0xF7, "FrmRealTimeGrp"},
                          {"Cmd_AllGrp", 0xF6, "FrmGrpFour"}};
    start(PortList::WithGauge);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        gauge->clearReceivedCommands();
        form->windows().closeAll();
        click(c.button);
        ASSERT_TRUE(waitForWindow(c.window));
        ASSERT_TRUE(QTest::qWaitFor([this] { return button("Cmd_Grp1")->isEnabled(); }, kWaitMs));
        EXPECT_EQ(gauge->receivedCommands(), std::vector<std::uint8_t>{c.command});
    }
}

TEST_F(MainWindowTest, ARepeatedGroupRequestReplacesItsOpenWindow) {
    start(PortList::WithGauge);
    click("Cmd_Grp1");
    ASSERT_TRUE(waitForWindow("FrmGrpOne"));
    const QPointer<QWidget> first = FindOpenWindow("FrmGrpOne");
    ASSERT_TRUE(QTest::qWaitFor([this] { return button("Cmd_Grp1")->isEnabled(); }, kWaitMs));

    WindowEventLog log;
    click("Cmd_Grp1");
    ASSERT_TRUE(QTest::qWaitFor([this] { return button("Cmd_Grp1")->isEnabled(); }, kWaitMs));
    EXPECT_EQ(log.events, (std::vector<std::string>{"close FrmGrpOne", "show FrmGrpOne"}));
    EXPECT_TRUE(first.isNull());
    EXPECT_NE(FindOpenWindow("FrmGrpOne"), nullptr);
}

TEST_F(MainWindowTest, RealTimeSamplingShowsReadingsAndPausesAgain) {
    start(PortList::WithGauge);
    click("Cmd_RealTime");
    EXPECT_EQ(button("Cmd_RealTime")->text(), QStringLiteral("Pause"));
    EXPECT_EQ(enabledButtons(), (std::vector<std::string>{"Cmd_RealTime", "Cmd_Unit", "Cmd_Exit"}));
    ASSERT_TRUE(waitForWindow("FrmRealTimeList"));
    gauge->sendLiveFrame(12.25f);
    ASSERT_TRUE(QTest::qWaitFor([this] { return label("labeldata")->text() == "12.3"; }, kWaitMs));
    EXPECT_EQ(label("labelunit")->text(), QStringLiteral("um"));
    EXPECT_GE(store.realTimeSamples.readingCount, 1);

    click("Cmd_RealTime");
    EXPECT_EQ(button("Cmd_RealTime")->text(), QStringLiteral("RealTimeSamp"));
    EXPECT_EQ(enabledButtons(), kIdleAfterStartup);
    EXPECT_NE(FindOpenWindow("FrmRealTimeList"), nullptr) << "pausing keeps the list open";
}

TEST_F(MainWindowTest, DeviceGoneSaysSoAndLetsTheUserConnectAgain) {
    start(PortList::WithGauge);
    gauge->vanish();
    ASSERT_TRUE(QTest::qWaitFor([this] { return !messages->messages.empty(); }, kWaitMs));
    const std::string& message = messages->messages.front();
    EXPECT_EQ(message.rfind("The gauge is no longer connected (", 0), 0u) << message;
    EXPECT_NE(message.find("). Plug it in again and press CONNECT."), std::string::npos) << message;
    EXPECT_EQ(message.find(".)"), std::string::npos) << "one sentence, one full stop: " << message;
    expectNotConnectedPanel();
    EXPECT_EQ(enabledButtons(), kUnpluggedButtons);
    EXPECT_FALSE(serialPort->isOpen());
    click("Cmd_Unit");
    EXPECT_EQ(store.unitIsMils, 1);
    click("Cmd_Unit");

    plugInGauge();
    click("Cmd_Connect");
    EXPECT_TRUE(serialPort->isOpen());
    expectConnectedPanel();
    click("Cmd_Grp1");
    EXPECT_TRUE(waitForWindow("FrmGrpOne"));
}

TEST_F(MainWindowTest, DeviceGoneWhileSamplingResetsThePauseCaption) {
    start(PortList::WithGauge);
    click("Cmd_RealTime");
    ASSERT_EQ(button("Cmd_RealTime")->text(), QStringLiteral("Pause"));
    gauge->vanish();
    ASSERT_TRUE(QTest::qWaitFor([this] { return !messages->messages.empty(); }, kWaitMs));
    EXPECT_EQ(button("Cmd_RealTime")->text(), QStringLiteral("RealTimeSamp"));
    EXPECT_EQ(enabledButtons(), kUnpluggedButtons);
}

// Every window the unit switch reopens, in its order, each shown through the window set.
TEST_F(MainWindowTest, UnitSwitchReopensTheOpenWindowsInOrder) {
    start(PortList::WithGauge);
    AppWindows& windows = form->windows();
    windows.context().toggleAbout();
    windows.reopenGroupWindow(GroupWindowId::Current);
    windows.reopenGroupWindow(GroupWindowId::Group3);
    windows.reopenGroupWindow(GroupWindowId::Group1);
    windows.context().toggleRealTimeHistogram();
    windows.showRealTimeList();
    const QPointer<QWidget> before = windows.groupWindow(GroupWindowId::Group1);

    WindowEventLog log;
    click("Cmd_Unit");
    EXPECT_EQ(store.unitIsMils, 1);
    EXPECT_EQ(log.events,
              (std::vector<std::string>{
                  "close FrmGrpOne", "show FrmGrpOne", "close FrmGrpThree", "show FrmGrpThree",
                  "close FrmRealTimeGrp", "show FrmRealTimeGrp", "close FrmRealTimeList",
                  "show FrmRealTimeList", "close FrmRealTimeGrpTwo", "show FrmRealTimeGrpTwo"}));
    EXPECT_TRUE(before.isNull()) << "the old window is gone";
    EXPECT_TRUE(IsOpen(windows.groupWindow(GroupWindowId::Group1))) << "a new one is open";
    EXPECT_NE(windows.about(), nullptr) << "the About box is not reopened";
    EXPECT_EQ(windows.groupWindow(GroupWindowId::Group2), nullptr) << "closed windows stay closed";

    log.events.clear();
    click("Cmd_Unit");
    EXPECT_EQ(store.unitIsMils, 0);
    EXPECT_EQ(log.events.size(), 10u);
    expectConnectedPanel();  // the big reading keeps its texts
}

TEST_F(MainWindowTest, UnitSwitchWithAllEightWindowsFollowsTheOrder) {
    start(PortList::WithGauge);
    AppWindows& windows = form->windows();
    windows.context().toggleRealTimeTrend();
    windows.context().toggleRealTimeHistogram();
    windows.showRealTimeList();
    for (GroupWindowId id : {GroupWindowId::Current, GroupWindowId::Group4, GroupWindowId::Group3,
                             GroupWindowId::Group2, GroupWindowId::Group1}) {
        windows.reopenGroupWindow(id);
    }
    WindowEventLog log;
    click("Cmd_Unit");
    std::vector<std::string> closes;
    for (const std::string& event : log.events) {
        if (event.rfind("close ", 0) == 0) closes.push_back(event.substr(6));
    }
    EXPECT_EQ(closes, (std::vector<std::string>{"FrmGrpOne", "FrmGrpTwo", "FrmGrpThree",
                                                "FrmGrpFour", "FrmRealTimeGrp", "FrmRealTimeList",
                                                "FrmRealTimeGrpOne", "FrmRealTimeGrpTwo"}));
    EXPECT_EQ(log.events.size(), 16u);
}

TEST_F(MainWindowTest, UnitSwitchWithoutOpenWindowsOnlyFlipsTheUnit) {
    start(PortList::WithGauge);
    WindowEventLog log;
    click("Cmd_Unit");
    EXPECT_EQ(store.unitIsMils, 1);
    EXPECT_TRUE(log.events.empty());
}

TEST_F(MainWindowTest, UnitSwitchDropsAListBuiltButNotShown) {
    start(PortList::WithGauge);
    CapturedSampleTexts texts;
    form->sampleCaptured(texts);  // a capture creates the list without showing it
    ASSERT_NE(form->windows().realTimeList(), nullptr);
    EXPECT_FALSE(form->windows().realTimeList()->isVisible());
    click("Cmd_Unit");
    EXPECT_EQ(form->windows().realTimeList(), nullptr) << "its texts were in the old unit";
}

TEST_F(MainWindowTest, ExitClosesTheOtherWindowsInOrderThenEnds) {
    start(PortList::WithGauge);
    AppWindows& windows = form->windows();
    for (GroupWindowId id : {GroupWindowId::Group1, GroupWindowId::Group3, GroupWindowId::Group4,
                             GroupWindowId::Current}) {
        windows.reopenGroupWindow(id);
    }
    windows.showRealTimeList();
    windows.context().toggleRealTimeTrend();
    windows.context().toggleAbout();
    WindowEventLog log;
    // The program's event loop ends by itself once the last window has closed.
    QTimer::singleShot(0, form.get(), [this] { click("Cmd_Exit"); });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, qApp, [] { QCoreApplication::exit(1); });
    guard.start(kWaitMs);
    EXPECT_EQ(QApplication::exec(), 0) << "the program did not end";
    EXPECT_EQ(log.events, (std::vector<std::string>{
                              "close Form1", "close frmAbout", "close FrmGrpFour",
                              "close FrmGrpOne", "close FrmGrpThree", "close FrmRealTimeGrp",
                              "close FrmRealTimeList", "close FrmRealTimeGrpOne"}));
    EXPECT_FALSE(form->isVisible());
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        EXPECT_FALSE(widget->isVisible()) << widget->objectName().toStdString();
    }
    EXPECT_TRUE(serialPort->isOpen()) << "the port closes with the main window, not before";
    form.reset();
    EXPECT_EQ(gauge->receivedCommands(), std::vector<std::uint8_t>{}) << "nothing is sent";
}

// Where a mouse press starts moving the window: only the uncovered strips of the background.
TEST(MainWindowDragArea, OnlyTheUncoveredBackgroundMovesTheWindow) {
    struct Case {
        QPoint point;
        bool drags;
        const char* where;
    };
    const Case cases[] = {
        {{281, 200}, true, "gap between artwork and buttons, left edge"},
        {{283, 10}, true, "gap, right edge"},
        {{300, 0}, true, "strip above the button column"},
        {{443, 7}, true, "strip above, right end"},
        {{350, 497}, true, "strip below the button column"},
        {{280, 200}, false, "artwork, right edge"},
        {{150, 150}, false, "reading panel"},
        {{10, 497}, false, "artwork at the bottom"},
        {{284, 8}, false, "button column, top-left corner"},
        {{443, 496}, false, "button column, bottom-right corner"},
        {{444, 100}, false, "outside the client area"},
        {{300, 498}, false, "below the client area"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsWindowDragArea(c.point), c.drags) << c.where;
    }
}

TEST_F(MainWindowTest, PressingAnyButtonOnTheGapDragsTheWindow) {
    start(PortList::WithoutGauge);
    struct Case {
        QPoint press;
        Qt::MouseButton button;
        bool moves;
    };
    const Case cases[] = {{{282, 250}, Qt::LeftButton, true},   {{400, 3}, Qt::RightButton, true},
                          {{100, 400}, Qt::LeftButton, false},   // artwork
                          {{150, 120}, Qt::LeftButton, false},   // reading panel
                          {{288, 300}, Qt::LeftButton, false},   // button column
                          {{360, 130}, Qt::LeftButton, false},   // Group1, disabled
                          {{100, 330}, Qt::RightButton, false},  // product label
                          {{360, 50}, Qt::LeftButton, false}};   // CONNECT
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.press.x()) + "," +
                     ::testing::PrintToString(c.press.y()));
        form->move(100, 100);
        const QPoint start = form->pos();
        // Delivered where the system would: to the control under the pointer.
        QWidget* target = form->childAt(c.press);
        if (target == nullptr) target = form.get();
        QTest::mousePress(target, c.button, {}, target->mapFrom(form.get(), c.press));
        QTest::mouseMove(form.get(), c.press + QPoint(30, 20));
        QTest::mouseRelease(form.get(), c.button, {}, c.press + QPoint(30, 20));
        EXPECT_EQ(form->pos() != start, c.moves);
        if (c.moves) {
            EXPECT_EQ(form->pos(), start + QPoint(30, 20));
        }
    }
}

}  // namespace
}  // namespace zepra
