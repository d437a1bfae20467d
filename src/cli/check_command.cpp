// zepra-cli check: the verdict of a group or a saved CSV report against a coating standard.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <charconv>
#include <cmath>

#include "cli/commands.h"
#include "cli/gauge_session.h"
#include "cli/output.h"
#include "cli/report_csv.h"
#include "data/thickness_format.h"
#include "data/typed_number.h"

namespace zepra::cli {
namespace {

using coating::Amount;
using coating::Thickness;
using coating::Unit;

std::string PadRight(std::string text, std::size_t width) {
    if (text.size() < width) text.resize(width, ' ');
    return text;
}

std::string TextVerdict(const coating::Verdict& verdict) {
    std::string out = verdict.heading + "\n";
    for (const coating::Parameter& p : verdict.parameters) {
        out += p.name + ": " + p.text + " (" + p.origin + ")\n";
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
        for (std::size_t i = 0; i < verdict.spots.size(); ++i) {
            const coating::Spot& spot = verdict.spots[i];
            std::string readings;
            for (int n : spot.readings)
                readings += (readings.empty() ? "" : ", ") + std::to_string(n);
            out += "  spot " + std::to_string(i + 1) + " (readings " + readings + "): mean " +
                   spot.mean +
                   (spot.area == 0 ? ", not used"
                                   : ", area " + std::to_string(spot.area) +
                                         (spot.passed ? "" : ", outside the spot limits")) +
                   "\n";
        }
    }
    if (!verdict.notes.empty()) {
        out += "\n";
        for (const std::string& note : verdict.notes) out += note + "\n";
    }
    out += std::string("\nVerdict: ") + coating::VerdictWord(verdict) +
           (verdict.unchecked.empty() ? "" : " (" + verdict.unchecked + ")") + "\n";
    return out;
}

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

QJsonObject AmountJson(const Amount& a) {
    return {{"text", Q(a.text)}, {"micrometres", a.micrometres}, {"inUnit", a.inUnit}};
}

QJsonArray AmountsJson(const std::vector<Amount>& amounts) {
    QJsonArray out;
    for (const Amount& a : amounts) out.append(AmountJson(a));
    return out;
}

std::string JsonVerdict(const coating::Verdict& verdict, const QJsonObject& source,
                        coating::Standard standard, std::int32_t unitIsMils) {
    const QString unitWord = unitIsMils == 1 ? "mils" : "um";
    QJsonObject limits;  // the thickness parameters by name, as before
    QJsonArray parameters;
    for (const coating::Parameter& p : verdict.parameters) {
        QJsonObject object{{"name", Q(p.name)}, {"text", Q(p.text)}, {"from", Q(p.origin)}};
        if (p.value) {
            object["micrometres"] = p.value->micrometres;
            object["inUnit"] = p.value->inUnit;
            QString key = Q(p.name).toLower();
            limits[key] = QJsonObject{{"micrometres", p.value->micrometres},
                                      {"inUnit", p.value->inUnit},
                                      {"text", Q(p.text)},
                                      {"from", Q(p.origin)}};
        }
        parameters.append(object);
    }
    QJsonArray criteria;
    for (const coating::Criterion& c : verdict.criteria) {
        QJsonObject object{{"criterion", Q(c.name)},
                           {"rule", Q(c.rule)},
                           {"required", Q(c.required)},
                           {"measured", Q(c.measured)},
                           {"requiredValues", AmountsJson(c.requiredValues)},
                           {"measuredValues", AmountsJson(c.measuredValues)},
                           {"pass", c.passed}};
        if (c.count) object["count"] = static_cast<qint64>(*c.count);
        if (c.requiredCount) object["requiredCount"] = static_cast<qint64>(*c.requiredCount);
        criteria.append(object);
    }
    QJsonArray spots;
    for (const coating::Spot& spot : verdict.spots) {
        QJsonArray numbers;
        for (int n : spot.readings) numbers.append(n);
        spots.append(QJsonObject{{"first", spot.first},
                                 {"last", spot.last},
                                 {"readings", numbers},
                                 {"micrometres", spot.meanMicrometres},
                                 {"mean", Q(spot.mean)},
                                 {"area", spot.area},
                                 {"pass", spot.passed}});
    }
    QJsonArray areas;
    for (const coating::Area& area : verdict.areas) {
        areas.append(QJsonObject{{"number", area.number},
                                 {"firstSpot", area.firstSpot},
                                 {"lastSpot", area.lastSpot},
                                 {"mean", AmountJson(area.mean)},
                                 {"pass", area.passed}});
    }
    QJsonArray readings;
    QJsonArray excluded;
    for (const coating::ReadingMark& r : verdict.readings) {
        QJsonObject object{{"number", r.number},   {"value", AmountJson(r.value)},
                           {"outside", r.outside}, {"excluded", r.excluded},
                           {"unused", r.unused},   {"belowNdft", r.belowNdft}};
        if (r.excluded) {
            object["reason"] = Q(r.reason);
            excluded.append(QJsonObject{{"number", r.number}, {"reason", Q(r.reason)}});
        }
        readings.append(object);
    }
    QJsonArray notes;
    for (const std::string& note : verdict.notes) notes.append(Q(note));
    const QJsonObject document{{"standard", coating::StandardName(standard)},
                               {"unit", unitWord},
                               {"heading", Q(verdict.heading)},
                               {"source", source},
                               {"readings", static_cast<qint64>(verdict.readings.size())},
                               {"limits", limits},
                               {"parameters", parameters},
                               {"criteria", criteria},
                               {"spots", spots},
                               {"areas", areas},
                               {"readingList", readings},
                               {"excluded", excluded},
                               {"outsideScope", verdict.outsideScope},
                               {"notes", notes},
                               {"verdict", coating::VerdictWord(verdict)},
                               {"reason", Q(verdict.error)},
                               {"unchecked", Q(verdict.unchecked)},
                               {"pass", verdict.passed()}};
    return QJsonDocument(document).toJson(QJsonDocument::Indented).toStdString();
}

}  // namespace

coating::CheckSetup CheckSetupOf(const Options& options) {
    const Unit unit = options.unitIsMils == 1 ? Unit::Mils : Unit::Micrometres;
    // Checked by the option reader already; shown as typed.
    auto given = [&](const std::optional<std::string>& text) -> std::optional<Thickness> {
        if (!text) return std::nullopt;
        Thickness thickness{ReadTypedDouble(*text, nullptr, true).value_or(0.0), unit,
                            Trimmed(*text)};
        thickness.typed = true;
        return thickness;
    };

    coating::CheckSetup setup;
    coating::CheckRequest& request = setup.request;
    request.standard = options.standard;
    request.ndft = given(options.ndft);
    request.minimum = given(options.minimum);
    request.maximum = given(options.maximum);
    request.roughness = options.roughness;
    request.surface = options.area;
    request.level = options.level;
    request.readingsPerSpot = options.readingsPerSpot;
    request.spotsPerArea = options.spotsPerArea;
    for (int number : options.exclude) request.exclusions.push_back({number, options.reason});
    setup.unit = unit;
    return setup;
}

int ExitCodeOf(const coating::Verdict& verdict) {
    if (verdict.noVerdict()) return kExitNoVerdict;
    return verdict.passed() ? kExitDone : kExitVerdictFailed;
}

int ReadCheckInput(const Options& options, CheckInput& input) {
    input.setup = CheckSetupOf(options);
    coating::CheckSetup& setup = input.setup;
    if (options.file) {
        CsvReadings file = ReadReportCsv(*options.file, options.timeoutSeconds);
        if (!file.error.empty()) {
            PrintMessage(file.error);
            return kExitUsage;
        }
        setup.request.readings = std::move(file.readings);
        input.firstTime = file.firstTime;
        input.lastTime = file.lastTime;
        setup.source = coating::ReadingSource::ReportTexts;
        setup.sourceName = "the file " + *options.file;
        return kExitDone;
    }
    if (options.archiveId) {
        const std::unique_ptr<archive::Archive> archive = OpenArchive();
        if (!archive) return kExitArchive;
        std::string error;
        input.archived = archive->details(*options.archiveId, error);
        if (!input.archived) {
            PrintMessage("The archive has " + error + ".");
            return kExitArchive;
        }
        const archive::Record& record = input.archived->record;
        // What the gauge sent, judged as a group's values are; an imported report as its texts.
        const bool imported = record.source == archive::Source::Import;
        const coating::Unit unit = record.unitIsMils == 1 ? Unit::Mils : Unit::Micrometres;
        for (std::size_t i = 0; i < record.valueBits.size(); ++i) {
            const double micrometres = archive::WidenedValue(record.valueBits[i]);
            if (!imported) {
                setup.request.readings.push_back({micrometres});
                continue;
            }
            double value = 0;
            const std::string& text = record.texts[i];
            std::string decimal = text;
            std::replace(decimal.begin(), decimal.end(), ',', '.');
            std::from_chars(decimal.data(), decimal.data() + decimal.size(), value);
            setup.request.readings.push_back({value, unit, text});
        }
        setup.source =
            imported ? coating::ReadingSource::ReportTexts : coating::ReadingSource::GaugeValues;
        setup.sourceName = "archived record " + record.id;
        if (record.highLimitBits && record.lowLimitBits) {
            setup.group = coating::GroupLimits{archive::WidenedValue(*record.lowLimitBits),
                                               archive::WidenedValue(*record.highLimitBits)};
        }
        return kExitDone;
    }
    input.session = std::make_unique<GaugeSession>(options.port);
    if (const int opened = input.session->open(); opened != kExitDone) return opened;
    std::set<int> stored;
    if (const int result = input.session->download(options.group, options.timeoutSeconds, stored);
        result != kExitDone) {
        return result;
    }
    const GroupSlot& slot = options.group == kCurrentGroup
                                ? input.session->store().currentGroupSlot
                                : input.session->store().groupSlot(options.group);
    for (std::int32_t i = 0; i < std::clamp(slot.readingCount, 0, GroupSlot::kCapacity); ++i) {
        setup.request.readings.push_back({slot.readings[static_cast<std::size_t>(i)].value});
    }
    setup.source = coating::ReadingSource::GaugeValues;
    setup.sourceName = GroupName(options.group);
    setup.group = coating::GroupLimits{slot.lowLimit, slot.highLimit};
    input.slot = &slot;
    return kExitDone;
}

int RunCheck(const Options& options) {
    CheckInput input;  // with a group, the port stays open until the end
    if (const int read = ReadCheckInput(options, input); read != kExitDone) return read;
    const coating::CheckSetup& setup = input.setup;
    QJsonObject source = options.file
                             ? QJsonObject{{"file", Q(*options.file)}, {"values", "report texts"}}
                             : QJsonObject{{"group", options.group == kCurrentGroup
                                                         ? QStringLiteral("current")
                                                         : QString::number(options.group)},
                                           {"values", "gauge values"}};
    if (input.archived) {
        source = QJsonObject{
            {"archive", Q(input.archived->record.id)},
            {"sha256", Q(input.archived->record.sha256)},
            {"values", setup.source == coating::ReadingSource::ReportTexts ? "report texts"
                                                                           : "gauge values"}};
    }

    const coating::Verdict verdict = coating::ResolveCheck(setup);
    if (!verdict.error.empty()) PrintMessage(verdict.error);
    if (verdict.errorIsUsage) return kExitUsage;
    // Without readings to judge the text output has nothing to show; JSON still gives its one
    // object, with "verdict": "NO VERDICT" and the reason.
    if (verdict.noVerdict() && options.format != OutputFormat::Json) return kExitNoVerdict;
    const std::string out = options.format == OutputFormat::Json
                                ? JsonVerdict(verdict, source, options.standard, options.unitIsMils)
                                : TextVerdict(verdict);
    if (!WriteResult(std::nullopt, out)) return kExitUsage;
    if (input.archived) {
        // The check joins the record's history.
        std::string parameters;
        for (const coating::Parameter& p : verdict.parameters)
            parameters += (parameters.empty() ? "" : ", ") + p.name + " " + p.text;
        if (const std::unique_ptr<archive::Archive> archive = OpenArchive()) {
            const std::string error = archive->addCheck(
                input.archived->record.id, coating::StandardName(options.standard), parameters,
                verdict.noVerdict() ? "no verdict"
                : verdict.passed()  ? "pass"
                                    : "fail");
            if (!error.empty()) PrintMessage(error);
        }
    }
    return ExitCodeOf(verdict);
}

}  // namespace zepra::cli
