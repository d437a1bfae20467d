#pragma once
// Cuts the gauge's live stream into 5-byte frames. Plain C++ with time as an input: bytes come in
// with the time they were seen, frames go out. A frame is 5 bytes counted from the last point where
// the stream was aligned; the stream realigns on a quiet line: bytes of an unfinished frame are
// dropped once no byte has arrived for kPartialFrameQuietMs, measured from the last arrival. The
// caller says when the line looks quiet (dropIfQuiet), having first taken in every byte the port
// holds: only it knows whether the program was busy while bytes were arriving.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "link/link_events.h"

namespace zepra {

// A quiet line this long (milliseconds) ends an unfinished frame: its bytes are dropped.
inline constexpr std::int64_t kPartialFrameQuietMs = 50;

// A flag byte, then the value as a gauge float (the flag's lowest bit set when it means anything).
using LiveFrame = std::array<std::uint8_t, 5>;

struct LiveFrameMeaning {
    LiveFrameKind kind = LiveFrameKind::Ignored;
    double value = 0.0;  // the reading, for LiveFrameKind::Reading
};
LiveFrameMeaning ReadLiveFrame(const LiveFrame& frame);

class LiveFrameDecoder {
  public:
    static constexpr int kFrameBytes = 5;

    // Bytes seen at nowMs, oldest first. Returns the frames they complete, in order.
    std::vector<LiveFrame> feed(std::span<const std::uint8_t> bytes, std::int64_t nowMs);

    // When the unfinished frame may be dropped: kPartialFrameQuietMs after the last arrival. Empty
    // when no frame is unfinished.
    std::optional<std::int64_t> quietDeadline() const;
    // Drops the unfinished frame when the line has been quiet since the last arrival for at least
    // kPartialFrameQuietMs at nowMs. Returns whether it dropped anything.
    bool dropIfQuiet(std::int64_t nowMs);

    // Bytes of the unfinished frame (0 when the stream stands between frames).
    int partialBytes() const { return partialCount_; }
    // Forget everything: the next byte starts a frame.
    void reset();

  private:
    LiveFrame partial_{};
    int partialCount_ = 0;
    std::int64_t lastArrivalMs_ = 0;
};

}  // namespace zepra
