#pragma once
// The instrument link: one object that owns the conversation with the gauge over the serial port.
// It sends the one-byte commands, frames what comes back (DumpDecoder for group dumps,
// LiveFrameDecoder for the live stream), stores dumps and captured samples in the
// MeasurementStore and reports what happened to its front end as LinkEvents. Plain C++: time and
// wake-ups come from a LinkClock, bytes from a SerialPort, so tests and the fuzz target drive it
// without an event loop.
//
// The store's receiveMode says which exchange runs (a group, all groups, the live stream, none);
// the port reports every arrival and the link handles it by that mode. Every live byte is seen
// with its time, also while capture is suspended, so the stream stays aligned through
// suspensions and realigns on a quiet line.

#include <cstdint>
#include <memory>
#include <optional>

#include "data/measurement_store.h"
#include "link/link_events.h"
#include "platform/link_clock.h"
#include "platform/serial_port.h"

namespace zepra {

// No byte this long (milliseconds) during a download: the gauge is not answering.
inline constexpr int kDownloadStallMs = 2000;
// A byte this soon (milliseconds) after a download's last dump means the framing slipped: the
// gauge sent more than its dumps announced.
inline constexpr int kExchangeQuietMs = 250;

class GaugeLink {
  public:
    // Where live readings go: the windows keep them in the store's real-time samples (at most
    // RealTimeSamples::kCapacity); the command line streams them and keeps none.
    enum class Samples { Stored, NotStored };

    GaugeLink(MeasurementStore& store, SerialPort& port, LinkEvents& events, LinkClock& clock,
              Samples samples = Samples::Stored);
    ~GaugeLink();
    GaugeLink(const GaugeLink&) = delete;
    GaugeLink& operator=(const GaugeLink&) = delete;

    // Requests of the main window's buttons.
    void requestGroup(GroupWindowId group);  // one group, or the gauge's current group
    void requestAllGroups();                 // the four groups in one exchange
    void toggleRealTime();                   // starts or stops sampling
    bool isSampling() const;

    // Around anything that keeps the program from capturing for a while (unit switch, save
    // dialogs). Frames that arrive in between are dropped whole; capture goes on with the first
    // frame that starts after the resume. Each does nothing unless the live stream runs.
    void suspendLiveStream();
    void resumeLiveStream();

    // The gauge protocol's receive threshold, as each exchange sets it: 0 none, 1 a length byte,
    // n a dump's data bytes, 5 live frames (4 after a suspension, 0 while suspended). While no
    // exchange runs, an arrival of at least this many bytes makes the link report itself idle.
    int receiveThreshold() const;

    // A group dump under way: which group (1 .. 4, or 5 for the current group), the data bytes
    // waiting in the port and the dump's size. Empty before the dump's length byte has arrived.
    struct DownloadProgress {
        int group = 0;
        int bytesWaiting = 0;
        int dataBytes = 0;
    };
    std::optional<DownloadProgress> downloadProgress() const;

  private:
    struct Parts;  // the decoders, the queue and the modes, in the link's own sources
    std::unique_ptr<Parts> parts_;
};

}  // namespace zepra
