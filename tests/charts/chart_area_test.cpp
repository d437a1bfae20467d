// The chart area: its controls as laid out, and the fast trend drawing giving the same pixels as
// drawing every element one by one in the gauge software's order.
#include "charts/chart_area.h"

#include <gtest/gtest.h>

#include <QFont>
#include <QFrame>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace zepra {
namespace {

QImage Blank() {
    QImage image(ChartArea::kWidth, ChartArea::kHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

QImage DrawnOneByOne(const std::vector<ChartPoint>& points) {
    QImage image = Blank();
    QPainter painter(&image);
    DrawTrendOneByOne(painter, points);
    return image;
}

// One set of stamps for every case, as the area keeps its own between redraws.
QImage DrawnFast(const std::vector<ChartPoint>& points) {
    static MarkerStamps stamps;
    QImage image = Blank();
    DrawTrendFast(image, points, stamps);
    return image;
}

// Points as the trend places them: reading i at x = i * 735 / n, y from the value.
std::vector<ChartPoint> Trace(int n, const std::function<double(int)>& y) {
    std::vector<ChartPoint> points;
    for (int i = 1; i <= n; ++i) {
        points.push_back({static_cast<float>(i * (735.0 / n)), static_cast<float>(y(i))});
    }
    return points;
}

struct TraceCase {
    std::string name;
    std::vector<ChartPoint> points;
    friend void PrintTo(const TraceCase& trace, std::ostream* out) { *out << trace.name; }
};

std::vector<TraceCase> TraceCases() {
    std::mt19937 random(7);
    std::normal_distribution<double> noise(249.0, 60.0);
    std::uniform_real_distribution<double> anywhere(-5.0, 505.0);
    std::vector<TraceCase> cases = {
        {"two_points", {{367.5f, 373.5f}, {735.0f, 124.5f}}},
        {"three_points", Trace(3, [](int i) { return 249.0 - (i - 2) * 83.0; })},
        {"flat_on_whole_pixels", Trace(5, [](int) { return 249.0; })},
        {"group_of_forty", Trace(40, [&](int) { return noise(random); })},
        {"eighty_zigzag", Trace(80, [](int i) { return i % 2 ? 10.25 : 480.75; })},
        // Dense traces: markers and later segments overlap, so the drawing order shows.
        {"dense_noise", Trace(3000, [&](int) { return noise(random); })},
        {"dense_flat", Trace(2000, [](int) { return 249.0; })},
        {"dense_slow_wave", Trace(1500, [](int i) { return 249.0 + 200.0 * std::sin(i / 40.0); })},
        {"scattered_anywhere", Trace(300, [&](int) { return anywhere(random); })},
    };
    // Full and half-full captures: random readings and a wandering level, several seeds.
    for (const int n : {1000, 5000, 50000}) {
        for (const unsigned seed : {1u, 2u, 3u}) {
            std::mt19937 generator(seed);
            std::normal_distribution<double> spread(249.0, 60.0);
            std::normal_distribution<double> step(0.0, 1.5);
            double level = 249.0;
            const std::string suffix = std::to_string(n) + "_seed" + std::to_string(seed);
            cases.push_back({"random_" + suffix, Trace(n, [&](int) { return spread(generator); })});
            cases.push_back({"wandering_" + suffix, Trace(n, [&](int) {
                                 level = std::clamp(level + step(generator), 0.0, 496.0);
                                 return level;
                             })});
        }
    }
    return cases;
}

class TrendDrawingTest : public ::testing::TestWithParam<TraceCase> {};

TEST_P(TrendDrawingTest, FastDrawingGivesTheSamePixelsAsOneByOne) {
    const QImage expected = DrawnOneByOne(GetParam().points);
    const QImage actual = DrawnFast(GetParam().points);
    ASSERT_NE(expected, Blank()) << "the case draws nothing: it proves nothing";
    int differing = 0;
    for (int y = 0; y < expected.height(); ++y) {
        for (int x = 0; x < expected.width(); ++x) {
            if (expected.pixel(x, y) != actual.pixel(x, y)) ++differing;
        }
    }
    EXPECT_EQ(differing, 0);
}

INSTANTIATE_TEST_SUITE_P(Traces, TrendDrawingTest, ::testing::ValuesIn(TraceCases()),
                         [](const auto& param) { return param.param.name; });

// The points of a capture of `count` readings, placed as the real-time trend places them.
std::vector<ChartPoint> CapturePoints(int count, const std::function<double(int)>& value) {
    std::vector<ReadingRecord> readings(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        readings[static_cast<std::size_t>(i)].number = i + 1;
        readings[static_cast<std::size_t>(i)].value = static_cast<float>(value(i));
    }
    return ComputeTrendChart(readings, 0).points;
}

// Traces where most elements are painted over, and where the bounds of what a line paints are
// tight: the pixels of many elements in one column, points on the columns' borders, markers at the
// drawing's edges.
std::vector<TraceCase> CoveredTraceCases() {
    std::mt19937 random(5);
    std::normal_distribution<double> gauge(120.0, 4.0);
    std::vector<TraceCase> cases;
    for (const int n : {1000, 50000}) {
        const std::string count = std::to_string(n);
        cases.push_back(
            {"capture_" + count, CapturePoints(n, [&](int i) {
                 return std::round((120.0 + 15.0 * std::sin(i * 0.01) + gauge(random) - 120.0) *
                                   10.0) /
                        10.0;
             })});
        cases.push_back({"alternating_extremes_" + count,
                         CapturePoints(n, [](int i) { return i % 2 ? 80 : 160; })});
        cases.push_back({"constant_" + count, CapturePoints(n, [](int) { return 125.5; })});
        cases.push_back({"spikes_" + count, CapturePoints(n, [](int i) {
                             return i % 613 == 0 ? 400.0 : i % 997 == 0 ? 5.0 : 120.0 + (i % 3);
                         })});
        cases.push_back({"extremes_at_the_edges_" + count,
                         Trace(n, [](int i) { return i % 2 ? 0.5 : 496.5; })});
    }
    // 64 readings to a pixel column: points on the columns' borders and 1/64 from them.
    cases.push_back(
        {"steps_of_a_64th", Trace(735 * 64, [](int i) { return 249.0 + (i % 5) * 3.3; })});
    cases.push_back({"on_whole_pixels", Trace(735, [](int i) { return 100.0 + (i % 9) * 30.0; })});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Covered, TrendDrawingTest, ::testing::ValuesIn(CoveredTraceCases()),
                         [](const auto& param) { return param.param.name; });

TEST(TrendReductionTest, ElementsFollowThePixelsNotTheReadings) {
    // A full capture leaves, of its 100,000 segments and markers, those that still show: about the
    // columns' lowest, highest, first and last elements and the markers not painted over. Markers
    // a fraction of a pixel apart differ in a pixel or two, so many of them still show.
    struct Case {
        std::string name;
        std::vector<ChartPoint> points;
        std::size_t most;
    };
    const Case cases[] = {
        {"constant", CapturePoints(50000, [](int) { return 125.5; }), 24000},
        {"alternating_extremes", CapturePoints(50000, [](int i) { return i % 2 ? 80 : 160; }),
         26000},
        {"slow_wave",
         CapturePoints(50000, [](int i) { return 120.0 + 15.0 * std::sin(i * 0.001); }), 52000},
    };
    MarkerStamps stamps;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TrendReduction reduction;
        for (int drawing = 0; drawing < 3; ++drawing)
            reduction.reduce(c.points, QSize(ChartArea::kWidth, ChartArea::kHeight), stamps);
        EXPECT_LT(reduction.elements().size(), c.most);
    }
}

TEST(TrendDrawingTest, StampedMarkersAreThePaintersMarkersAnywhere) {
    // Markers 12 pixels apart, centres anywhere inside their pixels (also at whole and half
    // pixels), over the whole area and past its border: copied from the stamps where they can
    // be, else drawn, they must match the painter's.
    std::mt19937 random(3);
    std::uniform_real_distribution<float> within(0.0f, 1.0f);
    MarkerStamps stamps;
    int stamped = 0;
    for (int round = 0; round < 8; ++round) {
        SCOPED_TRACE(round);
        QImage expected = Blank();
        QImage actual = Blank();
        QPainter reference(&expected);
        reference.setPen(QPen(QColor(255, 0, 0), 1));
        reference.setBrush(QColor(0, 0, 0));
        for (int y = -4; y < ChartArea::kHeight + 4; y += 12) {
            for (int x = -4; x < ChartArea::kWidth + 4; x += 12) {
                const float fx = round == 0 ? 0.0f : round == 1 ? 0.5f : within(random);
                const float fy = round == 0 ? 0.0f : round == 1 ? 0.5f : within(random);
                const QPointF centre(static_cast<float>(x) + fx, static_cast<float>(y) + fy);
                reference.drawEllipse(centre, 2.0, 2.0);
                if (stamps.stamp(actual.bits(), actual.bytesPerLine(), actual.size(),
                                 static_cast<float>(centre.x()), static_cast<float>(centre.y()))) {
                    ++stamped;
                } else {
                    QPainter painter(&actual);
                    painter.setPen(QPen(QColor(255, 0, 0), 1));
                    painter.setBrush(QColor(0, 0, 0));
                    painter.drawEllipse(centre, 2.0, 2.0);
                }
            }
        }
        reference.end();
        EXPECT_EQ(actual, expected);
    }
    EXPECT_GT(stamped, 8 * 40 * 60 / 2) << "too few markers stamped: the case proves little";
}

TEST(TrendDrawingTest, MarkerHasRedOutlineAndBlackFillOverTheTrace) {
    const QImage image = DrawnFast({{100.0f, 100.0f}, {200.0f, 100.0f}});
    EXPECT_EQ(image.pixelColor(100, 100), QColor(0, 0, 0));    // fill
    EXPECT_EQ(image.pixelColor(150, 100), QColor(0, 0, 0));    // segment
    EXPECT_EQ(image.pixelColor(100, 98), QColor(255, 0, 0));   // outline above the centre
    EXPECT_EQ(image.pixelColor(202, 100), QColor(255, 0, 0));  // outline, over the segment's end
    EXPECT_EQ(image.pixelColor(100, 110), QColor(Qt::white));  // nothing else
}

// Twips to pixels as the layouts round them.
int Px(int twips) {
    return (twips + 7) / 15;
}

TEST(ChartAreaTest, ControlsStandAsLaidOut) {
    QFont hostFont(QStringLiteral("Tahoma"));
    hostFont.setPixelSize(16);
    ChartArea area(hostFont);
    EXPECT_EQ(area.objectName(), "Picture1");
    EXPECT_EQ(area.size(), QSize(737, 497));
    const int gridlineY[] = {248, 83, 166, 331, 414};  // Line1 (mean) .. Line5
    for (int i = 1; i <= 5; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(area.gridline(i)->objectName(), QStringLiteral("Line%1").arg(i));
        EXPECT_EQ(area.gridline(i)->geometry(), QRect(0, gridlineY[i - 1], 736, 1));
    }
    for (int i = 1; i <= 30; ++i) {
        SCOPED_TRACE(i);
        const QLabel* bar = area.bar(i);
        EXPECT_EQ(bar->objectName(), QStringLiteral("Label18_%1").arg(i));
        EXPECT_EQ(bar->geometry(), QRect(Px(135 + 360 * (i - 1)), 400, 20, 89));
        EXPECT_TRUE(bar->autoFillBackground());
        EXPECT_EQ(bar->palette().color(QPalette::Window), QColor(0, 255, 0));
        const QFrame* tick = area.tick(i);
        EXPECT_EQ(tick->objectName(), QStringLiteral("Line6_%1").arg(i));
        const bool longTick = i % 3 == 2;
        EXPECT_EQ(tick->geometry(),
                  QRect(Px(285 + 360 * (i - 1)), longTick ? 476 : 480, 1, longTick ? 20 : 16));
        // The tick stands under the middle of its bar.
        EXPECT_NEAR(tick->x(), bar->x() + 10, 1);
    }
    EXPECT_EQ(area.popup()->objectName(), "Label32");
    EXPECT_TRUE(area.popup()->isHidden());
    EXPECT_EQ(area.popup()->font(), hostFont);  // the pop-up takes the host's font
    EXPECT_EQ(area.popupTimer()->objectName(), "Timer2");
    EXPECT_FALSE(area.popupTimer()->isActive());
}

TEST(ChartAreaTest, EraseClearsTheDrawingButKeepsTheControls) {
    ChartArea area{QFont()};
    const QImage erased = area.drawing();
    area.drawTrend(std::vector<ChartPoint>{{10.0f, 10.0f}, {700.0f, 400.0f}});
    EXPECT_NE(area.drawing(), erased);
    area.erase();
    EXPECT_EQ(area.drawing(), erased);
    EXPECT_NE(area.findChild<QFrame*>("Line3"), nullptr);
}

TEST(ChartAreaTest, PopupWidthFollowsTheHostsRule) {
    ChartArea area{QFont()};
    area.applyBars([] {
        std::array<HistogramBar, ChartArea::kBars> bars{};
        for (auto& bar : bars) bar = {true, 100, 395};
        return bars;
    }());
    struct Press {
        PopupWidthRule rule;
        std::int32_t count;
        bool fitsText;
    };
    const Press presses[] = {
        {PopupWidthRule::AutoSizeFromHundred, 7, false},
        {PopupWidthRule::AutoSizeFromHundred, 12345, true},
        {PopupWidthRule::AutoSizeFromHundred, 99, false},
        {PopupWidthRule::BarWidth, 12345, false},
    };
    for (const Press& press : presses) {
        SCOPED_TRACE(press.count);
        area.showBarPopup(3, press.count, press.rule);
        const QLabel* popup = area.popup();
        EXPECT_EQ(popup->text(), QString::number(press.count));
        EXPECT_EQ(popup->x(), area.bar(3)->x());
        EXPECT_EQ(popup->y(), 395 - popup->height());
        if (press.fitsText) {
            EXPECT_EQ(popup->width(), popup->sizeHint().width());
            EXPECT_GT(popup->width(), 20);
        } else {
            EXPECT_EQ(popup->width(), 20);
        }
    }
}

TEST(ChartAreaTest, EveryRedrawShowsExactlyWhatWasAskedFor) {
    // The area reuses its last drawing when an unchanged trace is drawn again after an erase.
    const std::vector<ChartPoint> first = Trace(60, [](int i) { return 100.0 + 3 * i; });
    const std::vector<ChartPoint> second = Trace(61, [](int i) { return 100.0 + 3 * i; });
    auto onErased = [](std::initializer_list<const std::vector<ChartPoint>*> traces) {
        QImage image(ChartArea::kWidth, ChartArea::kHeight, QImage::Format_RGB32);
        image.fill(QGuiApplication::palette().color(QPalette::Base));
        QPainter painter(&image);
        for (const auto* trace : traces) DrawTrendOneByOne(painter, *trace);
        return image;
    };
    ChartArea area{QFont()};
    struct Step {
        bool erase;
        const std::vector<ChartPoint>* trace;
        QImage expected;
    };
    const Step steps[] = {
        {true, &first, onErased({&first})},
        {true, &second, onErased({&second})},
        {true, &first, onErased({&first})},
        {true, &first, onErased({&first})},
        {false, &second, onErased({&first, &second})},
        {true, &first, onErased({&first})},
    };
    int number = 0;
    for (const Step& step : steps) {
        SCOPED_TRACE(++number);
        if (step.erase) area.erase();
        area.drawTrend(*step.trace);
        EXPECT_EQ(area.drawing(), step.expected);
    }
}

}  // namespace
}  // namespace zepra
