#include "coating/coating_standards.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "data/thickness_format.h"

namespace zepra::coating {
namespace {

constexpr double kLargestArea = 1e9;  // square metres; beyond that the area is a typing error

// Display texts in the chosen unit.
struct Texts {
    std::int32_t unitIsMils;

    std::string unitWord() const { return unitIsMils == 1 ? "mils" : "um"; }
    std::string value(double micrometres) const {
        return FormatStatistic(micrometres, unitIsMils, StatisticFigure::Extreme) + " " +
               unitWord();
    }
    std::string mean(double micrometres) const {
        return FormatStatistic(micrometres, unitIsMils, StatisticFigure::Mean) + " " + unitWord();
    }
};

std::string Percent(std::size_t part, std::size_t whole) {
    const double tenths =
        std::trunc(1000.0 * static_cast<double>(part) / static_cast<double>(whole));
    return NumberToText(tenths / 10) + " %";
}

std::string CountOf(std::size_t part, std::size_t whole) {
    return std::to_string(part) + " of " + std::to_string(whole) + " (" + Percent(part, whole) +
           ")";
}

// Readings after the roughness correction, exact and for display.
struct Readings {
    std::vector<ExactValue> exact;
    std::vector<double> micrometres;

    double lowest() const { return *std::min_element(micrometres.begin(), micrometres.end()); }
    double highest() const { return *std::max_element(micrometres.begin(), micrometres.end()); }
    double mean() const {
        double sum = 0;
        for (double v : micrometres) sum += v;
        return sum / static_cast<double>(micrometres.size());
    }
    ExactValue sum() const {
        ExactValue total;
        for (const ExactValue& v : exact) total += v;
        return total;
    }
    std::uint32_t count() const { return static_cast<std::uint32_t>(exact.size()); }
};

Readings Corrected(const std::vector<Thickness>& readings, double correctionMicrometres) {
    const ExactValue correction(Thickness{correctionMicrometres, Unit::Micrometres});
    Readings out;
    for (const Thickness& reading : readings) {
        out.exact.push_back(ExactValue(reading) - correction);
        out.micrometres.push_back(reading.micrometres() - correctionMicrometres);
    }
    return out;
}

bool IsUsable(const std::optional<Thickness>& value) {
    return value && std::isfinite(value->value) && value->value > 0;
}

// "every reading <= maximum": the row shared by all three standards.
Criterion HighestReading(const Readings& readings, const ExactValue& maximum,
                         const std::string& required, const Texts& texts) {
    bool passed = true;
    for (const ExactValue& v : readings.exact) passed = passed && v <= maximum;
    return {"Highest reading", "<= " + required, texts.value(readings.highest()), passed};
}

void CheckIso19840(const CheckRequest& request, const Texts& texts, Verdict& verdict) {
    const double correction = RoughnessCorrectionMicrometres(request.roughness);
    const Readings readings = Corrected(request.readings, correction);
    if (correction > 0) {
        verdict.notes.push_back("Roughness correction: " + texts.value(correction) +
                                " subtracted from every reading.");
    }
    const ExactValue ndft(*request.ndft);
    const double ndftUm = request.ndft->micrometres();
    const std::uint32_t n = readings.count();

    // mean >= NDFT  <=>  sum >= n * NDFT
    verdict.criteria.push_back({"Mean of all readings", ">= " + texts.value(ndftUm) + " (NDFT)",
                                texts.mean(readings.mean()), readings.sum() >= ndft * n});

    // every reading >= 80 % of NDFT  <=>  5 x >= 4 NDFT
    bool allAbove80 = true;
    std::size_t between = 0;  // from 80 % of NDFT up to but below NDFT
    for (const ExactValue& v : readings.exact) {
        const bool atLeast80 = v * 5 >= ndft * 4;
        allAbove80 = allAbove80 && atLeast80;
        if (atLeast80 && v < ndft) ++between;
    }
    verdict.criteria.push_back({"Lowest reading",
                                ">= " + texts.value(0.8 * ndftUm) + " (80 % of NDFT)",
                                texts.value(readings.lowest()), allAbove80});
    // fewer than 20 % of the readings  <=>  5 * between < n
    verdict.criteria.push_back({"Readings from 80 % of NDFT to below NDFT",
                                "fewer than 20 % of " + std::to_string(n) + " (at most " +
                                    std::to_string((n - 1) / 5) + ")",
                                CountOf(between, n), 5 * between < n});

    if (request.maximum) {
        verdict.criteria.push_back(HighestReading(readings, ExactValue(*request.maximum),
                                                  texts.value(request.maximum->micrometres()),
                                                  texts));
    } else {
        verdict.notes.push_back("No maximum was given: 3 x NDFT = " + texts.value(3 * ndftUm) +
                                " is used.");
        verdict.criteria.push_back(
            HighestReading(readings, ndft * 3, texts.value(3 * ndftUm) + " (3 x NDFT)", texts));
    }

    if (request.areaSquareMetres) {
        const int least = MinimumReadingsForArea(*request.areaSquareMetres);
        verdict.criteria.push_back(
            {"Number of readings for " + NumberToText(*request.areaSquareMetres) + " m2",
             ">= " + std::to_string(least), std::to_string(n),
             n >= static_cast<std::uint32_t>(least)});
    }
}

void CheckImoPspc(const CheckRequest& request, const Texts& texts, Verdict& verdict) {
    const Readings readings = Corrected(request.readings, 0);
    const ExactValue ndft(*request.ndft);
    const double ndftUm = request.ndft->micrometres();
    const std::uint32_t n = readings.count();

    std::size_t atLeastNdft = 0;
    bool noneBelow90 = true;
    for (const ExactValue& v : readings.exact) {
        if (v >= ndft) ++atLeastNdft;
        // below 90 % of NDFT  <=>  10 x < 9 NDFT
        if (v * 10 < ndft * 9) noneBelow90 = false;
    }
    // at least 90 % of the readings  <=>  10 * count >= 9 n
    verdict.criteria.push_back({"Readings at or above NDFT (" + texts.value(ndftUm) + ")",
                                "at least 90 % of " + std::to_string(n) + " (at least " +
                                    std::to_string((9 * n + 9) / 10) + ")",
                                CountOf(atLeastNdft, n),
                                10 * atLeastNdft >= 9 * static_cast<std::size_t>(n)});
    verdict.criteria.push_back({"Lowest reading",
                                ">= " + texts.value(0.9 * ndftUm) + " (90 % of NDFT)",
                                texts.value(readings.lowest()), noneBelow90});
    if (request.maximum) {
        verdict.criteria.push_back(HighestReading(readings, ExactValue(*request.maximum),
                                                  texts.value(request.maximum->micrometres()),
                                                  texts));
    }
}

void CheckSspcPa2(const CheckRequest& request, const Texts& texts, Verdict& verdict) {
    const Readings readings = Corrected(request.readings, 0);
    const ExactValue minimum(*request.minimum);
    const ExactValue maximum(*request.maximum);
    const double minimumUm = request.minimum->micrometres();
    const double maximumUm = request.maximum->micrometres();
    const std::size_t spotCount = readings.exact.size() / 3;
    const std::size_t used = spotCount * 3;

    verdict.criteria.push_back(
        {"Spots of three readings", ">= 1", std::to_string(spotCount), spotCount >= 1});
    if (used < readings.exact.size()) {
        const std::string first = std::to_string(used + 1);
        const std::string last = std::to_string(readings.exact.size());
        verdict.notes.push_back(used + 1 == readings.exact.size()
                                    ? "Reading " + first +
                                          " does not complete a spot and is not used."
                                    : "Readings " + first + " to " + last +
                                          " do not complete a spot and are not used.");
    }
    if (spotCount == 0) return;

    // A spot's sum stands for its mean: mean = sum / 3.
    ExactValue sumOfSpots;
    bool lowOk = true;
    bool highOk = true;
    double lowestMean = std::numeric_limits<double>::infinity();
    double highestMean = -lowestMean;
    double sumOfMeans = 0;
    for (std::size_t s = 0; s < spotCount; ++s) {
        const ExactValue spotSum =
            readings.exact[3 * s] + readings.exact[3 * s + 1] + readings.exact[3 * s + 2];
        sumOfSpots += spotSum;
        // mean >= 80 % of minimum  <=>  5 sum >= 12 minimum
        lowOk = lowOk && spotSum * 5 >= minimum * 12;
        // mean <= 120 % of maximum  <=>  5 sum <= 18 maximum
        highOk = highOk && spotSum * 5 <= maximum * 18;
        const double mean = (readings.micrometres[3 * s] + readings.micrometres[3 * s + 1] +
                             readings.micrometres[3 * s + 2]) /
                            3;
        lowestMean = std::min(lowestMean, mean);
        highestMean = std::max(highestMean, mean);
        sumOfMeans += mean;
        verdict.spots.push_back(
            {static_cast<int>(3 * s + 1), static_cast<int>(3 * s + 3), mean, texts.mean(mean)});
    }
    verdict.criteria.push_back({"Lowest spot mean",
                                ">= " + texts.value(0.8 * minimumUm) + " (80 % of minimum)",
                                texts.mean(lowestMean), lowOk});
    verdict.criteria.push_back({"Highest spot mean",
                                "<= " + texts.value(1.2 * maximumUm) + " (120 % of maximum)",
                                texts.mean(highestMean), highOk});
    // minimum <= sumOfSpots / (3 k) <= maximum
    const auto readingsUsed = static_cast<std::uint32_t>(used);
    verdict.criteria.push_back(
        {"Mean of the spot means", texts.value(minimumUm) + " to " + texts.value(maximumUm),
         texts.mean(sumOfMeans / static_cast<double>(spotCount)),
         sumOfSpots >= minimum * readingsUsed && sumOfSpots <= maximum * readingsUsed});
}

// What must be given for the standard; empty when all is there.
std::string MissingOrInvalid(const CheckRequest& request) {
    const bool needsNdft = request.standard != Standard::SspcPa2;
    if (needsNdft && !request.ndft) return "The NDFT is needed for this standard.";
    if (needsNdft && !IsUsable(request.ndft)) return "The NDFT must be a number above 0.";
    if (!needsNdft && (!request.minimum || !request.maximum)) {
        return "The minimum and the maximum are needed for this standard.";
    }
    if (!needsNdft && (!IsUsable(request.minimum) || !IsUsable(request.maximum))) {
        return "The minimum and the maximum must be numbers above 0.";
    }
    if (request.maximum && !IsUsable(request.maximum))
        return "The maximum must be a number above 0.";
    if (!needsNdft && ExactValue(*request.minimum) > ExactValue(*request.maximum)) {
        return "The minimum must not be above the maximum.";
    }
    if (request.areaSquareMetres && MinimumReadingsForArea(*request.areaSquareMetres) == 0) {
        return "The area must be a number of square metres above 0.";
    }
    if (request.readings.empty()) return "There are no readings to check.";
    for (std::size_t i = 0; i < request.readings.size(); ++i) {
        if (!std::isfinite(request.readings[i].value)) {
            return "Reading " + std::to_string(i + 1) + " is not a number.";
        }
    }
    return {};
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
    if (!(squareMetres > 0) || squareMetres > kLargestArea) return 0;
    if (squareMetres <= 1) return 5;
    if (squareMetres <= 3) return 10;
    if (squareMetres <= 10) return 15;
    if (squareMetres <= 30) return 20;
    if (squareMetres <= 100) return 30;
    // 10 more for every further 100 m2 or part of it: the least k with 100 + 100 k >= area
    // (100 + 100 k is exact in a double).
    auto k = static_cast<long long>(std::floor((squareMetres - 100) / 100));
    k = std::max(k, 1LL);
    while (100.0 + 100.0 * static_cast<double>(k) < squareMetres) ++k;
    while (k > 1 && 100.0 + 100.0 * static_cast<double>(k - 1) >= squareMetres) --k;
    return static_cast<int>(30 + 10 * k);
}

bool Verdict::passed() const {
    return error.empty() && !criteria.empty() &&
           std::all_of(criteria.begin(), criteria.end(),
                       [](const Criterion& c) { return c.passed; });
}

Verdict CheckReadings(const CheckRequest& request, std::int32_t unitIsMils) {
    Verdict verdict;
    verdict.error = MissingOrInvalid(request);
    if (!verdict.error.empty()) return verdict;
    if (request.standard != Standard::Iso19840 &&
        (request.roughness != Roughness::None || request.areaSquareMetres)) {
        verdict.error = "The roughness and the area apply to ISO 19840 only.";
        return verdict;
    }
    const Texts texts{unitIsMils};
    switch (request.standard) {
        case Standard::Iso19840:
            CheckIso19840(request, texts, verdict);
            break;
        case Standard::ImoPspc:
            CheckImoPspc(request, texts, verdict);
            break;
        case Standard::SspcPa2:
            CheckSspcPa2(request, texts, verdict);
            break;
    }
    return verdict;
}

}  // namespace zepra::coating
