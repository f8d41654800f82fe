// Manual power of a channel set on a client's behalf through the main window's own
// manual-power box, so that the window, the channel phase and the unit follow as they do
// for the operator. Only channels that the window offers a box for can be switched; a
// front-panel lock that hides the box does not hold against a client.
#include "remote/cComm.h"
#include "remote/ClientPresses.h"

#include "app/Globals.h"
#include "app/PhaseCode.h"
#include "app/VBConv.h"
#include "app/cApp.h"
#include "data/FilmRec.h"
#include "run/frmMain.h"
#include "unit/cORUN.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

int16_t cComm::SetManualPower(int16_t nChan, const QString& sPercent) {
    frmMain& form = RunMainForm();
    QCheckBox* box = form.chkManPwr(nChan);
    if (!ClientPresses::ManualPowerOffered(nChan)) return -1;
    // The window is tested on the whole percent; the unit gets the value as sent.
    const int16_t whole = vb::CInt(sPercent);
    if (whole < 0 || whole > 100) return -1;
    // The limit of the window's own box: the maximum power of the film of the step shown
    // (the unit's output limit may still be another step's).
    const int16_t film = RunApp().ChanFilm(nChan);
    const double percent = vb::CDbl(sPercent);
    if (film < 1 || percent < 0.0 || percent > gFilm(film).Max_Power) return -1;
    // A box the refresh has not yet caught up with (ticked for a channel no longer in
    // manual power) is switched on anew, so the power goes to a channel in manual power.
    if (!box->isChecked() || RunApp().ChanPhase(nChan) != PhaseCode::ManPower) {
        box->setChecked(true);
        form.chkManPwr_Click(nChan);
        // The window refused (the process editor is open): nothing is sent.
        if (!box->isChecked()) return -1;
    }
    form.txtPower(nChan)->setText(vb::Format(sPercent, QStringLiteral("0.0")));
    cORUN& unit = RunUnit();
    unit.setPower(RunApp().ChanOutput(nChan), percent);
    unit.SendPower();
    return 0;
}

int16_t cComm::SetManualMode(int16_t nChan, const QString& sValue) {
    frmMain& form = RunMainForm();
    QCheckBox* box = form.chkManPwr(nChan);
    if (!ClientPresses::ManualPowerOffered(nChan)) return -1;
    if (vb::CInt(sValue) == 1) {
        if (box->isChecked()) {
            box->setChecked(false);
            form.chkManPwr_Click(nChan);
            if (box->isChecked()) return -1;
        }
    } else {
        // Manual power at the power the window shows now.
        SetManualPower(nChan, form.lblPower(nChan)->text());
    }
    return 0;
}
