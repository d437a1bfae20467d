#include "ui/realtime/realtime_histogram_window.h"

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

constexpr int kClientWidthTwips = 12375;
constexpr int kClientHeightTwips = 8280;
constexpr int kLabelWidthTwips = 735;
constexpr int kLabelHeightTwips = 255;
constexpr int kPopupIntervalMs = 2000;

struct LabelPlace {
    const char* name;
    int left;
    int top;
};

// Below the plot: lo, the centres of bins 2, 5, ..., 29, and hi.
constexpr LabelPlace kValueLabels[kHistogramValueLabels] = {
    {"Label0", 720, 7800},   {"Label1", 1440, 7800},   {"Label2", 2520, 7800},
    {"Label3", 3600, 7800},  {"Label4", 4680, 7800},   {"Label5", 5760, 7800},
    {"Label6", 6840, 7800},  {"Label7", 7920, 7800},   {"Label8", 9000, 7800},
    {"Label9", 10080, 7800}, {"Label10", 11160, 7800}, {"Label11", 11880, 7800},
};
// Left of the plot: T/6 (at Line5) up to T (the top edge).
constexpr LabelPlace kCountLabels[kHistogramCountLabels] = {
    {"Label12", 120, 6360}, {"Label13", 120, 5160}, {"Label14", 120, 3840},
    {"Label15", 120, 2640}, {"Label16", 120, 1440}, {"Label17", 120, 195},
};

QLabel* AddLabel(QWidget* window, const LabelPlace& place, Qt::Alignment alignment) {
    QLabel* label = MakeLabel(window, place.name, QStringLiteral("Label1"),
                              QRect(place.left, place.top, kLabelWidthTwips, kLabelHeightTwips),
                              alignment | Qt::AlignTop);
    label->setAttribute(Qt::WA_TranslucentBackground);
    return label;
}

}  // namespace

RealTimeHistogramWindow::RealTimeHistogramWindow(const WindowContext& context, QWidget* parent)
    : QWidget(parent), context_(context) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("FrmRealTimeGrpTwo"));
    setWindowTitle(QStringLiteral("RealTimeHistogram"));
    setWindowFlags(Qt::Window | kFixedCloseOnlyFrame);
    setFixedSize(Px(kClientWidthTwips), Px(kClientHeightTwips));
    PaintWhiteBackground(this);

    picture_ = new ChartArea(TahomaFont(12), this);
    picture_->setObjectName(QStringLiteral("Picture1"));
    picture_->move(Px(960), Px(240));
    picture_->popupTimer()->setInterval(kPopupIntervalMs);
    connect(picture_, &ChartArea::barClicked, this, &RealTimeHistogramWindow::Label18_Click);

    for (int i = 0; i < kHistogramValueLabels; ++i) {
        labels_.values[i] = AddLabel(this, kValueLabels[i], Qt::AlignLeft);
    }
    for (int i = 0; i < kHistogramCountLabels; ++i) {
        labels_.counts[i] = AddLabel(this, kCountLabels[i], Qt::AlignRight);
    }

    redrawTimer_ = new QTimer(this);
    redrawTimer_->setObjectName(QStringLiteral("Timer1"));
    redrawTimer_->setInterval(500);
    connect(redrawTimer_, &QTimer::timeout, this, &RealTimeHistogramWindow::Timer1_Timer);
    redrawTimer_->start();
}

RealTimeHistogramWindow::~RealTimeHistogramWindow() = default;

void RealTimeHistogramWindow::Timer1_Timer() {
    Picture1_Paint();
}

void RealTimeHistogramWindow::Picture1_Paint() {
    const RealTimeSamples& samples = context_.store->realTimeSamples;
    const auto count = std::clamp<std::int32_t>(samples.readingCount, 0,
                                                static_cast<std::int32_t>(samples.readings.size()));
    HistogramChart(
        std::span<const ReadingRecord>(samples.readings.data(), static_cast<std::size_t>(count)),
        context_.store->unitIsMils, 2, *picture_, labels_, binCounts_);
}

void RealTimeHistogramWindow::Label18_Click(int index) {
    if (index < 1 || index > kHistogramBins) return;
    picture_->showBarPopup(index, binCounts_[static_cast<std::size_t>(index - 1)],
                           PopupWidthRule::AutoSizeFromHundred);
}

// Unload: the redraws stop, and so does a pending hide of the pop-up.
void RealTimeHistogramWindow::closeEvent(QCloseEvent* event) {
    redrawTimer_->stop();
    picture_->popupTimer()->stop();
    QWidget::closeEvent(event);
}

}  // namespace zepra
