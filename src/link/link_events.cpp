#include "link/link_events.h"

#include <charconv>

#include "data/measurement_store.h"
#include "data/thickness_format.h"
#include "platform/ascii_case.h"

namespace zepra {

std::string OversizeGroupMessage(int group, int readingCount) {
    const std::string limit = NumberToText(GroupSlot::kCapacity);
    const std::string count = NumberToText(static_cast<std::int32_t>(readingCount));
    const std::string what = group == 0
                                 ? "a group of " + count + " readings"
                                 : "group " + NumberToText(static_cast<std::int32_t>(group)) +
                                       " with " + count + " readings";
    return "The gauge sent " + what + "; at most " + limit +
           " can be stored. The group was not stored.";
}

std::string NotAThicknessMessage(const std::string& which, double value) {
    // The gauge's float as its shortest text, the same in every locale.
    char number[32];
    const auto end = std::to_chars(number, number + sizeof number, static_cast<float>(value)).ptr;
    std::string text = which + " is not a thickness (" + std::string(number, end) + ")";
    text[0] = AsciiUpper(text[0]);
    return text + ". The group was not stored.";
}

std::string DeviceGoneMessage(const std::string& reason) {
    return "The gauge is no longer connected (" + reason + "). Plug it in again and press CONNECT.";
}

std::string ConnectedAgainMessage(const std::string& reason, const std::string& port) {
    return "The gauge was disconnected (" + reason + ") and is connected again on " + port + ".";
}

std::string ProblemText(const LinkProblem& problem) {
    switch (problem.kind) {
        case LinkProblem::Kind::NoAnswer:
            return kNoAnswerFromGauge;
        case LinkProblem::Kind::CaptureFull:
            return kCaptureFull;
        case LinkProblem::Kind::DeviceGone:
            return DeviceGoneMessage(problem.reason);
        case LinkProblem::Kind::NotAThickness:
            return problem.reason;
        case LinkProblem::Kind::FramingSlipped:
            return kFramingSlipped;
        case LinkProblem::Kind::GroupTooLarge:
            break;
    }
    std::string text;
    for (const OversizeGroup& group : problem.groups) {
        if (!text.empty()) text += "\r\n";
        text += OversizeGroupMessage(group.group, group.readingCount);
    }
    return text;
}

}  // namespace zepra
