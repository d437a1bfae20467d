#include "ui/realtime/realtime_list_window.h"

namespace zepra {

// Placeholder until the real-time list is built.
RealTimeListWindow::RealTimeListWindow(const WindowContext& context, const QWidget* mainWindow,
                                       QWidget* parent)
    : QMainWindow(parent), context_(context) {
    Q_UNUSED(mainWindow);
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("FrmRealTimeList"));
    setWindowTitle(QStringLiteral("RealTimeList"));
}

RealTimeListWindow::~RealTimeListWindow() = default;

void RealTimeListWindow::appendCapturedSample(const CapturedSampleTexts& texts) {
    Q_UNUSED(texts);
}

}  // namespace zepra
