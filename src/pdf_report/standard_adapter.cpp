#include "pdf_report/standard_adapter.h"

#include <algorithm>

namespace zepra::inspection {
namespace {

using coating::Standard;

const coating::Parameter* Find(const coating::Verdict& verdict, const std::string& name) {
    const auto found = std::find_if(verdict.parameters.begin(), verdict.parameters.end(),
                                    [&](const coating::Parameter& p) { return p.name == name; });
    return found == verdict.parameters.end() ? nullptr : &*found;
}

// ">= 80 um (80 % of NDFT)" without its ">= ".
std::string WithoutRelation(const std::string& required) {
    const bool related = required.rfind(">= ", 0) == 0 || required.rfind("<= ", 0) == 0;
    return related ? required.substr(3) : required;
}

std::optional<double> MicrometresOf(const coating::Parameter* parameter) {
    if (parameter == nullptr || !parameter->value) return std::nullopt;
    return parameter->value->micrometres;
}

}  // namespace

StandardSection JudgeReadings(const coating::CheckSetup& setup) {
    return {setup.request.standard, coating::ResolveCheck(setup)};
}

StandardTexts DescribeStandard(const StandardSection& section) {
    const coating::Verdict& verdict = section.verdict;
    StandardTexts texts;
    texts.name = coating::StandardName(section.standard);
    texts.error = verdict.error;
    texts.passed = verdict.passed();
    for (const coating::Parameter& p : verdict.parameters) {
        texts.parameters.push_back({p.name, p.text, p.origin});
    }
    for (const coating::Criterion& c : verdict.criteria) {
        texts.criteria.push_back({c.name, c.required, c.measured, c.passed});
    }
    for (const coating::Spot& spot : verdict.spots) {
        if (spot.readings.empty()) continue;
        texts.spots.push_back(std::to_string(spot.readings.front()) + "-" +
                              std::to_string(spot.readings.back()) + ": " + spot.mean);
    }
    texts.notes = verdict.notes;
    for (const coating::ReadingMark& mark : verdict.readings) {
        texts.outside.push_back(mark.outside);
        if (mark.excluded) texts.excluded.insert(mark.number);
    }
    if (!verdict.readings.empty()) {
        const std::size_t all = verdict.readings.size();
        texts.notes.push_back(
            "Readings given to the standard: " + std::to_string(all - texts.excluded.size()) +
            " of " + std::to_string(all) + " (" + std::to_string(texts.excluded.size()) +
            " excluded).");
    }

    const bool sspc = section.standard == Standard::SspcPa2;
    texts.lowLineName = sspc ? "minimum" : "NDFT";
    texts.lowLine = MicrometresOf(Find(verdict, sspc ? "Minimum" : "NDFT"));
    texts.highLine = MicrometresOf(Find(verdict, "Maximum"));
    // The bounds a single reading fails by are those of the rows on the lowest and the highest
    // reading (SSPC-PA 2 judges spots and has neither).
    std::vector<std::string> bounds;
    for (const coating::Criterion& c : verdict.criteria) {
        if (c.name == "Lowest reading") bounds.push_back("below " + WithoutRelation(c.required));
        if (c.name == "Highest reading") bounds.push_back("above " + WithoutRelation(c.required));
    }
    for (const std::string& bound : bounds) {
        texts.boundsExplanation += (texts.boundsExplanation.empty() ? "" : " or ") + bound;
    }
    if (!bounds.empty() && Find(verdict, "Roughness correction") != nullptr) {
        texts.boundsExplanation += ", after the roughness correction";
    }
    return texts;
}

}  // namespace zepra::inspection
