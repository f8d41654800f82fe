// The Comm tab: how the program reaches the controller unit (serial port or Ethernet,
// through gORUN) and how remote computers reach the program (gComm's serial port and
// baud rate, or its TCP port). Every change goes to the live object at once.
#include "windows/frmSystem.h"

#include "app/Globals.h"
#include "app/VBConv.h"
#include "app/cErrHandler.h"
#include "app/modComboBox.h"
#include "platform/Dialogs.h"
#include "remote/cComm.h"
#include "remote/modComm.h"
#include "run/frmMain.h"
#include "unit/cORUN.h"
#include "unit/frmShowComm.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

namespace {

// Port codes of both port lists: 0 none, 1..9 COM1..COM9, 10 Ethernet.
constexpr int kEthernet = 10;

void FillPortList(QComboBox* list) {
    list->clear();
    modComboBox::AddItemDataComboBox(list, QStringLiteral("Disabled"), 0);
    for (int n = 1; n <= 9; ++n) modComboBox::AddItemDataComboBox(list, QStringLiteral("Com") + vb::CStr(n), n);
    modComboBox::AddItemDataComboBox(list, QStringLiteral("Ethernet"), kEthernet);
}

// The entry of a port list whose code is given; entry 0 ("Disabled") when none has it.
int PortEntry(QComboBox* list, int code) {
    const int entry = modComboBox::FindItemDataComboBox(list, vb::CStr(code));
    return entry < 0 ? 0 : entry;
}

QString NotAvailable(int n) { return QStringLiteral("Comm Port ") + vb::CStr(n) + QStringLiteral(" not available."); }

}  // namespace

void frmSystem::InitTabComm() {
    ORUN_PROC("frmSystem_InitTabComm");
    try {
        cORUN& unit = RunUnit();
        cComm& comm = RunComm();
        ShowVersion();
        FillPortList(cboHalvornePort);
        FillPortList(cboSftwPort);
        cboSftwBaud->clear();
        for (const char* baud : {"4800", "9600", "19200", "38400"}) cboSftwBaud->addItem(QLatin1String(baud));
        cboHalvornePort->setCurrentIndex(PortEntry(cboHalvornePort, unit.CommPort()));
        txtHalvorneEAddress->setText(unit.EAddress());
        txtHalvorneEPort->setText(vb::CStr(unit.ePort()));
        cboSftwPort->setCurrentIndex(PortEntry(cboSftwPort, comm.RS232Port()));
        cboSftwBaud->setCurrentIndex(modComboBox::FindStringComboBox(cboSftwBaud, vb::CStr(comm.RS232Baud()), false));
        txtSftwEPort->setText(vb::CStr(comm.EthernetLocalPort()));
    } catch (...) {
        gErr.HandleError();
    }
}

void frmSystem::ShowVersion() {
    lblVersion->setText(QStringLiteral("Version ") + vb::Format(RunUnit().Version() / 100.0, QStringLiteral("#.00")));
}

int32_t frmSystem::PortBox(QLineEdit* box, int32_t previous) {
    const QString text = vb::Trim(box->text());
    if (vb::IsNumeric(text)) {
        const double v = vb::CDbl(text);
        if (v >= 0 && v <= 65535 && v == vb::Int(v)) return int32_t(v);
    }
    box->setText(vb::CStr(previous));
    return previous;
}

// A serial port opens at once; Ethernet is only recorded, the main window's link reset
// connects it. A serial port that does not open leaves the link without a port.
void frmSystem::cboHalvornePort_Click() {
    ORUN_PROC("frmSystem_cboHalvornePort_Click");
    try {
        const int code = cboHalvornePort->currentData().toInt();
        fraEthernet->setVisible(code == kEthernet);
        if (Loading_) return;
        cORUN& unit = RunUnit();
        const int32_t port = PortBox(txtHalvorneEPort, unit.ePort());
        const QString address = txtHalvorneEAddress->text();
        if (code == 0) {
            unit.CommInit(0, port, address);
        } else if (code == kEthernet) {
            if (unit.CommInit(kEthernet, port, address)) unit.SendGetVersion();
        } else if (unit.CommInit(code, port, address)) {
            unit.SendGetVersion();
        } else {
            MsgBox(NotAvailable(code), vbInformation | vbOKOnly);
            cboHalvornePort->setCurrentIndex(0);
        }
    } catch (...) {
        gErr.HandleError();
    }
}

// Nothing is sent to the unit: the link only records the new address or port.
void frmSystem::ApplyHalvorneEthernet() {
    if (Loading_) return;
    ORUN_PROC("frmSystem_txtHalvorneEthernet_LostFocus");
    try {
        cORUN& unit = RunUnit();
        if (unit.CommPort() != kEthernet) return;
        const int32_t port = PortBox(txtHalvorneEPort, unit.ePort());
        const QString address = txtHalvorneEAddress->text();
        if (address != unit.EAddress() || port != unit.ePort()) unit.CommInit(kEthernet, port, address);
    } catch (...) {
        gErr.HandleError();
    }
}

void frmSystem::cboSftwPort_Click() {
    ORUN_PROC("frmSystem_cboSftwPort_Click");
    try {
        const int code = cboSftwPort->currentData().toInt();
        const bool serial = code >= 1 && code <= 9;
        fraSftwEthernet->setVisible(code == kEthernet);
        lblSftwBaud->setVisible(serial);
        cboSftwBaud->setVisible(serial);
        if (code == kEthernet) lblSftwEAddress->setText(RunComm().EthernetLocalIP());
        if (Loading_) return;
        cComm& comm = RunComm();
        if (!serial) {
            comm.setRS232Port(int16_t(code));
        } else if (modComm::OpenCommPort(gMainForm ? gMainForm->msCommSftw : nullptr, int16_t(code))) {
            comm.setRS232Port(int16_t(code));
        } else {
            MsgBox(NotAvailable(code), vbInformation | vbOKOnly);
            cboSftwPort->setCurrentIndex(0);
        }
    } catch (...) {
        gErr.HandleError();
    }
}

void frmSystem::cboSftwBaud_Click() {
    if (Loading_) return;
    ORUN_PROC("frmSystem_cboSftwBaud_Click");
    try {
        cComm& comm = RunComm();
        comm.setRS232Enabled(false);
        comm.setRS232Baud(vb::CLng(vb::Val(cboSftwBaud->currentText())));
        comm.setRS232Enabled(true);
    } catch (...) {
        gErr.HandleError();
    }
}

void frmSystem::ApplySftwEPort() {
    if (Loading_) return;
    ORUN_PROC("frmSystem_txtSftwEPort_LostFocus");
    try {
        cComm& comm = RunComm();
        comm.setEthernetLocalPort(PortBox(txtSftwEPort, comm.EthernetLocalPort()));
    } catch (...) {
        gErr.HandleError();
    }
}

// The traffic monitor on the unit link (Mode 0) or on the remote server (Mode 1).
void frmSystem::cmdShowComm_Click() {
    frmShowComm& monitor = ShowCommForm();
    monitor.setMode(0);
    monitor.show();
    monitor.raise();
}

void frmSystem::cmdShowCommExternal_Click() {
    frmShowComm& monitor = ShowCommForm();
    monitor.setMode(1);
    monitor.show();
    monitor.raise();
}

// The last remote client, when the remote link is TCP.
void frmSystem::ExternalComm_CommRx(const QString& /*sRcv*/) {
    if (!gComm || gComm->RS232Port() != kEthernet) return;
    lblRemoteAddress->setText(gComm->EthernetRemoteIP());
    lblRemotePort->setText(vb::CStr(gComm->EthernetRemotePort()));
}
