#pragma once
// What the link tells its front end: what happened on the line, never what to show. The windows
// turn these events into labels and buttons (ui/presenter), the command line into output lines.

#include <cstdint>
#include <string>
#include <vector>

namespace zepra {

// The group windows: the four stored groups and the gauge's current group.
enum class GroupWindowId { Group1 = 1, Group2 = 2, Group3 = 3, Group4 = 4, Current = 5 };

// What the link is busy with. Downloads and sampling are each started by a request of the front
// end; the link reports when it is idle again (a download ended or failed, sampling stopped, or a
// frame arrived in a mode that has nothing to do with it).
enum class LinkActivity { Idle, Downloading, Sampling };

// A live frame, as the gauge meant it.
enum class LiveFrameKind {
    Reading,    // a reading: value holds it in micrometres
    NoReading,  // the gauge's no-reading value, or a value that is no number
    Overload,   // the gauge's overload value
    Ignored,    // the flag byte says the frame carries nothing to show
};

// A dump that did not fit a group slot. group is 0 for a single download, else the group's number
// in an all-groups exchange.
struct OversizeGroup {
    int group = 0;
    int readingCount = 0;
    bool operator==(const OversizeGroup&) const = default;
};

// Something the user must be told. The link hands these on after its handlers have returned, one
// at a time: the front end may show each in a modal box.
struct LinkProblem {
    enum class Kind {
        NoAnswer,        // a download stalled
        GroupTooLarge,   // groups holds the dumps that were not stored
        CaptureFull,     // the store holds as many samples as it can; later readings are not stored
        DeviceGone,      // reason holds the port's phrase
        NotAThickness,   // reason names the value; its group was not stored
        FramingSlipped,  // bytes came after the exchange's last dump: its groups may be wrong
    };
    Kind kind = Kind::NoAnswer;
    std::vector<OversizeGroup> groups;
    std::string reason;
    bool operator==(const LinkProblem&) const = default;
};

// The problem's text, exactly as the user sees it.
std::string ProblemText(const LinkProblem& problem);

// Texts of the problems, for the front ends that compare or build them.
inline constexpr const char* kNoAnswerFromGauge = "No answer from the gauge!";
inline constexpr const char* kFramingSlipped =
    "The gauge sent more bytes than the groups it announced: the download slipped out of step and "
    "its groups may be wrong. Download again.";
inline constexpr const char* kCaptureFull =
    "The capture is full: 50000 readings. New readings are shown but not recorded.";
std::string OversizeGroupMessage(int group, int readingCount);
// "group 2, reading 1" or "the current group, the high limit": which value of a dump.
std::string NotAThicknessMessage(const std::string& which, double value);
std::string DeviceGoneMessage(const std::string& reason);
// What the device-gone alert says instead once the gauge is connected again on `port` ("COM3"):
// CONNECT is greyed by then, so it must not ask for it.
std::string ConnectedAgainMessage(const std::string& reason, const std::string& port);

class LinkEvents {
  public:
    virtual ~LinkEvents() = default;

    virtual void activityChanged(LinkActivity activity) = 0;
    // A whole live frame while capturing (not while suspended or dropping a cut frame). For a
    // reading, the link has not stored it yet: sampleCaptured follows when it does.
    virtual void liveFrame(LiveFrameKind kind, double value) = 0;
    // The reading was appended to the store's real-time samples at index.
    virtual void sampleCaptured(std::int32_t index) = 0;
    // The store holds the group's new dump.
    virtual void groupStored(GroupWindowId group) = 0;
    // The port reported the device gone: the link is idle again and the port closed. A DeviceGone
    // problem follows once the handlers have returned.
    virtual void deviceGone(const std::string& reason) = 0;
    // See LinkProblem: called with no handler of the link running, one problem at a time.
    virtual void problem(const LinkProblem& problem) = 0;
    // A download's last dump was followed by a quiet line (kExchangeQuietMs): nothing slipped.
    virtual void exchangeSettled() {}
};

}  // namespace zepra
