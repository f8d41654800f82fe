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

#include <QEventLoop>
#include <QPointer>
#include <QTimer>

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
    modWait::Wait(OrunTiming::TcpConnectMs);
    if (!self) return false;
    --Waiting_;
    return !Socket_.isNull() && Socket_->State() == Winsock::sckConnected;
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

bool cORUN::Drain(int ms) {
    if (Idle() || !Enabled_ || !CanWrite()) return Idle();
    const QPointer<cORUN> self(this);
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    // The last reply is reported after the queue has moved on, so an idle link then has
    // nothing more to send; a time-out means the unit is not answering.
    QObject::connect(this, &cORUN::ORUNResponse, &loop, [this, &loop] {
        if (Idle()) loop.quit();
    });
    QObject::connect(this, &cORUN::ORUNError, &loop, [&loop](int type, int num) {
        if (type == 0 && num == 0) loop.quit();
    });
    ++Waiting_;
    deadline.start(ms);
    loop.exec();
    if (!self) return false;
    --Waiting_;
    return Idle();
}

void cORUN::WriteFrame(const QString& T) {
    const QByteArray text = T.toLatin1();
    const size_t n = OrunFrame::BuildFrame(reinterpret_cast<const uint8_t*>(text.constData()),
                                           static_cast<size_t>(text.size()), txFrame_);
    if (n == 0) return;
    const char* bytes = reinterpret_cast<const char*>(txFrame_);
    if (CommPort_ >= 1 && CommPort_ <= 9) {
        if (!Port_->IsOpen()) return;
        if (T == QLatin1String("@")) Port_->Purge();
        Port_->Write(bytes, static_cast<qint64>(n));
    } else if (CommPort_ == 10) {
        if (Socket_.isNull() || Socket_->State() != Winsock::sckConnected) return;
        Socket_->SendData(QByteArray(bytes, static_cast<qsizetype>(n)));
    }
}

void cORUN::Port_RxData(int count) {
    try {
        qint64 left = count;
        while (left > 0) {
            const qint64 want = left < static_cast<qint64>(sizeof rxChunk_) ? left : sizeof rxChunk_;
            const qint64 got = Port_->Read(rxChunk_, want);
            if (got <= 0) break;
            for (qint64 i = 0; i < got; ++i) ParseResponse(static_cast<uint8_t>(rxChunk_[i]));
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

void cORUN::FrameReceived() {
    // The reply text: after the acknowledgement, up to the blank.
    const QByteArrayView text = Rx_.Slice(3);
    Response_ = QString::fromLatin1(text.data(), text.size());
    const bool good = Rx_.CheckOk() && Rx_.Bytes()[2] == 'A';
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
        DoResponse(Response_);
        return;
    }
    if (Debug == 3) LogBadFrame();
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
