#include "ui/realtime/realtime_trend_window.h"

#include <QCloseEvent>
#include <QLabel>
#include <QTimer>
#include <algorithm>
#include <span>

#include "charts/chart_area.h"
#include "ui/controls.h"
#include "ui/fonts.h"

namespace zepra {
namespace {

constexpr int kClientWidthTwips = 12345;
constexpr int kClientHeightTwips = 8670;

struct LabelPlace {
    const char* name;
    int left;
    int top;
};

// Vertical axis, from the top edge (m + S) down to the bottom edge (m - S).
constexpr LabelPlace kValueLabels[kTrendValueLabels] = {
    {"Label5", 0, 240},  {"Label6", 0, 1560},  {"Label7", 0, 2760},  {"Label8", 0, 3960},
    {"Label9", 0, 5280}, {"Label10", 0, 6480}, {"Label11", 0, 7680},
};
// Reading numbers near 1/4, 1/2 and 3/4 of the capture, and the last one.
constexpr LabelPlace kNumberLabels[kTrendNumberLabels] = {
    {"Label1", 2760, 7920},
    {"Label2", 5880, 7920},
    {"Label3", 8640, 7920},
    {"Label4", 10800, 7920},
};

QLabel* AddLabel(QWidget* window, const LabelPlace& place, const char* caption, int widthTwips,
                 int heightTwips, Qt::Alignment alignment) {
    QLabel* label =
        MakeLabel(window, place.name, QString::fromLatin1(caption),
                  QRect(place.left, place.top, widthTwips, heightTwips), alignment | Qt::AlignTop);
    label->setAttribute(Qt::WA_TranslucentBackground);
    return label;
}

}  // namespace

RealTimeTrendWindow::RealTimeTrendWindow(const WindowContext& context, QWidget* parent)
    : QWidget(parent), context_(context) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("FrmRealTimeGrpOne"));
    setWindowTitle(QStringLiteral("RealTimeTrend"));
    setWindowFlags(Qt::Window | kFixedCloseOnlyFrame);
    setFixedSize(Px(kClientWidthTwips), Px(kClientHeightTwips));
    PaintWhiteBackground(this);

    picture_ = new ChartArea(TahomaFont(12), this);
    picture_->setObjectName(QStringLiteral("Picture1"));
    picture_->move(Px(960), Px(360));
    picture_->setBarsAndTicksShown(false);  // the trend window has no histogram bars

    for (int i = 0; i < kTrendValueLabels; ++i) {
        labels_.values[i] = AddLabel(this, kValueLabels[i], "Label1", 855, 255, Qt::AlignRight);
    }
    for (int i = 0; i < kTrendNumberLabels; ++i) {
        labels_.numbers[i] = AddLabel(this, kNumberLabels[i], "", 1215, 375,
                                      i == kTrendNumberLabels - 1 ? Qt::AlignRight : Qt::AlignLeft);
    }

    redrawTimer_ = new QTimer(this);
    redrawTimer_->setObjectName(QStringLiteral("Timer1"));
    redrawTimer_->setInterval(500);
    connect(redrawTimer_, &QTimer::timeout, this, &RealTimeTrendWindow::Timer1_Timer);
    redrawTimer_->start();
}

RealTimeTrendWindow::~RealTimeTrendWindow() = default;

// The capture only grows, so an unchanged count in an unchanged unit would redraw the very same
// pixels: that tick is skipped (a full capture costs a large part of the interval to draw).
void RealTimeTrendWindow::Timer1_Timer() {
    const std::int32_t count = context_.store->realTimeSamples.readingCount;
    const std::int32_t unitIsMils = context_.store->unitIsMils;
    if (count == drawnCount_ && unitIsMils == drawnUnit_) return;
    picture_->erase();
    Picture1_Paint();
    drawnCount_ = count;
    drawnUnit_ = unitIsMils;
}

void RealTimeTrendWindow::Picture1_Paint() {
    const RealTimeSamples& samples = context_.store->realTimeSamples;
    const auto count = std::clamp<std::int32_t>(samples.readingCount, 0,
                                                static_cast<std::int32_t>(samples.readings.size()));
    TrendChart(
        std::span<const ReadingRecord>(samples.readings.data(), static_cast<std::size_t>(count)),
        context_.store->unitIsMils, *picture_, labels_, scratch_);
}

// Unload: the redraws stop.
void RealTimeTrendWindow::closeEvent(QCloseEvent* event) {
    redrawTimer_->stop();
    QWidget::closeEvent(event);
}

}  // namespace zepra
