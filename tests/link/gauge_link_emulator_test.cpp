// GaugeLink on the real serial port against the gauge emulator on a pseudo-terminal: every
// download and the live stream under each chunking, paced and fast, and a misbehaving gauge.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "gauge_emulator.h"
#include "link/gauge_link.h"
#include "link/recording_windows.h"
#include "link/slot_expectations.h"
#include "platform/qt_link_clock.h"
#include "platform/qt_serial_port.h"
#include "ui/presenter/link_presenter.h"

namespace zepra {
namespace {

using gauge_emulator::Chunking;
using gauge_emulator::DumpFault;
using gauge_emulator::GaugeEmulator;
using gauge_emulator::Scenario;
using gauge_emulator::Timing;
using testing::Join;
using testing::kDisableAll;
using testing::kEnableAll;
using testing::RecordingWindows;

constexpr int kTimeoutMs = 10000;  // guards against hangs only

std::vector<float> Series(int count, float first, float step) {
    std::vector<float> values;
    for (int k = 0; k < count; ++k) values.push_back(first + step * static_cast<float>(k));
    return values;
}

Scenario GroupsScenario() {
    Scenario scenario;
    scenario.storedGroups[0] = {500.0f, 100.0f, {120.0f, 130.5f}};
    scenario.storedGroups[1] = {60.0f, 20.0f, {}};
    scenario.storedGroups[2] = {300.0f, 200.0f, Series(80, 201.25f, 1.125f)};
    scenario.storedGroups[3] = {50.0f, 10.0f, {7.25f}};
    scenario.currentGroup = {900.0f, 850.0f, Series(7, 849.5f, 2.5f)};
    return scenario;
}

void ExpectSlotHolds(const GroupSlot& slot, const gauge_emulator::Group& group) {
    testing::ExpectSlotHolds(slot, group.highLimit, group.lowLimit, group.readings);
}

// The emulator, the program's real port opened on it, and a link, idle as after start-up.
struct Bench {
    explicit Bench(Scenario scenario, Timing timing = {})
        : gauge(std::move(scenario), timing), port([this](int) { return gauge.devicePath(); }) {
        InitialiseStore(*store);
        std::string error;
        opened = port.open(error);
        EXPECT_TRUE(opened) << error;
        link = std::make_unique<GaugeLink>(*store, port, presenter, clock);
    }
    bool waitIdle() {
        return QTest::qWaitFor([this] { return store->receiveMode == ModeIdle; }, kTimeoutMs);
    }
    bool waitMessage() {
        return QTest::qWaitFor([this] { return !windows.messages.empty(); }, kTimeoutMs);
    }
    // Waits until the gauge has sent all it was asked to and the program has seen it.
    bool waitLineQuiet() {
        const bool sent = QTest::qWaitFor(
            [this] { return gauge.bytesSent() > 0 && !gauge.outputPending(); }, kTimeoutMs);
        QTest::qWait(100);
        return sent;
    }

    GaugeEmulator gauge;
    QtSerialPort port;
    QtLinkClock clock;
    std::unique_ptr<MeasurementStore> store = std::make_unique<MeasurementStore>();
    RecordingWindows windows;
    LinkPresenter presenter{*store, windows};
    std::unique_ptr<GaugeLink> link;
    bool opened = false;
};

struct LineCase {
    const char* name;
    Chunking chunking;
    bool fast;
};
const LineCase kLines[] = {
    {"whole answers, fast", Chunking::AllAtOnce, true},
    {"byte by byte, fast", Chunking::ByteByByte, true},
    {"random splits, fast", Chunking::RandomSplits, true},
    {"whole answers, 9600 baud", Chunking::AllAtOnce, false},
    {"byte by byte, 9600 baud", Chunking::ByteByByte, false},
    {"random splits, 9600 baud", Chunking::RandomSplits, false},
};

TEST(LinkWithEmulator, EveryDownloadOnEveryLineFillsTheSlotsFromTheGauge) {
    const Scenario scenario = GroupsScenario();
    for (const LineCase& line : kLines) {
        SCOPED_TRACE(line.name);
        Bench bench(scenario, {.chunking = line.chunking, .fast = line.fast, .seed = 7});
        ASSERT_TRUE(bench.opened);

        struct Single {
            GroupWindowId window;
            std::uint8_t request;
            const gauge_emulator::Group& group;
            const GroupSlot& slot;
        };
        const MeasurementStore& store = *bench.store;
        const Single singles[] = {
            {GroupWindowId::Group1, 0xF2, scenario.storedGroups[0], store.groupSlot(1)},
            {GroupWindowId::Group2, 0xF3, scenario.storedGroups[1], store.groupSlot(2)},
            {GroupWindowId::Group3, 0xF4, scenario.storedGroups[2], store.groupSlot(3)},
            {GroupWindowId::Group4, 0xF5, scenario.storedGroups[3], store.groupSlot(4)},
            {GroupWindowId::Current, 0xF7, scenario.currentGroup, store.currentGroupSlot},
        };
        for (const Single& single : singles) {
            SCOPED_TRACE(static_cast<int>(single.window));
            bench.windows.clear();
            bench.gauge.clearReceivedCommands();
            bench.link->requestGroup(single.window);
            ASSERT_TRUE(bench.waitIdle());
            ExpectSlotHolds(single.slot, single.group);
            EXPECT_EQ(bench.gauge.receivedCommands(), std::vector<std::uint8_t>{single.request});
            EXPECT_EQ(bench.windows.calls,
                      Join({kDisableAll,
                            kEnableAll,
                            {"reopen " + std::to_string(static_cast<int>(single.window))}}));
        }

        InitialiseStore(*bench.store);
        bench.windows.clear();
        bench.link->requestAllGroups();
        ASSERT_TRUE(bench.waitIdle());
        for (int g = 1; g <= 4; ++g)
            ExpectSlotHolds(store.groupSlot(g), scenario.storedGroups[g - 1]);
        EXPECT_EQ(store.allGroupsStage, 4);
        EXPECT_EQ(
            bench.windows.calls,
            Join({kDisableAll, kEnableAll, {"reopen 1", "reopen 2", "reopen 3", "reopen 4"}}));
        EXPECT_TRUE(bench.windows.messages.empty());
    }
}

TEST(LinkWithEmulator, LiveFramesOfEveryKindOnEveryLine) {
    for (const LineCase& line : kLines) {
        SCOPED_TRACE(line.name);
        Bench bench(Scenario{}, {.chunking = line.chunking, .fast = line.fast, .seed = 3});
        ASSERT_TRUE(bench.opened);
        bench.link->toggleRealTime();
        ASSERT_TRUE(QTest::qWaitFor([&] { return bench.gauge.isStreaming(); }, kTimeoutMs));
        bench.windows.clear();

        bench.gauge.sendLiveFrame(12.25f);
        bench.gauge.sendLiveFrame(gauge_emulator::kNoReadingValue);
        bench.gauge.sendLiveFrame(20.0f, 0x00);
        bench.gauge.sendLiveFrame(gauge_emulator::kOverloadValue);
        bench.gauge.sendLiveFrame(1234.5f);
        ASSERT_TRUE(QTest::qWaitFor([&] { return bench.store->realTimeSamples.readingCount == 2; },
                                    kTimeoutMs));
        QTest::qWait(20);

        EXPECT_EQ(
            bench.windows.calls,
            (std::vector<std::string>{
                "text labeldata 12.3", "text labelunit um", "unitline Unit:        um", "sample 0",
                "text labeldata ----.-", "text labeldata OL", "text labeldata 1.23",
                "text labelunit mm", "unitline Unit:        um", "sample 1"}));
        EXPECT_EQ(bench.store->realTimeSamples.readings[1].text, "1234");
        EXPECT_EQ(bench.windows.samples.back().unitLine, "Unit:        um");
    }
}

TEST(LinkWithEmulator, StreamPausedAndRestartedIsCapturedWholeAndNumberedOn) {
    Scenario scenario;
    scenario.liveReadings = {10.0f, 20.0f, 30.0f, 45.5f};
    scenario.liveRate = 100.0;
    Bench bench(scenario, {.chunking = Chunking::RandomSplits, .seed = 11});
    ASSERT_TRUE(bench.opened);
    const RealTimeSamples& samples = bench.store->realTimeSamples;

    bench.link->toggleRealTime();
    ASSERT_TRUE(QTest::qWaitFor([&] { return samples.readingCount >= 6; }, kTimeoutMs));
    bench.link->toggleRealTime();
    QTest::qWait(50);
    const std::int32_t paused = samples.readingCount;
    EXPECT_EQ(bench.store->receiveMode, ModeIdle);
    bench.link->toggleRealTime();
    ASSERT_TRUE(QTest::qWaitFor([&] { return samples.readingCount >= paused + 6; }, kTimeoutMs));
    bench.link->toggleRealTime();

    for (std::int32_t i = 0; i < samples.readingCount; ++i) {
        const ReadingRecord& record = samples.readings[static_cast<std::size_t>(i)];
        EXPECT_EQ(record.number, i + 1);
        EXPECT_NE(std::find(scenario.liveReadings.begin(), scenario.liveReadings.end(),
                            static_cast<float>(record.value)),
                  scenario.liveReadings.end())
            << "sample " << i + 1 << " is " << record.value;
    }
    const std::vector<std::uint8_t> commands = {0xF1, 0xF0, 0xF1, 0xF0};
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return bench.gauge.receivedCommands() == commands; }, kTimeoutMs));
}

TEST(LinkWithEmulator, SuspendAndResumeRealignAStreamLeftMidFrame) {
    Scenario scenario;
    scenario.liveReadings = {10.0f, 20.0f, 30.0f};
    scenario.liveRate = 10.0;  // a gauge in the hand: the line is quiet between frames
    Bench bench(scenario, {.chunking = Chunking::ByteByByte, .seed = 5});
    ASSERT_TRUE(bench.opened);
    const RealTimeSamples& samples = bench.store->realTimeSamples;

    bench.link->toggleRealTime();
    ASSERT_TRUE(QTest::qWaitFor([&] { return samples.readingCount >= 2; }, kTimeoutMs));
    bench.link->suspendLiveStream();
    bench.gauge.sendRaw({0x01, 0x00});  // half a frame arrives while suspended
    QTest::qWait(30);
    bench.link->resumeLiveStream();
    EXPECT_EQ(bench.link->receiveThreshold(), 4);
    const std::int32_t resumed = samples.readingCount;
    ASSERT_TRUE(QTest::qWaitFor([&] { return samples.readingCount >= resumed + 3; }, kTimeoutMs));

    for (std::int32_t i = resumed; i < samples.readingCount; ++i) {
        const double value = samples.readings[static_cast<std::size_t>(i)].value;
        EXPECT_TRUE(value == 10.0 || value == 20.0 || value == 30.0) << value;
    }
}

TEST(LinkWithEmulator, AMisbehavingGaugeLeavesTheLinkIdleWithAMessage) {
    struct Case {
        const char* name;
        DumpFault fault;
        bool allGroups;
        std::string message;
    };
    const std::string noAnswer = kNoAnswerFromGauge;
    const std::vector<Case> cases = {
        {"no answer", {.kind = DumpFault::Kind::NoAnswer}, false, noAnswer},
        {"truncated dump",
         {.kind = DumpFault::Kind::Truncate, .truncateAfter = 9},
         false,
         noAnswer},
        {"third dump truncated",
         {.kind = DumpFault::Kind::Truncate, .group = 3, .truncateAfter = 30},
         true,
         noAnswer},
        {"oversize dump",
         {.kind = DumpFault::Kind::Oversize, .announcedCount = 90},
         false,
         OversizeGroupMessage(0, 90)},
        {"oversize second dump",
         {.kind = DumpFault::Kind::Oversize, .group = 2, .announcedCount = 200},
         true,
         OversizeGroupMessage(2, 200)},
    };
    // The cases share their waits: each on its own emulator and port.
    std::vector<std::unique_ptr<Bench>> benches;
    for (const Case& c : cases) {
        auto bench = std::make_unique<Bench>(GroupsScenario(), Timing{.fast = true});
        ASSERT_TRUE(bench->opened);
        bench->gauge.setDumpFault(c.fault);
        if (c.allGroups) {
            bench->link->requestAllGroups();
        } else {
            bench->link->requestGroup(GroupWindowId::Group1);
        }
        benches.push_back(std::move(bench));
    }
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        Bench& bench = *benches[i];
        ASSERT_TRUE(bench.waitIdle());
        ASSERT_TRUE(bench.waitMessage());
        EXPECT_EQ(bench.windows.messages, std::vector<std::string>{cases[i].message});
        const auto enables = bench.windows.callsStartingWith("enable");
        EXPECT_EQ(enables, kEnableAll);
        EXPECT_TRUE(bench.windows.callsStartingWith("reopen 1").empty() || cases[i].allGroups);

        // In step again: a proper download works.
        bench.gauge.setDumpFault({});
        bench.link->requestGroup(GroupWindowId::Group4);
        ASSERT_TRUE(bench.waitIdle());
        ExpectSlotHolds(bench.store->groupSlot(4), GroupsScenario().storedGroups[3]);
    }
}

TEST(LinkWithEmulator, GaugeVanishingMidDumpOrMidFrameEndsInIdle) {
    for (bool sampling : {false, true}) {
        SCOPED_TRACE(sampling ? "mid-frame" : "mid-dump");
        Bench bench(GroupsScenario(), {.fast = true});
        ASSERT_TRUE(bench.opened);
        if (sampling) {
            bench.link->toggleRealTime();
            ASSERT_TRUE(QTest::qWaitFor([&] { return bench.gauge.isStreaming(); }, kTimeoutMs));
            bench.gauge.sendRaw({0x01, 0x00, 0x00});
        } else {
            bench.gauge.setDumpFault({.kind = DumpFault::Kind::Truncate, .truncateAfter = 40});
            bench.link->requestGroup(GroupWindowId::Group3);
        }
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return bench.gauge.bytesSent() > 0 && !bench.gauge.outputPending(); },
            kTimeoutMs));
        bench.windows.clear();
        bench.gauge.vanish();

        ASSERT_TRUE(QTest::qWaitFor([&] { return !bench.port.isOpen(); }, kTimeoutMs));
        EXPECT_EQ(bench.store->receiveMode, ModeIdle);
        EXPECT_FALSE(bench.link->isSampling());
        ASSERT_FALSE(bench.windows.calls.empty());
        EXPECT_EQ(bench.windows.calls.back().rfind("deviceGone ", 0), 0u);
        if (sampling) {
            EXPECT_EQ(bench.windows.calls.front(), "text RealTime RealTimeSamp");
        }
        QTest::qWait(kDownloadStallMs + 500);  // no late timer speaks up
        ASSERT_EQ(bench.windows.messages.size(), 1u);
        EXPECT_EQ(bench.windows.messages[0].rfind("The gauge is no longer connected (", 0), 0u);
    }
}

// ---------------------------------------------------------------- live stream, real timing

std::vector<std::uint8_t> FrameBytes(float value) {
    const auto frame = gauge_emulator::EncodeLiveFrame(value);
    return {frame.begin(), frame.end()};
}

std::vector<double> CapturedValues(const MeasurementStore& store) {
    std::vector<double> values;
    for (std::int32_t i = 0; i < store.realTimeSamples.readingCount; ++i) {
        values.push_back(store.realTimeSamples.readings[static_cast<std::size_t>(i)].value);
    }
    return values;
}

TEST(LinkWithEmulator, StrayBytesBeforeAQuietLineDoNotShiftTheNextFrame) {
    using std::chrono::milliseconds;
    const std::vector<std::vector<std::uint8_t>> strays = {{0x01}, {0x01, 0x00}, {1, 0, 0, 0}};
    for (const auto& stray : strays) {
        SCOPED_TRACE(stray.size());
        Bench bench(Scenario{}, {.chunking = Chunking::AllAtOnce});
        ASSERT_TRUE(bench.opened);
        bench.link->toggleRealTime();
        bench.gauge.sendRaw(stray);
        bench.gauge.sendRaw(FrameBytes(60.0f), milliseconds(400));
        bench.gauge.sendRaw(FrameBytes(61.0f), milliseconds(5));
        ASSERT_TRUE(bench.waitLineQuiet());
        EXPECT_EQ(CapturedValues(*bench.store), (std::vector<double>{60.0, 61.0}));
    }
}

TEST(LinkWithEmulator, QuietLineIsCountedFromTheLastByteNotFromAnEarlierCheck) {
    // A and the first 4 bytes of B at once; B's last byte 20 ms later; C's first 4 bytes 26 ms
    // after that; the rest of C and all of D 24 ms later.
    using std::chrono::milliseconds;
    Bench bench(Scenario{}, {.chunking = Chunking::AllAtOnce});
    ASSERT_TRUE(bench.opened);
    bench.link->toggleRealTime();
    ASSERT_TRUE(QTest::qWaitFor([&] { return bench.gauge.isStreaming(); }, kTimeoutMs));
    const auto a = FrameBytes(11.0f), b = FrameBytes(22.0f), c = FrameBytes(33.0f),
               d = FrameBytes(44.0f);
    std::vector<std::uint8_t> first(a);
    first.insert(first.end(), b.begin(), b.begin() + 4);
    std::vector<std::uint8_t> last(c.begin() + 4, c.end());
    last.insert(last.end(), d.begin(), d.end());
    bench.gauge.sendRaw(first);
    bench.gauge.sendRaw({b.begin() + 4, b.end()}, milliseconds(20));
    bench.gauge.sendRaw({c.begin(), c.begin() + 4}, milliseconds(26));
    bench.gauge.sendRaw(last, milliseconds(24));
    ASSERT_TRUE(bench.waitLineQuiet());
    EXPECT_EQ(CapturedValues(*bench.store), (std::vector<double>{11.0, 22.0, 33.0, 44.0}));
}

// The gauge at the line's full rate through a bridge that splits bytes in 1 to 17-byte pieces.
TEST(LinkWithEmulator, LineRateWithRandomSplitsCapturesOnlyWhatWasSentAndLosesNothing) {
    Scenario scenario;
    for (int k = 0; k < 37; ++k) scenario.liveReadings.push_back(100.0f + static_cast<float>(k));
    scenario.liveRate = 200.0;  // a little more than the line carries: 192 frames a second
    Bench bench(scenario, {.chunking = Chunking::RandomSplits, .seed = 17});
    ASSERT_TRUE(bench.opened);
    bench.link->toggleRealTime();
    QTest::qWait(3000);
    bench.link->toggleRealTime();
    const double framesSent = static_cast<double>(bench.gauge.bytesSent()) / 5.0;
    ASSERT_TRUE(QTest::qWaitFor([&] { return !bench.gauge.outputPending(); }, kTimeoutMs));

    const std::set<double> sent(scenario.liveReadings.begin(), scenario.liveReadings.end());
    const std::vector<double> captured = CapturedValues(*bench.store);
    for (double value : captured) EXPECT_TRUE(sent.count(value)) << value << " was never sent";
    // In the order sent: each reading follows the one before it in the gauge's cycle.
    for (std::size_t i = 1; i < captured.size(); ++i) {
        const double expected = captured[i - 1] == 136.0 ? 100.0 : captured[i - 1] + 1.0;
        EXPECT_EQ(captured[i], expected) << "after sample " << i;
    }
    EXPECT_GT(framesSent, 300.0);
    EXPECT_GE(static_cast<double>(captured.size()), 0.98 * framesSent - 2.0)
        << captured.size() << " of " << framesSent;
}

// A unit switch (the program busy, the event loop not running) and a save dialog (a nested event
// loop) while the gauge streams fast: capture goes on right after, aligned.
TEST(LinkWithEmulator, CaptureGoesOnAfterASuspensionWhileTheGaugeStreams) {
    struct Case {
        const char* name;
        double rate;
        bool dialog;
    };
    const Case cases[] = {{"unit switch at 25/s", 25.0, false},
                          {"save dialog at 25/s", 25.0, true},
                          {"unit switch at line rate", 200.0, false},
                          {"save dialog at line rate", 200.0, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Scenario scenario;
        scenario.liveReadings = {50.0f, 51.0f, 52.0f, 53.0f};
        scenario.liveRate = c.rate;
        Bench bench(scenario, {.chunking = Chunking::RandomSplits, .seed = 23});
        ASSERT_TRUE(bench.opened);
        const RealTimeSamples& samples = bench.store->realTimeSamples;
        bench.link->toggleRealTime();
        ASSERT_TRUE(QTest::qWaitFor([&] { return samples.readingCount >= 3; }, kTimeoutMs));

        bench.link->suspendLiveStream();
        if (c.dialog) {
            QTest::qWait(300);
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
        }
        const std::int32_t before = samples.readingCount;
        bench.link->resumeLiveStream();
        QElapsedTimer sinceResume;
        sinceResume.start();
        ASSERT_TRUE(QTest::qWaitFor([&] { return samples.readingCount > before; }, kTimeoutMs));
        RecordProperty(std::string(c.name) + " ms to the first capture",
                       static_cast<int>(sinceResume.elapsed()));
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return samples.readingCount >= before + 5; }, kTimeoutMs));
        bench.link->toggleRealTime();
        for (std::int32_t i = 0; i < samples.readingCount; ++i) {
            const double value = samples.readings[static_cast<std::size_t>(i)].value;
            EXPECT_TRUE(value >= 50.0 && value <= 53.0) << "sample " << i + 1 << " is " << value;
        }
    }
}

}  // namespace
}  // namespace zepra
