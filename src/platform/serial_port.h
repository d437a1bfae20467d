#pragma once
// The serial port as the link sees it: bytes in, bytes out, and a notification for every arrival.
// The real one wraps QSerialPort (qt_serial_port.h); tests use fakes or the real one against the
// gauge emulator on a pseudo-terminal. All notifications arrive on the user-interface thread.

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace zepra {

class SerialPort {
  public:
    virtual ~SerialPort() = default;

    // Port number n stands for "COMn" in the system's list of serial ports. 1 until set.
    virtual void setPortNumber(int portNumber) = 0;
    virtual int portNumber() const = 0;
    virtual bool isOpen() const = 0;
    // Opens with the fixed settings (9600 baud, 8N1, no flow control, raw bytes). On failure
    // returns false and sets errorText to the system's reason.
    virtual bool open(std::string& errorText) = 0;
    virtual void close() = 0;

    virtual int bytesWaiting() const = 0;
    virtual void discardInput() = 0;
    // Takes in bytes that the system has received but not yet delivered (a program that was busy
    // has not seen them arrive). May call onDataReceived before it returns.
    virtual void pollInput() {}
    // Takes up to maxBytes of the waiting bytes, oldest first.
    virtual std::vector<std::uint8_t> read(int maxBytes) = 0;
    virtual void write(std::span<const std::uint8_t> bytes) = 0;

    // Set by the owner of the link: called whenever bytes arrive, however few (arrivals may be
    // coalesced: one call can stand for several).
    std::function<void()> onDataReceived;
    // The device went away (unplugged) or failed; the port has already been closed.
    std::function<void(const std::string& reason)> onDeviceGone;
};

}  // namespace zepra
