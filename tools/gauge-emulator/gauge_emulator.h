#pragma once
// A coating-thickness gauge on a pseudo-terminal, for tests and demos.
//
// The emulator opens a pseudo-terminal and answers on it like the gauge does on its USB serial
// bridge. Open devicePath() as a serial port (any settings; the line is raw) and talk to it:
//
//   request byte   answer
//   0xF2 .. 0xF5   the dump of stored group 1 .. 4
//   0xF7           the dump of the current group
//   0xF6           the dumps of stored groups 1, 2, 3, 4, one after the other, with
//                  Timing::pauseBetweenDumps before each of groups 2 to 4
//   0xF1           starts the live stream: one 5-byte frame per live reading at the live rate,
//                  cycling through Scenario::liveReadings
//   0xF0           stops the live stream
//   anything else  no answer (but recorded like every byte)
//
// A dump is the length byte n (readings in the group), then the high limit, the low limit and the
// n readings, each a little-endian IEEE-754 single-precision float in micrometres:
// 1 + 4 * (n + 2) bytes. A live frame is a flag byte (bit 0 set: the frame carries a reading) and
// the reading as such a float. The gauge sends 1350.0 (shown as dashes) and 1351.0 (overload)
// as special live values.
//
// Timing: bytes take the time they take on a 9600-baud line (10 bits each, about 1.04 ms) unless
// Timing::fast is set, and reach the terminal in chunks as chosen: the whole answer at once, byte
// by byte, or split at random points (seeded, so a failing run can be repeated).
//
// Faults on demand: no answer, a truncated dump, a dump announcing and sending more than 80
// readings, garbage instead of a dump (all through setDumpFault), raw bytes or live frames at any
// time (sendRaw, sendGarbage, sendLiveFrame), and the device vanishing (vanish).
//
// Everything runs on the emulator's own thread; every public member may be called from any thread.
//
// Example (a test with the program's serial port on a Qt event loop):
//
//   gauge_emulator::GaugeEmulator gauge(scenario, {.chunking = Chunking::RandomSplits});
//   zepra::QtSerialPort port([&gauge](int) { return gauge.devicePath(); });
//   port.open(error); port.write(std::vector<std::uint8_t>{0xF3});
//   QTest::qWaitFor([&] { return port.bytesWaiting() >= 1 + 4 * (n + 2); }, 10000);
//   EXPECT_EQ(port.read(1000), EncodeDump(scenario.storedGroups[1]));
//   EXPECT_EQ(gauge.receivedCommands(), std::vector<std::uint8_t>{0xF3});

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace gauge_emulator {

// The request bytes the gauge understands.
inline constexpr std::uint8_t kStopLive = 0xF0;
inline constexpr std::uint8_t kStartLive = 0xF1;
inline constexpr std::uint8_t kRequestGroup1 = 0xF2;  // 0xF3, 0xF4, 0xF5: groups 2, 3, 4
inline constexpr std::uint8_t kRequestAllGroups = 0xF6;
inline constexpr std::uint8_t kRequestCurrentGroup = 0xF7;

// Live values the gauge sends instead of a reading.
inline constexpr float kNoReadingValue = 1350.0f;  // bytes 00 C0 A8 44
inline constexpr float kOverloadValue = 1351.0f;   // bytes 00 E0 A8 44

// The time one byte takes on the line: 10 bits at 9600 baud.
inline constexpr std::chrono::nanoseconds kByteTime{1'041'667};

struct Group {
    float highLimit = 0.0f;  // micrometres
    float lowLimit = 0.0f;   // micrometres
    // Micrometres. The length byte can announce at most 255; readings beyond are not sent.
    std::vector<float> readings;
};

struct Scenario {
    std::array<Group, 4> storedGroups;  // answers to 0xF2 .. 0xF5 and 0xF6
    Group currentGroup;                 // answer to 0xF7
    std::vector<float> liveReadings;    // streamed in a cycle after 0xF1; empty: no frames
    double liveRate = 2.0;              // live frames per second
};

// A realistic gauge: four stored groups of different sizes (group 3 empty, group 2 full with 80
// readings) around typical coating thicknesses, a current group, and live readings at a human
// pace (2 per second) wandering around a thickness.
Scenario DemoScenario();

enum class Chunking {
    AllAtOnce,     // each answer reaches the terminal in one piece (after its line time)
    ByteByByte,    // one byte at a time
    RandomSplits,  // pieces of 1 to kMaxRandomPiece bytes, sizes drawn from Timing::seed
};
// A USB-serial bridge hands bytes on in pieces of up to this many.
inline constexpr std::size_t kMaxRandomPiece = 17;

struct Timing {
    Chunking chunking = Chunking::AllAtOnce;
    bool fast = false;  // no 9600-baud pacing: pieces are written as soon as they are due
    std::uint32_t seed = 1;
    std::chrono::milliseconds pauseBetweenDumps{5};  // between the four dumps of 0xF6
};

// What the emulator does instead of a proper dump.
struct DumpFault {
    enum class Kind {
        None,
        NoAnswer,  // silence
        Truncate,  // only the first truncateAfter bytes of the dump
        Oversize,  // announces announcedCount readings and sends them all (the group's readings
                   // repeated as needed)
        Garbage,   // garbageCount random bytes instead of the dump
        Trailing,  // the dump, then the bytes of trailing (as if the gauge's count had slipped)
    };
    Kind kind = Kind::None;
    int group = 0;  // which dumps: 0 every dump, 1 .. 4 that stored group, 5 the current group
    std::size_t truncateAfter = 0;
    int announcedCount = 90;  // at most 255 (one length byte)
    std::size_t garbageCount = 16;
    std::vector<std::uint8_t> trailing = {};
};

// Encodings, as the gauge sends them.
std::array<std::uint8_t, 4> EncodeFloat(float value);  // little-endian IEEE-754 single
std::vector<std::uint8_t> EncodeDump(const Group& group);
std::array<std::uint8_t, 5> EncodeLiveFrame(float value, std::uint8_t flag = 0x01);

class GaugeEmulator {
  public:
    // Opens the pseudo-terminal and starts answering. Throws std::system_error when the system
    // has no pseudo-terminal to give.
    explicit GaugeEmulator(Scenario scenario = {}, Timing timing = {});
    // Stops the thread and closes the terminal (if it has not vanished already).
    ~GaugeEmulator();
    GaugeEmulator(const GaugeEmulator&) = delete;
    GaugeEmulator& operator=(const GaugeEmulator&) = delete;

    // The device file to open, e.g. /dev/pts/7. Stays the same after vanish().
    const std::string& devicePath() const { return devicePath_; }

    void setScenario(Scenario scenario);
    void setTiming(Timing timing);
    void setLiveRate(double framesPerSecond);
    // Applies to every following dump until changed; DumpFault{} restores proper answers.
    void setDumpFault(DumpFault fault);

    // Queue bytes behind whatever is being sent; paced and chunked like every answer.
    void sendLiveFrame(float value, std::uint8_t flag = 0x01);
    // pauseBefore: the line stays quiet this long after what was queued before.
    void sendRaw(std::vector<std::uint8_t> bytes, std::chrono::microseconds pauseBefore = {});
    void sendGarbage(std::size_t count);  // random bytes from the seeded generator

    // The device goes away: the terminal is closed, the program's port sees a hang-up. Returns
    // once it is closed. Nothing is answered afterwards.
    void vanish();

    // Every byte received from the program so far, oldest first.
    std::vector<std::uint8_t> receivedCommands() const;
    void clearReceivedCommands();
    bool isStreaming() const;
    // Bytes written to the terminal so far, and whether anything still waits to be written.
    std::size_t bytesSent() const;
    bool outputPending() const;

    // Writes the list-of-serial-ports file that ZEPRA_SERIALCOMM names:
    //   [SERIALCOMM] \Device\silabser0=<portName>   [PORTS] <portName>=<devicePath()>
    // (one entry per line). False when the file cannot be written.
    bool writeSerialCommFile(const std::string& path, const std::string& portName = "COM3") const;

  private:
    using Clock = std::chrono::steady_clock;
    struct Piece {
        std::vector<std::uint8_t> bytes;
        Clock::time_point due;
    };

    void run();
    void handleCommand(std::uint8_t byte, Clock::time_point now);
    void queueDump(int groupNumber, std::chrono::nanoseconds pauseBefore, Clock::time_point now);
    void queue(std::vector<std::uint8_t> bytes, std::chrono::nanoseconds pauseBefore,
               Clock::time_point now);
    void writePiece(const std::vector<std::uint8_t>& bytes);
    void closeTerminal();
    void wake() const;

    std::string devicePath_;
    int master_ = -1;
    int slave_ = -1;  // held open so the terminal keeps its raw settings and never hangs up early
    int wakeFd_ = -1;

    mutable std::mutex mutex_;
    std::condition_variable vanished_;
    Scenario scenario_;
    Timing timing_;
    DumpFault fault_;
    std::mt19937 random_;
    std::deque<Piece> output_;
    Clock::time_point lineFreeAt_{};
    bool streaming_ = false;
    std::size_t liveIndex_ = 0;
    Clock::time_point nextLiveFrame_{};
    std::vector<std::uint8_t> received_;
    std::size_t bytesSent_ = 0;
    bool vanishRequested_ = false;
    bool stopRequested_ = false;
    std::thread thread_;
};

}  // namespace gauge_emulator
