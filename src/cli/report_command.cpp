// zepra-cli report: the PDF inspection report of a group or a saved CSV report, with the verdict
// of a coating standard when one is given (the same request and limits as zepra-cli check).

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTime>
#include <algorithm>
#include <memory>

#include "cli/commands.h"
#include "cli/gauge_session.h"
#include "cli/report_csv.h"
#include "pdf_report/pdf_report.h"
#include "platform/ascii_case.h"

namespace zepra::cli {
namespace {

std::string Capitalised(std::string text) {
    if (!text.empty()) text[0] = AsciiUpper(text[0]);
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

// "2026-03-04 14:03:22", in local time.
QString LocalText(const QDateTime& time) {
    return time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// When a capture's readings were taken: "2026-03-04 14:03:22 to 14:05:10 (the capture's reading
// times)", the second date written only when it differs; empty without valid times.
std::string CaptureSpan(const QDateTime& first, const QDateTime& last) {
    if (!first.isValid() || !last.isValid()) return {};
    const QString from = LocalText(first);
    QString to = LocalText(last);
    if (to.left(10) == from.left(10)) to = to.mid(11);
    return (from + (to == from.mid(11) ? QString() : QStringLiteral(" to ") + to) +
            QStringLiteral(" (the capture's reading times)"))
        .toStdString();
}

}  // namespace

int RunReport(const Options& options) {
    inspection::ReportContent content;
    content.job = {options.project, options.structure, options.coating, options.inspector,
                   options.notes};
    content.record = options.record;
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
        for (const std::string& line : archive::RecordReportLines(*input.archived))
            content.source += (content.source.empty() ? "" : "\n") + line;
        content.measuredAt =
            LocalText(QDateTime::fromMSecsSinceEpoch(record.takenMs)).toStdString();
        if (!record.timesMs.empty()) {
            content.measuredAt = CaptureSpan(QDateTime::fromMSecsSinceEpoch(record.timesMs.front()),
                                             QDateTime::fromMSecsSinceEpoch(record.timesMs.back()));
        }
        // The registered gauge and its latest calibration, where the options do not say.
        if (const std::optional<archive::Gauge>& gauge = input.archived->gauge) {
            inspection::InspectionRecord& r = content.record;
            if (r.gaugeModel.empty()) r.gaugeModel = gauge->makeModel;
            if (r.gaugeSerial.empty()) r.gaugeSerial = gauge->serial;
            if (r.probe.empty()) r.probe = gauge->probe;
            if (gauge->calibration && r.calibrationCertificate.empty() &&
                r.calibrationDate.empty()) {
                r.calibrationCertificate = gauge->calibration->certificate;
                r.calibrationDate = gauge->calibration->calibratedOn;
            }
        }
    } else if (input.slot != nullptr) {
        const GroupSlot& slot = *input.slot;
        const auto n = static_cast<std::size_t>(std::clamp(slot.readingCount, 0, 80));
        content.readings.assign(slot.readings.begin(), slot.readings.begin() + n);
        content.highLimit = slot.highLimit;
        content.lowLimit = slot.lowLimit;
        content.source = GroupSource(options, *input.session);
        // The gauge keeps no times: the download is when the readings were last known as they
        // are.
        content.measuredAt = QDateTime::currentDateTime()
                                 .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                                 .toStdString() +
                             " or before (downloaded)";
    } else {
        const std::vector<coating::Thickness>& readings = input.setup.request.readings;
        // Each reading printed as the file writes it when it is in the report's unit.
        const coating::Unit unit =
            options.unitIsMils == 1 ? coating::Unit::Mils : coating::Unit::Micrometres;
        content.readings.reserve(readings.size());
        for (std::size_t i = 0; i < readings.size(); ++i) {
            content.readings.push_back({static_cast<std::int32_t>(i + 1), readings[i].micrometres(),
                                        readings[i].unit == unit ? readings[i].text : ""});
        }
        const QFileInfo file(QString::fromStdString(*options.file));
        content.source = "File " + file.fileName().toStdString();
        content.measuredAt =
            CaptureSpan(QDateTime::fromString(QString::fromStdString(input.firstTime), Qt::ISODate),
                        QDateTime::fromString(QString::fromStdString(input.lastTime), Qt::ISODate));
        if (content.measuredAt.empty() && file.isFile()) {
            content.measuredAt =
                file.lastModified().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toStdString() +
                " or before (the file's time)";
        }
    }

    int exitCode = kExitDone;
    if (options.standardGiven) {
        content.standard = inspection::JudgeReadings(input.setup);
        const coating::Verdict& verdict = content.standard->verdict;
        if (!verdict.error.empty()) PrintMessage(verdict.error);
        // Values given wrongly write nothing; readings that cannot be judged are reported so.
        if (verdict.errorIsUsage) return kExitUsage;
        exitCode = ExitCodeOf(verdict);
    }
    // Judged and copied into the report: a million readings are not held a third time while the
    // document is written.
    std::vector<coating::Thickness>().swap(input.setup.request.readings);

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
