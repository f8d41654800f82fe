// The three ways in: characters from the serial port and from TCP, framed per endpoint,
// and whole requests from the outside relay. Each request is answered on its own way.
#include "remote/cComm.h"

#include "app/VBConv.h"
#include "app/cErrHandler.h"
#include "platform/Brevox.h"
#include "platform/MSComm.h"
#include "platform/Winsock.h"

namespace {
template <typename T>
T& Control(const QPointer<T>& ctl) {
    if (!ctl) throw RuntimeError::ObjectNotSet();
    return *ctl;
}

constexpr int16_t kSourceRelay = 0;
constexpr int16_t kSourceTcp = 10;
}  // namespace

QString cComm::ReplyText(int16_t nSource, const QString& sFrame) {
    return vb::Left(sFrame, 4) + MsgResponse(nSource, sFrame);
}

QString cComm::ReplyFrame(const QString& sText) {
    const QString text = sText + u';';
    return text + CalcChkSum(text) + u'\r';
}

void cComm::RS232RcvData(const QString& sChar) {
    ORUN_PROC("cComm_RS232RcvData");
    try {
        if (!RS232Enabled_) return;
        for (const QChar c : sChar) {
            if (!RS232Buffer_.Feed(c)) continue;
            // The frame is kept apart: a handler that waits lets further characters in.
            const QString frame = RS232Buffer_.Text();
            RS232XmtData(ReplyText(RS232Port_, frame));
            emit CommRx(frame);
        }
    } catch (...) {
        gErr.HandleError();
    }
}

// Errors are skipped: the next request is framed afresh.
void cComm::EthernetRcvData(const QString& sChar) {
    try {
        if (EthernetLocalPort() <= 0) return;
        for (const QChar c : sChar) {
            if (!EthernetBuffer_.Feed(c)) continue;
            const QString frame = EthernetBuffer_.Text();
            EthernetXmtData(ReplyText(kSourceTcp, frame));
            emit CommRx(frame);
        }
    } catch (...) {
    }
}

// Sent only while the port is open. What arrived meanwhile stays in the port's input: a
// client may send its next request before this reply is out.
void cComm::RS232XmtData(const QString& sText) {
    ORUN_PROC("cComm_RS232XmtData");
    try {
        MSComm& port = Control(MSComm_);
        if (!port.PortOpen()) return;
        const QString frame = ReplyFrame(sText);
        port.Output(frame.toLatin1());
        emit CommTx(frame);
    } catch (...) {
        gErr.HandleError();
    }
}

// Sent only while a client is connected; a reply to a client that has just gone is
// dropped.
void cComm::EthernetXmtData(const QString& sText) {
    ORUN_PROC("cComm_EthernetXmtData");
    try {
        Winsock& socket = Control(Winsock_);
        if (socket.State() != Winsock::sckConnected) return;
        const QString frame = ReplyFrame(sText);
        socket.SendData(frame.toLatin1());
        emit CommTx(frame);
    } catch (...) {
        gErr.HandleError();
    }
}

// A request of zero length is an error and gets no reply. The echo is taken from the
// request without its CR, as on the other endpoints, so that a short request's CR never
// ends the reply frame early.
void cComm::ORUNEvent_CommandEvent(const QString& sText) {
    ORUN_PROC("cComm_ORUNEvent_CommandEvent");
    try {
        emit CommRx(sText);
        const QString request = vb::Left(sText, vb::Len(sText) - 1);
        const QString frame = ReplyFrame(ReplyText(kSourceRelay, request));
        if (!ORUNEvent_) throw RuntimeError::ObjectNotSet();
        ORUNEvent_->Reply(frame);
        emit CommTx(frame);
    } catch (...) {
        gErr.HandleError();
    }
}
