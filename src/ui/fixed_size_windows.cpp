#include "ui/fixed_size_windows.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace zepra {
namespace {

// How long a window stays maximised before it is put back: long enough for its maximised frame
// to reach the compositor, which ignores a request to restore a state it has not seen drawn.
constexpr int kRestoreDelayMs = 200;

// On the window while its maximum size is lifted; true once the platform has reported it
// maximised.
constexpr char kLiftedProperty[] = "zepraMaximiseLifted";

bool IsFixedSize(const QWidget* widget) {
    return widget->minimumSize() == widget->maximumSize();
}

QWidget* WidgetOf(const QWindow* window) {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->windowHandle() == window) return widget;
    }
    return nullptr;
}

class MaximiseGuard : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!watched->isWindowType()) return false;
        auto* window = static_cast<QWindow*>(watched);
        if (event->type() == QEvent::Show) {
            // The window's state signal comes as a request is made, before the platform answers.
            connect(window, &QWindow::windowStateChanged, this, &MaximiseGuard::stateRequested,
                    Qt::UniqueConnection);
        } else if (event->type() == QEvent::WindowStateChange) {
            // The event tells what the platform made of it.
            platformStateChanged(window);
        }
        return false;
    }

  private:
    void stateRequested(Qt::WindowState state) {
        auto* window = qobject_cast<QWindow*>(sender());
        if (window != nullptr && state == Qt::WindowMaximized) lift(window);
    }

    static void lift(QWindow* window) {
        const QWidget* widget = WidgetOf(window);
        if (widget == nullptr || !IsFixedSize(widget) ||
            window->property(kLiftedProperty).isValid())
            return;
        window->setProperty(kLiftedProperty, false);
        window->setMaximumSize(QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
    }

    static void platformStateChanged(QWindow* window) {
        QWidget* widget = WidgetOf(window);
        if (widget == nullptr) return;
        if (window->windowStates() & Qt::WindowMaximized) {
            // Also when the compositor maximised it on its own (a shortcut).
            lift(window);
            if (!window->property(kLiftedProperty).isValid()) return;  // not a fixed-size window
            window->setProperty(kLiftedProperty, true);
            QTimer::singleShot(kRestoreDelayMs, widget, [widget] {
                widget->setWindowState(widget->windowState() & ~Qt::WindowMaximized);
            });
        } else if (window->property(kLiftedProperty).toBool()) {
            // Back to normal as the platform sees it: the fixed size again.
            window->setProperty(kLiftedProperty, QVariant());
            window->setMaximumSize(widget->maximumSize());
        }
    }
};

}  // namespace

void KeepFixedSizeWindowsUnmaximised(QApplication& application) {
    const QString name = QStringLiteral("zepraMaximiseGuard");
    if (application.findChild<QObject*>(name, Qt::FindDirectChildrenOnly)) return;
    auto* guard = new MaximiseGuard(&application);
    guard->setObjectName(name);
    application.installEventFilter(guard);
}

}  // namespace zepra
