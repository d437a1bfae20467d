#pragma once
// The program's single-instance windows besides the main window: which of them exist, the toggles
// and reopen operations, the order of the unit switch and the order of shutting down.

#include <QPointer>
#include <QWidget>
#include <array>

#include "ui/archive/archive_window.h"
#include "ui/groups/group_window.h"
#include "ui/main/about_box.h"
#include "ui/presenter/gauge_windows.h"
#include "ui/realtime/realtime_histogram_window.h"
#include "ui/realtime/realtime_list_window.h"
#include "ui/realtime/realtime_trend_window.h"
#include "ui/window_context.h"
#include "ui/window_placement.h"

namespace zepra {

class AppWindows {
  public:
    // context: store, dialogs, clock and the live-stream pause; the toggles are filled in here.
    // mainWindow: the window the others open beside (see WindowPlacement).
    AppWindows(const WindowContext& context, const QWidget* mainWindow);
    ~AppWindows();  // deletes the windows that still exist
    AppWindows(const AppWindows&) = delete;
    AppWindows& operator=(const AppWindows&) = delete;

    const WindowContext& context() const { return context_; }

    // Close if open, otherwise show modeless.
    void toggleAbout();
    void toggleRealTimeTrend();
    void toggleRealTimeHistogram();

    // The Archive window, opened beside the main window the first time, brought up front after.
    void showArchive();

    // Close the group window if it is open, then open it anew on the store's data.
    void reopenGroupWindow(GroupWindowId id);
    // Show the real-time list, creating it first if it does not exist.
    void showRealTimeList();
    // A live reading comes: set the list's unit line, creating the list unshown if it does not
    // exist (creation builds it from the samples captured so far).
    void setRealTimeUnitLine(const std::string& unitLine);
    // The reading was captured: add it on top of the list with its live text.
    void sampleCaptured(const CapturedSampleTexts& texts);

    // After the unit changed: every open window of the unit order is closed and opened again.
    void reopenForUnitChange();
    // The main window is closing: close every open window in the shut-down order.
    void closeAll();

    // The windows as they are now (null when not existing).
    AboutBox* about() const { return about_; }
    ArchiveWindow* archive() const { return archive_; }
    GroupWindow* groupWindow(GroupWindowId id) const { return groups_[Index(id)]; }
    RealTimeListWindow* realTimeList() const { return list_; }
    RealTimeTrendWindow* realTimeTrend() const { return trend_; }
    RealTimeHistogramWindow* realTimeHistogram() const { return histogram_; }

  private:
    static std::size_t Index(GroupWindowId id) { return static_cast<std::size_t>(id) - 1; }
    void openGroupWindow(GroupWindowId id);
    void createRealTimeList();  // placed, not shown
    void openRealTimeList();
    void openRealTimeTrend();
    void openRealTimeHistogram();

    WindowContext context_;
    const QWidget* mainWindow_;
    WindowPlacement placement_;
    QPointer<AboutBox> about_;
    QPointer<ArchiveWindow> archive_;
    std::array<QPointer<GroupWindow>, 5> groups_;
    QPointer<RealTimeListWindow> list_;
    QPointer<RealTimeTrendWindow> trend_;
    QPointer<RealTimeHistogramWindow> histogram_;
};

// Whether a window exists and is shown.
bool IsOpen(const QWidget* window);

}  // namespace zepra
