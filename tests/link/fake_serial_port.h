#pragma once
// A serial port in memory. Every arrival is reported, as the real port does. Bytes may also arrive
// unseen: they wait in the system's buffer (the program was busy) until pollInput() or deliver().

#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>
#include <initializer_list>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "platform/serial_port.h"

namespace zepra::testing {

class FakeSerialPort : public SerialPort {
  public:
    void setPortNumber(int portNumber) override { portNumber_ = portNumber; }
    int portNumber() const override { return portNumber_; }
    bool isOpen() const override { return open_; }
    bool open(std::string&) override {
        open_ = true;
        return true;
    }
    void close() override { open_ = false; }

    int bytesWaiting() const override { return static_cast<int>(waiting_.size()); }
    void discardInput() override {
        waiting_.clear();
        unseen_.clear();
        ++discards;
    }
    void pollInput() override {
        if (onPoll) std::exchange(onPoll, nullptr)();  // e.g. the system reports a removal now
        deliver();
    }
    std::vector<std::uint8_t> read(int maxBytes) override {
        std::vector<std::uint8_t> bytes;
        while (maxBytes-- > 0 && !waiting_.empty()) {
            bytes.push_back(waiting_.front());
            waiting_.pop_front();
        }
        return bytes;
    }
    void write(std::span<const std::uint8_t> bytes) override {
        written.insert(written.end(), bytes.begin(), bytes.end());
    }

    // The gauge sends bytes; they arrive in one piece and are reported.
    void arrive(std::span<const std::uint8_t> bytes) {
        arriveUnseen(bytes);
        deliver();
    }
    void arrive(std::initializer_list<std::uint8_t> bytes) {
        arrive(std::span<const std::uint8_t>(bytes.begin(), bytes.size()));
    }
    // The same bytes in pieces of at most `chunk` bytes (each piece a separate arrival).
    void arriveInChunks(std::span<const std::uint8_t> bytes, std::size_t chunk) {
        for (std::size_t at = 0; at < bytes.size(); at += chunk) {
            arrive(bytes.subspan(at, std::min(chunk, bytes.size() - at)));
        }
    }
    // Bytes the system has received while the program is busy: not reported yet.
    void arriveUnseen(std::span<const std::uint8_t> bytes) {
        if (!open_) return;
        unseen_.insert(unseen_.end(), bytes.begin(), bytes.end());
    }
    bool hasUnseen() const { return !unseen_.empty(); }
    // The program takes in what the system holds and is told of it.
    void deliver() {
        if (!open_ || unseen_.empty()) return;
        waiting_.insert(waiting_.end(), unseen_.begin(), unseen_.end());
        unseen_.clear();
        if (onDataReceived) onDataReceived();
    }
    void vanish(const std::string& reason) {
        open_ = false;
        waiting_.clear();
        unseen_.clear();
        if (onDeviceGone) onDeviceGone(reason);
    }

    std::vector<std::uint8_t> written;
    int discards = 0;
    std::function<void()> onPoll;  // runs once, at the next pollInput()

  private:
    int portNumber_ = 1;
    bool open_ = true;
    std::deque<std::uint8_t> waiting_;
    std::deque<std::uint8_t> unseen_;
};

}  // namespace zepra::testing
