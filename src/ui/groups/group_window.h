#pragma once
// The group window: one class, five instances (FrmGrpOne .. FrmGrpFour, FrmRealTimeGrp).
// A window deletes itself when closed; whoever wants it again creates a new one. Every opening
// starts in histogram mode and fills itself from the store 100 ms after it is created; a paint of
// the chart area before that draws the chart from the slot, so the design state never shows.

#include <QMainWindow>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "charts/chart_math.h"
#include "charts/chart_painting.h"
#include "ui/presenter/gauge_windows.h"
#include "ui/window_context.h"

class QLabel;
class QTableWidget;
class QTimer;

namespace zepra {

class ChartArea;

// Readings shown by a group window that are not the gauge's slots: an archived record, read-only,
// of any length, in its own unit.
struct ShownReadings {
    std::string title;
    std::vector<ReadingRecord> readings;
    double highLimit = 0.0;
    double lowLimit = 0.0;
    std::int32_t unitIsMils = 0;
    // SAVE-*.PDF: the inspection report of these readings.
    std::function<void(QWidget* window)> saveInspectionReport;
};

class GroupWindow : public QMainWindow {
    Q_OBJECT
  public:
    GroupWindow(GroupWindowId id, const WindowContext& context, QWidget* parent = nullptr);
    GroupWindow(ShownReadings shown, const WindowContext& context, QWidget* parent = nullptr);
    ~GroupWindow() override;

    GroupWindowId id() const { return id_; }

    // The chart shown: true for the trend, false for the histogram.
    bool trendMode() const { return trendMode_ != 0; }
    // The counts of the last histogram, bin k at index k - 1 (read by the bar pop-up).
    const std::array<std::int32_t, kHistogramBins>& binCounts() const { return binCounts_; }
    ChartArea* chartArea() const { return chartArea_; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    // The chart area's first paint, when the system asks for it before the fill, draws the chart.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void build();
    GroupSlot& slot() const;
    std::span<const ReadingRecord> readings() const;
    // Where the readings came from, for the inspection report: "Group 2 downloaded from ...".
    std::string sourceText() const;

    void buildMenu();
    void buildControls(QWidget* client);

    void fill();             // the first tick of Timer1
    void paintChart();       // Picture1_Paint: the chart-mode dispatcher
    void chooseTrend();      // GRAPH > Trend
    void chooseHistogram();  // GRAPH > Histogram
    void showPopupOf(int barIndex);

    GroupWindowId id_;
    WindowContext context_;
    // Shown readings: their own store (the unit the save steps use) and list.
    std::unique_ptr<MeasurementStore> shownStore_;
    std::unique_ptr<ShownReadings> shown_;
    std::int16_t trendMode_ = 0;  // all bits set = trend, 0 = histogram
    bool chartPainted_ = false;   // Picture1_Paint has run; the area keeps its drawing since
    std::array<std::int32_t, kHistogramBins> binCounts_{};

    QTableWidget* grid_ = nullptr;
    ChartArea* chartArea_ = nullptr;
    QTimer* fillTimer_ = nullptr;
    QLabel* countLine_ = nullptr;      // Label24
    QLabel* unitLine_ = nullptr;       // Label19
    QLabel* meanLine_ = nullptr;       // Label23
    QLabel* deviationLine_ = nullptr;  // Label22
    QLabel* minimumLine_ = nullptr;    // Label20
    QLabel* maximumLine_ = nullptr;    // Label21
    QLabel* lowLimitLine_ = nullptr;   // Label30
    QLabel* highLimitLine_ = nullptr;  // Label29
    TrendLabelSet trendLabels_;
    HistogramLabelSet histogramLabels_;
};

}  // namespace zepra
