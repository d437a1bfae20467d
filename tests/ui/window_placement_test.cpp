// Where windows open: beside the main window, cascaded, inside the screen, and where they were
// last in this run. Real top-level windows on the offscreen platform.
#include "ui/window_placement.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <memory>
#include <vector>

namespace zepra {
namespace {

constexpr QSize kMainSize(200, 300);
constexpr QSize kWindowSize(150, 100);

QRect Area() {
    return QGuiApplication::primaryScreen()->availableGeometry();
}

class WindowPlacementTest : public ::testing::Test {
  protected:
    void showMainWindowAt(QPoint position) {
        mainWindow.setGeometry(QRect(position, kMainSize));
        mainWindow.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&mainWindow));
    }

    QWidget* openWindow(const char* name, WindowPlace how) {
        windows.push_back(std::make_unique<QWidget>(nullptr, Qt::Window));
        QWidget* window = windows.back().get();
        window->setObjectName(QString::fromLatin1(name));
        window->setFixedSize(kWindowSize);
        placement.place(window, how);
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
        return window;
    }

    QWidget mainWindow;
    WindowPlacement placement{&mainWindow};
    std::vector<std::unique_ptr<QWidget>> windows;
};

struct CascadeCase {
    const char* name;
    int mainLeftFromAreaLeft;  // < 0: from the area's right edge
};

class CascadeTest : public WindowPlacementTest,
                    public ::testing::WithParamInterface<CascadeCase> {};

// Four windows opened in turn: each on the screen, none over the main window, none on another.
TEST_P(CascadeTest, EachNewWindowBesideTheMainWindowOffsetFromTheLast) {
    const QRect area = Area();
    const int offset = GetParam().mainLeftFromAreaLeft;
    showMainWindowAt(
        QPoint(offset >= 0 ? area.left() + offset : area.right() + 1 + offset - kMainSize.width(),
               area.top() + 20));
    std::vector<QRect> frames;
    for (const char* name : {"W1", "W2", "W3", "W4"}) {
        const QRect frame = openWindow(name, WindowPlace::Cascade)->frameGeometry();
        EXPECT_TRUE(area.contains(frame)) << name;
        EXPECT_FALSE(frame.intersects(mainWindow.frameGeometry())) << name;
        for (const QRect& earlier : frames) {
            EXPECT_GE((frame.topLeft() - earlier.topLeft()).manhattanLength(), 20) << name;
        }
        frames.push_back(frame);
    }
}

INSTANTIATE_TEST_SUITE_P(MainWindow, CascadeTest,
                         ::testing::Values(CascadeCase{"left", 10}, CascadeCase{"right", -10}),
                         [](const auto& kind) { return std::string(kind.param.name); });

TEST_F(WindowPlacementTest, BesideAndCentred) {
    const QRect area = Area();
    showMainWindowAt(area.topLeft() + QPoint(30, 40));
    const QRect main = mainWindow.frameGeometry();
    EXPECT_EQ(openWindow("List", WindowPlace::Beside)->pos(), QPoint(main.right() + 1, main.top()));
    EXPECT_EQ(openWindow("About", WindowPlace::Centred)->frameGeometry().center(), area.center());
}

TEST_F(WindowPlacementTest, AWindowOpensAgainWhereItWasLastAndOnTheScreen) {
    const QRect area = Area();
    showMainWindowAt(area.topLeft());
    QWidget* first = openWindow("Group2", WindowPlace::Cascade);
    const QPoint moved = area.topLeft() + QPoint(310, 220);
    first->move(moved);
    first->close();
    EXPECT_EQ(openWindow("Group2", WindowPlace::Cascade)->pos(), moved);
    EXPECT_NE(openWindow("Group3", WindowPlace::Cascade)->pos(), moved);

    // Moved half off the screen: it comes back whole.
    windows.back()->move(area.bottomRight() - QPoint(10, 10));
    windows.back()->close();
    const QRect frame = openWindow("Group3", WindowPlace::Cascade)->frameGeometry();
    EXPECT_TRUE(area.contains(frame));
}

}  // namespace
}  // namespace zepra
