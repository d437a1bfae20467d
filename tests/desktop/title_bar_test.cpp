// Title bars as the window manager sees them: the _NET_WM_NAME of every top-level window of the
// program on a real X display (Xvfb, Qt's xcb platform), read by another X client (xprop).
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QPointer>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <functional>
#include <vector>

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

// A property of the window as xprop prints it, or what went wrong.
QString WindowProperty(const QWidget* window, const char* property) {
    QProcess xprop;
    xprop.start(QStringLiteral("xprop"),
                {QStringLiteral("-id"), QString::number(window->winId()), QStringLiteral("-notype"),
                 QString::fromLatin1(property)});
    if (!xprop.waitForFinished(kWaitMs)) return QStringLiteral("<xprop did not finish>");
    return QString::fromUtf8(xprop.readAllStandardOutput()).trimmed();
}

// The window's _NET_WM_NAME as xprop prints it, or what went wrong.
QString WindowManagerName(const QWidget* window) {
    const QString output = WindowProperty(window, "_NET_WM_NAME");
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

const struct {
    const char* window;
    const char* caption;
} kWindows[] = {
    {"Form1", "ZEPRA Coating Thickness Tester"}, {"FrmGrpOne", "Group1"},
    {"FrmRealTimeGrp", "RealTimeGroup"},         {"FrmRealTimeList", "RealTimeList"},
    {"FrmRealTimeGrpOne", "RealTimeTrend"},      {"FrmRealTimeGrpTwo", "RealTimeHistogram"},
};

class TitleBarTest : public MainWindowFixture {
  protected:
    // Group1 and the current group downloaded, live sampling with its three windows.
    void openEveryWindow();

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
    openEveryWindow();
    for (const auto& expected : kWindows) {
        const QWidget* window = waitForWindow(expected.window);
        if (window == nullptr) continue;
        EXPECT_EQ(WindowManagerName(window).toStdString(), expected.caption) << expected.window;
    }
}

// What the window manager reads to decide on a maximise button: the Motif hints name neither a
// maximise function (0x10) nor a maximise button (0x40), and the minimum size is the maximum.
TEST_F(TitleBarTest, NoWindowOffersMaximise) {
    openEveryWindow();
    FindControl<QAction>(waitForWindow("FrmRealTimeList"), "SHOWINFO")->trigger();
    std::vector<const char*> names{"frmAbout"};
    for (const auto& expected : kWindows) names.push_back(expected.window);
    const QRegularExpression motif(
        QStringLiteral("^_MOTIF_WM_HINTS = (0x[0-9a-f]+), (0x[0-9a-f]+), (0x[0-9a-f]+)"));
    const QRegularExpression size(QStringLiteral("minimum size: (\\d+) by (\\d+).*"
                                                 "maximum size: (\\d+) by (\\d+)"),
                                  QRegularExpression::DotMatchesEverythingOption);
    for (const char* name : names) {
        const QWidget* window = waitForWindow(name);
        if (window == nullptr) continue;
        const QString hints = WindowProperty(window, "_MOTIF_WM_HINTS");
        const QRegularExpressionMatch m = motif.match(hints);
        ASSERT_TRUE(m.hasMatch()) << name << ": " << hints.toStdString();
        bool ok = false;
        EXPECT_EQ(m.captured(2).toUInt(&ok, 16) & 0x10u, 0u) << name << ": " << hints.toStdString();
        EXPECT_EQ(m.captured(3).toUInt(&ok, 16) & 0x40u, 0u) << name << ": " << hints.toStdString();
        const QString normal = WindowProperty(window, "WM_NORMAL_HINTS");
        const QRegularExpressionMatch s = size.match(normal);
        ASSERT_TRUE(s.hasMatch()) << name << ": " << normal.toStdString();
        EXPECT_EQ(s.captured(1), s.captured(3)) << name << ": " << normal.toStdString();
        EXPECT_EQ(s.captured(2), s.captured(4)) << name << ": " << normal.toStdString();
    }
}

// All_Grps opens four windows: each beside the main window's buttons, offset from the others,
// on the screen; one moved by the user opens there again when downloaded anew.
TEST_F(TitleBarTest, AllGroupsCascadeBesideTheMainWindow) {
    start(PortList::WithGauge);
    click("Cmd_AllGrp");
    const char* const groups[] = {"FrmGrpOne", "FrmGrpTwo", "FrmGrpThree", "FrmGrpFour"};
    const QRect area = form->screen()->availableGeometry();
    const QWidget* buttons = FindControl<QWidget>(form.get(), "Picture1");
    // What shows of it: the column reaches one pixel past the window's edge.
    const QRect buttonColumn =
        QRect(buttons->mapToGlobal(QPoint(0, 0)), buttons->size()).intersected(form->geometry());
    std::vector<QRect> frames;
    for (const char* name : groups) {
        const QWidget* window = waitForWindow(name);
        ASSERT_NE(window, nullptr);
        const QRect frame = window->frameGeometry();
        EXPECT_TRUE(area.contains(frame)) << name;
        EXPECT_FALSE(frame.intersects(buttonColumn))
            << name << " at " << frame.x() << "," << frame.y() << " " << frame.width() << " x "
            << frame.height() << ", buttons at " << buttonColumn.x() << "," << buttonColumn.y()
            << " " << buttonColumn.width() << " x " << buttonColumn.height();
        for (const QRect& earlier : frames) {
            EXPECT_GE((frame.topLeft() - earlier.topLeft()).manhattanLength(), 20) << name;
        }
        frames.push_back(frame);
    }

    QPointer<QWidget> second = FindOpenWindow("FrmGrpTwo");
    const QPoint moved = area.topLeft() + QPoint(40, 300);
    second->move(moved);
    ASSERT_TRUE(QTest::qWaitFor([&] { return second->pos() == moved; }, kWaitMs));
    ASSERT_TRUE(QTest::qWaitFor([&] { return button("Cmd_Grp2")->isEnabled(); }, kWaitMs));
    click("Cmd_Grp2");  // the download closes the window and opens it anew
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return second.isNull() && FindOpenWindow("FrmGrpTwo") != nullptr; }, kWaitMs));
    EXPECT_EQ(waitForWindow("FrmGrpTwo")->pos(), moved);
}

void TitleBarTest::openEveryWindow() {
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
