// Every fixed-size window kind: a frame without a maximise button, and a maximise request that
// still comes (Qt's title bar on Wayland offers one on every window) leaves it at its size.
#include "ui/fixed_size_windows.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QWindow>
#include <functional>
#include <memory>

#include "data/measurement_store.h"
#include "ui/groups/group_window.h"
#include "ui/main/about_box.h"
#include "ui/realtime/realtime_histogram_window.h"
#include "ui/realtime/realtime_list_window.h"
#include "ui/realtime/realtime_trend_window.h"
#include "ui/support/fakes.h"
#include "ui/support/find_control.h"

namespace zepra {
namespace {

struct WindowKind {
    const char* name;
    std::function<QWidget*(const WindowContext&)> make;
};

class FixedSizeWindowTest : public ::testing::TestWithParam<WindowKind> {
  protected:
    void SetUp() override {
        testing::LoadFontsOnce();
        KeepFixedSizeWindowsUnmaximised(*qApp);
        InitialiseStore(*store_);
        context_.store = store_.get();
        context_.messageBox = &messages_;
        context_.saveDialog = &saveDialog_;
        context_.clock = &clock_;
    }

    std::unique_ptr<MeasurementStore> store_ = std::make_unique<MeasurementStore>();
    testing::FakeMessageBox messages_;
    testing::FakeSaveDialog saveDialog_;
    testing::FakeClockText clock_;
    WindowContext context_;
};

TEST_P(FixedSizeWindowTest, OffersNoMaximiseAndStaysAtItsSize) {
    std::unique_ptr<QWidget> window(GetParam().make(context_));
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    const QSize fixed = window->size();
    EXPECT_EQ(window->minimumSize(), window->maximumSize()) << "fixed size";
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMinimizeButtonHint);

    // What the maximise button of a title bar drawn by Qt does.
    QWindow* handle = window->windowHandle();
    handle->setWindowStates(Qt::WindowMaximized);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return !(handle->windowStates() & Qt::WindowMaximized) && window->size() == fixed; },
        3000))
        << "state " << handle->windowStates().toInt() << ", " << window->width() << " x "
        << window->height();
    EXPECT_EQ(handle->maximumSize(), fixed);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, FixedSizeWindowTest,
    ::testing::Values(
        WindowKind{"About", [](const WindowContext&) { return new AboutBox; }},
        WindowKind{
            "Group",
            [](const WindowContext& c) { return new GroupWindow(GroupWindowId::Group1, c); }},
        WindowKind{
            "CurrentGroup",
            [](const WindowContext& c) { return new GroupWindow(GroupWindowId::Current, c); }},
        WindowKind{"RealTimeList",
                   [](const WindowContext& c) { return new RealTimeListWindow(c, nullptr); }},
        WindowKind{"RealTimeTrend",
                   [](const WindowContext& c) { return new RealTimeTrendWindow(c); }},
        WindowKind{"RealTimeHistogram",
                   [](const WindowContext& c) { return new RealTimeHistogramWindow(c); }}),
    [](const auto& kind) { return std::string(kind.param.name); });

}  // namespace
}  // namespace zepra
