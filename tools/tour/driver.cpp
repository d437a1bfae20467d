#include "driver.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWidget>

namespace tour {
namespace {

QString Describe(const QWidget* window) {
    return window->objectName().isEmpty() ? QStringLiteral("(unnamed window)")
                                          : window->objectName();
}

// Into the dialog's file-name field, as a user types it. (selectFile() leaves a field that has the
// focus alone.)
void EnterFileName(QFileDialog* dialog, const QString& path) {
    if (auto* field = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
        field->setText(path);
    } else {
        dialog->selectFile(path);
    }
}

// The dialog's accepting button, as a user presses it.
void PressSave(QFileDialog* dialog) {
    if (auto* buttons = dialog->findChild<QDialogButtonBox*>()) {
        for (QAbstractButton* button : buttons->buttons()) {
            if (buttons->buttonRole(button) == QDialogButtonBox::AcceptRole &&
                button->isEnabled()) {
                QTest::mouseClick(button, Qt::LeftButton);
                return;
            }
        }
    }
    QMetaObject::invokeMethod(dialog, "accept");
}

}  // namespace

QWidget* ShownWindow(const QString& name) {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == name && widget->isVisible()) return widget;
    }
    return nullptr;
}

void WaitUntil(const std::function<bool()>& condition, int timeoutMs, const QString& what) {
    if (!QTest::qWaitFor(condition, timeoutMs)) {
        throw TourFailure(
            QStringLiteral("timed out after %1 ms waiting for %2").arg(timeoutMs).arg(what));
    }
}

QWidget* WaitForWindow(const QString& name, int timeoutMs) {
    WaitUntil([&] { return ShownWindow(name) != nullptr; }, timeoutMs,
              QStringLiteral("window %1 to open").arg(name));
    return ShownWindow(name);
}

void WaitUntilClosed(const QString& name, int timeoutMs) {
    WaitUntil([&] { return ShownWindow(name) == nullptr; }, timeoutMs,
              QStringLiteral("window %1 to close").arg(name));
}

QPushButton* Button(QWidget* window, const QString& name) {
    auto* button = window->findChild<QPushButton*>(name);
    if (button == nullptr) {
        throw TourFailure(QStringLiteral("%1 has no button %2").arg(Describe(window), name));
    }
    return button;
}

QAction* MenuItem(QWidget* window, const QString& name) {
    auto* item = window->findChild<QAction*>(name);
    if (item == nullptr) {
        throw TourFailure(QStringLiteral("%1 has no menu item %2").arg(Describe(window), name));
    }
    return item;
}

QString LabelText(QWidget* window, const QString& name) {
    auto* label = window->findChild<QLabel*>(name);
    if (label == nullptr) {
        throw TourFailure(QStringLiteral("%1 has no label %2").arg(Describe(window), name));
    }
    return label->text();
}

void Click(QWidget* window, const QString& buttonName) {
    QPushButton* button = Button(window, buttonName);
    if (!button->isEnabled() || !button->isVisible()) {
        throw TourFailure(
            QStringLiteral("button %1 of %2 cannot be pressed (%3)")
                .arg(buttonName, Describe(window),
                     button->isEnabled() ? QStringLiteral("hidden") : QStringLiteral("disabled")));
    }
    QTest::mouseClick(button, Qt::LeftButton);
}

void Choose(QWidget* window, const QString& itemName) {
    QAction* item = MenuItem(window, itemName);
    if (!item->isEnabled()) {
        throw TourFailure(
            QStringLiteral("menu item %1 of %2 is disabled").arg(itemName, Describe(window)));
    }
    item->trigger();
}

void SaveThroughDialog(QWidget* window, const QString& itemName, const QString& path,
                       int timeoutMs) {
    QAction* item = MenuItem(window, itemName);
    QFile::remove(path);

    // The dialog runs its own event loop inside the menu item's handler: a timer answers it,
    // presses Save again while it stays open, and closes whatever still blocks at the deadline.
    bool dialogSeen = false;
    bool done = false;
    QElapsedTimer clock;
    clock.start();
    QTimer answerer;
    answerer.setInterval(100);
    QObject::connect(&answerer, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        if (clock.elapsed() > timeoutMs) {
            if (modal != nullptr) modal->close();
            done = true;
        } else if (dialog != nullptr) {
            dialogSeen = true;
            EnterFileName(dialog, path);
            PressSave(dialog);
        } else if (dialogSeen) {
            done = true;
        }
    });
    answerer.start();
    item->trigger();
    // A dialog opened later than the handler's return is still answered, within the bound.
    static_cast<void>(
        QTest::qWaitFor([&] { return done || (dialogSeen && !QApplication::activeModalWidget()); },
                        timeoutMs + 1000));
    answerer.stop();

    if (!dialogSeen) {
        throw TourFailure(QStringLiteral("%1 of %2 opened no save dialog within %3 ms")
                              .arg(itemName, Describe(window))
                              .arg(timeoutMs));
    }
    const QFileInfo written(path);
    if (!written.exists() || written.size() == 0) {
        throw TourFailure(
            QStringLiteral("%1 of %2 wrote nothing to %3").arg(itemName, Describe(window), path));
    }
}

void Grab(QWidget* window, const QString& path) {
    QApplication::processEvents();
    if (!window->grab().save(path, "PNG")) {
        throw TourFailure(QStringLiteral("cannot write %1").arg(path));
    }
}

MessageBoxWatcher::MessageBoxWatcher() : timer_(new QTimer) {
    timer_->setInterval(100);
    QObject::connect(timer_, &QTimer::timeout, [this] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            if (box == nullptr || !box->isVisible()) continue;
            messages_ << box->text();
            if (QAbstractButton* ok = box->button(QMessageBox::Ok)) {
                ok->click();
            } else {
                box->close();
            }
        }
    });
    timer_->start();
}

MessageBoxWatcher::~MessageBoxWatcher() {
    delete timer_;
}

QStringList MessageBoxWatcher::takeMessages() {
    QStringList taken;
    taken.swap(messages_);
    return taken;
}

}  // namespace tour
