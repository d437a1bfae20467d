#include "charts/chart_drawing.h"

#include <QPainter>
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>

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

const QColor kTraceColour(0, 0, 0);
const QColor kMarkerOutline(255, 0, 0);
const QColor kMarkerFill(0, 0, 0);  // the picture box's fill colour is never set: black
constexpr double kMarkerRadius = 2.0;

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

QRect ChartGridlineRect(int index) {
    return QRect(0, Px(kGridlineTopTwips.at(static_cast<std::size_t>(index - 1))),
                 Px(kGridlineRightTwips), 1);
}

QRect ChartTickRect(int index) {
    const int x = Px(kTickCentreTwips + kBarPitchTwips * (index - 1));
    const int top = Px(IsLongTick(index) ? kLongTickTopTwips : kTickTopTwips);
    return QRect(x, top, 1, Px(kTickBottomTwips) - top);
}

QRect ChartBarDesignRect(int index) {
    return QRect(Px(kBarLeftTwips + kBarPitchTwips * (index - 1)), Px(kBarDesignTopTwips),
                 kBarWidthPx, Px(kBarDesignHeightTwips));
}

QRect ChartBarRect(int index, const HistogramBar& bar) {
    const QRect design = ChartBarDesignRect(index);
    return QRect(design.x(), bar.top, design.width(), bar.height);
}

double HistogramValueX(const HistogramChartData& chart, double micrometres) {
    const double bins = (micrometres - chart.lo) / (chart.hi - chart.lo) * kHistogramBins;
    return (kTickCentreTwips + (bins - 0.5) * kBarPitchTwips) / 15.0;
}

void DrawChartControls(QPainter& painter, const std::array<HistogramBar, kHistogramBins>* bars) {
    painter.save();
    painter.setPen(Qt::NoPen);
    // Stacked as the controls are: the ticks, then the bars, then the gridlines.
    if (bars != nullptr) {
        for (int i = 1; i <= kHistogramBins; ++i) {
            painter.fillRect(ChartTickRect(i), kChartLineColour);
        }
        for (int i = 1; i <= kHistogramBins; ++i) {
            const HistogramBar& bar = (*bars)[static_cast<std::size_t>(i - 1)];
            if (bar.visible) painter.fillRect(ChartBarRect(i, bar), kChartBarColour);
        }
    }
    for (int i = 1; i <= 5; ++i) painter.fillRect(ChartGridlineRect(i), kChartLineColour);
    painter.restore();
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

void DrawTrend(QPainter& painter, std::span<const ChartPoint> points) {
    if (points.size() < 2) return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QPen tracePen(kTraceColour, 1);
    const QPen markerPen(kMarkerOutline, 1);
    painter.setBrush(kMarkerFill);
    const std::size_t last = points.size() - 1;
    for (std::size_t i = 1; i <= last; ++i) {
        painter.setPen(tracePen);
        painter.drawLine(At(points[i]), At(points[i - 1]));
        painter.setPen(markerPen);
        if (i == last) painter.drawEllipse(At(points[i]), kMarkerRadius, kMarkerRadius);
        painter.drawEllipse(At(points[i - 1]), kMarkerRadius, kMarkerRadius);
    }
    painter.restore();
}

void DrawTraceLine(QPainter& painter, std::span<const QPointF> points) {
    if (points.size() < 2) return;
    SetTracePen(painter);
    painter.drawPolyline(points.data(), static_cast<int>(points.size()));
}

void DrawTraceMarker(QPainter& painter, const ChartPoint& point) {
    SetMarkerPenAndBrush(painter);
    painter.drawEllipse(At(point), kMarkerRadius, kMarkerRadius);
}

}  // namespace zepra
