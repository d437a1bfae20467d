#pragma once
// A LinkClock whose time the test sets. Moving time on wakes the link at each wake-up it asked
// for, in order; posted tasks run when the test says the handler has returned (runPosted), and
// before and after every wake-up.

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <utility>

#include "platform/link_clock.h"

namespace zepra::testing {

class FakeLinkClock : public LinkClock {
  public:
    std::int64_t nowMs() const override { return now_; }
    void wakeAt(std::int64_t atMs) override { wake_ = atMs; }
    void cancelWake() override { wake_.reset(); }
    void post(std::function<void()> task) override { posted_.push_back(std::move(task)); }

    void runPosted() {
        while (!posted_.empty()) {
            std::function<void()> task = std::move(posted_.front());
            posted_.pop_front();
            task();
        }
    }
    // Time moves on to atMs; every wake-up due on the way happens at its time.
    void advanceTo(std::int64_t atMs) {
        runPosted();
        while (wake_ && *wake_ <= atMs) {
            now_ = std::max(now_, *wake_);
            wake_.reset();
            if (onWake) onWake();
            runPosted();
        }
        now_ = std::max(now_, atMs);
    }
    void advance(std::int64_t ms) { advanceTo(now_ + ms); }
    // Time moves on without the program noticing (it is busy): no wake-up happens.
    void jump(std::int64_t ms) { now_ += ms; }

    std::optional<std::int64_t> pendingWake() const { return wake_; }

  private:
    std::int64_t now_ = 1000;
    std::optional<std::int64_t> wake_;
    std::deque<std::function<void()>> posted_;
};

}  // namespace zepra::testing
