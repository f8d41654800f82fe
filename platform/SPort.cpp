#include "platform/SPort.h"

#include "platform/ComPortName.h"
#include "platform/RuntimeError.h"

#include <QStringList>

namespace {
struct SerialSettings {
    qint32 baud = 9600;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits data = QSerialPort::Data8;
    QSerialPort::StopBits stop = QSerialPort::OneStop;
};

bool parseSettings(const QString& text, SerialSettings& out) {
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4) return false;
    bool ok = false;
    out.baud = parts[0].trimmed().toInt(&ok);
    if (!ok || out.baud <= 0) return false;
    const QString p = parts[1].trimmed().toUpper();
    if (p == "N") out.parity = QSerialPort::NoParity;
    else if (p == "E") out.parity = QSerialPort::EvenParity;
    else if (p == "O") out.parity = QSerialPort::OddParity;
    else if (p == "M") out.parity = QSerialPort::MarkParity;
    else if (p == "S") out.parity = QSerialPort::SpaceParity;
    else return false;
    const int d = parts[2].trimmed().toInt(&ok);
    if (!ok || d < 5 || d > 8) return false;
    out.data = static_cast<QSerialPort::DataBits>(d);
    const QString s = parts[3].trimmed();
    if (s == "1") out.stop = QSerialPort::OneStop;
    else if (s == "1.5") out.stop = QSerialPort::OneAndHalfStop;
    else if (s == "2") out.stop = QSerialPort::TwoStop;
    else return false;
    return true;
}

void apply(QSerialPort& port, const SerialSettings& s) {
    port.setBaudRate(s.baud);
    port.setParity(s.parity);
    port.setDataBits(s.data);
    port.setStopBits(s.stop);
    port.setFlowControl(QSerialPort::NoFlowControl);
}
}  // namespace

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
    parseSettings(settings_, s);
    apply(port_, s);
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
    if (!parseSettings(settings, s)) throw RuntimeError(380, QStringLiteral("Invalid property value"));
    settings_ = settings;
    if (port_.isOpen()) apply(port_, s);
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
