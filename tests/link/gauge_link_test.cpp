// GaugeLink against an in-memory port: framing under every chunking, the order of what the user
// sees, the live capture and its texts, suspending and resuming the stream, and the faults of a
// misbehaving gauge.
#include "link/gauge_link.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "link/fake_link_clock.h"
#include "link/fake_serial_port.h"
#include "link/live_frame_decoder.h"
#include "link/recording_windows.h"
#include "link/slot_expectations.h"
#include "ui/presenter/link_presenter.h"

namespace zepra {
namespace {

using testing::FakeLinkClock;
using testing::FakeSerialPort;
using testing::Join;
using testing::kDisableAll;
using testing::kEnableAll;
using testing::RecordingWindows;
using Bytes = std::vector<std::uint8_t>;

void AppendWord(Bytes& bytes, std::uint32_t word) {
    for (int shift = 0; shift < 32; shift += 8) {
        bytes.push_back(static_cast<std::uint8_t>(word >> shift));
    }
}

void AppendFloat(Bytes& bytes, float value) {
    AppendWord(bytes, std::bit_cast<std::uint32_t>(value));
}

struct Group {
    float high = 0;
    float low = 0;
    std::vector<float> readings;
};

Bytes Dump(const Group& group) {
    Bytes bytes = {static_cast<std::uint8_t>(group.readings.size())};
    AppendFloat(bytes, group.high);
    AppendFloat(bytes, group.low);
    for (float reading : group.readings) AppendFloat(bytes, reading);
    return bytes;
}

Bytes Frame(float value, std::uint8_t flag = 1) {
    Bytes bytes = {flag};
    AppendFloat(bytes, value);
    return bytes;
}

Bytes FramePattern(std::uint32_t pattern) {
    Bytes bytes = {1};
    AppendWord(bytes, pattern);
    return bytes;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

Group Readings(int count, float first) {
    Group group{600.0f, 40.5f, {}};
    for (int k = 0; k < count; ++k) group.readings.push_back(first + 1.25f * static_cast<float>(k));
    return group;
}

void ExpectSlotHolds(const GroupSlot& slot, const Group& group) {
    testing::ExpectSlotHolds(slot, group.high, group.low, group.readings);
}

// One link on a fake port, idle as after start-up.
struct Rig {
    Rig() {
        InitialiseStore(*store);
        link = std::make_unique<GaugeLink>(*store, port, presenter, clock);
    }
    std::unique_ptr<MeasurementStore> store = std::make_unique<MeasurementStore>();
    FakeSerialPort port;
    FakeLinkClock clock;
    RecordingWindows windows;
    LinkPresenter presenter{*store, windows};
    std::unique_ptr<GaugeLink> link;
};

// Pieces in which the gauge's bytes may reach the program.
const std::size_t kChunkings[] = {1, 2, 3, 4, 5, 7, 9, 100000};

// ---------------------------------------------------------------- single downloads

struct DownloadKind {
    GroupWindowId window;
    std::uint8_t request;
    std::int16_t mode;
};
const DownloadKind kDownloads[] = {{GroupWindowId::Group1, 0xF2, ModeGroup1},
                                   {GroupWindowId::Group2, 0xF3, ModeGroup2},
                                   {GroupWindowId::Group3, 0xF4, ModeGroup3},
                                   {GroupWindowId::Group4, 0xF5, ModeGroup4},
                                   {GroupWindowId::Current, 0xF7, ModeCurrentGroup}};

GroupSlot& SlotOf(MeasurementStore& store, GroupWindowId window) {
    return window == GroupWindowId::Current ? store.currentGroupSlot
                                            : store.groupSlot(static_cast<int>(window));
}

TEST(GroupDownload, EveryKindUnderEveryChunkingStoresTheDumpAndReopensItsWindow) {
    const Group groups[] = {Group{500, 100, {120, 130, 140}}, Group{0, 0, {}}, Readings(80, 3.5f)};
    for (const DownloadKind& kind : kDownloads) {
        for (const Group& group : groups) {
            for (std::size_t chunk : kChunkings) {
                SCOPED_TRACE(::testing::Message() << "mode " << kind.mode << " readings "
                                                  << group.readings.size() << " chunk " << chunk);
                Rig rig;
                rig.link->requestGroup(kind.window);
                EXPECT_EQ(rig.port.written, Bytes{kind.request});
                EXPECT_EQ(rig.store->receiveMode, kind.mode);
                EXPECT_EQ(rig.link->receiveThreshold(), 1);
                EXPECT_EQ(rig.port.discards, 1);

                rig.port.arriveInChunks(Dump(group), chunk);

                ExpectSlotHolds(SlotOf(*rig.store, kind.window), group);
                EXPECT_EQ(rig.store->receiveMode, ModeIdle);
                EXPECT_EQ(rig.store->expectedBytes,
                          static_cast<std::int32_t>(group.readings.size() + 2) * 4);
                EXPECT_EQ(rig.windows.calls,
                          Join({kDisableAll,
                                kEnableAll,
                                {"reopen " + std::to_string(static_cast<int>(kind.window))}}));
            }
        }
    }
}

TEST(GroupDownload, DumpSplitInTwoAtEveryPointCompletes) {
    const Group group{500, 100, {120, 130, 140}};
    const Bytes dump = Dump(group);
    for (std::size_t split = 1; split < dump.size(); ++split) {
        SCOPED_TRACE(split);
        Rig rig;
        rig.link->requestGroup(GroupWindowId::Group1);
        rig.port.arrive(std::span(dump).first(split));
        EXPECT_EQ(rig.store->receiveMode, ModeGroup1);
        rig.port.arrive(std::span(dump).subspan(split));
        ExpectSlotHolds(rig.store->groupSlot(1), group);
        EXPECT_EQ(rig.store->receiveMode, ModeIdle);
    }
}

TEST(GroupDownload, ShorterSecondDumpLowersTheCountAndLeavesOlderRecordsBehind) {
    Rig rig;
    const Group longer = Readings(12, 10.0f);
    const Group shorter = Readings(5, 70.0f);
    rig.link->requestGroup(GroupWindowId::Group3);
    rig.port.arrive(Dump(longer));
    rig.link->requestGroup(GroupWindowId::Group3);
    rig.port.arrive(Dump(shorter));
    ExpectSlotHolds(rig.store->groupSlot(3), shorter);
    EXPECT_EQ(rig.store->groupSlot(3).readings[11].value, static_cast<double>(longer.readings[11]));
    EXPECT_EQ(rig.windows.callsStartingWith("reopen"),
              (std::vector<std::string>{"reopen 3", "reopen 3"}));
}

TEST(GroupDownload, OversizeDumpIsReadToItsEndAndRefusedWithoutTouchingTheSlot) {
    for (int count : {81, 90, 255}) {
        for (std::size_t chunk : {std::size_t{1}, std::size_t{7}, std::size_t{100000}}) {
            SCOPED_TRACE(::testing::Message() << count << " readings, chunk " << chunk);
            Rig rig;
            const Group before = Readings(4, 11.0f);
            rig.link->requestGroup(GroupWindowId::Group2);
            rig.port.arrive(Dump(before));
            rig.windows.clear();

            rig.link->requestGroup(GroupWindowId::Group2);
            rig.port.arriveInChunks(Dump(Readings(count, 20.0f)), chunk);
            rig.clock.runPosted();

            ExpectSlotHolds(rig.store->groupSlot(2), before);
            EXPECT_EQ(rig.store->receiveMode, ModeIdle);
            EXPECT_EQ(rig.port.bytesWaiting(), 0);
            const std::string message = "The gauge sent a group of " + std::to_string(count) +
                                        " readings; at most 80 can be stored. The group was not "
                                        "stored.";
            EXPECT_EQ(rig.windows.calls, Join({kDisableAll, kEnableAll, {"message " + message}}));

            // Still in step: the next download works.
            rig.link->requestGroup(GroupWindowId::Group2);
            rig.port.arriveInChunks(Dump(Readings(3, 30.0f)), chunk);
            ExpectSlotHolds(rig.store->groupSlot(2), Readings(3, 30.0f));
        }
    }
}

// A value no gauge can have measured is named, and its group is not stored: it would show as
// "Mean: NaN". Zero, the smallest normal float and 100 mm are thicknesses.
TEST(GroupDownload, AValueThatIsNoThicknessIsNamedAndTheGroupIsNotStored) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const float denormal = std::numeric_limits<float>::denorm_min();
    struct Case {
        Group group;
        const char* message;  // empty: stored
    };
    const Case cases[] = {
        {{150, 50, {12.5f, nan}}, "The current group, reading 2 is not a thickness (nan)"},
        {{inf, 50, {12.5f}}, "The current group, the high limit is not a thickness (inf)"},
        {{150, -inf, {12.5f}}, "The current group, the low limit is not a thickness (-inf)"},
        {{150, 50, {-1.5f}}, "The current group, reading 1 is not a thickness (-1.5)"},
        {{150, 50, {12.5f, 13, denormal}},
         "The current group, reading 3 is not a thickness (1e-45)"},
        {{150, 50, {100000.01f}}, "The current group, reading 1 is not a thickness (100000.01)"},
        {{0, 0, {0, std::numeric_limits<float>::min(), 100000}}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        Rig rig;
        rig.link->requestGroup(GroupWindowId::Current);
        rig.port.arrive(Dump(Readings(2, 20.0f)));
        rig.windows.clear();
        rig.link->requestGroup(GroupWindowId::Current);
        rig.port.arrive(Dump(c.group));
        rig.clock.runPosted();
        if (*c.message) {
            ExpectSlotHolds(rig.store->currentGroupSlot, Readings(2, 20.0f));
            EXPECT_EQ(
                rig.windows.messages,
                std::vector<std::string>{std::string(c.message) + ". The group was not stored."});
        } else {
            ExpectSlotHolds(rig.store->currentGroupSlot, c.group);
            EXPECT_TRUE(rig.windows.messages.empty());
        }
        EXPECT_EQ(rig.store->receiveMode, ModeIdle);
    }
}

// ---------------------------------------------------------------- all groups

TEST(AllGroups, FourDumpsUnderEveryChunkingFillTheSlotsAndReopenWindowsInOrder) {
    const Group groups[] = {Readings(2, 40.0f), Readings(0, 0.0f), Readings(80, 100.0f),
                            Readings(1, 7.25f)};
    const Bytes exchange =
        Concat({Dump(groups[0]), Dump(groups[1]), Dump(groups[2]), Dump(groups[3])});
    for (std::size_t chunk : kChunkings) {
        SCOPED_TRACE(chunk);
        Rig rig;
        rig.link->requestAllGroups();
        EXPECT_EQ(rig.port.written, Bytes{0xF6});
        EXPECT_EQ(rig.store->receiveMode, ModeAllGroups);
        EXPECT_EQ(rig.store->allGroupsStage, 0);

        rig.port.arriveInChunks(exchange, chunk);

        for (int g = 1; g <= 4; ++g) ExpectSlotHolds(rig.store->groupSlot(g), groups[g - 1]);
        EXPECT_EQ(rig.store->allGroupsStage, 4);
        EXPECT_EQ(rig.store->receiveMode, ModeIdle);
        EXPECT_EQ(
            rig.windows.calls,
            Join({kDisableAll, kEnableAll, {"reopen 1", "reopen 2", "reopen 3", "reopen 4"}}));
    }
}

TEST(AllGroups, ExchangeSplitInTwoAtEveryPointCompletes) {
    const Bytes exchange = Concat({Dump(Readings(2, 40.0f)), Dump(Readings(0, 0.0f)),
                                   Dump(Readings(3, 9.0f)), Dump(Readings(1, 7.25f))});
    for (std::size_t split = 1; split < exchange.size(); ++split) {
        SCOPED_TRACE(split);
        Rig rig;
        rig.link->requestAllGroups();
        rig.port.arrive(std::span(exchange).first(split));
        rig.port.arrive(std::span(exchange).subspan(split));
        EXPECT_EQ(rig.store->allGroupsStage, 4);
        EXPECT_EQ(rig.store->receiveMode, ModeIdle);
        ExpectSlotHolds(rig.store->groupSlot(4), Readings(1, 7.25f));
    }
}

TEST(AllGroups, OversizeGroupIsSkippedAndTheOthersAreStored) {
    Rig rig;
    const Group old = Readings(6, 55.0f);
    rig.link->requestGroup(GroupWindowId::Group2);
    rig.port.arrive(Dump(old));
    rig.windows.clear();

    rig.link->requestAllGroups();
    rig.port.arrive(Concat({Dump(Readings(2, 40.0f)), Dump(Readings(90, 1.0f)),
                            Dump(Readings(3, 9.0f)), Dump(Readings(1, 7.25f))}));
    rig.clock.runPosted();

    ExpectSlotHolds(rig.store->groupSlot(1), Readings(2, 40.0f));
    ExpectSlotHolds(rig.store->groupSlot(2), old);
    ExpectSlotHolds(rig.store->groupSlot(3), Readings(3, 9.0f));
    ExpectSlotHolds(rig.store->groupSlot(4), Readings(1, 7.25f));
    EXPECT_EQ(rig.store->receiveMode, ModeIdle);
    EXPECT_EQ(rig.windows.calls,
              Join({kDisableAll,
                    kEnableAll,
                    {"reopen 1", "reopen 3", "reopen 4",
                     "message The gauge sent group 2 with 90 readings; at most 80 can be stored. "
                     "The group was not stored."}}));
}

TEST(AllGroups, AGroupWithAValueThatIsNoThicknessIsSkippedAndNamed) {
    Rig rig;
    rig.link->requestAllGroups();
    rig.port.arrive(Concat({Dump(Readings(2, 40.0f)), Dump(Group{150, 50, {12, -3}}),
                            Dump(Readings(3, 9.0f)), Dump(Readings(1, 7.25f))}));
    rig.clock.runPosted();
    EXPECT_EQ(rig.store->groupSlot(2).readingCount, 0);
    EXPECT_EQ(rig.windows.calls,
              Join({kDisableAll,
                    kEnableAll,
                    {"reopen 1", "reopen 3", "reopen 4",
                     "message Group 2, reading 2 is not a thickness (-3). The group was not "
                     "stored."}}));
}

// Bytes after the last dump, at once or within the quiet time, mean the gauge's dumps and the
// link's counting went apart: the windows show what arrived, as always, and say so. Later bytes
// belong to no download.
TEST(FramingSlip, BytesAfterTheLastDumpAreSaid) {
    const Bytes exchange = Concat({Dump(Readings(2, 40.0f)), Dump(Readings(0, 0.0f)),
                                   Dump(Readings(3, 9.0f)), Dump(Readings(1, 7.25f))});
    const Bytes stray = {1, 2, 3};
    struct Case {
        const char* what;
        bool allGroups;
        Bytes bytes;
        Bytes later;  // after laterMs
        std::int64_t laterMs;
        bool slipped;
    };
    const Bytes strayBetween = Concat({Dump(Readings(2, 40.0f)), stray, Dump(Readings(0, 0.0f)),
                                       Dump(Readings(3, 9.0f)), Dump(Readings(1, 7.25f))});
    const Case cases[] = {
        {"four dumps", true, exchange, {}, 0, false},
        {"stray bytes between two dumps", true, strayBetween, {}, 0, true},
        {"a byte after the fourth dump", true, Concat({exchange, {7}}), {}, 0, true},
        {"a byte after a single dump", false, Concat({Dump(Readings(2, 40.0f)), {7}}), {}, 0, true},
        {"a byte within the quiet time",
         false,
         Dump(Readings(2, 40.0f)),
         {7},
         kExchangeQuietMs - 1,
         true},
        {"a byte after the quiet time",
         false,
         Dump(Readings(2, 40.0f)),
         {7},
         kExchangeQuietMs,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Rig rig;
        if (c.allGroups) {
            rig.link->requestAllGroups();
        } else {
            rig.link->requestGroup(GroupWindowId::Group1);
        }
        rig.port.arrive(c.bytes);
        rig.clock.advance(c.laterMs);
        if (!c.later.empty()) rig.port.arrive(c.later);
        rig.clock.advance(kDownloadStallMs);
        const std::vector<std::string>& messages = rig.windows.messages;
        const bool said =
            std::find(messages.begin(), messages.end(), kFramingSlipped) != messages.end();
        EXPECT_EQ(said, c.slipped);
        if (c.slipped) {
            EXPECT_EQ(rig.port.bytesWaiting(), 0);
        }
        EXPECT_EQ(rig.store->receiveMode, ModeIdle);
        // The windows still show the first dump, whole.
        ExpectSlotHolds(rig.store->groupSlot(1), Readings(2, 40.0f));
    }
}

// ---------------------------------------------------------------- idle branch

TEST(IdleBranch, NotificationOutsideTheKnownModesGoesIdleAndLeavesTheBytes) {
    for (std::int16_t mode : {std::int16_t{100}, std::int16_t{7}, std::int16_t{-1}}) {
        SCOPED_TRACE(mode);
        Rig rig;
        rig.link->requestGroup(GroupWindowId::Group1);  // arms a threshold of 1
        rig.store->receiveMode = mode;
        rig.windows.clear();
        rig.port.arrive({1, 2, 3});
        EXPECT_EQ(rig.store->receiveMode, ModeIdle);
        EXPECT_EQ(rig.port.bytesWaiting(), 3);
        EXPECT_EQ(rig.windows.calls, kEnableAll);
    }
}

// ---------------------------------------------------------------- stalls and a vanishing gauge

TEST(DownloadStall, SilenceEndsTheDownloadButNeverACompletedOne) {
    const Bytes dump = Dump(Readings(5, 20.0f));
    struct Case {
        const char* name;
        bool allGroups;
        Bytes before;  // bytes that arrive before the line goes quiet
        bool vanish;
        bool expectNoAnswer;
    };
    const std::vector<Case> cases = {
        {"no answer", false, {}, false, true},
        {"length byte only", false, Bytes(dump.begin(), dump.begin() + 1), false, true},
        {"part of the data", false, Bytes(dump.begin(), dump.begin() + 13), false, true},
        {"second of four dumps missing", true, Dump(Readings(1, 5.0f)), false, true},
        {"completed", false, dump, false, false},
        {"completed exchange", true, Concat({dump, dump, dump, dump}), false, false},
        {"vanished mid-dump", false, Bytes(dump.begin(), dump.begin() + 13), true, false},
    };
    std::vector<std::unique_ptr<Rig>> rigs;
    for (const Case& c : cases) {
        auto rig = std::make_unique<Rig>();
        if (c.allGroups) {
            rig->link->requestAllGroups();
        } else {
            rig->link->requestGroup(GroupWindowId::Group4);
        }
        rig->port.arrive(c.before);
        if (c.vanish) {
            rig->port.vanish("gone");
            rig->clock.runPosted();  // its own message, not a stall's
        }
        rig->windows.clear();
        rigs.push_back(std::move(rig));
    }
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        Rig& rig = *rigs[i];
        rig.clock.advance(kDownloadStallMs - 1);
        EXPECT_TRUE(rig.windows.messages.empty());
        rig.clock.advance(1);
        EXPECT_EQ(rig.store->receiveMode, ModeIdle);
        if (cases[i].expectNoAnswer) {
            EXPECT_EQ(rig.windows.calls, Join({kEnableAll, {"message No answer from the gauge!"}}));
            EXPECT_EQ(rig.port.bytesWaiting(), 0);
        } else {
            EXPECT_EQ(rig.windows.calls, std::vector<std::string>{});
        }
    }
}

TEST(DownloadStall, SlowButSteadyBytesAreNotAStall) {
    Rig rig;
    const Bytes dump = Dump(Readings(2, 20.0f));
    rig.link->requestGroup(GroupWindowId::Group1);
    // One byte every 1.9 s: the dump takes far longer than the stall time but never pauses that
    // long.
    for (std::size_t i = 0; i < dump.size() && rig.store->receiveMode == ModeGroup1; ++i) {
        rig.clock.advance(kDownloadStallMs - 100);
        rig.port.arrive(std::span(dump).subspan(i, 1));
    }
    ExpectSlotHolds(rig.store->groupSlot(1), Readings(2, 20.0f));
    EXPECT_TRUE(rig.windows.messages.empty());
}

TEST(DeviceGone, WhileSamplingTheLinkGoesIdleAndRestoresTheCaption) {
    Rig rig;
    rig.link->toggleRealTime();
    rig.port.arrive(Frame(20.0f));
    rig.port.arrive({1, 0});  // half a frame
    rig.link->suspendLiveStream();
    rig.link->resumeLiveStream();
    rig.windows.clear();

    rig.port.vanish("input/output error");

    EXPECT_EQ(rig.store->receiveMode, ModeIdle);
    EXPECT_FALSE(rig.link->isSampling());
    EXPECT_EQ(rig.windows.calls, (std::vector<std::string>{"text RealTime RealTimeSamp",
                                                           "deviceGone input/output error"}));
    rig.clock.runPosted();  // the message comes after the handler has returned
    EXPECT_EQ(rig.windows.messages,
              std::vector<std::string>{"The gauge is no longer connected (input/output error). "
                                       "Plug it in again and press CONNECT."});
    EXPECT_FALSE(rig.clock.pendingWake());  // no wake-up touches the closed port
    EXPECT_EQ(rig.store->realTimeSamples.readingCount, 1);
}

// Messages are shown after the handler that found them has returned, one box at a time, in the
// order the problems arose.
TEST(LinkMessages, NeverFromInsideAHandlerAndOneAtATime) {
    Rig rig;
    rig.link->requestGroup(GroupWindowId::Group2);
    rig.clock.advance(kDownloadStallMs);  // the stall is found by a wake-up...
    ASSERT_EQ(rig.windows.messages, std::vector<std::string>{kNoAnswerFromGauge});

    // ...and an oversize group found inside a notification waits for the handler to return.
    rig.windows.clear();
    rig.link->requestGroup(GroupWindowId::Group3);
    rig.port.arrive(Dump(Readings(81, 1.0f)));
    EXPECT_TRUE(rig.windows.messages.empty());
    rig.clock.runPosted();
    EXPECT_EQ(rig.windows.messages, std::vector<std::string>{OversizeGroupMessage(0, 81)});

    // The gauge vanishes while "No answer" is still open: its box follows the first one.
    rig.windows.clear();
    rig.link->requestGroup(GroupWindowId::Group1);
    rig.windows.whileMessageOpen = [&] { rig.port.vanish("gone"); };
    rig.clock.advance(kDownloadStallMs);
    EXPECT_FALSE(rig.windows.nestedMessage);
    EXPECT_EQ(rig.windows.messages,
              (std::vector<std::string>{kNoAnswerFromGauge, DeviceGoneMessage("gone")}));
}

// ---------------------------------------------------------------- sampling control

TEST(RealTimeControl, StartAndPauseInTheirOrder) {
    Rig rig;
    rig.link->toggleRealTime();
    EXPECT_TRUE(rig.link->isSampling());
    EXPECT_EQ(rig.store->receiveMode, ModeLive);
    EXPECT_EQ(rig.link->receiveThreshold(), 5);
    EXPECT_EQ(rig.port.discards, 1);
    EXPECT_EQ(rig.port.written, Bytes{0xF1});
    EXPECT_EQ(rig.windows.calls,
              (std::vector<std::string>{"text RealTime Pause", "disable Grp1", "disable Grp2",
                                        "disable Grp3", "disable Grp4", "disable AllGrp",
                                        "disable RealTimeGrp", "showRealTimeList"}));
    rig.windows.clear();
    rig.port.arrive({1, 2});  // a frame cut short by the pause

    rig.link->toggleRealTime();
    EXPECT_FALSE(rig.link->isSampling());
    EXPECT_EQ(rig.store->receiveMode, ModeIdle);
    EXPECT_EQ(rig.link->receiveThreshold(), 0);
    EXPECT_EQ(rig.port.bytesWaiting(), 0);
    EXPECT_EQ(rig.port.written, (Bytes{0xF1, 0xF0}));
    EXPECT_EQ(rig.windows.calls,
              (std::vector<std::string>{"text RealTime RealTimeSamp", "enable Grp1", "enable Grp2",
                                        "enable Grp3", "enable Grp4", "enable AllGrp",
                                        "enable RealTimeGrp"}));
}

// ---------------------------------------------------------------- live frames

struct FrameCase {
    const char* name;
    Bytes frame;
    std::int32_t unitIsMils;
    std::vector<std::string> calls;  // what the user sees
    const char* listText;            // nullptr: nothing captured
    const char* unitLine;
};

TEST(LiveFrame, EachKindOfFrameShowsAndCapturesAsIntended) {
    const FrameCase cases[] = {
        {"12.25 um",
         Frame(12.25f),
         0,
         {"text labeldata 12.3", "text labelunit um", "unitline Unit:        um", "sample 0"},
         "12.3",
         "Unit:        um"},
        {"1234.5 um",
         Frame(1234.5f),
         0,
         {"text labeldata 1.23", "text labelunit mm", "unitline Unit:        um", "sample 0"},
         "1234",
         "Unit:        um"},
        {"12.25 um in mils",
         Frame(12.25f),
         1,
         {"text labeldata 0.482", "text labelunit mils", "unitline Unit:       mils", "sample 0"},
         "0.482",
         "Unit:       mils"},
        {"no reading", FramePattern(0x44A8C000), 0, {"text labeldata ----.-"}, nullptr, nullptr},
        {"overload", FramePattern(0x44A8E000), 0, {"text labeldata OL"}, nullptr, nullptr},
        {"flag bit 0", Frame(12.25f, 0), 0, {}, nullptr, nullptr},
        {"other flag bits set", Frame(12.25f, 0xFE), 0, {}, nullptr, nullptr},
        {"not a number", FramePattern(0x7FC00000), 0, {"text labeldata ----.-"}, nullptr, nullptr},
        {"infinity", FramePattern(0xFF800000), 1, {"text labeldata ----.-"}, nullptr, nullptr},
    };
    for (const FrameCase& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        rig.store->unitIsMils = c.unitIsMils;
        rig.link->toggleRealTime();
        rig.windows.clear();

        rig.port.arrive(c.frame);

        EXPECT_EQ(rig.windows.calls, c.calls);
        EXPECT_EQ(rig.port.bytesWaiting(), 0);
        const RealTimeSamples& samples = rig.store->realTimeSamples;
        if (c.listText == nullptr) {
            EXPECT_EQ(samples.readingCount, 0);
            continue;
        }
        ASSERT_EQ(samples.readingCount, 1);
        EXPECT_EQ(samples.readings[0].number, 1);
        EXPECT_EQ(samples.readings[0].text, c.listText);
        ASSERT_EQ(rig.windows.samples.size(), 1u);
        EXPECT_EQ(rig.windows.samples[0].unitLine, c.unitLine);
        EXPECT_EQ(rig.windows.samples[0].count, "Counts:     1");
    }
}

TEST(LiveFrame, FramesMergedOrSplitAnywhereAreEachCapturedInOrder) {
    const float values[] = {10.0f, 20.0f, 30.0f};
    const Bytes stream = Concat({Frame(values[0]), Frame(values[1]), Frame(values[2])});
    for (std::size_t split = 0; split < stream.size(); ++split) {
        SCOPED_TRACE(split);
        Rig rig;
        rig.link->toggleRealTime();
        rig.port.arrive(std::span(stream).first(split));
        rig.port.arrive(std::span(stream).subspan(split));
        const RealTimeSamples& samples = rig.store->realTimeSamples;
        ASSERT_EQ(samples.readingCount, 3);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(samples.readings[static_cast<std::size_t>(i)].value,
                      static_cast<double>(values[i]));
        }
    }
}

TEST(LiveFrame, PartialFrameIsDroppedAfterAQuietLineSoTheStreamRealigns) {
    for (const Bytes& stray : {Bytes{1}, Bytes{1, 0}, Bytes{1, 0, 0, 0}}) {
        SCOPED_TRACE(stray.size());
        Rig rig;
        rig.link->toggleRealTime();
        rig.port.arrive(Concat({Frame(10.0f), stray}));  // a frame and a stray start
        EXPECT_EQ(rig.store->realTimeSamples.readingCount, 1);
        rig.clock.advance(400);

        rig.port.arrive(Frame(60.0f));
        ASSERT_EQ(rig.store->realTimeSamples.readingCount, 2);
        EXPECT_EQ(rig.store->realTimeSamples.readings[1].value, 60.0);
    }
}

TEST(LiveFrame, FrameStillArrivingIsNeverCut) {
    // Pieces 49 ms apart: the line is never quiet for 50 ms, so the frame is whole.
    Rig rig;
    rig.link->toggleRealTime();
    const Bytes frame = Frame(20.0f);
    for (std::size_t i = 0; i < frame.size(); ++i) {
        rig.port.arrive(std::span(frame).subspan(i, 1));
        rig.clock.advance(kPartialFrameQuietMs - 1);
    }
    ASSERT_EQ(rig.store->realTimeSamples.readingCount, 1);
    EXPECT_EQ(rig.store->realTimeSamples.readings[0].value, 20.0);
}

TEST(LiveFrame, QuietLineIsMeasuredFromTheLastArrival) {
    // Frame A and 4 bytes of B at once; B's last byte 20 ms later; C's first 4 bytes 26 ms after
    // that; the rest of C and a whole frame D 24 ms later. A quiet-line check that started after
    // A must not find C's start and take it for an old remainder.
    Rig rig;
    rig.link->toggleRealTime();
    const Bytes a = Frame(11.0f), b = Frame(22.0f), c = Frame(33.0f), d = Frame(44.0f);
    rig.port.arrive(Concat({a, Bytes(b.begin(), b.begin() + 4)}));
    rig.clock.advance(20);
    rig.port.arrive(Bytes(b.begin() + 4, b.end()));
    rig.clock.advance(26);
    rig.port.arrive(Bytes(c.begin(), c.begin() + 4));
    rig.clock.advance(24);
    rig.port.arrive(Concat({Bytes(c.begin() + 4, c.end()), d}));
    const RealTimeSamples& samples = rig.store->realTimeSamples;
    ASSERT_EQ(samples.readingCount, 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(samples.readings[static_cast<std::size_t>(i)].value, 11.0 * (i + 1));
    }
}

TEST(LiveFrame, ABusyProgramDoesNotTakeItsOwnDelayForAQuietLine) {
    // Four bytes seen; the fifth reaches the system 10 ms later while the program is busy for
    // 200 ms. When the program looks again, the frame is whole, not a remainder to drop.
    Rig rig;
    rig.link->toggleRealTime();
    const Bytes frame = Frame(42.5f);
    rig.port.arrive(std::span(frame).first(4));
    rig.clock.jump(10);
    rig.port.arriveUnseen(std::span(frame).subspan(4));
    rig.clock.jump(190);
    rig.clock.advance(0);  // the overdue wake-up
    ASSERT_EQ(rig.store->realTimeSamples.readingCount, 1);
    EXPECT_EQ(rig.store->realTimeSamples.readings[0].value, 42.5);
}

TEST(LiveCapture, PauseAndRestartNumberOnAndKeepTheExtremes) {
    Rig rig;
    rig.link->toggleRealTime();
    for (float v : {20.0f, 10.0f, 30.0f}) rig.port.arrive(Frame(v));
    rig.link->toggleRealTime();
    rig.link->toggleRealTime();
    for (float v : {15.0f, 25.0f}) rig.port.arrive(Frame(v));

    const RealTimeSamples& samples = rig.store->realTimeSamples;
    ASSERT_EQ(samples.readingCount, 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(samples.readings[static_cast<std::size_t>(i)].number, i + 1);
        EXPECT_EQ(rig.windows.samples[static_cast<std::size_t>(i)].recordIndex, i);
    }
    EXPECT_EQ(rig.presenter.captureMax(), 30.0);
    EXPECT_EQ(rig.presenter.captureMin(), 10.0);
    EXPECT_EQ(rig.windows.samples.back().maximum, "Max:        30");
    EXPECT_EQ(rig.windows.samples.back().minimum, "Min:       10");
}

// The labels of each sample, and the mean and deviation the list computes when it shows them.
TEST(LiveCapture, StatisticsLabelsInBothUnits) {
    struct Case {
        std::int32_t unitIsMils;
        const char* unitLine;
        const char* maximum;
        const char* minimum;
        const char* mean;
        const char* deviation;
    };
    const Case cases[] = {
        {0, "Unit:        um", "Max:        30", "Min:       10", "Mean:      20",
         "Std.dev.:  8.1"},
        {1, "Unit:       mils", "Max:        1.181", "Min:       0.393", "Mean:      0.787",
         "Std.dev.:  0.321"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.unitIsMils);
        Rig rig;
        rig.store->unitIsMils = c.unitIsMils;
        rig.link->toggleRealTime();
        rig.port.arrive(Concat({Frame(10.0f), Frame(20.0f), Frame(30.0f)}));
        ASSERT_EQ(rig.windows.samples.size(), 3u);
        const CapturedSampleTexts& got = rig.windows.samples.back();
        EXPECT_EQ(got.recordIndex, 2);
        EXPECT_EQ(got.unitIsMils, c.unitIsMils);
        EXPECT_EQ(got.unitLine, c.unitLine);
        EXPECT_EQ(got.count, "Counts:     3");
        EXPECT_EQ(got.maximum, c.maximum);
        EXPECT_EQ(got.minimum, c.minimum);
        const RealTimeSamples& samples = rig.store->realTimeSamples;
        const CaptureStatisticsTexts statistics = CaptureStatisticsLabels(
            std::span<const ReadingRecord>(samples.readings.data(), 3), got.unitIsMils);
        EXPECT_EQ(statistics.mean, c.mean);
        EXPECT_EQ(statistics.deviation, c.deviation);
    }
}

TEST(LiveCapture, FullCaptureStillShowsReadingsAndSaysSoOnce) {
    Rig rig;
    RealTimeSamples& samples = rig.store->realTimeSamples;
    samples.readingCount = RealTimeSamples::kCapacity - 1;
    for (std::int32_t i = 0; i < samples.readingCount; ++i) {
        samples.readings[static_cast<std::size_t>(i)] = {i + 1, 100.0, "100"};
    }
    rig.link->toggleRealTime();
    rig.windows.clear();

    rig.port.arrive(Concat({Frame(40.0f), Frame(45.0f), Frame(12.25f)}));

    EXPECT_EQ(samples.readingCount, RealTimeSamples::kCapacity);
    EXPECT_EQ(samples.readings.back().value, 40.0);
    EXPECT_EQ(samples.readings.size(), static_cast<std::size_t>(RealTimeSamples::kCapacity));
    rig.clock.runPosted();
    const std::string unitLine = "unitline Unit:        um";
    EXPECT_EQ(rig.windows.calls,
              (std::vector<std::string>{"text labeldata 40", "text labelunit um", unitLine,
                                        "sample 49999", "text labeldata 45", "text labelunit um",
                                        unitLine, "text labeldata 12.3", "text labelunit um",
                                        unitLine, std::string("message ") + kCaptureFull}));
}

// ---------------------------------------------------------------- suspend and resume

// The gauge streams at the line's rate (a frame every 5.2 ms, here 5 ms) while the user switches
// units or a save dialog is open: frames of the suspension are dropped whole, capture goes on
// with the first frame that starts after the resume, and nothing read later is shifted.
TEST(LiveSuspend, StreamAtLineRateStaysAlignedAndCaptureGoesOnAfterTheResume) {
    for (std::size_t piece : {std::size_t{1}, std::size_t{3}, std::size_t{5}, std::size_t{17}}) {
        SCOPED_TRACE(piece);
        Rig rig;
        rig.link->toggleRealTime();
        float next = 1.0f;  // frame k carries the value k
        Bytes line;         // bytes sent but not yet arrived, handed on in pieces
        std::size_t arrived = 0;
        auto stream = [&](int frames) {
            for (int i = 0; i < frames; ++i) {
                const Bytes frame = Frame(next);
                next += 1.0f;
                line.insert(line.end(), frame.begin(), frame.end());
                while (line.size() >= piece) {
                    rig.port.arrive(std::span(line).first(piece));
                    arrived += piece;
                    line.erase(line.begin(), line.begin() + static_cast<std::ptrdiff_t>(piece));
                }
                rig.clock.advance(5);
            }
        };
        stream(10);
        const std::int32_t before = rig.store->realTimeSamples.readingCount;
        rig.link->suspendLiveStream();
        EXPECT_EQ(rig.link->receiveThreshold(), 0);
        stream(40);  // the dialog is open for 200 ms
        EXPECT_EQ(rig.store->realTimeSamples.readingCount, before);
        rig.link->resumeLiveStream();
        EXPECT_EQ(rig.link->receiveThreshold(), 4);
        // The first frame that starts after the resume (one under way is dropped).
        const double firstAfter = static_cast<double>((arrived + 4) / 5 + 1);
        stream(40);

        const RealTimeSamples& samples = rig.store->realTimeSamples;
        ASSERT_GE(samples.readingCount, before + 38);
        for (std::int32_t i = 0; i < samples.readingCount; ++i) {
            const double expected = i < before ? i + 1.0 : firstAfter + (i - before);
            EXPECT_EQ(samples.readings[static_cast<std::size_t>(i)].value, expected) << i;
        }
    }
}

TEST(LiveSuspend, ReadingsThatCameBeforeTheSuspensionAreStillCaptured) {
    Rig rig;
    rig.link->toggleRealTime();
    rig.port.arriveUnseen(Frame(70.0f));  // not yet seen when the user clicks
    rig.link->suspendLiveStream();
    EXPECT_EQ(rig.store->realTimeSamples.readingCount, 1);
}

TEST(LiveSuspend, ResumeOnASilentLineArmsTheThresholdOfFour) {
    Rig rig;
    rig.link->toggleRealTime();
    rig.link->suspendLiveStream();
    const int discards = rig.port.discards;
    rig.link->resumeLiveStream();
    EXPECT_EQ(rig.link->receiveThreshold(), 4);
    EXPECT_EQ(rig.port.discards, discards);
    rig.port.arrive(Frame(33.0f));
    EXPECT_EQ(rig.store->realTimeSamples.readingCount, 1);
}

// The gauge is pulled out while the program takes in the last bytes of a suspension or a resume:
// the link stays idle with no threshold armed, so after CONNECT stray bytes change no button.
TEST(LiveSuspend, TheGaugeVanishingDuringSuspendOrResumeLeavesNothingArmed) {
    for (const bool duringResume : {false, true}) {
        SCOPED_TRACE(duringResume ? "resume" : "suspend");
        Rig rig;
        rig.link->toggleRealTime();
        if (duringResume) rig.link->suspendLiveStream();
        rig.port.onPoll = [&] { rig.port.vanish("input/output error"); };
        if (duringResume) {
            rig.link->resumeLiveStream();
        } else {
            rig.link->suspendLiveStream();
            rig.link->resumeLiveStream();
        }
        EXPECT_FALSE(rig.link->isSampling());
        EXPECT_EQ(rig.link->receiveThreshold(), 0);
        EXPECT_EQ(rig.store->receiveMode, ModeIdle);

        std::string error;
        rig.port.open(error);  // CONNECT
        rig.windows.clear();
        rig.port.arrive({1, 2, 3, 4, 5});
        EXPECT_TRUE(rig.windows.calls.empty()) << ::testing::PrintToString(rig.windows.calls);
    }
}

TEST(LiveSuspend, SuspendAndResumeDoNothingOutsideLiveMode) {
    Rig rig;
    rig.link->requestGroup(GroupWindowId::Group1);
    rig.link->suspendLiveStream();
    rig.link->resumeLiveStream();
    EXPECT_EQ(rig.link->receiveThreshold(), 1);
    EXPECT_EQ(rig.port.discards, 1);  // the request's own
}

}  // namespace
}  // namespace zepra
