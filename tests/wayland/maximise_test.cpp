// Fixed-size windows under a Wayland compositor that maximises whatever asks (weston): the
// request Qt's title bar makes when its maximise button is clicked must not end the program
// (a window that keeps its size in the maximised state is a protocol error), and the window comes
// back to its size.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTest>
#include <QWindow>

#include "ui/main/application_setup.h"
#include "ui/support/main_window_fixture.h"
#include "wayland/weston_display.h"

namespace zepra {
namespace {

using testing::FindControl;
using testing::FindOpenWindow;
using testing::MainWindowFixture;
using testing::PortList;
using testing::WestonDisplay;

constexpr int kWaitMs = 10'000;

class WaylandMaximiseTest : public MainWindowFixture {
  protected:
    void SetUp() override {
        if (!WestonDisplay::available()) GTEST_SKIP() << WestonDisplay::unavailableReason();
        MainWindowFixture::SetUp();
        SetUpApplication();  // what main() does
    }

    QWidget* waitForWindow(const char* name) {
        QWidget* window = nullptr;
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return (window = FindOpenWindow(name)) != nullptr; }, kWaitMs))
            << name << " did not open";
        if (window != nullptr) {
            EXPECT_TRUE(QTest::qWaitForWindowExposed(window, kWaitMs));
        }
        return window;
    }

    // Does what the maximise button of Qt's title bar does, twice, and waits for the window to
    // be maximised by the compositor and back at its own size.
    static void clickMaximise(QWidget* window, const char* name) {
        ASSERT_NE(window, nullptr) << name;
        const QSize fixed = window->size();
        ASSERT_EQ(window->minimumSize(), window->maximumSize()) << name << " is not fixed-size";
        QWindow* handle = window->windowHandle();
        for (int click = 1; click <= 2; ++click) {
            handle->setWindowStates(handle->windowStates() ^ Qt::WindowMaximized);
            EXPECT_TRUE(QTest::qWaitFor([&] { return window->width() > fixed.width(); }, kWaitMs))
                << name << ": the compositor did not maximise it (click " << click << ")";
            EXPECT_TRUE(QTest::qWaitFor(
                [&] {
                    return !(handle->windowStates() & Qt::WindowMaximized) &&
                           window->size() == fixed && handle->maximumSize() == fixed;
                },
                kWaitMs))
                << name << " did not come back to its size (click " << click << ")";
        }
    }
};

TEST_F(WaylandMaximiseTest, EveryFixedSizeWindowSurvivesItsMaximiseButton) {
    start(PortList::WithGauge);
    click("Cmd_Grp1");
    QWidget* group = waitForWindow("FrmGrpOne");
    ASSERT_TRUE(QTest::qWaitFor([&] { return button("Cmd_RealTimeGrp")->isEnabled(); }, kWaitMs));
    click("Cmd_RealTimeGrp");
    QWidget* currentGroup = waitForWindow("FrmRealTimeGrp");
    ASSERT_TRUE(QTest::qWaitFor([&] { return button("Cmd_RealTime")->isEnabled(); }, kWaitMs));
    click("Cmd_RealTime");  // live sampling from here on: the main window repaints every reading
    QWidget* list = waitForWindow("FrmRealTimeList");
    ASSERT_NE(list, nullptr);
    FindControl<QAction>(list, "aarealtimehistogram_1")->trigger();
    FindControl<QAction>(list, "aarealtimehistogram_2")->trigger();
    FindControl<QAction>(list, "SHOWINFO")->trigger();
    QMessageBox message(QMessageBox::Information, QStringLiteral("ZEPRA Coating Thickness Tester"),
                        QStringLiteral("No answer from the gauge!"));
    message.show();

    clickMaximise(form.get(), "Form1");
    clickMaximise(group, "FrmGrpOne");
    clickMaximise(currentGroup, "FrmRealTimeGrp");
    clickMaximise(list, "FrmRealTimeList");
    clickMaximise(waitForWindow("FrmRealTimeGrpOne"), "FrmRealTimeGrpOne");
    clickMaximise(waitForWindow("FrmRealTimeGrpTwo"), "FrmRealTimeGrpTwo");
    clickMaximise(waitForWindow("frmAbout"), "frmAbout");
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&message, kWaitMs));
    clickMaximise(&message, "message box");
    // Still sampling: the capture went on meanwhile.
    EXPECT_GT(store.realTimeSamples.readingCount, 0);
}

}  // namespace
}  // namespace zepra
