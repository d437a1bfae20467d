#pragma once
// FrmRealTimeList: the readings captured in real time, newest on top, with running statistics.

#include <QMainWindow>

#include "link/gauge_windows.h"
#include "ui/window_context.h"

namespace zepra {

class RealTimeListWindow : public QMainWindow {
    Q_OBJECT
public:
    // Builds the window from the store. mainWindow is the window it is placed beside.
    RealTimeListWindow(const WindowContext& context, const QWidget* mainWindow,
                       QWidget* parent = nullptr);
    ~RealTimeListWindow() override;

    // A sample was appended to the store: add it on top and set the labels.
    void appendCapturedSample(const CapturedSampleTexts& texts);

private:
    WindowContext context_;
};

}  // namespace zepra
