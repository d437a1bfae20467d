#pragma once
// The save steps behind the SAVE-*.CSV and SAVE-*.TXT menu items of every window that lists
// readings (the group windows and the real-time list), and SAVE-*.PDF of the group windows.

#include <functional>
#include <span>
#include <string>

#include "data/measurement_store.h"
#include "ui/window_context.h"

class QWidget;

namespace zepra {

enum class ReportFormat { Csv, Text };

// The readings a list shows now, in list order.
using ListedRecords = std::function<std::span<const ReadingRecord>()>;

// Nothing when the list is empty. Otherwise pauses the live stream (a no-op unless sampling is
// live), asks for a file name ("Save" dialog), writes the report of the readings listed then in
// the store's unit, tells the user when the file cannot be written, and resumes the live stream,
// whatever happened. The readings are taken after the pause: it captures the frames that were
// already waiting, and the file holds them as the list does.
void SaveReport(ReportFormat format, const ListedRecords& records, const WindowContext& context);

// Nothing when the group is empty. Otherwise pauses the live stream, asks for the job and the
// standard (the inspection dialog), then, over it, for a file name ("Save" dialog), writes the
// inspection report of the group in the store's unit, tells the user when the file cannot be
// written, and resumes the live stream, whatever happened. Only a written file closes the
// inspection dialog: after a cancelled Save dialog or a failed write it is back as it was. `source`
// says where the readings came from
// ("Group 2", "Current group").
// The job picked or typed in the dialog is added to the archive when the file is written.
// `record`: the group is an archived record's; the check and the written file join its history,
// and it is assigned to the job picked when that is not its job already.
struct ArchivedSubject {
    std::string recordId;
    std::string job;         // the record's job now, by name
    std::string measuredAt;  // when it was taken, local time
};
void SaveInspectionReport(const GroupSlot& group, const std::string& source,
                          const WindowContext& context, QWidget* parent,
                          const ArchivedSubject* record = nullptr,
                          const std::string& measuredAt = {});

}  // namespace zepra
