#include "cli/commands.h"

#include <QDateTime>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <map>
#include <span>
#include <vector>

#include "cli/gauge_session.h"
#include "cli/output.h"
#include "link/connection.h"
#include "platform/qt_clock_text.h"
#include "reports/reports.h"

namespace zepra::cli {
namespace {

std::string GroupFileName(int group) {
    return group == kCurrentGroup ? "current" : "group" + std::to_string(group);
}

GroupSlot& SlotOf(MeasurementStore& store, int group) {
    return group == kCurrentGroup ? store.currentGroupSlot : store.groupSlot(group);
}

std::string ReportOf(const GroupSlot& slot, OutputFormat format, std::int32_t unitIsMils) {
    const std::span<const ReadingRecord> records(
        slot.readings.data(), static_cast<std::size_t>(std::clamp(slot.readingCount, 0, 80)));
    if (format == OutputFormat::Csv) return CsvReportText(records, unitIsMils);
    const QtClockText clock;
    const std::string date = clock.reportDate();
    const std::string time = clock.reportTime();
    return TextReportText(records, unitIsMils, date, time);
}

}  // namespace

int RunPorts(const Options&) {
    const std::unique_ptr<SerialPortList> list = CreateSystemSerialPortList();
    const auto entries = ListGaugePorts(*list);
    if (!entries) {
        PrintMessage(RegOpenKeyMessage(*list));
        return kExitNoPort;
    }
    if (entries->empty()) {
        PrintMessage(kNoPortOnConnect);
        return kExitNoPort;
    }
    std::string out;
    for (std::size_t k = 0; k < entries->size(); ++k) {
        const GaugePortEntry& entry = (*entries)[k];
        const std::string port = "COM" + std::to_string(entry.portNumber);
        std::string line = entry.portName;
        if (entry.portName != port) line += " (taken as " + port + ")";
        line += "  " + (entry.device.empty() ? std::string("(no device)") : entry.device);
        if (k == 0) line += "  (used)";
        out += line + "\n";
    }
    return WriteResult(std::nullopt, out) ? kExitDone : kExitUsage;
}

int RunDownload(const Options& options) {
    GaugeSession session(options.port);
    if (const int opened = session.open(); opened != kExitDone) return opened;
    std::set<int> stored;
    const int result = session.download(options.group, options.timeoutSeconds, stored);
    const bool intoFolder = options.group == kAllGroups && options.format != OutputFormat::Json;
    if (intoFolder && stored.size() != 4) {
        // The folder's four files are one set: a download that did not bring all four leaves
        // every file as it was.
        PrintMessage("No file in \"" + *options.output +
                     "\" was replaced: the four groups are written together.");
        return result;
    }
    // What arrived whole is written even when a later group broke off.
    if (stored.empty()) return result;

    MeasurementStore& store = session.store();
    const std::int32_t unit = options.unitIsMils;
    std::map<int, GroupTexts> texts;  // the list texts are written into the slots too
    for (int group : stored) texts[group] = FillGroupTexts(SlotOf(store, group), unit);

    // Kept before the output is written; a failure to keep it is said and changes nothing else.
    const long long takenMs = QDateTime::currentMSecsSinceEpoch();
    const archive::GaugeIdentity gauge = GaugeIdentityOf(options, session);
    std::vector<archive::Record> records;
    for (int group : stored) {
        archive::Record record = archive::RecordOfGroup(SlotOf(store, group), unit);
        record.source =
            group == kCurrentGroup ? archive::Source::CurrentGroup : archive::Source::Group;
        record.group = group == kCurrentGroup ? 0 : group;
        record.takenMs = takenMs;
        record.gauge = gauge;
        records.push_back(std::move(record));
    }
    StoreInArchive(options, std::move(records));

    bool written = true;
    if (options.format == OutputFormat::Json) {
        QJsonArray groups;
        for (int group : stored) {
            const std::string name = group == kCurrentGroup ? "current" : std::to_string(group);
            groups.append(GroupJson(SlotOf(store, group), texts[group], name, unit));
        }
        const QJsonObject document{{"unit", unit == 1 ? "mils" : "um"}, {"groups", groups}};
        written = WriteResult(
            options.output, QJsonDocument(document).toJson(QJsonDocument::Indented).toStdString());
    } else if (intoFolder) {
        const QString folder = QString::fromStdString(*options.output);
        if (!QDir().mkpath(folder)) {
            PrintMessage("Cannot create the folder \"" + *options.output + "\".");
            return kExitUsage;
        }
        const std::string extension = options.format == OutputFormat::Csv ? ".csv" : ".txt";
        // All groups replace their files together, or none does.
        std::vector<ReportFile> files;
        for (int group : stored) {
            files.push_back({QDir(folder)
                                 .filePath(QString::fromStdString(GroupFileName(group) + extension))
                                 .toStdString(),
                             ReportOf(SlotOf(store, group), options.format, unit)});
        }
        const ReportWriteResult saved = WriteReportFiles(files);
        if (!saved.ok) PrintMessage(saved.error);
        written = saved.ok;
    } else {
        written = WriteResult(options.output,
                              ReportOf(SlotOf(store, options.group), options.format, unit));
    }
    if (!written) return kExitUsage;
    return result;
}

}  // namespace zepra::cli
