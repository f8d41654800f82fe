#include "platform/SerialSettings.h"

#include <QStringList>

bool SerialSettings::Parse(const QString& text, SerialSettings& out) {
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

void SerialSettings::ApplyTo(QSerialPort& port) const {
    port.setBaudRate(baud);
    port.setParity(parity);
    port.setDataBits(data);
    port.setStopBits(stop);
    port.setFlowControl(QSerialPort::NoFlowControl);
}
