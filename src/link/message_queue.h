#pragma once
// The link's problems wait here until the handler that found them has returned, then reach the
// front end one at a time: a front end may show each in a modal box, which runs the event loop,
// and the link goes on handling bytes meanwhile. A problem found while one is shown waits for it.

#include <deque>
#include <functional>
#include <memory>

#include "link/link_events.h"
#include "platform/link_clock.h"

namespace zepra {

class MessageQueue {
  public:
    MessageQueue(LinkClock& clock, std::function<void(const LinkProblem&)> deliver)
        : clock_(clock), deliver_(std::move(deliver)) {}
    MessageQueue(const MessageQueue&) = delete;
    MessageQueue& operator=(const MessageQueue&) = delete;

    void post(LinkProblem problem);

  private:
    void deliverWaiting();

    LinkClock& clock_;
    std::function<void(const LinkProblem&)> deliver_;
    std::deque<LinkProblem> waiting_;
    bool posted_ = false;
    bool delivering_ = false;
    // Posted tasks and a delivery under way check it: the queue may be gone when they run on.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace zepra
