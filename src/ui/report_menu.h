#pragma once
// The save steps behind the SAVE-*.CSV and SAVE-*.TXT menu items of every window that lists
// readings (the group windows and the real-time list), and SAVE-*.PDF of the group windows.

#include <span>
#include <string>

#include "data/measurement_store.h"
#include "ui/window_context.h"

class QWidget;

namespace zepra {

enum class ReportFormat { Csv, Text };

// Nothing when `records` is empty. Otherwise pauses the live stream (a no-op unless sampling is
// live), asks for a file name ("Save" dialog), writes the report of `records` in list order in the
// store's unit, tells the user when the file cannot be written, and resumes the live stream,
// whatever happened.
void SaveReport(ReportFormat format, std::span<const ReadingRecord> records,
                const WindowContext& context);

// Nothing when the group is empty. Otherwise pauses the live stream, asks for the job and the
// standard (the inspection dialog), then for a file name ("Save" dialog), writes the inspection
// report of the group in the store's unit, tells the user when the file cannot be written, and
// resumes the live stream, whatever happened. `source` says where the readings came from
// ("Group 2", "Current group").
void SaveInspectionReport(const GroupSlot& group, const std::string& source,
                          const WindowContext& context, QWidget* parent);

}  // namespace zepra
