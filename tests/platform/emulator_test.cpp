// The gauge emulator, heard through the program's real serial port.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "gauge_emulator.h"
#include "platform/qt_serial_port.h"

namespace {

using gauge_emulator::Chunking;
using gauge_emulator::DumpFault;
using gauge_emulator::EncodeDump;
using gauge_emulator::EncodeLiveFrame;
using gauge_emulator::GaugeEmulator;
using gauge_emulator::Group;
using gauge_emulator::Scenario;
using gauge_emulator::Timing;
using Bytes = std::vector<std::uint8_t>;

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

Bytes Frame(float value, std::uint8_t flag = 0x01) {
    const auto frame = EncodeLiveFrame(value, flag);
    return {frame.begin(), frame.end()};
}

Group MakeGroup(float high, float low, std::size_t count, float first) {
    Group group{high, low, {}};
    for (std::size_t i = 0; i < count; ++i) group.readings.push_back(first + 0.5f * float(i));
    return group;
}

// Groups of 2, 0, 80 and 1 readings, and a current group of 3.
Scenario TestScenario() {
    Scenario scenario;
    scenario.storedGroups = {MakeGroup(60, 30, 2, 45), MakeGroup(100, 50, 0, 0),
                             MakeGroup(150, 100, 80, 110), MakeGroup(300, 200, 1, 250)};
    scenario.currentGroup = Group{500, 100, {120, 130, 140}};
    scenario.liveReadings = {10.0f, 20.0f, 30.0f};
    scenario.liveRate = 50.0;
    return scenario;
}

// The encodings themselves, checked against bytes worked out by hand.
TEST(GaugeEncodingTest, DumpAndFramesAreLittleEndianSingles) {
    EXPECT_EQ(EncodeDump(Group{500, 100, {120, 130, 140}}),
              (Bytes{0x03, 0x00, 0x00, 0xFA, 0x43, 0x00, 0x00, 0xC8, 0x42, 0x00, 0x00,
                     0xF0, 0x42, 0x00, 0x00, 0x02, 0x43, 0x00, 0x00, 0x0C, 0x43}));
    EXPECT_EQ(EncodeDump(Group{0, 0, {}}), (Bytes{0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Frame(12.25f), (Bytes{0x01, 0x00, 0x00, 0x44, 0x41}));
    EXPECT_EQ(Frame(1234.5f), (Bytes{0x01, 0x00, 0x50, 0x9A, 0x44}));
    EXPECT_EQ(Frame(gauge_emulator::kNoReadingValue), (Bytes{0x01, 0x00, 0xC0, 0xA8, 0x44}));
    EXPECT_EQ(Frame(gauge_emulator::kOverloadValue), (Bytes{0x01, 0x00, 0xE0, 0xA8, 0x44}));
    EXPECT_EQ(Frame(12.25f, 0x00), (Bytes{0x00, 0x00, 0x00, 0x44, 0x41}));
}

TEST(GaugeEncodingTest, LengthByteCannotAnnounceMoreThan255) {
    const Bytes dump = EncodeDump(MakeGroup(1, 0, 300, 1));
    EXPECT_EQ(dump[0], 255);
    EXPECT_EQ(dump.size(), 1u + 4u * 257u);
}

// An emulator and the program's port opened on it.
class EmulatorFixture {
  public:
    explicit EmulatorFixture(Timing timing, Scenario scenario = TestScenario())
        : gauge(std::move(scenario), timing), port([this](int) { return gauge.devicePath(); }) {
        port.onDataReceived = [this] { ++notifications; };
        port.onDeviceGone = [this](const std::string&) { ++goneReports; };
        std::string error;
        opened = port.open(error);
    }

    void request(std::uint8_t command) { port.write(Bytes{command}); }

    // Waits for `count` bytes, then a little longer so that surplus bytes would show too.
    Bytes receive(std::size_t count, int quietMs = 60) {
        (void)QTest::qWaitFor([&] { return std::size_t(port.bytesWaiting()) >= count; }, 10000);
        QTest::qWait(quietMs);
        return port.read(1 << 20);
    }

    GaugeEmulator gauge;
    zepra::QtSerialPort port;
    bool opened = false;
    int notifications = 0;
    int goneReports = 0;
};

struct RequestCase {
    const char* name;
    std::uint8_t command;
    Bytes (*expected)(const Scenario&);
};

const RequestCase kRequests[] = {
    {"Group1", 0xF2, [](const Scenario& s) { return EncodeDump(s.storedGroups[0]); }},
    {"Group2", 0xF3, [](const Scenario& s) { return EncodeDump(s.storedGroups[1]); }},
    {"Group3", 0xF4, [](const Scenario& s) { return EncodeDump(s.storedGroups[2]); }},
    {"Group4", 0xF5, [](const Scenario& s) { return EncodeDump(s.storedGroups[3]); }},
    {"CurrentGroup", 0xF7, [](const Scenario& s) { return EncodeDump(s.currentGroup); }},
    {"AllGroups", 0xF6,
     [](const Scenario& s) {
         return Concat({EncodeDump(s.storedGroups[0]), EncodeDump(s.storedGroups[1]),
                        EncodeDump(s.storedGroups[2]), EncodeDump(s.storedGroups[3])});
     }},
};

const Chunking kChunkings[] = {Chunking::AllAtOnce, Chunking::ByteByByte, Chunking::RandomSplits};

class EmulatorRequestTest
    : public ::testing::TestWithParam<std::tuple<RequestCase, Chunking, bool>> {};

TEST_P(EmulatorRequestTest, AnswersWithTheGroupDumps) {
    const auto& [request, chunking, fast] = GetParam();
    EmulatorFixture fixture({.chunking = chunking, .fast = fast, .seed = 7});
    ASSERT_TRUE(fixture.opened);
    const Bytes expected = request.expected(TestScenario());
    fixture.request(request.command);
    EXPECT_EQ(fixture.receive(expected.size()), expected);
    EXPECT_EQ(fixture.gauge.receivedCommands(), Bytes{request.command});
    EXPECT_GE(fixture.notifications, 1);
}

std::string RequestCaseName(const ::testing::TestParamInfo<EmulatorRequestTest::ParamType>& info) {
    static const char* const kChunkingNames[] = {"AllAtOnce", "ByteByByte", "RandomSplits"};
    const auto& [request, chunking, fast] = info.param;
    return std::string(request.name) + kChunkingNames[static_cast<int>(chunking)] +
           (fast ? "Fast" : "Paced");
}

INSTANTIATE_TEST_SUITE_P(Cases, EmulatorRequestTest,
                         ::testing::Combine(::testing::ValuesIn(kRequests),
                                            ::testing::ValuesIn(kChunkings), ::testing::Bool()),
                         RequestCaseName);

TEST(EmulatorTimingTest, PacedDumpTakesItsLineTime) {
    EmulatorFixture fixture({.chunking = Chunking::ByteByByte});
    const Bytes expected = EncodeDump(TestScenario().storedGroups[2]);  // 80 readings, 329 bytes
    QElapsedTimer clock;
    clock.start();
    fixture.request(0xF4);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return std::size_t(fixture.port.bytesWaiting()) >= expected.size(); }, 10000));
    // 10 bits per byte at 9600 baud: the bytes cannot have arrived sooner.
    EXPECT_GE(clock.elapsed(), 329 * 10 * 1000 / 9600 - 5);
    // Byte by byte over a third of a second: the port sees them in more than one piece.
    EXPECT_GT(fixture.notifications, 1);
}

TEST(EmulatorTimingTest, AllGroupsDumpsArePausedApart) {
    Scenario scenario = TestScenario();
    EmulatorFixture fixture({.fast = true, .pauseBetweenDumps = std::chrono::milliseconds(150)},
                            scenario);
    const Bytes first = EncodeDump(scenario.storedGroups[0]);
    QElapsedTimer clock;
    clock.start();
    fixture.request(0xF6);
    // Group 2 cannot start before the pause that follows group 1.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return std::size_t(fixture.port.bytesWaiting()) > first.size(); }, 5000));
    EXPECT_GE(clock.elapsed(), 145);
    const Bytes all =
        Concat({first, EncodeDump(scenario.storedGroups[1]), EncodeDump(scenario.storedGroups[2]),
                EncodeDump(scenario.storedGroups[3])});
    EXPECT_EQ(fixture.receive(all.size()), all);
}

TEST(EmulatorLiveTest, StreamsCycledFramesBetweenStartAndStop) {
    EmulatorFixture fixture({.fast = true});
    fixture.request(0xF1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return fixture.gauge.isStreaming(); }, 5000));
    const Bytes frames = fixture.receive(20, 0);
    ASSERT_GE(frames.size(), 20u);
    EXPECT_EQ(Bytes(frames.begin(), frames.begin() + 20),
              Concat({Frame(10), Frame(20), Frame(30), Frame(10)}));

    fixture.request(0xF0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !fixture.gauge.isStreaming(); }, 5000));
    QTest::qWait(50);
    fixture.port.discardInput();
    QTest::qWait(200);  // ten frames' time at 50 per second
    EXPECT_EQ(fixture.port.bytesWaiting(), 0);
    EXPECT_EQ(fixture.gauge.receivedCommands(), (Bytes{0xF1, 0xF0}));
}

TEST(EmulatorLiveTest, SendsSpecialFramesAndRawBytesOnDemand) {
    EmulatorFixture fixture({.chunking = Chunking::RandomSplits});
    fixture.gauge.sendLiveFrame(gauge_emulator::kNoReadingValue);
    fixture.gauge.sendLiveFrame(gauge_emulator::kOverloadValue);
    fixture.gauge.sendLiveFrame(55.5f, 0x00);
    fixture.gauge.sendRaw({0xAA, 0xBB});
    const Bytes expected = Concat({{0x01, 0x00, 0xC0, 0xA8, 0x44},
                                   {0x01, 0x00, 0xE0, 0xA8, 0x44},
                                   Frame(55.5f, 0x00),
                                   {0xAA, 0xBB}});
    EXPECT_EQ(fixture.receive(expected.size()), expected);
    fixture.gauge.sendGarbage(33);
    EXPECT_EQ(fixture.receive(33).size(), 33u);
    EXPECT_TRUE(fixture.gauge.receivedCommands().empty());
}

struct FaultCase {
    const char* name;
    DumpFault fault;
    std::uint8_t command;
    Bytes (*expected)(const Scenario&);
};

const FaultCase kFaults[] = {
    {"NoAnswer",
     {.kind = DumpFault::Kind::NoAnswer},
     0xF7,
     [](const Scenario&) { return Bytes{}; }},
    {"Truncated",
     {.kind = DumpFault::Kind::Truncate, .truncateAfter = 7},
     0xF7,
     [](const Scenario& s) {
         const Bytes dump = EncodeDump(s.currentGroup);
         return Bytes(dump.begin(), dump.begin() + 7);
     }},
    {"Oversized",
     {.kind = DumpFault::Kind::Oversize, .announcedCount = 90},
     0xF7,
     [](const Scenario& s) {
         Group big{s.currentGroup.highLimit, s.currentGroup.lowLimit, {}};
         for (int i = 0; i < 90; ++i) big.readings.push_back(s.currentGroup.readings[i % 3]);
         return EncodeDump(big);
     }},
    {"OnlyGroup3Silent",
     {.kind = DumpFault::Kind::NoAnswer, .group = 3},
     0xF6,
     [](const Scenario& s) {
         return Concat({EncodeDump(s.storedGroups[0]), EncodeDump(s.storedGroups[1]),
                        EncodeDump(s.storedGroups[3])});
     }},
    {"FaultOnAnotherGroup",
     {.kind = DumpFault::Kind::Truncate, .group = 2},
     0xF2,
     [](const Scenario& s) { return EncodeDump(s.storedGroups[0]); }},
};

class EmulatorFaultTest : public ::testing::TestWithParam<FaultCase> {};

TEST_P(EmulatorFaultTest, SendsExactlyTheFaultyAnswer) {
    EmulatorFixture fixture({.chunking = Chunking::RandomSplits, .fast = true});
    fixture.gauge.setDumpFault(GetParam().fault);
    const Bytes expected = GetParam().expected(TestScenario());
    fixture.request(GetParam().command);
    EXPECT_EQ(fixture.receive(expected.size(), 200), expected);

    // Back to proper answers.
    fixture.gauge.setDumpFault({});
    const Bytes proper = EncodeDump(TestScenario().currentGroup);
    fixture.request(0xF7);
    EXPECT_EQ(fixture.receive(proper.size()), proper);
}

INSTANTIATE_TEST_SUITE_P(Cases, EmulatorFaultTest, ::testing::ValuesIn(kFaults),
                         [](const ::testing::TestParamInfo<FaultCase>& param) {
                             return std::string(param.param.name);
                         });

TEST(EmulatorDeviceFaultTest, GarbageReplacesTheDump) {
    EmulatorFixture fixture({.fast = true});
    fixture.gauge.setDumpFault({.kind = DumpFault::Kind::Garbage, .garbageCount = 21});
    fixture.request(0xF7);
    const Bytes answer = fixture.receive(21, 200);
    EXPECT_EQ(answer.size(), 21u);
    EXPECT_NE(answer, EncodeDump(TestScenario().currentGroup));
}

TEST(EmulatorDeviceFaultTest, VanishingDeviceIsReportedByThePort) {
    EmulatorFixture fixture({.fast = true});
    fixture.request(0xF1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return fixture.gauge.isStreaming(); }, 5000));
    fixture.gauge.vanish();
    ASSERT_TRUE(QTest::qWaitFor([&] { return fixture.goneReports > 0; }, 5000));
    EXPECT_FALSE(fixture.port.isOpen());
    EXPECT_FALSE(fixture.gauge.isStreaming());
    QTest::qWait(50);
    EXPECT_EQ(fixture.goneReports, 1);
}

TEST(EmulatorCommandsTest, RecordsEveryByteInOrder) {
    EmulatorFixture fixture({.fast = true});
    fixture.gauge.setDumpFault({.kind = DumpFault::Kind::NoAnswer});
    const Bytes sent{0x00, 0xF3, 0x42, 0xF0, 0xFF, 0xF6};
    fixture.port.write(sent);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return fixture.gauge.receivedCommands().size() >= sent.size(); }, 5000));
    EXPECT_EQ(fixture.gauge.receivedCommands(), sent);
    fixture.gauge.clearReceivedCommands();
    EXPECT_TRUE(fixture.gauge.receivedCommands().empty());
}

TEST(EmulatorSerialCommFileTest, NamesTheTerminalUnderThePortName) {
    GaugeEmulator gauge;
    const std::string path = ::testing::TempDir() + "zepra-serialcomm-test.ini";
    for (const std::string portName : {"COM3", "COM12"}) {
        ASSERT_TRUE(gauge.writeSerialCommFile(path, portName));
        std::ifstream file(path, std::ios::binary);
        std::stringstream text;
        text << file.rdbuf();
        EXPECT_EQ(text.str(), "[SERIALCOMM]\n\\Device\\silabser0=" + portName + "\n[PORTS]\n" +
                                  portName + "=" + gauge.devicePath() + "\n");
    }
    std::remove(path.c_str());
    EXPECT_FALSE(gauge.writeSerialCommFile("/nonexistent-dir/serialcomm.ini"));
}

TEST(EmulatorDemoTest, DemoScenarioLooksLikeARealGauge) {
    const Scenario demo = gauge_emulator::DemoScenario();
    std::vector<std::size_t> sizes;
    for (const auto& group : demo.storedGroups) {
        sizes.push_back(group.readings.size());
        EXPECT_GT(group.highLimit, group.lowLimit);
        for (float reading : group.readings) {
            EXPECT_GT(reading, 0.0f);
            EXPECT_LT(reading, 1000.0f);
        }
    }
    EXPECT_EQ(std::count(sizes.begin(), sizes.end(), 0u), 1);
    EXPECT_EQ(std::count(sizes.begin(), sizes.end(), 80u), 1);
    EXPECT_LE(*std::max_element(sizes.begin(), sizes.end()), 80u);
    EXPECT_FALSE(demo.currentGroup.readings.empty());
    EXPECT_GE(demo.liveReadings.size(), 10u);
    EXPECT_GE(demo.liveRate, 1.0);
    EXPECT_LE(demo.liveRate, 5.0);
}

}  // namespace
