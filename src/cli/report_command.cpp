// zepra-cli report: the PDF inspection report of a group or a saved CSV report, with the verdict
// of a coating standard when one is given (the same request and limits as zepra-cli check).

#include <QFileInfo>
#include <QTime>
#include <algorithm>
#include <memory>

#include "cli/commands.h"
#include "cli/gauge_session.h"
#include "cli/report_csv.h"
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
    const std::string group =
        options.group == kCurrentGroup ? "Current group" : Capitalised(GroupName(options.group));
    return group + " downloaded from " + port + " at " +
           QTime::currentTime().toString(QStringLiteral("HH:mm:ss")).toStdString();
}

}  // namespace

int RunReport(const Options& options) {
    inspection::ReportContent content;
    content.job = {options.project, options.structure, options.coating, options.inspector,
                   options.notes};
    content.unitIsMils = options.unitIsMils;
    content.pageSize = options.letterPage ? inspection::PageSize::Letter : inspection::PageSize::A4;

    coating::CheckSetup setup = CheckSetupOf(options);
    std::unique_ptr<GaugeSession> session;  // the port stays open until the end
    if (options.file) {
        const CsvReadings file = ReadReportCsv(*options.file, options.timeoutSeconds);
        if (!file.error.empty()) {
            PrintMessage(file.error);
            return kExitUsage;
        }
        setup.request.readings = file.readings;
        setup.source = coating::ReadingSource::ReportTexts;
        setup.sourceName = "the file " + *options.file;
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
        const GroupSlot& slot = options.group == kCurrentGroup
                                    ? session->store().currentGroupSlot
                                    : session->store().groupSlot(options.group);
        const auto n = static_cast<std::size_t>(std::clamp(slot.readingCount, 0, 80));
        content.readings.assign(slot.readings.begin(), slot.readings.begin() + n);
        for (const ReadingRecord& record : content.readings) {
            setup.request.readings.push_back({record.value});
        }
        setup.source = coating::ReadingSource::GaugeValues;
        setup.sourceName = GroupName(options.group);
        setup.group = coating::GroupLimits{slot.lowLimit, slot.highLimit};
        content.highLimit = slot.highLimit;
        content.lowLimit = slot.lowLimit;
        content.source = GroupSource(options, *session);
    }

    int exitCode = kExitDone;
    if (options.standardGiven) {
        content.standard = inspection::JudgeReadings(setup);
        const coating::Verdict& verdict = content.standard->verdict;
        if (!verdict.error.empty()) {
            PrintMessage(verdict.error);
            // Values given wrongly write nothing; readings that cannot pass are reported failed.
            if (verdict.errorIsUsage) return kExitUsage;
            exitCode = kExitVerdictFailed;
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
