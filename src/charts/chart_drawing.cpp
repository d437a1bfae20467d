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

// A steep line whose ends, carried on by its slope for one pixel, lie farther than this from a
// pixel column's borders stays in that column (checked against the painter on random lines).
constexpr double kEdge = 1.0 / 64;

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
    for (int bit = 0; bit < (2 * kReach + 1) * (2 * kReach + 1); ++bit) {
        if ((stamp.painted >> bit & 1) == 0) continue;
        const int row = bit / (2 * kReach + 1);
        const int column = bit % (2 * kReach + 1);
        stamp.paintedByColumn |= std::uint64_t{1} << (column * (2 * kReach + 1) + row);
    }
}

const MarkerStamps::Stamp* MarkerStamps::find(QSize size, float x, float y) {
    // Also null for a centre that is not a number.
    const bool inside = x >= kStampMargin && y >= kStampMargin &&
                        x < static_cast<float>(size.width() - kStampMargin) &&
                        y < static_cast<float>(size.height() - kStampMargin);
    if (!inside) return nullptr;
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
            if (partsLeft_ == 0) return nullptr;
            --partsLeft_;
            settle(part, cellX * kCell + partX * kPart, cellY * kCell + partY * kPart, kPart);
        }
        if (!part.usable) return nullptr;
        found = &part;
    }
    return found;
}

bool MarkerStamps::stamp(uchar* bits, qsizetype bytesPerLine, QSize size, float x, float y) {
    const Stamp* found = find(size, x, y);
    if (found == nullptr) return false;
    write(bits, bytesPerLine, *found, x, y);
    return true;
}

void MarkerStamps::write(uchar* bits, qsizetype bytesPerLine, const Stamp& stamp, float x,
                         float y) {
    const int column = static_cast<int>(std::floor(x));
    const int row = static_cast<int>(std::floor(y));
    const QRgb outline = kMarkerOutline.rgb();
    const QRgb fill = kMarkerFill.rgb();
    for (std::uint64_t rest = stamp.painted; rest != 0; rest &= rest - 1) {
        const int bit = std::countr_zero(rest);
        const int dy = bit / (2 * kReach + 1) - kReach;
        const int dx = bit % (2 * kReach + 1) - kReach;
        auto* line = reinterpret_cast<QRgb*>(bits + (row + dy) * bytesPerLine);
        line[column + dx] = (stamp.outline >> bit) & 1 ? outline : fill;
    }
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
// Of that sequence only the elements TrendReduction keeps are drawn: the others are painted over.
void DrawTrendFast(QImage& image, std::span<const ChartPoint> points, MarkerStamps& stamps) {
    TrendReduction reduction;
    reduction.reduce(points, image.size(), stamps);
    DrawTrendElements(image, points, reduction.elements());
}

void DrawTrendElements(QImage& image, std::span<const ChartPoint> points,
                       std::span<const TrendElement> elements) {
    if (elements.empty()) return;
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
    for (const TrendElement& element : elements) {
        const ChartPoint& point = points[element.index];
        if (element.segment) {
            if (!tracePenSet) {
                painter.setPen(tracePen);
                tracePenSet = true;
            }
            painter.drawLine(At(point), At(points[element.index - 1]));
        } else if (stampable && element.stamp != nullptr) {
            MarkerStamps::write(bits, bytesPerLine, *element.stamp, point.x, point.y);
        } else {
            painter.setPen(markerPen);
            tracePenSet = false;
            painter.drawEllipse(At(point), kMarkerRadius, kMarkerRadius);
        }
    }
}

void DrawTrendElements(QPainter& painter, std::span<const ChartPoint> points,
                       std::span<const TrendElement> elements) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QPen tracePen(kTraceColour, 1);
    const QPen markerPen(kMarkerOutline, 1);
    painter.setBrush(kMarkerFill);
    for (const TrendElement& element : elements) {
        const ChartPoint& point = points[element.index];
        if (element.segment) {
            painter.setPen(tracePen);
            painter.drawLine(At(point), At(points[element.index - 1]));
        } else {
            painter.setPen(markerPen);
            painter.drawEllipse(At(point), kMarkerRadius, kMarkerRadius);
        }
    }
    painter.restore();
}

// The reduction walks the trace backwards, from the element drawn last, keeping the pixels that
// later elements paint. An element is kept when it could paint a pixel outside them. A marker's
// pixels are known exactly from its stamp. Of a segment only bounds are known (the painter's line
// rasterisation is not redone here): it paints nothing outside the rectangle of its end pixels
// grown by one pixel on every side; a steep one (at least one pixel high) whose ends lie well
// inside one pixel column stays in that column; and such a segment surely paints that column on
// every row strictly between its end pixels' rows. A vertical run of many segments in one column
// thus hides the earlier segments inside it, and most markers are hidden by the later markers
// around them; what is left per column is about its first, last, lowest and highest readings'
// elements.
void TrendReduction::reduce(std::span<const ChartPoint> points, QSize size, MarkerStamps& stamps) {
    elements_.clear();
    width_ = size.width();
    height_ = std::max(size.height(), 0);
    words_ = (height_ + 63) / 64 + 1;  // one more: a stamp's rows may reach into the next word
    covered_.assign(static_cast<std::size_t>(std::max(width_, 0) * words_), 0);
    if (points.size() < 2) return;
    stamps.newDrawing();
    const auto keepMarker = [&](std::size_t index) {
        const ChartPoint& point = points[index];
        if (!markerShows(nullptr, point)) return;  // painted over wherever it could reach
        const MarkerStamps::Stamp* stamp = stamps.find(size, point.x, point.y);
        if (stamp == nullptr) coverMarkerCore(point);
        if (stamp == nullptr || markerShows(stamp, point))
            elements_.push_back({static_cast<std::uint32_t>(index), false, stamp});
    };
    // DrawTrendFast's order is: segment i, the last marker when i is the last point, marker i - 1.
    const std::size_t last = points.size() - 1;
    for (std::size_t i = last; i >= 1; --i) {
        keepMarker(i - 1);
        if (i == last) keepMarker(last);
        if (segmentShows(points[i], points[i - 1]))
            elements_.push_back({static_cast<std::uint32_t>(i), true, nullptr});
    }
    std::reverse(elements_.begin(), elements_.end());
}

bool TrendReduction::anyUncovered(int left, int right, int top, int bottom) const {
    left = std::max(left, 0);
    right = std::min(right, width_ - 1);
    top = std::max(top, 0);
    bottom = std::min(bottom, height_ - 1);
    if (left > right || top > bottom) return false;
    for (int x = left; x <= right; ++x) {
        const std::uint64_t* column = &covered_[static_cast<std::size_t>(x) * words_];
        for (int word = top / 64; word <= bottom / 64; ++word) {
            const int from = std::max(top, word * 64) - word * 64;
            const int to = std::min(bottom, word * 64 + 63) - word * 64;
            const std::uint64_t wanted =
                (~std::uint64_t{0} >> (63 - to)) & (~std::uint64_t{0} << from);
            if ((column[word] & wanted) != wanted) return true;
        }
    }
    return false;
}

void TrendReduction::cover(int x, int top, int bottom) {
    top = std::max(top, 0);
    bottom = std::min(bottom, height_ - 1);
    if (x < 0 || x >= width_ || top > bottom) return;
    std::uint64_t* column = &covered_[static_cast<std::size_t>(x) * words_];
    for (int word = top / 64; word <= bottom / 64; ++word) {
        const int from = std::max(top, word * 64) - word * 64;
        const int to = std::min(bottom, word * 64 + 63) - word * 64;
        column[word] |= (~std::uint64_t{0} >> (63 - to)) & (~std::uint64_t{0} << from);
    }
}

bool TrendReduction::markerShows(const MarkerStamps::Stamp* stamp, const ChartPoint& point) {
    constexpr int kReach = MarkerStamps::kReach;
    constexpr int kSide = 2 * kReach + 1;
    if (stamp == nullptr) {
        // Drawn by the painter: it paints within a pixel more than a stamp's reach (clipped at the
        // border); it covers nothing for the earlier elements.
        if (!std::isfinite(point.x) || !std::isfinite(point.y)) return true;
        const int x = static_cast<int>(std::floor(std::clamp<double>(point.x, -64, width_ + 64)));
        const int y = static_cast<int>(std::floor(std::clamp<double>(point.y, -64, height_ + 64)));
        return anyUncovered(x - kReach - 1, x + kReach + 1, y - kReach - 1, y + kReach + 1);
    }
    // A stamp lies well inside the drawing: its 7 rows fit in a column's words.
    const int left = static_cast<int>(std::floor(point.x)) - kReach;
    const int top = static_cast<int>(std::floor(point.y)) - kReach;
    const int word = top / 64;
    const int shift = top % 64;
    bool shows = false;
    for (int dx = 0; dx < kSide; ++dx) {
        const std::uint64_t painted = stamp->paintedByColumn >> (dx * kSide) & ((1u << kSide) - 1);
        if (painted == 0) continue;
        std::uint64_t* column = &covered_[static_cast<std::size_t>(left + dx) * words_];
        std::uint64_t seen = column[word] >> shift;
        if (shift > 64 - kSide) seen |= column[word + 1] << (64 - shift);
        shows = shows || (painted & ~seen) != 0;
        column[word] |= painted << shift;
        if (shift > 64 - kSide) column[word + 1] |= painted >> (64 - shift);
    }
    return shows;
}

void TrendReduction::coverMarkerCore(const ChartPoint& point) {
    // Wherever its centre lies inside pixel (x, y), a marker paints (x, y - 1), (x - 1, y), (x, y),
    // (x + 1, y), (x, y + 1) and (x + 1, y + 1) (checked against the painter at random places).
    const int x = static_cast<int>(std::floor(std::clamp<double>(point.x, -64, width_ + 64)));
    const int y = static_cast<int>(std::floor(std::clamp<double>(point.y, -64, height_ + 64)));
    cover(x - 1, y, y);
    cover(x, y - 1, y + 1);
    cover(x + 1, y, y + 1);
}

bool TrendReduction::segmentShows(const ChartPoint& from, const ChartPoint& to) {
    const double loX = std::min(from.x, to.x);
    const double hiX = std::max(from.x, to.x);
    const double loY = std::min(from.y, to.y);
    const double hiY = std::max(from.y, to.y);
    // Only where the bounds below were checked against the painter: kept otherwise.
    const bool known = loX >= 0 && hiX < width_ && loY >= -2 && hiY < height_ + 2;
    if (!known) return true;
    const int left = static_cast<int>(std::floor(loX));
    const int right = static_cast<int>(std::floor(hiX));
    const int top = static_cast<int>(std::floor(loY));
    const int bottom = static_cast<int>(std::floor(hiY));
    if (right - left > 4) return true;  // a long segment: kept without looking
    const double height = hiY - loY;
    if (height < 1.0 || left != right)
        return anyUncovered(left - 1, right + 1, top - 1, bottom + 1);
    const double slope = (hiX - loX) / height;
    const bool oneColumn =
        std::floor(loX - slope - kEdge) == left && std::floor(hiX + slope + kEdge) == left;
    const bool shows = oneColumn ? anyUncovered(left, left, top - 1, bottom + 1)
                                 : anyUncovered(left - 1, left + 1, top - 1, bottom + 1);
    if (loX >= left + kEdge && hiX < left + 1 - kEdge) cover(left, top + 1, bottom - 1);
    return shows;
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
