#include "charts/chart_area.h"

#include <QEvent>
#include <QFrame>
#include <QGuiApplication>
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

// Twips (1/15 pixel at 96 dpi) to pixels, rounded as every window's layout is.
constexpr int Px(int twips) {
    return (twips + 7) / 15;
}

// Layout of the chart area's controls, in twips relative to the area.
constexpr int kGridlineRightTwips = 11'040;
constexpr std::array<int, 5> kGridlineTopTwips = {3'727, 1'242, 2'485, 4'970, 6'212};  // Line1..5
constexpr int kBarLeftTwips = 135;
constexpr int kBarPitchTwips = 360;
constexpr int kBarWidthPx = 20;
constexpr int kBarDesignTopTwips = 6'000;
constexpr int kBarDesignHeightTwips = 1'335;
constexpr int kTickCentreTwips = 285;
constexpr int kTickTopTwips = 7'200;
constexpr int kLongTickTopTwips = 7'140;
constexpr int kTickBottomTwips = 7'440;
constexpr int kPopupWidthTwips = 585;
constexpr int kPopupHeightTwips = 285;

const QColor kBarGreen(0, 255, 0);
const QColor kLineColour(0, 0, 0);  // the default line colour (window text)
const QColor kTraceColour(0, 0, 0);
const QColor kMarkerOutline(255, 0, 0);
const QColor kMarkerFill(0, 0, 0);  // the picture box's fill colour is never set: black
constexpr double kMarkerRadius = 2.0;

QFrame* MakeLine(QWidget* parent, const QString& name, const QRect& geometry) {
    auto* line = new QFrame(parent);
    line->setObjectName(name);
    line->setFrameShape(QFrame::NoFrame);
    line->setAutoFillBackground(true);
    QPalette palette = line->palette();
    palette.setColor(QPalette::Window, kLineColour);
    line->setPalette(palette);
    line->setGeometry(geometry);
    line->setAttribute(Qt::WA_TransparentForMouseEvents);
    return line;
}

// The ticks under bars 2, 5, 8, ..., 29 are the long ones.
bool IsLongTick(int position) {
    return position % 3 == 2;
}

void SetTracePen(QPainter& painter) {
    painter.setPen(QPen(kTraceColour, 1));
}
void SetMarkerPenAndBrush(QPainter& painter) {
    painter.setPen(QPen(kMarkerOutline, 1));
    painter.setBrush(kMarkerFill);
}
QPointF At(const ChartPoint& point) {
    return QPointF(point.x, point.y);
}

// The stamps are drawn at the middle of 16 x 16 blocks of a scratch image, one block for each
// place a cell is tried at; markers closer than kStampMargin to the drawing's border are left to
// the painter, whose clipping could then take part.
constexpr int kStampBlock = 16;
constexpr int kStampTries = 5;  // four corners and the middle
constexpr int kStampMargin = 8;
constexpr QRgb kUnpainted = 0xff123456;  // neither the outline's nor the fill's colour

}  // namespace

ChartArea::ChartArea(const QFont& popupFont, QWidget* parent)
    : QWidget(parent), drawing_(kWidth, kHeight, QImage::Format_RGB32) {
    setObjectName(QStringLiteral("Picture1"));
    setFixedSize(kWidth, kHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
    erase();

    for (int i = 0; i < 5; ++i) {
        gridlines_[i] = MakeLine(this, QStringLiteral("Line%1").arg(i + 1),
                                 QRect(0, Px(kGridlineTopTwips[i]), Px(kGridlineRightTwips), 1));
    }
    for (int i = 1; i <= kBars; ++i) {
        const int tickX = Px(kTickCentreTwips + kBarPitchTwips * (i - 1));
        const int tickTop = Px(IsLongTick(i) ? kLongTickTopTwips : kTickTopTwips);
        ticks_[i - 1] = MakeLine(this, QStringLiteral("Line6_%1").arg(i),
                                 QRect(tickX, tickTop, 1, Px(kTickBottomTwips) - tickTop));

        auto* barLabel = new QLabel(this);
        barLabel->setObjectName(QStringLiteral("Label18_%1").arg(i));
        barLabel->setAutoFillBackground(true);
        QPalette palette = barLabel->palette();
        palette.setColor(QPalette::Window, kBarGreen);
        barLabel->setPalette(palette);
        barLabel->setGeometry(Px(kBarLeftTwips + kBarPitchTwips * (i - 1)), Px(kBarDesignTopTwips),
                              kBarWidthPx, Px(kBarDesignHeightTwips));
        barLabel->installEventFilter(this);
        bars_[i - 1] = barLabel;
    }

    popup_ = new QLabel(QStringLiteral("Label32"), this);
    popup_->setObjectName(QStringLiteral("Label32"));
    popup_->setFont(popupFont);
    popup_->setAutoFillBackground(true);  // opaque, the default label background
    QPalette popupPalette = popup_->palette();
    popupPalette.setColor(QPalette::Window, QGuiApplication::palette().color(QPalette::Window));
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
    // The system's window background colour (a host's own background does not count).
    drawing_.fill(QGuiApplication::palette().color(QPalette::Base));
    blank_ = true;
    update();
}

void ChartArea::drawTrend(std::span<const ChartPoint> points) {
    const bool sameAsLast =
        blank_ && !lastTraceDrawing_.isNull() && points.size() == lastTrace_.size() &&
        std::equal(
            points.begin(), points.end(), lastTrace_.begin(),
            [](const ChartPoint& a, const ChartPoint& b) { return a.x == b.x && a.y == b.y; });
    if (sameAsLast) {
        drawing_ = lastTraceDrawing_;
    } else if (blank_) {
        DrawTrendFast(drawing_, points, markerStamps_);
        lastTrace_.assign(points.begin(), points.end());
        lastTraceDrawing_ = drawing_;
    } else {
        DrawTrendFast(drawing_, points, markerStamps_);
    }
    blank_ = points.size() < 2 && blank_;
    update();
}

void ChartArea::applyBars(const std::array<HistogramBar, kBars>& bars) {
    for (int i = 0; i < kBars; ++i) {
        QLabel* barLabel = bars_[i];
        if (bars[i].visible) {
            barLabel->setGeometry(barLabel->x(), bars[i].top, barLabel->width(), bars[i].height);
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
    painter.drawImage(0, 0, drawing_);
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

MarkerStamps::MarkerStamps() : cells_(kCells * kCells) {}
MarkerStamps::~MarkerStamps() = default;

void MarkerStamps::settle(Stamp& stamp, double left, double top, double side) {
    stamp.known = true;
    if (scratch_.isNull()) {
        scratch_ = QImage(kStampBlock * kStampTries, kStampBlock, QImage::Format_RGB32);
    }
    const double last = side - 1.0 / (1 << 24);  // the far corners, just inside
    const QPointF tries[kStampTries] = {
        {left, top},
        {left + last, top},
        {left, top + last},
        {left + last, top + last},
        {left + side / 2, top + side / 2},
    };
    scratch_.fill(kUnpainted);
    {
        QPainter painter(&scratch_);
        painter.setRenderHint(QPainter::Antialiasing, false);
        SetMarkerPenAndBrush(painter);
        for (int i = 0; i < kStampTries; ++i) {
            const QPointF origin(kStampBlock * i + kStampBlock / 2, kStampBlock / 2);
            painter.drawEllipse(origin + tries[i], kMarkerRadius, kMarkerRadius);
        }
    }
    const QRgb outline = kMarkerOutline.rgb();
    const QRgb fill = kMarkerFill.rgb();
    for (int i = 0; i < kStampTries; ++i) {
        std::uint64_t painted = 0;
        std::uint64_t outlined = 0;
        for (int y = 0; y < kStampBlock; ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(scratch_.constScanLine(y));
            for (int x = 0; x < kStampBlock; ++x) {
                const QRgb colour = line[kStampBlock * i + x];
                if (colour == kUnpainted) continue;
                const int dx = x - kStampBlock / 2;
                const int dy = y - kStampBlock / 2;
                if (std::abs(dx) > kReach || std::abs(dy) > kReach) return;  // stays unusable
                if (colour != outline && colour != fill) return;
                const std::uint64_t bit = std::uint64_t{1}
                                          << ((dy + kReach) * (2 * kReach + 1) + dx + kReach);
                painted |= bit;
                if (colour == outline) outlined |= bit;
            }
        }
        if (painted == 0) return;
        if (i == 0) {
            stamp.painted = painted;
            stamp.outline = outlined;
        } else if (painted != stamp.painted || outlined != stamp.outline) {
            return;
        }
    }
    stamp.usable = true;
}

bool MarkerStamps::stamp(uchar* bits, qsizetype bytesPerLine, QSize size, float x, float y) {
    // Also false for a centre that is not a number.
    const bool inside = x >= kStampMargin && y >= kStampMargin &&
                        x < static_cast<float>(size.width() - kStampMargin) &&
                        y < static_cast<float>(size.height() - kStampMargin);
    if (!inside) return false;
    const double left = std::floor(static_cast<double>(x));
    const double top = std::floor(static_cast<double>(y));
    // The place inside the pixel in cells and in sub-cells: both exact (powers of two).
    const double inCellsX = (x - left) * kCells;
    const double inCellsY = (y - top) * kCells;
    const int cellX = static_cast<int>(inCellsX);
    const int cellY = static_cast<int>(inCellsY);
    Cell& cell = cells_[static_cast<std::size_t>(cellY * kCells + cellX)];
    constexpr double kCell = 1.0 / kCells;
    if (!cell.whole.known) settle(cell.whole, cellX * kCell, cellY * kCell, kCell);
    const Stamp* found = &cell.whole;
    if (!found->usable) {
        if (!cell.parts) cell.parts = std::make_unique<std::array<Stamp, kSubcells * kSubcells>>();
        const int partX = std::min(static_cast<int>((inCellsX - cellX) * kSubcells), kSubcells - 1);
        const int partY = std::min(static_cast<int>((inCellsY - cellY) * kSubcells), kSubcells - 1);
        Stamp& part = (*cell.parts)[static_cast<std::size_t>(partY * kSubcells + partX)];
        constexpr double kPart = kCell / kSubcells;
        if (!part.known) {
            if (partsLeft_ == 0) return false;
            --partsLeft_;
            settle(part, cellX * kCell + partX * kPart, cellY * kCell + partY * kPart, kPart);
        }
        if (!part.usable) return false;
        found = &part;
    }
    const int column = static_cast<int>(left);
    const int row = static_cast<int>(top);
    const QRgb outline = kMarkerOutline.rgb();
    const QRgb fill = kMarkerFill.rgb();
    for (std::uint64_t rest = found->painted; rest != 0; rest &= rest - 1) {
        const int bit = std::countr_zero(rest);
        const int dy = bit / (2 * kReach + 1) - kReach;
        const int dx = bit % (2 * kReach + 1) - kReach;
        auto* line = reinterpret_cast<QRgb*>(bits + (row + dy) * bytesPerLine);
        line[column + dx] = (found->outline >> bit) & 1 ? outline : fill;
    }
    return true;
}

void DrawTrendOneByOne(QPainter& painter, std::span<const ChartPoint> points) {
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (std::size_t i = 1; i < points.size(); ++i) {
        SetTracePen(painter);
        painter.drawLine(At(points[i]), At(points[i - 1]));
        SetMarkerPenAndBrush(painter);
        painter.drawEllipse(At(points[i]), kMarkerRadius, kMarkerRadius);
        painter.drawEllipse(At(points[i - 1]), kMarkerRadius, kMarkerRadius);
    }
}

// Every marker but the last is drawn twice, the second time after the segment that leaves it
// and the next marker. The second drawing puts the same colour on every pixel of the first, so
// the first can be left out: step i draws segment i -> i-1 and marker i-1, and the last step also
// marker n, before marker n-1 as in the full sequence. The elements keep their order; a marker
// that the stamps hold is copied from them, pixel for pixel what the painter would draw (the
// painter writes straight into the image, so copied and drawn elements interleave correctly).
// Drawing all segments as one polyline and then all markers would be faster still, but it is not
// the same picture once readings lie closer than a marker's size (a few hundred readings on the
// 735 pixels): a later segment then crosses an earlier marker and must stay on top of it.
void DrawTrendFast(QImage& image, std::span<const ChartPoint> points, MarkerStamps& stamps) {
    if (points.size() < 2) return;
    stamps.newDrawing();
    const bool stampable = image.format() == QImage::Format_RGB32;
    uchar* bits = image.bits();  // before the painter: a shared image is detached now, not later
    const qsizetype bytesPerLine = image.bytesPerLine();
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QPen tracePen(kTraceColour, 1);
    const QPen markerPen(kMarkerOutline, 1);
    painter.setBrush(kMarkerFill);
    painter.setPen(tracePen);
    bool tracePenSet = true;  // pens are changed only when the painter draws a marker
    const auto drawMarker = [&](const ChartPoint& point) {
        if (stampable && stamps.stamp(bits, bytesPerLine, image.size(), point.x, point.y)) return;
        painter.setPen(markerPen);
        tracePenSet = false;
        painter.drawEllipse(At(point), kMarkerRadius, kMarkerRadius);
    };
    const std::size_t last = points.size() - 1;
    for (std::size_t i = 1; i <= last; ++i) {
        if (!tracePenSet) {
            painter.setPen(tracePen);
            tracePenSet = true;
        }
        painter.drawLine(At(points[i]), At(points[i - 1]));
        if (i == last) drawMarker(points[i]);
        drawMarker(points[i - 1]);
    }
}

}  // namespace zepra
