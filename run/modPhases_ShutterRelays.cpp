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

// Every channel with a film has its shutter switched, and a channel leaving manual power
// closes its own even when the step shown has no film for it (its row has gone: nothing
// else would ever close it).
void SetShutterRelays(int16_t ch, bool on) {
    cORUN& unit = RunUnit();
    const cApp& app = RunApp();
    for (int16_t i = 0; i <= 11; ++i) {
        const int16_t code = modIO::GetOutputFunction(i);
        if (code == kManualMode) {
            unit.setRelay(i, on);
        } else if (code >= kFirstChannelShutter && code <= kLastChannelShutter) {
            const int16_t shutter = static_cast<int16_t>(code - kFirstChannelShutter);
            if (app.ChanFilm(shutter) < 1 && (on || shutter != ch)) continue;
            // During SHTR DLY and DEPOSIT the run owns the shutters.
            if (on) unit.setRelay(i, true);
            else if (app.Phase() != PhaseCode::ShutterDelay && app.Phase() != PhaseCode::Deposit) unit.setRelay(i, false);
        }
    }
}

void ChannelPhaseNotify(int16_t, bool) {}

}  // namespace modPhases
