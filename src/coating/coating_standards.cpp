#include "coating/coating_standards.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

namespace zepra::coating {
namespace {

constexpr std::int64_t kLargestArea = 1'000'000'000;  // square metres or feet; beyond: a typo
constexpr int kMostPerGroup = 1000;                   // readings a spot, spots an area

// A reading that takes part in the rules: its number and its value after any correction.
struct Used {
    int number = 0;
    ExactValue value;
};

struct Context {
    NumberTexts display;
    std::vector<Used> used;  // in order, exclusions left out
    std::vector<Used> all;   // every reading, for the marks; empty when none is excluded
    Verdict& verdict;

    std::int64_t n() const { return static_cast<std::int64_t>(used.size()); }
    // Every reading, excluded ones too.
    const std::vector<Used>& every() const { return all.empty() ? used : all; }
    ExactValue sum() const {
        ExactValue total;
        for (const Used& u : used) total += u.value;
        return total;
    }
    ExactValue lowest() const {
        return std::min_element(used.begin(), used.end(),
                                [](const Used& a, const Used& b) { return a.value < b.value; })
            ->value;
    }
    ExactValue highest() const {
        return std::max_element(used.begin(), used.end(),
                                [](const Used& a, const Used& b) { return a.value < b.value; })
            ->value;
    }
    // Marks every reading, excluded ones too, that lies outside the bounds on a single reading.
    template <typename Outside>
    void mark(Outside outside) {
        for (const Used& u : every()) {
            verdict.readings[static_cast<std::size_t>(u.number - 1)].outside = outside(u.value);
        }
    }
};

// "every reading <= maximum": the row shared by all three standards.
Criterion HighestReading(const Context& c, const ExactValue& maximum, Amount shown,
                         const std::string& suffix) {
    const ExactValue highest = c.highest();
    const Amount value = c.display.apart(RatioOf(highest), {{RatioOf(maximum), &shown}});
    return {"Highest reading",
            "<= " + c.display.withUnit(shown) + suffix,
            c.display.withUnit(value),
            highest <= maximum,
            "every reading <= maximum",
            {shown},
            {value},
            c.n(),
            {}};
}

void CheckIso19840(Context& c, const ExactValue& ndft, Amount ndftShown,
                   const std::optional<ExactValue>& maximum, const Amount& maximumShown) {
    const NumberTexts& d = c.display;
    const std::int64_t n = c.n();
    if (ndft < ExactValue::FromUnits(40 * ExactValue::kUnitsPerMicrometre)) {
        c.verdict.outsideScope = true;
        c.verdict.notes.push_back(
            "Outside the standard's scope: ISO 19840 applies to an NDFT of 40 um or more; the "
            "rules are applied as they stand.");
    }
    const ExactValue sum = c.sum();
    // mean >= NDFT  <=>  sum >= n * NDFT
    const Amount mean = d.apart({sum.units(), n}, {{RatioOf(ndft), &ndftShown}});
    c.verdict.criteria.push_back({"Mean of all readings",
                                  ">= " + d.withUnit(ndftShown) + " (NDFT)",
                                  d.withUnit(mean),
                                  sum >= ndft * n,
                                  "mean >= NDFT",
                                  {ndftShown},
                                  {mean},
                                  n,
                                  {}});

    // every reading >= 80 % of NDFT  <=>  5 x >= 4 NDFT
    std::int64_t between = 0;  // from 80 % of NDFT up to but below NDFT
    bool allAbove80 = true;
    const ExactValue highLimit = maximum ? *maximum : ndft * 3;
    for (const Used& u : c.used) {
        const bool atLeast80 = u.value * 5 >= ndft * 4;
        allAbove80 = allAbove80 && atLeast80;
        if (atLeast80 && u.value < ndft) ++between;
    }
    c.mark([&](const ExactValue& v) { return v * 5 < ndft * 4 || v > highLimit; });
    Amount eighty = d.computed(RatioOf(ndft * 4, 5));
    const Amount lowest = d.apart(RatioOf(c.lowest()), {{RatioOf(ndft * 4, 5), &eighty}});
    c.verdict.criteria.push_back({"Lowest reading",
                                  ">= " + d.withUnit(eighty) + " (80 % of NDFT)",
                                  d.withUnit(lowest),
                                  allAbove80,
                                  "every reading >= 80 % of NDFT",
                                  {eighty},
                                  {lowest},
                                  n,
                                  {}});
    // fewer than 20 % of the readings  <=>  5 * between < n
    c.verdict.criteria.push_back(
        {"Readings from 80 % of NDFT to below NDFT",
         "fewer than 20 % of " + std::to_string(n) + " (at most " + std::to_string((n - 1) / 5) +
             ")",
         CountOf(between, n, 20),
         5 * between < n,
         "fewer than 20 % of the readings from 80 % of NDFT up to below NDFT",
         {},
         {},
         between,
         (n - 1) / 5});
    if (maximum) {
        c.verdict.criteria.push_back(HighestReading(c, *maximum, maximumShown, ""));
    } else {
        c.verdict.criteria.push_back(HighestReading(c, highLimit, maximumShown, " (3 x NDFT)"));
    }
}

void CheckImoPspc(Context& c, const ExactValue& ndft, const std::optional<ExactValue>& maximum,
                  const Amount& maximumShown, const Amount& ndftShown) {
    const NumberTexts& d = c.display;
    const std::int64_t n = c.n();
    std::int64_t atLeastNdft = 0;
    bool noneBelow90 = true;
    for (const Used& u : c.used) {
        if (u.value >= ndft) ++atLeastNdft;
        // below 90 % of NDFT  <=>  10 x < 9 NDFT
        const bool below90 = u.value * 10 < ndft * 9;
        if (below90) noneBelow90 = false;
    }
    c.mark([&](const ExactValue& v) { return v * 10 < ndft * 9 || (maximum && v > *maximum); });
    for (const Used& u : c.every())
        c.verdict.readings[static_cast<std::size_t>(u.number - 1)].belowNdft = u.value < ndft;
    // at least 90 % of the readings  <=>  10 * count >= 9 n
    c.verdict.criteria.push_back({"Readings at or above NDFT (" + d.withUnit(ndftShown) + ")",
                                  "at least 90 % of " + std::to_string(n) + " (at least " +
                                      std::to_string((9 * n + 9) / 10) + ")",
                                  CountOf(atLeastNdft, n, 90),
                                  10 * atLeastNdft >= 9 * n,
                                  "at least 90 % of the readings >= NDFT",
                                  {ndftShown},
                                  {},
                                  atLeastNdft,
                                  (9 * n + 9) / 10});
    Amount ninety = d.computed(RatioOf(ndft * 9, 10));
    const Amount lowest = d.apart(RatioOf(c.lowest()), {{RatioOf(ndft * 9, 10), &ninety}});
    c.verdict.criteria.push_back({"Lowest reading",
                                  ">= " + d.withUnit(ninety) + " (90 % of NDFT)",
                                  d.withUnit(lowest),
                                  noneBelow90,
                                  "every reading >= 90 % of NDFT",
                                  {ninety},
                                  {lowest},
                                  n,
                                  {}});
    if (maximum) c.verdict.criteria.push_back(HighestReading(c, *maximum, maximumShown, ""));
}

struct SspcShape {
    int readingsPerSpot = 3;
    int spotsPerArea = 5;
    int areasNeeded = 0;  // 0: no surface given
    std::string surfaceText;
};

void CheckSspcPa2(Context& c, const ExactValue& minimum, const ExactValue& maximum,
                  const Amount& minimumShown, const Amount& maximumShown, const SspcShape& shape) {
    const NumberTexts& d = c.display;
    const auto perSpot = static_cast<std::size_t>(shape.readingsPerSpot);
    const auto perArea = static_cast<std::size_t>(shape.spotsPerArea);
    const std::size_t spotCount = c.used.size() / perSpot;
    const std::size_t areaCount = spotCount / perArea;

    // Spots: a spot's sum stands for its mean (sum / N).
    std::vector<ExactValue> spotSums;
    for (std::size_t s = 0; s < spotCount; ++s) {
        Spot spot;
        ExactValue sum;
        for (std::size_t k = 0; k < perSpot; ++k) {
            const Used& u = c.used[s * perSpot + k];
            sum += u.value;
            spot.readings.push_back(u.number);
        }
        const auto n = static_cast<std::int64_t>(perSpot);
        // Told apart from the spot limits it is judged by.
        Amount lowLimit;
        Amount highLimit;
        const Amount mean = d.apart({sum.units(), n}, {{RatioOf(minimum * 4, 5), &lowLimit},
                                                       {RatioOf(maximum * 6, 5), &highLimit}});
        spot.first = spot.readings.front();
        spot.last = spot.readings.back();
        spot.meanMicrometres = mean.micrometres;
        spot.mean = d.withUnit(mean);
        spot.area = s < areaCount * perArea ? static_cast<int>(s / perArea) + 1 : 0;
        // level 3: 80 % of minimum <= mean <= 120 % of maximum
        //   <=>  5 sum >= 4 N minimum  and  5 sum <= 6 N maximum
        spot.passed = sum * 5 >= minimum * (4 * n) && sum * 5 <= maximum * (6 * n);
        spotSums.push_back(sum);
        c.verdict.spots.push_back(spot);
    }

    // Readings and spots that do not fill a whole spot or area.
    std::vector<int> spareReadings;
    for (std::size_t k = spotCount * perSpot; k < c.used.size(); ++k) {
        spareReadings.push_back(c.used[k].number);
    }
    for (const Spot& spot : c.verdict.spots) {
        if (spot.area == 0)
            spareReadings.insert(spareReadings.end(), spot.readings.begin(), spot.readings.end());
    }
    std::sort(spareReadings.begin(), spareReadings.end());
    for (int number : spareReadings) {
        c.verdict.readings[static_cast<std::size_t>(number - 1)].unused = true;
    }
    const std::size_t spareSpots = spotCount - areaCount * perArea;
    const std::size_t looseReadings = c.used.size() - spotCount * perSpot;
    if (looseReadings > 0 || spareSpots > 0) {
        std::string what;
        if (looseReadings > 0)
            what = Plural(static_cast<std::int64_t>(looseReadings), "reading", "readings");
        if (spareSpots > 0) {
            what += (what.empty() ? "" : " and ") +
                    Plural(static_cast<std::int64_t>(spareSpots), "spot", "spots");
        }
        c.verdict.notes.push_back(
            what + " not used (" + (spareReadings.size() == 1 ? "reading " : "readings ") +
            NumberList(spareReadings) + "): a spot takes " +
            Plural(static_cast<std::int64_t>(perSpot), "reading", "readings") + " and an area " +
            Plural(static_cast<std::int64_t>(perArea), "spot", "spots") + ".");
    }

    // Areas: mean of the spot means = (sum of the spot sums) / (N * S).
    const auto perAreaReadings = static_cast<std::int64_t>(perSpot * perArea);
    for (std::size_t a = 0; a < areaCount; ++a) {
        ExactValue sum;
        std::string means;
        for (std::size_t s = a * perArea; s < (a + 1) * perArea; ++s) {
            sum += spotSums[s];
            const std::string& mean = c.verdict.spots[s].mean;  // with its unit word
            means += (means.empty() ? "" : ListSeparator()) + mean.substr(0, mean.rfind(' '));
        }
        Area area;
        area.number = static_cast<int>(a) + 1;
        area.firstSpot = static_cast<int>(a * perArea) + 1;
        area.lastSpot = static_cast<int>((a + 1) * perArea);
        Amount low = minimumShown;
        Amount high = maximumShown;
        area.mean = d.apart({sum.units(), perAreaReadings},
                            {{RatioOf(minimum), &low}, {RatioOf(maximum), &high}});
        area.passed = sum >= minimum * perAreaReadings && sum <= maximum * perAreaReadings;
        c.verdict.areas.push_back(area);
        c.verdict.criteria.push_back({"Area " + std::to_string(area.number) + " (spots " +
                                          std::to_string(area.firstSpot) + " to " +
                                          std::to_string(area.lastSpot) + ": " + means + ")",
                                      d.withUnit(low) + " to " + d.withUnit(high),
                                      d.withUnit(area.mean),
                                      area.passed,
                                      "minimum <= area mean <= maximum",
                                      {low, high},
                                      {area.mean},
                                      static_cast<std::int64_t>(perArea),
                                      {}});
    }

    const auto areas = static_cast<std::int64_t>(areaCount);
    const std::int64_t needed = std::max(1, shape.areasNeeded);
    c.verdict.criteria.push_back(
        {shape.areasNeeded > 0 ? "Areas measured for " + shape.surfaceText : "Areas measured",
         ">= " + std::to_string(needed),
         std::to_string(areas),
         areas >= needed,
         "at least the areas the surface needs (at least one)",
         {},
         {},
         areas,
         needed});
    if (areaCount == 0) return;

    // Spot limits over the spots that make up the areas.
    const std::size_t usedSpots = areaCount * perArea;
    auto lowestSpot = std::min_element(spotSums.begin(), spotSums.begin() + usedSpots);
    auto highestSpot = std::max_element(spotSums.begin(), spotSums.begin() + usedSpots);
    bool lowOk = true;
    bool highOk = true;
    for (std::size_t s = 0; s < usedSpots; ++s) {
        const auto n = static_cast<std::int64_t>(perSpot);
        lowOk = lowOk && spotSums[s] * 5 >= minimum * (4 * n);
        highOk = highOk && spotSums[s] * 5 <= maximum * (6 * n);
    }
    Amount low = d.computed(RatioOf(minimum * 4, 5));
    Amount high = d.computed(RatioOf(maximum * 6, 5));
    const auto spotReadings = static_cast<std::int64_t>(perSpot);
    const Amount lowest =
        d.apart({lowestSpot->units(), spotReadings}, {{RatioOf(minimum * 4, 5), &low}});
    const Amount highest =
        d.apart({highestSpot->units(), spotReadings}, {{RatioOf(maximum * 6, 5), &high}});
    c.verdict.criteria.push_back({"Lowest spot mean",
                                  ">= " + d.withUnit(low) + " (80 % of minimum, level 3)",
                                  d.withUnit(lowest),
                                  lowOk,
                                  "every spot mean >= 80 % of minimum",
                                  {low},
                                  {lowest},
                                  static_cast<std::int64_t>(usedSpots),
                                  {}});
    c.verdict.criteria.push_back({"Highest spot mean",
                                  "<= " + d.withUnit(high) + " (120 % of maximum, level 3)",
                                  d.withUnit(highest),
                                  highOk,
                                  "every spot mean <= 120 % of maximum",
                                  {high},
                                  {highest},
                                  static_cast<std::int64_t>(usedSpots),
                                  {}});
}

// The area of a surface times 10^12, or empty.
std::optional<Int128> SurfaceScaled(const Surface& surface) {
    std::string why;
    const std::optional<Int128> scaled = ParseScaled(surface.text, 10, &why);
    const Int128 one = 1'000'000'000'000;
    if (!scaled || *scaled <= 0 || *scaled > one * kLargestArea) return std::nullopt;
    return scaled;
}

Int128 CeilDiv(Int128 a, Int128 b) {
    return (a + b - 1) / b;
}

// ISO 19840's table of the least number of readings, on the exact area.
int ReadingsForArea(Int128 area) {
    const Int128 one = 1'000'000'000'000;
    if (area <= one) return 5;
    if (area <= 3 * one) return 10;
    if (area <= 10 * one) return 15;
    if (area <= 30 * one) return 20;
    if (area <= 100 * one) return 30;
    return static_cast<int>(30 + 10 * CeilDiv(area - 100 * one, 100 * one));
}

// IMO PSPC: one reading for every 5 m2 of flat surface, or part of it.
int PspcReadingsForArea(Int128 area) {
    return static_cast<int>(CeilDiv(area, Int128{5'000'000'000'000}));
}

// The row that holds the number of readings to what the surface asks for.
Criterion ReadingsForSurface(const Context& c, const std::string& surfaceText, int least,
                             const std::string& rule) {
    return {"Number of readings for " + surfaceText,
            ">= " + std::to_string(least),
            std::to_string(c.n()),
            c.n() >= least,
            rule,
            {},
            {},
            c.n(),
            least};
}

// A limit read once; empty with what is wrong with it in *problem.
std::optional<ExactThickness> ReadLimit(const std::string& name, const Thickness& t,
                                        std::string* problem) {
    std::string why;
    std::optional<ExactThickness> read = ReadThickness(t, &why);
    if (!read) {
        *problem = "The " + name + " '" + t.decimal() + "' is no thickness (" + why + ").";
    } else if (read->value < LeastLimit()) {
        *problem = "The " + name + " must be at least 0.001 um.";
        read.reset();
    }
    return read;
}

Verdict UsageError(const std::string& message) {
    Verdict verdict;
    verdict.error = message;
    verdict.errorIsUsage = true;
    return verdict;
}

}  // namespace

double RoughnessCorrectionMicrometres(Roughness roughness) {
    switch (roughness) {
        case Roughness::None:
            return 0;
        case Roughness::Fine:
            return 10;
        case Roughness::Medium:
            return 25;
        case Roughness::Coarse:
            return 40;
    }
    return 0;
}

const char* StandardName(Standard standard) {
    switch (standard) {
        case Standard::Iso19840:
            return "ISO 19840";
        case Standard::ImoPspc:
            return "IMO PSPC";
        case Standard::SspcPa2:
            return "SSPC-PA 2";
    }
    return "";
}

int MinimumReadingsForArea(double squareMetres) {
    if (!(squareMetres > 0) || squareMetres > static_cast<double>(kLargestArea)) return 0;
    // The shortest decimal of the double is the area that was typed.
    const std::optional<Int128> area = SurfaceScaled({ShortestDecimal(squareMetres), false});
    return area ? ReadingsForArea(*area) : 0;
}

int AreasToMeasure(const Surface& surface) {
    const std::optional<Int128> area = SurfaceScaled(surface);
    if (!area) return 0;
    // One area is 10 m2 (100 ft2); the two systems are used each on its own, not converted.
    const Int128 unit = Int128{1'000'000'000'000} * (surface.squareFeet ? 100 : 10);
    if (*area <= 3 * unit) return static_cast<int>(CeilDiv(*area, unit));  // each area
    if (*area <= 10 * unit) return 3;                                      // any three
    return static_cast<int>(3 + CeilDiv(*area - 10 * unit, 10 * unit));    // one per 100 more
}

bool Verdict::passed() const {
    return error.empty() && !criteria.empty() &&
           std::all_of(criteria.begin(), criteria.end(),
                       [](const Criterion& c) { return c.passed; });
}

const char* VerdictWord(const Verdict& verdict) {
    if (verdict.errorIsUsage) return "";
    if (verdict.noVerdict()) return "NO VERDICT";
    return verdict.passed() ? "PASS" : "FAIL";
}

Verdict CheckReadings(const CheckRequest& request, std::int32_t unitIsMils) {
    CheckSetup setup;
    setup.request = request;
    setup.unit = unitIsMils == 1 ? Unit::Mils : Unit::Micrometres;
    return ResolveCheck(setup);
}

Verdict ResolveCheck(const CheckSetup& setup) {
    const CheckRequest& request = setup.request;
    const bool sspc = request.standard == Standard::SspcPa2;
    const bool iso = request.standard == Standard::Iso19840;
    const NumberTexts display{setup.unit};
    Verdict verdict;

    // ---- parameters: given, the group's limits, the defaults ----
    if (!iso && request.roughness != Roughness::None)
        return UsageError("The roughness applies to ISO 19840 only.");
    if (!sspc && (request.level || request.readingsPerSpot || request.spotsPerArea)) {
        return UsageError(
            "The level, readings per spot and spots per area apply to SSPC-PA 2 only.");
    }
    const char* lowName = sspc ? "minimum" : "NDFT";
    const std::optional<Thickness>& lowGiven = sspc ? request.minimum : request.ndft;
    std::optional<ExactThickness> low;
    std::optional<ExactThickness> high;
    std::string lowOrigin = "given";
    std::string highOrigin = "given";
    auto fromGroup = [&](double limit, const char* which, const std::string& name,
                         std::optional<ExactThickness>& target,
                         std::string& origin) -> std::string {
        std::string problem;
        target = ReadLimit(name, Thickness{limit}, &problem);
        if (!target) {
            return "The group's " + std::string(which) + " limit (" + ShortestDecimal(limit) +
                   " um) cannot stand in for the " + name + ": give the " + name + ".";
        }
        origin = "the group's " + std::string(which) + " limit";
        return {};
    };
    if (!lowGiven && setup.group) {
        if (std::string e = fromGroup(setup.group->low, "low", lowName, low, lowOrigin); !e.empty())
            return UsageError(e);
    }
    if (!request.maximum && setup.group) {
        if (std::string e = fromGroup(setup.group->high, "high", "maximum", high, highOrigin);
            !e.empty())
            return UsageError(e);
    }
    if (!lowGiven && !low)
        return UsageError(sspc ? "The minimum and the maximum are needed for SSPC-PA 2."
                               : "The NDFT is needed for this standard.");
    if (sspc && !request.maximum && !high)
        return UsageError("The minimum and the maximum are needed for SSPC-PA 2.");
    std::string problem;
    if (lowGiven && !(low = ReadLimit(lowName, *lowGiven, &problem))) return UsageError(problem);
    if (request.maximum && !(high = ReadLimit("maximum", *request.maximum, &problem)))
        return UsageError(problem);
    if (high && low->value > high->value) {
        return UsageError(sspc ? "The minimum must not be above the maximum."
                               : "The NDFT must not be above the maximum.");
    }
    const int level = request.level.value_or(3);
    if (level != 3) {
        return UsageError(
            "Only restriction level 3 of SSPC-PA 2 is built (spot means from 80 % "
            "of the minimum to 120 % of the maximum).");
    }
    SspcShape shape;
    shape.readingsPerSpot = request.readingsPerSpot.value_or(3);
    shape.spotsPerArea = request.spotsPerArea.value_or(5);
    if (shape.readingsPerSpot < 3 || shape.readingsPerSpot > kMostPerGroup)
        return UsageError("A spot needs 3 to 1000 readings.");
    if (shape.spotsPerArea < 1 || shape.spotsPerArea > kMostPerGroup)
        return UsageError("An area needs 1 to 1000 spots.");
    std::optional<Int128> surface;
    if (request.surface) {
        surface = SurfaceScaled(*request.surface);
        if (!surface || (!sspc && request.surface->squareFeet)) {
            return UsageError(!sspc && request.surface->squareFeet
                                  ? std::string(StandardName(request.standard)) +
                                        " counts readings by square metres."
                                  : "The area must be a decimal number above 0 and at most 1e9.");
        }
        shape.surfaceText = request.surface->text + (request.surface->squareFeet ? " ft2" : " m2");
        if (sspc) shape.areasNeeded = AreasToMeasure(*request.surface);
    }

    // ---- exclusions ----
    const auto count = static_cast<int>(std::min(request.readings.size(), kMostReadings + 1));
    if (request.readings.size() > kMostReadings) {
        verdict.error = "More than " + std::to_string(kMostReadings) + " readings.";
        return verdict;
    }
    std::map<int, std::string> excluded;  // number: reason
    for (const auto& [number, reason] : request.exclusions) {
        if (number < 1 || number > count) {
            return UsageError(
                "Reading " + std::to_string(number) + " cannot be excluded: there " +
                (count == 1 ? "is 1 reading." : "are " + std::to_string(count) + " readings."));
        }
        if (!excluded.emplace(number, reason).second) {
            return UsageError("Reading " + std::to_string(number) + " is excluded twice.");
        }
        if (reason.empty()) return UsageError("An exclusion needs its reason.");
    }

    // ---- readings ----
    if (request.readings.empty()) {
        verdict.error = "There are no readings to check.";
        return verdict;
    }
    const ExactValue correction = ExactValue::FromUnits(
        static_cast<Int128>(RoughnessCorrectionMicrometres(request.roughness)) *
        ExactValue::kUnitsPerMicrometre);
    // A million readings: every list is made once at its size, and the readings are not held
    // twice unless some are excluded.
    std::vector<Used> used;
    std::vector<Used> all;
    used.reserve(static_cast<std::size_t>(count));
    if (!excluded.empty()) all.reserve(static_cast<std::size_t>(count));
    verdict.readings.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const Thickness& t = request.readings[static_cast<std::size_t>(i)];
        std::string why;
        const std::optional<ExactThickness> v = ReadThickness(t, &why);
        if (!v) {
            verdict.error = "Reading " + std::to_string(i + 1) + " is no thickness (" + why + ").";
            return verdict;
        }
        ReadingMark mark;
        mark.number = i + 1;
        mark.value = display.given(*v);
        if (const auto found = excluded.find(i + 1); found != excluded.end()) {
            mark.excluded = true;
            mark.reason = found->second;
        }
        const Used reading{i + 1, v->value - correction};
        if (!mark.excluded) used.push_back(reading);
        if (!excluded.empty()) all.push_back(reading);
        verdict.readings.push_back(std::move(mark));
    }
    if (used.empty()) {
        verdict.readings.clear();
        verdict.error = "Every reading is excluded: there are no readings to check.";
        return verdict;
    }

    // ---- what the output says about the check ----
    const std::string unitWord = display.word();
    verdict.heading =
        std::string(StandardName(request.standard)) + ": " + Plural(count, "reading", "readings") +
        (excluded.empty() ? "" : " (" + std::to_string(excluded.size()) + " excluded)") +
        (setup.sourceName.empty() ? "" : " from " + setup.sourceName) +
        (setup.source == ReadingSource::GaugeValues
             ? " (the gauge's stored values)"
             : " (the report's texts, rounded as the window showed them)") +
        ", in " + unitWord;
    const Amount lowShown = display.given(*low);
    verdict.parameters.push_back(
        {sspc ? "Minimum" : "NDFT", display.withUnit(lowShown), lowShown, lowOrigin});
    Amount highShown;
    if (high) {
        highShown = display.given(*high);
        verdict.parameters.push_back(
            {"Maximum", display.withUnit(highShown), highShown, highOrigin});
    } else if (iso) {
        highShown = display.computed(low->value * 3);
        verdict.parameters.push_back(
            {"Maximum", "3 x NDFT = " + display.withUnit(highShown), highShown, "the default"});
        verdict.notes.push_back("No maximum was given: 3 x NDFT = " + display.withUnit(highShown) +
                                " is used.");
    }
    if (iso && request.roughness != Roughness::None) {
        const Amount c = display.computed(correction);
        verdict.parameters.push_back({"Roughness correction", display.withUnit(c), c, "given"});
        verdict.notes.push_back("Roughness correction: " + display.withUnit(c) +
                                " subtracted from every reading.");
    }
    if (sspc) {
        auto origin = [](const std::optional<int>& v) { return v ? "given" : "the default"; };
        verdict.parameters.push_back({"Level", std::to_string(level), {}, origin(request.level)});
        verdict.parameters.push_back({"Readings per spot",
                                      std::to_string(shape.readingsPerSpot),
                                      {},
                                      origin(request.readingsPerSpot)});
        verdict.parameters.push_back({"Spots per area",
                                      std::to_string(shape.spotsPerArea),
                                      {},
                                      origin(request.spotsPerArea)});
        if (shape.spotsPerArea != 5) {
            verdict.notes.push_back("Areas of " + std::to_string(shape.spotsPerArea) +
                                    " spots are used; the standard's area has 5.");
        }
    }
    if (request.surface) {
        verdict.parameters.push_back({"Area", shape.surfaceText, {}, "given"});
    }
    if (!excluded.empty()) {
        std::vector<int> numbers;
        // One note for each reason, in the order the reasons were first given.
        std::vector<std::pair<std::string, std::vector<int>>> byReason;
        for (const auto& [number, reason] : excluded) {
            numbers.push_back(number);
            auto same = std::find_if(byReason.begin(), byReason.end(),
                                     [&](const auto& entry) { return entry.first == reason; });
            if (same == byReason.end()) same = byReason.insert(byReason.end(), {reason, {}});
            same->second.push_back(number);
        }
        verdict.parameters.push_back({"Excluded readings", NumberList(numbers), {}, "given"});
        for (const auto& [reason, group] : byReason) {
            verdict.notes.push_back((group.size() == 1 ? "Reading " : "Readings ") +
                                    NumberList(group) + " excluded: " + reason + ".");
        }
    }

    // ---- the rules ----
    const std::optional<ExactValue> maximum =
        high ? std::optional<ExactValue>(high->value) : std::nullopt;
    Context context{display, std::move(used), std::move(all), verdict};
    switch (request.standard) {
        case Standard::Iso19840:
            CheckIso19840(context, low->value, lowShown, maximum, highShown);
            if (surface) {
                context.verdict.criteria.push_back(
                    ReadingsForSurface(context, shape.surfaceText, ReadingsForArea(*surface),
                                       "at least the readings ISO 19840 asks for the area"));
            }
            break;
        case Standard::ImoPspc:
            CheckImoPspc(context, low->value, maximum, highShown, lowShown);
            if (surface) {
                context.verdict.criteria.push_back(
                    ReadingsForSurface(context, shape.surfaceText, PspcReadingsForArea(*surface),
                                       "at least one reading for every 5 m2 of flat surface"));
            }
            break;
        case Standard::SspcPa2:
            CheckSspcPa2(context, low->value, high->value, lowShown, highShown, shape);
            break;
    }
    // Every standard asks for a number of readings (or areas) that depends on the surface.
    if (!surface) verdict.unchecked = kCountNotChecked;
    return verdict;
}

}  // namespace zepra::coating
