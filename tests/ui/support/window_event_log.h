#pragma once
// Records, in order, the show and close events of top-level windows: "show FrmGrpOne",
// "close frmAbout", ... Install it while the program's windows are driven.

#include <QApplication>
#include <QEvent>
#include <QObject>
#include <QWidget>
#include <string>
#include <vector>

namespace zepra::testing {

class WindowEventLog : public QObject {
  public:
    WindowEventLog() { qApp->installEventFilter(this); }
    ~WindowEventLog() override { qApp->removeEventFilter(this); }

    std::vector<std::string> events;

  protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        const auto* widget = qobject_cast<const QWidget*>(object);
        if (widget != nullptr && widget->isWindow() &&
            (event->type() == QEvent::Show || event->type() == QEvent::Close)) {
            events.push_back((event->type() == QEvent::Show ? "show " : "close ") +
                             widget->objectName().toStdString());
        }
        return false;
    }
};

}  // namespace zepra::testing
