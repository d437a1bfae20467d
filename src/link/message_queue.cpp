#include "link/message_queue.h"

namespace zepra {

void MessageQueue::post(LinkProblem problem) {
    waiting_.push_back(std::move(problem));
    if (posted_ || delivering_) return;
    posted_ = true;
    clock_.post([this, guard = std::weak_ptr<int>(alive_)] {
        if (guard.expired()) return;
        posted_ = false;
        deliverWaiting();
    });
}

void MessageQueue::deliverWaiting() {
    if (delivering_) return;
    delivering_ = true;
    const std::weak_ptr<int> guard = alive_;
    while (!waiting_.empty()) {
        const LinkProblem problem = std::move(waiting_.front());
        waiting_.pop_front();
        deliver_(problem);  // may run the event loop until the user dismisses it
        if (guard.expired()) return;
    }
    delivering_ = false;
}

}  // namespace zepra
