#pragma once
// Answering a modal dialog that a menu item opens: the item's handler runs the dialog's own event
// loop, so the answer comes from a timer.

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <functional>

namespace zepra::testing {

// Runs `trigger`; when it opens a modal dialog, calls `answer` with it (which accepts or rejects
// it, or closes what it belongs to; a dialog still open afterwards is rejected). Returns whether a
// dialog opened.
inline bool AnswerModal(const std::function<void()>& trigger,
                        const std::function<void(QDialog&)>& answer) {
    bool opened = false;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) return;
        poll.stop();
        opened = true;
        const QPointer<QDialog> open(dialog);
        answer(*dialog);
        if (open && open->isVisible()) open->reject();
    });
    poll.start();
    trigger();
    return opened;
}

}  // namespace zepra::testing
