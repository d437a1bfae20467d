#pragma once
// The one place that reads the coating-standard types: the report's standard section as plain
// texts, and what it marks on the readings and the charts.

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "pdf_report/pdf_report.h"

namespace zepra::inspection {

struct ParameterLine {
    std::string name;    // "NDFT"
    std::string value;   // "100 um"
    std::string origin;  // "the group's low limit"
};

struct CriterionRow {
    std::string name;
    std::string required;
    std::string measured;
    bool passed = false;
};

struct StandardTexts {
    std::string name;   // "ISO 19840"
    std::string error;  // the readings could not be judged
    std::vector<ParameterLine> parameters;
    std::vector<CriterionRow> criteria;
    std::vector<std::string> spots;  // "1-3: 120 um"
    std::vector<std::string> notes;  // the verdict's notes and how many readings it judged
    bool passed = false;
    std::string verdictWord;  // "PASS", "FAIL" or "NO VERDICT"
    std::string unchecked;    // what the verdict did not check, said beside it
    // The conclusion in words: each failing criterion ("Lowest reading: 70 um, required >= 80 um
    // (80 % of NDFT)"), the readings judged ("79 of 80 (1 excluded)") and what was judged.
    std::vector<std::string> failing;
    std::string judged;
    std::string valuesJudged;
    // What the S mark on a reading means: "below 80 % of the NDFT or above the maximum".
    std::string boundsExplanation;
    std::set<std::int32_t> excluded;  // reading numbers
    std::vector<bool> outside;        // per reading: outside the standard's single-reading bounds
    // IMO PSPC, per reading: below the NDFT (the N mark), and what the mark means.
    std::vector<bool> belowNdft;
    std::string belowNdftExplanation;
    // What the charts mark when the readings carry no limits of their own (a file): the low
    // bound of the standard (NDFT or minimum) and its maximum, micrometres.
    std::optional<double> lowLine;
    std::optional<double> highLine;
    std::string lowLineName;  // "NDFT" or "minimum"
    std::string lowLineText;  // as the parameter shows it: "62.5 um"
    std::string highLineText;
};

StandardTexts DescribeStandard(const StandardSection& section);

}  // namespace zepra::inspection
