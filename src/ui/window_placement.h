#pragma once
// Where the program's windows open. A new window opens beside the main window, clear of it, so
// that its buttons stay visible; each new one is offset from the ones already open (a cascade),
// and all of it inside the screen's available area. A window
// that was open before in this run opens where it was last (moved by the user or not); nothing of
// this is kept between runs.

#include <QHash>
#include <QObject>
#include <QPoint>
#include <QString>

class QWidget;

namespace zepra {

enum class WindowPlace {
    Cascade,  // beside the main window, offset from the windows already open there
    Beside,   // right next to the main window, top edges level
    Centred,  // in the middle of the screen
};

class WindowPlacement : public QObject {
  public:
    // mainWindow: the window to stay clear of (none: the primary screen's middle for all).
    explicit WindowPlacement(const QWidget* mainWindow);

    // Moves the window (not shown yet) to its place and remembers where it is when it closes.
    void place(QWidget* window, WindowPlace how);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QPoint cascadePosition(const QWidget* window) const;
    QPoint besidePosition(const QWidget* window) const;

    const QWidget* mainWindow_;
    QHash<QString, QPoint> lastPositions_;  // by the window's object name
};

}  // namespace zepra
