#pragma once
// Driving the program's windows from outside, by the objectNames of their windows, buttons and
// menu items, the way a user would: clicks, menu choices, a file name given to the save dialog.
// Every wait is bounded; a step that cannot be done throws TourFailure with the reason.

#include <QString>
#include <QStringList>
#include <functional>
#include <stdexcept>

class QAction;
class QObject;
class QPushButton;
class QTimer;
class QWidget;

namespace tour {

class TourFailure : public std::runtime_error {
  public:
    explicit TourFailure(const QString& what) : std::runtime_error(what.toStdString()) {}
};

// The shown top-level window of that objectName, or null.
QWidget* ShownWindow(const QString& name);
// Waits until the window is shown; throws when it is not within timeoutMs.
QWidget* WaitForWindow(const QString& name, int timeoutMs);
// Waits until the window of that name is gone or hidden.
void WaitUntilClosed(const QString& name, int timeoutMs);
// Spins the event loop until the condition holds; throws with `what` when it does not in time.
void WaitUntil(const std::function<bool()>& condition, int timeoutMs, const QString& what);

// The named child of a window; throws when there is none.
QPushButton* Button(QWidget* window, const QString& name);
QAction* MenuItem(QWidget* window, const QString& name);
QString LabelText(QWidget* window, const QString& name);

// A mouse click on an enabled button.
void Click(QWidget* window, const QString& buttonName);
// Chooses an enabled menu item.
void Choose(QWidget* window, const QString& itemName);

// Chooses a save menu item and answers the file dialog it opens with `path`. Throws when no
// dialog appears within timeoutMs or when no file of that name is written.
void SaveThroughDialog(QWidget* window, const QString& itemName, const QString& path,
                       int timeoutMs);

// Saves a PNG of the window's contents.
void Grab(QWidget* window, const QString& path);

// Presses OK on every message box that opens while it lives, and keeps their texts.
class MessageBoxWatcher {
  public:
    MessageBoxWatcher();
    ~MessageBoxWatcher();
    MessageBoxWatcher(const MessageBoxWatcher&) = delete;
    MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

    // The texts seen since the last call.
    QStringList takeMessages();

  private:
    QTimer* timer_;
    QStringList messages_;
};

}  // namespace tour
