#include "ui/report_menu.h"

#include <string>

#include "reports/reports.h"

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

void SaveReport(ReportFormat format, std::span<const ReadingRecord> records,
                const WindowContext& context) {
    if (records.empty() || context.store == nullptr || context.saveDialog == nullptr) return;
    LiveStreamPause pause(context);

    const std::string path = context.saveDialog->getSaveFileName(
        "Save",
        format == ReportFormat::Csv ? "csv files (*.csv)|*.csv" : "text files (*.txt)|*.txt");
    if (path.empty()) return;

    const std::int32_t unitIsMils = context.store->unitIsMils;
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

}  // namespace zepra
