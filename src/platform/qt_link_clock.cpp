#include "platform/qt_link_clock.h"

#include <algorithm>
#include <utility>

namespace zepra {

QtLinkClock::QtLinkClock() {
    elapsed_.start();
    timer_.setSingleShot(true);
    // A coarse timer may fire early; a quiet line must really have lasted its time.
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, &context_, [this] {
        if (onWake) onWake();
    });
}

std::int64_t QtLinkClock::nowMs() const {
    return elapsed_.elapsed();
}

void QtLinkClock::wakeAt(std::int64_t atMs) {
    const std::int64_t delay = std::clamp<std::int64_t>(atMs - nowMs(), 0, 24 * 3600 * 1000);
    timer_.start(static_cast<int>(delay));
}

void QtLinkClock::cancelWake() {
    timer_.stop();
}

void QtLinkClock::post(std::function<void()> task) {
    QMetaObject::invokeMethod(&context_, std::move(task), Qt::QueuedConnection);
}

}  // namespace zepra
