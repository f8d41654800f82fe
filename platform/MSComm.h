#pragma once
// The serial-port control of the remote-control endpoint, the test client and the
// programmer: CommPort (n names "COMn"), Settings ("9600,N,8,1"), PortOpen, RThreshold,
// InputLen, InBufferCount, Input, Output, DTREnable, RTSEnable and CommEvent, with the
// OnComm event raised on the user-interface thread. Built on QSerialPort; "COMn" maps to
// a device as ComPortDevice describes.
#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>

class MSComm : public QObject {
    Q_OBJECT
public:
    // CommEvent codes.
    enum : int {
        comEvSend = 1,
        comEvReceive = 2,
        comEvCTS = 3,
        comEvDSR = 4,
        comEvCD = 5,
        comEvRing = 6,
        comEventBreak = 1001,
        comEventFrame = 1004,
        comEventOverrun = 1006,
        comEventRxOver = 1008,
        comEventRxParity = 1009,
        comEventTxFull = 1010,
    };

    explicit MSComm(QObject* parent = nullptr);
    ~MSComm() override;

    // Port number n (the port "COMn"); 1..255. Changing it while the port is open raises
    // error 8005 "Port already open"; outside 1..255 error 8002 "Invalid port number".
    int16_t CommPort() const { return commPort_; }
    void setCommPort(int16_t n);

    // "baud,parity,data,stop"; a malformed text raises error 380 and keeps the settings.
    QString Settings() const { return settings_; }
    void setSettings(const QString& s);

    // Opening a port that cannot be opened (absent, busy, no permission) raises error
    // 8002 "Invalid port number"; opening an open port error 8005. Closing a closed port
    // does nothing.
    bool PortOpen() const { return port_.isOpen(); }
    void setPortOpen(bool open);

    // OnComm with comEvReceive is raised for received bytes when RThreshold is 1 or more.
    int RThreshold() const { return rThreshold_; }
    void setRThreshold(int n) { rThreshold_ = n; }
    // OnComm with comEvSend is raised when bytes have been sent and fewer than SThreshold
    // remain to send (0: never).
    int SThreshold() const { return sThreshold_; }
    void setSThreshold(int n) { sThreshold_ = n < 0 ? 0 : n; }
    // Bounds the received bytes the port holds not yet taken (0: no bound, the default);
    // a full buffer takes nothing more from the device until bytes are taken.
    int InBufferSize() const { return inBufferSize_; }
    void setInBufferSize(int n);
    // How many bytes Input takes; 0 = everything waiting.
    int InputLen() const { return inputLen_; }
    void setInputLen(int n) { inputLen_ = n < 0 ? 0 : n; }

    bool DTREnable() const { return dtr_; }
    void setDTREnable(bool on);
    bool RTSEnable() const { return rts_; }
    void setRTSEnable(bool on);

    // Bytes waiting to be read (0 when closed).
    int InBufferCount() const;
    // Bytes written and not yet sent (0 when closed).
    int OutBufferCount() const;
    // Takes InputLen waiting bytes (all when InputLen is 0); raises error 8012 when closed.
    QByteArray Input();
    // Writes the bytes; raises error 8012 "The device is not open" when closed.
    void Output(const QByteArray& bytes);
    // The text as one byte per character (Latin-1).
    void Output(const QString& text) { Output(text.toLatin1()); }

    // The code of the event being reported (see the enum).
    int CommEvent() const { return commEvent_; }

    // The device behind the port, for messages.
    QString DeviceName() const { return port_.portName(); }
    // The port's own handle (the device's file descriptor), for line settings the control
    // does not carry, such as a rate changed under the open port; -1 when closed.
    qintptr CommID() const { return port_.isOpen() ? static_cast<qintptr>(port_.handle()) : -1; }

signals:
    void OnComm();

private:
    void onReadyRead();
    void onBytesWritten();
    void onError(QSerialPort::SerialPortError error);

    QSerialPort port_;
    int16_t commPort_ = 1;
    QString settings_ = QStringLiteral("9600,N,8,1");
    int rThreshold_ = 0;
    int inputLen_ = 0;
    int sThreshold_ = 0;
    int inBufferSize_ = 0;
    bool dtr_ = false;
    bool rts_ = false;
    int commEvent_ = 0;
};
