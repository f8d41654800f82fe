// The serial exchanges with the instrument: framed queries to its running firmware and
// raw boot-loader commands, both answered by framed replies.
#include "flash/frmMain.h"

#include "app/VBConv.h"
#include "flash/FlashUtil.h"
#include "platform/Clock.h"
#include "platform/MSComm.h"
#include "platform/RuntimeError.h"

#include <QCoreApplication>
#include <QTimer>

#include <cmath>

namespace NorvikFlash {
namespace {

constexpr int64_t kQueryWaitMs = 1000;

}  // namespace

void frmMain::pumpUntil(int64_t deadline) {
    const int64_t left = deadline - TickMs();
    if (left <= 0 || MSComm1->InBufferCount() > 0) {
        QCoreApplication::processEvents();
        return;
    }
    // Arriving bytes wake the wait as any other event does; the timer ends it at the
    // deadline.
    QTimer wake;
    wake.setSingleShot(true);
    wake.start(static_cast<int>(std::min<int64_t>(left, 1000)));
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void frmMain::discardInput() {
    while (MSComm1->InBufferCount() > 0) MSComm1->Input();
}

QString frmMain::CommTx(const QString& query) {
    if (CommStatus_ == csPending) return {};
    SetCommStatus(csPending);
    const QByteArray frame = QueryFrame(query.toLatin1());
    RxText.clear();
    try {
        if (frame.isEmpty()) throw RuntimeError(5, QStringLiteral("Invalid procedure call or argument"));
        discardInput();
        MSComm1->Output(frame);
    } catch (const RuntimeError&) {
        SetCommStatus(csNoReply);
        return {};
    }
    return CommRx();
}

QString frmMain::CommRx() {
    const int64_t start = TickMs();
    while (CommStatus_ == csPending) {
        pumpUntil(start + kQueryWaitMs);
        const int64_t elapsed = TickMs() - start;
        if (elapsed > kQueryWaitMs) {
            SetCommStatus(csNoReply);
        } else if (MSComm1->InBufferCount() > 0) {
            const QByteArray b = MSComm1->Input();
            if (!b.isEmpty()) CommRxByte(static_cast<uint8_t>(b[0]));
        }
    }
    return CommStatus_ == csReplyOk ? vb::Trim(QString::fromLatin1(RxText)) : QString();
}

void frmMain::CommRxByte(uint8_t b) {
    int16_t status = CommStatus_;
    QByteArray body;
    if (!FramedReplyByte(RxFrame, b, status, body)) return;
    SetCommStatus(status);
    if (status == csReplyOk) RxText = body;
}

bool frmMain::SendCommand() {
    ReplyDone = false;
    portFailed_ = false;
    RxText.clear();
    rxDescribed_ = false;
    const int64_t start = TickMs();
    const int64_t timeout = std::llround(static_cast<double>(TimeOutSeconds) * 1000.0);
    const char command = CmdBuffer.isEmpty() ? '\0' : CmdBuffer[0];
    try {
        discardInput();
        MSComm1->Output(CmdBuffer);
        if (command == 'B' || command == 'b') MSComm1->Output(BlockBuffer);
        while (!ReplyDone) {
            if (TickMs() - start >= timeout) {
                RxText = TimeoutText();
                rxDescribed_ = true;
                ReplyDone = true;
                return false;
            }
            pumpUntil(start + timeout);
            while (!ReplyDone && MSComm1->InBufferCount() > 0) {
                const QByteArray c = MSComm1->Input();
                if (!c.isEmpty() && BootReplyByte(RxFrame, RxText, static_cast<uint8_t>(c[0]))) {
                    FrameOk = true;
                    ReplyDone = true;
                }
            }
        }
    } catch (const RuntimeError& e) {
        // The port itself failed (closed, unplugged): no reply can come.
        RxText = e.description.toLatin1();
        rxDescribed_ = true;
        ReplyDone = true;
        portFailed_ = true;
        return false;
    }
    switch (command) {
    case '!':
        RxText = RxText.size() > 4 ? RxText.mid(2, RxText.size() - 4) : QByteArray();
        return true;
    case 'A':
    case 'a':
        return RxText.size() >= 4 && RxText.mid(RxText.size() - 4, 2) == "80";
    case 'B':
    case 'b':
    case 'D':
    case 'd':
        return true;
    default:
        return false;
    }
}

QString frmMain::Awaited() const {
    const char command = CmdBuffer.isEmpty() ? '\0' : CmdBuffer[0];
    switch (command) {
    case '!': return QStringLiteral("the search");
    case 'A':
    case 'a':
        return CmdBuffer.size() > 1 ? QStringLiteral("the erase of block ") + vb::Hex(static_cast<uint8_t>(CmdBuffer[1]))
                                    : QStringLiteral("the erase");
    case 'B':
    case 'b':
        // Outside a run there is no block count to tell.
        return BlockCount > 0 ? QStringLiteral("block %1 of %2").arg(blockInFlight_).arg(BlockCount)
                              : QStringLiteral("the block");
    case 'D':
    case 'd': return QStringLiteral("the done command");
    default: return QStringLiteral("the command");
    }
}

QByteArray frmMain::TimeoutText() const {
    // What was sent and for how long its reply was awaited, then what arrived of it (a
    // partial reply, or one whose check characters were wrong, its check characters in
    // hexadecimal): the line tells what timed out even when nothing came back.
    const QString seconds = QString::number(static_cast<double>(TimeOutSeconds), 'f', 1);
    QByteArray text = "Timeout: " +
                      (RxText.isEmpty() ? QStringLiteral("no reply to %1 within %2 s")
                                        : QStringLiteral("no valid reply to %1 within %2 s, received: "))
                          .arg(Awaited(), seconds)
                          .toLatin1();
    return text + ReplyText(RxText).toLatin1();
}

QString frmMain::RxShown() const { return rxDescribed_ ? QString::fromLatin1(RxText) : ReplyText(RxText); }

bool frmMain::CommOpen(int port, int32_t rate) {
    if (port < 1 || port > 9) return false;
    try {
        CommSetOpen();
        MSComm1->setCommPort(static_cast<int16_t>(port));
        if (MSComm1->PortOpen()) MSComm1->setPortOpen(false);
        MSComm1->setPortOpen(true);
        // No handshaking, nulls kept and no end-of-file handling are the control's own
        // settings; DTR and RTS stay low so the instrument is not reset or held.
        MSComm1->setSettings(QStringLiteral("38400,N,8,1"));
        MSComm1->setDTREnable(false);
        MSComm1->setRTSEnable(false);
        MSComm1->setPortOpen(false);
        MSComm1->setInputLen(1);
        MSComm1->setPortOpen(true);
        SetBaudRate(*MSComm1, rate);
        return true;
    } catch (const RuntimeError&) {
        return false;
    }
}

bool frmMain::CommSetOpen() {
    try {
        if (!MSComm1->PortOpen()) MSComm1->setPortOpen(true);
        MSComm1->setPortOpen(false);
        return true;
    } catch (const RuntimeError&) {
        return false;
    }
}

}  // namespace NorvikFlash
