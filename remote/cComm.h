#pragma once
// The remote-control server: answers requests of the remote protocol that arrive on its
// serial port or its TCP listener. One instance, gComm, made at start-up and released at
// shutdown; its own settings live in the [SftwComm] section of the configuration file,
// which it reads in Init and writes back when it is released.
#include "app/Globals.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <cstdint>

class cComm : public QObject {
    Q_OBJECT
public:
    explicit cComm(QObject* parent = nullptr);
    // Writes [SftwComm] back to the configuration file.
    ~cComm() override;

    // Keeps the serial control, the TCP server control and the configuration file path
    // (a path as written in settings), then reads [SftwComm]. The serial-enabled flag
    // follows the configured port (set for a port other than 0).
    void Init(QObject* oMSComm, QObject* oWinsock, const QString& sIniFile);

    // The serial endpoint of the remote protocol on or off.
    bool RS232Enabled() const { return RS232Enabled_; }
    void setRS232Enabled(bool value) { RS232Enabled_ = value; }
    // Serial rate in bits per second; used when the port is next enabled.
    int32_t RS232Baud() const { return RS232Baud_; }
    void setRS232Baud(int32_t lRate) { RS232Baud_ = lRate; }
    // Serial port 1..9 (COM1..COM9), 0 = none; used when the port is next enabled.
    int16_t RS232Port() const { return RS232Port_; }
    void setRS232Port(int16_t nPort) { RS232Port_ = nPort; }
    // TCP listening port; negative = no listener.
    int16_t EthernetLocalPort() const { return EthernetLocalPort_; }

    // One received character of the remote protocol from the serial endpoint or from the
    // TCP endpoint; the main window hands them over one at a time, in arrival order.
    void RS232RcvData(const QString& sChar);
    void EthernetRcvData(const QString& sChar);

    // Writes [SftwComm]: Port, BaudRate, EthernetPort.
    void IniWrite();

signals:
    // A request frame received from a remote-control client.
    void CommRx(const QString& sRcv);
    // A reply frame sent to a remote-control client.
    void CommTx(const QString& sXmt);

private:
    void IniRead();

    QString IniFile_;
    QPointer<QObject> MSComm_;
    QPointer<QObject> Winsock_;
    bool RS232Enabled_ = false;
    int16_t RS232Port_ = 0;
    int32_t RS232Baud_ = 0;
    int16_t EthernetLocalPort_ = 0;
};
