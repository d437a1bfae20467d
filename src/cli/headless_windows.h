#pragma once
// What the link tells the windows, for a program without windows: each call is handed to a
// callback of the command that runs (unset callbacks ignore it). Buttons and labels other than the
// big reading have nothing to show here.

#include <functional>
#include <string>

#include "link/gauge_windows.h"

namespace zepra::cli {

class HeadlessWindows final : public GaugeWindows {
  public:
    std::function<void(const std::string& text)> onMessage;
    std::function<void(GroupWindowId group)> onGroupStored;  // the store holds the group
    std::function<void(const CapturedSampleTexts& texts)> onSampleCaptured;
    std::function<void(const std::string& text)> onReadingText;  // "----.-", "OL" or a reading

    void setEnabled(MainControl, bool) override {}
    void setShown(MainControl, bool) override {}
    void setText(MainControl control, const std::string& text) override {
        if (control == MainControl::LabelData && onReadingText) onReadingText(text);
    }
    void showMessage(const std::string& text) override {
        if (onMessage) onMessage(text);
    }
    void reopenGroupWindow(GroupWindowId window) override {
        if (onGroupStored) onGroupStored(window);
    }
    void showRealTimeList() override {}
    void setRealTimeUnitLine(const std::string&) override {}
    void sampleCaptured(const CapturedSampleTexts& texts) override {
        if (onSampleCaptured) onSampleCaptured(texts);
    }
    // The link is idle again and the port closed; its message follows through showMessage.
    void deviceGone(const std::string&) override {}
};

}  // namespace zepra::cli
