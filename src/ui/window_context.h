#pragma once
// What every window of the program is given by the main window that creates it.

#include <functional>
#include <string>

#include "data/measurement_store.h"
#include "pdf_report/pdf_report.h"
#include "platform/clock_text.h"
#include "platform/message_box.h"
#include "platform/save_dialog.h"
#include "ui/presenter/gauge_windows.h"

class QSettings;

namespace zepra {

class ArchiveKeeper;
namespace archive {
class TeamSyncStatus;
}

struct WindowContext {
    MeasurementStore* store = nullptr;
    SaveDialog* saveDialog = nullptr;
    MessageBox* messageBox = nullptr;
    ClockText* clock = nullptr;
    // Where and when a group's readings came from, "from COM3 (/dev/ttyUSB2) at 14:03:22", for
    // the inspection report; empty when not known.
    std::function<std::string(GroupWindowId)> downloadText;
    // When a group's readings were measured, "2026-03-04 14:03:22 or before (downloaded)";
    // empty when not known.
    std::function<std::string(GroupWindowId)> measuredAt;
    // Where the inspection dialog remembers its fields between runs; none: nothing is remembered.
    QSettings* settings = nullptr;
    // Writes the inspection report (PDF); inspection::WriteInspectionReport when not set.
    std::function<std::string(const inspection::ReportContent&, const std::string& path)>
        writeInspectionReport;
    // Pause the live stream around a save dialog; each does nothing unless sampling is live.
    std::function<void()> suspendLiveStream;
    std::function<void()> resumeLiveStream;
    // The real-time list's capture was saved to a file: the archive keeps it too.
    std::function<void()> captureSaved;
    // The inspection archive as this run uses it (its jobs, the job for this run); none: the
    // windows work without it.
    ArchiveKeeper* archiveKeeper = nullptr;
    // Where the sync with the team's server stands; none (or nullptr) when no server is named.
    std::function<archive::TeamSyncStatus*()> teamSyncStatus;
    // Toggles: close the window if it is open, otherwise show it modeless.
    std::function<void()> toggleAbout;
    std::function<void()> toggleRealTimeTrend;
    std::function<void()> toggleRealTimeHistogram;
};

}  // namespace zepra
