#pragma once
// Pass or fail of a batch of dry-film thickness readings against a coating standard, as an
// inspector writes it down: one row per criterion (what was required, what was measured, pass or
// fail) and the overall verdict. Every boundary is decided exactly on the values as given (see
// exact_value.h); the texts show them in the chosen unit with the statistic formatting of the
// real-time list.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "coating/exact_value.h"

namespace zepra::coating {

enum class Standard {
    Iso19840,  // ISO 19840: mean, 80 % of NDFT, fewer than 20 % below NDFT, maximum
    ImoPspc,   // IMO PSPC 90/10 rule
    SspcPa2,   // SSPC-PA 2: spots of three readings
};

// Surface profile of the blasted steel (ISO 19840): subtracted from every reading.
enum class Roughness { None, Fine, Medium, Coarse };
double RoughnessCorrectionMicrometres(Roughness roughness);  // 0, 10, 25, 40

struct CheckRequest {
    Standard standard = Standard::Iso19840;
    std::vector<Thickness> readings;         // in list order
    std::optional<Thickness> ndft;           // nominal dry-film thickness: ISO 19840, IMO PSPC
    std::optional<Thickness> minimum;        // SSPC-PA 2
    std::optional<Thickness> maximum;        // required by SSPC-PA 2, optional otherwise
    Roughness roughness = Roughness::None;   // ISO 19840 only
    std::optional<double> areaSquareMetres;  // ISO 19840 only
};

struct Criterion {
    std::string name;
    std::string required;
    std::string measured;
    bool passed = false;
};

// A spot of SSPC-PA 2: readings first..last (numbers counting from 1) and their mean.
struct Spot {
    int first = 0;
    int last = 0;
    double meanMicrometres = 0.0;
    std::string mean;  // text in the chosen unit
};

struct Verdict {
    // Set when the readings cannot be judged (a required value is missing or invalid, no
    // readings, a reading that is not a number); then nothing else is filled.
    std::string error;
    std::vector<Criterion> criteria;
    std::vector<Spot> spots;         // SSPC-PA 2
    std::vector<std::string> notes;  // how a value was chosen, readings left out

    bool passed() const;  // no error and every criterion passed
};

Verdict CheckReadings(const CheckRequest& request, std::int32_t unitIsMils);

// ISO 19840: the least number of readings for an area; 0 for an area that is not a
// positive number of square metres.
int MinimumReadingsForArea(double squareMetres);

const char* StandardName(Standard standard);  // "ISO 19840", "IMO PSPC", "SSPC-PA 2"

}  // namespace zepra::coating
