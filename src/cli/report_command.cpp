// zepra-cli report: the PDF inspection report of a group or a saved CSV report, with the verdict
// of a coating standard when one is given (the same request and limits as zepra-cli check).

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QTime>
#include <algorithm>
#include <memory>

#include "cli/commands.h"
#include "cli/gauge_session.h"
#include "cli/report_csv.h"
#include "pdf_report/pdf_report.h"

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

    CheckInput input;  // with a group, the port stays open until the end
    if (const int read = ReadCheckInput(options, input); read != kExitDone) return read;
    if (input.archived) {
        const archive::Record& record = input.archived->record;
        content.readings = archive::ReadingsOf(record);
        if (record.highLimitBits) content.highLimit = archive::WidenedValue(*record.highLimitBits);
        if (record.lowLimitBits) content.lowLimit = archive::WidenedValue(*record.lowLimitBits);
        // The record's id, gauge, calibration and digest on lines of their own.
        for (const std::string& line : ArchivedRecordLines(*input.archived))
            content.source += (content.source.empty() ? "" : "\n") + line;
    } else if (input.slot != nullptr) {
        const GroupSlot& slot = *input.slot;
        const auto n = static_cast<std::size_t>(std::clamp(slot.readingCount, 0, 80));
        content.readings.assign(slot.readings.begin(), slot.readings.begin() + n);
        content.highLimit = slot.highLimit;
        content.lowLimit = slot.lowLimit;
        content.source = GroupSource(options, *input.session);
    } else {
        const std::vector<coating::Thickness>& readings = input.setup.request.readings;
        for (std::size_t i = 0; i < readings.size(); ++i) {
            content.readings.push_back(
                {static_cast<std::int32_t>(i + 1), readings[i].micrometres(), {}});
        }
        content.source =
            "File " + QFileInfo(QString::fromStdString(*options.file)).fileName().toStdString();
    }

    int exitCode = kExitDone;
    if (options.standardGiven) {
        content.standard = inspection::JudgeReadings(input.setup);
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
    if (input.archived) {
        // The report joins the record's history, with the digest of the file written.
        QFile written(QString::fromStdString(*options.output));
        QCryptographicHash digest(QCryptographicHash::Sha256);
        if (written.open(QIODevice::ReadOnly)) digest.addData(&written);
        if (const std::unique_ptr<archive::Archive> archive = OpenArchive()) {
            const std::string error =
                archive->addReport(input.archived->record.id, *options.output, "pdf",
                                   digest.result().toHex().toStdString());
            if (!error.empty()) PrintMessage(error);
        }
    }
    return exitCode;
}

}  // namespace zepra::cli
