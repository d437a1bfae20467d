#pragma once
// The real serial port: zepra::SerialPort on QSerialPort (9600 baud, 8N1, no flow control, raw
// bytes). A port number is turned into a device by the lookup given at construction, which the
// list of serial ports provides (a device file such as /dev/ttyUSB0 or /dev/pts/7, or \\.\COM3).

#include <QSerialPort>
#include <functional>
#include <string>

#include "platform/serial_port.h"

namespace zepra {

class QtSerialPort final : public SerialPort {
  public:
    // Maps a port number to its device; an empty result means there is no such port.
    using DeviceLookup = std::function<std::string(int portNumber)>;

    explicit QtSerialPort(DeviceLookup deviceForPort);
    ~QtSerialPort() override;
    QtSerialPort(const QtSerialPort&) = delete;
    QtSerialPort& operator=(const QtSerialPort&) = delete;

    void setPortNumber(int portNumber) override;
    int portNumber() const override;
    bool isOpen() const override;
    bool open(std::string& errorText) override;
    void close() override;

    int bytesWaiting() const override;
    void discardInput() override;
    void pollInput() override;
    std::vector<std::uint8_t> read(int maxBytes) override;
    void write(std::span<const std::uint8_t> bytes) override;

    // The device path of the open port (empty while closed), for messages and tests.
    std::string devicePath() const;

  private:
    void handleReadyRead();
    void handleError(QSerialPort::SerialPortError error);

    DeviceLookup deviceForPort_;
    QSerialPort port_;
    std::string devicePath_;
    int portNumber_ = 1;
};

}  // namespace zepra
