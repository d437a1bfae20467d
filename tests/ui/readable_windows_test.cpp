// The group and real-time windows read on every desktop: under a dark theme their texts and lines
// keep their contrast, and at a device pixel ratio other than 1 their labels are drawn at the
// device's resolution in a face that fits their boxes. The ScaledLabels cases run once as they
// are and again under QT_SCALE_FACTOR 1.5 and 2 (tests/CMakeLists.txt), as on a scaled desktop.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "charts/chart_area.h"
#include "data/measurement_store.h"
#include "support/fakes.h"
#include "support/find_control.h"
#include "support/ink.h"
#include "ui/fonts.h"
#include "ui/groups/group_window.h"
#include "ui/realtime/realtime_histogram_window.h"
#include "ui/realtime/realtime_list_window.h"
#include "ui/realtime/realtime_trend_window.h"
#include "ui/report_dialog.h"

namespace zepra {
namespace {

using testing::Contrast;
using testing::Reading;
using testing::ReadInk;
using testing::SaveForLooking;

// Rows of `image` holding a pixel that differs from its background, top to bottom;
// 0 when there is no ink.
struct Ink {
    int height = 0;
};
Ink InkOf(const QImage& image) {
    const QRgb background = ReadInk(image).background;
    int top = image.height();
    int bottom = -1;
    Ink ink;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (Contrast(image.pixel(x, y), background) > 2) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    ink.height = bottom >= top ? bottom - top + 1 : 0;
    return ink;
}

// `widget`'s place in the window's grab, in the grab's device pixels.
QImage Crop(const QImage& grab, const QWidget* window, const QWidget* widget) {
    const qreal ratio = grab.devicePixelRatio();
    const QRect logical(widget->mapTo(window, QPoint(0, 0)), widget->size());
    const QRect device(static_cast<int>(std::ceil(logical.x() * ratio)),
                       static_cast<int>(std::ceil(logical.y() * ratio)),
                       static_cast<int>(std::floor(logical.width() * ratio)),
                       static_cast<int>(std::floor(logical.height() * ratio)));
    // A label may run past the window's edge (the last histogram value does): that part is not
    // shown.
    return grab.copy(device & grab.rect()).convertToFormat(QImage::Format_RGB32);
}

class ReadableWindows {
  public:
    ReadableWindows() {
        testing::LoadFontsOnce();
        InitialiseStore(*store_);
        context_.store = store_.get();
        context_.saveDialog = &dialog_;
        context_.messageBox = &messages_;
        context_.clock = &clock_;
        clock_.date = "11.12.2026";
        clock_.time = "00:12:34";
        GroupSlot& group = store_->groupSlot(1);
        const double values[] = {118.4, 121.9, 99.7, 150.2, 131.0, 112.6, 124.8, 127.3};
        for (int i = 0; i < 8; ++i) group.readings[i] = {i + 1, values[i], "x"};
        group.readingCount = 8;
        group.highLimit = 200;
        group.lowLimit = 50;
        RealTimeSamples& samples = store_->realTimeSamples;
        for (double value : values) {
            ReadingRecord& record =
                samples.readings[static_cast<std::size_t>(samples.readingCount)];
            record.number = ++samples.readingCount;
            record.value = value;
        }
    }

    QWidget* OpenGroup(bool histogram) {
        auto* window = Own(new GroupWindow(GroupWindowId::Group1, context_));
        window->show();
        auto* fill = window->findChild<QTimer*>(QStringLiteral("Timer1"));
        EXPECT_TRUE(QTest::qWaitFor([&] { return !fill->isActive(); }, 5'000));
        // It opens on the histogram.
        if (!histogram) window->findChild<QAction*>(QStringLiteral("grp1trend"))->trigger();
        return window;
    }
    QWidget* OpenList() {
        auto* window = Own(new RealTimeListWindow(context_, nullptr));
        window->show();
        return window;
    }
    QWidget* OpenInspection() {
        auto* dialog = Own(new InspectionDialog(store_->groupSlot(1), 0, nullptr));
        dialog->show();
        return dialog;
    }
    template <typename Window>
    QWidget* OpenChart() {
        auto* window = Own(new Window(context_));
        window->show();
        auto* redraw = window->template findChild<QTimer*>(QStringLiteral("Timer1"));
        QTest::qWait(redraw->interval() + 100);  // one redraw from the capture
        return window;
    }

  private:
    QWidget* Own(QWidget* window) {
        windows_.emplace_back(window);
        return window;
    }

    std::unique_ptr<MeasurementStore> store_ = std::make_unique<MeasurementStore>();
    testing::FakeSaveDialog dialog_;
    testing::FakeMessageBox messages_;
    testing::FakeClockText clock_;
    WindowContext context_;
    std::vector<std::unique_ptr<QWidget>> windows_;
};

struct WindowCase {
    const char* name;
    std::function<QWidget*(ReadableWindows&)> open;
};

const WindowCase kWindows[] = {
    {"GroupTrend", [](ReadableWindows& w) { return w.OpenGroup(false); }},
    {"GroupHistogram", [](ReadableWindows& w) { return w.OpenGroup(true); }},
    {"RealTimeList", [](ReadableWindows& w) { return w.OpenList(); }},
    {"RealTimeTrend", [](ReadableWindows& w) { return w.OpenChart<RealTimeTrendWindow>(); }},
    {"RealTimeHistogram",
     [](ReadableWindows& w) { return w.OpenChart<RealTimeHistogramWindow>(); }},
    {"InspectionDialog", [](ReadableWindows& w) { return w.OpenInspection(); }},
};

std::vector<QLabel*> ShownLabels(const QWidget* window) {
    std::vector<QLabel*> labels;
    for (QLabel* label : window->findChildren<QLabel*>())
        if (label->isVisible() && !label->text().isEmpty()) labels.push_back(label);
    return labels;
}

class ReadableWindowTest : public ::testing::TestWithParam<WindowCase> {};

// A dark desktop theme: light text on dark grey, as Adwaita dark or Breeze Dark give Qt.
TEST_P(ReadableWindowTest, TextsAndChartReadUnderADarkTheme) {
    const QPalette saved = QApplication::palette();
    QPalette dark;
    for (QPalette::ColorRole role :
         {QPalette::Window, QPalette::Base, QPalette::Button, QPalette::AlternateBase})
        dark.setColor(role, QColor(0x35, 0x35, 0x35));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        dark.setColor(role, QColor(0xee, 0xee, 0xee));
    QApplication::setPalette(dark);
    {
        ReadableWindows windows;
        QWidget* window = GetParam().open(windows);
        const QImage grab = window->grab().toImage();
        SaveForLooking(grab, QStringLiteral("%1-dark").arg(GetParam().name));
        const std::vector<QLabel*> labels = ShownLabels(window);
        ASSERT_FALSE(labels.empty());
        for (QLabel* label : labels) {
            const Reading reading = ReadInk(Crop(grab, window, label));
            EXPECT_GE(reading.contrast, 4.5) << label->objectName().toStdString() << " \""
                                             << label->text().toStdString() << "\"";
        }
        if (auto* chart = window->findChild<ChartArea*>()) {
            // The chart keeps the classic light background its black lines were made for.
            const Reading reading = ReadInk(Crop(grab, window, chart));
            EXPECT_EQ(reading.background, qRgb(255, 255, 255));
            EXPECT_GE(reading.contrast, 4.5);
        }
    }
    QApplication::setPalette(saved);
}

// Run at the ratio the test program was started with. Labels in the bitmap face keep it at 1 and
// take the scalable stand-in elsewhere, its ink `ratio` times the bitmap's 1x height; no text
// runs out of its label.
TEST_P(ReadableWindowTest, ScaledLabels) {
    ReadableWindows windows;
    QWidget* window = GetParam().open(windows);
    const qreal ratio = window->devicePixelRatioF();
    const QImage grab = window->grab().toImage();
    ASSERT_DOUBLE_EQ(grab.devicePixelRatio(), ratio);
    SaveForLooking(grab, QStringLiteral("%1-%2x").arg(GetParam().name).arg(ratio));

    const QFont bitmap = MsSansSerifFont(9.75);  // its one strike serves every size
    QImage reference(200, 40, QImage::Format_RGB32);
    for (QLabel* label : ShownLabels(window)) {
        SCOPED_TRACE(label->objectName().toStdString() + " \"" + label->text().toStdString() +
                     "\"");
        // Alt letters underlined, as a label shows them.
        EXPECT_LE(QFontMetrics(label->font()).size(Qt::TextShowMnemonic, label->text()).width(),
                  label->width());
        const Ink ink = InkOf(Crop(grab, window, label));

        const QString family = label->font().families().value(0);
        const bool bitmapFace = family == bitmap.families().value(0);
        // The stand-in's descenders reach lower than the bitmap's: heights are compared on
        // texts without them.
        if (!bitmapFace && family != kScalableStandInFamily) continue;
        if (label->text().contains(QRegularExpression(QStringLiteral("[gjpqy,]")))) continue;
        EXPECT_EQ(bitmapFace, qFuzzyCompare(ratio, 1.0)) << family.toStdString();
        reference.fill(Qt::white);
        QPainter painter(&reference);
        painter.setFont(bitmap);
        painter.setPen(Qt::black);
        painter.drawText(reference.rect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic,
                         label->text());
        painter.end();
        EXPECT_NEAR(ink.height, ratio * InkOf(reference).height, 1.0);
    }

    // The trend and the bars at the device's resolution: at a whole ratio an upscaled 1x
    // picture would repeat every pixel over a ratio x ratio block.
    auto* chart = window->findChild<ChartArea*>();
    const int whole = static_cast<int>(ratio);
    if (chart == nullptr || whole < 2 || whole != ratio) return;
    QImage blank(chart->drawing().size(), chart->drawing().format());
    blank.fill(chart->drawing().pixel(0, 0));
    if (chart->drawing() == blank) return;  // bars alone fill whole blocks: a trace is needed
    const QImage picture = Crop(grab, window, chart);
    int brokenBlocks = 0;
    for (int y = 0; y + whole <= picture.height(); y += whole)
        for (int x = 0; x + whole <= picture.width(); x += whole)
            for (int dy = 0; dy < whole; ++dy)
                for (int dx = 0; dx < whole; ++dx)
                    if (picture.pixel(x + dx, y + dy) != picture.pixel(x, y)) ++brokenBlocks;
    EXPECT_GT(brokenBlocks, 0);
}

INSTANTIATE_TEST_SUITE_P(Windows, ReadableWindowTest, ::testing::ValuesIn(kWindows),
                         [](const auto& param) { return std::string(param.param.name); });

// The stand-in face is the one whose widths come closest to the bitmap face's on the windows'
// texts, among the scalable faces we ship or depend on, at the size the bitmap really draws.
TEST(LabelFaceTest, StandInIsTheClosestInWidth) {
    const QStringList texts = {QStringLiteral("Counts:   80"),
                               QStringLiteral("Unit:        um"),
                               QStringLiteral("Mean:  123.4"),
                               QStringLiteral("Std.dev.:  12.34"),
                               QStringLiteral("Min:  98.7"),
                               QStringLiteral("Max:  150.2"),
                               QStringLiteral("High-limit:  200"),
                               QStringLiteral("Low-limit:  50"),
                               QStringLiteral("Now: 11.12.2026  00:12:34"),
                               QStringLiteral("123.4"),
                               QStringLiteral("1000"),
                               QStringLiteral("Label1")};
    testing::LoadFontsOnce();
    const QFont bitmap = MsSansSerifFont(9.75);
    // (QFontInfo::exactMatch() crashes on a font with several families in Qt 6.4.)
    if (QFontInfo(bitmap).family() != bitmap.families().value(0))
        GTEST_SKIP() << "fonts-wine is not installed";
    const auto total = [&](const QFont& font) {
        int width = 0;
        for (const QString& text : texts) width += QFontMetrics(font).horizontalAdvance(text);
        return width;
    };
    const int target = total(bitmap);
    const QFont standIn = FaceForRatio(bitmap, 2);
    ASSERT_EQ(QFontInfo(standIn).family(), kScalableStandInFamily);
    const int chosen = std::abs(total(standIn) - target);
    std::printf("%-22s %d px (chosen)\n", qPrintable(kScalableStandInFamily), total(standIn));
    for (const char* family : {"Tahoma", "Liberation Sans", "DejaVu Sans"}) {
        QFont other = standIn;
        other.setFamilies({QString::fromLatin1(family)});
        const int width = total(other);
        std::printf("%-22s %d px (MS Sans Serif %d px)\n", family, width, target);
        EXPECT_LT(chosen, std::abs(width - target)) << family;
    }
    EXPECT_LE(chosen, target / 50);  // within 2 %
}

}  // namespace
}  // namespace zepra
