#pragma once
// What the main window offers to the code that changes it without a click: the link's presenter
// (ui/presenter) and the port lookup. The main window implements it; tests record it. One call
// per control change, in the order the changes are made.

#include <cstdint>
#include <string>

#include "link/link_events.h"

namespace zepra {

// Controls of the main window that the link changes.
enum class MainControl {
    Connect,      // Cmd_Connect
    RealTime,     // Cmd_RealTime
    Grp1,         // Cmd_Grp1
    Grp2,         // Cmd_Grp2
    Grp3,         // Cmd_Grp3
    Grp4,         // Cmd_Grp4
    AllGrp,       // Cmd_AllGrp
    RealTimeGrp,  // Cmd_RealTimeGrp
    Unit,         // Cmd_Unit
    LabelData,    // labeldata, the big reading
    LabelNoPort,  // label_noport, "NO PORT"
    LabelUnit,    // labelunit, the big reading's unit word
};

// The texts of the real-time list after one captured sample. The mean and standard deviation
// (Label2, Label3) need every sample: the list computes them when it shows them.
struct CapturedSampleTexts {
    std::int32_t recordIndex = 0;  // index of the new record in RealTimeSamples
    std::int32_t unitIsMils = 0;   // the unit the sample was captured in
    std::string unitLine;          // Label7
    std::string count;             // Label1
    std::string maximum;           // Label4
    std::string minimum;           // Label5
};

class GaugeWindows {
  public:
    virtual ~GaugeWindows() = default;

    virtual void setEnabled(MainControl control, bool enabled) = 0;
    virtual void setShown(MainControl control, bool shown) = 0;
    // Captions: Cmd_RealTime ("RealTimeSamp" / "Pause"), labeldata, labelunit.
    virtual void setText(MainControl control, const std::string& text) = 0;

    // A modal message with one OK button; returns when it is dismissed. The link's messages come
    // only after its handlers have returned, one at a time.
    virtual void showMessage(const std::string& text) = 0;

    // Close the group window if it is visible, then open it on the store's current data.
    virtual void reopenGroupWindow(GroupWindowId window) = 0;

    // Show the real-time list window modeless, creating it first if it does not exist.
    virtual void showRealTimeList() = 0;
    // A live reading is about to be captured: set the real-time list's unit line, creating the
    // window unshown first if it does not exist (creation builds it from the samples captured so
    // far, without the coming one).
    virtual void setRealTimeUnitLine(const std::string& unitLine) = 0;
    // A sample was appended to RealTimeSamples: add it on top of the real-time list with its live
    // text and set the list's labels.
    virtual void sampleCaptured(const CapturedSampleTexts& texts) = 0;

    // The port reported that the device is gone; the link is idle again and the port closed.
    // Show the not-connected look; the link's message about it follows through showMessage.
    virtual void deviceGone(const std::string& reason) = 0;

    // Sampling stopped (the user paused it, or the gauge went away): the capture is complete.
    virtual void samplingStopped() {}
};

}  // namespace zepra
