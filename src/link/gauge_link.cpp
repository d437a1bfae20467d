#include "link/gauge_link.h"

#include <array>
#include <bit>
#include <cmath>
#include <deque>
#include <optional>
#include <span>
#include <vector>

#include "data/sample_statistics.h"
#include "data/thickness_format.h"
#include "link/live_frame_decoder.h"

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
    State(MeasurementStore& s, SerialPort& p, GaugeWindows& w, LinkClock& c)
        : store(s), port(p), windows(w), clock(c) {}

    MeasurementStore& store;
    SerialPort& port;
    GaugeWindows& windows;
    LinkClock& clock;

    int threshold = 0;               // the protocol's receive threshold (see gauge_link.h)
    std::int64_t lastArrivalMs = 0;  // when bytes last arrived, or a download was requested

    bool sampling = false;
    double captureMax = 0.0;
    double captureMin = 0.0;
    bool captureFullTold = false;
    LiveFrameDecoder decoder;
    // The frame under way when capture resumed began during the suspension: it is dropped.
    bool skipFrameInProgress = false;

    // Download in progress: waiting for a length byte, or for expectedBytes data bytes.
    bool awaitingLength = true;
    std::int32_t announcedCount = 0;
    std::array<bool, kGroupsPerExchange> exchangeStored{};
    std::string refusedGroups;

    // A notification that comes while one is handled (a window may run the event loop) is
    // handled by the outer one, which looks at the port again before it returns.
    bool handling = false;
    bool arrivedWhileHandling = false;

    // Messages wait here until the handler that found them has returned; shown one at a time.
    std::deque<std::string> messages;
    bool messagesPosted = false;
    bool showingMessages = false;
    std::shared_ptr<int> alive = std::make_shared<int>(0);  // posted tasks check it

    void setButtons(std::span<const MainControl> buttons, bool enabled) {
        for (MainControl button : buttons) windows.setEnabled(button, enabled);
    }

    // ---- notifications, wake-ups, messages ----

    void handleArrival() {
        if (handling) {
            arrivedWhileHandling = true;
            return;
        }
        handling = true;
        do {
            arrivedWhileHandling = false;
            dispatch(clock.nowMs());
        } while (arrivedWhileHandling && port.isOpen());
        handling = false;
        scheduleWake();
    }

    void dispatch(std::int64_t now) {
        lastArrivalMs = now;
        const std::int16_t mode = store.receiveMode;
        if (mode == ModeLive) {
            readLive(now);
        } else if (IsDownloadMode(mode)) {
            readDownload();
        } else if (threshold > 0 && port.bytesWaiting() >= threshold) {
            // What a notification in a mode without a branch does: back to idle, bytes left.
            store.receiveMode = ModeIdle;
            setButtons(kRequestButtons, true);
        }
    }

    void onWake() {
        if (handling) return;  // the running handler schedules the next wake-up itself
        // Bytes the program has not seen yet (it may have been busy) are taken in first: only
        // then does a silent port mean a quiet line.
        takeInWaitingBytes();
        const std::int64_t now = clock.nowMs();
        if (port.isOpen()) {
            if (store.receiveMode == ModeLive) {
                if (decoder.dropIfQuiet(now)) skipFrameInProgress = false;
            } else if (IsDownloadMode(store.receiveMode) &&
                       now - lastArrivalMs >= kDownloadStallMs) {
                downloadStalled();
            }
        }
        scheduleWake();
    }

    void scheduleWake() {
        std::optional<std::int64_t> at;
        if (port.isOpen()) {
            if (store.receiveMode == ModeLive) {
                at = decoder.quietDeadline();
            } else if (IsDownloadMode(store.receiveMode)) {
                at = lastArrivalMs + kDownloadStallMs;
            }
        }
        if (at) {
            clock.wakeAt(*at);
        } else {
            clock.cancelWake();
        }
    }

    void postMessage(std::string text) {
        messages.push_back(std::move(text));
        if (messagesPosted || showingMessages) return;
        messagesPosted = true;
        clock.post([this, guard = std::weak_ptr<int>(alive)] {
            if (guard.expired()) return;
            messagesPosted = false;
            showMessages();
        });
    }

    void showMessages() {
        if (showingMessages) return;
        showingMessages = true;
        const std::weak_ptr<int> guard = alive;
        while (!messages.empty()) {
            const std::string text = std::move(messages.front());
            messages.pop_front();
            windows.showMessage(text);  // modal: the event loop runs until it is dismissed
            if (guard.expired()) return;
        }
        showingMessages = false;
    }

    // ---- downloads ----

    void startDownload(std::int16_t mode, std::uint8_t request) {
        setButtons(kRequestButtons, false);
        store.receiveMode = mode;
        port.discardInput();
        threshold = 1;
        awaitingLength = true;
        const std::array<std::uint8_t, 1> bytes = {request};
        port.write(bytes);
        lastArrivalMs = clock.nowMs();
        scheduleWake();
    }

    // Frames the dump by counting bytes: everything that is already waiting is handled here.
    void readDownload() {
        const std::int16_t mode = store.receiveMode;
        while (store.receiveMode == mode && port.isOpen()) {
            if (awaitingLength) {
                if (port.bytesWaiting() < 1) break;
                const std::vector<std::uint8_t> length = port.read(1);
                if (length.size() != 1) break;
                announcedCount = length[0];
                store.expectedBytes = (announcedCount + 2) * 4;
                threshold = store.expectedBytes;
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
            postMessage(OversizeGroupMessage(0, announcedCount));
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
            threshold = 1;
            return;
        }
        endDownload();
        for (int group = 1; group <= kGroupsPerExchange; ++group) {
            if (exchangeStored[static_cast<std::size_t>(group - 1)]) {
                windows.reopenGroupWindow(static_cast<GroupWindowId>(group));
            }
        }
        if (!refusedGroups.empty()) postMessage(refusedGroups);
    }

    void endDownload() {
        store.receiveMode = ModeIdle;
        setButtons(kRequestButtons, true);
    }

    void downloadStalled() {
        store.receiveMode = ModeIdle;
        threshold = 0;
        port.discardInput();
        setButtons(kRequestButtons, true);
        postMessage(kNoAnswerFromGauge);
    }

    // ---- live stream ----

    // Every byte goes through the decoder, whatever the threshold: while it is 0 (suspended)
    // frames are dropped whole, so the stream is still aligned when capture resumes.
    void readLive(std::int64_t now) {
        const int waiting = port.bytesWaiting();
        if (waiting <= 0) return;
        const std::vector<std::uint8_t> bytes = port.read(waiting);
        for (const LiveFrame& frame : decoder.feed(bytes, now)) {
            if (store.receiveMode != ModeLive || threshold == 0) continue;
            if (skipFrameInProgress) {
                skipFrameInProgress = false;
                continue;
            }
            showFrame(frame);
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
        windows.setRealTimeUnitLine(UnitLine(store.unitIsMils));
        capture(value, texts.list);
    }

    void capture(double value, const std::string& listText) {
        RealTimeSamples& samples = store.realTimeSamples;
        if (samples.readingCount >= RealTimeSamples::kCapacity) {
            if (!captureFullTold) {
                captureFullTold = true;
                postMessage(kCaptureFull);
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

    // Takes in what the port holds, including what the system has not handed on yet.
    void takeInWaitingBytes() {
        port.pollInput();
        if (port.isOpen() && store.receiveMode == ModeLive && port.bytesWaiting() > 0) {
            handleArrival();
        }
    }

    void deviceGone(const std::string& reason) {
        store.receiveMode = ModeIdle;
        threshold = 0;
        decoder.reset();
        skipFrameInProgress = false;
        clock.cancelWake();
        if (sampling) {
            sampling = false;
            windows.setText(MainControl::RealTime, "RealTimeSamp");
        }
        windows.deviceGone(reason);
        postMessage(DeviceGoneMessage(reason));
    }
};

GaugeLink::GaugeLink(MeasurementStore& store, SerialPort& port, GaugeWindows& windows,
                     LinkClock& clock)
    : state_(std::make_unique<State>(store, port, windows, clock)) {
    port.onDataReceived = [this] { state_->handleArrival(); };
    port.onDeviceGone = [this](const std::string& reason) { state_->deviceGone(reason); };
    clock.onWake = [this] { state_->onWake(); };
}

GaugeLink::~GaugeLink() {
    state_->port.onDataReceived = nullptr;
    state_->port.onDeviceGone = nullptr;
    state_->clock.onWake = nullptr;
    state_->clock.cancelWake();
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
    s.store.allGroupsStage = 0;
    s.exchangeStored = {};
    s.refusedGroups.clear();
    s.startDownload(ModeAllGroups, kRequestAllGroups);
}

void GaugeLink::toggleRealTime() {
    State& s = *state_;
    if (!s.sampling) {
        s.sampling = true;
        s.windows.setText(MainControl::RealTime, "Pause");
        s.setButtons(kDownloadButtons, false);
        s.store.receiveMode = ModeLive;
        s.port.discardInput();
        s.decoder.reset();
        s.skipFrameInProgress = false;
        s.threshold = kLiveThreshold;
        const std::array<std::uint8_t, 1> start = {kStartLiveStream};
        s.port.write(start);
        s.scheduleWake();
        s.windows.showRealTimeList();
        return;
    }
    s.sampling = false;
    s.windows.setText(MainControl::RealTime, "RealTimeSamp");
    s.setButtons(kDownloadButtons, true);
    s.store.receiveMode = ModeIdle;
    const std::array<std::uint8_t, 1> stop = {kStopLiveStream};
    s.port.write(stop);
    s.threshold = 0;
    s.port.discardInput();
    s.decoder.reset();
    s.scheduleWake();
}

bool GaugeLink::isSampling() const {
    return state_->sampling;
}

void GaugeLink::suspendLiveStream() {
    State& s = *state_;
    if (s.store.receiveMode != ModeLive) return;
    s.takeInWaitingBytes();  // readings that came before the suspension are still captured
    s.threshold = 0;
}

void GaugeLink::resumeLiveStream() {
    State& s = *state_;
    if (s.store.receiveMode != ModeLive || s.threshold != 0) return;
    s.takeInWaitingBytes();  // came during the suspension: dropped
    s.threshold = kResyncThreshold;
    s.skipFrameInProgress = s.decoder.partialBytes() > 0;
}

void GaugeLink::onComm() {
    state_->handleArrival();
}

int GaugeLink::receiveThreshold() const {
    return state_->threshold;
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

std::string GaugeLink::DeviceGoneMessage(const std::string& reason) {
    return "The gauge is no longer connected (" + reason + "). Plug it in again and press CONNECT.";
}

}  // namespace zepra
