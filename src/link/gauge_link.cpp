#include "link/gauge_link.h"

namespace zepra {

struct GaugeLink::State {
    MeasurementStore& store;
    SerialPort& port;
    GaugeWindows& windows;
    bool sampling = false;
    double captureMax = 0.0;
    double captureMin = 0.0;
};

GaugeLink::GaugeLink(MeasurementStore& store, SerialPort& port, GaugeWindows& windows,
                     QObject* parent)
    : QObject(parent), state_(new State{store, port, windows}) {
    port.onDataReceived = [this] { onComm(); };
}

GaugeLink::~GaugeLink() {
    delete state_;
}

void GaugeLink::requestGroup(GroupWindowId) {}
void GaugeLink::requestAllGroups() {}
void GaugeLink::toggleRealTime() {}
bool GaugeLink::isSampling() const {
    return state_->sampling;
}
void GaugeLink::suspendLiveStream() {}
void GaugeLink::resumeLiveStream() {}
void GaugeLink::onComm() {}
double GaugeLink::captureMax() const {
    return state_->captureMax;
}
double GaugeLink::captureMin() const {
    return state_->captureMin;
}

}  // namespace zepra
