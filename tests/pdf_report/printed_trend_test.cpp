// The trend as printed: the reduced drawing against every element drawn, both rendered at a
// printer's resolution, on captures a report meets and on adversarial ones.

#include "pdf_report/printed_trend.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
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
};

Difference Compare(const QImage& a, const QImage& b) {
    constexpr int kBlock = 8;
    Difference d;
    qint64 differing = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto* la = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* lb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) differing += la[x] != lb[x];
    }
    d.dots = static_cast<double>(differing) / (static_cast<double>(a.width()) * a.height());
    for (int by = 0; by + kBlock <= a.height(); by += kBlock) {
        for (int bx = 0; bx + kBlock <= a.width(); bx += kBlock) {
            int shares[2][3] = {};  // red, black, white
            for (int y = by; y < by + kBlock; ++y) {
                for (int x = bx; x < bx + kBlock; ++x) {
                    for (int k = 0; k < 2; ++k) {
                        const QRgb p = (k == 0 ? a : b).pixel(x, y);
                        shares[k][qRed(p) > 128 && qGreen(p) < 128 ? 0
                                  : qRed(p) < 128                  ? 1
                                                                   : 2] += 1;
                    }
                }
            }
            for (int c = 0; c < 3; ++c) {
                d.blocks = std::max(d.blocks, std::abs(shares[0][c] - shares[1][c]) /
                                                  static_cast<double>(kBlock * kBlock));
            }
        }
    }
    return d;
}

struct Capture {
    const char* name;
    std::vector<double> values;
    std::size_t mostElements;  // trace points and markers printed
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
// capture keeps every marker of which a dot still shows.
TEST_P(PrintedTrendTest, LooksAsEveryElementDrawn) {
    const std::vector<ChartPoint> points = PointsOf(GetParam().values);
    const std::vector<PrintedTrendElement> reduced = ReduceTrendForPrint(points, {kDotsPerUnit, 1});
    const QImage whole = Rendered([&](QPainter& p) { DrawTrend(p, points); });
    const QImage printed = Rendered([&](QPainter& p) { DrawPrintedTrend(p, reduced); });
    const Difference d = Compare(whole, printed);
    EXPECT_LT(d.dots, 0.01);
    EXPECT_LT(d.blocks, 0.5);
    EXPECT_LE(reduced.size(), GetParam().mostElements);
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
                      Capture{"Alternating50000", Repeated({100, 200}, 50'000), 20'000},
                      Capture{"Constant50000", Repeated({150}, 50'000), 12'000},
                      Capture{"Spikes50000", Spikes(), 12'000}),
    [](const auto& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace zepra::inspection
