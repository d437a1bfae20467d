// The real-time trend and histogram windows: what a redraw writes and draws, the bar pop-up and
// the timers.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <memory>
#include <vector>

#include "charts/chart_area.h"
#include "data/measurement_store.h"
#include "ui/fonts.h"
#include "ui/realtime/realtime_histogram_window.h"
#include "ui/realtime/realtime_trend_window.h"

namespace zepra {
namespace {

class RealTimeChartsTest : public ::testing::Test {
  protected:
    RealTimeChartsTest() {
        InitialiseStore(*store);
        context.store = store.get();
    }

    void capture(const std::vector<double>& values) {
        RealTimeSamples& samples = store->realTimeSamples;
        for (double value : values) {
            ReadingRecord& record =
                samples.readings[static_cast<std::size_t>(samples.readingCount)];
            record.number = ++samples.readingCount;
            record.value = value;
        }
    }

    static QStringList captions(const QWidget& window, const QStringList& names) {
        QStringList texts;
        for (const QString& name : names) {
            auto* label = window.findChild<QLabel*>(name);
            texts << (label != nullptr ? label->text() : QStringLiteral("<missing>"));
        }
        return texts;
    }

    static ChartArea* picture(const QWidget& window) {
        return window.findChild<ChartArea*>(QStringLiteral("Picture1"));
    }

    // Pixels of the drawing that differ from its first pixel (the erased background).
    static int drawnPixels(const QWidget& window) {
        const QImage& image = picture(window)->drawing();
        int drawn = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixel(x, y) != image.pixel(0, 0)) ++drawn;
        return drawn;
    }

    std::unique_ptr<MeasurementStore> store = std::make_unique<MeasurementStore>();
    WindowContext context;
};

const QStringList kTrendValueLabels = {"Label5", "Label6",  "Label7", "Label8",
                                       "Label9", "Label10", "Label11"};
const QStringList kTrendNumberLabels = {"Label1", "Label2", "Label3", "Label4"};

TEST_F(RealTimeChartsTest, TrendTickLabelsAndDrawsTheCaptureInTheCurrentUnit) {
    struct Case {
        std::int32_t unitIsMils;
        QStringList values;
    };
    const Case cases[] = {
        {0, {"130", "120", "110", "100", "90", "80", "70"}},
        {1, {"5.118", "4.724", "4.33", "3.937", "3.543", "3.149", "2.755"}},
    };
    capture({100, 100, 100, 100, 100});
    for (const Case& c : cases) {
        store->unitIsMils = c.unitIsMils;
        RealTimeTrendWindow window(context);
        EXPECT_EQ(captions(window, kTrendValueLabels), QStringList(7, "Label1"));
        window.Timer1_Timer();
        EXPECT_EQ(captions(window, kTrendValueLabels), c.values);
        EXPECT_EQ(captions(window, kTrendNumberLabels), (QStringList{"1", "2", "4", "5"}));
        EXPECT_GT(drawnPixels(window), 0);
    }
}

TEST_F(RealTimeChartsTest, TrendFollowsTheGrowingCaptureAndErasesEachTick) {
    capture({50, 80});
    RealTimeTrendWindow window(context);
    window.Timer1_Timer();
    EXPECT_EQ(captions(window, kTrendValueLabels),
              (QStringList{"95", "85", "75", "65", "55", "45", "35"}));
    EXPECT_EQ(captions(window, kTrendNumberLabels), (QStringList{"0", "1", "2", "2"}));
    const QImage twoReadings = picture(window)->drawing();

    capture({60, 70, 55, 65});
    window.Timer1_Timer();
    EXPECT_EQ(captions(window, kTrendNumberLabels), (QStringList{"2", "3", "4", "6"}));
    EXPECT_NE(picture(window)->drawing(), twoReadings);

    // Back to one reading: the tick erases the plot and the labels keep their captions.
    store->realTimeSamples.readingCount = 1;
    window.Timer1_Timer();
    EXPECT_EQ(drawnPixels(window), 0);
    EXPECT_EQ(captions(window, kTrendNumberLabels), (QStringList{"2", "3", "4", "6"}));
}

TEST_F(RealTimeChartsTest, TrendHasNoHistogramBars) {
    RealTimeTrendWindow window(context);
    ChartArea* area = picture(window);
    for (int i = 1; i <= ChartArea::kBars; ++i) {
        EXPECT_FALSE(area->bar(i)->isVisibleTo(&window)) << i;
        EXPECT_FALSE(area->tick(i)->isVisibleTo(&window)) << i;
    }
}

const QStringList kCountLabels = {"Label12", "Label13", "Label14", "Label15", "Label16", "Label17"};

TEST_F(RealTimeChartsTest, HistogramBinsTheCaptureIntoBarsAndLabels) {
    capture({100, 100, 100, 100, 100});
    RealTimeHistogramWindow window(context);
    window.Timer1_Timer();
    EXPECT_EQ(captions(window, kCountLabels), (QStringList{"2", "5", "7", "10", "12", "15"}));
    EXPECT_EQ(captions(window, {"Label0", "Label1", "Label10", "Label11"}),
              (QStringList{"98.5", "98.6", "101.3", "101.5"}));
    EXPECT_EQ(window.binCounts()[15], 5);
    ChartArea* area = picture(window);
    for (int i = 1; i <= ChartArea::kBars; ++i) {
        EXPECT_EQ(area->bar(i)->isVisibleTo(&window), i == 16) << i;
    }
    EXPECT_EQ(area->bar(16)->geometry().top(), 330);
    EXPECT_EQ(area->bar(16)->height(), 165);
}

TEST_F(RealTimeChartsTest, HistogramWithOneReadingKeepsItsLayout) {
    capture({100});
    RealTimeHistogramWindow window(context);
    window.Timer1_Timer();
    EXPECT_EQ(captions(window, kCountLabels), QStringList(6, "Label1"));
    ChartArea* area = picture(window);
    for (int i = 1; i <= ChartArea::kBars; ++i) EXPECT_TRUE(area->bar(i)->isVisibleTo(&window));
}

TEST_F(RealTimeChartsTest, PopupFitsItsTextFromAHundredReadingsOtherwiseTakesTheBarWidth) {
    // 150 readings of 100 um and 99 of 150 um: bins with 150 and 99 readings.
    capture(std::vector<double>(150, 100.0));
    capture(std::vector<double>(99, 150.0));
    RealTimeHistogramWindow window(context);
    window.show();
    window.Timer1_Timer();
    ChartArea* area = picture(window);
    QLabel* popup = area->popup();

    int crowded = 0;
    int lesser = 0;
    for (int i = 1; i <= ChartArea::kBars; ++i) {
        if (window.binCounts()[static_cast<std::size_t>(i - 1)] == 150) crowded = i;
        if (window.binCounts()[static_cast<std::size_t>(i - 1)] == 99) lesser = i;
    }
    ASSERT_TRUE(crowded != 0 && lesser != 0);

    QTest::mouseClick(area->bar(crowded), Qt::LeftButton);
    EXPECT_TRUE(popup->isVisible());
    EXPECT_EQ(popup->font(), TahomaFont(12));  // the window's font for the pop-up
    EXPECT_EQ(popup->text(), "150");
    EXPECT_EQ(popup->width(), popup->sizeHint().width());
    EXPECT_NE(popup->width(), area->bar(crowded)->width());
    EXPECT_EQ(popup->x(), area->bar(crowded)->x());
    EXPECT_EQ(popup->y(), area->bar(crowded)->y() - popup->height());

    QTest::mouseClick(area->bar(lesser), Qt::LeftButton);
    EXPECT_EQ(popup->text(), "99");
    EXPECT_EQ(popup->width(), area->bar(lesser)->width());
    EXPECT_EQ(popup->x(), area->bar(lesser)->x());

    QTimer* timer = area->popupTimer();
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 2000);
    QTest::qWait(2300);
    EXPECT_FALSE(popup->isVisible());
    EXPECT_FALSE(timer->isActive());
}

TEST_F(RealTimeChartsTest, PopupBeforeTheFirstDrawingShowsZero) {
    RealTimeHistogramWindow window(context);
    window.show();
    window.Label18_Click(7);
    EXPECT_EQ(picture(window)->popup()->text(), "0");
    EXPECT_TRUE(picture(window)->popup()->isVisible());
}

TEST_F(RealTimeChartsTest, ClosingStopsTheRedrawsAndDeletesTheWindow) {
    std::vector<QPointer<QWidget>> windows = {new RealTimeTrendWindow(context),
                                              new RealTimeHistogramWindow(context)};
    for (QPointer<QWidget>& window : windows) {
        auto* timer = window->findChild<QTimer*>(QStringLiteral("Timer1"));
        ASSERT_NE(timer, nullptr);
        EXPECT_TRUE(timer->isActive());
        EXPECT_EQ(timer->interval(), 500);
        window->show();
        window->close();
        EXPECT_FALSE(timer->isActive());
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (QPointer<QWidget>& window : windows) EXPECT_TRUE(window.isNull());
}

TEST_F(RealTimeChartsTest, WindowsHaveTheirDesignedClientAreaAndPlotPlace) {
    RealTimeTrendWindow trend(context);
    RealTimeHistogramWindow histogram(context);
    EXPECT_EQ(trend.size(), QSize(823, 578));
    EXPECT_EQ(picture(trend)->geometry(), QRect(64, 24, 737, 497));
    EXPECT_EQ(trend.windowTitle(), "RealTimeTrend");
    EXPECT_EQ(histogram.size(), QSize(825, 552));
    EXPECT_EQ(picture(histogram)->geometry(), QRect(64, 16, 737, 497));
    EXPECT_EQ(histogram.windowTitle(), "RealTimeHistogram");
}

}  // namespace
}  // namespace zepra
