#pragma once
// The standard part of the inspection dialog as plain data: what the user typed, turned into the
// check of the coating rules and the section the PDF report prints. This is the only place in the
// windows that builds a coating::CheckRequest.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "coating/coating_standards.h"
#include "data/measurement_store.h"
#include "pdf_report/pdf_report.h"

namespace zepra {

enum class InspectionStandard { None, Iso19840, ImoPspc, SspcPa2 };

// The parameters a standard takes, one entry per row of the dialog.
enum class StandardParameter {
    Ndft,
    Minimum,
    Maximum,
    Roughness,
    ReadingsPerSpot,
    SpotsPerArea,
    Area
};
std::vector<StandardParameter> ParametersOf(InspectionStandard standard);

// The row's label without the unit: "NDFT", "Minimum", "Maximum", "Roughness",
// "Readings per spot", "Spots per area", "Area (m2)".
std::string ParameterName(StandardParameter parameter);

// The standard's part as typed. Thickness fields are in the store's unit; an empty one takes the
// group's limit (the low limit for NDFT and Minimum, the high limit for Maximum), as zepra-cli
// check does.
struct StandardChoice {
    InspectionStandard standard = InspectionStandard::None;
    std::string ndft;
    std::string minimum;
    std::string maximum;
    coating::Roughness roughness = coating::Roughness::None;
    std::string readingsPerSpot;  // SSPC-PA 2; empty: the standard's 3
    std::string spotsPerArea;     // SSPC-PA 2; empty: the standard's 5
    std::string area;             // square metres; empty: not given

    // One per row of the exclusions table; rows with both cells empty are skipped.
    struct ExcludedRow {
        std::string number;
        std::string reason;
    };
    std::vector<ExcludedRow> exclusions;
};

// The text a field shows when empty: "75 (the group's low limit)"; an empty text for a field
// without a default.
std::string DefaultText(StandardParameter parameter, const GroupSlot& group,
                        std::int32_t unitIsMils);

// Judges the group's readings by the choice (a standard other than None): the section the dialog
// shows and the report prints. A choice that cannot be judged (a field that is not a number, a
// group limit that cannot stand in, an exclusion without a reason) has verdict.error set.
inspection::StandardSection JudgeChoice(const StandardChoice& choice, const GroupSlot& group,
                                        std::int32_t unitIsMils);

}  // namespace zepra
