#include "remote/ClientPresses.h"

#include "app/Globals.h"
#include "app/SettingsGlobals.h"
#include "run/frmMain.h"
#include "run/modIO.h"
#include "unit/cORUN.h"

#include <QLabel>
#include <QPushButton>

namespace ClientPresses {
namespace {

// Input functions "Emission 1 Interlock" and "Emission 2 Interlock": while such an input
// is on, its pair of sensors (0 and 1, or 2 and 3) must stay off.
constexpr int16_t kInterlock[] = {6, 7};
constexpr int16_t kLastInput = 11;

bool InterlockHeld(int16_t s) {
    const int16_t code = kInterlock[s <= 1 ? 0 : 1];
    for (int16_t i = 0; i <= kLastInput; ++i)
        if (modIO::GetInputFunction(i) == code && RunUnit().InputState(i)) return true;
    return false;
}

bool GasSensor(int16_t s) { return s == 1 || s == 3; }

}  // namespace

bool PressRunButton(int16_t i) {
    frmMain& form = RunMainForm();
    if (!form.cmdFunc(i)->isEnabled()) return false;
    form.cmdFunc_Click(i);
    return true;
}

bool SwitchSensorOn(int16_t s) {
    cORUN& unit = RunUnit();
    if (InterlockHeld(s) || (GasSensor(s) && !unit.GasCalEnabled())) return false;
    RunMainForm().cmdSensor_Click(s);
    return unit.EmissionOn(s) > 0;
}

void SwitchSensorOff(int16_t s) {
    cORUN& unit = RunUnit();
    if (unit.EmissionOn(s) > 0) RunMainForm().cmdSensor_Click(s);
    // Still on (an input forces it) or in a state of its own: the unit is told directly,
    // and the window shows it with the next sensor reply.
    if (unit.EmissionOn(s) != 0) unit.setEmissionOn(s, 0);
}

bool SwitchDataLog(bool on) {
    if (LogMode != on) RunMainForm().cmdDataLog_Click();
    return LogMode == on;
}

bool ZeroChannel(int16_t c) {
    frmMain& form = RunMainForm();
    if (form.lblTotal(c)->isHidden()) return false;
    form.cmdZero_Click(c);
    return true;
}

bool ManualPowerOffered(int16_t c) { return !RunMainForm().lblPower(c)->isHidden(); }

}  // namespace ClientPresses
