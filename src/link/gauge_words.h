#pragma once
// The gauge's numbers on the wire: single-precision floats, least significant byte first.

#include <bit>
#include <cstdint>
#include <span>

namespace zepra {

inline std::uint32_t LittleEndianWord(std::span<const std::uint8_t, 4> bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

// A gauge value, widened unchanged.
inline double GaugeFloat(std::span<const std::uint8_t, 4> bytes) {
    return static_cast<double>(std::bit_cast<float>(LittleEndianWord(bytes)));
}

}  // namespace zepra
