#include "link/gauge_link.h"

#include <array>
#include <bit>
#include <cmath>
#include <span>
#include <vector>

#include "data/sample_statistics.h"
#include "data/thickness_format.h"

namespace zepra {
namespace {

constexpr std::array<MainControl, 7> kRequestButtons = {
    MainControl::RealTime, MainControl::Grp1,   MainControl::Grp2,       MainControl::Grp3,
    MainControl::Grp4,     MainControl::AllGrp, MainControl::RealTimeGrp};
// The request buttons without Cmd_RealTime: what sampling disables.
constexpr std::span<const MainControl> kDownloadButtons(kRequestButtons.data() + 1, 6);

constexpr std::uint8_t kStartLiveStream = 0xF1;
constexpr std::uint8_t kStopLiveStream = 0xF0;
constexpr std::uint8_t kRequestAllGroups = 0xF6;
constexpr std::uint8_t kRequestCurrentGroup = 0xF7;
constexpr std::uint8_t kRequestGroup1 = 0xF2;  // groups 2 to 4 follow

constexpr int kLiveFrameBytes = 5;
constexpr int kLiveThreshold = 5;
constexpr int kResyncThreshold = 4;
constexpr std::uint32_t kNoReadingPattern = 0x44A8C000;  // 1350.0
constexpr std::uint32_t kOverloadPattern = 0x44A8E000;   // 1351.0
constexpr const char* kNoReadingText = "----.-";
constexpr const char* kOverloadText = "OL";
constexpr int kGroupsPerExchange = 4;

std::uint32_t LittleEndianWord(std::span<const std::uint8_t> bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

// A single-precision gauge value, widened unchanged.
double GaugeFloat(std::span<const std::uint8_t> bytes) {
    return static_cast<double>(std::bit_cast<float>(LittleEndianWord(bytes)));
}

bool IsDownloadMode(std::int16_t mode) {
    return (mode >= ModeGroup1 && mode <= ModeAllGroups) || mode == ModeCurrentGroup;
}

// Limits and readings of one dump into a slot (data bytes after the length byte).
void StoreDump(std::span<const std::uint8_t> data, GroupSlot& slot) {
    const auto count = static_cast<std::int32_t>(data.size() / 4) - 2;
    slot.highLimit = GaugeFloat(data.subspan(0, 4));
    slot.lowLimit = GaugeFloat(data.subspan(4, 4));
    slot.readingCount = count;
    for (std::int32_t k = 1; k <= count; ++k) {
        ReadingRecord& record = slot.readings[static_cast<std::size_t>(k - 1)];
        record.number = k;
        record.value = GaugeFloat(data.subspan(static_cast<std::size_t>(4 * k + 4), 4));
    }
}

}  // namespace

struct GaugeLink::State {
    State(GaugeLink& owner, MeasurementStore& s, SerialPort& p, GaugeWindows& w)
        : link(owner), store(s), port(p), windows(w) {}

    GaugeLink& link;
    MeasurementStore& store;
    SerialPort& port;
    GaugeWindows& windows;

    bool sampling = false;
    double captureMax = 0.0;
    double captureMin = 0.0;
    bool captureFullTold = false;
    // Set while a notification or a timer reads the port: a modal message shown from inside
    // runs a nested event loop, and a notification delivered there must not read in between.
    bool reading = false;

    // Download in progress: waiting for a length byte, or for expectedBytes data bytes.
    bool awaitingLength = true;
    std::int32_t announcedCount = 0;
    std::array<bool, kGroupsPerExchange> exchangeStored{};
    std::string refusedGroups;

    QTimer drainTimer;
    QTimer partialFrameTimer;
    int partialFrameBytes = 0;
    QTimer stallTimer;
    int stallBytesSeen = 0;
    int stallQuietChecks = 0;

    void setButtons(std::span<const MainControl> buttons, bool enabled) {
        for (MainControl button : buttons) windows.setEnabled(button, enabled);
    }

    // ---- downloads ----

    void startDownload(std::int16_t mode, std::uint8_t request) {
        setButtons(kRequestButtons, false);
        store.receiveMode = mode;
        port.discardInput();
        port.setReceiveThreshold(1);
        awaitingLength = true;
        const std::array<std::uint8_t, 1> bytes = {request};
        port.write(bytes);
        stallBytesSeen = 0;
        stallQuietChecks = 0;
        stallTimer.start();
    }

    // Frames the dump by counting bytes: everything that is already waiting is handled here,
    // since no further notification comes for bytes that have all arrived.
    void readDownload() {
        const std::int16_t mode = store.receiveMode;
        while (store.receiveMode == mode && port.isOpen()) {
            if (awaitingLength) {
                if (port.bytesWaiting() < 1) break;
                const std::vector<std::uint8_t> length = port.read(1);
                if (length.size() != 1) break;
                announcedCount = length[0];
                store.expectedBytes = (announcedCount + 2) * 4;
                port.setReceiveThreshold(store.expectedBytes);
                awaitingLength = false;
            }
            if (port.bytesWaiting() < store.expectedBytes) break;
            const std::vector<std::uint8_t> data = port.read(store.expectedBytes);
            if (data.size() != static_cast<std::size_t>(store.expectedBytes)) break;
            if (mode == ModeAllGroups) {
                storeExchangeDump(data);
            } else {
                storeSingleDump(mode, data);
            }
        }
        if (IsDownloadMode(store.receiveMode)) {
            stallBytesSeen = port.bytesWaiting();
            stallQuietChecks = 0;
            stallTimer.start();
        }
    }

    void storeSingleDump(std::int16_t mode, std::span<const std::uint8_t> data) {
        const bool fits = announcedCount <= GroupSlot::kCapacity;
        if (fits) {
            StoreDump(data,
                      mode == ModeCurrentGroup ? store.currentGroupSlot : store.groupSlot(mode));
        }
        endDownload();
        if (fits) {
            windows.reopenGroupWindow(mode == ModeCurrentGroup ? GroupWindowId::Current
                                                               : static_cast<GroupWindowId>(mode));
        } else {
            windows.showMessage(OversizeGroupMessage(0, announcedCount));
        }
    }

    void storeExchangeDump(std::span<const std::uint8_t> data) {
        const int stage = store.allGroupsStage;
        store.allGroupsStage = stage + 1;
        if (announcedCount <= GroupSlot::kCapacity) {
            StoreDump(data, store.groupSlot(stage + 1));
            exchangeStored[static_cast<std::size_t>(stage)] = true;
        } else {
            if (!refusedGroups.empty()) refusedGroups += "\r\n";
            refusedGroups += OversizeGroupMessage(stage + 1, announcedCount);
        }
        if (stage + 1 < kGroupsPerExchange) {
            awaitingLength = true;
            port.setReceiveThreshold(1);
            return;
        }
        endDownload();
        for (int group = 1; group <= kGroupsPerExchange; ++group) {
            if (exchangeStored[static_cast<std::size_t>(group - 1)]) {
                windows.reopenGroupWindow(static_cast<GroupWindowId>(group));
            }
        }
        if (!refusedGroups.empty()) windows.showMessage(refusedGroups);
    }

    void endDownload() {
        stallTimer.stop();
        store.receiveMode = ModeIdle;
        setButtons(kRequestButtons, true);
    }

    // Progress is any change in the number of waiting bytes between two checks.
    void checkStall() {
        if (!IsDownloadMode(store.receiveMode)) {
            stallTimer.stop();
            return;
        }
        const int waiting = port.bytesWaiting();
        if (waiting != stallBytesSeen) {
            stallBytesSeen = waiting;
            stallQuietChecks = 0;
            return;
        }
        if (++stallQuietChecks * kDownloadStallCheckMs < kDownloadStallMs) return;
        stallTimer.stop();
        store.receiveMode = ModeIdle;
        port.setReceiveThreshold(0);
        port.discardInput();
        setButtons(kRequestButtons, true);
        windows.showMessage(kNoAnswerFromGauge);
    }

    // ---- live stream ----

    void readLiveFrames() {
        while (store.receiveMode == ModeLive && port.isOpen() &&
               port.bytesWaiting() >= kLiveFrameBytes) {
            const std::vector<std::uint8_t> frame = port.read(kLiveFrameBytes);
            if (frame.size() != kLiveFrameBytes) break;
            showFrame(frame);
        }
        if (store.receiveMode != ModeLive || !port.isOpen()) return;
        const int waiting = port.bytesWaiting();
        if (waiting > 0 && waiting < kLiveFrameBytes) {
            partialFrameBytes = waiting;
            partialFrameTimer.start();
        }
    }

    // A partial frame left alone on a quiet line will never complete: drop it to realign.
    void checkPartialFrame() {
        if (store.receiveMode != ModeLive || !port.isOpen() || port.receiveThreshold() == 0) return;
        const int waiting = port.bytesWaiting();
        if (waiting >= kLiveFrameBytes) {
            readLiveFrames();
        } else if (waiting == partialFrameBytes) {
            port.discardInput();
        } else if (waiting > 0) {
            partialFrameBytes = waiting;
            partialFrameTimer.start();
        }
    }

    void showFrame(std::span<const std::uint8_t> frame) {
        if ((frame[0] & 1) == 0) return;
        const std::uint32_t pattern = LittleEndianWord(frame.subspan(1, 4));
        if (pattern == kNoReadingPattern) {
            windows.setText(MainControl::LabelData, kNoReadingText);
            return;
        }
        if (pattern == kOverloadPattern) {
            windows.setText(MainControl::LabelData, kOverloadText);
            return;
        }
        const double value = GaugeFloat(frame.subspan(1, 4));
        if (!std::isfinite(value)) {  // not a reading either
            windows.setText(MainControl::LabelData, kNoReadingText);
            return;
        }
        const LiveReadingText texts = FormatLiveReading(value, store.unitIsMils);
        windows.setText(MainControl::LabelData, texts.reading);
        windows.setText(MainControl::LabelUnit, texts.unit);
        capture(value, texts.list);
    }

    void capture(double value, const std::string& listText) {
        RealTimeSamples& samples = store.realTimeSamples;
        if (samples.readingCount >= RealTimeSamples::kCapacity) {
            if (!captureFullTold) {
                captureFullTold = true;
                windows.showMessage(kCaptureFull);
            }
            return;
        }
        const std::int32_t index = samples.readingCount;
        samples.readingCount = index + 1;
        ReadingRecord& record = samples.readings[static_cast<std::size_t>(index)];
        record.number = samples.readingCount;
        record.value = value;
        record.text = listText;

        if (samples.readingCount == 1) {
            captureMax = value;
            captureMin = value;
        } else {
            if (captureMin >= value) captureMin = value;
            if (captureMax <= value) captureMax = value;
        }

        const std::int32_t unit = store.unitIsMils;
        const SampleStatistics statistics = CaptureStatistics(
            std::span<const ReadingRecord>(samples.readings.data(),
                                           static_cast<std::size_t>(samples.readingCount)),
            unit);
        CapturedSampleTexts texts;
        texts.recordIndex = index;
        texts.unitLine = UnitLine(unit);
        texts.count = labels::kCaptureCount + NumberToText(samples.readingCount);
        texts.maximum = labels::kCaptureMaxAfterSample +
                        FormatStatistic(captureMax, unit, StatisticFigure::Extreme);
        texts.minimum =
            labels::kCaptureMin + FormatStatistic(captureMin, unit, StatisticFigure::Extreme);
        texts.mean =
            labels::kCaptureMean + FormatStatistic(statistics.mean, unit, StatisticFigure::Mean);
        texts.deviation =
            labels::kDeviation +
            (unit == 1 ? FormatStatisticInMils(statistics.deviation)
                       : FormatStatistic(statistics.deviation, unit, StatisticFigure::Extreme));
        windows.sampleCaptured(texts);
    }

    void drainTick() {
        if (port.bytesWaiting() > 0) {
            port.discardInput();
            port.setReceiveThreshold(0);
        } else {
            port.setReceiveThreshold(kResyncThreshold);
            drainTimer.stop();
        }
    }

    void stopTimers() {
        drainTimer.stop();
        partialFrameTimer.stop();
        stallTimer.stop();
    }

    void deviceGone(const std::string& reason) {
        stopTimers();
        store.receiveMode = ModeIdle;
        if (sampling) {
            sampling = false;
            windows.setText(MainControl::RealTime, "RealTimeSamp");
        }
        windows.deviceGone(reason);
    }
};

GaugeLink::GaugeLink(MeasurementStore& store, SerialPort& port, GaugeWindows& windows,
                     QObject* parent)
    : QObject(parent), state_(std::make_unique<State>(*this, store, port, windows)) {
    State& s = *state_;
    s.drainTimer.setInterval(kDrainIntervalMs);
    connect(&s.drainTimer, &QTimer::timeout, this, [this] { state_->drainTick(); });
    s.partialFrameTimer.setSingleShot(true);
    s.partialFrameTimer.setInterval(kPartialFrameQuietMs);
    connect(&s.partialFrameTimer, &QTimer::timeout, this, [this] {
        if (state_->reading) return;
        state_->reading = true;
        state_->checkPartialFrame();
        state_->reading = false;
    });
    s.stallTimer.setInterval(kDownloadStallCheckMs);
    connect(&s.stallTimer, &QTimer::timeout, this, [this] {
        if (!state_->reading) state_->checkStall();
    });
    port.onDataReceived = [this] { onComm(); };
    port.onDeviceGone = [this](const std::string& reason) { state_->deviceGone(reason); };
}

GaugeLink::~GaugeLink() {
    state_->port.onDataReceived = nullptr;
    state_->port.onDeviceGone = nullptr;
}

void GaugeLink::requestGroup(GroupWindowId group) {
    if (group == GroupWindowId::Current) {
        state_->startDownload(ModeCurrentGroup, kRequestCurrentGroup);
        return;
    }
    const int number = static_cast<int>(group);
    state_->startDownload(static_cast<std::int16_t>(number),
                          static_cast<std::uint8_t>(kRequestGroup1 + number - 1));
}

void GaugeLink::requestAllGroups() {
    State& s = *state_;
    s.startDownload(ModeAllGroups, kRequestAllGroups);
    s.store.allGroupsStage = 0;
    s.exchangeStored = {};
    s.refusedGroups.clear();
}

void GaugeLink::toggleRealTime() {
    State& s = *state_;
    if (!s.sampling) {
        s.sampling = true;
        s.windows.setText(MainControl::RealTime, "Pause");
        s.setButtons(kDownloadButtons, false);
        s.store.receiveMode = ModeLive;
        s.port.discardInput();
        s.port.setReceiveThreshold(kLiveThreshold);
        const std::array<std::uint8_t, 1> start = {kStartLiveStream};
        s.port.write(start);
        s.windows.showRealTimeList();
        return;
    }
    s.sampling = false;
    s.stopTimers();
    s.windows.setText(MainControl::RealTime, "RealTimeSamp");
    s.setButtons(kDownloadButtons, true);
    s.store.receiveMode = ModeIdle;
    const std::array<std::uint8_t, 1> stop = {kStopLiveStream};
    s.port.write(stop);
    s.port.setReceiveThreshold(0);
    s.port.discardInput();
}

bool GaugeLink::isSampling() const {
    return state_->sampling;
}

void GaugeLink::suspendLiveStream() {
    State& s = *state_;
    if (s.store.receiveMode != ModeLive) return;
    s.drainTimer.stop();
    s.partialFrameTimer.stop();
    s.port.setReceiveThreshold(0);
    s.port.discardInput();
}

void GaugeLink::resumeLiveStream() {
    if (state_->store.receiveMode != ModeLive) return;
    state_->drainTimer.start();
}

void GaugeLink::onComm() {
    State& s = *state_;
    if (s.reading) return;  // the handler below re-checks the port when it resumes
    s.reading = true;
    const std::int16_t mode = s.store.receiveMode;
    if (mode == ModeLive) {
        s.readLiveFrames();
    } else if (IsDownloadMode(mode)) {
        s.readDownload();
    } else {
        s.store.receiveMode = ModeIdle;
        s.setButtons(kRequestButtons, true);
    }
    s.reading = false;
}

double GaugeLink::captureMax() const {
    return state_->captureMax;
}
double GaugeLink::captureMin() const {
    return state_->captureMin;
}

std::string GaugeLink::OversizeGroupMessage(int group, int readingCount) {
    const std::string limit = NumberToText(GroupSlot::kCapacity);
    const std::string count = NumberToText(static_cast<std::int32_t>(readingCount));
    const std::string what = group == 0
                                 ? "a group of " + count + " readings"
                                 : "group " + NumberToText(static_cast<std::int32_t>(group)) +
                                       " with " + count + " readings";
    return "The gauge sent " + what + "; at most " + limit +
           " can be stored. The group was not stored.";
}

}  // namespace zepra
