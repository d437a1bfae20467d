#pragma once
// FrmRealTimeGrpOne: the trend of the real-time capture, redrawn every 500 ms.

#include <QWidget>
#include <cstdint>

#include "charts/chart_math.h"
#include "charts/chart_painting.h"
#include "ui/window_context.h"

class QTimer;

namespace zepra {

class ChartArea;

class RealTimeTrendWindow : public QWidget {
    Q_OBJECT
  public:
    explicit RealTimeTrendWindow(const WindowContext& context, QWidget* parent = nullptr);
    ~RealTimeTrendWindow() override;

    // Timer1: erase the plot, then draw the capture as it is now.
    void Timer1_Timer();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void Picture1_Paint();

    WindowContext context_;
    ChartArea* picture_ = nullptr;  // Picture1
    TrendLabelSet labels_;
    TrendChartData scratch_;  // the points' storage, kept between redraws
    QTimer* redrawTimer_ = nullptr;
    std::int32_t drawnCount_ = -1;  // what the last tick drew
    std::int32_t drawnUnit_ = -1;
};

}  // namespace zepra
