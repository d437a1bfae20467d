#pragma once
// Turns what the link reports into what the main window and the real-time list show: captions,
// button states, the big reading, the list's labels and the message boxes. Plain C++: it talks to
// the windows through GaugeWindows, so the link's tests see the windows' calls as the user would.

#include <cstdint>
#include <span>
#include <string>

#include "data/measurement_store.h"
#include "link/link_events.h"
#include "ui/presenter/gauge_windows.h"

namespace zepra {

class LinkPresenter final : public LinkEvents {
  public:
    LinkPresenter(MeasurementStore& store, GaugeWindows& windows)
        : store_(store), windows_(windows) {}

    void activityChanged(LinkActivity activity) override;
    void liveFrame(LiveFrameKind kind, double value) override;
    void sampleCaptured(std::int32_t index) override;
    void groupStored(GroupWindowId group) override { windows_.reopenGroupWindow(group); }
    void deviceGone(const std::string& reason) override;
    void problem(const LinkProblem& problem) override;

    // Live capture extremes (the main window's captureMax / captureMin).
    double captureMax() const { return captureMax_; }
    double captureMin() const { return captureMin_; }

  private:
    MeasurementStore& store_;
    GaugeWindows& windows_;
    LinkActivity activity_ = LinkActivity::Idle;
    double captureMax_ = 0.0;
    double captureMin_ = 0.0;
};

// The main window's look once a port is open: CONNECT greyed, the request buttons and the reading
// shown. The start-up run also enables All_Grps; CONNECT leaves it as it was.
void ShowConnectedLook(bool atStartup, GaugeWindows& windows);

// The big reading as a screen reader says it: "Reading 121 um" from labeldata's and labelunit's
// captions, "No reading" for the dashes, "Overload" for OL.
std::string SpokenReading(const std::string& reading, const std::string& unit);

// The real-time list's mean and standard deviation labels over the captured samples, in the unit
// they were captured in. Two passes over the samples: computed when the list shows them.
struct CaptureStatisticsTexts {
    std::string mean;       // Label2
    std::string deviation;  // Label3
};
CaptureStatisticsTexts CaptureStatisticsLabels(std::span<const ReadingRecord> samples,
                                               std::int32_t unitIsMils);

}  // namespace zepra
