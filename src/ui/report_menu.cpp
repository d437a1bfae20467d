#include "ui/report_menu.h"

#include <QCryptographicHash>
#include <QFile>
#include <QPointer>
#include <algorithm>
#include <string>

#include "reports/reports.h"
#include "ui/main/archive_keeper.h"
#include "ui/report_dialog.h"

namespace zepra {
namespace {

// Resumes the live stream when the save step ends, on every path.
class LiveStreamPause {
  public:
    explicit LiveStreamPause(const WindowContext& context) : context_(context) {
        if (context_.suspendLiveStream) context_.suspendLiveStream();
    }
    ~LiveStreamPause() {
        if (context_.resumeLiveStream) context_.resumeLiveStream();
    }
    LiveStreamPause(const LiveStreamPause&) = delete;
    LiveStreamPause& operator=(const LiveStreamPause&) = delete;

  private:
    const WindowContext& context_;
};

// What a written report adds to the archive: the job (when new), and for an archived record its
// assignment to that job, the check and the file. Anything not stored is said; the file stays.
void KeepInArchive(const InspectionDialog& dialog, const std::string& path,
                   const ArchivedSubject* record, const WindowContext& context) {
    archive::Archive* archive = context.archiveKeeper ? context.archiveKeeper->archive() : nullptr;
    if (archive == nullptr) return;
    std::vector<std::string> errors;
    auto note = [&errors](std::string error) {
        if (!error.empty()) errors.push_back(std::move(error));
    };
    archive::Job job = dialog.chosenJob();
    if (!job.name.empty() && job.id.empty()) note(archive->addJob(job));
    if (record != nullptr) {
        if (!job.id.empty() && job.name != record->job)
            note(archive->assignToJob(record->recordId, job.id));
        if (const std::optional<inspection::StandardSection> section = dialog.section()) {
            const coating::Verdict& verdict = section->verdict;
            std::string parameters;
            for (const coating::Parameter& p : verdict.parameters)
                parameters += (parameters.empty() ? "" : ", ") + p.name + " " + p.text;
            note(archive->addCheck(record->recordId, coating::StandardName(section->standard),
                                   parameters,
                                   verdict.noVerdict() ? "no verdict"
                                   : verdict.passed()  ? "pass"
                                                       : "fail"));
        }
        QFile written(QString::fromStdString(path));
        QCryptographicHash digest(QCryptographicHash::Sha256);
        if (written.open(QIODevice::ReadOnly)) digest.addData(&written);
        note(archive->addReport(record->recordId, path, "pdf",
                                digest.result().toHex().toStdString()));
    }
    if (!errors.empty() && context.messageBox != nullptr) {
        std::string text = "The report " + path + " is written.";
        for (const std::string& error : errors) text += "\n" + error;
        context.messageBox->show(text);
    }
}

}  // namespace

void SaveReport(ReportFormat format, const ListedRecords& listed, const WindowContext& context) {
    if (listed().empty() || context.store == nullptr || context.saveDialog == nullptr) return;
    LiveStreamPause pause(context);

    const std::string path = context.saveDialog->getSaveFileName(
        "Save",
        format == ReportFormat::Csv ? "csv files (*.csv)|*.csv" : "text files (*.txt)|*.txt");
    if (path.empty()) return;

    const std::int32_t unitIsMils = context.store->unitIsMils;
    const std::span<const ReadingRecord> records = listed();
    std::string content;
    if (format == ReportFormat::Csv) {
        content = CsvReportText(records, unitIsMils);
    } else {
        const std::string date = context.clock != nullptr ? context.clock->reportDate() : "";
        const std::string time = context.clock != nullptr ? context.clock->reportTime() : "";
        content = TextReportText(records, unitIsMils, date, time);
    }
    const ReportWriteResult result = WriteReportFile(path, content);
    if (!result.ok && context.messageBox != nullptr) context.messageBox->show(result.error);
}

void SaveInspectionReport(const GroupSlot& group, const std::string& source,
                          const WindowContext& context, QWidget* parent,
                          const ArchivedSubject* record, const std::string& measuredAt) {
    const std::int32_t count = std::clamp(group.readingCount, 0, GroupSlot::kCapacity);
    if (count == 0 || context.store == nullptr || context.saveDialog == nullptr) return;
    LiveStreamPause pause(context);

    const std::int32_t unitIsMils = context.store->unitIsMils;
    // On the heap: a window closed while the dialog is open takes the dialog with it.
    const QPointer<InspectionDialog> dialog =
        new InspectionDialog(group, unitIsMils, context.settings, parent);
    if (archive::Archive* archive =
            context.archiveKeeper ? context.archiveKeeper->archive() : nullptr) {
        std::string error;
        dialog->offerJobs(archive->jobs(error));
    }
    // Save PDF... asks for the file over the open dialog; a cancelled Save dialog or a file that
    // cannot be written leaves the dialog as it was (its readings left out too).
    dialog->setSaveStep([&group, &source, &context, dialog, count, unitIsMils, record, measuredAt] {
        inspection::ReportContent content;
        content.job = dialog->job();
        content.record = dialog->record();
        content.source = source;
        content.unitIsMils = unitIsMils;
        content.pageSize = dialog->pageSize();
        content.readings.assign(group.readings.begin(), group.readings.begin() + count);
        content.highLimit = group.highLimit;
        content.lowLimit = group.lowLimit;
        content.standard = dialog->section();
        content.measuredAt = record != nullptr ? record->measuredAt : measuredAt;
        const std::string path =
            context.saveDialog->getSaveFileName("Save", "pdf files (*.pdf)|*.pdf");
        if (path.empty() || dialog.isNull()) return false;
        const std::string error = context.writeInspectionReport
                                      ? context.writeInspectionReport(content, path)
                                      : inspection::WriteInspectionReport(content, path);
        if (!error.empty() && context.messageBox != nullptr) context.messageBox->show(error);
        if (error.empty()) KeepInArchive(*dialog, path, record, context);
        return error.empty();
    });
    dialog->exec();
    delete dialog.data();
}

}  // namespace zepra
