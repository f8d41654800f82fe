// The channel-error test at each refresh of a channel's values.
#include "app/ChannelData.h"
#include "app/Globals.h"
#include "app/PhaseCode.h"
#include "app/SettingsGlobals.h"
#include "app/cApp.h"
#include "app/modBitOps.h"
#include "app/modUtil.h"
#include "data/FilmRec.h"
#include "platform/Clock.h"
#include "qcm/cQCM.h"
#include "run/frmMain.h"
#include "run/modIO.h"
#include "run/modPhases.h"
#include "unit/cORUN.h"

#include <cmath>

namespace {

// Relay output function "Channel Error".
constexpr int16_t kChannelErrorFunction = 12;
// Seconds the deviation must stay beyond the film's limit before it is a control error.
constexpr float kControlErrorSeconds = 5.0f;

// Channel phases in which a deviation beyond the film's limit is a control error:
// DEPOSIT, MAN RAMP and CONSTANT.
bool ControlErrorPhase(int16_t chanPhase) { return chanPhase == PhaseCode::Deposit || chanPhase == PhaseCode::ManRamp || chanPhase == PhaseCode::Constant; }

// Channel phases in which the channel's reading drives its output: SHTR DLY, DEPOSIT,
// QCM CAL., MAN RAMP and CONSTANT.
bool ControlledPhase(int16_t chanPhase) {
    return ControlErrorPhase(chanPhase) || chanPhase == PhaseCode::ShutterDelay || chanPhase == PhaseCode::QcmCal;
}

}  // namespace

bool frmMain::CheckChanRelays(int16_t ch) {
    // A channel without a film has no input to test (film numbers start at 1).
    const int16_t film = RunApp().ChanFilm(ch);
    if (film < 1) return false;
    const FilmRec& f = gFilm(film);
    bool err = false;

    if (InputType::IsEmission(f.Input_Type)) {
        // An inactive emission channel is in error when the unit reports it gave no reading,
        // or while the layer would control on it: its source is then held off (the control
        // step), and the operator must see why.
        if (!RunUnit().ChanActive(ch) && Simulate == 0)
            err = modBitOps::BitTestLong(RunUnit().ChanError(ch), 1) || ControlledPhase(RunApp().ChanPhase(ch));
    } else if (InputType::IsQuartz(f.Input_Type)) {
        if (!RunQCM().QCMSensorEnabled(InputType::QuartzMonitor(f.Input_Type))) err = true;
    }
    // A channel whose loop has no live reading of its film's input is held at 0 by the
    // control step; it is in error for as long as that lasts, whatever the input. A
    // detector whose first reading of the layer is still on its way is held, not in error.
    if (Simulate == 0 && modPhases::UnderRateControl(ch) && modPhases::ReadingFailed(ch)) err = true;

    if (RunApp().ChanOutput(ch) >= 0 && f.CTRLERR_PERCENT > 0 && ControlErrorPhase(RunApp().ChanPhase(ch))) {
        const float now = Timer();
        if (std::fabs(gChanDev(ch)) > f.CTRLERR_PERCENT) {
            if (modUtil::TimeDiff(static_cast<float>(ChanErrorSince(ch)), now) > kControlErrorSeconds) err = true;
        } else {
            ChanErrorSince(ch) = now;
        }
    }

    if (err) {
        // Repeated at every check while the error lasts; the relays are never switched off
        // here.
        cORUN& unit = RunUnit();
        for (int16_t i = 0; i <= 11; ++i) {
            if (modIO::GetOutputFunction(i) == kChannelErrorFunction) unit.setRelay(i, true);
        }
        unit.SendRelays();
    }
    return err;
}
