#include "link/gauge_link.h"

#include <algorithm>
#include <array>
#include <limits>
#include <span>
#include <string>
#include <vector>

#include "link/dump_decoder.h"
#include "link/live_frame_decoder.h"
#include "link/message_queue.h"

namespace zepra {
namespace {

constexpr std::uint8_t kStartLiveStream = 0xF1;
constexpr std::uint8_t kStopLiveStream = 0xF0;
constexpr std::uint8_t kRequestAllGroups = 0xF6;
constexpr std::uint8_t kRequestCurrentGroup = 0xF7;
constexpr std::uint8_t kRequestGroup1 = 0xF2;  // groups 2 to 4 follow

constexpr int kLiveThreshold = 5;
constexpr int kResyncThreshold = 4;
constexpr int kGroupsPerExchange = 4;

bool IsDownloadMode(std::int16_t mode) {
    return (mode >= ModeGroup1 && mode <= ModeAllGroups) || mode == ModeCurrentGroup;
}

// A thickness the gauge can have measured: zero, or a normal float from its smallest to 100 mm.
bool IsThickness(double value) {
    constexpr double kLargestMicrometres = 100'000.0;
    return value == 0.0 || (value >= static_cast<double>(std::numeric_limits<float>::min()) &&
                            value <= kLargestMicrometres);
}

// The message naming the dump's first value that is no thickness; empty when every one is.
std::optional<std::string> FirstNonThickness(const GroupDump& dump, const std::string& group) {
    if (!IsThickness(dump.highLimit))
        return NotAThicknessMessage(group + ", the high limit", dump.highLimit);
    if (!IsThickness(dump.lowLimit))
        return NotAThicknessMessage(group + ", the low limit", dump.lowLimit);
    for (std::size_t k = 0; k < dump.readings.size(); ++k) {
        if (!IsThickness(dump.readings[k])) {
            return NotAThicknessMessage(group + ", reading " + std::to_string(k + 1),
                                        dump.readings[k]);
        }
    }
    return std::nullopt;
}

void StoreDump(const GroupDump& dump, GroupSlot& slot) {
    slot.highLimit = dump.highLimit;
    slot.lowLimit = dump.lowLimit;
    slot.readingCount = dump.readingCount;
    for (std::int32_t k = 1; k <= dump.readingCount; ++k) {
        ReadingRecord& record = slot.readings[static_cast<std::size_t>(k - 1)];
        record.number = k;
        record.value = dump.readings[static_cast<std::size_t>(k - 1)];
    }
}

}  // namespace

// The live stream's phases while sampling.
enum class LivePhase {
    Off,              // not sampling
    Capturing,        // every whole frame is reported
    Suspended,        // frames are dropped whole
    Resynchronising,  // resumed in the middle of a frame: that frame is dropped, then Capturing
};

struct GaugeLink::Parts {
    Parts(MeasurementStore& s, SerialPort& p, LinkEvents& e, LinkClock& c, Samples samples)
        : store(s),
          port(p),
          events(e),
          clock(c),
          storesSamples(samples == Samples::Stored),
          messages(c, [&e](const LinkProblem& problem) { e.problem(problem); }) {}

    MeasurementStore& store;
    SerialPort& port;
    LinkEvents& events;
    LinkClock& clock;
    const bool storesSamples;
    MessageQueue messages;

    int threshold = 0;               // see receiveThreshold()
    std::int64_t lastArrivalMs = 0;  // when bytes last arrived, or a download was requested
    // Set when a download's last dump was read: until then a byte means the framing slipped.
    std::optional<std::int64_t> settleUntil;

    LivePhase live = LivePhase::Off;
    LiveFrameDecoder frames;
    bool captureFullTold = false;

    DumpDecoder dump;
    std::vector<OversizeGroup> refusedGroups;  // of the all-groups exchange under way
    std::vector<std::string> nonThicknesses;   // of the all-groups exchange under way
    std::array<bool, kGroupsPerExchange> exchangeStored{};

    // A notification that comes while one is handled (a front end may run the event loop) is
    // handled by the outer one, which looks at the port again before it returns.
    bool handling = false;
    bool arrivedWhileHandling = false;

    // ---- notifications and wake-ups ----

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
        } else if (settleUntil && port.bytesWaiting() > 0) {
            framingSlipped();
        } else if (threshold > 0 && port.bytesWaiting() >= threshold) {
            // Bytes reaching an armed threshold with no exchange running: idle again, bytes left.
            store.receiveMode = ModeIdle;
            events.activityChanged(LinkActivity::Idle);
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
                if (frames.dropIfQuiet(now) && live == LivePhase::Resynchronising) {
                    live = LivePhase::Capturing;
                }
            } else if (IsDownloadMode(store.receiveMode) &&
                       now - lastArrivalMs >= kDownloadStallMs) {
                downloadStalled();
            } else if (settleUntil && now >= *settleUntil) {
                settleUntil.reset();
                events.exchangeSettled();
            }
        }
        scheduleWake();
    }

    void scheduleWake() {
        std::optional<std::int64_t> at;
        if (port.isOpen()) {
            if (store.receiveMode == ModeLive) {
                at = frames.quietDeadline();
            } else if (IsDownloadMode(store.receiveMode)) {
                at = lastArrivalMs + kDownloadStallMs;
            } else if (settleUntil) {
                at = settleUntil;
            }
        }
        if (at) {
            clock.wakeAt(*at);
        } else {
            clock.cancelWake();
        }
    }

    // Takes in what the port holds, including what the system has not handed on yet.
    void takeInWaitingBytes() {
        port.pollInput();
        const bool watched = store.receiveMode == ModeLive || settleUntil.has_value();
        if (port.isOpen() && watched && port.bytesWaiting() > 0) {
            handleArrival();
        }
    }

    void deviceGone(const std::string& reason) {
        settleUntil.reset();
        store.receiveMode = ModeIdle;
        threshold = 0;
        frames.reset();
        live = LivePhase::Off;
        clock.cancelWake();
        events.deviceGone(reason);
        messages.post({LinkProblem::Kind::DeviceGone, {}, reason});
    }

    // ---- downloads ----

    void startDownload(std::int16_t mode, std::uint8_t request) {
        events.activityChanged(LinkActivity::Downloading);
        settleUntil.reset();
        store.receiveMode = mode;
        port.discardInput();
        threshold = 1;
        dump.reset();
        const std::array<std::uint8_t, 1> bytes = {request};
        port.write(bytes);
        lastArrivalMs = clock.nowMs();
        scheduleWake();
    }

    // Everything that is already waiting is handled here; bytes a dump does not need yet stay
    // in the port.
    void readDownload() {
        const std::int16_t mode = store.receiveMode;
        while (store.receiveMode == mode && port.isOpen()) {
            const int needed = dump.bytesNeeded();
            if (port.bytesWaiting() < needed) break;
            const std::vector<std::uint8_t> bytes = port.read(needed);
            if (bytes.size() != static_cast<std::size_t>(needed)) break;
            const std::optional<GroupDump> got = dump.take(bytes);
            if (!got) {  // the length byte: now the data
                store.expectedBytes = dump.dataBytes();
                threshold = store.expectedBytes;
            } else if (mode == ModeAllGroups) {
                storeExchangeDump(*got);
            } else {
                storeSingleDump(mode, *got);
            }
        }
        // The last dump is in, and more is waiting.
        if (settleUntil && port.isOpen() && port.bytesWaiting() > 0) framingSlipped();
    }

    void storeSingleDump(std::int16_t mode, const GroupDump& got) {
        const bool fits = got.readingCount <= GroupSlot::kCapacity;
        const std::optional<std::string> bad = FirstNonThickness(
            got, mode == ModeCurrentGroup ? "the current group" : "group " + std::to_string(mode));
        if (fits && !bad) {
            StoreDump(got,
                      mode == ModeCurrentGroup ? store.currentGroupSlot : store.groupSlot(mode));
        }
        endDownload();
        if (!fits) {
            messages.post({LinkProblem::Kind::GroupTooLarge, {{0, got.readingCount}}, {}});
        } else if (bad) {
            messages.post({LinkProblem::Kind::NotAThickness, {}, *bad});
        } else {
            events.groupStored(mode == ModeCurrentGroup ? GroupWindowId::Current
                                                        : static_cast<GroupWindowId>(mode));
        }
    }

    void storeExchangeDump(const GroupDump& got) {
        const int stage = store.allGroupsStage;
        store.allGroupsStage = stage + 1;
        const std::optional<std::string> bad =
            FirstNonThickness(got, "group " + std::to_string(stage + 1));
        if (got.readingCount > GroupSlot::kCapacity) {
            refusedGroups.push_back({stage + 1, got.readingCount});
        } else if (bad) {
            nonThicknesses.push_back(*bad);
        } else {
            StoreDump(got, store.groupSlot(stage + 1));
            exchangeStored[static_cast<std::size_t>(stage)] = true;
        }
        if (stage + 1 < kGroupsPerExchange) {
            threshold = 1;
            return;
        }
        endDownload();
        for (int group = 1; group <= kGroupsPerExchange; ++group) {
            if (exchangeStored[static_cast<std::size_t>(group - 1)]) {
                events.groupStored(static_cast<GroupWindowId>(group));
            }
        }
        if (!refusedGroups.empty()) {
            messages.post({LinkProblem::Kind::GroupTooLarge, refusedGroups, {}});
        }
        for (const std::string& message : nonThicknesses) {
            messages.post({LinkProblem::Kind::NotAThickness, {}, message});
        }
    }

    // The last dump is read: the line must now stay quiet for kExchangeQuietMs.
    void endDownload() {
        store.receiveMode = ModeIdle;
        settleUntil = clock.nowMs() + kExchangeQuietMs;
        events.activityChanged(LinkActivity::Idle);
    }

    // What came after the last dump is dropped; the user is told the groups may be wrong.
    void framingSlipped() {
        settleUntil.reset();
        port.discardInput();
        messages.post({LinkProblem::Kind::FramingSlipped, {}, {}});
    }

    void downloadStalled() {
        store.receiveMode = ModeIdle;
        threshold = 0;
        port.discardInput();
        events.activityChanged(LinkActivity::Idle);
        messages.post({LinkProblem::Kind::NoAnswer, {}, {}});
    }

    // ---- live stream ----

    // Every byte goes through the frame decoder, whatever the phase: while suspended, frames are
    // dropped whole, so the stream is still aligned when capture resumes.
    void readLive(std::int64_t now) {
        const int waiting = port.bytesWaiting();
        if (waiting <= 0) return;
        const std::vector<std::uint8_t> bytes = port.read(waiting);
        for (const LiveFrame& frame : frames.feed(bytes, now)) {
            if (store.receiveMode != ModeLive || live == LivePhase::Suspended) continue;
            if (live == LivePhase::Resynchronising) {
                live = LivePhase::Capturing;
                continue;
            }
            const LiveFrameMeaning meaning = ReadLiveFrame(frame);
            events.liveFrame(meaning.kind, meaning.value);
            if (meaning.kind == LiveFrameKind::Reading && storesSamples) capture(meaning.value);
        }
    }

    void capture(double value) {
        RealTimeSamples& samples = store.realTimeSamples;
        if (samples.readingCount >= RealTimeSamples::kCapacity) {
            if (!captureFullTold) {
                captureFullTold = true;
                messages.post({LinkProblem::Kind::CaptureFull, {}, {}});
            }
            return;
        }
        const std::int32_t index = samples.readingCount;
        samples.readingCount = index + 1;
        ReadingRecord& record = samples.readings[static_cast<std::size_t>(index)];
        record.number = samples.readingCount;
        record.value = value;
        events.sampleCaptured(index);
    }

    void startSampling() {
        settleUntil.reset();
        store.receiveMode = ModeLive;
        port.discardInput();
        frames.reset();
        live = LivePhase::Capturing;
        threshold = kLiveThreshold;
        const std::array<std::uint8_t, 1> start = {kStartLiveStream};
        port.write(start);
        scheduleWake();
        events.activityChanged(LinkActivity::Sampling);
    }

    void stopSampling() {
        live = LivePhase::Off;
        store.receiveMode = ModeIdle;
        const std::array<std::uint8_t, 1> stop = {kStopLiveStream};
        port.write(stop);
        threshold = 0;
        port.discardInput();
        frames.reset();
        scheduleWake();
        events.activityChanged(LinkActivity::Idle);
    }
};

GaugeLink::GaugeLink(MeasurementStore& store, SerialPort& port, LinkEvents& events,
                     LinkClock& clock, Samples samples)
    : parts_(std::make_unique<Parts>(store, port, events, clock, samples)) {
    port.onDataReceived = [this] { parts_->handleArrival(); };
    port.onDeviceGone = [this](const std::string& reason) { parts_->deviceGone(reason); };
    clock.onWake = [this] { parts_->onWake(); };
}

GaugeLink::~GaugeLink() {
    parts_->port.onDataReceived = nullptr;
    parts_->port.onDeviceGone = nullptr;
    parts_->clock.onWake = nullptr;
    parts_->clock.cancelWake();
}

void GaugeLink::requestGroup(GroupWindowId group) {
    if (group == GroupWindowId::Current) {
        parts_->startDownload(ModeCurrentGroup, kRequestCurrentGroup);
        return;
    }
    const int number = static_cast<int>(group);
    parts_->startDownload(static_cast<std::int16_t>(number),
                          static_cast<std::uint8_t>(kRequestGroup1 + number - 1));
}

void GaugeLink::requestAllGroups() {
    parts_->store.allGroupsStage = 0;
    parts_->exchangeStored = {};
    parts_->refusedGroups.clear();
    parts_->nonThicknesses.clear();
    parts_->startDownload(ModeAllGroups, kRequestAllGroups);
}

void GaugeLink::toggleRealTime() {
    if (parts_->live == LivePhase::Off) {
        parts_->startSampling();
    } else {
        parts_->stopSampling();
    }
}

bool GaugeLink::isSampling() const {
    return parts_->live != LivePhase::Off;
}

void GaugeLink::suspendLiveStream() {
    Parts& p = *parts_;
    if (p.store.receiveMode != ModeLive) return;
    p.takeInWaitingBytes();  // readings that came before the suspension are still captured
    if (p.store.receiveMode != ModeLive) return;  // the gauge went away meanwhile
    p.live = LivePhase::Suspended;
    p.threshold = 0;
}

void GaugeLink::resumeLiveStream() {
    Parts& p = *parts_;
    if (p.store.receiveMode != ModeLive || p.live != LivePhase::Suspended) return;
    p.takeInWaitingBytes();                       // came during the suspension: dropped
    if (p.store.receiveMode != ModeLive) return;  // the gauge went away meanwhile
    p.threshold = kResyncThreshold;
    p.live = p.frames.partialBytes() > 0 ? LivePhase::Resynchronising : LivePhase::Capturing;
}

int GaugeLink::receiveThreshold() const {
    return parts_->threshold;
}

std::optional<GaugeLink::DownloadProgress> GaugeLink::downloadProgress() const {
    const Parts& p = *parts_;
    const std::int16_t mode = p.store.receiveMode;
    if (!IsDownloadMode(mode) || p.dump.dataBytes() == 0) return std::nullopt;
    const int group =
        mode == ModeAllGroups ? std::min(p.store.allGroupsStage + 1, kGroupsPerExchange) : mode;
    return DownloadProgress{group, std::min(p.port.bytesWaiting(), p.dump.dataBytes()),
                            p.dump.dataBytes()};
}

}  // namespace zepra
