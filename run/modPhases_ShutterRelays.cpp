// The relays that follow the channels' manual modes.
#include "run/modPhases.h"

#include "app/Globals.h"
#include "app/PhaseCode.h"
#include "app/cApp.h"
#include "run/modIO.h"
#include "unit/cORUN.h"

namespace modPhases {

namespace {
constexpr int16_t kManualMode = 9;
constexpr int16_t kFirstChannelShutter = 20;
constexpr int16_t kLastChannelShutter = 27;
}  // namespace

// ch is not used. Manual power opens the shutter of every channel with a film. Leaving it
// closes every channel shutter, also of a channel without a film in the step shown: the
// step may have moved on since the shutter opened, and outside SHTR DLY and DEPOSIT only
// manual power ever opens one.
void SetShutterRelays(int16_t, bool on) {
    cORUN& unit = RunUnit();
    const cApp& app = RunApp();
    for (int16_t i = 0; i <= 11; ++i) {
        const int16_t code = modIO::GetOutputFunction(i);
        if (code == kManualMode) {
            unit.setRelay(i, on);
        } else if (code >= kFirstChannelShutter && code <= kLastChannelShutter) {
            if (on && app.ChanFilm(static_cast<int16_t>(code - kFirstChannelShutter)) < 1) continue;
            // During SHTR DLY and DEPOSIT the run owns the shutters.
            if (on) unit.setRelay(i, true);
            else if (app.Phase() != PhaseCode::ShutterDelay && app.Phase() != PhaseCode::Deposit) unit.setRelay(i, false);
        }
    }
}

void ChannelPhaseNotify(int16_t, bool) {}

}  // namespace modPhases
