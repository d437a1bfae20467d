#include "link/dump_decoder.h"

#include "link/gauge_words.h"

namespace zepra {

std::optional<GroupDump> DumpDecoder::take(std::span<const std::uint8_t> bytes) {
    if (static_cast<int>(bytes.size()) != bytesNeeded()) return std::nullopt;  // nothing taken
    if (phase_ == Phase::WaitingForLength) {
        readingCount_ = bytes[0];
        dataBytes_ = (readingCount_ + 2) * 4;
        phase_ = Phase::Receiving;
        return std::nullopt;
    }
    auto value = [&bytes](int index) {
        return GaugeFloat(bytes.subspan(static_cast<std::size_t>(index) * 4).first<4>());
    };
    GroupDump dump;
    dump.readingCount = readingCount_;
    dump.highLimit = value(0);
    dump.lowLimit = value(1);
    dump.readings.reserve(static_cast<std::size_t>(readingCount_));
    for (int k = 0; k < readingCount_; ++k) dump.readings.push_back(value(k + 2));
    phase_ = Phase::WaitingForLength;
    return dump;
}

}  // namespace zepra
