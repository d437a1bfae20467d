#include "coating/coating_standards.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <vector>

namespace zepra::coating {
namespace {

double Below(double v) {
    return std::nextafter(v, 0.0);
}
double Above(double v) {
    return std::nextafter(v, 1e9);
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

    request.readings[1] = {std::nextafter(254.0, 1e9), Unit::Micrometres};
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
    for (const auto& [area, passes] : {std::pair{3.0, true}, std::pair{Above(3), false}}) {
        request.areaSquareMetres = area;
        const Verdict verdict = CheckReadings(request, 0);
        ASSERT_EQ(verdict.criteria.size(), 5u);
        EXPECT_EQ(verdict.criteria[4].required, passes ? ">= 10" : ">= 15");
        EXPECT_EQ(verdict.criteria[4].measured, "10");
        EXPECT_EQ(verdict.criteria[4].passed, passes);
    }
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
    EXPECT_EQ(um.criteria[0].measured, "101 um");  // (559.75 - 50) / 5 = 101.95, truncated
    EXPECT_EQ(um.criteria[1].required, ">= 80 um (80 % of NDFT)");
    EXPECT_EQ(um.criteria[1].measured, "85.2 um");
    EXPECT_EQ(um.criteria[2].name, "Readings from 80 % of NDFT to below NDFT");
    EXPECT_EQ(um.criteria[2].required, "fewer than 20 % of 5 (at most 0)");
    EXPECT_EQ(um.criteria[2].measured, "2 of 5 (40 %)");
    EXPECT_FALSE(um.criteria[2].passed);
    EXPECT_EQ(um.criteria[3].required, "<= 300 um (3 x NDFT)");
    EXPECT_EQ(um.criteria[3].measured, "120 um");
    EXPECT_EQ(um.notes, (std::vector<std::string>{
                            "Roughness correction: 10 um subtracted from every reading.",
                            "No maximum was given: 3 x NDFT = 300 um is used."}));
    EXPECT_FALSE(um.passed());

    const Verdict mils = CheckReadings(request, 1);
    EXPECT_EQ(mils.criteria[0].required, ">= 3.93 mils (NDFT)");
    EXPECT_EQ(mils.criteria[0].measured, "4.01 mils");
    EXPECT_EQ(mils.criteria[3].required, "<= 11.81 mils (3 x NDFT)");
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

struct SspcCase {
    const char* what;
    std::vector<double> readings;
    // at least one spot, lowest spot mean >= 80 % min, highest <= 120 % max, mean within
    std::vector<bool> expected;
};

TEST(SspcPa2, SpotsAndTheirMeansAtTheBoundaries) {
    // minimum 100, maximum 200
    const SspcCase cases[] = {
        {"one spot in the middle", {150, 150, 150}, {1, 1, 1, 1}},
        {"a spot mean exactly 80 % of the minimum", {70, 80, 90, 120, 120, 120}, {1, 1, 1, 1}},
        {"just below", {70, 80, Below(90), 120, 120, 120}, {1, 0, 1, 0}},
        {"a spot mean exactly 120 % of the maximum", {240, 240, 240, 160, 160, 160}, {1, 1, 1, 1}},
        {"just above", {240, 240, Above(240), 160, 160, 160}, {1, 1, 0, 0}},
        {"mean of the spot means on the minimum", {90, 90, 90, 110, 110, 110}, {1, 1, 1, 1}},
        {"mean of the spot means just below the minimum",
         {90, 90, 90, 110, 110, Below(110)},
         {1, 1, 1, 0}},
        {"mean of the spot means on the maximum", {190, 190, 190, 210, 210, 210}, {1, 1, 1, 1}},
        {"mean of the spot means just above the maximum",
         {190, 190, 190, 210, 210, Above(210)},
         {1, 1, 1, 0}},
        {"single readings are not judged on their own", {10, 145, 145}, {1, 1, 1, 1}},
        {"a remainder is not used", {150, 150, 150, 1, 1000}, {1, 1, 1, 1}},
        {"two readings make no spot", {150, 150}, {0}},
    };
    for (const SspcCase& c : cases) {
        SCOPED_TRACE(c.what);
        CheckRequest request;
        request.standard = Standard::SspcPa2;
        request.readings = Um(c.readings);
        request.minimum = Thickness{100, Unit::Micrometres};
        request.maximum = Thickness{200, Unit::Micrometres};
        const Verdict verdict = CheckReadings(request, 0);
        ASSERT_EQ(verdict.error, "");
        EXPECT_EQ(Results(verdict), c.expected);
    }
}

TEST(SspcPa2, SpotsAndRemaindersAreReported) {
    CheckRequest request;
    request.standard = Standard::SspcPa2;
    request.minimum = Thickness{100, Unit::Micrometres};
    request.maximum = Thickness{200, Unit::Micrometres};
    request.readings = Um({100, 110, 120, 150, 160, 170, 99});
    Verdict verdict = CheckReadings(request, 0);
    ASSERT_EQ(verdict.spots.size(), 2u);
    EXPECT_EQ(verdict.spots[0].first, 1);
    EXPECT_EQ(verdict.spots[0].last, 3);
    EXPECT_EQ(verdict.spots[0].mean, "110 um");
    EXPECT_EQ(verdict.spots[1].first, 4);
    EXPECT_EQ(verdict.spots[1].mean, "160 um");
    EXPECT_EQ(verdict.notes,
              std::vector<std::string>{"Reading 7 does not complete a spot and is not used."});
    EXPECT_EQ(verdict.criteria[1].required, ">= 80 um (80 % of minimum)");
    EXPECT_EQ(verdict.criteria[2].required, "<= 240 um (120 % of maximum)");
    EXPECT_EQ(verdict.criteria[3].required, "100 um to 200 um");
    EXPECT_EQ(verdict.criteria[3].measured, "135 um");

    request.readings.push_back({98});
    verdict = CheckReadings(request, 0);
    EXPECT_EQ(verdict.notes,
              std::vector<std::string>{"Readings 7 to 8 do not complete a spot and are not used."});
}

// ---- what cannot be judged ----

struct ErrorCase {
    const char* what;
    CheckRequest request;
    const char* error;
};

TEST(CoatingStandards, MissingOrInvalidInputIsNotJudged) {
    const Thickness hundred{100, Unit::Micrometres};
    const std::vector<Thickness> readings = Um({100, 100, 100});
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const ErrorCase cases[] = {
        {"no NDFT",
         {Standard::Iso19840, readings, {}, {}, {}, Roughness::None, {}},
         "The NDFT is needed for this standard."},
        {"NDFT zero",
         {Standard::ImoPspc, readings, Thickness{0}, {}, {}, Roughness::None, {}},
         "The NDFT must be a number above 0."},
        {"NDFT not a number",
         {Standard::ImoPspc, readings, Thickness{nan}, {}, {}, Roughness::None, {}},
         "The NDFT must be a number above 0."},
        {"no maximum",
         {Standard::SspcPa2, readings, {}, hundred, {}, Roughness::None, {}},
         "The minimum and the maximum are needed for this standard."},
        {"minimum above maximum",
         {Standard::SspcPa2, readings, {}, Thickness{101}, hundred, Roughness::None, {}},
         "The minimum must not be above the maximum."},
        {"negative maximum",
         {Standard::Iso19840, readings, hundred, {}, Thickness{-1}, Roughness::None, {}},
         "The maximum must be a number above 0."},
        {"area zero",
         {Standard::Iso19840, readings, hundred, {}, {}, Roughness::None, 0.0},
         "The area must be a number of square metres above 0."},
        {"no readings",
         {Standard::Iso19840, {}, hundred, {}, {}, Roughness::None, {}},
         "There are no readings to check."},
        {"a reading that is not a number",
         {Standard::Iso19840, Um({100, nan}), hundred, {}, {}, Roughness::None, {}},
         "Reading 2 is not a number."},
        {"roughness with IMO",
         {Standard::ImoPspc, readings, hundred, {}, {}, Roughness::Fine, {}},
         "The roughness and the area apply to ISO 19840 only."},
    };
    for (const ErrorCase& c : cases) {
        SCOPED_TRACE(c.what);
        const Verdict verdict = CheckReadings(c.request, 0);
        EXPECT_EQ(verdict.error, c.error);
        EXPECT_TRUE(verdict.criteria.empty());
        EXPECT_FALSE(verdict.passed());
    }
    // The minimum equal to the maximum is fine.
    const CheckRequest equal{Standard::SspcPa2, readings,        {}, hundred,
                             hundred,           Roughness::None, {}};
    EXPECT_TRUE(CheckReadings(equal, 0).passed());
}

}  // namespace
}  // namespace zepra::coating
