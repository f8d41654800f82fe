#include "remote/cComm.h"

#include "app/VBConv.h"
#include "app/cErrHandler.h"
#include "app/cIniFile.h"

namespace {
const QString kSection = QStringLiteral("SftwComm");
}

cComm::cComm(QObject* parent) : QObject(parent) {}

cComm::~cComm() { IniWrite(); }

void cComm::Init(QObject* oMSComm, QObject* oWinsock, const QString& sIniFile) {
    ORUN_PROC("cComm_Init");
    try {
        MSComm_ = oMSComm;
        Winsock_ = oWinsock;
        IniFile_ = sIniFile;
        IniRead();
        RS232Enabled_ = RS232Port_ != 0;
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
            vb::CInt(ini.ReadIniStr(kSection, QStringLiteral("EthernetPort"), QStringLiteral("1001")));
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

// Request framing and dispatch are not built yet: received characters are dropped.
void cComm::RS232RcvData(const QString&) {}
void cComm::EthernetRcvData(const QString&) {}
