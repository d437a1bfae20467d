#pragma once
// Picture1, the chart area shared by the group windows and the two real-time chart windows:
// 737 x 497 pixels in the classic system window colour (white, whatever the desktop theme), holding
// the five gridlines (Line1..Line5), the 30 histogram bars (Label18_1..Label18_30), their tick
// marks (Line6_1..Line6_30), the bar pop-up (Label32) and its timer (Timer2).
//
// The trend is drawn into an off-screen image kept by the area; painting only copies that image,
// so a repaint asked for by the system costs nothing and shows the last drawing. On a screen
// whose device pixel ratio is not 1 that 1x image would be blown up: there the area keeps the
// traces drawn since the last erase, reduced to what shows at 1x, and draws them as vectors at the
// device's resolution once after each change into a second image that painting copies. The child
// controls (gridlines, bars, ticks, pop-up) lie above the drawing, as on the gauge software's
// picture box.

#include <QImage>
#include <QWidget>
#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "charts/chart_drawing.h"
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

    // Sets the background to the window colour: erases every drawing, leaves the controls.
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

    struct Trace {
        std::vector<ChartPoint> points;
        std::vector<TrendElement> elements;  // what shows of it
    };

    QImage drawing_;
    QImage deviceDrawing_;       // the traces at the device's resolution; null when out of date
    bool blank_ = true;          // nothing drawn since the last erase
    std::vector<Trace> traces_;  // drawn since the last erase
    TrendReduction reduction_;
    std::vector<ChartPoint> lastTrace_;            // the last trace drawn on an erased area...
    std::vector<TrendElement> lastTraceElements_;  // ...what shows of it...
    QImage lastTraceDrawing_;                      // ...and what it gave
    MarkerStamps markerStamps_;
    std::array<QLabel*, kBars> bars_{};
    std::array<QFrame*, kBars> ticks_{};
    std::array<QFrame*, 5> gridlines_{};
    QLabel* popup_ = nullptr;
    bool popupAutoSize_ = true;  // Label32 sizes itself to its caption in the layout
    QTimer* popupTimer_ = nullptr;
    int pressedBar_ = 0;  // bar under a left button press, for barClicked
};

}  // namespace zepra
