// Title bars as the window manager sees them: the _NET_WM_NAME of every top-level window of the
// program on a real X display (Xvfb, Qt's xcb platform), read by another X client (xprop).
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <functional>

#include "desktop/xvfb_display.h"
#include "platform/qt_message_box.h"
#include "platform/qt_save_dialog.h"
#include "ui/main/application_setup.h"
#include "ui/support/main_window_fixture.h"

namespace zepra {
namespace {

using testing::FindControl;
using testing::FindOpenWindow;
using testing::MainWindowFixture;
using testing::PortList;
using testing::XvfbDisplay;

constexpr int kWaitMs = 10'000;

// The window's _NET_WM_NAME as xprop prints it, or what went wrong.
QString WindowManagerName(const QWidget* window) {
    QProcess xprop;
    xprop.start(QStringLiteral("xprop"),
                {QStringLiteral("-id"), QString::number(window->winId()), QStringLiteral("-notype"),
                 QStringLiteral("_NET_WM_NAME")});
    if (!xprop.waitForFinished(kWaitMs)) return QStringLiteral("<xprop did not finish>");
    const QString output = QString::fromUtf8(xprop.readAllStandardOutput()).trimmed();
    // _NET_WM_NAME = "Group1"
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("^_NET_WM_NAME = \"(.*)\"$")).match(output);
    return match.hasMatch() ? match.captured(1) : QStringLiteral("<") + output + QLatin1Char('>');
}

// Runs `open`, which shows a modal window and returns when it is closed; meanwhile reads the
// modal window's name and closes it.
QString ModalWindowManagerName(const std::function<void()>& open) {
    QString name = QStringLiteral("<no modal window>");
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || !modal->isVisible()) return;
        poll.stop();
        if (!QTest::qWaitForWindowExposed(modal, kWaitMs)) return;
        name = WindowManagerName(modal);
        modal->close();
    });
    poll.start();
    QTimer giveUp;
    giveUp.setSingleShot(true);
    QObject::connect(&giveUp, &QTimer::timeout, [] {
        if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
    });
    giveUp.start(3 * kWaitMs);
    open();
    return name;
}

class TitleBarTest : public MainWindowFixture {
  protected:
    void SetUp() override {
        if (!XvfbDisplay::available()) {
            GTEST_SKIP() << XvfbDisplay::unavailableReason();
        }
        if (QStandardPaths::findExecutable(QStringLiteral("xprop")).isEmpty()) {
            GTEST_SKIP() << "xprop is not installed (Debian package x11-utils)";
        }
        MainWindowFixture::SetUp();
        SetUpApplication();  // what main() does: names, fonts
    }

    // Waits for the window to be shown and painted on the display.
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
};

TEST_F(TitleBarTest, EveryWindowShowsItsCaptionAlone) {
    start(PortList::WithGauge);
    click("Cmd_Grp1");
    waitForWindow("FrmGrpOne");
    ASSERT_TRUE(QTest::qWaitFor([&] { return button("Cmd_RealTimeGrp")->isEnabled(); }, kWaitMs));
    click("Cmd_RealTimeGrp");
    waitForWindow("FrmRealTimeGrp");
    ASSERT_TRUE(QTest::qWaitFor([&] { return button("Cmd_RealTime")->isEnabled(); }, kWaitMs));
    click("Cmd_RealTime");
    QWidget* list = waitForWindow("FrmRealTimeList");
    ASSERT_NE(list, nullptr);
    FindControl<QAction>(list, "aarealtimehistogram_1")->trigger();
    FindControl<QAction>(list, "aarealtimehistogram_2")->trigger();

    const struct {
        const char* window;
        const char* caption;
    } windows[] = {
        {"Form1", "ZEPRA Coating Thickness Tester"}, {"FrmGrpOne", "Group1"},
        {"FrmRealTimeGrp", "RealTimeGroup"},         {"FrmRealTimeList", "RealTimeList"},
        {"FrmRealTimeGrpOne", "RealTimeTrend"},      {"FrmRealTimeGrpTwo", "RealTimeHistogram"},
    };
    for (const auto& expected : windows) {
        const QWidget* window = waitForWindow(expected.window);
        if (window == nullptr) continue;
        EXPECT_EQ(WindowManagerName(window).toStdString(), expected.caption) << expected.window;
    }
}

// The group window's five menu items fit its fixed width on one line, and SAVE-*.PDF opens the
// inspection dialog under its own title.
TEST_F(TitleBarTest, GroupMenuBarStaysOnOneLineAndOpensTheInspectionDialog) {
    start(PortList::WithGauge);
    click("Cmd_Grp1");
    auto* window = qobject_cast<QMainWindow*>(waitForWindow("FrmGrpOne"));
    ASSERT_NE(window, nullptr);
    QMenuBar* bar = window->menuBar();
    ASSERT_EQ(bar->actions().size(), 5);
    const QRect first = bar->actionGeometry(bar->actions().front());
    const QRect last = bar->actionGeometry(bar->actions().back());
    EXPECT_EQ(last.top(), first.top());
    EXPECT_LE(last.right(), window->width());
    EXPECT_LT(bar->height(), 2 * first.height());

    const auto openDialog = [&] { FindControl<QAction>(window, "SAVEPDF")->trigger(); };
    EXPECT_EQ(ModalWindowManagerName(openDialog).toStdString(), "Inspection Report");
}

TEST_F(TitleBarTest, SaveDialogIsTitledSaveAndMessagesCarryTheProgramsName) {
    QtSaveDialog dialog;
    const auto openDialog = [&] { dialog.getSaveFileName("Save", "csv files (*.csv)|*.csv"); };
    EXPECT_EQ(ModalWindowManagerName(openDialog).toStdString(), "Save");
    QtMessageBox box;
    EXPECT_EQ(ModalWindowManagerName([&] { box.show("No answer from the gauge!"); }).toStdString(),
              "ZEPRA Coating Thickness Tester");
}

}  // namespace
}  // namespace zepra
