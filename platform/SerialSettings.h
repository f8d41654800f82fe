#pragma once
// The serial settings text of the original's port controls, "baud,parity,data,stop"
// (for example "115200,N,8,1"), parsed and applied to a QSerialPort.
#include <QSerialPort>
#include <QString>

struct SerialSettings {
    qint32 baud = 9600;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits data = QSerialPort::Data8;
    QSerialPort::StopBits stop = QSerialPort::OneStop;

    // False for a malformed text (wrong field count, parity other than N E O M S in any
    // case, data bits outside 5..8, stop bits other than 1, 1.5, 2); out is then partly set.
    static bool Parse(const QString& text, SerialSettings& out);
    // Rate, parity, data and stop bits, no flow control.
    void ApplyTo(QSerialPort& port) const;
};
