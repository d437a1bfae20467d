#pragma once
// Count, extremes, mean and standard deviation of a list of readings, and their label texts.

#include <cstdint>
#include <span>
#include <string>

#include "data/measurement_store.h"

namespace zepra {

struct SampleStatistics {
    std::int32_t count = 0;
    double maximum = 0.0;    // micrometres
    double minimum = 0.0;    // micrometres
    double mean = 0.0;       // micrometres
    double deviation = 0.0;  // GroupStatistics: micrometres; CaptureStatistics: the display unit
};

// Deviation over n - 1, returned in micrometres whatever the unit. Requires readings.size() >= 1.
SampleStatistics GroupStatistics(std::span<const ReadingRecord> readings, std::int32_t unitIsMils);
// Deviation over n, left in the display unit (mils when unitIsMils is 1). Requires size >= 1.
SampleStatistics CaptureStatistics(std::span<const ReadingRecord> readings,
                                   std::int32_t unitIsMils);

// Label prefixes, blanks included.
namespace labels {
inline constexpr const char* kGroupCount = "Counts:   ";
inline constexpr const char* kGroupMax = "Max:  ";
inline constexpr const char* kGroupMin = "Min:  ";
inline constexpr const char* kGroupMean = "Mean:  ";
inline constexpr const char* kDeviation = "Std.dev.:  ";
inline constexpr const char* kCaptureCount = "Counts:     ";
inline constexpr const char* kCaptureMaxAfterSample = "Max:        ";
inline constexpr const char* kCaptureMaxRebuilt = "Max:       ";
inline constexpr const char* kCaptureMin = "Min:       ";
inline constexpr const char* kCaptureMean = "Mean:      ";
inline constexpr const char* kUnitLineMils = "Unit:       mils";
inline constexpr const char* kUnitLineMicrometres = "Unit:        um";
inline constexpr const char* kHighLimit = "High-limit:  ";
inline constexpr const char* kLowLimit = "Low-limit:  ";
}  // namespace labels

// "Unit:       mils" or "Unit:        um".
std::string UnitLine(std::int32_t unitIsMils);

// The truncating rule of the real-time list when it is (re)built from the store.
enum class RebuiltFigure { Extreme, Mean, Deviation };  // Deviation: x is already in the unit
std::string FormatRebuiltStatistic(double x, std::int32_t unitIsMils, RebuiltFigure figure);
// The list text of a captured sample when the real-time list is rebuilt.
std::string FormatRebuiltListText(double micrometres, std::int32_t unitIsMils);

// The truncating rule of every chart axis value: micrometres to one decimal, mils to three.
std::string FormatAxisValue(double micrometres, std::int32_t unitIsMils);

}  // namespace zepra
