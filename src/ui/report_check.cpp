#include "ui/report_check.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>

#include "data/thickness_format.h"
#include "data/typed_number.h"

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

// The decimal as typed (the coating rules decide on these digits, and show them as typed); empty
// with the reason when the number rule refuses it.
std::optional<Thickness> Typed(const std::string& typed, Unit unit, std::string& why) {
    const std::optional<double> value = ReadTypedDouble(typed, &why, true);
    if (!value) return std::nullopt;
    Thickness thickness{*value, unit, Trimmed(typed)};
    thickness.typed = true;
    return thickness;
}

// "NDFT: "8o" is not a number.", or with how to write a number that could be read two ways.
std::string NotANumber(const std::string& name, const std::string& typed, const std::string& why) {
    if (why.empty() || why == kNotADecimalNumber)
        return name + ": \"" + typed + "\" is not a number.";
    return name + ": \"" + typed + "\": " + why + ".";
}

// A whole number typed in a field: readings per spot, spots per area.
bool ParseCount(const std::string& text, int& value) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return !text.empty() && ec == std::errc() && ptr == end;
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

}  // namespace

std::vector<StandardParameter> ParametersOf(InspectionStandard standard) {
    using P = StandardParameter;
    switch (standard) {
        case InspectionStandard::Iso19840:
            return {P::Ndft, P::Maximum, P::Roughness, P::Area};
        case InspectionStandard::ImoPspc:
            return {P::Ndft, P::Maximum};
        case InspectionStandard::SspcPa2:
            return {P::Minimum, P::Maximum, P::ReadingsPerSpot, P::SpotsPerArea, P::Area};
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
        case StandardParameter::ReadingsPerSpot:
            return "Readings per spot";
        case StandardParameter::SpotsPerArea:
            return "Spots per area";
        case StandardParameter::Area:
            break;
    }
    return "Area (m2)";
}

std::string DefaultText(StandardParameter parameter, const GroupSlot& group,
                        std::int32_t unitIsMils) {
    if (parameter == StandardParameter::Area) return "not given";
    if (parameter == StandardParameter::Roughness) return {};
    if (parameter == StandardParameter::ReadingsPerSpot) return "3 (the standard's)";
    if (parameter == StandardParameter::SpotsPerArea) return "5 (the standard's)";
    const bool low = UsesLowLimit(parameter);
    const double limit = low ? group.lowLimit : group.highLimit;
    if (!std::isfinite(limit) || limit <= 0)
        return "required: the group has no " + std::string(low ? "low" : "high") + " limit";
    return LimitText(limit, unitIsMils) + " (the group's " + (low ? "low" : "high") + " limit)";
}

inspection::StandardSection JudgeChoice(const StandardChoice& choice, const GroupSlot& group,
                                        std::int32_t unitIsMils) {
    coating::CheckSetup setup;
    coating::CheckRequest& request = setup.request;
    request.standard = CoatingStandard(choice.standard);
    const Unit unit = unitIsMils == 1 ? Unit::Mils : Unit::Micrometres;
    setup.unit = unit;
    setup.source = coating::ReadingSource::GaugeValues;
    setup.sourceName = "the group";
    // An empty NDFT, minimum or maximum is the group's limit, as zepra-cli check takes it.
    setup.group = coating::GroupLimits{group.lowLimit, group.highLimit};
    const std::int32_t count = std::clamp(group.readingCount, 0, GroupSlot::kCapacity);
    for (std::int32_t i = 0; i < count; ++i) {
        request.readings.push_back({group.readings[static_cast<std::size_t>(i)].value});
    }

    auto fail = [&](const std::string& error) {
        inspection::StandardSection section;
        section.standard = request.standard;
        section.verdict.error = error;
        return section;
    };
    for (const StandardParameter parameter : ParametersOf(choice.standard)) {
        const std::string name = ParameterName(parameter);
        std::string why;
        auto thickness = [&](const std::string& typed, std::optional<Thickness>& value) {
            if (typed.empty()) return true;
            value = Typed(typed, unit, why);
            return value.has_value();
        };
        auto whole = [&](const std::string& typed, std::optional<int>& value) {
            if (typed.empty()) return true;
            int number = 0;
            if (!ParseCount(typed, number)) return false;
            value = number;
            return true;
        };
        bool ok = true;
        std::string typed;
        switch (parameter) {
            case StandardParameter::Ndft:
                ok = thickness(typed = choice.ndft, request.ndft);
                break;
            case StandardParameter::Minimum:
                ok = thickness(typed = choice.minimum, request.minimum);
                break;
            case StandardParameter::Maximum:
                ok = thickness(typed = choice.maximum, request.maximum);
                break;
            case StandardParameter::Roughness:
                request.roughness = choice.roughness;
                break;
            case StandardParameter::ReadingsPerSpot:
                ok = whole(typed = choice.readingsPerSpot, request.readingsPerSpot);
                break;
            case StandardParameter::SpotsPerArea:
                ok = whole(typed = choice.spotsPerArea, request.spotsPerArea);
                break;
            case StandardParameter::Area:
                typed = choice.area;
                if (typed.empty()) break;
                ok = ReadTypedNumber(typed, &why).has_value() ||
                     why == kNotADecimalNumber;  // the area's own message follows
                if (ok) request.surface = coating::Surface{Trimmed(typed), false};
                break;
        }
        if (!ok) return fail(NotANumber(name, typed, why));
    }

    for (const StandardChoice::ExcludedRow& row : choice.exclusions) {
        if (row.number.empty() && row.reason.empty()) continue;
        int number = 0;
        if (!ParseCount(row.number, number)) {
            return fail("Exclusions: \"" + row.number + "\" is not a reading number.");
        }
        if (row.reason.empty()) {
            return fail("Exclusions: give the reason for leaving out reading " + row.number + ".");
        }
        request.exclusions.push_back({number, row.reason});
    }
    return inspection::JudgeReadings(setup);
}

}  // namespace zepra
