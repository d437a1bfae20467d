// A window dragged to a screen with another device pixel ratio: its labels in the bitmap face
// take the face for the new ratio (the bitmap one at 1, the scalable stand-in elsewhere) and are
// drawn with it. Needs two screens of different ratios: ctest runs it on the offscreen platform
// with ui/two_screens.json; elsewhere it skips.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <memory>

#include "data/measurement_store.h"
#include "support/fakes.h"
#include "support/find_control.h"
#include "ui/fonts.h"
#include "ui/groups/group_window.h"

namespace zepra {
namespace {

// Rows of `image` holding a pixel darker than mid grey.
int InkRows(const QImage& image) {
    int rows = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(image.pixel(x, y)) < 128) {
                ++rows;
                break;
            }
        }
    }
    return rows;
}

class ScreenRatioTest : public ::testing::TestWithParam<bool> {};

TEST_P(ScreenRatioTest, LabelsFollowTheScreenTheWindowMovesTo) {
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (screens.size() < 2 ||
        qFuzzyCompare(screens[0]->devicePixelRatio(), screens[1]->devicePixelRatio()))
        GTEST_SKIP() << "needs two screens of different device pixel ratios";
    testing::LoadFontsOnce();
    // From the first screen to the second, or back.
    QScreen* from = GetParam() ? screens[0] : screens[1];
    QScreen* to = GetParam() ? screens[1] : screens[0];

    MeasurementStore store;
    testing::FakeSaveDialog dialog;
    testing::FakeMessageBox messages;
    testing::FakeClockText clock;
    WindowContext context;
    context.store = &store;
    context.saveDialog = &dialog;
    context.messageBox = &messages;
    context.clock = &clock;
    const auto window = std::make_unique<GroupWindow>(GroupWindowId::Group1, context);
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    window->move(from->geometry().topLeft() + QPoint(20, 20));
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    auto* count = testing::FindControl<QLabel>(window.get(), "Label24");  // "Counts:"
    const QFont design = DesignFont(count);
    ASSERT_EQ(design.families().value(0), QStringLiteral("MS Sans Serif"));

    const auto inkAt = [&](QScreen* screen) {
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return qFuzzyCompare(count->devicePixelRatioF(), screen->devicePixelRatio()); },
            2'000));
        QTest::qWait(50);  // the repaint that follows the move
        EXPECT_EQ(count->font(), FaceForRatio(design, screen->devicePixelRatio()))
            << "on the screen of ratio " << screen->devicePixelRatio();
        const QImage shown =
            window->grab(QRect(count->mapTo(window.get(), QPoint(0, 0)), count->size())).toImage();
        EXPECT_DOUBLE_EQ(shown.devicePixelRatio(), screen->devicePixelRatio());
        return InkRows(shown) / screen->devicePixelRatio();
    };
    const double before = inkAt(from);
    window->move(to->geometry().topLeft() + QPoint(20, 20));
    const double after = inkAt(to);
    // The same text, the same size in logical pixels, within a device pixel of each ratio.
    EXPECT_NEAR(after, before, 1.0);
    EXPECT_GT(after, 0);
}

INSTANTIATE_TEST_SUITE_P(Moves, ScreenRatioTest, ::testing::Bool(),
                         [](const auto& param) { return param.param ? "Up" : "Down"; });

}  // namespace
}  // namespace zepra
