// zepra-cli report: the PDF inspection report of a group or a saved CSV report, with the verdict
// of a coating standard when one is given (the same request and limits as zepra-cli check).

#include <QFileInfo>
#include <QTime>
#include <algorithm>
#include <memory>

#include "cli/commands.h"
#include "cli/gauge_session.h"
#include "cli/report_csv.h"
#include "data/thickness_format.h"
#include "inspection/inspection_report.h"

namespace zepra::cli {
namespace {

std::string Capitalised(std::string text) {
    if (!text.empty())
        text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    return text;
}

// "Group 2 downloaded from COM3 (/dev/ttyUSB2) at 14:03:22"; with --port, the device alone.
std::string GroupSource(const Options& options, GaugeSession& session) {
    const std::string device = session.devicePath();
    std::string port =
        options.port ? device
                     : "COM" + std::to_string(session.port().portNumber()) + " (" + device + ")";
    return Capitalised(GroupName(options.group)) + " downloaded from " + port + " at " +
           QTime::currentTime().toString(QStringLiteral("HH:mm:ss")).toStdString();
}

std::vector<inspection::ParameterLine> ParameterLines(const Options& options,
                                                      const std::vector<CheckLimit>& limits) {
    std::vector<inspection::ParameterLine> lines;
    for (const CheckLimit& limit : limits) {
        lines.push_back(
            {limit.name, CheckValueText(limit.value, options.unitIsMils), limit.origin});
    }
    if (options.roughness != coating::Roughness::None) {
        const double correction = coating::RoughnessCorrectionMicrometres(options.roughness);
        lines.push_back(
            {"Roughness correction",
             CheckValueText({correction, coating::Unit::Micrometres}, options.unitIsMils),
             "given"});
    }
    if (options.area) {
        lines.push_back({"Area", NumberToText(*options.area) + " m2", "given"});
    }
    return lines;
}

}  // namespace

int RunReport(const Options& options) {
    inspection::ReportContent content;
    content.job = {options.project, options.structure, options.coating, options.inspector,
                   options.notes};
    content.unitIsMils = options.unitIsMils;
    content.pageSize = options.letterPage ? inspection::PageSize::Letter : inspection::PageSize::A4;

    coating::CheckRequest request;
    const GroupSlot* slot = nullptr;
    std::unique_ptr<GaugeSession> session;  // the port stays open until the end
    if (options.file) {
        const CsvReadings file = ReadReportCsv(*options.file);
        if (!file.error.empty()) {
            PrintMessage(file.error);
            return kExitUsage;
        }
        request.readings = file.readings;
        for (std::size_t i = 0; i < file.readings.size(); ++i) {
            content.readings.push_back(
                {static_cast<std::int32_t>(i + 1), file.readings[i].micrometres(), {}});
        }
        content.source =
            "File " + QFileInfo(QString::fromStdString(*options.file)).fileName().toStdString();
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
        const auto n = static_cast<std::size_t>(std::clamp(slot->readingCount, 0, 80));
        content.readings.assign(slot->readings.begin(), slot->readings.begin() + n);
        for (const ReadingRecord& record : content.readings)
            request.readings.push_back({record.value});
        content.highLimit = slot->highLimit;
        content.lowLimit = slot->lowLimit;
        content.source = GroupSource(options, *session);
    }

    int exitCode = kExitDone;
    if (options.standardGiven) {
        std::vector<CheckLimit> limits;
        if (const int prepared = PrepareCheck(options, slot, request, limits);
            prepared != kExitDone) {
            return prepared;
        }
        content.standard = inspection::JudgeReadings(request, ParameterLines(options, limits), {},
                                                     options.unitIsMils);
        const coating::Verdict& verdict = content.standard->verdict;
        if (!verdict.error.empty()) {
            PrintMessage(verdict.error);
            // Values given wrongly write nothing; readings that cannot pass are reported failed.
            exitCode = CheckErrorExit(request);
            if (exitCode == kExitUsage) return exitCode;
        } else if (!verdict.passed()) {
            exitCode = kExitVerdictFailed;
        }
    }

    if (const std::string error = inspection::WriteInspectionReport(content, *options.output);
        !error.empty()) {
        PrintMessage(error);
        return kExitUsage;
    }
    return exitCode;
}

}  // namespace zepra::cli
