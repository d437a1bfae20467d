#pragma once
// The link's clock on the Qt event loop: a monotonic elapsed timer, one precise single-shot timer
// for the wake-up, and queued calls for posted tasks.

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include "platform/link_clock.h"

namespace zepra {

class QtLinkClock final : public LinkClock {
  public:
    QtLinkClock();
    QtLinkClock(const QtLinkClock&) = delete;
    QtLinkClock& operator=(const QtLinkClock&) = delete;

    std::int64_t nowMs() const override;
    void wakeAt(std::int64_t atMs) override;
    void cancelWake() override;
    void post(std::function<void()> task) override;

  private:
    QElapsedTimer elapsed_;
    QTimer timer_;
    QObject context_;  // posted tasks die with the clock
};

}  // namespace zepra
