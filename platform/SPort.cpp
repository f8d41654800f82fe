#include "platform/SPort.h"

#include "platform/ComPortName.h"
#include "platform/RuntimeError.h"
#include "platform/SerialSettings.h"



SPort::SPort(QObject* parent) : QObject(parent) {
    connect(&port_, &QSerialPort::readyRead, this,
            [this] { emit RxData(static_cast<int>(port_.bytesAvailable())); });
    connect(&port_, &QSerialPort::errorOccurred, this, &SPort::onError);
}

SPort::~SPort() { Close(); }

bool SPort::Open(const QString& name) {
    Close();
    port_.setPortName(ComPortDevice(name));
    SerialSettings s;
    SerialSettings::Parse(settings_, s);
    s.ApplyTo(port_);
    if (!port_.open(QIODevice::ReadWrite)) {
        port_.clearError();
        return false;
    }
    return true;
}

void SPort::Close() {
    if (port_.isOpen()) port_.close();
}

void SPort::SetSettings(const QString& settings) {
    SerialSettings s;
    if (!SerialSettings::Parse(settings, s)) throw RuntimeError(380, QStringLiteral("Invalid property value"));
    settings_ = settings;
    if (port_.isOpen()) s.ApplyTo(port_);
}

void SPort::Purge() {
    if (!port_.isOpen()) return;
    port_.clear(QSerialPort::AllDirections);
    // Bytes Qt has already taken from the device sit in its own buffer.
    port_.readAll();
}

qint64 SPort::Write(const char* data, qint64 count) {
    if (!port_.isOpen() || count <= 0) return 0;
    const qint64 n = port_.write(data, count);
    return n < 0 ? 0 : n;
}

qint64 SPort::Read(char* buf, qint64 max) {
    if (!port_.isOpen() || max <= 0) return 0;
    const qint64 n = port_.read(buf, max);
    return n < 0 ? 0 : n;
}

void SPort::onError(QSerialPort::SerialPortError error) {
    if (error == QSerialPort::NoError) return;
    // An unplugged adapter must be closed, or its device comes back under another name.
    if (error == QSerialPort::ResourceError && port_.isOpen()) port_.close();
    emit CommError(static_cast<int>(error));
}
