#pragma once
// The remote-control server: answers the requests of the remote protocol that arrive on
// its serial port, its TCP listener or the outside relay, each on the way it came. One
// instance, gComm, made at start-up and released at shutdown; its own settings live in the
// [SftwComm] section of the configuration file, which it reads in Init and writes back
// when it is released.
//
// A request is "@", two command letters, ";"-separated fields, ";", a two-digit checksum
// and CR, e.g. "@QP;5;74\r". The reply echoes the request's first four characters, then
// ACK (with ";" and a value for a query) or NAK, ";" and a two-digit code (NakCode), then
// ";", its own checksum and CR.
//
// Members live in files by concern: cComm.cpp (settings, endpoints), cComm_Receive.cpp
// (framing, transmit, relay), cComm_Dispatch.cpp (checksum, dispatch, the command table)
// and one file per command family.
#include "app/Globals.h"
#include "remote/RequestCollector.h"
#include "remote/protocol/NakCode.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <memory>

class BrevoxComm;
class MSComm;
class Winsock;

class cComm : public QObject {
    Q_OBJECT
public:
    // Binds the outside relay when one is installed; without it the server works on its
    // serial port and TCP listener alone.
    explicit cComm(QObject* parent = nullptr);
    // Writes [SftwComm] back to the configuration file.
    ~cComm() override;

    // One received character of the remote protocol from the serial endpoint (taken only
    // while RS232Enabled) or from the TCP endpoint (taken only while EthernetLocalPort is
    // above 0); the main window hands them over one at a time, in arrival order. A CR
    // answers the frame collected so far on the same endpoint.
    void RS232RcvData(const QString& sChar);
    void EthernetRcvData(const QString& sChar);

    // Keeps the serial control, the TCP server control and the configuration file path,
    // reads [SftwComm], sets the serial-enabled flag for a configured port (the port is
    // opened by setting RS232Enabled), and starts the TCP listener on a port of 0 or more
    // (when a TCP control is given).
    void Init(MSComm* oMSComm, Winsock* oWinsock, const QString& sIniFile);

    // True opens the serial port RS232Port at RS232Baud ("9600,N,8,1"); the flag is set
    // when that worked and cleared when not. False only clears the flag: an open port
    // stays open and what arrives on it is ignored.
    bool RS232Enabled() const { return RS232Enabled_; }
    void setRS232Enabled(bool value);
    // Serial rate in bits per second; used when the port is next enabled.
    int32_t RS232Baud() const { return RS232Baud_; }
    void setRS232Baud(int32_t lRate) { RS232Baud_ = lRate; }
    // Serial port 1..9 (COM1..COM9), 0 = none; used when the port is next enabled.
    int16_t RS232Port() const { return RS232Port_; }
    void setRS232Port(int16_t nPort) { RS232Port_ = nPort; }

    // The TCP control's peer (name, address, port) and its own address. The peer's port
    // is a 32-bit value: clients usually connect from ports above 32767.
    QString EthernetRemoteHost() const;
    QString EthernetRemoteIP() const;
    int32_t EthernetRemotePort() const;
    QString EthernetLocalIP() const;
    // TCP listening port (up to 65535); negative = no listener. Setting another port
    // closes the TCP control and, for a port of 0 or more, listens on it; a port that
    // cannot be listened on is reported and the stored port stays.
    int32_t EthernetLocalPort() const;
    void setEthernetLocalPort(int32_t nPort);

    // Writes [SftwComm]: Port, BaudRate, EthernetPort.
    void IniWrite();

signals:
    // A request received: the frame without its CR from the serial port or TCP, the whole
    // text as delivered from the relay.
    void CommRx(const QString& sRcv);
    // A reply sent: the whole frame, checksum and CR included.
    void CommTx(const QString& sXmt);

private:
    // ---- Framing and transmit (cComm_Receive.cpp) ----
    // The reply to a finished frame of one endpoint: the frame's first four characters
    // and the dispatcher's body.
    QString ReplyText(int16_t nSource, const QString& sFrame);
    // The reply text as a frame: the text, ";", the checksum of both, CR.
    static QString ReplyFrame(const QString& sText);
    void RS232XmtData(const QString& sText);
    void EthernetXmtData(const QString& sText);
    void ORUNEvent_CommandEvent(const QString& sText);

    // ---- Dispatch (cComm_Dispatch.cpp) ----
    // The body of the reply to a request frame without its CR: ACK or NAK and what
    // follows them, without echo, final ";", checksum and CR. nSource is where the
    // request came from: 0 the relay, 1..9 the serial port, 10 TCP.
    QString MsgResponse(int16_t nSource, const QString& sMsg);
    // Exclusive-or of the 8-bit character codes as two upper-case hexadecimal digits.
    static QString CalcChkSum(const QString& sText);

    // A command handler takes the request without its checksum field (";" and the two
    // digits), e.g. "@QP;5", and returns the reply body. A handler may throw: the
    // dispatcher answers any failure inside it with NAK 06.
    using Handler = QString (cComm::*)(const QString& sMsg);
    // The handler of a command ("@" and the two letters, exact case) from the command
    // table; null for a command the server does not have.
    static Handler FindHandler(const QString& sCommand);

    // Reply bodies.
    static QString Ack();
    static QString Ack(const QString& sValue);
    static QString Nak(NakCode code);
    // Field n (from 1) of a request as the handlers read it: a field past the last one
    // starts again at the first ("@UP;36" gives "@UP" as field 3).
    static QString Field(const QString& sMsg, int n);
    // Field 2, the parameter number: its leading number rounded half to even to a 16-bit
    // integer; 0 when it holds no number; a number outside the 16-bit range throws.
    static int16_t ParamNumber(const QString& sMsg);

    // ---- Handlers, one file per command family ----
    QString MsgQP(const QString& sMsg);
    QString MsgUP(const QString& sMsg);
    QString MsgQS(const QString& sMsg);
    QString MsgUS(const QString& sMsg);
    QString MsgQU(const QString& sMsg);
    QString MsgUU(const QString& sMsg);
    QString MsgQL(const QString& sMsg);
    QString MsgUL(const QString& sMsg);
    QString MsgQF(const QString& sMsg);
    QString MsgUF(const QString& sMsg);
    QString MsgQV(const QString& sMsg);
    QString MsgUV(const QString& sMsg);
    QString MsgQM(const QString& sMsg);
    // The branches of @UP (cComm_Process.cpp), each giving the reply body to parameter n
    // with its value text.
    QString UpRun(cApp& app, int16_t n, const QString& text);
    QString UpSelectProcess(cApp& app, const QString& text);
    QString UpStart(cApp& app);
    QString UpSensorsAndLog(int16_t n, const QString& text);
    QString UpChannels(int16_t n, const QString& text);

    // ---- Manual power of a channel on the client's behalf (cComm_ManualPower.cpp) ----
    // Manual power on at sPercent (a whole 0..100 after rounding; the box shows it with one
    // decimal and the unit gets it as sent): 0 done, -1 refused (the channel's manual-power
    // box is not shown, or the power is out of range).
    int16_t SetManualPower(int16_t nChan, const QString& sPercent);
    // sValue 1: back to automatic power; any other number: manual power at the power the
    // window shows. 0 done, -1 refused (the box is not shown).
    int16_t SetManualMode(int16_t nChan, const QString& sValue);

    // ---- Settings (cComm.cpp) ----
    void IniRead();

    QString IniFile_;
    QPointer<MSComm> MSComm_;
    QPointer<Winsock> Winsock_;
    bool RS232Enabled_ = false;
    int16_t RS232Port_ = 0;
    int32_t RS232Baud_ = 0;
    int32_t EthernetLocalPort_ = 0;
    RequestCollector RS232Buffer_;
    RequestCollector EthernetBuffer_;
    // The relay's communication object; null without a relay.
    std::unique_ptr<BrevoxComm> ORUNEvent_;
};
