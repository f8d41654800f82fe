// The server's life, its [SftwComm] settings and its two controls.
#include "remote/cComm.h"
#include "remote/protocol/RemoteFrame.h"

#include "app/VBConv.h"
#include "app/cErrHandler.h"
#include "app/cIniFile.h"
#include "app/modShellExecute.h"
#include "platform/Brevox.h"
#include "platform/MSComm.h"
#include "platform/Winsock.h"
#include "remote/modComm.h"

namespace {
const QString kSection = QStringLiteral("SftwComm");

Winsock& Control(const QPointer<Winsock>& ctl) {
    if (!ctl) throw RuntimeError::ObjectNotSet();
    return *ctl;
}
}  // namespace

cComm::cComm(QObject* parent) : QObject(parent) {
    ORUN_PROC("cComm_Class_Initialize");
    try {
        ORUNEvent_ = Brevox::Create();
        if (ORUNEvent_)
            connect(ORUNEvent_.get(), &BrevoxComm::CommandEvent, this, &cComm::ORUNEvent_CommandEvent);
    } catch (...) {
        // A relay that is there but cannot be made: the server works without it.
        ORUNEvent_.reset();
        gErr.HandleError();
    }
}

cComm::~cComm() { IniWrite(); }

void cComm::Init(MSComm* oMSComm, Winsock* oWinsock, const QString& sIniFile) {
    ORUN_PROC("cComm_Init");
    try {
        MSComm_ = oMSComm;
        Winsock_ = oWinsock;
        IniFile_ = sIniFile;
        IniRead();
        RS232Enabled_ = RS232Port_ != 0;
        // Without a TCP control there is nothing to listen on.
        if (Winsock_ && !modShellExecute::RunningFromIDE() && EthernetLocalPort_ >= 0) {
            Winsock_->setLocalPort(EthernetLocalPort_);
            Winsock_->Listen();
        }
    } catch (...) {
        gErr.HandleError();
    }
}

// A value that is not a number stops the reading at its key; the members not yet read
// keep what they held.
void cComm::IniRead() {
    ORUN_PROC("cComm_IniRead");
    try {
        cIniFile ini;
        ini.setFileName(IniFile_);
        RS232Port_ = vb::CInt(ini.ReadIniStr(kSection, QStringLiteral("Port"), QStringLiteral("1")));
        RS232Baud_ = vb::CLng(ini.ReadIniStr(kSection, QStringLiteral("BaudRate"), QStringLiteral("9600")));
        EthernetLocalPort_ =
            vb::CLng(ini.ReadIniStr(kSection, QStringLiteral("EthernetPort"), QString::number(RemoteFrame::kDefaultTcpPort)));
    } catch (...) {
        gErr.HandleError();
    }
}

// Numbers are written as Str$ wrote them: a leading blank for 0 and above (" 9600").
void cComm::IniWrite() {
    if (IniFile_.isEmpty()) return;
    ORUN_PROC("cComm_IniWrite");
    try {
        cIniFile ini;
        ini.setFileName(IniFile_);
        ini.WriteIniStr(kSection, QStringLiteral("Port"), vb::Str(RS232Port_));
        ini.WriteIniStr(kSection, QStringLiteral("BaudRate"), vb::Str(RS232Baud_));
        ini.WriteIniStr(kSection, QStringLiteral("EthernetPort"), vb::Str(EthernetLocalPort_));
    } catch (...) {
        gErr.HandleError();
    }
}

// Errors are skipped: a port that does not open leaves the flag cleared.
void cComm::setRS232Enabled(bool value) {
    if (!value) {
        RS232Enabled_ = false;
        return;
    }
    if (!modComm::OpenCommPort(MSComm_, RS232Port_)) {
        RS232Enabled_ = false;
        return;
    }
    try {
        if (MSComm_) MSComm_->setSettings(vb::CStr(RS232Baud_) + QStringLiteral(",N,8,1"));
    } catch (...) {
        // A rate the port refuses keeps its present settings.
    }
    RS232Enabled_ = true;
}

QString cComm::EthernetRemoteHost() const { return Winsock_ ? Winsock_->RemoteHost() : QString(); }
QString cComm::EthernetRemoteIP() const { return Winsock_ ? Winsock_->RemoteHostIP() : QString(); }
int32_t cComm::EthernetRemotePort() const { return Winsock_ ? Winsock_->RemotePort() : 0; }
QString cComm::EthernetLocalIP() const { return Winsock_ ? Winsock_->LocalIP() : QString(); }

int32_t cComm::EthernetLocalPort() const {
    return modShellExecute::RunningFromIDE() ? -1 : EthernetLocalPort_;
}

void cComm::setEthernetLocalPort(int32_t nPort) {
    ORUN_PROC("cComm_EthernetLocalPort");
    try {
        if (nPort != EthernetLocalPort_) {
            Winsock& server = Control(Winsock_);
            server.Close();
            if (nPort >= 0) {
                server.setLocalPort(nPort);
                server.Listen();
            }
        }
        EthernetLocalPort_ = nPort;
    } catch (...) {
        gErr.HandleError();
    }
}
