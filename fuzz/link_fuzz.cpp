// Fuzz target for the instrument link. The input is a script: what the gauge sends (live frames,
// whole dumps, stray bytes), how the bytes are split and spaced in time, when the program is busy,
// and what the user does (downloads, start and pause, unit switches and save dialogs around the
// live stream, unplugging). It runs through the real link with an in-memory port and a clock the
// script moves, and checks, besides the sanitizers:
//   - a group is stored only from a complete, correctly framed dump (when the gauge sent nothing
//     but whole dumps since the request, the slot holds exactly the dump);
//   - a live reading is captured only from five bytes sent as one frame, and every such frame is
//     captured, whenever the frame began after a quiet line or directly after an aligned frame;
//   - the link is idle after a pause, a stall or an unplug;
//   - no message box is opened from inside a handler or on top of another. While a box is open the
//     link goes on running, as under a modal box's event loop: bytes the program had not seen
//     arrive, time passes with its wake-ups, posted work runs.

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "data/measurement_store.h"
#include "link/fake_link_clock.h"
#include "link/fake_serial_port.h"
#include "link/gauge_link.h"
#include "link/live_frame_decoder.h"

namespace {

using namespace zepra;
using Bytes = std::vector<std::uint8_t>;

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "link_fuzz: %s\n", what);
    std::abort();
}

void Check(bool ok, const char* what) {
    if (!ok) Fail(what);
}

// Reads the script; past its end every value is 0.
class Script {
  public:
    explicit Script(std::span<const std::uint8_t> data) : data_(data) {}
    bool done() const { return at_ >= data_.size(); }
    std::uint8_t byte() { return at_ < data_.size() ? data_[at_++] : 0; }
    int below(int n) { return byte() % n; }
    Bytes bytes(std::size_t count) {
        Bytes out;
        while (out.size() < count) out.push_back(byte());
        return out;
    }

  private:
    std::span<const std::uint8_t> data_;
    std::size_t at_ = 0;
};

std::uint32_t Bits(float value) {
    return std::bit_cast<std::uint32_t>(value);
}

void AppendWord(Bytes& bytes, std::uint32_t word) {
    for (int shift = 0; shift < 32; shift += 8)
        bytes.push_back(static_cast<std::uint8_t>(word >> shift));
}

class CheckingEvents : public LinkEvents {
  public:
    void activityChanged(LinkActivity) override {}
    void liveFrame(LiveFrameKind, double) override {}
    void sampleCaptured(std::int32_t) override {}
    void groupStored(GroupWindowId window) override { reopened.push_back(window); }
    void deviceGone(const std::string&) override {}
    // The front end shows it in a modal box.
    void problem(const LinkProblem&) override {
        Check(!insideHandler, "a message box opened from inside a handler");
        Check(!messageOpen, "a message box opened on top of another");
        messageOpen = true;
        ++messages;
        if (whileOpen) whileOpen();
        messageOpen = false;
    }

    bool insideHandler = false;
    bool messageOpen = false;
    int messages = 0;
    std::function<void()> whileOpen;  // the box's event loop
    std::vector<GroupWindowId> reopened;
};

struct Dump {
    float high = 0;
    float low = 0;
    std::vector<float> readings;  // up to 255 (the length byte)
};

Bytes Encode(const Dump& dump) {
    Bytes bytes = {static_cast<std::uint8_t>(dump.readings.size())};
    AppendWord(bytes, Bits(dump.high));
    AppendWord(bytes, Bits(dump.low));
    for (float reading : dump.readings) AppendWord(bytes, Bits(reading));
    return bytes;
}

bool SameFloat(double stored, float sent) {
    return Bits(static_cast<float>(stored)) == Bits(sent);
}

class Harness {
  public:
    Harness() : link_(*store_, port_, windows_, clock_) {
        InitialiseStore(*store_);
        // Wake-ups are handlers too: no message may open from inside one.
        std::function<void()> wake = clock_.onWake;
        clock_.onWake = [this, wake] { inside([&] { wake(); }); };
        windows_.whileOpen = [this] { whileBoxOpen(); };
    }

    void run(Script& script) {
        script_ = &script;
        int steps = 0;
        while (!script.done() && ++steps < 400) step(script);
        settle(3000);
    }

  private:
    bool live() const { return store_->receiveMode == ModeLive; }
    bool downloading() const {
        const std::int16_t mode = store_->receiveMode;
        return (mode >= ModeGroup1 && mode <= ModeAllGroups) || mode == ModeCurrentGroup;
    }
    std::int32_t captured() const { return store_->realTimeSamples.readingCount; }

    template <typename F>
    void inside(F&& f) {
        const bool was = windows_.insideHandler;
        windows_.insideHandler = true;
        f();
        windows_.insideHandler = was;
    }

    // Moves time on. Not busy: wake-ups happen on time. Busy: the program notices nothing until
    // the end, then takes in what arrived and runs what is overdue.
    void passTime(int ms, bool busy = false) {
        if (ms <= 0) return;
        if (busy) {
            clock_.jump(ms);
            endBusy();
        } else {
            clock_.advance(ms);
        }
        afterTime();
    }

    void endBusy() {
        inside([&] { port_.deliver(); });
        clock_.advance(0);
    }

    // What the link must have done by now on its own.
    void afterTime() {
        const std::int64_t now = clock_.nowMs();
        if (live() && now - lastSeenArrival_ >= kPartialFrameQuietMs) inStep_ = true;
        if (downloading() && now - lastSeenArrival_ >= kDownloadStallMs + 1) {
            Fail("a stalled download did not end");
        }
    }

    // The gauge's bytes reach the port now; seen at once unless the program is busy.
    void send(std::span<const std::uint8_t> bytes, bool busy) {
        if (bytes.empty() || !port_.isOpen()) return;
        const std::int64_t now = clock_.nowMs();
        if (busy) {
            // A quiet line hidden by the busy program: the link cannot know the stream realigned.
            if (now - lastSentAt_ >= kPartialFrameQuietMs) inStep_ = false;
            port_.arriveUnseen(bytes);
        } else {
            lastSeenArrival_ = now;
            inside([&] { port_.arrive(bytes); });
            clock_.runPosted();
        }
        lastSentAt_ = now;
        if (downloading()) downloadPure_ = downloadPure_ && sendingDump_;
    }

    void step(Script& script) {
        if (!port_.isOpen()) {  // pulled out while a box was open: plugged in again, CONNECT
            std::string error;
            port_.open(error);
            suspended_ = false;
        }
        switch (script.below(12)) {
            case 0: {  // stray bytes
                const Bytes bytes = script.bytes(static_cast<std::size_t>(script.below(17) + 1));
                send(bytes, false);
                if (live()) inStep_ = false;
                break;
            }
            case 1:
                sendFrame(script);
                break;
            case 2: {  // time passes
                const int ms = script.byte() * (script.below(2) == 0 ? 1 : 12);
                passTime(ms);
                break;
            }
            case 3: {  // the program is busy while the gauge sends
                const int pieces = script.below(3) + 1;
                for (int i = 0; i < pieces; ++i) {
                    clock_.jump(script.below(80));
                    const Bytes frame = FrameBytes(script);
                    send(frame, true);
                }
                const std::int64_t before = clock_.nowMs();
                endBusy();
                lastSeenArrival_ = before;
                if (live()) inStep_ = false;  // frames seen late cannot be told apart
                afterTime();
                break;
            }
            case 4:
                request(static_cast<GroupWindowId>(script.below(5) + 1));
                break;
            case 5:
                request(std::nullopt);
                break;
            case 6:
                toggle();
                break;
            case 7:
                unitSwitch(script.below(120));
                break;
            case 8:
                saveDialog(script);
                break;
            case 9:
                unplug();
                break;
            case 10:
                sendDump(script);
                break;
            case 11:
                sendStream(script);
                break;
        }
    }

    // Frames back to back, handed on in pieces of 1 to 17 bytes with gaps between them, as a
    // USB bridge does. Read aligned until a quiet line falls inside a frame.
    void sendStream(Script& script) {
        std::vector<Bytes> frames(static_cast<std::size_t>(script.below(24) + 1));
        Bytes stream;
        for (Bytes& frame : frames) {
            frame = FrameBytes(script);
            stream.insert(stream.end(), frame.begin(), frame.end());
        }
        bool aligned = live() && inStep_;
        const bool capturing = live() && !suspended_;
        std::size_t sent = 0;
        while (sent < stream.size()) {
            const std::size_t piece =
                std::min(stream.size() - sent, static_cast<std::size_t>(script.below(17) + 1));
            const std::int32_t before = captured();
            send(std::span(stream).subspan(sent, piece), false);
            const std::size_t firstDone = sent / 5;
            sent += piece;
            if (aligned && capturing) {
                std::int32_t expected = before;
                for (std::size_t k = firstDone; k < sent / 5; ++k) {
                    const std::optional<float> value = Capturable(frames[k]);
                    if (!value || expected >= RealTimeSamples::kCapacity) continue;
                    Check(captured() > expected, "a frame of the stream was not captured");
                    Check(SameFloat(
                              store_->realTimeSamples.readings[static_cast<std::size_t>(expected)]
                                  .value,
                              *value),
                          "a frame of the stream was captured with another value");
                    ++expected;
                }
                Check(captured() == expected, "the stream gave a reading that was not sent");
            }
            if (sent < stream.size()) {
                const int gap = script.below(4) == 0 ? script.below(70) : script.below(8);
                if (gap >= kPartialFrameQuietMs && sent % 5 != 0) aligned = false;
                passTime(gap);
            }
        }
        if (live()) inStep_ = aligned;
    }

    Bytes FrameBytes(Script& script) {
        Bytes frame = {static_cast<std::uint8_t>(script.below(4) == 0 ? 0x00 : 0x01)};
        switch (script.below(6)) {
            case 0:
                AppendWord(frame, 0x44A8C000);  // no reading
                break;
            case 1:
                AppendWord(frame, 0x44A8E000);  // overload
                break;
            case 2: {
                const Bytes raw = script.bytes(4);  // any pattern, NaN and infinities included
                frame.insert(frame.end(), raw.begin(), raw.end());
                break;
            }
            default:
                AppendWord(frame, Bits(static_cast<float>(script.byte()) + 0.25f));
                break;
        }
        return frame;
    }

    // Whether the link captures this frame when it reads it aligned with capture on.
    static std::optional<float> Capturable(const Bytes& frame) {
        if ((frame[0] & 1) == 0) return std::nullopt;
        const std::uint32_t word =
            static_cast<std::uint32_t>(frame[1]) | static_cast<std::uint32_t>(frame[2]) << 8 |
            static_cast<std::uint32_t>(frame[3]) << 16 | static_cast<std::uint32_t>(frame[4]) << 24;
        if (word == 0x44A8C000 || word == 0x44A8E000) return std::nullopt;
        const float value = std::bit_cast<float>(word);
        if (!std::isfinite(value)) return std::nullopt;
        return value;
    }

    void sendWholeFrame(const Bytes& frame) {
        const bool aligned = live() && inStep_;
        const bool capturing = live() && !suspended_;
        const std::int32_t before = captured();
        send(frame, false);
        if (!aligned) return;
        expectFrameRead(frame, capturing, before);
    }

    // An aligned frame was read: captured exactly when it is a reading and capture is on.
    void expectFrameRead(const Bytes& frame, bool capturing, std::int32_t before) {
        const std::optional<float> value = Capturable(frame);
        if (value && capturing && before < RealTimeSamples::kCapacity) {
            Check(captured() == before + 1, "an aligned frame was not captured");
            Check(
                SameFloat(store_->realTimeSamples.readings[static_cast<std::size_t>(before)].value,
                          *value),
                "an aligned frame was captured with another value");
        } else {
            Check(captured() == before, "a frame was captured that should not be");
        }
    }

    // One frame in two pieces, maybe apart in time, maybe with the user doing something between.
    void sendFrame(Script& script) {
        const Bytes frame = FrameBytes(script);
        const int split = script.below(6);  // 0 or 5: whole
        const int gap = script.below(4) == 0 ? script.below(120) : script.below(40);
        const int action = script.below(6);
        if (split == 0 || split == 5 || (gap == 0 && action > 2)) {
            sendWholeFrame(frame);
            return;
        }
        const bool aligned = live() && inStep_;
        const bool capturingAtStart = live() && !suspended_;
        const std::int32_t before = captured();
        const std::int64_t firstPieceAt = clock_.nowMs();
        send(std::span(frame).first(static_cast<std::size_t>(split)), false);
        passTime(gap);
        bool capturingAtEnd = capturingAtStart;
        bool cut = false;
        switch (action) {
            case 0:
                unitSwitch(script.below(30));
                capturingAtEnd = false;  // the frame began before the resume
                break;
            case 1:
                toggle();
                cut = true;  // a start forgets the piece; a pause leaves the rest unread
                capturingAtEnd = false;
                break;
            default:
                break;
        }
        // A quiet line in the middle: the first piece was dropped.
        if (clock_.nowMs() - firstPieceAt >= kPartialFrameQuietMs) cut = true;
        send(std::span(frame).subspan(static_cast<std::size_t>(split)), false);
        if (!live()) return;
        if (cut || !aligned) {
            inStep_ = false;  // the rest is read as the start of a frame
            return;
        }
        expectFrameRead(frame, capturingAtStart && capturingAtEnd && !suspended_, before);
    }

    void request(std::optional<GroupWindowId> group) {
        // The request buttons are disabled while sampling and during a download.
        if (!port_.isOpen() || link_.isSampling() || downloading()) return;
        inside([&] {
            if (group) {
                link_.requestGroup(*group);
            } else {
                link_.requestAllGroups();
            }
        });
        clock_.runPosted();
        suspended_ = false;
        downloadPure_ = true;
        dumpsSent_.clear();
        allGroups_ = !group;
        slotOfSingle_ = group.value_or(GroupWindowId::Group1);
        windows_.reopened.clear();
        lastSeenArrival_ = clock_.nowMs();
    }

    // A whole dump, maybe in pieces spaced in time.
    void sendDump(Script& script) {
        Dump dump;
        const int sizes[] = {0, 1, 3, 80, 81, 90};
        const int count = sizes[script.below(6)];
        dump.high = static_cast<float>(script.byte()) * 2.5f;
        dump.low = static_cast<float>(script.byte()) / 4.0f;
        for (int k = 0; k < count; ++k) dump.readings.push_back(static_cast<float>(k) + 0.5f);
        if (!dump.readings.empty() && script.below(8) == 0) {
            dump.readings[0] = std::bit_cast<float>(0x7FC00000u);  // NaN, stored as sent
        }
        const Bytes bytes = Encode(dump);
        const bool wasDownloading = downloading();
        sendingDump_ = true;
        const std::size_t reopenedBefore = windows_.reopened.size();
        std::size_t at = 0;
        while (at < bytes.size()) {
            const std::size_t piece = std::min<std::size_t>(
                bytes.size() - at, static_cast<std::size_t>(script.below(64) + 1));
            send(std::span(bytes).subspan(at, piece), false);
            if (live()) inStep_ = false;  // a dump in the live stream is stray bytes
            at += piece;
            if (at < bytes.size() && script.below(4) == 0) {
                passTime(script.below(4) == 0 ? 2100 : script.below(60));
            }
        }
        sendingDump_ = false;
        if (wasDownloading && downloadPure_) dumpsSent_.push_back(dump);
        checkStoredGroups(reopenedBefore);
    }

    void checkStoredGroups(std::size_t from) {
        for (std::size_t i = from; i < windows_.reopened.size(); ++i) {
            if (!downloadPure_) continue;
            const GroupWindowId id = windows_.reopened[i];
            const std::size_t index = allGroups_ ? static_cast<std::size_t>(id) - 1 : 0;
            Check(index < dumpsSent_.size(), "a group was stored before its dump was complete");
            const Dump& dump = dumpsSent_[index];
            const GroupSlot& slot = id == GroupWindowId::Current
                                        ? store_->currentGroupSlot
                                        : store_->groupSlot(static_cast<int>(id));
            Check(!allGroups_ || id != GroupWindowId::Current, "all groups stored the current one");
            Check(allGroups_ || id == slotOfSingle_, "a download stored another group's slot");
            Check(slot.readingCount == static_cast<std::int32_t>(dump.readings.size()),
                  "a stored group has another count than its dump");
            Check(SameFloat(slot.highLimit, dump.high) && SameFloat(slot.lowLimit, dump.low),
                  "a stored group has other limits than its dump");
            for (std::size_t k = 0; k < dump.readings.size(); ++k) {
                Check(SameFloat(slot.readings[k].value, dump.readings[k]) &&
                          slot.readings[k].number == static_cast<std::int32_t>(k + 1),
                      "a stored group has other readings than its dump");
            }
        }
    }

    void toggle() {
        if (!port_.isOpen()) return;
        const bool starting = !link_.isSampling();
        if (starting && downloading()) return;  // the button is disabled during a download
        inside([&] { link_.toggleRealTime(); });
        clock_.runPosted();
        suspended_ = false;
        if (starting) {
            inStep_ = true;  // the port was emptied: the next byte starts a frame
        } else {
            Check(store_->receiveMode == ModeIdle, "not idle after a pause");
        }
    }

    void unitSwitch(int busyMs) {
        inside([&] { link_.suspendLiveStream(); });
        suspended_ = live();
        store_->unitIsMils = store_->unitIsMils == 0 ? 1 : 0;
        clock_.jump(busyMs);  // rebuilding the windows
        inside([&] { link_.resumeLiveStream(); });
        suspended_ = false;
        clock_.runPosted();
        clock_.advance(0);
        afterTime();
    }

    // While the dialog is open its own event loop runs, and the gauge may go on streaming.
    void saveDialog(Script& script) {
        inside([&] { link_.suspendLiveStream(); });
        suspended_ = live();
        const int frames = script.below(4) == 0 ? script.below(40) : 0;
        for (int i = 0; i < frames; ++i) {
            sendWholeFrame(FrameBytes(script));
            passTime(5);
        }
        passTime(script.below(250));
        inside([&] { link_.resumeLiveStream(); });
        suspended_ = false;
        clock_.runPosted();
    }

    void unplug() {
        inside([&] { port_.vanish("gone"); });
        clock_.runPosted();
        Check(store_->receiveMode == ModeIdle && !link_.isSampling(), "not idle after an unplug");
        std::string error;
        port_.open(error);  // CONNECT
        suspended_ = false;
    }

    void settle(int ms) { passTime(ms); }

    // A message box is open; its event loop runs the link until the user presses OK, and the
    // gauge may be pulled out meanwhile.
    void whileBoxOpen() {
        if (port_.hasUnseen()) {
            inside([&] { port_.deliver(); });
            lastSeenArrival_ = clock_.nowMs();
            if (live()) inStep_ = false;  // frames seen late cannot be told apart
        }
        clock_.runPosted();
        passTime(script_->below(4) == 0 ? kDownloadStallMs + 100 : script_->below(60));
        if (port_.isOpen() && script_->below(4) == 0) inside([&] { port_.vanish("gone"); });
        clock_.runPosted();
    }

    std::unique_ptr<MeasurementStore> store_ = std::make_unique<MeasurementStore>();
    testing::FakeSerialPort port_;
    testing::FakeLinkClock clock_;
    CheckingEvents windows_;
    GaugeLink link_;
    Script* script_ = nullptr;

    bool inStep_ = true;  // the link stands between frames as the gauge sent them
    bool suspended_ = false;
    std::int64_t lastSentAt_ = -100000;
    std::int64_t lastSeenArrival_ = 0;

    bool downloadPure_ = false;  // nothing but whole dumps since the request
    bool sendingDump_ = false;
    bool allGroups_ = false;
    GroupWindowId slotOfSingle_ = GroupWindowId::Group1;
    std::vector<Dump> dumpsSent_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Script script(std::span<const std::uint8_t>(data, size));
    Harness harness;
    harness.run(script);
    return 0;
}
