#include "link/live_frame_decoder.h"

#include <cmath>

#include "link/gauge_words.h"

namespace zepra {
namespace {

constexpr std::uint32_t kNoReadingPattern = 0x44A8C000;  // 1350.0
constexpr std::uint32_t kOverloadPattern = 0x44A8E000;   // 1351.0

}  // namespace

LiveFrameMeaning ReadLiveFrame(const LiveFrame& frame) {
    if ((frame[0] & 1) == 0) return {LiveFrameKind::Ignored, 0.0};
    const std::span<const std::uint8_t, 4> word(frame.data() + 1, 4);
    const std::uint32_t pattern = LittleEndianWord(word);
    if (pattern == kNoReadingPattern) return {LiveFrameKind::NoReading, 0.0};
    if (pattern == kOverloadPattern) return {LiveFrameKind::Overload, 0.0};
    const double value = GaugeFloat(word);
    if (!std::isfinite(value)) return {LiveFrameKind::NoReading, 0.0};  // not a reading either
    return {LiveFrameKind::Reading, value};
}

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
    return lastArrivalMs_ + kPartialFrameQuietMs;
}

bool LiveFrameDecoder::dropIfQuiet(std::int64_t nowMs) {
    if (partialCount_ == 0 || nowMs - lastArrivalMs_ < kPartialFrameQuietMs) return false;
    partialCount_ = 0;
    return true;
}

void LiveFrameDecoder::reset() {
    partialCount_ = 0;
}

}  // namespace zepra
