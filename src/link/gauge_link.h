#pragma once
// The instrument link: one object that owns the conversation with the gauge over the serial port.
// It interprets incoming bytes according to store.receiveMode, sends the one-byte commands, stores
// downloaded groups and captured samples in the MeasurementStore and tells the windows through
// GaugeWindows. Everything runs on the Qt event loop (the timers are QTimers).

#include <QObject>
#include <QTimer>
#include <cstdint>

#include "data/measurement_store.h"
#include "link/gauge_windows.h"
#include "platform/serial_port.h"

namespace zepra {

class GaugeLink : public QObject {
    Q_OBJECT
public:
    GaugeLink(MeasurementStore& store, SerialPort& port, GaugeWindows& windows,
              QObject* parent = nullptr);
    ~GaugeLink() override;

    // Button handlers of the main window.
    void requestGroup(GroupWindowId group);  // Cmd_Grp1_Click .. Cmd_Grp4_Click, Cmd_RealTimeGrp_Click
    void requestAllGroups();                 // Cmd_AllGrp_Click
    void toggleRealTime();                   // Cmd_RealTime_Click
    bool isSampling() const;                 // Cmd_RealTime reads "Pause"

    // Around anything that may leave part of a live frame in the port (unit switch, save
    // dialogs). Each does nothing unless receiveMode is ModeLive.
    void suspendLiveStream();
    void resumeLiveStream();

    // The receive notification (connected to port.onDataReceived by the constructor).
    void onComm();

    // Live capture extremes (the main window's captureMax / captureMin).
    double captureMax() const;
    double captureMin() const;

private:
    // Implementation details belong to the link's own sources.
    struct State;
    State* state_;
};

}  // namespace zepra
