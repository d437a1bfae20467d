#include "ui/inspection_check.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>

#include "data/thickness_format.h"

namespace zepra {
namespace {

using coating::Thickness;
using coating::Unit;

std::string UnitText(std::int32_t unitIsMils) {
    return unitIsMils == 1 ? " mils" : " um";
}

// A group's limit as the group window shows it.
std::string LimitText(double micrometres, std::int32_t unitIsMils) {
    return FormatThickness(micrometres, unitIsMils) + UnitText(unitIsMils);
}

bool UsesLowLimit(StandardParameter parameter) {
    return parameter == StandardParameter::Ndft || parameter == StandardParameter::Minimum;
}

// A thickness field: the typed value, else the group's limit when the gauge holds a sensible one.
// Adds its line to `parameters`, or returns false with the reason in `error`.
bool ThicknessOf(StandardParameter parameter, const std::string& typed, const GroupSlot& group,
                 std::int32_t unitIsMils, std::optional<Thickness>& value,
                 std::vector<inspection::ParameterLine>& parameters, std::string& error) {
    const std::string name = ParameterName(parameter);
    if (!typed.empty()) {
        double number = 0;
        if (!ParseNumber(typed, number)) {
            error = name + ": \"" + typed + "\" is not a number.";
            return false;
        }
        value = Thickness{number, unitIsMils == 1 ? Unit::Mils : Unit::Micrometres};
        // As typed: a round trip through micrometres would show 12 mils as 11.99.
        parameters.push_back({name, NumberToText(number) + UnitText(unitIsMils), "given"});
        return true;
    }
    const bool low = UsesLowLimit(parameter);
    const double limit = low ? group.lowLimit : group.highLimit;
    const std::string which = low ? "low" : "high";
    if (!std::isfinite(limit) || limit <= 0) {
        error = "The group's " + which + " limit (" + NumberToText(limit) +
                ") cannot be used: give the " + name + ".";
        return false;
    }
    value = Thickness{limit};
    parameters.push_back({name, LimitText(limit, unitIsMils), "the group's " + which + " limit"});
    return true;
}

coating::Standard CoatingStandard(InspectionStandard standard) {
    switch (standard) {
        case InspectionStandard::ImoPspc:
            return coating::Standard::ImoPspc;
        case InspectionStandard::SspcPa2:
            return coating::Standard::SspcPa2;
        case InspectionStandard::None:
        case InspectionStandard::Iso19840:
            break;
    }
    return coating::Standard::Iso19840;
}

const char* RoughnessName(coating::Roughness roughness) {
    switch (roughness) {
        case coating::Roughness::Fine:
            return "fine";
        case coating::Roughness::Medium:
            return "medium";
        case coating::Roughness::Coarse:
            return "coarse";
        case coating::Roughness::None:
            break;
    }
    return "none";
}

}  // namespace

std::vector<StandardParameter> ParametersOf(InspectionStandard standard) {
    using P = StandardParameter;
    switch (standard) {
        case InspectionStandard::Iso19840:
            return {P::Ndft, P::Maximum, P::Roughness, P::Area};
        case InspectionStandard::ImoPspc:
            return {P::Ndft, P::Maximum};
        case InspectionStandard::SspcPa2:
            return {P::Minimum, P::Maximum};
        case InspectionStandard::None:
            break;
    }
    return {};
}

std::string ParameterName(StandardParameter parameter) {
    switch (parameter) {
        case StandardParameter::Ndft:
            return "NDFT";
        case StandardParameter::Minimum:
            return "Minimum";
        case StandardParameter::Maximum:
            return "Maximum";
        case StandardParameter::Roughness:
            return "Roughness";
        case StandardParameter::Area:
            break;
    }
    return "Area (m2)";
}

std::string DefaultText(StandardParameter parameter, const GroupSlot& group,
                        std::int32_t unitIsMils) {
    if (parameter == StandardParameter::Area) return "not given";
    if (parameter == StandardParameter::Roughness) return {};
    const bool low = UsesLowLimit(parameter);
    const double limit = low ? group.lowLimit : group.highLimit;
    if (!std::isfinite(limit) || limit <= 0)
        return "required: the group has no " + std::string(low ? "low" : "high") + " limit";
    return LimitText(limit, unitIsMils) + " (the group's " + (low ? "low" : "high") + " limit)";
}

bool ParseNumber(const std::string& text, double& value) {
    std::string plain = text;
    plain.erase(0, plain.find_first_not_of(' '));
    plain.erase(plain.find_last_not_of(' ') + 1);
    std::replace(plain.begin(), plain.end(), DecimalSeparator(), '.');
    if (plain.empty()) return false;
    const char* end = plain.data() + plain.size();
    const auto [ptr, ec] = std::from_chars(plain.data(), end, value);
    return ec == std::errc() && ptr == end && std::isfinite(value);
}

inspection::StandardSection JudgeChoice(const StandardChoice& choice, const GroupSlot& group,
                                        std::int32_t unitIsMils) {
    coating::CheckRequest request;
    request.standard = CoatingStandard(choice.standard);
    const std::int32_t count = std::clamp(group.readingCount, 0, GroupSlot::kCapacity);
    for (std::int32_t i = 0; i < count; ++i) {
        request.readings.push_back({group.readings[static_cast<std::size_t>(i)].value});
    }

    std::vector<inspection::ParameterLine> parameters;
    std::vector<inspection::Exclusion> exclusions;
    std::string error;
    auto fail = [&] {
        inspection::StandardSection section;
        section.request = request;
        section.verdict.error = error;
        return section;
    };
    for (const StandardParameter parameter : ParametersOf(choice.standard)) {
        bool ok = true;
        switch (parameter) {
            case StandardParameter::Ndft:
                ok = ThicknessOf(parameter, choice.ndft, group, unitIsMils, request.ndft,
                                 parameters, error);
                break;
            case StandardParameter::Minimum:
                ok = ThicknessOf(parameter, choice.minimum, group, unitIsMils, request.minimum,
                                 parameters, error);
                break;
            case StandardParameter::Maximum:
                ok = ThicknessOf(parameter, choice.maximum, group, unitIsMils, request.maximum,
                                 parameters, error);
                break;
            case StandardParameter::Roughness:
                request.roughness = choice.roughness;
                if (choice.roughness != coating::Roughness::None) {
                    parameters.push_back({"Roughness", RoughnessName(choice.roughness), "given"});
                }
                break;
            case StandardParameter::Area:
                if (!choice.area.empty()) {
                    double area = 0;
                    if (!ParseNumber(choice.area, area)) {
                        error = "Area: \"" + choice.area + "\" is not a number.";
                        ok = false;
                    } else {
                        request.areaSquareMetres = area;
                        parameters.push_back({"Area", NumberToText(area) + " m2", "given"});
                    }
                }
                break;
        }
        if (!ok) return fail();
    }

    for (const StandardChoice::ExcludedRow& row : choice.exclusions) {
        if (row.number.empty() && row.reason.empty()) continue;
        int number = 0;
        const char* end = row.number.data() + row.number.size();
        const auto [ptr, ec] = std::from_chars(row.number.data(), end, number);
        if (row.number.empty() || ec != std::errc() || ptr != end) {
            error = "Exclusions: \"" + row.number + "\" is not a reading number.";
            return fail();
        }
        if (row.reason.empty()) {
            error = "Exclusions: give the reason for leaving out reading " + row.number + ".";
            return fail();
        }
        exclusions.push_back({number, row.reason});
    }
    return inspection::JudgeReadings(request, std::move(parameters), std::move(exclusions),
                                     unitIsMils);
}

}  // namespace zepra
