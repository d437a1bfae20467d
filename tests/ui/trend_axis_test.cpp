// The trend's reading-number labels as the user sees them: in a group window and in the real-time
// trend, each number's ink stands centred under the point of the reading it names, the last one
// ends at the last reading. Measured on the rendered window, against the drawn trace.
#include <gtest/gtest.h>

#include <QAction>
#include <QImage>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <memory>
#include <span>
#include <string>

#include "charts/chart_area.h"
#include "charts/chart_math.h"
#include "data/measurement_store.h"
#include "support/fakes.h"
#include "support/find_control.h"
#include "ui/groups/group_window.h"
#include "ui/realtime/realtime_trend_window.h"

namespace zepra {
namespace {

using testing::FindControl;

enum class Host { GroupWindow, RealTimeTrend };

struct AxisCase {
    Host host;
    int count;
};

std::string Name(const ::testing::TestParamInfo<AxisCase>& info) {
    return std::string(info.param.host == Host::GroupWindow ? "Group" : "RealTime") +
           std::to_string(info.param.count);
}

// The columns, in window pixels, where a label's text left ink: dark pixels inside its rectangle.
struct Ink {
    int first = -1;
    int last = -1;
};
Ink InkOf(const QImage& window, const QLabel& label) {
    const QRect rect(label.mapTo(label.window(), QPoint(0, 0)), label.size());
    Ink ink;
    for (int x = std::max(rect.left(), 0); x <= std::min(rect.right(), window.width() - 1); ++x) {
        for (int y = std::max(rect.top(), 0); y <= std::min(rect.bottom(), window.height() - 1);
             ++y) {
            if (qGray(window.pixel(x, y)) < 128) {
                if (ink.first < 0) ink.first = x;
                ink.last = x;
                break;
            }
        }
    }
    return ink;
}

class TrendAxisTest : public ::testing::TestWithParam<AxisCase> {
  protected:
    TrendAxisTest() {
        testing::LoadFontsOnce();
        InitialiseStore(*store_);
        context_.store = store_.get();
        context_.saveDialog = &dialog_;
        context_.messageBox = &messages_;
        context_.clock = &clock_;
    }

    // Readings that rise and fall, so that the trace spreads over the plot.
    void fill(std::span<ReadingRecord> records, int count) {
        for (int i = 0; i < count; ++i) {
            records[static_cast<std::size_t>(i)] = {i + 1, 100 + 20 * std::sin(i * 0.1), {}};
        }
    }

    // Opens the host on `count` readings with the trend drawn; returns its number labels.
    std::array<QLabel*, kTrendNumberLabels> openTrend(const AxisCase& c) {
        if (c.host == Host::GroupWindow) {
            GroupSlot& group = store_->groupSlot(1);
            fill(group.readings, c.count);
            group.readingCount = c.count;
            window_ = std::make_unique<GroupWindow>(GroupWindowId::Group1, context_);
            window_->show();
            auto* fillTimer = window_->findChild<QTimer*>("Timer1");
            EXPECT_TRUE(QTest::qWaitFor([&] { return !fillTimer->isActive(); }, 5'000));
            FindControl<QAction>(window_.get(), "grp1trend")->trigger();
            return {FindControl<QLabel>(window_.get(), "Label28"),
                    FindControl<QLabel>(window_.get(), "Label27"),
                    FindControl<QLabel>(window_.get(), "Label26"),
                    FindControl<QLabel>(window_.get(), "Label25")};
        }
        RealTimeSamples& samples = store_->realTimeSamples;
        fill(samples.readings, c.count);
        samples.readingCount = c.count;
        auto trend = std::make_unique<RealTimeTrendWindow>(context_);
        trend->show();
        trend->Timer1_Timer();
        window_ = std::move(trend);
        return {FindControl<QLabel>(window_.get(), "Label1"),
                FindControl<QLabel>(window_.get(), "Label2"),
                FindControl<QLabel>(window_.get(), "Label3"),
                FindControl<QLabel>(window_.get(), "Label4")};
    }

    std::unique_ptr<MeasurementStore> store_ = std::make_unique<MeasurementStore>();
    testing::FakeSaveDialog dialog_;
    testing::FakeMessageBox messages_;
    testing::FakeClockText clock_;
    WindowContext context_;
    std::unique_ptr<QWidget> window_;
};

TEST_P(TrendAxisTest, EachNumberStandsUnderTheReadingItNames) {
    const AxisCase c = GetParam();
    const std::array<QLabel*, kTrendNumberLabels> labels = openTrend(c);
    const ChartArea* area = window_->findChild<ChartArea*>(QStringLiteral("Picture1"));
    ASSERT_NE(area, nullptr);
    const int plotLeft = area->mapTo(window_.get(), QPoint(0, 0)).x();
    const QImage picture = window_->grab().toImage();
    ASSERT_EQ(picture.size(), window_->size()) << "rendered at one pixel per pixel";
    for (int i = 0; i < kTrendNumberLabels; ++i) {
        const int named = labels[i]->text().toInt();
        // Reading i stands at i * 735 / n in the plot, reading n at 735.
        const double readingX = plotLeft + named * 735.0 / c.count;
        const Ink ink = InkOf(picture, *labels[i]);
        ASSERT_GE(ink.first, 0) << labels[i]->objectName().toStdString() << " shows no text";
        if (named == c.count) {
            EXPECT_NEAR(ink.last, std::floor(readingX), 1.0)
                << labels[i]->objectName().toStdString() << " \"" << named << "\" ends at "
                << ink.last << ", the last reading stands at " << readingX;
        } else {
            const double middle = (ink.first + ink.last + 1) / 2.0;
            // The label is centred to half a pixel; a glyph's ink may sit off its advance's middle.
            EXPECT_NEAR(middle, readingX, 1.5)
                << labels[i]->objectName().toStdString() << " \"" << named << "\" stands at "
                << middle << ", its reading at " << readingX;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Counts, TrendAxisTest,
    ::testing::Values(AxisCase{Host::GroupWindow, 2}, AxisCase{Host::GroupWindow, 3},
                      AxisCase{Host::GroupWindow, 4}, AxisCase{Host::GroupWindow, 7},
                      AxisCase{Host::GroupWindow, 80}, AxisCase{Host::RealTimeTrend, 2},
                      AxisCase{Host::RealTimeTrend, 5}, AxisCase{Host::RealTimeTrend, 80},
                      AxisCase{Host::RealTimeTrend, 1000}, AxisCase{Host::RealTimeTrend, 50'000}),
    Name);

}  // namespace
}  // namespace zepra
