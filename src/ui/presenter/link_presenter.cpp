#include "ui/presenter/link_presenter.h"

#include <array>

#include "data/sample_statistics.h"
#include "data/thickness_format.h"

namespace zepra {
namespace {

constexpr std::array<MainControl, 7> kRequestButtons = {
    MainControl::RealTime, MainControl::Grp1,   MainControl::Grp2,       MainControl::Grp3,
    MainControl::Grp4,     MainControl::AllGrp, MainControl::RealTimeGrp};
// The request buttons without Cmd_RealTime: what sampling disables.
constexpr std::span<const MainControl> kDownloadButtons(kRequestButtons.data() + 1, 6);

constexpr const char* kNoReadingText = "----.-";
constexpr const char* kOverloadText = "OL";
constexpr const char* kStartCaption = "RealTimeSamp";
constexpr const char* kPauseCaption = "Pause";

}  // namespace

void ShowConnectedLook(bool atStartup, GaugeWindows& windows) {
    windows.setEnabled(MainControl::Connect, false);
    for (MainControl button : {MainControl::RealTime, MainControl::Grp1, MainControl::Grp2,
                               MainControl::Grp3, MainControl::Grp4}) {
        windows.setEnabled(button, true);
    }
    if (atStartup) {
        windows.setEnabled(MainControl::AllGrp, true);
        windows.setEnabled(MainControl::RealTimeGrp, true);
        windows.setEnabled(MainControl::Unit, true);
    } else {
        windows.setEnabled(MainControl::Unit, true);
        windows.setEnabled(MainControl::RealTimeGrp, true);
    }
    windows.setShown(MainControl::LabelData, true);
    windows.setShown(MainControl::LabelNoPort, false);
    windows.setShown(MainControl::LabelUnit, true);
}

void LinkPresenter::activityChanged(LinkActivity activity) {
    auto setButtons = [this](std::span<const MainControl> buttons, bool enabled) {
        for (MainControl button : buttons) windows_.setEnabled(button, enabled);
    };
    switch (activity) {
        case LinkActivity::Downloading:
            setButtons(kRequestButtons, false);
            break;
        case LinkActivity::Sampling:
            windows_.setText(MainControl::RealTime, kPauseCaption);
            setButtons(kDownloadButtons, false);
            windows_.showRealTimeList();
            break;
        case LinkActivity::Idle:
            if (activity_ == LinkActivity::Sampling) {
                windows_.setText(MainControl::RealTime, kStartCaption);
                setButtons(kDownloadButtons, true);
                windows_.samplingStopped();
            } else {
                setButtons(kRequestButtons, true);
            }
            break;
    }
    activity_ = activity;
}

void LinkPresenter::liveFrame(LiveFrameKind kind, double value) {
    switch (kind) {
        case LiveFrameKind::Ignored:
            return;
        case LiveFrameKind::NoReading:
            windows_.setText(MainControl::LabelData, kNoReadingText);
            return;
        case LiveFrameKind::Overload:
            windows_.setText(MainControl::LabelData, kOverloadText);
            return;
        case LiveFrameKind::Reading:
            break;
    }
    const LiveReadingText texts = FormatLiveReading(value, store_.unitIsMils);
    windows_.setText(MainControl::LabelData, texts.reading);
    windows_.setText(MainControl::LabelUnit, texts.unit);
    // Before the link stores the reading: a list made now starts from the samples before it.
    windows_.setRealTimeUnitLine(UnitLine(store_.unitIsMils));
}

void LinkPresenter::sampleCaptured(std::int32_t index) {
    const std::int32_t unit = store_.unitIsMils;
    ReadingRecord& record = store_.realTimeSamples.readings[static_cast<std::size_t>(index)];
    record.text = FormatLiveReading(record.value, unit).list;
    const double value = record.value;
    if (index == 0) {
        captureMax_ = value;
        captureMin_ = value;
    } else {
        if (captureMin_ >= value) captureMin_ = value;
        if (captureMax_ <= value) captureMax_ = value;
    }
    CapturedSampleTexts texts;
    texts.recordIndex = index;
    texts.unitIsMils = unit;
    texts.unitLine = UnitLine(unit);
    texts.count = labels::kCaptureCount + NumberToText(index + 1);
    texts.maximum = labels::kCaptureMaxAfterSample +
                    FormatStatistic(captureMax_, unit, StatisticFigure::Extreme);
    texts.minimum =
        labels::kCaptureMin + FormatStatistic(captureMin_, unit, StatisticFigure::Extreme);
    windows_.sampleCaptured(texts);
}

void LinkPresenter::deviceGone(const std::string& reason) {
    const bool sampling = activity_ == LinkActivity::Sampling;
    if (sampling) windows_.setText(MainControl::RealTime, kStartCaption);
    activity_ = LinkActivity::Idle;
    windows_.deviceGone(reason);
    if (sampling) windows_.samplingStopped();
}

void LinkPresenter::problem(const LinkProblem& problem) {
    windows_.showMessage(ProblemText(problem));
}

CaptureStatisticsTexts CaptureStatisticsLabels(std::span<const ReadingRecord> samples,
                                               std::int32_t unitIsMils) {
    const SampleStatistics statistics = CaptureStatistics(samples, unitIsMils);
    const std::string deviation =
        unitIsMils == 1
            ? FormatStatisticInMils(statistics.deviation)
            : FormatStatistic(statistics.deviation, unitIsMils, StatisticFigure::Extreme);
    return {
        labels::kCaptureMean + FormatStatistic(statistics.mean, unitIsMils, StatisticFigure::Mean),
        labels::kDeviation + deviation};
}

}  // namespace zepra
