#pragma once
// What a group window shows of a downloaded group, as text: the list texts of its readings and its
// figures in the chosen unit. The group windows and the command line take them from here.

#include <cstdint>
#include <span>
#include <string>

#include "data/measurement_store.h"
#include "data/sample_statistics.h"

namespace zepra {

struct GroupTexts {
    SampleStatistics statistics;  // GroupStatistics of the readings
    // FormatThickness in the unit, without the label prefixes.
    std::string highLimit;
    std::string lowLimit;
    std::string mean;
    std::string minimum;
    std::string maximum;
    std::string deviation;
};

// Writes each reading's list text into the slot, and returns the figures. A slot without readings
// gets the limits only.
GroupTexts FillGroupTexts(GroupSlot& slot, std::int32_t unitIsMils);
// The same for a list of any length with the given limits (micrometres): the inspection report of
// a whole capture read from a file.
GroupTexts FillGroupTexts(std::span<ReadingRecord> records, double highLimit, double lowLimit,
                          std::int32_t unitIsMils);

}  // namespace zepra
