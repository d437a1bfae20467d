#pragma once
// Picture1, the chart area shared by the group windows and the two real-time chart windows:
// 737 x 497 pixels in the system's window background colour, holding the five gridlines
// (Line1..Line5), the 30 histogram bars (Label18_1..Label18_30), their tick marks
// (Line6_1..Line6_30), the bar pop-up (Label32) and its timer (Timer2).
//
// The trend is drawn into an off-screen image kept by the area; painting only copies that image,
// so a repaint asked for by the system costs nothing and shows the last drawing. The child
// controls (gridlines, bars, ticks, pop-up) lie above the drawing, as on the gauge software's
// picture box.

#include <QImage>
#include <QWidget>
#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "charts/chart_math.h"

class QFont;
class QFrame;
class QLabel;
class QTimer;

namespace zepra {

// How the pop-up takes its width.
enum class PopupWidthRule {
    BarWidth,             // group windows: always the bar's width, automatic size left alone
    AutoSizeFromHundred,  // real-time histogram: fits its text from 100 up, else the bar's width
};

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

    // Writes the marker centred at (x, y) into `bits` (an RGB32 image of `size`, `bytesPerLine`)
    // and returns true, or returns false when the painter has to draw it.
    bool stamp(uchar* bits, qsizetype bytesPerLine, QSize size, float x, float y);
    // A new drawing begins: sub-cells may be settled again.
    void newDrawing() { partsLeft_ = kPartsPerDrawing; }

  private:
    // The 7 x 7 pixels around the centre's pixel, bit (dy + 3) * 7 + dx + 3.
    struct Stamp {
        bool known = false;
        bool usable = false;        // one picture over the whole cell
        std::uint64_t painted = 0;  // the pixels of the marker...
        std::uint64_t outline =
            0;  // ...and those of them in the outline's colour (else the fill's)
    };
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

class ChartArea : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kWidth = 737;
    static constexpr int kHeight = 497;
    static constexpr int kBars = kHistogramBins;

    // popupFont: the host's font for the bar pop-up (Label32).
    explicit ChartArea(const QFont& popupFont, QWidget* parent = nullptr);
    ~ChartArea() override;

    QLabel* bar(int index) const;                       // Label18(index), index 1..30
    QFrame* tick(int index) const;                      // Line6(index), index 1..30
    QFrame* gridline(int index) const;                  // Line1..Line5
    QLabel* popup() const { return popup_; }            // Label32
    QTimer* popupTimer() const { return popupTimer_; }  // Timer2 (the host sets its interval)

    // Shows or hides Label18(i) then Line6(i), for i = 1 to 30 (the chart-mode switch).
    void setBarsAndTicksShown(bool shown);

    // Sets the background to the system window colour: erases every drawing, leaves the controls.
    void erase();
    // Draws the trace of the trend over what is drawn already (nothing is erased). The same trace
    // drawn again on an erased area (a real-time chart whose list did not change since the last
    // tick) is copied from the previous drawing instead of being drawn again.
    void drawTrend(std::span<const ChartPoint> points);
    // What the area shows beneath its controls (for tests and the benchmark).
    const QImage& drawing() const { return drawing_; }

    // Sets bar k (1..30) as computed: height and top when visible, otherwise hidden.
    void applyBars(const std::array<HistogramBar, kBars>& bars);

    // The pop-up for bar `index`: its count on the bar, then Timer2 (re)started.
    void showBarPopup(int index, std::int32_t count, PopupWidthRule rule);

  signals:
    // Any mouse button went down on bar `index` (the group windows' pop-up).
    void barPressed(int index);
    // Bar `index` was clicked with the left button (the real-time histogram's pop-up).
    void barClicked(int index);

  protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    int barIndexOf(const QObject* object) const;

    QImage drawing_;
    bool blank_ = true;                  // nothing drawn since the last erase
    std::vector<ChartPoint> lastTrace_;  // the last trace drawn on an erased area...
    QImage lastTraceDrawing_;            // ...and what it gave
    MarkerStamps markerStamps_;
    std::array<QLabel*, kBars> bars_{};
    std::array<QFrame*, kBars> ticks_{};
    std::array<QFrame*, 5> gridlines_{};
    QLabel* popup_ = nullptr;
    bool popupAutoSize_ = true;  // Label32 sizes itself to its caption in the layout
    QTimer* popupTimer_ = nullptr;
    int pressedBar_ = 0;  // bar under a left button press, for barClicked
};

// The trace exactly as the gauge software draws it: for i = 2..n a black segment from point i to
// point i - 1, then a circle of radius 2 (red outline, black fill) at point i and one at point
// i - 1; no antialiasing. One painter call per element: the reference for the fast drawing.
void DrawTrendOneByOne(QPainter& painter, std::span<const ChartPoint> points);
// The same pixels, faster (see the .cpp for why it is the same). `stamps` is kept between calls.
void DrawTrendFast(QImage& image, std::span<const ChartPoint> points, MarkerStamps& stamps);

}  // namespace zepra
