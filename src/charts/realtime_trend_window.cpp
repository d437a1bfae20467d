#include "charts/realtime_trend_window.h"

namespace zepra {

// Placeholder until the real-time trend window is built.
RealTimeTrendWindow::RealTimeTrendWindow(const WindowContext& context, QWidget* parent)
    : QWidget(parent), context_(context) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("FrmRealTimeGrpOne"));
    setWindowTitle(QStringLiteral("RealTimeTrend"));
}

RealTimeTrendWindow::~RealTimeTrendWindow() = default;

}  // namespace zepra
