// The channel rows follow what the unit holds and what the running layer is made of: each
// row shows the power the unit last confirmed for its output, whether or not a reading
// came, marked while a newer one has not reached it; an output that leaves the running layer (the layer's output changed, its row gone)
// is switched off at once with its shutters; a row shows its channel's phase and values
// from the moment a layer starts, not a refresh later.
#include "app/ChannelData.h"
#include "app/Globals.h"
#include "app/PhaseCode.h"
#include "app/SettingsGlobals.h"
#include "app/VBConv.h"
#include "app/cApp.h"
#include "app/cErrHandler.h"
#include "app/modUtil.h"
#include "data/FilmRec.h"
#include "data/ProcessRec.h"
#include "platform/VbControls.h"
#include "run/frmMain.h"
#include "run/modIO.h"
#include "unit/cORUN.h"

#include <QLabel>

namespace {

// The meters' foreground among the panel colours, and the colour of a power the unit has
// not yet confirmed.
constexpr int kMeterForeColor = 4;
constexpr uint32_t kUnconfirmed = 0x808080;

// Relay functions of a channel's own shutters: "Channel n Shutter" and "Source n Shutter".
constexpr int16_t kChannelShutter = 20;
constexpr int16_t kSourceShutter = 30;
constexpr int16_t kLastSourceShutter = 35;

// The output channel ch drives in the step shown; -1 without a film or an output.
int16_t RowOutput(int16_t ch) {
    const cApp& app = RunApp();
    return app.ChanFilm(ch) >= 1 ? app.ChanOutput(ch) : -1;
}

// Closes channel ch's shutters; true when a relay changed.
bool CloseShutters(int16_t ch) {
    cORUN& unit = RunUnit();
    bool changed = false;
    for (int16_t i = 0; i <= 11; ++i) {
        const int16_t code = modIO::GetOutputFunction(i);
        const bool own = code == kChannelShutter + ch || (code == kSourceShutter + ch && code <= kLastSourceShutter);
        if (!own || !unit.Relay(i)) continue;
        unit.setRelay(i, false);
        changed = true;
    }
    return changed;
}

}  // namespace

void frmMain::ORUNEvent_ORUNCommand(const QString& Command) {
    // "K" carries outputs 1 to 6, "W" outputs 7 and 8.
    if (Command.startsWith(QLatin1Char('K')) || Command.startsWith(QLatin1Char('W'))) ShowSentPowers();
}

void frmMain::ShowSentPower(int16_t Chan) {
    const int16_t out = RunApp().ChanOutput(Chan);
    if (out < 0) return;
    const cORUN& unit = RunUnit();
    QLabel* label = lblPower(Chan);
    const QString power = vb::Trim(modUtil::FormatTwoDecimals(unit.PowerHeld(out)));
    if (label->text() != power) label->setText(power);
    // A power the unit has not answered for yet (a stop during a link outage, the exit's
    // zeros) is not shown as held: the row keeps the unit's last known power, greyed and
    // slanted, until the unit takes the new one.
    const bool confirmed = unit.PowerConfirmed(out);
    if (label->font().italic() == confirmed) {
        QFont font = label->font();
        font.setItalic(!confirmed);
        label->setFont(font);
    }
    const uint32_t colour = confirmed ? static_cast<uint32_t>(Colors(kMeterForeColor)) : kUnconfirmed;
    if (ForeColor(label) != colour) SetForeColor(label, colour);
    ShowPowerInBox(Chan, power);
}

void frmMain::ShowSentPowers() {
    // The exit's zeros are shown once the unit has them, while the window still stands.
    if (!gApp || !gORUN || unloaded_) return;
    try {
        for (int16_t ch = 0; ch <= 7; ++ch)
            if (RunApp().ChanFilm(ch) >= 1) ShowSentPower(ch);
    } catch (...) {
        gErr.HandleError();
    }
}

void frmMain::FollowOutputs() {
    if (!gApp || !gORUN || gApp->Phase() == PhaseCode::Shutdown) return;
    ORUN_PROC("frmMain_FollowOutputs");
    try {
        cApp& app = RunApp();
        cORUN& unit = RunUnit();
        // A new step or process brings its own rows: their outputs are noted, and what the
        // step before left on an output is the phase machine's (the idle power held into
        // the next step) or the stop's.
        const int32_t step = int32_t(app.ProcNum()) * 1000 + app.ProcLayer();
        if (step != RowStep_) {
            RowStep_ = step;
            for (int16_t ch = 0; ch <= 7; ++ch) RowOutput_(ch) = RowOutput(ch);
            return;
        }
        bool powers = false;
        bool relays = false;
        bool left = false;
        for (int16_t ch = 0; ch <= 7; ++ch) {
            const int16_t was = RowOutput_(ch);
            const int16_t now = RowOutput(ch);
            if (was == now) continue;
            RowOutput_(ch) = now;
            left = true;
            if (now >= 0) {
                // The new output takes its film's scale and limit before any power; until
                // now it had another film's or none, which held it at 0.
                const FilmRec& f = gFilm(app.ChanFilm(ch));
                unit.setFullScale(now, f.FULL_SCALE);
                unit.setMaxPower(now, f.Max_Power);
                if (unit.Power(now) > f.Max_Power) {
                    unit.setPower(now, f.Max_Power);
                    powers = true;
                }
            } else {
                relays = CloseShutters(ch) || relays;
            }
            if (was < 0) continue;
            bool claimed = false;
            for (int16_t other = 0; other <= 7; ++other) claimed = claimed || (other != ch && RowOutput(other) == was);
            if (claimed || unit.Power(was) == 0.0) continue;
            unit.setPower(was, 0.0);
            powers = true;
        }
        if (powers) unit.SendPower();
        if (relays) unit.SendRelays();
        // The rows are laid out again (a row without an output has no manual power box),
        // and a hand-set power follows its row as at a change of step; a row given an
        // output shows that output's power at once, not what it showed before it had none.
        if (left) {
            ShowChannels();
            ShowSentPowers();
        }
    } catch (...) {
        gErr.HandleError();
    }
}

void frmMain::ShowRowsAtOnce() {
    if (!gApp || !gORUN || gApp->Phase() == PhaseCode::Shutdown) return;
    ORUN_PROC("frmMain_ShowRowsAtOnce");
    try {
        const cApp& app = RunApp();
        for (int16_t ch = 0; ch <= 7; ++ch) {
            if (ch >= FormSize_ || app.ChanFilm(ch) < 1) continue;
            lblRdg(ch)->setText(vb::Trim(modUtil::FormatChannelValue(gChanUserFilter(ch).Average(), ch)));
            ShowSentPower(ch);
            // An error already reported keeps its text until the channel is seen without it.
            if (!ChanErrorShown(ch)) ShowChanPhase(ch);
        }
    } catch (...) {
        gErr.HandleError();
    }
}
