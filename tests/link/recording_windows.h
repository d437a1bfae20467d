#pragma once
// GaugeWindows that writes down every call, in order, as a short line of text.

#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "ui/presenter/gauge_windows.h"

namespace zepra::testing {

inline const char* ControlName(MainControl control) {
    switch (control) {
        case MainControl::Connect:
            return "Connect";
        case MainControl::RealTime:
            return "RealTime";
        case MainControl::Grp1:
            return "Grp1";
        case MainControl::Grp2:
            return "Grp2";
        case MainControl::Grp3:
            return "Grp3";
        case MainControl::Grp4:
            return "Grp4";
        case MainControl::AllGrp:
            return "AllGrp";
        case MainControl::RealTimeGrp:
            return "RealTimeGrp";
        case MainControl::Unit:
            return "Unit";
        case MainControl::LabelData:
            return "labeldata";
        case MainControl::LabelNoPort:
            return "label_noport";
        case MainControl::LabelUnit:
            return "labelunit";
    }
    return "?";
}

class RecordingWindows : public GaugeWindows {
  public:
    void setEnabled(MainControl control, bool enabled) override {
        calls.push_back(std::string(enabled ? "enable " : "disable ") + ControlName(control));
    }
    void setShown(MainControl control, bool shown) override {
        calls.push_back(std::string(shown ? "show " : "hide ") + ControlName(control));
    }
    void setText(MainControl control, const std::string& text) override {
        calls.push_back(std::string("text ") + ControlName(control) + " " + text);
    }
    // A modal box: whileMessageOpen runs while it is open (the user has not pressed OK yet).
    void showMessage(const std::string& text) override {
        calls.push_back("message " + text);
        messages.push_back(text);
        if (messageOpen) nestedMessage = true;
        messageOpen = true;
        if (whileMessageOpen) {
            auto during = std::exchange(whileMessageOpen, nullptr);
            during();
        }
        messageOpen = false;
    }
    void reopenGroupWindow(GroupWindowId window) override {
        calls.push_back("reopen " + std::to_string(static_cast<int>(window)));
    }
    void showRealTimeList() override { calls.push_back("showRealTimeList"); }
    void setRealTimeUnitLine(const std::string& unitLine) override {
        calls.push_back("unitline " + unitLine);
    }
    void sampleCaptured(const CapturedSampleTexts& texts) override {
        calls.push_back("sample " + std::to_string(texts.recordIndex));
        samples.push_back(texts);
    }
    void deviceGone(const std::string& reason) override { calls.push_back("deviceGone " + reason); }
    // showMessage as a function, for the port lookup.
    std::function<void(const std::string&)> messageSink() {
        return [this](const std::string& text) { showMessage(text); };
    }

    // Calls whose text starts with prefix, in order.
    std::vector<std::string> callsStartingWith(const std::string& prefix) const {
        std::vector<std::string> found;
        for (const std::string& call : calls) {
            if (call.rfind(prefix, 0) == 0) found.push_back(call);
        }
        return found;
    }
    void clear() {
        calls.clear();
        messages.clear();
        samples.clear();
    }

    std::vector<std::string> calls;
    std::vector<std::string> messages;
    std::function<void()> whileMessageOpen;
    bool messageOpen = false;
    bool nestedMessage = false;  // a box was opened on top of another
    std::vector<CapturedSampleTexts> samples;
};

// The seven request buttons disabled, then enabled, as the recorder writes them.
inline const std::vector<std::string> kDisableAll = {
    "disable RealTime", "disable Grp1",   "disable Grp2",       "disable Grp3",
    "disable Grp4",     "disable AllGrp", "disable RealTimeGrp"};
inline const std::vector<std::string> kEnableAll = {
    "enable RealTime", "enable Grp1",   "enable Grp2",       "enable Grp3",
    "enable Grp4",     "enable AllGrp", "enable RealTimeGrp"};

inline std::vector<std::string> Join(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

}  // namespace zepra::testing
