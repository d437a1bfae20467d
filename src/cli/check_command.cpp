// zepra-cli check: the verdict of a group or a saved CSV report against a coating standard.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cmath>

#include "cli/commands.h"
#include "cli/gauge_session.h"
#include "cli/output.h"
#include "cli/report_csv.h"
#include "data/thickness_format.h"

namespace zepra::cli {
namespace {

using coating::Standard;
using coating::Thickness;
using coating::Unit;

using Limit = CheckLimit;

std::string PadRight(std::string text, std::size_t width) {
    if (text.size() < width) text.resize(width, ' ');
    return text;
}

std::string TextVerdict(const coating::Verdict& verdict, const std::string& source,
                        std::size_t readingCount, const std::vector<Limit>& limits,
                        Standard standard, std::int32_t unitIsMils) {
    std::string out = std::string(coating::StandardName(standard)) + ": " +
                      std::to_string(readingCount) + " readings from " + source + ", in " +
                      (unitIsMils == 1 ? "mils" : "um") + "\n";
    for (const Limit& limit : limits) {
        out += limit.name + ": " + CheckValueText(limit.value, unitIsMils) + " (" + limit.origin +
               ")\n";
    }
    out += "\n";
    std::size_t widths[3] = {9, 8, 8};  // "Criterion", "Required", "Measured"
    for (const coating::Criterion& c : verdict.criteria) {
        widths[0] = std::max(widths[0], c.name.size());
        widths[1] = std::max(widths[1], c.required.size());
        widths[2] = std::max(widths[2], c.measured.size());
    }
    auto row = [&](const std::string& a, const std::string& b, const std::string& c,
                   const std::string& d) {
        return PadRight(a, widths[0] + 2) + PadRight(b, widths[1] + 2) +
               PadRight(c, widths[2] + 2) + d + "\n";
    };
    out += row("Criterion", "Required", "Measured", "Result");
    for (const coating::Criterion& c : verdict.criteria) {
        out += row(c.name, c.required, c.measured, c.passed ? "pass" : "FAIL");
    }
    if (!verdict.spots.empty()) {
        out += "\nSpots:\n";
        for (const coating::Spot& spot : verdict.spots) {
            out += "  readings " + std::to_string(spot.first) + " to " + std::to_string(spot.last) +
                   ": mean " + spot.mean + "\n";
        }
    }
    if (!verdict.notes.empty()) {
        out += "\n";
        for (const std::string& note : verdict.notes) out += note + "\n";
    }
    out += std::string("\nVerdict: ") + (verdict.passed() ? "PASS" : "FAIL") + "\n";
    return out;
}

std::string JsonVerdict(const coating::Verdict& verdict, const QJsonObject& source,
                        std::size_t readingCount, const std::vector<Limit>& limits,
                        Standard standard, std::int32_t unitIsMils) {
    auto q = [](const std::string& s) { return QString::fromStdString(s); };
    QJsonObject limitObject;
    for (const Limit& limit : limits) {
        std::string key = limit.name;
        std::transform(key.begin(), key.end(), key.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        limitObject[q(key)] = QJsonObject{{"micrometres", limit.value.micrometres()},
                                          {"text", q(CheckValueText(limit.value, unitIsMils))},
                                          {"from", q(limit.origin)}};
    }
    QJsonArray criteria;
    for (const coating::Criterion& c : verdict.criteria) {
        criteria.append(QJsonObject{{"criterion", q(c.name)},
                                    {"required", q(c.required)},
                                    {"measured", q(c.measured)},
                                    {"pass", c.passed}});
    }
    QJsonArray spots;
    for (const coating::Spot& spot : verdict.spots) {
        spots.append(QJsonObject{{"first", spot.first},
                                 {"last", spot.last},
                                 {"micrometres", spot.meanMicrometres},
                                 {"mean", q(spot.mean)}});
    }
    QJsonArray notes;
    for (const std::string& note : verdict.notes) notes.append(q(note));
    const QJsonObject document{{"standard", coating::StandardName(standard)},
                               {"unit", unitIsMils == 1 ? "mils" : "um"},
                               {"source", source},
                               {"readings", static_cast<qint64>(readingCount)},
                               {"limits", limitObject},
                               {"criteria", criteria},
                               {"spots", spots},
                               {"notes", notes},
                               {"pass", verdict.passed()}};
    return QJsonDocument(document).toJson(QJsonDocument::Indented).toStdString();
}

}  // namespace

std::string CheckValueText(const Thickness& t, std::int32_t unitIsMils) {
    return FormatStatistic(t.micrometres(), unitIsMils, StatisticFigure::Extreme) +
           (unitIsMils == 1 ? " mils" : " um");
}

int PrepareCheck(const Options& options, const GroupSlot* slot, coating::CheckRequest& request,
                 std::vector<CheckLimit>& limits) {
    const Unit optionUnit = options.unitIsMils == 1 ? Unit::Mils : Unit::Micrometres;
    auto given = [&](const std::optional<double>& v) -> std::optional<Thickness> {
        if (!v) return std::nullopt;
        return Thickness{*v, optionUnit};
    };

    request.standard = options.standard;
    request.ndft = given(options.ndft);
    request.minimum = given(options.minimum);
    request.maximum = given(options.maximum);
    request.roughness = options.roughness;
    request.areaSquareMetres = options.area;

    const bool sspc = options.standard == Standard::SspcPa2;
    auto addLimit = [&](const char* name, const std::optional<Thickness>& value,
                        const std::string& origin) {
        if (value) limits.push_back({name, *value, origin});
    };
    if (slot == nullptr) {
        addLimit(sspc ? "Minimum" : "NDFT", sspc ? request.minimum : request.ndft, "given");
        addLimit("Maximum", request.maximum, "given");
        return kExitDone;
    }
    std::optional<Thickness>& low = sspc ? request.minimum : request.ndft;
    const char* lowName = sspc ? "Minimum" : "NDFT";
    // A limit the gauge holds no sensible value for cannot stand in for an option.
    auto fromGroup = [&](double limit, const std::string& which, const char* option) {
        if (std::isfinite(limit) && limit > 0) return true;
        PrintMessage("The group's " + which + " limit (" + NumberToText(limit) +
                     ") cannot be used: give " + option + ".");
        return false;
    };
    if (low) {
        addLimit(lowName, low, "given");
    } else {
        if (!fromGroup(slot->lowLimit, "low", sspc ? "--min" : "--ndft")) return kExitUsage;
        low = Thickness{slot->lowLimit};
        addLimit(lowName, low, "the group's low limit");
    }
    if (request.maximum) {
        addLimit("Maximum", request.maximum, "given");
    } else {
        if (!fromGroup(slot->highLimit, "high", "--max")) return kExitUsage;
        request.maximum = Thickness{slot->highLimit};
        addLimit("Maximum", request.maximum, "the group's high limit");
    }
    return kExitDone;
}

int CheckErrorExit(const coating::CheckRequest& request) {
    // Readings that cannot pass fail the check; values given wrongly are a usage error.
    const bool badReadings =
        request.readings.empty() ||
        std::any_of(request.readings.begin(), request.readings.end(),
                    [](const Thickness& t) { return !std::isfinite(t.value); });
    return badReadings ? kExitVerdictFailed : kExitUsage;
}

int RunCheck(const Options& options) {
    coating::CheckRequest request;
    std::vector<Limit> limits;
    std::string sourceText;
    QJsonObject source;
    const GroupSlot* slot = nullptr;

    std::unique_ptr<GaugeSession> session;  // the port stays open until the end
    if (options.file) {
        const CsvReadings file = ReadReportCsv(*options.file);
        if (!file.error.empty()) {
            PrintMessage(file.error);
            return kExitUsage;
        }
        request.readings = file.readings;
        sourceText = "the file " + *options.file;
        source = {{"file", QString::fromStdString(*options.file)}};
    } else {
        session = std::make_unique<GaugeSession>(options.port);
        if (const int opened = session->open(); opened != kExitDone) return opened;
        std::set<int> stored;
        if (const int result = session->download(options.group, options.timeoutSeconds, stored);
            result != kExitDone) {
            return result;
        }
        slot = options.group == kCurrentGroup ? &session->store().currentGroupSlot
                                              : &session->store().groupSlot(options.group);
        for (std::int32_t i = 0; i < std::clamp(slot->readingCount, 0, GroupSlot::kCapacity); ++i) {
            request.readings.push_back({slot->readings[static_cast<std::size_t>(i)].value});
        }
        sourceText = GroupName(options.group);
        source = {{"group", options.group == kCurrentGroup ? QStringLiteral("current")
                                                           : QString::number(options.group)}};
    }
    if (const int prepared = PrepareCheck(options, slot, request, limits); prepared != kExitDone) {
        return prepared;
    }

    const coating::Verdict verdict = coating::CheckReadings(request, options.unitIsMils);
    if (!verdict.error.empty()) {
        PrintMessage(verdict.error);
        return CheckErrorExit(request);
    }
    const std::string out = options.format == OutputFormat::Json
                                ? JsonVerdict(verdict, source, request.readings.size(), limits,
                                              options.standard, options.unitIsMils)
                                : TextVerdict(verdict, sourceText, request.readings.size(), limits,
                                              options.standard, options.unitIsMils);
    if (!WriteStandardOutput(out)) return kExitUsage;
    return verdict.passed() ? kExitDone : kExitVerdictFailed;
}

}  // namespace zepra::cli
