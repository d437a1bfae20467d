#pragma once
// The save step behind the SAVE-*.CSV and SAVE-*.TXT menu items of every window that lists
// readings (the group windows and the real-time list).

#include <span>

#include "data/measurement_store.h"
#include "ui/window_context.h"

namespace zepra {

enum class ReportFormat { Csv, Text };

// Nothing when `records` is empty. Otherwise pauses the live stream (a no-op unless sampling is
// live), asks for a file name ("Save" dialog), writes the report of `records` in list order in the
// store's unit, tells the user when the file cannot be written, and resumes the live stream,
// whatever happened.
void SaveReport(ReportFormat format, std::span<const ReadingRecord> records,
                const WindowContext& context);

}  // namespace zepra
