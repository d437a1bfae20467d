#pragma once
// What the link reports, for the command line: each event is handed to a callback of the command
// that runs. Problems nobody waits for are printed; the rest is ignored when unset.

#include <functional>
#include <string>

#include "link/link_events.h"

namespace zepra::cli {

// Prints a message of the link or the lookup on standard error, one line per line.
void PrintMessage(const std::string& text);

class CommandEvents final : public LinkEvents {
  public:
    std::function<void(LiveFrameKind kind, double value)> onLiveFrame;
    std::function<void(GroupWindowId group)> onGroupStored;  // the store holds the group
    std::function<void(const LinkProblem& problem)> onProblem;
    std::function<void()> onExchangeSettled;

    void activityChanged(LinkActivity) override {}
    void liveFrame(LiveFrameKind kind, double value) override {
        if (onLiveFrame) onLiveFrame(kind, value);
    }
    void sampleCaptured(std::int32_t) override {}  // the command line's link stores no samples
    void groupStored(GroupWindowId group) override {
        if (onGroupStored) onGroupStored(group);
    }
    void deviceGone(const std::string&) override {}  // its problem follows
    void exchangeSettled() override {
        if (onExchangeSettled) onExchangeSettled();
    }
    void problem(const LinkProblem& problem) override {
        if (onProblem) {
            onProblem(problem);
        } else {
            PrintMessage(ProblemText(problem));
        }
    }
};

}  // namespace zepra::cli
