#pragma once
// The serial-port component the controller link was written against: open by name
// ("COM3"), a settings text such as "115200,N,8,1", purge, write a run of bytes, read up
// to a count, and two events: bytes waiting, and an error. Built on QSerialPort; "COMn"
// names map to devices as ComPortDevice describes.
#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>

class SPort : public QObject {
    Q_OBJECT
public:
    explicit SPort(QObject* parent = nullptr);
    ~SPort() override;

    bool IsOpen() const { return port_.isOpen(); }
    // Opens the named port for reading and writing; false when it cannot be opened
    // (absent, busy, no permission). Any port already open is closed first.
    bool Open(const QString& name);
    void Close();

    // "baud,parity,data,stop", parity one of N E O M S (any case). A malformed text
    // raises RuntimeError 380 "Invalid property value"; the port keeps its settings.
    void SetSettings(const QString& settings);
    QString Settings() const { return settings_; }

    // Discards everything waiting in both directions.
    void Purge();
    // Writes the bytes in one call; returns the number accepted (0 when closed).
    qint64 Write(const char* data, qint64 count);
    qint64 Write(const QByteArray& bytes) { return Write(bytes.constData(), bytes.size()); }
    // Reads up to max bytes into buf; returns the number read.
    qint64 Read(char* buf, qint64 max);
    qint64 BytesWaiting() const { return port_.isOpen() ? port_.bytesAvailable() : 0; }

    QString DeviceName() const { return port_.portName(); }
    // The open port's descriptor, -1 when closed.
    int Handle() const { return port_.isOpen() ? static_cast<int>(port_.handle()) : -1; }

signals:
    // Bytes are waiting to be read; count is how many.
    void RxData(int count);
    // The port reported an error (QSerialPort::SerialPortError code). After a resource
    // error (device unplugged) the port has already been closed.
    void CommError(int code);

private:
    void onError(QSerialPort::SerialPortError error);

    QSerialPort port_;
    QString settings_ = QStringLiteral("9600,N,8,1");
};
