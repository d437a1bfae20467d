// zepra-cli archive, and the archive's part in download, capture, check and report.

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <charconv>
#include <cstdio>

#include "cli/archive_server_command.h"
#include "cli/commands.h"
#include "cli/gauge_session.h"
#include "cli/output.h"
#include "cli/report_csv.h"
#include "data/group_texts.h"
#include "platform/port_events.h"
#include "platform/qt_clock_text.h"
#include "reports/reports.h"

namespace zepra::cli {
namespace {

using archive::Archive;
using archive::Record;
using archive::RecordDetails;
using archive::RecordSummary;

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// Local time, to the second: how the list and show give a record's times.
std::string LocalTime(long long ms) {
    return QDateTime::fromMSecsSinceEpoch(ms)
        .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
        .toStdString();
}

// UTC with milliseconds and the Z, for JSON.
QString UtcTime(long long ms) {
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).toString(Qt::ISODateWithMs);
}

std::string Shortest(double value) {
    char buffer[32];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return error == std::errc() ? std::string(buffer, end) : std::string();
}

std::string SourceText(const RecordSummary& s) {
    switch (s.source) {
        case archive::Source::Group:
            return "group " + std::to_string(s.group);
        case archive::Source::CurrentGroup:
            return "current group";
        case archive::Source::Capture:
            return "capture";
        case archive::Source::Import:
            return "import";
    }
    return {};
}

std::string PadRight(std::string text, std::size_t width) {
    if (text.size() < width) text.resize(width, ' ');
    return text;
}

std::string MeanText(const RecordSummary& s) {
    if (!s.meanMicrometres) return "-";
    const double mean = s.unitIsMils == 1 ? *s.meanMicrometres / 25.4 : *s.meanMicrometres;
    std::string text = QString::number(mean, 'f', s.unitIsMils == 1 ? 2 : 1).toStdString();
    return text + (s.unitIsMils == 1 ? " mils" : " um");
}

std::string ListText(const std::vector<RecordSummary>& records) {
    std::string out =
        "ID        TAKEN                SOURCE          READINGS  MEAN         "
        "VERDICT  JOB / GAUGE\n";
    for (const RecordSummary& s : records) {
        std::string line =
            PadRight(s.id.substr(0, 8), 10) + PadRight(LocalTime(s.takenMs), 21) +
            PadRight(SourceText(s), 16) + PadRight(std::to_string(s.readingCount), 10) +
            PadRight(MeanText(s), 13) + PadRight(s.verdict.empty() ? "-" : s.verdict, 9) +
            (s.job.empty() ? "-" : s.job) + " / " + s.gauge;
        if (s.gaugeOverdue) line += "  (gauge overdue for calibration)";
        out += line + "\n";
    }
    return out;
}

QJsonObject SummaryJson(const RecordSummary& s) {
    QJsonObject object{{"id", Q(s.id)},
                       {"source", archive::SourceWord(s.source)},
                       {"taken", UtcTime(s.takenMs)},
                       {"readings", s.readingCount},
                       {"unit", s.unitIsMils == 1 ? "mils" : "um"},
                       {"job", Q(s.job)},
                       {"structure", Q(s.structure)},
                       {"gauge", Q(s.gauge)},
                       {"gaugeOverdue", s.gaugeOverdue},
                       {"station", Q(s.station)},
                       {"verdict", s.verdict.empty() ? QJsonValue() : QJsonValue(Q(s.verdict))},
                       {"sha256", Q(s.sha256)}};
    if (s.source == archive::Source::Group) object["group"] = s.group;
    object["meanMicrometres"] = s.meanMicrometres ? QJsonValue(*s.meanMicrometres) : QJsonValue();
    return object;
}

std::string Hex(std::uint32_t bits) {
    return QStringLiteral("%1").arg(bits, 8, 16, QLatin1Char('0')).toStdString();
}

std::string LimitText(const std::optional<std::uint32_t>& bits) {
    return bits ? Shortest(archive::WidenedValue(*bits)) + " um" : std::string("none");
}

std::string ShowText(const RecordDetails& d) {
    const Record& r = d.record;
    std::string out;
    for (const std::string& line : archive::RecordReportLines(d)) out += line + "\n";
    out += "Taken: " + LocalTime(r.takenMs) + "\n";
    out += "Stored: " + LocalTime(r.storedMs) + " by " + r.station.user + "@" + r.station.host +
           ", program " + r.programVersion + "\n";
    if (!d.summary.job.empty()) out += "Job: " + d.summary.job + "\n";
    out += "Unit: " + std::string(r.unitIsMils == 1 ? "mils" : "um") + "\n";
    out +=
        "Limits: high " + LimitText(r.highLimitBits) + ", low " + LimitText(r.lowLimitBits) + "\n";
    out += "Readings: " + std::to_string(r.valueBits.size()) + "\n";
    for (std::size_t k = 0; k < r.valueBits.size(); ++k) {
        std::string line = "  " + std::to_string(k + 1) + "  " + r.texts[k] + "  (" +
                           Shortest(archive::WidenedValue(r.valueBits[k])) + " um, 0x" +
                           Hex(r.valueBits[k]) + ")";
        if (k < r.timesMs.size()) line += "  " + LocalTime(r.timesMs[k]);
        out += line + "\n";
    }
    if (!d.history.empty()) out += "History:\n";
    for (const archive::Addition& a : d.history) {
        out += "  " + LocalTime(a.atMs) + "  " + a.kind + "  " + a.text + "  (" + a.by + ")\n";
    }
    return out;
}

std::string ExportJson(const RecordDetails& d) {
    const Record& r = d.record;
    std::vector<ReadingRecord> readings = archive::ReadingsOf(r);
    const GroupTexts texts =
        FillGroupTexts(readings, r.highLimitBits ? archive::WidenedValue(*r.highLimitBits) : 0,
                       r.lowLimitBits ? archive::WidenedValue(*r.lowLimitBits) : 0, r.unitIsMils);
    QJsonArray list;
    for (std::size_t k = 0; k < r.valueBits.size(); ++k) {
        QJsonObject reading{{"number", static_cast<qint64>(k + 1)},
                            {"text", Q(r.texts[k])},
                            {"micrometres", archive::WidenedValue(r.valueBits[k])},
                            {"bits", Q(Hex(r.valueBits[k]))}};
        if (k < r.timesMs.size()) reading["time"] = UtcTime(r.timesMs[k]);
        list.append(reading);
    }
    QJsonObject document = SummaryJson(d.summary);
    document["sourceFile"] = Q(r.sourceFile);
    document["stored"] = UtcTime(r.storedMs);
    document["programVersion"] = Q(r.programVersion);
    document["gaugeIdentity"] = QJsonObject{{"usbSerial", Q(r.gauge.usbSerial)},
                                            {"usbPath", Q(r.gauge.usbPath)},
                                            {"port", Q(r.gauge.port)}};
    auto limit = [](const std::optional<std::uint32_t>& bits) {
        return bits ? QJsonValue(archive::WidenedValue(*bits)) : QJsonValue();
    };
    document["highLimitMicrometres"] = limit(r.highLimitBits);
    document["lowLimitMicrometres"] = limit(r.lowLimitBits);
    if (!readings.empty()) {
        document["statistics"] = QJsonObject{{"mean", Q(texts.mean)},
                                             {"minimum", Q(texts.minimum)},
                                             {"maximum", Q(texts.maximum)},
                                             {"deviation", Q(texts.deviation)}};
    }
    document["readingList"] = list;
    return QJsonDocument(document).toJson(QJsonDocument::Indented).toStdString();
}

std::string ExportText(const RecordDetails& d, OutputFormat format) {
    const Record& r = d.record;
    const std::vector<ReadingRecord> readings = archive::ReadingsOf(r);
    if (format == OutputFormat::Json) return ExportJson(d);
    if (format == OutputFormat::Csv) return CsvReportText(readings, r.unitIsMils);
    const QtClockText clock;
    const QDateTime taken = QDateTime::fromMSecsSinceEpoch(r.takenMs);
    return TextReportText(readings, r.unitIsMils,
                          clock.dateText(taken.date(), ClockDigits::Ascii).toStdString(),
                          clock.timeText(taken.time(), ClockDigits::Ascii).toStdString());
}

// The job named, added when new; nullopt after the message.
std::optional<std::string> JobId(Archive& archive, const Options& options) {
    if (options.job.empty()) return std::string();
    std::string error;
    if (std::optional<archive::Job> job = archive.jobNamed(options.job, error)) return job->id;
    if (!error.empty()) {
        PrintMessage("The archive cannot be read: " + error);
        return std::nullopt;
    }
    archive::Job job;
    job.name = options.job;
    job.project = options.project;
    job.structure = options.structure;
    job.coating = options.coating;
    job.client = options.client;
    job.notes = options.notes;
    if (const std::string added = archive.addJob(job); !added.empty()) {
        PrintMessage(added);
        return std::nullopt;
    }
    return job.id;
}

// A capture's CSV or a saved report, as an import record. Empty `error` when read.
Record ImportRecord(const std::string& file, std::string& error) {
    const CsvReadings read = ReadReportCsv(file);
    Record record;
    error = read.error;
    if (!error.empty()) return record;
    record.source = archive::Source::Import;
    record.sourceFile = QFileInfo(Q(file)).absoluteFilePath().toStdString();
    record.takenMs = QFileInfo(Q(file)).lastModified().toMSecsSinceEpoch();
    for (const coating::Thickness& reading : read.readings) {
        record.unitIsMils = reading.unit == coating::Unit::Mils ? 1 : 0;
        record.valueBits.push_back(archive::FloatBits(reading.micrometres()));
        record.texts.push_back(reading.text);
    }
    return record;
}

int RunGauges(Archive& archive, const Options& options) {
    const std::vector<std::string>& words = options.archiveWords;
    std::string error;
    if (words.size() == 1 || words[1] == "list") {
        std::string out;
        for (const archive::Gauge& g : archive.gauges(error)) {
            out += g.id.substr(0, 8) + "  " + g.makeModel + "  serial " + g.serial +
                   "  USB serial " + (g.usbSerial.empty() ? "-" : g.usbSerial) + "  probe " +
                   (g.probe.empty() ? "-" : g.probe);
            if (g.calibration) {
                out += "  certificate " + g.calibration->certificate + " of " +
                       g.calibration->calibratedOn + ", due " + g.calibration->nextDue;
            }
            out += "\n";
        }
        if (!error.empty()) {
            PrintMessage("The archive cannot be read: " + error);
            return kExitArchive;
        }
        return WriteResult(std::nullopt, out) ? kExitDone : kExitUsage;
    }
    const bool calibrationGiven =
        !options.certificate.empty() || !options.calibrated.empty() || !options.due.empty();
    const archive::Calibration calibration{options.certificate, options.calibrated, options.due};
    if (words[1] == "add") {
        archive::Gauge gauge;
        gauge.makeModel = options.model;
        gauge.serial = options.serial;
        gauge.usbSerial = options.usbSerial;
        gauge.probe = options.probe;
        if (calibrationGiven) gauge.calibration = calibration;
        error = archive.addGauge(gauge);
        if (error.empty()) std::printf("%s\n", gauge.id.c_str());
    } else {
        error = archive.addCalibration(words[2], calibration);
    }
    if (!error.empty()) {
        PrintMessage(error);
        return kExitArchive;
    }
    return kExitDone;
}

int RunJobs(Archive& archive, const Options& options) {
    const std::vector<std::string>& words = options.archiveWords;
    if (words.size() == 3) {
        Options named = options;
        named.job = words[2];
        std::string error;
        if (archive.jobNamed(named.job, error)) {
            PrintMessage("The archive has a job named \"" + named.job + "\" already.");
            return kExitArchive;
        }
        const std::optional<std::string> id = JobId(archive, named);
        if (!id) return kExitArchive;
        std::printf("%s\n", id->c_str());
        return kExitDone;
    }
    std::string error;
    std::string out;
    for (const archive::Job& job : archive.jobs(error)) {
        out += job.name;
        for (const auto& [label, value] :
             {std::pair{"project", &job.project}, std::pair{"structure", &job.structure},
              std::pair{"coating", &job.coating}, std::pair{"client", &job.client}}) {
            if (!value->empty()) out += "  " + std::string(label) + ": " + *value;
        }
        out += "\n";
    }
    if (!error.empty()) {
        PrintMessage("The archive cannot be read: " + error);
        return kExitArchive;
    }
    return WriteResult(std::nullopt, out) ? kExitDone : kExitUsage;
}

}  // namespace

std::unique_ptr<Archive> OpenArchive() {
    std::string message;
    std::unique_ptr<Archive> archive = Archive::open(archive::DefaultArchivePath(), message);
    if (!message.empty()) PrintMessage(message);
    return archive;
}

archive::GaugeIdentity GaugeIdentityOf(const Options& options, GaugeSession& session) {
    const std::string device = session.devicePath();
    const std::string port =
        options.port ? device : "COM" + std::to_string(session.port().portNumber());
    const PortIdentity identity = IdentifyPort(device, port);
    return {identity.usbSerial, identity.physicalPath,
            options.port ? device : port + " (" + device + ")"};
}

void StoreInArchive(const Options& options, std::vector<Record> records) {
    if (options.noArchive || records.empty()) return;
    // "3 readings of group 1, 80 readings of group 2" for the records from `first` on.
    auto names = [&](std::size_t first) {
        std::string text;
        for (std::size_t k = first; k < records.size(); ++k) {
            const Record& r = records[k];
            const int group = r.source == archive::Source::Group ? r.group : kCurrentGroup;
            text += (text.empty() ? "" : ", ") + std::to_string(r.valueBits.size()) +
                    " readings of " +
                    (r.source == archive::Source::Capture ? "the capture" : GroupName(group));
        }
        return text;
    };
    const std::unique_ptr<Archive> archive = OpenArchive();  // says why not
    const std::optional<std::string> jobId =
        archive ? JobId(*archive, options) : std::optional<std::string>();
    if (!jobId) {
        PrintMessage("Not stored in the archive: " + names(0) + ".");
        return;
    }
    for (std::size_t k = 0; k < records.size(); ++k) {
        const Archive::Stored stored = archive->store(records[k], *jobId);
        if (stored.error.empty()) continue;
        // One message, at the first failure (the next would wait as long and fail alike).
        const std::string rest = names(k + 1);
        PrintMessage(stored.error + (rest.empty() ? "" : " Not stored either: " + rest + "."));
        return;
    }
}

int RunArchive(const Options& options) {
    const std::vector<std::string>& words = options.archiveWords;
    if (words[0] == "server-init" || words[0] == "sync" || words[0] == "status")
        return RunTeamServer(options);
    const std::unique_ptr<Archive> archive = OpenArchive();
    if (!archive) return kExitArchive;
    const std::string& what = words[0];
    std::string error;
    if (what == "list") {
        archive::Filter filter;
        filter.job = options.job;
        filter.gauge = options.gaugeText;
        filter.sinceMs = options.sinceMs;
        filter.untilMs = options.untilMs;
        filter.passed = options.passed;
        const std::vector<RecordSummary> records = archive->list(filter, error);
        if (!error.empty()) {
            PrintMessage("The archive cannot be read: " + error);
            return kExitArchive;
        }
        std::string out;
        if (options.format == OutputFormat::Json) {
            QJsonArray array;
            for (const RecordSummary& s : records) array.append(SummaryJson(s));
            out = QJsonDocument(array).toJson(QJsonDocument::Indented).toStdString();
        } else {
            out = ListText(records);
        }
        return WriteResult(std::nullopt, out) ? kExitDone : kExitUsage;
    }
    if (what == "show" || what == "export") {
        const std::optional<RecordDetails> details = archive->details(words[1], error);
        if (!details) {
            PrintMessage("The archive has " + error + ".");
            return kExitArchive;
        }
        if (what == "show")
            return WriteResult(std::nullopt, ShowText(*details)) ? kExitDone : kExitUsage;
        return WriteResult(options.output, ExportText(*details, options.format)) ? kExitDone
                                                                                 : kExitUsage;
    }
    if (what == "import") {
        const std::optional<std::string> jobId = JobId(*archive, options);
        if (!jobId) return kExitArchive;
        int result = kExitDone;
        for (std::size_t k = 1; k < words.size(); ++k) {
            const Record record = ImportRecord(words[k], error);
            if (!error.empty()) {
                PrintMessage(error);
                result = kExitUsage;
                continue;
            }
            const Archive::Stored stored = archive->store(record, *jobId);
            if (!stored.error.empty()) {
                PrintMessage(stored.error);
                result = kExitArchive;
                continue;
            }
            const std::string line = stored.id + "  " + words[k] +
                                     (stored.seenAgain ? "  (stored before: seen again)" : "") +
                                     "\n";
            if (WriteStandardOutput(line) != StandardOutput::Written) result = kExitUsage;
        }
        return result;
    }
    if (what == "jobs") return RunJobs(*archive, options);
    return RunGauges(*archive, options);
}

}  // namespace zepra::cli
