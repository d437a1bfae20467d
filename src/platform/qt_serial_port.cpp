#include "platform/qt_serial_port.h"

#include <QByteArray>
#include <QString>
#include <utility>

namespace zepra {

QtSerialPort::QtSerialPort(DeviceLookup deviceForPort) : deviceForPort_(std::move(deviceForPort)) {
    QObject::connect(&port_, &QSerialPort::readyRead, &port_, [this] { handleReadyRead(); });
    QObject::connect(&port_, &QSerialPort::errorOccurred, &port_,
                     [this](QSerialPort::SerialPortError error) { handleError(error); });
}

QtSerialPort::~QtSerialPort() {
    // No notifications from a port that is being destroyed.
    QObject::disconnect(&port_, nullptr, nullptr, nullptr);
    port_.close();
}

void QtSerialPort::setPortNumber(int portNumber) {
    portNumber_ = portNumber;
}

int QtSerialPort::portNumber() const {
    return portNumber_;
}

bool QtSerialPort::isOpen() const {
    return port_.isOpen();
}

bool QtSerialPort::open(std::string& errorText) {
    if (port_.isOpen()) {
        errorText = "The port is already open.";
        return false;
    }
    const std::string device = deviceForPort_ ? deviceForPort_(portNumber_) : std::string();
    if (device.empty()) {
        errorText = "There is no serial device for COM" + std::to_string(portNumber_) + ".";
        return false;
    }
    port_.setPortName(QString::fromStdString(device));
    port_.setBaudRate(QSerialPort::Baud9600);
    port_.setDataBits(QSerialPort::Data8);
    port_.setParity(QSerialPort::NoParity);
    port_.setStopBits(QSerialPort::OneStop);
    port_.setFlowControl(QSerialPort::NoFlowControl);
    if (!port_.open(QIODevice::ReadWrite)) {
        errorText = port_.errorString().toStdString();
        return false;
    }
    devicePath_ = device;
    return true;
}

void QtSerialPort::close() {
    port_.close();
    devicePath_.clear();
}

int QtSerialPort::bytesWaiting() const {
    return static_cast<int>(port_.bytesAvailable());
}

void QtSerialPort::discardInput() {
    // Drops both what QSerialPort has buffered and what the system still holds.
    if (port_.isOpen()) port_.clear(QSerialPort::Input);
}

void QtSerialPort::pollInput() {
    // With a zero timeout this reads what the system holds and emits readyRead for it.
    if (port_.isOpen()) port_.waitForReadyRead(0);
}

std::vector<std::uint8_t> QtSerialPort::read(int maxBytes) {
    if (maxBytes <= 0 || !port_.isOpen()) return {};
    const QByteArray bytes = port_.read(maxBytes);
    return {bytes.begin(), bytes.end()};
}

void QtSerialPort::write(std::span<const std::uint8_t> bytes) {
    if (bytes.empty() || !port_.isOpen()) return;
    port_.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
}

std::string QtSerialPort::devicePath() const {
    return devicePath_;
}

void QtSerialPort::handleReadyRead() {
    // readyRead coalesces arrivals: one notification may stand for many bytes.
    if (onDataReceived) onDataReceived();
}

void QtSerialPort::handleError(QSerialPort::SerialPortError error) {
    // A vanished tty shows up as ResourceError, or with some Qt versions as ReadError repeated
    // in a tight loop; closing at the first one ends that loop.
    if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError) return;
    if (!port_.isOpen()) return;
    // A failed read leaves no meaningful system error behind (the read just ends), so it gets
    // our own words; a resource error carries the system's reason. Either is a short phrase
    // without a full stop, to stand inside a sentence.
    QString reason = error == QSerialPort::ResourceError
                         ? port_.errorString().trimmed()
                         : QStringLiteral("reading from the serial device failed");
    while (reason.endsWith(u'.')) reason.chop(1);
    if (reason.isEmpty()) reason = QStringLiteral("the serial device failed");
    close();
    if (onDeviceGone) onDeviceGone(reason.toStdString());
}

}  // namespace zepra
