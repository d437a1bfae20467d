#include "ui/window_placement.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace zepra {
namespace {

// Offset between cascaded windows: the height of the frame's title bar, at least this.
constexpr int kMinimumStep = 28;
// Of a window larger than the screen, at least this much stays on the screen.
constexpr int kTitleKeptOnScreen = 120;
constexpr int kMostCascadeSlots = 16;

QRect AvailableArea(const QWidget* mainWindow) {
    const QScreen* screen =
        mainWindow != nullptr ? mainWindow->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr) screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

// The frame the window manager puts around the main window, as an estimate of every window's
// frame (the window to place has none yet).
QMargins FrameMargins(const QWidget* mainWindow) {
    if (mainWindow == nullptr || !mainWindow->isVisible()) return {};
    const QRect frame = mainWindow->frameGeometry();
    const QRect client = mainWindow->geometry();
    return QMargins(client.left() - frame.left(), client.top() - frame.top(),
                    frame.right() - client.right(), frame.bottom() - client.bottom());
}

// The position nearest to `wanted` at which the whole frame lies in `area`. A frame larger than
// the area may hang over its right or bottom edge, with a good part of its title bar on it.
QPoint Inside(QPoint wanted, QSize frame, const QRect& area) {
    const int right = frame.width() <= area.width() ? area.right() + 1 - frame.width()
                                                    : area.right() + 1 - kTitleKeptOnScreen;
    const int bottom = frame.height() <= area.height() ? area.bottom() + 1 - frame.height()
                                                       : area.bottom() + 1 - kTitleKeptOnScreen;
    return QPoint(std::clamp(wanted.x(), area.left(), std::max(area.left(), right)),
                  std::clamp(wanted.y(), area.top(), std::max(area.top(), bottom)));
}

// Whether some other open window already stands (nearly) at `position`.
bool Taken(QPoint position, const QWidget* window, int step) {
    for (const QWidget* other : QApplication::topLevelWidgets()) {
        if (other == window || !other->isVisible()) continue;
        if ((other->pos() - position).manhattanLength() < step) return true;
    }
    return false;
}

}  // namespace

WindowPlacement::WindowPlacement(const QWidget* mainWindow) : mainWindow_(mainWindow) {}

void WindowPlacement::place(QWidget* window, WindowPlace how) {
    const QRect area = AvailableArea(mainWindow_);
    const QSize frame = window->size().grownBy(FrameMargins(mainWindow_));
    QPoint position;
    if (const auto last = lastPositions_.constFind(window->objectName());
        last != lastPositions_.constEnd()) {
        position = Inside(*last, frame, area);  // the screen may have changed since
    } else if (how == WindowPlace::Centred || mainWindow_ == nullptr) {
        QRect centred(QPoint(0, 0), frame);
        centred.moveCenter(area.center());
        position = Inside(centred.topLeft(), frame, area);
    } else if (how == WindowPlace::Beside) {
        position = besidePosition(window);
    } else {
        position = cascadePosition(window);
    }
    window->move(position);
    window->removeEventFilter(this);
    window->installEventFilter(this);
}

bool WindowPlacement::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Hide && watched->isWidgetType()) {
        const auto* window = static_cast<QWidget*>(watched);
        if (window->isWindow()) lastPositions_.insert(window->objectName(), window->pos());
    }
    return false;
}

// Right of the main window where the window fits there, else left of it, else against the edge
// of the screen on the roomier side.
QPoint WindowPlacement::besidePosition(const QWidget* window) const {
    const QRect area = AvailableArea(mainWindow_);
    const QSize frame = window->size().grownBy(FrameMargins(mainWindow_));
    const QRect main = mainWindow_->frameGeometry();
    const int roomRight = area.right() - main.right();
    const int roomLeft = main.left() - area.left();
    int x = 0;
    if (roomRight >= frame.width()) {
        x = main.right() + 1;
    } else if (roomLeft >= frame.width()) {
        x = main.left() - frame.width();
    } else {
        x = roomRight >= roomLeft ? area.right() + 1 - frame.width() : area.left();
    }
    return Inside(QPoint(x, main.top()), frame, area);
}

// The first free step of a diagonal from the beside position, away from the main window.
QPoint WindowPlacement::cascadePosition(const QWidget* window) const {
    const QRect area = AvailableArea(mainWindow_);
    const QSize frame = window->size().grownBy(FrameMargins(mainWindow_));
    const int step = std::max(FrameMargins(mainWindow_).top(), kMinimumStep);
    const QPoint start = besidePosition(window);
    const int direction = start.x() < mainWindow_->frameGeometry().left() ? -1 : 1;
    QPoint position = start;
    for (int slot = 0; slot < kMostCascadeSlots; ++slot) {
        position = Inside(start + QPoint(direction * step * slot, step * slot), frame, area);
        if (!Taken(position, window, step)) return position;
    }
    return position;
}

}  // namespace zepra
