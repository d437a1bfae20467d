#include <QDateTime>

#include "archive/archive.h"

namespace zepra::archive {
namespace {

std::string SourceText(const RecordSummary& s) {
    switch (s.source) {
        case Source::Group:
            return "group " + std::to_string(s.group);
        case Source::CurrentGroup:
            return "current group";
        case Source::Capture:
            return "capture";
        case Source::Import:
            return "import";
    }
    return {};
}

std::string LocalTime(long long ms) {
    return QDateTime::fromMSecsSinceEpoch(ms)
        .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
        .toStdString();
}

}  // namespace

std::vector<std::string> RecordReportLines(const RecordDetails& d) {
    const Record& r = d.record;
    std::vector<std::string> lines;
    std::string source = "Archived record " + r.id + ": " + SourceText(d.summary);
    if (r.source == Source::Import) source += " of " + r.sourceFile;
    lines.push_back(source + ", taken " + LocalTime(r.takenMs));
    std::string gauge = "Gauge: ";
    if (d.gauge) gauge += d.gauge->makeModel + " serial " + d.gauge->serial + ", ";
    gauge += "USB serial " + (r.gauge.usbSerial.empty() ? "-" : r.gauge.usbSerial) + ", port " +
             (r.gauge.port.empty() ? "-" : r.gauge.port);
    lines.push_back(gauge);
    if (d.gauge && d.gauge->calibration) {
        const Calibration& c = *d.gauge->calibration;
        lines.push_back("Calibration: certificate " + c.certificate + " of " + c.calibratedOn +
                        ", next due " + c.nextDue +
                        (d.summary.gaugeOverdue ? " (OVERDUE when taken)" : ""));
    } else {
        lines.push_back("Calibration: not recorded");
    }
    lines.push_back("SHA-256 of the readings: " + r.sha256);
    return lines;
}

}  // namespace zepra::archive
