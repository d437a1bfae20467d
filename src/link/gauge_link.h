#pragma once
// The instrument link: one object that owns the conversation with the gauge over the serial port.
// It interprets incoming bytes according to store.receiveMode, sends the one-byte commands, stores
// downloaded groups and captured samples in the MeasurementStore and tells the windows through
// GaugeWindows. Everything runs on the Qt event loop (the timers are QTimers).

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <memory>

#include "data/measurement_store.h"
#include "link/gauge_windows.h"
#include "platform/serial_port.h"

namespace zepra {

// Messages of the link, exactly as the user sees them.
inline constexpr const char* kNoAnswerFromGauge = "No answer from the gauge!";
inline constexpr const char* kCaptureFull =
    "The capture is full: 50000 readings. New readings are shown but not recorded.";

// Timing of the link, in milliseconds.
inline constexpr int kDrainIntervalMs = 50;  // resynchronising the live stream after a pause
inline constexpr int kPartialFrameQuietMs =
    50;                                        // quiet line after which a partial frame is dropped
inline constexpr int kDownloadStallMs = 2000;  // no byte this long during a download: give up
inline constexpr int kDownloadStallCheckMs = 500;

class GaugeLink : public QObject {
    Q_OBJECT
  public:
    GaugeLink(MeasurementStore& store, SerialPort& port, GaugeWindows& windows,
              QObject* parent = nullptr);
    ~GaugeLink() override;

    // Button handlers of the main window.
    void requestGroup(
        GroupWindowId group);  // Cmd_Grp1_Click .. Cmd_Grp4_Click, Cmd_RealTimeGrp_Click
    void requestAllGroups();   // Cmd_AllGrp_Click
    void toggleRealTime();     // Cmd_RealTime_Click
    bool isSampling() const;   // Cmd_RealTime reads "Pause"

    // Around anything that may leave part of a live frame in the port (unit switch, save
    // dialogs). Each does nothing unless receiveMode is ModeLive.
    void suspendLiveStream();
    void resumeLiveStream();

    // The receive notification (connected to port.onDataReceived by the constructor).
    void onComm();

    // Live capture extremes (the main window's captureMax / captureMin).
    double captureMax() const;
    double captureMin() const;

    // The message for a dump that does not fit a slot. group is 0 for a single download, else the
    // group's number in an all-groups exchange.
    static std::string OversizeGroupMessage(int group, int readingCount);

  private:
    // Implementation details belong to the link's own sources.
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace zepra
