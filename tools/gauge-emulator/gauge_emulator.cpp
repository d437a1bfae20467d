#include "gauge_emulator.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <system_error>
#include <utility>

namespace gauge_emulator {

namespace {

constexpr std::size_t kMaxQueuedPieces = 4096;  // live frames beyond this are dropped, like a
                                                // gauge that measures faster than its line

std::system_error SystemError(const char* what) {
    return std::system_error(errno, std::generic_category(), what);
}

void CloseFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

}  // namespace

std::array<std::uint8_t, 4> EncodeFloat(float value) {
    static_assert(sizeof(float) == 4);
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
            static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)};
}

std::vector<std::uint8_t> EncodeDump(const Group& group) {
    const std::size_t count = std::min<std::size_t>(group.readings.size(), 255);
    std::vector<std::uint8_t> bytes;
    bytes.reserve(1 + 4 * (count + 2));
    bytes.push_back(static_cast<std::uint8_t>(count));
    auto append = [&bytes](float value) {
        const auto encoded = EncodeFloat(value);
        bytes.insert(bytes.end(), encoded.begin(), encoded.end());
    };
    append(group.highLimit);
    append(group.lowLimit);
    for (std::size_t i = 0; i < count; ++i) append(group.readings[i]);
    return bytes;
}

std::array<std::uint8_t, 5> EncodeLiveFrame(float value, std::uint8_t flag) {
    const auto encoded = EncodeFloat(value);
    return {flag, encoded[0], encoded[1], encoded[2], encoded[3]};
}

Scenario DemoScenario() {
    Scenario scenario;
    std::mt19937 random(2024);
    auto around = [&random](double thickness, double spread) {
        std::normal_distribution<double> distribution(thickness, spread);
        // One decimal place, as the gauge measures.
        return static_cast<float>(std::round(distribution(random) * 10.0) / 10.0);
    };

    // Group 1: a thin primer, 12 readings, one of them a thin spot.
    Group& primer = scenario.storedGroups[0];
    primer.highLimit = 60.0f;
    primer.lowLimit = 35.0f;
    for (int i = 0; i < 12; ++i) primer.readings.push_back(around(45.0, 3.0));
    primer.readings[7] = 31.4f;

    // Group 2: a full group of 80 readings of a powder coat, with two outliers.
    Group& powder = scenario.storedGroups[1];
    powder.highLimit = 150.0f;
    powder.lowLimit = 100.0f;
    for (int i = 0; i < 80; ++i) powder.readings.push_back(around(120.0, 6.0));
    powder.readings[23] = 163.8f;
    powder.readings[61] = 92.6f;

    // Group 3: empty.
    scenario.storedGroups[2].highLimit = 100.0f;
    scenario.storedGroups[2].lowLimit = 50.0f;

    // Group 4: a thick multi-layer system, 27 readings.
    Group& thick = scenario.storedGroups[3];
    thick.highLimit = 300.0f;
    thick.lowLimit = 200.0f;
    for (int i = 0; i < 27; ++i) thick.readings.push_back(around(250.0, 12.0));
    thick.readings[4] = 318.2f;

    // The current group: the powder coat being measured now.
    Group& current = scenario.currentGroup;
    current.highLimit = 150.0f;
    current.lowLimit = 100.0f;
    for (int i = 0; i < 9; ++i) current.readings.push_back(around(118.0, 5.0));

    // Live readings wander slowly around 120 um, as a probe moved over a part does.
    double level = 120.0;
    std::normal_distribution<double> step(0.0, 2.5);
    for (int i = 0; i < 240; ++i) {
        level += step(random) + (120.0 - level) * 0.1;
        scenario.liveReadings.push_back(static_cast<float>(std::round(level * 10.0) / 10.0));
    }
    scenario.liveRate = 2.0;
    return scenario;
}

GaugeEmulator::GaugeEmulator(Scenario scenario, Timing timing)
    : scenario_(std::move(scenario)), timing_(timing), random_(timing.seed) {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master_ < 0) throw SystemError("posix_openpt");
    char name[128] = {};
    if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0 ||
        ::ptsname_r(master_, name, sizeof name) != 0) {
        const auto error = SystemError("pseudo-terminal set-up");
        CloseFd(master_);
        throw error;
    }
    devicePath_ = name;
    slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios settings{};
    if (slave_ < 0 || ::tcgetattr(slave_, &settings) != 0) {
        const auto error = SystemError("pseudo-terminal slave");
        closeTerminal();
        throw error;
    }
    // Raw: no echo, no line editing, no translation of any byte.
    ::cfmakeraw(&settings);
    ::cfsetispeed(&settings, B9600);
    ::cfsetospeed(&settings, B9600);
    ::tcsetattr(slave_, TCSANOW, &settings);
    wakeFd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wakeFd_ < 0) {
        const auto error = SystemError("eventfd");
        closeTerminal();
        throw error;
    }
    thread_ = std::thread([this] { run(); });
}

GaugeEmulator::~GaugeEmulator() {
    {
        std::lock_guard lock(mutex_);
        stopRequested_ = true;
    }
    wake();
    thread_.join();
    closeTerminal();
    CloseFd(wakeFd_);
}

void GaugeEmulator::setScenario(Scenario scenario) {
    std::lock_guard lock(mutex_);
    scenario_ = std::move(scenario);
    liveIndex_ = 0;
    wake();
}

void GaugeEmulator::setTiming(Timing timing) {
    std::lock_guard lock(mutex_);
    timing_ = timing;
    random_.seed(timing.seed);
}

void GaugeEmulator::setLiveRate(double framesPerSecond) {
    std::lock_guard lock(mutex_);
    scenario_.liveRate = framesPerSecond;
    nextLiveFrame_ = Clock::now();
    wake();
}

void GaugeEmulator::setDumpFault(DumpFault fault) {
    std::lock_guard lock(mutex_);
    fault_ = fault;
}

void GaugeEmulator::sendLiveFrame(float value, std::uint8_t flag) {
    const auto frame = EncodeLiveFrame(value, flag);
    sendRaw({frame.begin(), frame.end()});
}

void GaugeEmulator::sendRaw(std::vector<std::uint8_t> bytes,
                            std::chrono::microseconds pauseBefore) {
    std::lock_guard lock(mutex_);
    queue(std::move(bytes), pauseBefore, Clock::now());
    wake();
}

void GaugeEmulator::sendGarbage(std::size_t count) {
    std::lock_guard lock(mutex_);
    std::vector<std::uint8_t> bytes(count);
    for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random_());
    queue(std::move(bytes), {}, Clock::now());
    wake();
}

void GaugeEmulator::vanish() {
    std::unique_lock lock(mutex_);
    vanishRequested_ = true;
    wake();
    vanished_.wait(lock, [this] { return master_ < 0; });
}

std::vector<std::uint8_t> GaugeEmulator::receivedCommands() const {
    std::lock_guard lock(mutex_);
    return received_;
}

void GaugeEmulator::clearReceivedCommands() {
    std::lock_guard lock(mutex_);
    received_.clear();
}

bool GaugeEmulator::isStreaming() const {
    std::lock_guard lock(mutex_);
    return streaming_;
}

std::size_t GaugeEmulator::bytesSent() const {
    std::lock_guard lock(mutex_);
    return bytesSent_;
}

bool GaugeEmulator::outputPending() const {
    std::lock_guard lock(mutex_);
    return !output_.empty();
}

bool GaugeEmulator::writeSerialCommFile(const std::string& path,
                                        const std::string& portName) const {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << "[SERIALCOMM]\n\\Device\\silabser0=" << portName << "\n[PORTS]\n"
         << portName << "=" << devicePath_ << "\n";
    file.close();
    return !file.fail();
}

void GaugeEmulator::run() {
    std::unique_lock lock(mutex_);
    while (!stopRequested_) {
        if (vanishRequested_ && master_ >= 0) {
            closeTerminal();
            output_.clear();
            streaming_ = false;
            vanished_.notify_all();
        }

        auto now = Clock::now();
        while (!output_.empty() && output_.front().due <= now) {
            writePiece(output_.front().bytes);
            output_.pop_front();
        }
        if (streaming_ && !scenario_.liveReadings.empty() && scenario_.liveRate > 0.0 &&
            now >= nextLiveFrame_) {
            if (output_.size() < kMaxQueuedPieces) {
                const float value =
                    scenario_.liveReadings[liveIndex_++ % scenario_.liveReadings.size()];
                const auto frame = EncodeLiveFrame(value);
                queue({frame.begin(), frame.end()}, {}, now);
            }
            const auto period = std::chrono::duration_cast<Clock::duration>(
                std::chrono::duration<double>(1.0 / scenario_.liveRate));
            nextLiveFrame_ += period;
            if (nextLiveFrame_ < now) nextLiveFrame_ = now + period;  // fell behind: no burst
            continue;  // the new frame may be due at once
        }

        // Sleep until the next piece or live frame is due, or something arrives.
        Clock::time_point wakeAt = now + std::chrono::seconds(1);
        if (!output_.empty()) wakeAt = std::min(wakeAt, output_.front().due);
        if (streaming_ && !scenario_.liveReadings.empty() && scenario_.liveRate > 0.0)
            wakeAt = std::min(wakeAt, nextLiveFrame_);
        const auto wait =
            std::chrono::duration_cast<std::chrono::nanoseconds>(std::max(wakeAt - now, {}));
        timespec timeout{static_cast<time_t>(wait.count() / 1'000'000'000),
                         static_cast<long>(wait.count() % 1'000'000'000)};
        pollfd fds[2] = {{wakeFd_, POLLIN, 0}, {master_, POLLIN, 0}};
        const nfds_t count = master_ >= 0 ? 2 : 1;
        lock.unlock();
        const int ready = ::ppoll(fds, count, &timeout, nullptr);
        lock.lock();
        if (ready <= 0) continue;

        if (fds[0].revents & POLLIN) {
            std::uint64_t counter = 0;
            [[maybe_unused]] const auto drained = ::read(wakeFd_, &counter, sizeof counter);
        }
        if (count == 2 && master_ >= 0 && (fds[1].revents & POLLIN)) {
            std::uint8_t buffer[256];
            const ssize_t n = ::read(master_, buffer, sizeof buffer);
            now = Clock::now();
            for (ssize_t i = 0; i < n; ++i) handleCommand(buffer[i], now);
        }
    }
}

void GaugeEmulator::handleCommand(std::uint8_t byte, Clock::time_point now) {
    received_.push_back(byte);
    switch (byte) {
        case kStopLive:
            streaming_ = false;
            break;
        case kStartLive:
            if (!streaming_) {
                streaming_ = true;
                const auto period =
                    std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(
                        scenario_.liveRate > 0.0 ? 1.0 / scenario_.liveRate : 1.0));
                nextLiveFrame_ = now + period;
            }
            break;
        case kRequestGroup1:
        case kRequestGroup1 + 1:
        case kRequestGroup1 + 2:
        case kRequestGroup1 + 3:
            queueDump(byte - kRequestGroup1 + 1, {}, now);
            break;
        case kRequestCurrentGroup:
            queueDump(5, {}, now);
            break;
        case kRequestAllGroups:
            for (int group = 1; group <= 4; ++group)
                queueDump(group,
                          group == 1 ? std::chrono::nanoseconds{} : timing_.pauseBetweenDumps, now);
            break;
        default:
            break;
    }
}

void GaugeEmulator::queueDump(int groupNumber, std::chrono::nanoseconds pauseBefore,
                              Clock::time_point now) {
    Group group =
        groupNumber == 5 ? scenario_.currentGroup : scenario_.storedGroups[groupNumber - 1];
    const bool faulty =
        fault_.kind != DumpFault::Kind::None && (fault_.group == 0 || fault_.group == groupNumber);
    if (!faulty) {
        queue(EncodeDump(group), pauseBefore, now);
        return;
    }
    switch (fault_.kind) {
        case DumpFault::Kind::None:
        case DumpFault::Kind::NoAnswer:
            return;
        case DumpFault::Kind::Truncate: {
            auto bytes = EncodeDump(group);
            bytes.resize(std::min(bytes.size(), fault_.truncateAfter));
            queue(std::move(bytes), pauseBefore, now);
            return;
        }
        case DumpFault::Kind::Oversize: {
            const auto count = static_cast<std::size_t>(std::clamp(fault_.announcedCount, 0, 255));
            const std::vector<float> original =
                group.readings.empty() ? std::vector<float>{100.0f} : group.readings;
            group.readings.clear();
            for (std::size_t i = 0; i < count; ++i)
                group.readings.push_back(original[i % original.size()]);
            queue(EncodeDump(group), pauseBefore, now);
            return;
        }
        case DumpFault::Kind::Trailing: {
            auto bytes = EncodeDump(group);
            bytes.insert(bytes.end(), fault_.trailing.begin(), fault_.trailing.end());
            queue(std::move(bytes), pauseBefore, now);
            return;
        }
        case DumpFault::Kind::Garbage: {
            std::vector<std::uint8_t> bytes(fault_.garbageCount);
            for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random_());
            queue(std::move(bytes), pauseBefore, now);
            return;
        }
    }
}

void GaugeEmulator::queue(std::vector<std::uint8_t> bytes, std::chrono::nanoseconds pauseBefore,
                          Clock::time_point now) {
    if (bytes.empty() || master_ < 0) return;
    // The line is busy until the last queued byte has gone out; this answer follows it.
    auto start = std::max(now, lineFreeAt_) + pauseBefore;
    std::size_t offset = 0;
    std::uniform_int_distribution<std::size_t> pieceSize(1, kMaxRandomPiece);
    while (offset < bytes.size()) {
        std::size_t size = bytes.size() - offset;
        if (timing_.chunking == Chunking::ByteByByte) size = 1;
        if (timing_.chunking == Chunking::RandomSplits) size = std::min(size, pieceSize(random_));
        const auto lineTime = timing_.fast
                                  ? Clock::duration{}
                                  : std::chrono::duration_cast<Clock::duration>(kByteTime * size);
        start += lineTime;
        Piece piece;
        piece.bytes.assign(bytes.begin() + static_cast<std::ptrdiff_t>(offset),
                           bytes.begin() + static_cast<std::ptrdiff_t>(offset + size));
        piece.due = start;
        output_.push_back(std::move(piece));
        offset += size;
    }
    lineFreeAt_ = start;
}

void GaugeEmulator::writePiece(const std::vector<std::uint8_t>& bytes) {
    if (master_ < 0) return;
    std::size_t offset = 0;
    while (offset < bytes.size()) {
        const ssize_t n = ::write(master_, bytes.data() + offset, bytes.size() - offset);
        if (n > 0) {
            offset += static_cast<std::size_t>(n);
            bytesSent_ += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            // Nobody reads and the terminal is full: the rest is lost, as on a real line.
            return;
        }
    }
}

void GaugeEmulator::closeTerminal() {
    CloseFd(master_);
    CloseFd(slave_);
}

void GaugeEmulator::wake() const {
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(wakeFd_, &one, sizeof one);
}

}  // namespace gauge_emulator
