#pragma once
// The one place that reads the coating-standard types (coating::CheckRequest, coating::Verdict):
// the report's standard section as plain texts and the per-reading bounds it marks.

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "inspection/inspection_report.h"

namespace zepra::inspection {

struct CriterionRow {
    std::string name;
    std::string required;
    std::string measured;
    bool passed = false;
};

// A reading outside these bounds fails the standard on its own.
struct ReadingBounds {
    std::optional<double> belowFails;  // micrometres: a reading below this fails
    std::optional<double> aboveFails;  // micrometres: a reading above this fails
    std::string explanation;           // "below 80 um (80 % of NDFT) or above 300 um"
};

struct StandardTexts {
    std::string name;   // "ISO 19840"
    std::string error;  // the readings could not be judged
    std::vector<ParameterLine> parameters;
    std::vector<CriterionRow> criteria;
    std::vector<std::string> spots;  // "1-3: 120 um"
    std::vector<std::string> notes;  // the verdict's notes, then exclusions and scope
    bool passed = false;
    ReadingBounds bounds;
    std::set<std::int32_t> excluded;  // reading numbers
    // What the charts mark when the readings carry no limits of their own (a file): the low
    // bound of the standard (NDFT or minimum) and its maximum, micrometres.
    std::optional<double> lowLine;
    std::optional<double> highLine;
    std::string lowLineName;  // "NDFT" or "minimum"
};

StandardTexts DescribeStandard(const StandardSection& section, std::int32_t unitIsMils);

// For each reading of section.request: whether it lies outside texts.bounds, decided exactly.
std::vector<bool> OutsideBounds(const StandardSection& section);

}  // namespace zepra::inspection
