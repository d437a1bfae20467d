#pragma once
// The instrument link: one object that owns the conversation with the gauge over the serial port.
// It interprets incoming bytes according to store.receiveMode, sends the one-byte commands, stores
// downloaded groups and captured samples in the MeasurementStore and tells the windows through
// GaugeWindows. Plain C++: time and wake-ups come from a LinkClock, bytes from a SerialPort, so
// tests and the fuzz target drive it without an event loop.
//
// The port reports every arrival. The receive threshold of the gauge's protocol lives here: each
// exchange sets it to the number of bytes it expects next, and it decides, as it always has, which
// handler an arrival reaches (none while it is 0). It never hides bytes from the live stream:
// every live byte is seen with its time, so the stream stays aligned through suspensions and
// realigns on a quiet line.

#include <cstdint>
#include <memory>
#include <string>

#include "data/measurement_store.h"
#include "link/gauge_windows.h"
#include "platform/link_clock.h"
#include "platform/serial_port.h"

namespace zepra {

// Messages of the link, exactly as the user sees them.
inline constexpr const char* kNoAnswerFromGauge = "No answer from the gauge!";
inline constexpr const char* kCaptureFull =
    "The capture is full: 50000 readings. New readings are shown but not recorded.";

// Timing of the link, in milliseconds.
inline constexpr int kPartialFrameQuietMs =
    50;                                        // quiet line after which a partial frame is dropped
inline constexpr int kDownloadStallMs = 2000;  // no byte this long during a download: give up

class GaugeLink {
  public:
    GaugeLink(MeasurementStore& store, SerialPort& port, GaugeWindows& windows, LinkClock& clock);
    ~GaugeLink();
    GaugeLink(const GaugeLink&) = delete;
    GaugeLink& operator=(const GaugeLink&) = delete;

    // Button handlers of the main window.
    void requestGroup(
        GroupWindowId group);  // Cmd_Grp1_Click .. Cmd_Grp4_Click, Cmd_RealTimeGrp_Click
    void requestAllGroups();   // Cmd_AllGrp_Click
    void toggleRealTime();     // Cmd_RealTime_Click
    bool isSampling() const;   // Cmd_RealTime reads "Pause"

    // Around anything that keeps the program from capturing for a while (unit switch, save
    // dialogs). Frames that arrive in between are dropped whole; capture goes on with the first
    // frame that starts after the resume. Each does nothing unless receiveMode is ModeLive.
    void suspendLiveStream();
    void resumeLiveStream();

    // The receive notification (connected to port.onDataReceived by the constructor).
    void onComm();

    // The protocol's receive threshold: 0 none, 1 a length byte, n a dump's data, 5 (or 4 after a
    // suspension) live frames.
    int receiveThreshold() const;

    // Live capture extremes (the main window's captureMax / captureMin).
    double captureMax() const;
    double captureMin() const;

    // The message for a dump that does not fit a slot. group is 0 for a single download, else the
    // group's number in an all-groups exchange.
    static std::string OversizeGroupMessage(int group, int readingCount);
    // The message when the port reports the device gone; reason is a phrase from the port.
    static std::string DeviceGoneMessage(const std::string& reason);

  private:
    // Implementation details belong to the link's own sources.
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace zepra
