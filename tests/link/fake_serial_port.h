#pragma once
// A serial port in memory that keeps the threshold rule: a data-received notification whenever at
// least the threshold is waiting and new bytes arrive (none at threshold 0).

#include <cstdint>
#include <deque>
#include <initializer_list>
#include <span>
#include <string>
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
        threshold_ = 0;
        return true;
    }
    void close() override { open_ = false; }

    int bytesWaiting() const override { return static_cast<int>(waiting_.size()); }
    void discardInput() override {
        waiting_.clear();
        ++discards;
    }
    void setReceiveThreshold(int n) override { threshold_ = n; }
    int receiveThreshold() const override { return threshold_; }
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

    // The gauge sends bytes; they arrive in one piece.
    void arrive(std::span<const std::uint8_t> bytes) {
        if (!open_ || bytes.empty()) return;
        waiting_.insert(waiting_.end(), bytes.begin(), bytes.end());
        if (threshold_ > 0 && bytesWaiting() >= threshold_ && onDataReceived) onDataReceived();
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
    void vanish(const std::string& reason) {
        open_ = false;
        waiting_.clear();
        if (onDeviceGone) onDeviceGone(reason);
    }

    std::vector<std::uint8_t> written;
    int discards = 0;

  private:
    int portNumber_ = 1;
    bool open_ = true;
    int threshold_ = 0;
    std::deque<std::uint8_t> waiting_;
};

}  // namespace zepra::testing
