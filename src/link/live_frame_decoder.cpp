#include "link/live_frame_decoder.h"

namespace zepra {

std::vector<LiveFrame> LiveFrameDecoder::feed(std::span<const std::uint8_t> bytes,
                                              std::int64_t nowMs) {
    std::vector<LiveFrame> frames;
    if (bytes.empty()) return frames;
    lastArrivalMs_ = nowMs;
    for (std::uint8_t byte : bytes) {
        partial_[static_cast<std::size_t>(partialCount_++)] = byte;
        if (partialCount_ == kFrameBytes) {
            frames.push_back(partial_);
            partialCount_ = 0;
        }
    }
    return frames;
}

std::optional<std::int64_t> LiveFrameDecoder::quietDeadline() const {
    if (partialCount_ == 0) return std::nullopt;
    return lastArrivalMs_ + kQuietMs;
}

bool LiveFrameDecoder::dropIfQuiet(std::int64_t nowMs) {
    if (partialCount_ == 0 || nowMs - lastArrivalMs_ < kQuietMs) return false;
    partialCount_ = 0;
    return true;
}

void LiveFrameDecoder::reset() {
    partialCount_ = 0;
}

}  // namespace zepra
