// The links: choosing one, framing and sending a request on it, taking the reply from it.
#include "testclient/frmMain.h"

#include "app/VBConv.h"
#include "platform/Brevox.h"
#include "platform/Clock.h"
#include "platform/MSComm.h"
#include "platform/Winsock.h"
#include "remote/protocol/RemoteFrame.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>
#include <cmath>

namespace ORUN_Comm {
namespace {

const char* const kBaudSettings[] = {"4800,n,8,1", "9600,n,8,1", "19200,n,8,1", "38400,n,8,1"};

constexpr double kSecondsPerDay = 86400.0;

}  // namespace

int frmMain::SelectedLink() const {
    for (size_t i = 0; i < optComm.size(); ++i)
        if (optComm[i]->isChecked()) return static_cast<int>(i);
    return -1;
}

void frmMain::optComm_Click(int index) {
    try {
        switch (index) {
        case linkCOM1:
        case linkCOM2:
            // Another port number: the open port is closed first, so that the requests go
            // to the port now shown.
            if (MSComm1->PortOpen() && MSComm1->CommPort() != index + 1) MSComm1->setPortOpen(false);
            if (!MSComm1->PortOpen()) MSComm1->setCommPort(static_cast<int16_t>(index + 1));
            MSComm1->setRThreshold(1);
            MSComm1->setInputLen(1);
            FraBaud->setVisible(true);
            fraServer->setVisible(false);
            tcpMain->Close();
            break;
        case linkEthernet:
            FraBaud->setVisible(false);
            fraServer->setVisible(true);
            MSComm1->setPortOpen(false);
            break;
        case linkActiveX:
            FraBaud->setVisible(false);
            fraServer->setVisible(false);
            MSComm1->setPortOpen(false);
            tcpMain->Close();
            break;
        default:
            break;
        }
    } catch (...) {
    }
}

void frmMain::optBaud_Click(int index) {
    try {
        MSComm1->setSettings(QLatin1String(kBaudSettings[index]));
    } catch (...) {
    }
}

// A request that cannot be delivered (no port, no connection, no relay) is simply not
// sent; the window stays usable.
void frmMain::cmdSend_Click() {
    if (sending_) return;
    sending_ = true;
    try {
        const QString request = RequestText(Choice());
        const QString checked = request + u';';
        const QString frame =
            checked + (chkChecksum->isChecked() ? RemoteFrame::CalcChkSum(checked) : QStringLiteral("00")) + u'\r';
        txtSent->setText(frame.chopped(1));
        txtResponse->clear();
        sendFrame(frame.toLatin1());
    } catch (...) {
    }
    sending_ = false;
}

void frmMain::sendFrame(const QByteArray& frame) {
    switch (SelectedLink()) {
    case linkCOM1:
    case linkCOM2:
        if (!MSComm1->PortOpen()) {
            try {
                MSComm1->setPortOpen(true);
            } catch (...) {
            }
        }
        if (!MSComm1->PortOpen()) return;
        // What is left of an earlier reply must not run into this one.
        while (MSComm1->InBufferCount() > 0) MSComm1->Input();
        MSComm1->Output(frame);
        break;
    case linkEthernet: {
        const QString host = txtServer->text();
        const double port = vb::Val(txtPort->text());
        if (tcpMain->State() != Winsock::sckConnected || tcpMain->RemoteHost() != host ||
            tcpMain->RemotePort() != port) {
            tcpMain->Close();
            // A port number no connection can have is not tried.
            if (port < 1 || port > 65535 || port != std::floor(port)) return;
            tcpMain->setLocalPort(0);
            tcpMain->setRemoteHost(host);
            tcpMain->setRemotePort(static_cast<int>(port));
            tcpMain->Connect();
            TimeWait(1);
        }
        tcpMain->SendData(frame);
        break;
    }
    case linkActiveX:
        if (CommEvent) CommEvent->Send(QString::fromLatin1(frame));
        break;
    default:
        break;
    }
}

void frmMain::onSerialEvent() {
    try {
        if (MSComm1->CommEvent() != MSComm::comEvReceive) return;
        while (MSComm1->InBufferCount() > 0) {
            const QByteArray bytes = MSComm1->Input();
            for (const char byte : bytes) CheckResponse(QChar(static_cast<uchar>(byte)));
        }
    } catch (...) {
    }
}

void frmMain::onSocketData() {
    for (const char byte : tcpMain->GetData()) CheckResponse(QChar(static_cast<uchar>(byte)));
}

void frmMain::CheckResponse(QChar c) {
    if (RespBuffer_.Feed(c)) txtResponse->setText(DecodeResponse(RespBuffer_.Text()));
}

// The start is the time of day rounded to a whole second, so the wait lasts between
// n - 0.5 and n + 0.5 seconds. A start rounded up lies ahead of the clock for up to half
// a second; only a difference of more than half a day is the clock passing midnight.
void frmMain::TimeWait(int seconds) {
    QCoreApplication::processEvents();
    const double start = std::round(static_cast<double>(Timer()));
    QTimer tick;  // wakes the loop when nothing else happens
    tick.start(10);
    for (;;) {
        double elapsed = static_cast<double>(Timer()) - start;
        if (elapsed < -kSecondsPerDay / 2) elapsed += kSecondsPerDay;
        if (elapsed >= seconds) break;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

}  // namespace ORUN_Comm
