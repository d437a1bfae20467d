#include "charts/chart_area.h"

#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>

#include "data/thickness_format.h"

namespace zepra {
namespace {

QFrame* MakeLine(QWidget* parent, const QString& name, const QRect& geometry) {
    auto* line = new QFrame(parent);
    line->setObjectName(name);
    line->setFrameShape(QFrame::NoFrame);
    line->setAutoFillBackground(true);
    QPalette palette = line->palette();
    palette.setColor(QPalette::Window, kChartLineColour);
    line->setPalette(palette);
    line->setGeometry(geometry);
    line->setAttribute(Qt::WA_TransparentForMouseEvents);
    return line;
}

// Twips (1/15 pixel at 96 dpi) to pixels, rounded as every window's layout is.
constexpr int Px(int twips) {
    return (twips + 7) / 15;
}
constexpr int kPopupWidthTwips = 585;
constexpr int kPopupHeightTwips = 285;

}  // namespace

ChartArea::ChartArea(const QFont& popupFont, QWidget* parent)
    : QWidget(parent), drawing_(kWidth, kHeight, QImage::Format_RGB32) {
    setObjectName(QStringLiteral("Picture1"));
    setFixedSize(kWidth, kHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
    erase();

    for (int i = 0; i < 5; ++i) {
        gridlines_[i] =
            MakeLine(this, QStringLiteral("Line%1").arg(i + 1), ChartGridlineRect(i + 1));
    }
    for (int i = 1; i <= kBars; ++i) {
        ticks_[i - 1] = MakeLine(this, QStringLiteral("Line6_%1").arg(i), ChartTickRect(i));

        auto* barLabel = new QLabel(this);
        barLabel->setObjectName(QStringLiteral("Label18_%1").arg(i));
        barLabel->setAutoFillBackground(true);
        QPalette palette = barLabel->palette();
        palette.setColor(QPalette::Window, kChartBarColour);
        barLabel->setPalette(palette);
        barLabel->setGeometry(ChartBarDesignRect(i));
        barLabel->installEventFilter(this);
        bars_[i - 1] = barLabel;
    }

    popup_ = new QLabel(QStringLiteral("Label32"), this);
    popup_->setObjectName(QStringLiteral("Label32"));
    popup_->setFont(popupFont);
    popup_->setAutoFillBackground(true);  // opaque, the default label background
    QPalette popupPalette = popup_->palette();
    popupPalette.setColor(QPalette::Window, kChartPopupFace);
    popupPalette.setColor(QPalette::WindowText, kChartPopupText);
    popup_->setPalette(popupPalette);
    popup_->setGeometry(0, 0, Px(kPopupWidthTwips), Px(kPopupHeightTwips));
    popup_->hide();

    popupTimer_ = new QTimer(this);
    popupTimer_->setObjectName(QStringLiteral("Timer2"));
    connect(popupTimer_, &QTimer::timeout, this, [this] {
        popupTimer_->stop();
        popup_->hide();
    });
}

ChartArea::~ChartArea() = default;

QLabel* ChartArea::bar(int index) const {
    return bars_.at(static_cast<std::size_t>(index - 1));
}
QFrame* ChartArea::tick(int index) const {
    return ticks_.at(static_cast<std::size_t>(index - 1));
}
QFrame* ChartArea::gridline(int index) const {
    return gridlines_.at(static_cast<std::size_t>(index - 1));
}

void ChartArea::setBarsAndTicksShown(bool shown) {
    for (int i = 0; i < kBars; ++i) {
        bars_[i]->setVisible(shown);
        ticks_[i]->setVisible(shown);
    }
}

void ChartArea::erase() {
    drawing_.fill(kChartBackground);
    traces_.clear();
    deviceDrawing_ = QImage();
    blank_ = true;
    update();
}

void ChartArea::drawTrend(std::span<const ChartPoint> points) {
    const bool sameAsLast =
        blank_ && !lastTraceDrawing_.isNull() && points.size() == lastTrace_.size() &&
        std::equal(
            points.begin(), points.end(), lastTrace_.begin(),
            [](const ChartPoint& a, const ChartPoint& b) { return a.x == b.x && a.y == b.y; });
    // What shows of the trace also serves the drawing at the device's resolution (traces_).
    std::span<const TrendElement> shown = lastTraceElements_;
    if (sameAsLast) {
        drawing_ = lastTraceDrawing_;
    } else {
        reduction_.reduce(points, drawing_.size(), markerStamps_);
        shown = reduction_.elements();
        DrawTrendElements(drawing_, points, shown);
        if (blank_) {
            lastTrace_.assign(points.begin(), points.end());
            lastTraceElements_.assign(shown.begin(), shown.end());
            lastTraceDrawing_ = drawing_;
        }
    }
    if (points.size() >= 2)
        traces_.push_back({{points.begin(), points.end()}, {shown.begin(), shown.end()}});
    deviceDrawing_ = QImage();
    blank_ = points.size() < 2 && blank_;
    update();
}

void ChartArea::applyBars(const std::array<HistogramBar, kBars>& bars) {
    for (int i = 0; i < kBars; ++i) {
        QLabel* barLabel = bars_[i];
        if (bars[i].visible) {
            barLabel->setGeometry(ChartBarRect(i + 1, bars[i]));
            barLabel->show();
        } else {
            barLabel->hide();
        }
    }
}

void ChartArea::showBarPopup(int index, std::int32_t count, PopupWidthRule rule) {
    const QLabel* barLabel = bar(index);
    popup_->setText(QString::fromStdString(NumberToText(count)));
    if (rule == PopupWidthRule::AutoSizeFromHundred) popupAutoSize_ = count >= 100;
    if (popupAutoSize_) popup_->adjustSize();  // an auto-sizing label follows its caption
    popup_->move(barLabel->x(), barLabel->y() - popup_->height());
    if (rule == PopupWidthRule::BarWidth || !popupAutoSize_)
        popup_->resize(barLabel->width(), popup_->height());
    popup_->show();
    popup_->raise();
    popupTimer_->start();  // restarts the interval when already running
}

void ChartArea::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    if (qFuzzyCompare(devicePixelRatioF(), 1.0)) {
        painter.drawImage(0, 0, drawing_);
        return;
    }
    const qreal ratio = devicePixelRatioF();
    if (deviceDrawing_.isNull() || !qFuzzyCompare(deviceDrawing_.devicePixelRatio(), ratio)) {
        deviceDrawing_ = QImage((QSizeF(size()) * ratio).toSize(), QImage::Format_RGB32);
        deviceDrawing_.setDevicePixelRatio(ratio);
        deviceDrawing_.fill(kChartBackground);
        QPainter vectors(&deviceDrawing_);
        for (const Trace& trace : traces_) DrawTrendElements(vectors, trace.points, trace.elements);
    }
    painter.drawImage(0, 0, deviceDrawing_);
}

int ChartArea::barIndexOf(const QObject* object) const {
    for (int i = 0; i < kBars; ++i) {
        if (bars_[i] == object) return i + 1;
    }
    return 0;
}

bool ChartArea::eventFilter(QObject* watched, QEvent* event) {
    const int index = barIndexOf(watched);
    if (index == 0) return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::MouseButtonPress) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        pressedBar_ = mouse->button() == Qt::LeftButton ? index : 0;
        emit barPressed(index);
        return true;
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const bool click = mouse->button() == Qt::LeftButton && pressedBar_ == index &&
                           bars_[index - 1]->rect().contains(mouse->position().toPoint());
        pressedBar_ = 0;
        if (click) emit barClicked(index);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace zepra
