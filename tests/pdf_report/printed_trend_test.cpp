// The trend as printed: the reduced drawing against every element drawn, both rendered at a
// printer's resolution, on captures a report meets and on adversarial ones.

#include "pdf_report/printed_trend.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <array>
#include <cmath>
#include <functional>
#include <random>

#include "charts/chart_drawing.h"

namespace zepra::inspection {
namespace {

constexpr double kDotsPerUnit = 4.5;  // 600 dpi at the report's 140 mm wide chart

std::vector<ChartPoint> PointsOf(const std::vector<double>& values) {
    std::vector<ReadingRecord> readings;
    for (std::size_t i = 0; i < values.size(); ++i)
        readings.push_back({static_cast<std::int32_t>(i + 1), values[i], {}});
    return ComputeTrendChart(readings, 0).points;
}

QImage Rendered(const std::function<void(QPainter&)>& draw) {
    QImage image(static_cast<int>(std::ceil(kChartWidth * kDotsPerUnit)),
                 static_cast<int>(std::ceil(kChartHeight * kDotsPerUnit)), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.scale(kDotsPerUnit, kDotsPerUnit);
    draw(painter);
    return image;
}

// How far apart two renders are: the share of dots of another colour, and the largest difference
// in red, in black and in white between blocks of 8 x 8 dots (what the eye tells apart on paper).
struct Difference {
    double dots = 0;
    double blocks = 0;
    double colours = 0;  // the largest change of the whole picture's share of red, black or white
};

// 0 red, 1 black, 2 white.
int ColourClass(QRgb p) {
    return qRed(p) > 128 && qGreen(p) < 128 ? 0 : qRed(p) < 128 ? 1 : 2;
}

Difference Compare(const QImage& a, const QImage& b) {
    constexpr int kBlock = 8;
    Difference d;
    qint64 differing = 0;
    std::array<qint64, 3> total{};
    const int columns = a.width() / kBlock;
    for (int by = 0; by + kBlock <= a.height(); by += kBlock) {
        std::vector<std::array<int, 3>> shares(static_cast<std::size_t>(columns));
        for (int y = by; y < by + kBlock; ++y) {
            const auto* la = reinterpret_cast<const QRgb*>(a.constScanLine(y));
            const auto* lb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
            for (int x = 0; x < columns * kBlock; ++x) {
                differing += la[x] != lb[x];
                std::array<int, 3>& block = shares[static_cast<std::size_t>(x / kBlock)];
                ++block[static_cast<std::size_t>(ColourClass(la[x]))];
                --block[static_cast<std::size_t>(ColourClass(lb[x]))];
                ++total[static_cast<std::size_t>(ColourClass(la[x]))];
                --total[static_cast<std::size_t>(ColourClass(lb[x]))];
            }
        }
        for (const std::array<int, 3>& block : shares) {
            for (const int share : block)
                d.blocks = std::max(d.blocks, std::abs(share) / double(kBlock * kBlock));
        }
    }
    const double all = static_cast<double>(a.width()) * a.height();
    d.dots = static_cast<double>(differing) / all;
    for (const qint64 shift : total)
        d.colours = std::max(d.colours, static_cast<double>(std::abs(shift)) / all);
    return d;
}

struct Capture {
    const char* name;
    std::vector<double> values;
    std::size_t mostElements;  // trace points and markers printed
    std::size_t mostMarkers = 50'000;
};

std::vector<double> Noisy(int count) {
    std::mt19937 random(5);
    std::normal_distribution<double> noise(150.0, 12.0);
    std::vector<double> values;
    for (int i = 0; i < count; ++i)
        values.push_back(static_cast<float>(std::round(noise(random) * 10) / 10));
    return values;
}

class PrintedTrendTest : public ::testing::TestWithParam<Capture> {};

// At 600 dpi fewer than 1 % of the dots differ, and no block of 8 x 8 dots (a third of a
// millimetre) changes its share of red, black or white by half. Where readings repeat their
// places (constant, alternating, spikes), the 100,000 elements become a few thousand; a noisy
// capture keeps every marker of which a dot still shows, and with fewer markers allowed than
// that the picture keeps its shares of red, black and white within 10 % (bared trace would turn
// the band black).
TEST_P(PrintedTrendTest, LooksAsEveryElementDrawn) {
    const std::vector<ChartPoint> points = PointsOf(GetParam().values);
    const std::vector<PrintedTrendElement> reduced =
        ReduceTrendForPrint(points, {kDotsPerUnit, 1, GetParam().mostMarkers});
    const QImage whole = Rendered([&](QPainter& p) { DrawTrend(p, points); });
    const QImage printed = Rendered([&](QPainter& p) { DrawPrintedTrend(p, reduced); });
    const Difference d = Compare(whole, printed);
    EXPECT_LT(d.colours, 0.1);
    if (GetParam().mostMarkers >= points.size()) {
        EXPECT_LT(d.dots, 0.01);
        EXPECT_LT(d.blocks, 0.5);
    }
    EXPECT_LE(reduced.size(), GetParam().mostElements);
}

// However many readings, the page holds at most a few points of trace per dot column and at most
// mostMarkers markers: the writer keeps a page's drawing in memory until the page is done.
TEST(PrintedTrend, ADenseCaptureIsBoundedByThePage) {
    const std::vector<ChartPoint> points = PointsOf(Noisy(300'000));
    const PrintResolution resolution{kDotsPerUnit, 1, 20'000};
    std::size_t markers = 0;
    std::size_t trace = 0;
    for (const PrintedTrendElement& e : ReduceTrendForPrint(points, resolution))
        (e.marker ? markers : trace) += 1;
    EXPECT_GT(markers, 1000u);
    EXPECT_LE(markers, resolution.mostMarkers);
    EXPECT_LE(trace, 4 * static_cast<std::size_t>(kChartWidth * kDotsPerUnit) + 1);
}

std::vector<double> Repeated(std::initializer_list<double> pattern, std::size_t count) {
    std::vector<double> values;
    while (values.size() < count) values.insert(values.end(), pattern);
    values.resize(count);
    return values;
}

std::vector<double> Spikes() {
    std::vector<double> values(50'000, 150);
    for (std::size_t i = 0; i < values.size(); i += 997) values[i] = 400;
    return values;
}

std::vector<double> Group80() {
    std::vector<double> values;
    for (int i = 0; i < 80; ++i) values.push_back(101 + 0.75 * i);
    return values;
}

INSTANTIATE_TEST_SUITE_P(
    Captures, PrintedTrendTest,
    ::testing::Values(Capture{"Group80", Group80(), 160},  // every element: 80 points, 80 markers
                      Capture{"Noisy1000", Noisy(1000), 2000},
                      Capture{"Noisy50000", Noisy(50'000), 70'000},
                      // Capped: the markers thinned keep the band as red as drawn in full.
                      Capture{"Noisy50000Capped", Noisy(50'000), 45'000, 30'000},
                      Capture{"Alternating50000", Repeated({100, 200}, 50'000), 20'000},
                      Capture{"Constant50000", Repeated({150}, 50'000), 12'000},
                      Capture{"Spikes50000", Spikes(), 12'000}),
    [](const auto& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace zepra::inspection
