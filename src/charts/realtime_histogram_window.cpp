#include "charts/realtime_histogram_window.h"

namespace zepra {

// Placeholder until the real-time histogram window is built.
RealTimeHistogramWindow::RealTimeHistogramWindow(const WindowContext& context, QWidget* parent)
    : QWidget(parent), context_(context) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("FrmRealTimeGrpTwo"));
    setWindowTitle(QStringLiteral("RealTimeHistogram"));
}

RealTimeHistogramWindow::~RealTimeHistogramWindow() = default;

}  // namespace zepra
