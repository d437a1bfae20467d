#pragma once
// The group window: one class, five instances (FrmGrpOne .. FrmGrpFour, FrmRealTimeGrp).
// A window deletes itself when closed; whoever wants it again creates a new one.

#include <QMainWindow>

#include "link/gauge_windows.h"
#include "ui/window_context.h"

namespace zepra {

class GroupWindow : public QMainWindow {
    Q_OBJECT
public:
    GroupWindow(GroupWindowId id, const WindowContext& context, QWidget* parent = nullptr);
    ~GroupWindow() override;

    GroupWindowId id() const { return id_; }

private:
    GroupWindowId id_;
    WindowContext context_;
};

}  // namespace zepra
