#include "platform/MSComm.h"

#include "platform/ComPortName.h"
#include "platform/RuntimeError.h"
#include "platform/SerialSettings.h"

namespace {
RuntimeError notOpen() { return {8012, QStringLiteral("The device is not open")}; }
RuntimeError alreadyOpen() { return {8005, QStringLiteral("Port already open")}; }
RuntimeError invalidPort() { return {8002, QStringLiteral("Invalid port number")}; }
}  // namespace

MSComm::MSComm(QObject* parent) : QObject(parent) {
    connect(&port_, &QSerialPort::readyRead, this, &MSComm::onReadyRead);
    connect(&port_, &QSerialPort::errorOccurred, this, &MSComm::onError);
    connect(&port_, &QSerialPort::bytesWritten, this, &MSComm::onBytesWritten);
}

void MSComm::setInBufferSize(int n) {
    inBufferSize_ = n < 0 ? 0 : n;
    port_.setReadBufferSize(inBufferSize_);
}

int MSComm::OutBufferCount() const { return port_.isOpen() ? static_cast<int>(port_.bytesToWrite()) : 0; }

void MSComm::onBytesWritten() {
    if (sThreshold_ < 1 || port_.bytesToWrite() >= sThreshold_) return;
    commEvent_ = comEvSend;
    emit OnComm();
}

MSComm::~MSComm() {
    if (port_.isOpen()) port_.close();
}

void MSComm::setCommPort(int16_t n) {
    if (port_.isOpen()) throw alreadyOpen();
    if (n < 1 || n > 255) throw invalidPort();
    commPort_ = n;
}

void MSComm::setSettings(const QString& s) {
    SerialSettings parsed;
    if (!SerialSettings::Parse(s, parsed)) throw RuntimeError(380, QStringLiteral("Invalid property value"));
    settings_ = s;
    if (port_.isOpen()) parsed.ApplyTo(port_);
}

void MSComm::setPortOpen(bool open) {
    if (!open) {
        if (port_.isOpen()) port_.close();
        return;
    }
    if (port_.isOpen()) throw alreadyOpen();
    port_.setPortName(ComPortDevice(QStringLiteral("COM%1").arg(commPort_)));
    SerialSettings s;
    SerialSettings::Parse(settings_, s);
    s.ApplyTo(port_);
    if (!port_.open(QIODevice::ReadWrite)) {
        port_.clearError();
        throw invalidPort();
    }
    port_.setDataTerminalReady(dtr_);
    port_.setRequestToSend(rts_);
}

void MSComm::setDTREnable(bool on) {
    dtr_ = on;
    if (port_.isOpen()) port_.setDataTerminalReady(on);
}

void MSComm::setRTSEnable(bool on) {
    rts_ = on;
    if (port_.isOpen()) port_.setRequestToSend(on);
}

int MSComm::InBufferCount() const {
    return port_.isOpen() ? static_cast<int>(port_.bytesAvailable()) : 0;
}

QByteArray MSComm::Input() {
    if (!port_.isOpen()) throw notOpen();
    return inputLen_ > 0 ? port_.read(inputLen_) : port_.readAll();
}

void MSComm::Output(const QByteArray& bytes) {
    if (!port_.isOpen()) throw notOpen();
    port_.write(bytes);
}

void MSComm::onReadyRead() {
    if (rThreshold_ < 1 || port_.bytesAvailable() < rThreshold_) return;
    commEvent_ = comEvReceive;
    emit OnComm();
}

void MSComm::onError(QSerialPort::SerialPortError error) {
    switch (error) {
    case QSerialPort::NoError:
        return;
    case QSerialPort::ResourceError:
        // An unplugged adapter: close now, or the device comes back under another name.
        port_.clearError();
        if (port_.isOpen()) port_.close();
        return;
    default:
        port_.clearError();
        return;
    }
}
