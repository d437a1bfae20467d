#include "inspection/standard_adapter.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "coating/exact_value.h"
#include "data/thickness_format.h"

namespace zepra::inspection {
namespace {

using coating::ExactValue;
using coating::Standard;
using coating::Thickness;
using coating::Unit;

// A value as the criteria rows write values.
std::string ValueText(double micrometres, std::int32_t unitIsMils) {
    return FormatStatistic(micrometres, unitIsMils, StatisticFigure::Extreme) +
           (unitIsMils == 1 ? " mils" : " um");
}

// The readings that are not excluded, with their numbers (counting from 1) in the full list.
struct Judged {
    std::vector<Thickness> readings;
    std::vector<std::int32_t> numbers;
};

Judged WithoutExclusions(const coating::CheckRequest& request, const std::set<std::int32_t>& out) {
    Judged judged;
    for (std::size_t i = 0; i < request.readings.size(); ++i) {
        const auto number = static_cast<std::int32_t>(i + 1);
        if (out.count(number)) continue;
        judged.readings.push_back(request.readings[i]);
        judged.numbers.push_back(number);
    }
    return judged;
}

std::string NumberOf(const Judged& judged, int judgedNumber) {
    const auto index = static_cast<std::size_t>(judgedNumber - 1);
    return index < judged.numbers.size() ? std::to_string(judged.numbers[index]) : "?";
}

}  // namespace

StandardSection JudgeReadings(const coating::CheckRequest& request,
                              std::vector<ParameterLine> parameters,
                              std::vector<Exclusion> exclusions, std::int32_t unitIsMils) {
    StandardSection section{request, {}, std::move(parameters), std::move(exclusions)};
    std::set<std::int32_t> out;
    const auto count = static_cast<std::int32_t>(request.readings.size());
    for (const Exclusion& exclusion : section.exclusions) {
        if (exclusion.number < 1 || exclusion.number > count) {
            section.verdict.error = "Reading " + std::to_string(exclusion.number) +
                                    " cannot be excluded: there are " + std::to_string(count) +
                                    " readings.";
            return section;
        }
        if (!out.insert(exclusion.number).second) {
            section.verdict.error =
                "Reading " + std::to_string(exclusion.number) + " is excluded twice.";
            return section;
        }
    }
    coating::CheckRequest judged = request;
    judged.readings = WithoutExclusions(request, out).readings;
    section.verdict = coating::CheckReadings(judged, unitIsMils);
    return section;
}

StandardTexts DescribeStandard(const StandardSection& section, std::int32_t unitIsMils) {
    const coating::CheckRequest& request = section.request;
    const coating::Verdict& verdict = section.verdict;
    StandardTexts texts;
    texts.name = coating::StandardName(request.standard);
    texts.error = verdict.error;
    texts.parameters = section.parameters;
    texts.passed = verdict.passed();
    for (const Exclusion& exclusion : section.exclusions) texts.excluded.insert(exclusion.number);
    const Judged judged = WithoutExclusions(request, texts.excluded);

    for (const coating::Criterion& c : verdict.criteria) {
        texts.criteria.push_back({c.name, c.required, c.measured, c.passed});
    }
    // Spot numbers count the judged readings; the report shows the numbers of the list.
    for (const coating::Spot& spot : verdict.spots) {
        texts.spots.push_back(NumberOf(judged, spot.first) + "-" + NumberOf(judged, spot.last) +
                              ": " + spot.mean);
    }
    texts.notes = verdict.notes;
    for (const Exclusion& exclusion : section.exclusions) {
        texts.notes.push_back("Reading " + std::to_string(exclusion.number) +
                              " excluded: " + exclusion.reason);
    }
    // The scope: which readings went to the standard at all.
    texts.notes.push_back(
        "Readings given to the standard: " + std::to_string(judged.readings.size()) + " of " +
        std::to_string(request.readings.size()) + " (" + std::to_string(section.exclusions.size()) +
        " excluded).");

    // Bounds that a single reading fails the standard by (SSPC-PA 2 judges spots, not readings).
    const double correction = RoughnessCorrectionMicrometres(request.roughness);
    const bool iso = request.standard == Standard::Iso19840;
    std::vector<std::string> parts;
    if (request.standard != Standard::SspcPa2 && request.ndft) {
        const double ndft = request.ndft->micrometres();
        const double share = iso ? 0.8 : 0.9;
        texts.bounds.belowFails = share * ndft + (iso ? correction : 0);
        parts.push_back("below " + ValueText(*texts.bounds.belowFails, unitIsMils) + " (" +
                        (iso ? "80" : "90") + " % of NDFT" +
                        (iso && correction > 0 ? " plus the roughness correction" : "") + ")");
        texts.lowLine = ndft;
        texts.lowLineName = "NDFT";
        const std::optional<double> maximum = request.maximum
                                                  ? std::optional(request.maximum->micrometres())
                                                  : (iso ? std::optional(3 * ndft) : std::nullopt);
        if (maximum) {
            texts.bounds.aboveFails = *maximum + (iso ? correction : 0);
            parts.push_back("above " + ValueText(*texts.bounds.aboveFails, unitIsMils));
            texts.highLine = *maximum;
        }
    } else if (request.standard == Standard::SspcPa2) {
        if (request.minimum) texts.lowLine = request.minimum->micrometres();
        texts.lowLineName = "minimum";
        if (request.maximum) texts.highLine = request.maximum->micrometres();
    }
    for (std::size_t i = 0; i < parts.size(); ++i) {
        texts.bounds.explanation += (i == 0 ? "" : " or ") + parts[i];
    }
    return texts;
}

std::vector<bool> OutsideBounds(const StandardSection& section) {
    const coating::CheckRequest& request = section.request;
    std::vector<bool> outside(request.readings.size(), false);
    if (request.standard == Standard::SspcPa2 || !request.ndft ||
        !std::isfinite(request.ndft->value)) {
        return outside;
    }
    // Decided exactly as the criteria decide them: 5 v < 4 NDFT (ISO 19840, on the corrected
    // reading), 10 v < 9 NDFT (IMO PSPC), v > maximum (3 x NDFT for ISO 19840 without one).
    const bool iso = request.standard == Standard::Iso19840;
    const ExactValue correction(Thickness{
        iso ? RoughnessCorrectionMicrometres(request.roughness) : 0.0, Unit::Micrometres});
    const ExactValue ndft(*request.ndft);
    std::optional<ExactValue> maximum;
    if (request.maximum && std::isfinite(request.maximum->value)) {
        maximum = ExactValue(*request.maximum);
    } else if (iso) {
        maximum = ndft * 3;
    }
    for (std::size_t i = 0; i < outside.size(); ++i) {
        if (!std::isfinite(request.readings[i].value)) continue;
        const ExactValue v = ExactValue(request.readings[i]) - correction;
        const bool low = iso ? v * 5 < ndft * 4 : v * 10 < ndft * 9;
        outside[i] = low || (maximum && v > *maximum);
    }
    return outside;
}

}  // namespace zepra::inspection
