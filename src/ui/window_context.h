#pragma once
// What every window of the program is given by the main window that creates it.

#include <functional>

#include "data/measurement_store.h"
#include "platform/clock_text.h"
#include "platform/message_box.h"
#include "platform/save_dialog.h"

namespace zepra {

struct WindowContext {
    MeasurementStore* store = nullptr;
    SaveDialog* saveDialog = nullptr;
    MessageBox* messageBox = nullptr;
    ClockText* clock = nullptr;
    // Pause the live stream around a save dialog; each does nothing unless sampling is live.
    std::function<void()> suspendLiveStream;
    std::function<void()> resumeLiveStream;
    // Toggles: close the window if it is open, otherwise show it modeless.
    std::function<void()> toggleAbout;
    std::function<void()> toggleRealTimeTrend;
    std::function<void()> toggleRealTimeHistogram;
};

}  // namespace zepra
