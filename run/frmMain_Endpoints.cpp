// The three communication endpoints the main window carries: the unit's TCP link, and the
// remote-control server's TCP listener (one client at a time) and serial port. Received
// bytes go one at a time, in arrival order, to the object that frames them.
#include "app/cErrHandler.h"
#include "app/modWait.h"
#include "platform/Dialogs.h"
#include "platform/MSComm.h"
#include "platform/Winsock.h"
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

QString OneChar(char c) { return QString(QChar::fromLatin1(c)); }

}  // namespace

void frmMain::CreateEndpoints() {
    tcpControllerClient = new Winsock(this);
    tcpControllerClient->setObjectName(QStringLiteral("tcpControllerClient"));
    tcpProgramServer = new Winsock(this);
    tcpProgramServer->setObjectName(QStringLiteral("tcpProgramServer"));
    msCommSftw = new MSComm(this);
    msCommSftw->setObjectName(QStringLiteral("msCommSftw"));
    msCommSftw->setInputLen(1);
    msCommSftw->setRThreshold(1);

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

void frmMain::msCommSftw_OnComm() {
    if (msCommSftw->CommEvent() != MSComm::comEvReceive) return;
    try {
        while (msCommSftw->InBufferCount() >= 1) {
            const QByteArray received = msCommSftw->Input();
            if (received.isEmpty()) break;
            for (char c : received) {
                // The server is released at shutdown; what arrives after it is dropped.
                if (!gComm) return;
                gComm->RS232RcvData(OneChar(c));
            }
        }
    } catch (...) {
        // A port error while reading is not reported; the next event reads on.
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
    } catch (...) {
        gErr.HandleError();
    }
}

void frmMain::tcpProgramServer_DataArrival(int) {
    ORUN_PROC("frmMain_tcpProgramServer_DataArrival");
    try {
        const QByteArray text = tcpProgramServer->GetData();
        for (char c : text) {
            if (!gComm) return;
            gComm->EthernetRcvData(OneChar(c));
        }
    } catch (...) {
        // The rest of this arrival is lost; the remote framing recovers with the next
        // request.
        gErr.HandleError();
    }
}

void frmMain::tcpProgramServer_Close() {
    ORUN_PROC("frmMain_tcpProgramServer_Close");
    try {
        if (!gComm || gComm->EthernetLocalPort() < 0) return;
        tcpProgramServer->Close();
        const QPointer<frmMain> self(this);
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
