#pragma once
// Pass or fail of a batch of dry-film thickness readings against a coating standard, as an
// inspector writes it down: one row per criterion (what was required, what was measured, pass or
// fail), the parameters used and where each came from, the readings left out and why, and the
// overall verdict. Every boundary is decided exactly on the decimals the inspector sees (see
// exact_value.h); the texts of the values come from number_texts.h.
//
// ResolveCheck is the one place that turns what was asked (options, a group's limits) into the
// verdict: the command line, the inspection report and the group windows all call it.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "coating/exact_value.h"
#include "coating/number_texts.h"

namespace zepra::coating {

enum class Standard {
    Iso19840,  // ISO 19840: mean, 80 % of NDFT, fewer than 20 % below NDFT, maximum
    ImoPspc,   // IMO PSPC 90/10 rule
    SspcPa2,   // SSPC-PA 2: spots of readings, areas of spots, restriction level 3
};

// Surface profile of the blasted steel (ISO 19840): subtracted from every reading.
enum class Roughness { None, Fine, Medium, Coarse };
double RoughnessCorrectionMicrometres(Roughness roughness);  // 0, 10, 25, 40

// Where the readings come from: the gauge's stored values, or a saved report's texts (rounded as
// the window showed them). Said in the first line of the output: the two can differ at a boundary.
enum class ReadingSource { GaugeValues, ReportTexts };

// A surface area as typed: "250" square metres, or square feet.
struct Surface {
    std::string text;
    bool squareFeet = false;
};

// A reading left out of the verdict (its number, counting from 1) and why: a weld seam, a slip.
struct Exclusion {
    int number = 0;
    std::string reason;
};

struct CheckRequest {
    Standard standard = Standard::Iso19840;
    std::vector<Thickness> readings;        // in list order
    std::optional<Thickness> ndft;          // nominal dry-film thickness: ISO 19840, IMO PSPC
    std::optional<Thickness> minimum;       // SSPC-PA 2
    std::optional<Thickness> maximum;       // required by SSPC-PA 2, optional otherwise
    Roughness roughness = Roughness::None;  // ISO 19840 only
    // ISO 19840 and IMO PSPC: for the least number of readings (square metres only); SSPC-PA 2:
    // for the number of areas to measure. Without it the count is not checked and the verdict
    // says so.
    std::optional<Surface> surface;
    // SSPC-PA 2. Empty: the standard's number (level 3, 3 readings a spot, 5 spots an area).
    std::optional<int> level;
    std::optional<int> readingsPerSpot;
    std::optional<int> spotsPerArea;
    // Every standard: readings left out and why.
    std::vector<Exclusion> exclusions;
};

struct Criterion {
    std::string name;
    std::string required;
    std::string measured;
    bool passed = false;
    // Added for records and reports: the rule in words, the values as numbers (a range has two
    // required values) and the number of readings, spots or areas the row judged.
    std::string rule;
    std::vector<Amount> requiredValues;
    std::vector<Amount> measuredValues;
    std::optional<std::int64_t> count;          // how many were counted (a count row) or judged
    std::optional<std::int64_t> requiredCount;  // a count row: the bound on count
};

// A spot of SSPC-PA 2: readings first..last (numbers counting from 1) and their mean.
struct Spot {
    int first = 0;
    int last = 0;
    double meanMicrometres = 0.0;
    std::string mean;  // text in the chosen unit
    // Added: the readings' numbers (not consecutive when one was excluded), the area the spot
    // belongs to (0: none, it is not used), and whether its mean lies within the spot limits.
    std::vector<int> readings;
    int area = 0;
    bool passed = false;
};

// An area of SSPC-PA 2: spots first..last (numbers counting from 1) and the mean of their means.
struct Area {
    int number = 0;
    int firstSpot = 0;
    int lastSpot = 0;
    Amount mean;
    bool passed = false;
};

// A parameter the check used and where it came from.
struct Parameter {
    std::string name;             // "NDFT", "Minimum", "Maximum", "Level", "Readings per spot", ...
    std::string text;             // "3 mils", "3 x NDFT = 90 um", "3"
    std::optional<Amount> value;  // for thicknesses
    std::string
        origin;  // "given", "the group's low limit", "the group's high limit", "the default"
};

// One reading as the report marks it.
struct ReadingMark {
    int number = 0;
    Amount value;          // as read, before any correction
    bool outside = false;  // outside the standard's bounds on a single reading (none for SSPC-PA 2)
    bool excluded = false;
    std::string reason;   // why it was excluded
    bool unused = false;  // SSPC-PA 2: not part of a whole spot and area
};

struct Verdict {
    // Set when the readings cannot be judged (a required value is missing or invalid, no
    // readings, a reading that is not a number); then nothing else is filled.
    std::string error;
    std::vector<Criterion> criteria;
    std::vector<Spot> spots;         // SSPC-PA 2
    std::vector<std::string> notes;  // scope, defaults used, readings left out

    bool passed() const;  // no error and every criterion passed
    // The readings could not be judged at all (none, every one excluded, one that is no number):
    // neither PASS nor FAIL. Not set by a usage error, which writes nothing.
    bool noVerdict() const { return !error.empty() && !errorIsUsage; }
    // What the verdict did not check, said beside it: "number of readings not checked: no surface
    // area given"; empty when everything was checked.
    std::string unchecked;

    // Added. errorIsUsage: the error is in what was asked (a limit, an exclusion), not in the
    // readings.
    bool errorIsUsage = false;
    std::string heading;  // "ISO 19840: 10 readings from group 2 (the gauge's values), in um"
    std::vector<Parameter> parameters;
    std::vector<Area> areas;            // SSPC-PA 2
    std::vector<ReadingMark> readings;  // every reading, in order
    bool outsideScope = false;          // ISO 19840 below 40 um NDFT: judged anyway
};

// The limits stored with a gauge group, in micrometres.
struct GroupLimits {
    double low = 0.0;
    double high = 0.0;
};

struct CheckSetup {
    CheckRequest request;           // limits as given; a missing one may come from the group
    Unit unit = Unit::Micrometres;  // of the texts
    ReadingSource source = ReadingSource::ReportTexts;
    std::string sourceName;            // "group 2", "the file a.csv"
    std::optional<GroupLimits> group;  // a missing NDFT or minimum is its low limit, a missing
                                       // maximum its high limit
};

// The whole check: parameters resolved, exclusions applied, rules judged.
Verdict ResolveCheck(const CheckSetup& setup);

// The rules alone on a request whose limits are all given (micrometres or mils texts).
Verdict CheckReadings(const CheckRequest& request, std::int32_t unitIsMils);

// ISO 19840: the least number of readings for an area; 0 for an area that is not a
// positive number of square metres.
int MinimumReadingsForArea(double squareMetres);

// "PASS", "FAIL" or "NO VERDICT"; empty for a usage error.
const char* VerdictWord(const Verdict& verdict);

inline constexpr const char* kCountNotChecked =
    "number of readings not checked: no surface area given";

// SSPC-PA 2: the number of areas to measure on a surface; 0 for a surface that is no positive
// decimal (at most 10^9).
int AreasToMeasure(const Surface& surface);

const char* StandardName(Standard standard);  // "ISO 19840", "IMO PSPC", "SSPC-PA 2"

}  // namespace zepra::coating
