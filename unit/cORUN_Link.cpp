// The transport half of the link: opening a serial port or a TCP connection, putting a
// command frame on the wire, and collecting reply frames byte by byte.
#include "unit/cORUN.h"

#include "app/SettingsGlobals.h"
#include "app/VBConv.h"
#include "app/cErrHandler.h"
#include "app/modFileUtil.h"
#include "app/modWait.h"
#include "platform/Clock.h"
#include "platform/ProgramFolder.h"
#include "platform/RuntimeError.h"
#include "platform/SPort.h"
#include "platform/Winsock.h"
#include "platform/ccrpTimer.h"

#include <QPointer>

namespace {
// The error reported when the unit did not take the shutdown's stop (a connection timed out).
constexpr int kUnitSilentAtExit = 10060;
}  // namespace

bool cORUN::CommInit(int lPort, int ePort, const QString& eAddr, Winsock* eCtrl) {
    bool result = false;
    bool connecting = false;
    {
        const ProcTrace trace(Err(), QStringLiteral("cORUN_CommInit"));
        try {
            CommPort_ = lPort;
            ePort_ = ePort;
            EAddress_ = eAddr;
            Command_.clear();
            Response_.clear();
            AskDue_ = -1;
            // The socket stays held until another one is given: a TCP call without a
            // socket goes on sending through it, also after a pick of no port or of a
            // serial port, which only stop using it.
            if (lPort >= 1 && lPort <= 9) {
                Port_->Close();
                if (Port_->Open(QStringLiteral("COM%1").arg(lPort))) {
                    Port_->SetSettings(QStringLiteral("115200,N,8,1"));
                    Port_->Purge();
                    result = true;
                }
            } else if (lPort == 10) {
                if (!eCtrl) return true;
                // Inside a connect's wait the peer's close raises the link failure, whose
                // handler asks for the next connect: that attempt is the one still waiting.
                if (Connecting_) return false;
                if (!ConnectDue()) {
                    // The reply time-out comes round and tries again.
                    if (!ORUNTimer_->Enabled()) ORUNTimer_->setEnabled(true);
                    return false;
                }
                HoldSocket(eCtrl);
                eCtrl->setRemotePort(ePort);
                eCtrl->setRemoteHost(eAddr);
                eCtrl->Connect();
                connecting = true;
            }
        } catch (...) {
            ReportError();
        }
    }
    if (!connecting) return result;
    // The wait lets every event run, the end of the program included: the link (and its
    // trace) may be gone when it returns, so it runs outside the traced part.
    const QPointer<cORUN> self(this);
    ++Waiting_;
    Connecting_ = true;
    modWait::Wait(OrunTiming::TcpConnectMs);
    if (!self) return false;
    Connecting_ = false;
    --Waiting_;
    return !Socket_.isNull() && Socket_->State() == Winsock::sckConnected;
}

bool cORUN::ConnectDue() {
    const int64_t now = TickMs();
    if (AttemptedConnect_ && now - LastConnectTick_ < OrunTiming::ReconnectPaceMs) return false;
    AttemptedConnect_ = true;
    LastConnectTick_ = now;
    return true;
}

void cORUN::HoldSocket(Winsock* socket) {
    if (Socket_ == socket) return;
    if (Socket_) disconnect(Socket_, &Winsock::Closed, this, &cORUN::Socket_Closed);
    Socket_ = socket;
    connect(socket, &Winsock::Closed, this, &cORUN::Socket_Closed);
}

// The unit closed or reset the connection: no reply can come over it, and the window must
// not show the last reading as current until the reply time-out. The link fails at once,
// as after a time-out, once the socket's own handling of the close is over (the reset
// connects that very socket again).
void cORUN::Socket_Closed() {
    if (CommPort_ != 10 || linkLost_) return;
    linkLost_ = true;
    QMetaObject::invokeMethod(this, &cORUN::LinkLost, Qt::QueuedConnection);
}

void cORUN::LinkLost() {
    if (!linkLost_) return;
    linkLost_ = false;
    // The link was moved off TCP, or is connected again, meanwhile: nothing is lost now.
    if (CommPort_ != 10 || Socket_.isNull() || Socket_->State() == Winsock::sckConnected) return;
    ORUNTimer_Timer();
}

bool cORUN::CanWrite() const {
    if (CommPort_ >= 1 && CommPort_ <= 9) return Port_->IsOpen();
    if (CommPort_ == 10) return !Socket_.isNull() && Socket_->State() == Winsock::sckConnected;
    return false;
}

bool cORUN::FinishShutdown(int ms) {
    // A unit that never answered was never driven by this program.
    if (!Enabled_ || !Answered_) return Idle();
    // Without a transport nothing can go out; a serial port that does not open will not
    // open now. A TCP link that dropped is connected again by the resends.
    if (CommPort_ < 1 || CommPort_ > 10) return Idle();
    if (CommPort_ <= 9 && !CanWrite()) {
        ReportStopGivenUp();
        return false;
    }
    Terminating_ = true;
    ORUNTimer_->setInterval(OrunTiming::StopResendMs);
    PutStopFirst(true);
    const QPointer<cORUN> self(this);
    ++Waiting_;
    const bool done = modWait::WaitUntil([&] { return !self || Idle(); }, ms);
    if (!self) return false;
    --Waiting_;
    if (!done) ReportStopGivenUp();
    return done;
}

void cORUN::ReportStopGivenUp() {
    StopGivenUp_ = true;
    // Written to the error report here; the operator, when there is one, is told by the
    // window that closes.
    cErrHandler& err = Err();
    const bool shows = err.DisplayMsgOnError();
    err.setDisplayMsgOnError(false);
    {
        const ProcTrace trace(err, QStringLiteral("cORUN_FinishShutdown"));
        err.HandleError(RuntimeError(kUnitSilentAtExit,
                                     QStringLiteral("The unit did not take the shutdown's stop (zero powers, relay word, "
                                                    "emission off) within %1 ms: it may still drive its outputs.")
                                         .arg(OrunTiming::ShutdownStopMs)));
    }
    err.setDisplayMsgOnError(shows);
}

bool cORUN::WriteFrame(const QString& T) {
    // The text as the unit's one-byte characters (anything else goes as "?"), framed in
    // place: a command costs no allocation on its way to the wire.
    uint8_t text[OrunFrame::kMaxText];
    const qsizetype count = T.size();
    if (count > OrunFrame::kMaxText) return false;
    for (qsizetype i = 0; i < count; ++i) {
        const char16_t c = T.at(i).unicode();
        text[i] = c < 256 ? static_cast<uint8_t>(c) : static_cast<uint8_t>('?');
    }
    const size_t n = OrunFrame::BuildFrame(text, static_cast<size_t>(count), txFrame_);
    if (n == 0) return false;
    const char* bytes = reinterpret_cast<const char*>(txFrame_);
    if (CommPort_ >= 1 && CommPort_ <= 9) {
        if (!Port_->IsOpen()) return false;
        if (T == QLatin1String("@")) Port_->Purge();
        Port_->Write(bytes, static_cast<qint64>(n));
    } else if (CommPort_ == 10) {
        if (Socket_.isNull() || Socket_->State() != Winsock::sckConnected) return false;
        Socket_->SendData(QByteArrayView(bytes, static_cast<qsizetype>(n)));
    } else {
        return false;
    }
    // Whatever ends the program from here, the unit's last stop goes down this link.
    KeepLastStop(false);
    return true;
}

void cORUN::Port_RxData(int count) {
    const QPointer<cORUN> self(this);
    try {
        qint64 left = count;
        while (left > 0) {
            const qint64 want = left < static_cast<qint64>(sizeof rxChunk_) ? left : sizeof rxChunk_;
            const qint64 got = Port_->Read(rxChunk_, want);
            if (got <= 0) break;
            ParseResponses(QByteArrayView(rxChunk_, got));
            if (!self) return;
            left -= got;
        }
    } catch (...) {
        ReportError("cORUN_Port_RxData");
    }
}

QString cORUN::ParseResponse(uint8_t RcvByte) {
    if (Rx_.Feed(RcvByte)) FrameReceived();
    return {};
}

void cORUN::ParseResponses(QByteArrayView bytes) {
    const QPointer<cORUN> self(this);
    for (const char c : bytes) {
        if (!Rx_.Feed(static_cast<uint8_t>(c))) continue;
        try {
            FrameReceived();
        } catch (...) {
            // The next frame is taken as usual; the link reports its own faults.
        }
        // A reply handler may have ended the program, and the link with it.
        if (!self) return;
    }
}

void cORUN::FrameReceived() {
    // The reply text: after the acknowledgement, up to the blank.
    const QByteArrayView text = Rx_.Slice(3);
    Response_ = QString::fromLatin1(text.data(), text.size());
    const bool good = Rx_.CheckOk() && Rx_.Bytes()[2] == 'A';
    // The late answer to a command the shutdown gave up: the stop's own is still awaited.
    if (good && StaleStopReply(Response_)) return;
    // The answer to an earlier ask of an exchange already answered.
    if (good && StaleReply(Response_)) return;
    if (!good && BadFrames_ >= kBadFrameResends) {
        // The command was asked for often enough on a line that garbles or echoes every
        // frame: still unanswered, so its reply timer runs on and the time-out resets the
        // link instead of a resend storm at the speed of the line.
        if (Debug == 3) LogBadFrame();
        emit ORUNError(0, 1);
        return;
    }
    ORUNTimer_->setEnabled(false);
    CommStatus_ = 0;
    if (good) {
        BadFrames_ = 0;
        const int verdict = NoteAnswered();
        const QPointer<cORUN> self(this);
        DoResponse(Response_);
        // The reply is handled first: an identification among them judges for itself.
        if (self && verdict >= 0 && Suspect_) EndSuspect(verdict == 1);
        return;
    }
    if (Debug == 3) LogBadFrame();
    NoteLoss(false);  // garbled, but the unit answered
    emit ORUNError(0, 1);
    ORUNTimer_->setEnabled(true);
    if (++BadFrames_ >= kBadFrameResends) {
        CommStatus_ = 1;
        return;
    }
    // Ask again at once; a garbled reading is asked for in its repeat form.
    if (Response_.startsWith(QLatin1Char('G'))) Resend(QStringLiteral("g"));
    else Resend(Command_);
}

void cORUN::LogBadFrame() {
    const int stored = Rx_.Stored();
    const uint8_t* b = Rx_.Bytes();
    QString line = vb::Format(Now(), QStringLiteral("Long Time")) + QStringLiteral(", CRC Error: ");
    for (int i = 0; i <= stored - 3; ++i) line += QChar(b[i]);
    for (int i = stored - 2 < 0 ? 0 : stored - 2; i < stored; ++i)
        line += QLatin1Char(' ') + QString::number(b[i]);
    modFileUtil::AppendToTextFile(InProgramFolder(QStringLiteral("CommErrors.txt")), line);
}
