#include "ui/report_menu.h"

#include <QPointer>
#include <algorithm>
#include <string>

#include "reports/reports.h"
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
                          const WindowContext& context, QWidget* parent) {
    const std::int32_t count = std::clamp(group.readingCount, 0, GroupSlot::kCapacity);
    if (count == 0 || context.store == nullptr || context.saveDialog == nullptr) return;
    LiveStreamPause pause(context);

    const std::int32_t unitIsMils = context.store->unitIsMils;
    // On the heap: a window closed while the dialog is open takes the dialog with it.
    const QPointer<InspectionDialog> dialog =
        new InspectionDialog(group, unitIsMils, context.settings, parent);
    // Save PDF... asks for the file over the open dialog; a cancelled Save dialog or a file that
    // cannot be written leaves the dialog as it was (its readings left out too).
    dialog->setSaveStep([&group, &source, &context, dialog, count, unitIsMils] {
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
        const std::string path =
            context.saveDialog->getSaveFileName("Save", "pdf files (*.pdf)|*.pdf");
        if (path.empty() || dialog.isNull()) return false;
        const std::string error = context.writeInspectionReport
                                      ? context.writeInspectionReport(content, path)
                                      : inspection::WriteInspectionReport(content, path);
        if (!error.empty() && context.messageBox != nullptr) context.messageBox->show(error);
        return error.empty();
    });
    dialog->exec();
    delete dialog.data();
}

}  // namespace zepra
