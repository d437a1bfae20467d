#pragma once
// Time and wake-ups for the link: the link keeps no timers of its own. It asks for one wake-up at
// the earliest moment something is due (a quiet line, a stalled download) and decides on waking
// what is due. The real clock runs on the Qt event loop (qt_link_clock.h); tests and the fuzz
// target use a clock whose time they set.

#include <cstdint>
#include <functional>

namespace zepra {

class LinkClock {
  public:
    virtual ~LinkClock() = default;

    // Milliseconds on a monotonic clock.
    virtual std::int64_t nowMs() const = 0;
    // One pending wake-up: onWake runs at or after atMs, replacing any earlier request.
    virtual void wakeAt(std::int64_t atMs) = 0;
    virtual void cancelWake() = 0;
    // Runs task once the handler that is running now has returned (never from inside it).
    virtual void post(std::function<void()> task) = 0;

    // Set by the link.
    std::function<void()> onWake;
};

}  // namespace zepra
