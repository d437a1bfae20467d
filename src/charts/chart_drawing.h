#pragma once
// What the chart area shows, drawn with a QPainter in the area's own coordinates (737 x 497
// pixels, origin top left): the gridlines, the histogram's bars and ticks, and the trend's trace.
// The chart area lays its controls out from the same rectangles; the inspection report draws the
// same picture onto a PDF page, scaled. Qt Gui only, no widgets.

#include <QColor>
#include <QImage>
#include <QRect>
#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "charts/chart_math.h"

class QPainter;

namespace zepra {

inline constexpr int kChartWidth = 737;
inline constexpr int kChartHeight = 497;

// Line1..Line5 (index 1..5), Line6_1..Line6_30 and Label18_1..Label18_30 (index 1..30) as the
// design places them; a bar's rectangle at its computed height.
QRect ChartGridlineRect(int index);
QRect ChartTickRect(int index);
QRect ChartBarDesignRect(int index);
QRect ChartBarRect(int index, const HistogramBar& bar);

inline const QColor kChartBarColour{0, 255, 0};
inline const QColor kChartLineColour{0, 0, 0};  // the default line colour (window text)
// The classic light system colours the chart was drawn for, kept under any desktop theme: the
// lines, bars and markers are fixed colours and read only on these.
inline const QColor kChartBackground{255, 255, 255};  // the system window colour
inline const QColor kChartPopupFace{239, 239, 239};   // a label's default background
inline const QColor kChartPopupText{0, 0, 0};

// The x of a value (micrometres) on a drawable histogram's scale: bin k spans the width of
// bar k's pitch, centred on tick k.
double HistogramValueX(const HistogramChartData& chart, double micrometres);

// The gridlines, and with `bars` the histogram's visible bars and all ticks: the controls that
// lie above the drawing. Drawn as filled rectangles, as the controls are.
void DrawChartControls(QPainter& painter, const std::array<HistogramBar, kHistogramBins>* bars);

// The trace in the order of DrawTrendFast (the same picture as DrawTrendOneByOne), every element
// drawn by the painter: for painters that are not images (a PDF page).
void DrawTrend(QPainter& painter, std::span<const ChartPoint> points);

// The trend's markers drawn once and then copied: a circle of radius 2 drawn without antialiasing
// covers the same pixels, in the same colours, wherever it stands, as long as its centre keeps its
// place inside its pixel. The place is taken in 1/64-pixel cells; a cell is copied only when the
// circle drawn at its four corners and at its middle gives one picture. A cell where the picture
// changes is split into 8 x 8 sub-cells (1/512 pixel) that are settled the same way (a limited
// number for each drawing); a marker in a sub-cell that is still mixed or not settled yet, or near
// the image border, is drawn by the painter as before.
// Kept between redraws; the trend tests compare the result with the painter's, marker by marker
// and trace by trace.
class MarkerStamps {
  public:
    static constexpr int kCells = 64;    // cells per pixel, each way
    static constexpr int kSubcells = 8;  // sub-cells per cell, each way, where a cell is mixed
    static constexpr int kReach = 3;     // a copied marker lies within 3 pixels of its centre's

    MarkerStamps();
    ~MarkerStamps();

    // Sub-cells settled for one drawing at most: while a capture grows, every marker moves at
    // every redraw and most sub-cells are first met then, so the stamps fill over a few dozen
    // redraws instead of making the first ones several times slower.
    static constexpr int kPartsPerDrawing = 2048;

    // The 7 x 7 pixels around the centre's pixel, bit (dy + 3) * 7 + dx + 3.
    struct Stamp {
        bool known = false;
        bool usable = false;        // one picture over the whole cell
        std::uint64_t painted = 0;  // the pixels of the marker...
        std::uint64_t outline =
            0;  // ...and those of them in the outline's colour (else the fill's)
        std::uint64_t paintedByColumn = 0;  // `painted` again, bit (dx + 3) * 7 + dy + 3
    };

    // The pixels of the marker centred at (x, y) in a drawing of `size`, or null when the painter
    // has to draw it (near the border, or where the picture changes inside the cell).
    const Stamp* find(QSize size, float x, float y);
    // Writes the marker centred at (x, y) into `bits` (an RGB32 image of `size`, `bytesPerLine`)
    // and returns true, or returns false when the painter has to draw it.
    bool stamp(uchar* bits, qsizetype bytesPerLine, QSize size, float x, float y);
    // Writes a marker found at (x, y) into `bits`.
    static void write(uchar* bits, qsizetype bytesPerLine, const Stamp& stamp, float x, float y);
    // A new drawing begins: sub-cells may be settled again.
    void newDrawing() { partsLeft_ = kPartsPerDrawing; }

  private:
    struct Cell {
        Stamp whole;
        std::unique_ptr<std::array<Stamp, kSubcells * kSubcells>> parts;  // when `whole` is mixed
    };
    // Draws the marker at the corners and the middle of the square (left, top, side) of a pixel.
    void settle(Stamp& stamp, double left, double top, double side);

    std::vector<Cell> cells_;
    QImage scratch_;
    int partsLeft_ = kPartsPerDrawing;
};

// The trace exactly as the gauge software draws it: for i = 2..n a black segment from point i to
// point i - 1, then a circle of radius 2 (red outline, black fill) at point i and one at point
// i - 1; no antialiasing. One painter call per element: the reference for the fast drawing.
void DrawTrendOneByOne(QPainter& painter, std::span<const ChartPoint> points);
// The same pixels, faster (see the .cpp for why it is the same). `stamps` is kept between calls.
void DrawTrendFast(QImage& image, std::span<const ChartPoint> points, MarkerStamps& stamps);

// One element of the trace in the order of DrawTrendFast: the segment from point `index` to point
// index - 1, or the marker at point `index`.
struct TrendElement {
    std::uint32_t index = 0;
    bool segment = false;
    // A marker's pixels when the stamps hold them (owned by the stamps the trace was reduced with).
    const MarkerStamps::Stamp* stamp = nullptr;
};

// The trace reduced to what shows in a drawing of `size`: the elements, in drawing order, that
// paint at least one pixel no later element paints over. Drawing only these gives the picture of
// DrawTrendFast, pixel for pixel; their number follows the drawing's pixels, not the readings
// (about the lowest, highest, first and last reading of each pixel column and the markers still
// seen). Where it cannot be sure which pixels an element paints, the element is kept.
class TrendReduction {
  public:
    void reduce(std::span<const ChartPoint> points, QSize size, MarkerStamps& stamps);
    std::span<const TrendElement> elements() const { return elements_; }

  private:
    // Bit y % 64 of word (x * words_ + y / 64): pixel (x, y) is painted by a later element.
    bool anyUncovered(int left, int right, int top, int bottom) const;
    void cover(int column, int top, int bottom);
    bool markerShows(const MarkerStamps::Stamp* stamp, const ChartPoint& point);
    void coverMarkerCore(const ChartPoint& point);  // one the painter draws
    bool segmentShows(const ChartPoint& from, const ChartPoint& to);

    std::vector<std::uint64_t> covered_;
    int width_ = 0;
    int height_ = 0;
    int words_ = 0;
    std::vector<TrendElement> elements_;
};

// Draws the elements of a reduced trace: into the image it was reduced for (RGB32: markers copied
// from their stamps), pixel for pixel DrawTrendFast's picture, or as vectors with any painter
// (a screen at 200 %).
void DrawTrendElements(QImage& image, std::span<const ChartPoint> points,
                       std::span<const TrendElement> elements);
void DrawTrendElements(QPainter& painter, std::span<const ChartPoint> points,
                       std::span<const TrendElement> elements);

// Parts of the trace for drawings that choose which elements to draw (the printed trend draws a
// reduced set): connected segments through `points` with the trace's pen, and one marker.
void DrawTraceLine(QPainter& painter, std::span<const QPointF> points);
void DrawTraceMarker(QPainter& painter, const ChartPoint& point);
inline constexpr double kTraceMarkerReach = 2.5;  // the marker's outline ends this far out

}  // namespace zepra
