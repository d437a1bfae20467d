#include "pdf_report/standard_adapter.h"

#include <algorithm>
#include <cctype>

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

// The unit's own sign in the report: " um" of the check's texts as " µm".
std::string Micro(std::string text) {
    for (std::size_t at = text.find(" um"); at != std::string::npos; at = text.find(" um", at)) {
        const std::size_t end = at + 3;
        if (end == text.size() || !std::isalnum(static_cast<unsigned char>(text[end])))
            text.replace(at + 1, 2, "\u00b5m");
        at = end;
    }
    return text;
}

}  // namespace

StandardSection JudgeReadings(const coating::CheckSetup& setup) {
    return {setup.request.standard, coating::ResolveCheck(setup), setup.source};
}

StandardTexts DescribeStandard(const StandardSection& section) {
    const coating::Verdict& verdict = section.verdict;
    StandardTexts texts;
    texts.name = coating::StandardName(section.standard);
    texts.error = verdict.error;
    texts.passed = verdict.passed();
    texts.verdictWord = coating::VerdictWord(verdict);
    texts.unchecked = verdict.unchecked;
    for (const coating::Parameter& p : verdict.parameters) {
        texts.parameters.push_back({p.name, Micro(p.text), p.origin});
    }
    for (const coating::Criterion& c : verdict.criteria) {
        texts.criteria.push_back({Micro(c.name), Micro(c.required), Micro(c.measured), c.passed});
        if (!c.passed) {
            texts.failing.push_back(Micro(c.name) + ": " + Micro(c.measured) + ", required " +
                                    Micro(c.required));
        }
    }
    texts.valuesJudged = section.source == coating::ReadingSource::GaugeValues
                             ? "the gauge's stored values"
                             : "the file's texts as written";
    for (const coating::Spot& spot : verdict.spots) {
        if (spot.readings.empty()) continue;
        texts.spots.push_back(std::to_string(spot.readings.front()) + "-" +
                              std::to_string(spot.readings.back()) + ": " + Micro(spot.mean));
    }
    // An exclusion's note holds the reason as typed: left as it is.
    for (const std::string& note : verdict.notes)
        texts.notes.push_back(note.find(" excluded: ") == std::string::npos ? Micro(note) : note);
    for (const coating::ReadingMark& mark : verdict.readings) {
        texts.outside.push_back(mark.outside);
        texts.belowNdft.push_back(mark.belowNdft);
        if (mark.excluded) texts.excluded.insert(mark.number);
    }
    const std::size_t all = verdict.readings.size();
    texts.judged = std::to_string(all - texts.excluded.size()) + " of " + std::to_string(all) +
                   " (" + std::to_string(texts.excluded.size()) + " excluded)";
    if (all > 0) texts.notes.push_back("Readings given to the standard: " + texts.judged + ".");

    const bool sspc = section.standard == Standard::SspcPa2;
    texts.lowLineName = sspc ? "minimum" : "NDFT";
    const coating::Parameter* low = Find(verdict, sspc ? "Minimum" : "NDFT");
    const coating::Parameter* high = Find(verdict, "Maximum");
    texts.lowLine = MicrometresOf(low);
    texts.highLine = MicrometresOf(high);
    if (low != nullptr) texts.lowLineText = Micro(low->text);
    if (section.standard == Standard::ImoPspc && low != nullptr) {
        texts.belowNdftExplanation =
            "below the NDFT (" + texts.lowLineText + "): allowed for at most 10 % of the readings";
    }
    if (high != nullptr) texts.highLineText = Micro(high->text);
    // The bounds a single reading fails by are those of the rows on the lowest and the highest
    // reading (SSPC-PA 2 judges spots and has neither).
    std::vector<std::string> bounds;
    for (const coating::Criterion& c : verdict.criteria) {
        if (c.name == "Lowest reading")
            bounds.push_back("below " + Micro(WithoutRelation(c.required)));
        if (c.name == "Highest reading")
            bounds.push_back("above " + Micro(WithoutRelation(c.required)));
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
