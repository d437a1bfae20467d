#pragma once
// FrmRealTimeGrpTwo: the histogram of the real-time capture, redrawn every 500 ms.

#include <QWidget>

#include "ui/window_context.h"

namespace zepra {

class RealTimeHistogramWindow : public QWidget {
    Q_OBJECT
public:
    explicit RealTimeHistogramWindow(const WindowContext& context, QWidget* parent = nullptr);
    ~RealTimeHistogramWindow() override;

private:
    WindowContext context_;
};

}  // namespace zepra
