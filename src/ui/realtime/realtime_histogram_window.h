#pragma once
// FrmRealTimeGrpTwo: the histogram of the real-time capture, redrawn every 500 ms.

#include <QWidget>
#include <array>
#include <cstdint>

#include "charts/chart_math.h"
#include "charts/chart_painting.h"
#include "ui/window_context.h"

class QTimer;

namespace zepra {

class ChartArea;

class RealTimeHistogramWindow : public QWidget {
    Q_OBJECT
  public:
    explicit RealTimeHistogramWindow(const WindowContext& context, QWidget* parent = nullptr);
    ~RealTimeHistogramWindow() override;

    // Timer1: bin the capture as it is now.
    void Timer1_Timer();
    // A click on bar `index` (1..30): its count in the pop-up for 2 s.
    void Label18_Click(int index);

    // The counts of the last drawing, bin k at index k - 1.
    const std::array<std::int32_t, kHistogramBins>& binCounts() const { return binCounts_; }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void Picture1_Paint();

    WindowContext context_;
    ChartArea* picture_ = nullptr;  // Picture1
    HistogramLabelSet labels_;
    std::array<std::int32_t, kHistogramBins> binCounts_{};
    QTimer* redrawTimer_ = nullptr;
};

}  // namespace zepra
