// "@QU" and "@UU": the installation's identity and a few program-wide switches: the
// simulation flag, the front-panel disable word and the main window's state.
#include "remote/cComm.h"

#include "app/SettingsGlobals.h"
#include "app/SystemFlags.h"
#include "app/VBConv.h"
#include "app/modFormUtil.h"
#include "app/modOSInfo.h"
#include "platform/AppInfo.h"
#include "run/RunObjects.h"
#include "run/frmMain.h"

namespace {

// One table of 14 items for both commands; 9 and 10 are unused.
bool IsUtilityItem(int16_t n) { return n >= 1 && n <= 14 && n != 9 && n != 10; }

}  // namespace

// Items 1, 3, 4, 5 and 8 are reserved: accepted, with no value.
QString cComm::MsgQU(const QString& sMsg) {
    QString sValue = QStringLiteral("06");
    const int16_t n = ParamNumber(sMsg);
    if (!IsUtilityItem(n)) return Nak(NakCode::PRM);
    switch (n) {
    case 2:
        sValue = vb::CStr(Simulate);
        break;
    case 6:
        sValue = vb::CStr(SystemFlags);
        break;
    case 7:
        sValue = RunMainForm().windowState().testFlag(Qt::WindowMinimized) ? QStringLiteral("0") : QStringLiteral("1");
        break;
    case 11:
        sValue = QStringLiteral("%1.%2.%3").arg(App().Major).arg(App().Minor).arg(App().Revision);
        break;
    case 12:
        sValue = QStringLiteral("%1.%2.%3")
                     .arg(modOSInfo::OSMajorVersion())
                     .arg(modOSInfo::OSMinorVersion())
                     .arg(modOSInfo::OSBuild() & 0xFFFF);
        break;
    case 13:
        sValue = modOSInfo::ComputerName();
        break;
    case 14:
        sValue = vb::CStr(RunUnit().Version());
        break;
    default:
        break;
    }
    return Ack(sValue);
}

// Items 1, 3, 4, 5, 8, 11, 12 and 13 are accepted and change nothing. The value field is
// read only by the items that use it; a value that cannot be converted changes nothing.
QString cComm::MsgUU(const QString& sMsg) {
    const int16_t n = ParamNumber(sMsg);
    if (!IsUtilityItem(n)) return Nak(NakCode::PRM);
    switch (n) {
    case 2:
        Simulate = vb::CLng(vb::Val(Field(sMsg, 3)));
        break;
    case 6: {
        // The whole value must be a 16-bit whole number.
        SystemFlags = vb::CInt(Field(sMsg, 3));
        // The new locks show at once.
        frmMain& form = RunMainForm();
        form.UpdateForm();
        form.ShowChannels();
        form.ShowSensors();
        break;
    }
    case 7: {
        frmMain& form = RunMainForm();
        form.setWindowState(vb::Val(Field(sMsg, 3)) == 0 ? Qt::WindowMinimized : Qt::WindowNoState);
        break;
    }
    case 14:
        modFormUtil::FormOnTop(&RunMainForm(), vb::Val(Field(sMsg, 3)) != 0);
        break;
    default:
        break;
    }
    return Ack();
}
