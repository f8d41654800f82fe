// The three communication endpoints the main window carries: the unit's TCP link, and the
// remote-control server's TCP listener (one client at a time) and serial port. Received
// bytes go one at a time, in arrival order, to the object that frames them; the remote
// endpoints' bytes go through a paced intake, a few requests per turn of the loop, so
// that no client holds up the unit's poll.
#include "app/cErrHandler.h"
#include "app/modWait.h"
#include "platform/Dialogs.h"
#include "platform/MSComm.h"
#include "platform/Winsock.h"
#include "remote/RequestIntake.h"
#include "remote/cComm.h"
#include "run/frmMain.h"
#include "unit/cORUN.h"

#include <QPointer>
#include <QTimer>

namespace {

// Port code of the unit reached over Ethernet.
constexpr int kEthernetPort = 10;
// Milliseconds before the remote server listens again after its client left.
constexpr int kRelistenDelayMs = 1000;
// Bytes the unit's link holds received and not yet parsed, at most.
constexpr qint64 kUnitReadBuffer = 64 * 1024;

QString OneChar(char c) { return QString(QChar::fromLatin1(c)); }

}  // namespace

void frmMain::CreateEndpoints() {
    tcpControllerClient = new Winsock(this);
    tcpControllerClient->setObjectName(QStringLiteral("tcpControllerClient"));
    tcpProgramServer = new Winsock(this);
    tcpProgramServer->setObjectName(QStringLiteral("tcpProgramServer"));
    msCommSftw = new MSComm(this);
    msCommSftw->setObjectName(QStringLiteral("msCommSftw"));
    msCommSftw->setRThreshold(1);
    CreateIntakes();

    connect(tcpControllerClient, &Winsock::DataArrival, this, &frmMain::tcpControllerClient_DataArrival);
    connect(tcpProgramServer, &Winsock::ConnectionRequest, this, &frmMain::tcpProgramServer_ConnectionRequest);
    connect(tcpProgramServer, &Winsock::DataArrival, this, &frmMain::tcpProgramServer_DataArrival);
    connect(tcpProgramServer, &Winsock::Closed, this, &frmMain::tcpProgramServer_Close);
    connect(tcpProgramServer, &Winsock::Error, this, &frmMain::tcpProgramServer_Error);
    connect(msCommSftw, &MSComm::OnComm, this, &frmMain::msCommSftw_OnComm);

    tmrDate = new QTimer(this);
    tmrDate->setObjectName(QStringLiteral("tmrDate"));
    tmrDate->setInterval(500);
    connect(tmrDate, &QTimer::timeout, this, &frmMain::tmrDate_Timer);
    tmrDate->start();
    tmrEnd = new QTimer(this);
    tmrEnd->setObjectName(QStringLiteral("tmrEnd"));
    tmrEnd->setInterval(500);
    connect(tmrEnd, &QTimer::timeout, this, &frmMain::tmrEnd_Timer);
}

void frmMain::CreateIntakes() {
    tcpControllerClient->setReadBufferSize(kUnitReadBuffer);
    tcpProgramServer->setReadBufferSize(RequestIntake::kReadBuffer);
    msCommSftw->setInputLen(static_cast<int>(RequestIntake::kPiece));
    msCommSftw->setInBufferSize(static_cast<int>(RequestIntake::kReadBuffer));
    msCommSftw->setSThreshold(static_cast<int>(RequestIntake::kReplyBacklog));
    // The server is released at shutdown; what arrives after it is dropped.
    const auto serve = [](void (cComm::*receive)(const QString&)) {
        return [receive](char c) {
            if (!gComm) return false;
            (gComm->*receive)(OneChar(c));
            return true;
        };
    };
    serialIntake_ = new RequestIntake(
        {[this](qint64) {
             try {
                 return msCommSftw->PortOpen() ? msCommSftw->Input() : QByteArray();
             } catch (...) {
                 // A port error while reading is not reported; the next event reads on.
                 return QByteArray();
             }
         },
         [this] { return static_cast<qint64>(msCommSftw->OutBufferCount()); }, serve(&cComm::RS232RcvData),
         [this] { NoteReplyBacklog(QStringLiteral("Remote client on the serial port")); }},
        this);
    tcpIntake_ = new RequestIntake(
        {[this](qint64 n) { return tcpProgramServer->GetData(n); }, [this] { return tcpProgramServer->BytesToSend(); },
         serve(&cComm::EthernetRcvData),
         [this] { NoteReplyBacklog(QStringLiteral("Remote client ") + tcpProgramServer->RemoteHostIP()); }},
        this);
    connect(tcpProgramServer, &Winsock::SendProgress, tcpIntake_, &RequestIntake::Drained);
}

void frmMain::NoteReplyBacklog(const QString& Client) {
    gErr.Note(Client + QStringLiteral(" does not read its replies as fast as they come: its further requests wait "
                                      "while more than %1 bytes of replies are unsent.")
                           .arg(RequestIntake::kReplyBacklog));
}

void frmMain::msCommSftw_OnComm() {
    switch (msCommSftw->CommEvent()) {
    case MSComm::comEvReceive: serialIntake_->Arrived(); return;
    case MSComm::comEvSend: serialIntake_->Drained(); return;
    default: return;
    }
}

void frmMain::tcpControllerClient_DataArrival(int bytesTotal) {
    const ProcTrace trace(gErr, QStringLiteral("frmMain_tcpControllerClient_DataArrival"));
    // Bytes that arrive while the unit is not reached over Ethernet stay in the socket.
    if (!gORUN || gORUN->CommPort() != kEthernetPort || bytesTotal < 1) return;
    // A reply handler may end the program (and release the link) in the middle: the link
    // stops taking bytes then. Bad frames are the link's business.
    gORUN->ParseResponses(tcpControllerClient->GetData(bytesTotal));
}

void frmMain::tcpProgramServer_ConnectionRequest(int requestID) {
    ORUN_PROC("frmMain_tcpProgramServer_ConnectionRequest");
    try {
        // Serving a client stops the listening, so no second client can connect.
        if (tcpProgramServer->State() != Winsock::sckClosed) tcpProgramServer->Close();
        tcpProgramServer->Accept(requestID);
        tcpIntake_->Restart();
    } catch (...) {
        gErr.HandleError();
    }
}

void frmMain::tcpProgramServer_DataArrival(int) { tcpIntake_->Arrived(); }

void frmMain::tcpProgramServer_Close() {
    ORUN_PROC("frmMain_tcpProgramServer_Close");
    try {
        const QPointer<frmMain> self(this);
        // The requests the client sent before it closed are answered (to nobody) first.
        tcpIntake_->Finish();
        if (!self) return;
        if (!gComm || gComm->EthernetLocalPort() < 0) return;
        tcpProgramServer->Close();
        modWait::Wait(kRelistenDelayMs);
        // The program may have begun to close, or even released this window, during the wait.
        if (!self || !gComm || shuttingDown_ || unloaded_ || tcpProgramServer->State() != Winsock::sckClosed) return;
        tcpProgramServer->setLocalPort(gComm->EthernetLocalPort());
        tcpProgramServer->Listen();
    } catch (...) {
        gErr.HandleError();
    }
}

void frmMain::tcpProgramServer_Error(int, const QString& Description) {
    MsgBox(QStringLiteral("tcpProgramServer Error: ") + Description, vbOKOnly);
}
