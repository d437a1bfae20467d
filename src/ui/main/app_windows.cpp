#include "ui/main/app_windows.h"

namespace zepra {
namespace {

// Closes the window (running its close handler, which stops its timers) and destroys it now, so
// that a window opened next in its place is a new one built from the store.
template <typename Window>
void CloseAndDestroy(QPointer<Window>& window) {
    if (window.isNull()) return;
    window->close();
    delete window.data();
}

template <typename Window>
void CloseIfOpen(QPointer<Window>& window) {
    if (IsOpen(window)) CloseAndDestroy(window);
}

}  // namespace

bool IsOpen(const QWidget* window) {
    return window != nullptr && window->isVisible();
}

AppWindows::AppWindows(const WindowContext& context, const QWidget* mainWindow)
    : context_(context), mainWindow_(mainWindow), placement_(mainWindow) {
    context_.toggleAbout = [this] { toggleAbout(); };
    context_.toggleRealTimeTrend = [this] { toggleRealTimeTrend(); };
    context_.toggleRealTimeHistogram = [this] { toggleRealTimeHistogram(); };
}

AppWindows::~AppWindows() {
    CloseAndDestroy(archive_);
    CloseAndDestroy(about_);
    for (auto& group : groups_) CloseAndDestroy(group);
    CloseAndDestroy(list_);
    CloseAndDestroy(trend_);
    CloseAndDestroy(histogram_);
}

void AppWindows::toggleAbout() {
    if (IsOpen(about_)) {
        CloseAndDestroy(about_);
        return;
    }
    if (about_.isNull()) {
        about_ = new AboutBox;
        placement_.place(about_, WindowPlace::Centred);
    }
    about_->show();
}

void AppWindows::toggleRealTimeTrend() {
    if (IsOpen(trend_)) {
        CloseAndDestroy(trend_);
        return;
    }
    openRealTimeTrend();
}

void AppWindows::toggleRealTimeHistogram() {
    if (IsOpen(histogram_)) {
        CloseAndDestroy(histogram_);
        return;
    }
    openRealTimeHistogram();
}

void AppWindows::showArchive() {
    if (archive_.isNull()) {
        archive_ = new ArchiveWindow(context_);
        placement_.place(archive_, WindowPlace::Centred);
    }
    archive_->show();
    archive_->raise();
    archive_->activateWindow();
}

void AppWindows::reopenGroupWindow(GroupWindowId id) {
    CloseAndDestroy(groups_[Index(id)]);
    openGroupWindow(id);
}

void AppWindows::showRealTimeList() {
    if (list_.isNull()) createRealTimeList();
    list_->show();
}

void AppWindows::setRealTimeUnitLine(const std::string& unitLine) {
    // Written before the sample is stored: a list created here lists the earlier samples only.
    if (list_.isNull()) createRealTimeList();
    list_->setUnitLine(unitLine);
}

void AppWindows::sampleCaptured(const CapturedSampleTexts& texts) {
    if (list_.isNull()) createRealTimeList();
    list_->appendCapturedSample(texts);
}

void AppWindows::reopenForUnitChange() {
    constexpr GroupWindowId kGroupOrder[] = {GroupWindowId::Group1, GroupWindowId::Group2,
                                             GroupWindowId::Group3, GroupWindowId::Group4,
                                             GroupWindowId::Current};
    for (GroupWindowId id : kGroupOrder) {
        if (IsOpen(groups_[Index(id)])) reopenGroupWindow(id);
    }
    if (IsOpen(list_)) {
        CloseAndDestroy(list_);
        openRealTimeList();
    } else {
        // A list built but not shown yet holds texts in the old unit: build it anew when needed.
        CloseAndDestroy(list_);
    }
    if (IsOpen(trend_)) {
        CloseAndDestroy(trend_);
        openRealTimeTrend();
    }
    if (IsOpen(histogram_)) {
        CloseAndDestroy(histogram_);
        openRealTimeHistogram();
    }
}

void AppWindows::closeAll() {
    CloseIfOpen(archive_);
    CloseIfOpen(about_);
    constexpr GroupWindowId kShutdownOrder[] = {GroupWindowId::Group4, GroupWindowId::Group1,
                                                GroupWindowId::Group2, GroupWindowId::Group3,
                                                GroupWindowId::Current};
    for (GroupWindowId id : kShutdownOrder) CloseIfOpen(groups_[Index(id)]);
    CloseIfOpen(list_);
    CloseIfOpen(trend_);
    CloseIfOpen(histogram_);
}

void AppWindows::openGroupWindow(GroupWindowId id) {
    auto* window = new GroupWindow(id, context_);
    groups_[Index(id)] = window;
    placement_.place(window, WindowPlace::Cascade);
    window->show();
}

void AppWindows::createRealTimeList() {
    list_ = new RealTimeListWindow(context_, mainWindow_);
    placement_.place(list_, WindowPlace::Beside);
}

void AppWindows::openRealTimeList() {
    createRealTimeList();
    list_->show();
}

void AppWindows::openRealTimeTrend() {
    if (trend_.isNull()) {
        trend_ = new RealTimeTrendWindow(context_);
        placement_.place(trend_, WindowPlace::Cascade);
    }
    trend_->show();
}

void AppWindows::openRealTimeHistogram() {
    if (histogram_.isNull()) {
        histogram_ = new RealTimeHistogramWindow(context_);
        placement_.place(histogram_, WindowPlace::Cascade);
    }
    histogram_->show();
}

}  // namespace zepra
