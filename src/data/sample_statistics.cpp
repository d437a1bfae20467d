#include "data/sample_statistics.h"

#include <cmath>

#include "data/thickness_format.h"

namespace zepra {

namespace {

// Count, extremes and mean in one pass; strict comparisons, so equal values change nothing.
SampleStatistics ExtremesAndMean(std::span<const ReadingRecord> readings) {
    SampleStatistics stats;
    stats.count = static_cast<std::int32_t>(readings.size());
    stats.maximum = readings.front().value;
    stats.minimum = readings.front().value;
    double sum = 0;
    for (const ReadingRecord& record : readings) {
        if (record.value > stats.maximum) {
            stats.maximum = record.value;
        }
        if (record.value < stats.minimum) {
            stats.minimum = record.value;
        }
        sum += record.value;
    }
    stats.mean = sum / stats.count;
    return stats;
}

// Sum of squared deviations from the mean; in mils each term is converted before subtracting.
double SquaredDeviations(std::span<const ReadingRecord> readings, double mean,
                         std::int32_t unitIsMils) {
    double s = 0;
    for (const ReadingRecord& record : readings) {
        const double d = unitIsMils == 1
                             ? record.value / kMicrometresPerMil - mean / kMicrometresPerMil
                             : record.value - mean;
        s += d * d;
    }
    return s;
}

}  // namespace

SampleStatistics GroupStatistics(std::span<const ReadingRecord> readings, std::int32_t unitIsMils) {
    if (readings.empty()) {
        return {};
    }
    SampleStatistics stats = ExtremesAndMean(readings);
    double s = SquaredDeviations(readings, stats.mean, unitIsMils);
    if (stats.count > 1) {
        s = s / (stats.count - 1);
    }
    double d = std::sqrt(s);
    if (unitIsMils == 1) {
        d = d * kMicrometresPerMil;
    }
    stats.deviation = d;
    return stats;
}

SampleStatistics CaptureStatistics(std::span<const ReadingRecord> readings,
                                   std::int32_t unitIsMils) {
    if (readings.empty()) {
        return {};
    }
    SampleStatistics stats = ExtremesAndMean(readings);
    const double s = SquaredDeviations(readings, stats.mean, unitIsMils) / stats.count;
    stats.deviation = std::sqrt(s);
    return stats;
}

std::string UnitLine(std::int32_t unitIsMils) {
    return unitIsMils == 1 ? labels::kUnitLineMils : labels::kUnitLineMicrometres;
}

std::string FormatRebuiltStatistic(double x, std::int32_t unitIsMils, RebuiltFigure figure) {
    if (unitIsMils == 0) {
        return NumberToText(x >= 100 ? Truncate(x) : Truncate(x * 10) / 10);
    }
    if (figure == RebuiltFigure::Deviation) {
        return FormatStatisticInMils(x);
    }
    // Two or three decimals chosen on the micrometre value.
    const double scale = x >= 100 ? 100 : 1000;
    return NumberToText(Truncate(x * scale / kMicrometresPerMil) / scale);
}

std::string FormatRebuiltListText(double micrometres, std::int32_t unitIsMils) {
    const double x = micrometres;
    if (unitIsMils == 0) {
        return NumberToText(x >= 100 ? Truncate(x) : Truncate(x * 10) / 10);
    }
    // Same rule as the rebuilt statistics, but the factor is applied after the division.
    const double scale = x >= 100 ? 100 : 1000;
    return NumberToText(Truncate(x / kMicrometresPerMil * scale) / scale);
}

std::string FormatAxisValue(double micrometres, std::int32_t unitIsMils) {
    if (unitIsMils == 0) {
        return NumberToText(Truncate(micrometres * 10) / 10);
    }
    return NumberToText(Truncate(micrometres * 1000 / kMicrometresPerMil) / 1000);
}

}  // namespace zepra
