#pragma once
// Frames one group dump by counting bytes. Plain C++, no port: the link hands it exactly the bytes
// it asks for, so bytes the dump does not need stay in the port. A dump is a length byte n, then
// (n + 2) values: the high limit, the low limit and n readings.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace zepra {

struct GroupDump {
    int readingCount = 0;  // n, as announced
    double highLimit = 0.0;
    double lowLimit = 0.0;
    std::vector<double> readings;  // n values
};

class DumpDecoder {
  public:
    enum class Phase { WaitingForLength, Receiving };

    // Waits for a new dump's length byte.
    void reset() { phase_ = Phase::WaitingForLength; }
    Phase phase() const { return phase_; }
    // How many bytes take() wants now: 1 for the length byte, then the dump's data bytes.
    int bytesNeeded() const { return phase_ == Phase::WaitingForLength ? 1 : dataBytes_; }
    // The data bytes of the dump under way ((n + 2) * 4); 0 before its length byte.
    int dataBytes() const { return phase_ == Phase::WaitingForLength ? 0 : dataBytes_; }

    // Takes exactly bytesNeeded() bytes (any other count is refused and changes nothing).
    // Returns the dump once its data is complete; the decoder then waits for the next length.
    std::optional<GroupDump> take(std::span<const std::uint8_t> bytes);

  private:
    Phase phase_ = Phase::WaitingForLength;
    int readingCount_ = 0;
    int dataBytes_ = 0;
};

}  // namespace zepra
