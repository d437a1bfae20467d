#pragma once
// FrmRealTimeGrpOne: the trend of the real-time capture, redrawn every 500 ms.

#include <QWidget>

#include "ui/window_context.h"

namespace zepra {

class RealTimeTrendWindow : public QWidget {
    Q_OBJECT
public:
    explicit RealTimeTrendWindow(const WindowContext& context, QWidget* parent = nullptr);
    ~RealTimeTrendWindow() override;

private:
    WindowContext context_;
};

}  // namespace zepra
