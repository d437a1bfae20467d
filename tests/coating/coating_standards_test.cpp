#include "coating/coating_standards.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

#include "data/thickness_format.h"

namespace zepra::coating {
namespace {

// One step of the third decimal either side: boundaries are decided on decimals.
double Below(double v) {
    return v - 0.001;
}
double Above(double v) {
    return v + 0.001;
}

std::vector<Thickness> Um(std::vector<double> values) {
    std::vector<Thickness> out;
    for (double v : values) out.push_back({v, Unit::Micrometres});
    return out;
}

// n copies of v, then the rest.
std::vector<double> Repeat(std::size_t n, double v, std::vector<double> rest = {}) {
    std::vector<double> out(n, v);
    out.insert(out.end(), rest.begin(), rest.end());
    return out;
}

std::vector<bool> Results(const Verdict& verdict) {
    std::vector<bool> out;
    for (const Criterion& c : verdict.criteria) out.push_back(c.passed);
    return out;
}

// ---- ISO 19840 ----

struct IsoCase {
    const char* what;
    std::vector<double> readings;  // micrometres
    double ndft;
    std::optional<double> maximum;
    Roughness roughness;
    // mean >= NDFT, every reading >= 80 %, fewer than 20 % in [80 %, NDFT), every reading <= max
    std::vector<bool> expected;
};

TEST(Iso19840, EveryBoundaryIsDecidedExactly) {
    const IsoCase cases[] = {
        {"all on the NDFT", Repeat(5, 100), 100, {}, Roughness::None, {1, 1, 1, 1}},
        {"mean exactly the NDFT from float readings",
         Repeat(8, 100, {100.1f, 99.9f}),
         100,
         {},
         Roughness::None,
         {1, 1, 1, 1}},
        {"mean just below the NDFT",
         Repeat(9, 100, {Below(100)}),
         100,
         {},
         Roughness::None,
         {0, 1, 1, 1}},
        {"a reading exactly 80 % of the NDFT",
         Repeat(9, 110, {80}),
         100,
         {},
         Roughness::None,
         {1, 1, 1, 1}},
        {"a reading just below 80 %",
         Repeat(9, 110, {Below(80)}),
         100,
         {},
         Roughness::None,
         {1, 0, 1, 1}},
        {"80 % of an NDFT that 0.8 does not hit exactly",
         Repeat(9, 140, {102}),
         127.5,
         {},
         Roughness::None,
         {1, 1, 1, 1}},
        {"just below that", Repeat(9, 140, {Below(102)}), 127.5, {}, Roughness::None, {1, 0, 1, 1}},
        {"1 of 10 below the NDFT (10 %)",
         Repeat(9, 110, {90}),
         100,
         {},
         Roughness::None,
         {1, 1, 1, 1}},
        {"1 of 6 below the NDFT (16.7 %)",
         Repeat(5, 110, {90}),
         100,
         {},
         Roughness::None,
         {1, 1, 1, 1}},
        {"1 of 5 below the NDFT: exactly 20 % is too many",
         Repeat(4, 110, {90}),
         100,
         {},
         Roughness::None,
         {1, 1, 0, 1}},
        {"2 of 10 below the NDFT",
         Repeat(8, 110, {90, 90}),
         100,
         {},
         Roughness::None,
         {1, 1, 0, 1}},
        {"just below the NDFT counts",
         Repeat(4, 110, {Below(100)}),
         100,
         {},
         Roughness::None,
         {1, 1, 0, 1}},
        {"on the NDFT does not count",
         Repeat(4, 110, {100}),
         100,
         {},
         Roughness::None,
         {1, 1, 1, 1}},
        {"below 80 % is not counted among them",
         Repeat(9, 200, {79}),
         100,
         {},
         Roughness::None,
         {1, 0, 1, 1}},
        {"3 x NDFT when no maximum is given",
         Repeat(4, 100, {300}),
         100,
         {},
         Roughness::None,
         {1, 1, 1, 1}},
        {"just above 3 x NDFT",
         Repeat(4, 100, {Above(300)}),
         100,
         {},
         Roughness::None,
         {1, 1, 1, 0}},
        {"on the given maximum", Repeat(4, 100, {250}), 100, 250.0, Roughness::None, {1, 1, 1, 1}},
        {"just above the given maximum",
         Repeat(4, 100, {Above(250)}),
         100,
         250.0,
         Roughness::None,
         {1, 1, 1, 0}},
        {"fine roughness takes 10 um", Repeat(5, 110), 100, {}, Roughness::Fine, {1, 1, 1, 1}},
        {"medium roughness takes 25 um", Repeat(5, 125), 100, {}, Roughness::Medium, {1, 1, 1, 1}},
        {"just below after the medium correction",
         Repeat(4, 125, {Below(125)}),
         100,
         {},
         Roughness::Medium,
         {0, 1, 0, 1}},
        {"coarse roughness takes 40 um", Repeat(5, 140), 100, {}, Roughness::Coarse, {1, 1, 1, 1}},
        {"80 % after the coarse correction",
         Repeat(9, 150, {120}),
         100,
         {},
         Roughness::Coarse,
         {1, 1, 1, 1}},
        {"maximum after the correction",
         Repeat(4, 140, {340}),
         100,
         {},
         Roughness::Coarse,
         {1, 1, 1, 1}},
        {"just above after the correction",
         Repeat(4, 140, {Above(340)}),
         100,
         {},
         Roughness::Coarse,
         {1, 1, 1, 0}},
    };
    for (const IsoCase& c : cases) {
        SCOPED_TRACE(c.what);
        CheckRequest request;
        request.standard = Standard::Iso19840;
        request.readings = Um(c.readings);
        request.ndft = Thickness{c.ndft, Unit::Micrometres};
        if (c.maximum) request.maximum = Thickness{*c.maximum, Unit::Micrometres};
        request.roughness = c.roughness;
        const Verdict verdict = CheckReadings(request, 0);
        ASSERT_EQ(verdict.error, "");
        EXPECT_EQ(Results(verdict), c.expected);
        EXPECT_EQ(verdict.passed(),
                  std::all_of(c.expected.begin(), c.expected.end(), [](bool b) { return b; }));
    }
}

TEST(Iso19840, ValuesInMilsAreComparedExactly) {
    // 4 mils is exactly 80 % of 5 mils, and 10 mils exactly 254 um.
    CheckRequest request;
    request.standard = Standard::Iso19840;
    request.readings = {{4, Unit::Mils}, {254, Unit::Micrometres}};
    for (int i = 0; i < 8; ++i) request.readings.push_back({6, Unit::Mils});
    request.ndft = Thickness{5, Unit::Mils};
    request.maximum = Thickness{10, Unit::Mils};
    EXPECT_EQ(Results(CheckReadings(request, 1)), (std::vector<bool>{1, 1, 1, 1}));

    request.readings[1] = {254.001, Unit::Micrometres};
    EXPECT_EQ(Results(CheckReadings(request, 1)), (std::vector<bool>{1, 1, 1, 0}));
}

struct AreaCase {
    double area;
    int least;
};

TEST(Iso19840, LeastNumberOfReadingsForTheArea) {
    const AreaCase cases[] = {
        {0.01, 5},
        {1, 5},
        {Above(1), 10},
        {3, 10},
        {Above(3), 15},
        {10, 15},
        {Above(10), 20},
        {30, 20},
        {Above(30), 30},
        {100, 30},
        {Above(100), 40},
        {200, 40},
        {Above(200), 50},
        {250, 50},
        {300, 50},
        {1000, 120},
        {1000.5, 130},
        {0, 0},
        {-5, 0},
        {1e10, 0},
        {std::numeric_limits<double>::quiet_NaN(), 0},
        {std::numeric_limits<double>::infinity(), 0},
    };
    for (const AreaCase& c : cases) {
        SCOPED_TRACE(c.area);
        EXPECT_EQ(MinimumReadingsForArea(c.area), c.least);
    }
}

TEST(Iso19840, TheAreaAddsACriterionOnTheCount) {
    CheckRequest request;
    request.standard = Standard::Iso19840;
    request.ndft = Thickness{100, Unit::Micrometres};
    request.readings = Um(Repeat(10, 100));
    for (const auto& [area, passes] : {std::pair{"3", true}, std::pair{"3.001", false}}) {
        request.surface = Surface{area, false};
        const Verdict verdict = CheckReadings(request, 0);
        ASSERT_EQ(verdict.criteria.size(), 5u);
        EXPECT_EQ(verdict.criteria[4].required, passes ? ">= 10" : ">= 15");
        EXPECT_EQ(verdict.criteria[4].measured, "10");
        EXPECT_EQ(verdict.criteria[4].passed, passes);
    }
}

// Each standard asks for a number of readings (areas for SSPC-PA 2) by the surface: without a
// surface the count is not checked and the verdict says so; with it a shortfall fails.
TEST(CoatingStandards, TheNumberOfReadingsIsCheckedOnlyForAGivenSurface) {
    const struct {
        Standard standard;
        std::optional<Surface> surface;
        std::size_t readings;
        const char* countRow;  // the last row's required text, or nullptr: no count row
        bool passed;
    } cases[] = {
        {Standard::Iso19840, std::nullopt, 1, nullptr, true},
        {Standard::Iso19840, Surface{"1", false}, 4, ">= 5", false},
        {Standard::Iso19840, Surface{"1", false}, 5, ">= 5", true},
        // IMO PSPC: one reading for every 5 m2 or part of it.
        {Standard::ImoPspc, std::nullopt, 1, nullptr, true},
        {Standard::ImoPspc, Surface{"500", false}, 99, ">= 100", false},
        {Standard::ImoPspc, Surface{"500", false}, 100, ">= 100", true},
        {Standard::ImoPspc, Surface{"500.001", false}, 100, ">= 101", false},
        // SSPC-PA 2: one area of 15 readings is always needed; a surface asks for its areas.
        {Standard::SspcPa2, std::nullopt, 15, ">= 1", true},
        {Standard::SspcPa2, Surface{"20", false}, 15, ">= 2", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(StandardName(c.standard)) + " " + std::to_string(c.readings) +
                     " readings");
        CheckRequest request;
        request.standard = c.standard;
        const Thickness hundred{100, Unit::Micrometres};
        if (c.standard == Standard::SspcPa2) {
            request.minimum = hundred;
            request.maximum = hundred;
        } else {
            request.ndft = hundred;
        }
        request.surface = c.surface;
        request.readings = Um(Repeat(c.readings, 100));
        const Verdict verdict = CheckReadings(request, 0);
        ASSERT_EQ(verdict.error, "");
        EXPECT_EQ(verdict.passed(), c.passed);
        EXPECT_EQ(verdict.unchecked,
                  c.surface ? "" : "number of readings not checked: no surface area given");
        const bool countRow = verdict.criteria.back().requiredCount.has_value() &&
                              verdict.criteria.back().name.find("Number of readings") == 0;
        if (c.countRow != nullptr && c.standard != Standard::SspcPa2) {
            ASSERT_TRUE(countRow);
            EXPECT_EQ(verdict.criteria.back().required, c.countRow);
        } else if (c.standard != Standard::SspcPa2) {
            EXPECT_FALSE(countRow);
        }
    }
    // IMO PSPC counts by square metres only.
    CheckRequest feet;
    feet.standard = Standard::ImoPspc;
    feet.ndft = Thickness{100, Unit::Micrometres};
    feet.readings = Um({100});
    feet.surface = Surface{"100", true};
    EXPECT_EQ(CheckReadings(feet, 0).error, "IMO PSPC counts readings by square metres.");
}

TEST(Iso19840, RowsShowTheValuesInTheChosenUnit) {
    CheckRequest request;
    request.standard = Standard::Iso19840;
    request.readings = Um({130, 95.25, 110.5, 120, 104});
    request.ndft = Thickness{100, Unit::Micrometres};
    request.roughness = Roughness::Fine;

    const Verdict um = CheckReadings(request, 0);
    ASSERT_EQ(um.criteria.size(), 4u);
    EXPECT_EQ(um.criteria[0].name, "Mean of all readings");
    EXPECT_EQ(um.criteria[0].required, ">= 100 um (NDFT)");
    EXPECT_EQ(um.criteria[0].measured, "101.95 um");  // (559.75 - 50) / 5
    EXPECT_EQ(um.criteria[1].required, ">= 80 um (80 % of NDFT)");
    EXPECT_EQ(um.criteria[1].measured, "85.25 um");
    EXPECT_EQ(um.criteria[2].name, "Readings from 80 % of NDFT to below NDFT");
    EXPECT_EQ(um.criteria[2].required, "fewer than 20 % of 5 (at most 0)");
    EXPECT_EQ(um.criteria[2].measured, "2 of 5 (40 %)");
    EXPECT_FALSE(um.criteria[2].passed);
    EXPECT_EQ(um.criteria[3].required, "<= 300 um (3 x NDFT)");
    EXPECT_EQ(um.criteria[3].measured, "120 um");
    EXPECT_EQ(um.notes, (std::vector<std::string>{
                            "No maximum was given: 3 x NDFT = 300 um is used.",
                            "Roughness correction: 10 um subtracted from every reading."}));
    EXPECT_FALSE(um.passed());

    const Verdict mils = CheckReadings(request, 1);
    // Values that do not end within three places are rounded there, without a mark.
    EXPECT_EQ(mils.criteria[0].required, ">= 3.937 mils (NDFT)");
    EXPECT_EQ(mils.criteria[0].measured, "4.014 mils");
    EXPECT_EQ(mils.criteria[3].required, "<= 11.811 mils (3 x NDFT)");
}

// The counts in the required texts are the last ones that pass.
TEST(CoatingStandards, CountsNamedInTheRequiredTextsAreTheBoundaries) {
    struct CountCase {
        std::size_t n;
        std::size_t isoAtMost;   // readings from 80 % of NDFT to below it
        std::size_t imoAtLeast;  // readings at or above the NDFT
    };
    const CountCase cases[] = {{1, 0, 1},  {4, 0, 4},   {5, 0, 5},   {6, 1, 6},
                               {10, 1, 9}, {11, 2, 10}, {20, 3, 18}, {80, 15, 72}};
    for (const CountCase& c : cases) {
        SCOPED_TRACE(c.n);
        for (std::size_t k : {c.isoAtMost, c.isoAtMost + 1}) {
            CheckRequest iso;
            iso.standard = Standard::Iso19840;
            iso.ndft = Thickness{100};
            iso.readings = Um(Repeat(k, 90, Repeat(c.n - std::min(k, c.n), 200)));
            if (iso.readings.size() != c.n) continue;  // more than there are readings
            const Verdict verdict = CheckReadings(iso, 0);
            EXPECT_EQ(verdict.criteria[2].required, "fewer than 20 % of " + std::to_string(c.n) +
                                                        " (at most " + std::to_string(c.isoAtMost) +
                                                        ")");
            EXPECT_EQ(verdict.criteria[2].passed, k == c.isoAtMost) << k;
        }
        for (std::size_t k : {c.imoAtLeast - 1, c.imoAtLeast}) {
            CheckRequest imo;
            imo.standard = Standard::ImoPspc;
            imo.ndft = Thickness{100};
            imo.readings = Um(Repeat(k, 100, Repeat(c.n - k, 95)));
            const Verdict verdict = CheckReadings(imo, 0);
            EXPECT_EQ(verdict.criteria[0].required, "at least 90 % of " + std::to_string(c.n) +
                                                        " (at least " +
                                                        std::to_string(c.imoAtLeast) + ")");
            EXPECT_EQ(verdict.criteria[0].passed, k == c.imoAtLeast) << k;
        }
    }
}

// ---- IMO PSPC ----

struct ImoCase {
    const char* what;
    std::vector<double> readings;
    std::optional<double> maximum;
    // at least 90 % >= NDFT, none below 90 % of NDFT[, every reading <= max]
    std::vector<bool> expected;
};

TEST(ImoPspc, NinetyTenRuleAtItsBoundaries) {
    const ImoCase cases[] = {
        {"all on the NDFT", Repeat(10, 100), {}, {1, 1}},
        {"9 of 10 on the NDFT, one at 90 %", Repeat(9, 100, {90}), {}, {1, 1}},
        {"one just below 90 %", Repeat(9, 100, {Below(90)}), {}, {1, 0}},
        {"8 of 10 at the NDFT", Repeat(8, 100, {95, 95}), {}, {0, 1}},
        {"18 of 20 at the NDFT", Repeat(18, 100, {95, 95}), {}, {1, 1}},
        {"17 of 20 at the NDFT", Repeat(17, 100, {95, 95, 95}), {}, {0, 1}},
        {"9 of 10 just below the NDFT", Repeat(9, Below(100), {100}), {}, {0, 1}},
        {"a single reading on the NDFT", {100}, {}, {1, 1}},
        {"a single reading just below", {Below(100)}, {}, {0, 1}},
        {"on the maximum", Repeat(9, 100, {300}), 300.0, {1, 1, 1}},
        {"just above the maximum", Repeat(9, 100, {Above(300)}), 300.0, {1, 1, 0}},
    };
    for (const ImoCase& c : cases) {
        SCOPED_TRACE(c.what);
        CheckRequest request;
        request.standard = Standard::ImoPspc;
        request.readings = Um(c.readings);
        request.ndft = Thickness{100, Unit::Micrometres};
        if (c.maximum) request.maximum = Thickness{*c.maximum, Unit::Micrometres};
        const Verdict verdict = CheckReadings(request, 0);
        ASSERT_EQ(verdict.error, "");
        EXPECT_EQ(Results(verdict), c.expected);
    }
}

TEST(ImoPspc, NinetyPercentInMilsIsExact) {
    CheckRequest request;
    request.standard = Standard::ImoPspc;
    request.readings = {{9, Unit::Mils}};
    for (int i = 0; i < 9; ++i) request.readings.push_back({10, Unit::Mils});
    request.ndft = Thickness{10, Unit::Mils};
    const Verdict verdict = CheckReadings(request, 1);
    EXPECT_EQ(Results(verdict), (std::vector<bool>{1, 1}));
    EXPECT_EQ(verdict.criteria[0].measured, "9 of 10 (90 %)");
    EXPECT_EQ(verdict.criteria[1].required, ">= 9 mils (90 % of NDFT)");
}

// ---- SSPC-PA 2 ----

// Report texts in a unit.
std::vector<Thickness> Texts(const std::vector<std::string>& texts, Unit unit = Unit::Micrometres) {
    std::vector<Thickness> out;
    for (const std::string& t : texts) out.push_back({0, unit, t});
    return out;
}

std::vector<std::string> RepeatText(std::size_t n, const std::string& v,
                                    std::vector<std::string> rest = {}) {
    std::vector<std::string> out(n, v);
    out.insert(out.end(), rest.begin(), rest.end());
    return out;
}

CheckRequest Sspc(const std::string& minimum, const std::string& maximum,
                  std::vector<Thickness> readings, Unit unit = Unit::Micrometres) {
    CheckRequest request;
    request.standard = Standard::SspcPa2;
    request.minimum = Thickness{0, unit, minimum};
    request.maximum = Thickness{0, unit, maximum};
    request.readings = std::move(readings);
    return request;
}

struct SspcCase {
    const char* what;
    const char* minimum;
    const char* maximum;
    std::vector<std::string> readings;
    int spotsPerArea;
    Unit unit;
    // one per area, areas measured, lowest spot mean >= 80 % min, highest <= 120 % max
    std::vector<bool> expected;
};

TEST(SspcPa2, EachAreaAndEachSpotAtTheBoundaries) {
    const Unit um = Unit::Micrometres;
    const Unit mils = Unit::Mils;
    const SspcCase cases[] = {
        // Three areas averaging 125, 175 and 225: the grand mean 175 lies in range, two areas
        // do not.
        {"three areas, two outside",
         "150",
         "200",
         RepeatText(15, "125", RepeatText(15, "175", RepeatText(15, "225"))),
         5,
         um,
         {0, 1, 0, 1, 1, 1}},
        {"a spot mean of exactly 80 % of the minimum",
         "12.5",
         "20",
         {"9.7", "10.1", "10.2", "15", "15", "15"},
         2,
         um,
         {1, 1, 1, 1}},
        {"one step below",
         "12.5",
         "20",
         {"9.7", "10.1", "10.199", "15", "15", "15.001"},
         2,
         um,
         {1, 1, 0, 1}},
        {"a spot mean of exactly 120 % of the maximum",
         "12.5",
         "20",
         {"24", "24", "24", "16", "16", "16"},
         2,
         um,
         {1, 1, 1, 1}},
        {"one step above",
         "12.5",
         "20",
         {"24", "24", "24.001", "16", "16", "15.999"},
         2,
         um,
         {1, 1, 1, 0}},
        {"an area mean on the minimum", "150", "200", RepeatText(15, "150"), 5, um, {1, 1, 1, 1}},
        {"one step below the minimum",
         "150",
         "200",
         RepeatText(14, "150", {"149.999"}),
         5,
         um,
         {0, 1, 1, 1}},
        {"an area mean on the maximum", "150", "200", RepeatText(15, "200"), 5, um, {1, 1, 1, 1}},
        {"one step above the maximum",
         "150",
         "200",
         RepeatText(14, "200", {"200.001"}),
         5,
         um,
         {0, 1, 1, 1}},
        {"single readings are not judged on their own",
         "100",
         "200",
         {"10", "145", "145"},
         1,
         um,
         {1, 1, 1, 1}},
        {"mils: 2.4 is 80 % of 3",
         "3",
         "5",
         {"2.4", "2.4", "2.4", "3.6", "3.6", "3.6"},
         2,
         mils,
         {1, 1, 1, 1}},
        {"mils: one step below",
         "3",
         "5",
         {"2.4", "2.4", "2.399", "3.6", "3.6", "3.601"},
         2,
         mils,
         {1, 1, 0, 1}},
        {"mils: 6 is 120 % of 5", "3", "5", {"6", "6", "6", "4", "4", "4"}, 2, mils, {1, 1, 1, 1}},
        {"mils: one step above",
         "3",
         "5",
         {"6", "6", "6.001", "4", "4", "3.999"},
         2,
         mils,
         {1, 1, 1, 0}},
        {"no whole area", "150", "200", RepeatText(14, "175"), 5, um, {0}},
    };
    for (const SspcCase& c : cases) {
        SCOPED_TRACE(c.what);
        CheckRequest request = Sspc(c.minimum, c.maximum, Texts(c.readings, c.unit), c.unit);
        request.spotsPerArea = c.spotsPerArea;
        const Verdict verdict = CheckReadings(request, c.unit == mils ? 1 : 0);
        ASSERT_EQ(verdict.error, "");
        EXPECT_EQ(Results(verdict), c.expected);
        EXPECT_EQ(verdict.passed(),
                  std::all_of(c.expected.begin(), c.expected.end(), [](bool b) { return b; }));
    }
}

TEST(SspcPa2, SpotsAreasAndRemaindersAreReported) {
    // 3 readings a spot, 2 spots an area: 11 readings make 3 spots and 1 area.
    CheckRequest request =
        Sspc("100", "200",
             Texts({"100", "110", "120", "150", "160", "170", "99", "98", "97", "1", "1000"}));
    request.spotsPerArea = 2;
    const Verdict verdict = CheckReadings(request, 0);
    ASSERT_EQ(verdict.spots.size(), 3u);
    EXPECT_EQ(verdict.spots[0].first, 1);
    EXPECT_EQ(verdict.spots[0].last, 3);
    EXPECT_EQ(verdict.spots[0].mean, "110 um");
    EXPECT_EQ(verdict.spots[1].mean, "160 um");
    EXPECT_EQ(verdict.spots[2].area, 0);
    ASSERT_EQ(verdict.areas.size(), 1u);
    EXPECT_EQ(verdict.areas[0].mean.text, "135");
    EXPECT_EQ(verdict.criteria[0].name, "Area 1 (spots 1 to 2: 110, 160)");
    EXPECT_EQ(verdict.criteria[0].required, "100 um to 200 um");
    EXPECT_EQ(verdict.criteria[2].required, ">= 80 um (80 % of minimum, level 3)");
    EXPECT_EQ(verdict.criteria[3].required, "<= 240 um (120 % of maximum, level 3)");
    EXPECT_EQ(verdict.notes[0], "Areas of 2 spots are used; the standard's area has 5.");
    EXPECT_EQ(verdict.notes[1],
              "2 readings and 1 spot not used (readings 7, 8, 9, 10, 11): a spot takes 3 readings "
              "and an area 2 spots.");
    for (const ReadingMark& mark : verdict.readings) EXPECT_EQ(mark.unused, mark.number >= 7);
    EXPECT_TRUE(verdict.passed());  // the unused 1 and 1000 are judged nowhere

    // One spot an area reads as one spot.
    request.spotsPerArea = 1;
    request.readings.resize(10);
    EXPECT_EQ(CheckReadings(request, 0).notes.back(),
              "1 reading not used (reading 10): a spot takes 3 readings and an area 1 spot.");
}

TEST(SspcPa2, AreasToMeasureForTheSurface) {
    const std::pair<Surface, int> cases[] = {
        {{"0.001", false}, 1},   {{"10", false}, 1},      {{"10.001", false}, 2},
        {{"30", false}, 3},      {{"30.001", false}, 3},  {{"100", false}, 3},
        {{"100.001", false}, 4}, {{"200", false}, 4},     {{"200.001", false}, 5},
        {{"300", true}, 3},      {{"300.001", true}, 3},  {{"100.001", true}, 2},
        {{"1000", true}, 3},     {{"1000.001", true}, 4}, {{"0", false}, 0},
        {{"-5", false}, 0},      {{"1e3", false}, 0},     {{"1000000000.001", false}, 0},
    };
    for (const auto& [surface, areas] : cases) {
        SCOPED_TRACE(surface.text);
        EXPECT_EQ(AreasToMeasure(surface), areas);
    }
    // The count is a criterion: 250 m2 needs 5 areas.
    CheckRequest request = Sspc("150", "200", Texts(RepeatText(60, "175")));
    request.surface = Surface{"250", false};
    Verdict verdict = CheckReadings(request, 0);
    EXPECT_EQ(verdict.criteria[4].name, "Areas measured for 250 m2");
    EXPECT_EQ(verdict.criteria[4].required, ">= 5");
    EXPECT_FALSE(verdict.criteria[4].passed);
    request.readings = Texts(RepeatText(75, "175"));
    EXPECT_TRUE(CheckReadings(request, 0).passed());
}

// ---- decimals as the inspector reads them ----

// A list of decimals reads one way where the decimal separator is a comma: "110,5; 120", never
// "110,5, 120".
TEST(CoatingStandards, DecimalsInAListAreKeptApartUnderADecimalComma) {
    const CheckRequest request = Sspc(
        "100", "200", Texts(RepeatText(3, "110.5", RepeatText(3, "120", RepeatText(9, "130.5")))));
    const std::pair<char, std::string> cases[] = {
        {'.', "Area 1 (spots 1 to 5: 110.5, 120, 130.5, 130.5, 130.5)"},
        {',', "Area 1 (spots 1 to 5: 110,5; 120; 130,5; 130,5; 130,5)"},
    };
    for (const auto& [separator, name] : cases) {
        SetDecimalSeparator(separator);
        const Verdict verdict = CheckReadings(request, 0);
        const auto area =
            std::find_if(verdict.criteria.begin(), verdict.criteria.end(),
                         [](const Criterion& c) { return c.name.rfind("Area 1", 0) == 0; });
        ASSERT_NE(area, verdict.criteria.end());
        EXPECT_EQ(area->name, name);
    }
    SetDecimalSeparator('.');
}

TEST(CoatingStandards, BoundariesOnTheDecimalsShown) {
    // 30.3 against 3 x 10.1; a gauge float 30.3 is the decimal 30.3.
    CheckRequest iso;
    iso.standard = Standard::Iso19840;
    iso.ndft = Thickness{0, Unit::Micrometres, "10.1"};
    iso.readings = Texts(RepeatText(5, "30.3"));
    EXPECT_TRUE(CheckReadings(iso, 0).passed());
    iso.readings = {Thickness{30.3f}, Thickness{30.3f}};
    EXPECT_TRUE(CheckReadings(iso, 0).passed());
    iso.readings = Texts({"30.301"});
    EXPECT_FALSE(CheckReadings(iso, 0).passed());

    // 2.8 mils is 80 % of 3.5 mils.
    iso.ndft = Thickness{0, Unit::Mils, "3.5"};
    iso.readings = Texts({"2.8", "4", "4", "4", "4", "4"}, Unit::Mils);
    Verdict verdict = CheckReadings(iso, 1);
    EXPECT_TRUE(verdict.passed());
    EXPECT_EQ(verdict.criteria[1].measured, "2.8 mils");
    EXPECT_EQ(verdict.parameters[0].text, "3.5 mils");

    // 526.3 less 40 is 486.3.
    iso.ndft = Thickness{0, Unit::Micrometres, "486.3"};
    iso.roughness = Roughness::Coarse;
    iso.readings = Texts(RepeatText(5, "526.3"));
    EXPECT_TRUE(CheckReadings(iso, 0).passed());
    iso.readings = Texts(RepeatText(4, "526.3", {"526.299"}));
    EXPECT_EQ(Results(CheckReadings(iso, 0)), (std::vector<bool>{0, 1, 0, 1}));

    // Given values come back as given: 3 mils is "3 mils", a spot mean of 4 mils "4 mils".
    CheckRequest imo;
    imo.standard = Standard::ImoPspc;
    imo.ndft = Thickness{0, Unit::Mils, "3"};
    imo.readings = Texts({"3", "3", "3"}, Unit::Mils);
    verdict = CheckReadings(imo, 1);
    EXPECT_EQ(verdict.parameters[0].text, "3 mils");
    EXPECT_EQ(verdict.criteria[1].measured, "3 mils");
    EXPECT_EQ(verdict.readings[0].value.text, "3");
    CheckRequest sspc = Sspc("3", "5", Texts({"3.9", "4", "4.1"}, Unit::Mils), Unit::Mils);
    sspc.spotsPerArea = 1;
    EXPECT_EQ(CheckReadings(sspc, 1).spots[0].mean, "4 mils");
}

TEST(Iso19840, BelowFortyMicrometresIsOutsideTheScope) {
    for (const auto& [ndft, outside] :
         {std::pair{"39.999", true}, std::pair{"40", false}, std::pair{"1.575", true}}) {
        SCOPED_TRACE(ndft);
        CheckRequest request;
        request.standard = Standard::Iso19840;
        request.ndft = Thickness{0, Unit::Micrometres, ndft};
        request.maximum = Thickness{0, Unit::Micrometres, "100"};
        request.readings = Texts({"50", "50", "50"});
        const Verdict verdict = CheckReadings(request, 0);
        EXPECT_EQ(verdict.outsideScope, outside);
        EXPECT_TRUE(verdict.passed());  // judged anyway
    }
}

// ---- exclusions ----

struct ExclusionCase {
    const char* what;
    std::vector<int> excluded;
    bool passes;
};

TEST(CoatingStandards, ExclusionsChangeTheVerdictOnlyThroughTheReadingsLeftOut) {
    // ISO 19840, NDFT 100: reading 3 (50) is below 80 %, reading 5 (90) in the band.
    CheckRequest request;
    request.standard = Standard::Iso19840;
    request.ndft = Thickness{0, Unit::Micrometres, "100"};
    request.readings = Texts({"120", "120", "50", "120", "90", "120", "120", "120", "120", "120"});
    const ExclusionCase cases[] = {
        {"none", {}, false},
        {"the thin one", {3}, true},
        {"a good one", {1}, false},
        {"the thin one and the band one", {3, 5}, true},
        {"the band one only", {5}, false},
    };
    for (const ExclusionCase& c : cases) {
        SCOPED_TRACE(c.what);
        request.exclusions.clear();
        for (int number : c.excluded) request.exclusions.push_back({number, "weld seam"});
        const Verdict verdict = CheckReadings(request, 0);
        ASSERT_EQ(verdict.error, "");
        EXPECT_EQ(verdict.passed(), c.passes);
        const std::int64_t n = 10 - static_cast<std::int64_t>(c.excluded.size());
        EXPECT_EQ(verdict.criteria[0].count, n);  // counted nowhere else
        for (const ReadingMark& mark : verdict.readings) {
            const bool excluded = std::count(c.excluded.begin(), c.excluded.end(), mark.number);
            EXPECT_EQ(mark.excluded, excluded);
            EXPECT_EQ(mark.reason, excluded ? "weld seam" : "");
            EXPECT_EQ(mark.outside, mark.number == 3);
        }
    }
    request.exclusions = {{3, "weld seam"}};
    EXPECT_EQ(CheckReadings(request, 0).notes.back(), "Reading 3 excluded: weld seam.");
    // Each reading keeps its own reason; the notes gather the readings of one reason.
    request.exclusions = {{5, "probe slip"}, {3, "weld seam"}, {7, "probe slip"}};
    const Verdict reasons = CheckReadings(request, 0);
    EXPECT_EQ(reasons.readings[2].reason, "weld seam");
    EXPECT_EQ(reasons.readings[6].reason, "probe slip");
    const std::vector<std::string> lastNotes(reasons.notes.end() - 2, reasons.notes.end());
    EXPECT_EQ(lastNotes, (std::vector<std::string>{"Reading 3 excluded: weld seam.",
                                                   "Readings 5, 7 excluded: probe slip."}));
}

// ---- the resolved check ----

TEST(CoatingStandards, ParametersSayWhereTheyCameFrom) {
    CheckSetup setup;
    setup.request.standard = Standard::SspcPa2;
    setup.request.readings = {Thickness{175.0f}, Thickness{175.0f}, Thickness{175.0f}};
    setup.request.spotsPerArea = 1;
    setup.request.maximum = Thickness{0, Unit::Micrometres, "250"};
    setup.source = ReadingSource::GaugeValues;
    setup.sourceName = "group 2";
    setup.group = GroupLimits{150.0f, 200.0f};
    Verdict verdict = ResolveCheck(setup);
    ASSERT_EQ(verdict.error, "");
    EXPECT_EQ(verdict.heading,
              "SSPC-PA 2: 3 readings from group 2 (the gauge's stored values), in um");
    ASSERT_GE(verdict.parameters.size(), 5u);
    EXPECT_EQ(verdict.parameters[0].text, "150 um");
    EXPECT_EQ(verdict.parameters[0].origin, "the group's low limit");
    EXPECT_EQ(verdict.parameters[1].text, "250 um");
    EXPECT_EQ(verdict.parameters[1].origin, "given");
    EXPECT_EQ(verdict.parameters[2].name, "Level");
    EXPECT_EQ(verdict.parameters[2].origin, "the default");
    EXPECT_EQ(verdict.parameters[4].origin, "given");
    EXPECT_TRUE(verdict.passed());

    setup.group = GroupLimits{0, 200};
    verdict = ResolveCheck(setup);
    EXPECT_EQ(verdict.error,
              "The group's low limit (0 um) cannot stand in for the minimum: give the minimum.");
    EXPECT_TRUE(verdict.errorIsUsage);
}

// ---- what cannot be judged ----

struct ErrorCase {
    const char* what;
    CheckRequest request;
    const char* error;
    bool usage;
};

TEST(CoatingStandards, MissingOrInvalidInputIsNotJudged) {
    const Thickness hundred{0, Unit::Micrometres, "100"};
    auto iso = [&](std::vector<Thickness> readings, std::optional<Thickness> ndft) {
        CheckRequest r;
        r.readings = std::move(readings);
        r.ndft = std::move(ndft);
        return r;
    };
    const std::vector<Thickness> readings = Texts({"100", "100", "100"});
    const double nan = std::numeric_limits<double>::quiet_NaN();
    CheckRequest imoRough = iso(readings, hundred);
    imoRough.standard = Standard::ImoPspc;
    imoRough.roughness = Roughness::Fine;
    CheckRequest excludedMissing = iso(readings, hundred);
    excludedMissing.exclusions = {{4, "probe slip"}};
    CheckRequest excludedTwice = iso(readings, hundred);
    excludedTwice.exclusions = {{2, "probe slip"}, {2, "probe slip"}};
    CheckRequest noReason = iso(readings, hundred);
    noReason.exclusions = {{2, ""}};
    CheckRequest allExcluded = iso(readings, hundred);
    allExcluded.exclusions = {{1, "probe slip"}, {2, "probe slip"}, {3, "probe slip"}};
    CheckRequest level = Sspc("100", "200", readings);
    level.level = 2;
    CheckRequest noMaximum = Sspc("100", "200", readings);
    noMaximum.maximum.reset();
    CheckRequest shortSpot = Sspc("100", "200", readings);
    shortSpot.readingsPerSpot = 2;
    const ErrorCase cases[] = {
        {"no NDFT", iso(readings, {}), "The NDFT is needed for this standard.", true},
        {"NDFT zero", iso(readings, Thickness{0, Unit::Micrometres, "0"}),
         "The NDFT must be at least 0.001 um.", true},
        {"NDFT below 0.001 um", iso(readings, Thickness{0, Unit::Micrometres, "0.0009"}),
         "The NDFT must be at least 0.001 um.", true},
        {"NDFT not a number", iso(readings, Thickness{nan}),
         "The NDFT 'NaN' is no thickness (not a number).", true},
        {"NDFT negative", iso(readings, Thickness{0, Unit::Micrometres, "-1"}),
         "The NDFT '-1' is no thickness (negative).", true},
        {"NDFT above 100 mm", iso(readings, Thickness{0, Unit::Micrometres, "100000.001"}),
         "The NDFT '100000.001' is no thickness (above 100 mm).", true},
        {"no maximum", noMaximum, "The minimum and the maximum are needed for SSPC-PA 2.", true},
        {"minimum above maximum", Sspc("100.001", "100", readings),
         "The minimum must not be above the maximum.", true},
        {"no readings", iso({}, hundred), "There are no readings to check.", false},
        {"a reading that is not a number", iso({Thickness{100}, Thickness{nan}}, hundred),
         "Reading 2 is no thickness (not a number).", false},
        {"roughness with IMO", imoRough, "The roughness applies to ISO 19840 only.", true},
        {"excluding a reading that is not there", excludedMissing,
         "Reading 4 cannot be excluded: there are 3 readings.", true},
        {"excluding twice", excludedTwice, "Reading 2 is excluded twice.", true},
        {"an exclusion without its reason", noReason, "An exclusion needs its reason.", true},
        {"every reading excluded", allExcluded,
         "Every reading is excluded: there are no readings to check.", false},
        {"a level that is not built", level,
         "Only restriction level 3 of SSPC-PA 2 is built (spot means from 80 % of the minimum to "
         "120 % of the maximum).",
         true},
        {"a spot of two readings", shortSpot, "A spot needs 3 to 1000 readings.", true},
    };
    for (const ErrorCase& c : cases) {
        SCOPED_TRACE(c.what);
        const Verdict verdict = CheckReadings(c.request, 0);
        EXPECT_EQ(verdict.error, c.error);
        EXPECT_EQ(verdict.errorIsUsage, c.usage);
        EXPECT_TRUE(verdict.criteria.empty());
        EXPECT_FALSE(verdict.passed());
        // Readings that cannot be judged are neither passed nor failed.
        EXPECT_STREQ(VerdictWord(verdict), c.usage ? "" : "NO VERDICT");
    }
    // The minimum equal to the maximum is fine.
    CheckRequest equal = Sspc("100", "100", readings);
    equal.spotsPerArea = 1;
    EXPECT_TRUE(CheckReadings(equal, 0).passed());
}

// A value and the limit it is compared with never print the same when they compare differently:
// the value gets the decimals it takes, and a pass and a fail never read alike.
TEST(CoatingStandards, AValueAndItsLimitPrintApartWhenTheyDiffer) {
    const struct {
        const char* what;
        Standard standard;
        std::vector<std::string> readings;
        const char* low;  // NDFT or minimum
        const char* maximum;
        std::size_t row;
        const char* required;
        const char* measured;
        bool passed;
    } cases[] = {
        {"a mean just above the NDFT",
         Standard::Iso19840,
         {"225.375", "225.37", "225.37"},
         "225.37",
         nullptr,
         0,
         ">= 225.37 um (NDFT)",
         "225.372 um",
         true},
        {"a mean just below the NDFT",
         Standard::Iso19840,
         {"225.365", "225.37", "225.37"},
         "225.37",
         nullptr,
         0,
         ">= 225.37 um (NDFT)",
         "225.368 um",
         false},
        {"a mean on the NDFT",
         Standard::Iso19840,
         {"225.37", "225.37"},
         "225.37",
         nullptr,
         0,
         ">= 225.37 um (NDFT)",
         "225.37 um",
         true},
        {"a reading just above the maximum",
         Standard::Iso19840,
         {"225.371", "225.37"},
         "200",
         "225.37",
         3,
         "<= 225.37 um",
         "225.371 um",
         false},
        {"a reading as written",
         Standard::Iso19840,
         {"49.96", "100"},
         "62.5",
         nullptr,
         1,
         ">= 50 um (80 % of NDFT)",
         "49.96 um",
         false},
        {"a share just above 90 %", Standard::ImoPspc,
         [] {
             std::vector<std::string> r(73, "100");
             r.resize(80, "95");
             return r;
         }(),
         "100", nullptr, 0, "at least 90 % of 80 (at least 72)", "73 of 80 (91.25 %)", true},
        {"a share that does not end", Standard::ImoPspc,
         [] {
             std::vector<std::string> r(5, "100");
             r.resize(6, "95");
             return r;
         }(),
         "100", nullptr, 0, "at least 90 % of 6 (at least 6)", "5 of 6 (83.3 %)", false},
        {"an area mean just above the maximum",
         Standard::SspcPa2,
         {"200", "200", "200.01", "200", "200", "200", "200", "200", "200", "200", "200", "200",
          "200", "200", "200"},
         "100",
         "200",
         0,
         "100 um to 200 um",
         "200.001 um",
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CheckRequest request;
        request.standard = c.standard;
        request.readings = Texts(c.readings);
        const Thickness low{0, Unit::Micrometres, c.low};
        if (c.standard == Standard::SspcPa2) {
            request.minimum = low;
        } else {
            request.ndft = low;
        }
        if (c.maximum) request.maximum = Thickness{0, Unit::Micrometres, c.maximum};
        const Verdict verdict = CheckReadings(request, 0);
        ASSERT_EQ(verdict.error, "");
        ASSERT_GT(verdict.criteria.size(), c.row);
        EXPECT_EQ(verdict.criteria[c.row].required, c.required);
        EXPECT_EQ(verdict.criteria[c.row].measured, c.measured);
        EXPECT_EQ(verdict.criteria[c.row].passed, c.passed);
    }
}

}  // namespace
}  // namespace zepra::coating
