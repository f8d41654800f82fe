// The manual power boxes: while a channel's manual power is on, the operator types the
// output's power in percent. Only numeric keys get in; Enter or leaving the box sends a
// power within 0 and the film's maximum, anything else is refused and the present power
// shown again. The channel refresh leaves a box alone while the operator types in it, and
// keeps the text selected while the box has the focus, so typing replaces it. A hand-set
// power lives only as long as its row shows it.
#include "app/Globals.h"
#include "app/PhaseCode.h"
#include "app/VBConv.h"
#include "app/cApp.h"
#include "app/cErrHandler.h"
#include "app/modTextBox.h"
#include "data/FilmRec.h"
#include "platform/Dialogs.h"
#include "platform/TextBoxEvents.h"
#include "platform/VbColor.h"
#include "platform/VbControls.h"
#include "run/frmMain.h"
#include "run/modPhases.h"
#include "unit/cORUN.h"

#include <QCheckBox>
#include <QLineEdit>

namespace {

constexpr int16_t kEnter = 13;

}  // namespace

void frmMain::ConnectPowerBoxes() {
    for (int16_t ch = 0; ch <= 7; ++ch) {
        TextBoxEvents* events = TextBoxEvents::Of(txtPower(ch));
        events->GotFocus = [this, ch] { txtPower_GotFocus(ch); };
        events->LostFocus = [this, ch] { txtPower_LostFocus(ch); };
        events->KeyPress = [this, ch](int16_t& KeyAscii) { txtPower_KeyPress(ch, KeyAscii); };
    }
}

void frmMain::txtPower_GotFocus(int16_t Index) {
    ORUN_PROC("frmMain_txtPower_GotFocus");
    try {
        modTextBox::SelectText(txtPower(Index));
        RunUnit().setHandCtrlOutput(RunApp().ChanOutput(Index));
    } catch (...) {
        gErr.HandleError();
    }
}

void frmMain::ShowPowerInBox(int16_t Chan, const QString& power) {
    QLineEdit* box = txtPower(Chan);
    if (!box->isVisibleTo(this) || PowerTyped(Chan) || box->text() == power) return;
    box->setText(power);
    if (box->hasFocus()) modTextBox::SelectText(box);
}

void frmMain::txtPower_KeyPress(int16_t Index, int16_t& KeyAscii) {
    if (KeyAscii == kEnter) {
        ValidatePower(Index);
        return;
    }
    KeyAscii = modTextBox::FilterKeyPressNumeric(KeyAscii, false);
    PowerTyped(Index) = true;
}

// A message box taking the focus is no leaving of the box (the text-box events tell them
// apart), so a refused power is not validated a second time.
void frmMain::txtPower_LostFocus(int16_t Index) {
    ValidatePower(Index);
    PowerTyped(Index) = false;
}

bool frmMain::ValidatePower(int16_t Index) {
    const ProcTrace trace(gErr, QStringLiteral("frmMain_ValidatePower_Index_") + vb::CStr(static_cast<int>(Index)));
    try {
        cApp& app = RunApp();
        const int16_t film = app.ChanFilm(Index);
        // A row whose layer lost its output has nothing to power.
        if (film <= 0 || app.ChanOutput(Index) < 0) return false;
        QLineEdit* box = txtPower(Index);
        if (vb::Val(box->text()) == 0.0) box->setText(QStringLiteral("0"));
        const double power = vb::Val(box->text());
        const double most = gFilm(film).Max_Power;
        cORUN& unit = RunUnit();
        const int16_t out = app.ChanOutput(Index);
        if (power < 0.0 || power > most) {
            MsgBox(QStringLiteral("This channel's power values are 0 to ") + vb::Format(most, QStringLiteral("0.0")) + QStringLiteral("%."),
                   vbOKOnly);
            box->setText(vb::Format(unit.Power(out), QStringLiteral("0.0")));
            box->setFocus();
            return false;
        }
        unit.setPower(out, power);
        unit.SendPower();
        PowerTyped(Index) = false;
        return true;
    } catch (...) {
        gErr.HandleError();
        return false;
    }
}

void frmMain::FollowRowsShown() {
    if (!gORUN || !gApp) return;
    cApp& app = RunApp();
    cORUN& unit = RunUnit();
    const auto shown = [&](int16_t ch) { return ch < FormSize_ && app.ChanFilm(ch) >= 1; };
    // The box refuses more than the film's maximum; a power set under another step's film
    // is brought within it.
    bool changed = false;
    const auto keepWithinFilm = [&](int16_t ch, int16_t out) {
        const double most = gFilm(app.ChanFilm(ch)).Max_Power;
        if (unit.Power(out) <= most) return;
        unit.setPower(out, most);
        changed = true;
    };
    for (int16_t ch = 0; ch <= 7; ++ch) {
        // A box still ticked for a channel the run has taken out of manual power (a stop)
        // is switched off at once, as the next refresh would: until then a power typed or
        // sent into it would drive a channel no longer under the operator's hand.
        if (shown(ch) && chkManPwr(ch)->isChecked() && app.ChanPhase(ch) != PhaseCode::ManPower)
            PressWithoutInterlock(chkManPwr(ch));
        const int16_t out = ManualOutput_(ch);
        if (out < 0 && !chkManPwr(ch)->isChecked()) continue;
        if (!shown(ch) || out < 0 || out != app.ChanOutput(ch)) DropManualPower(ch);
        else keepWithinFilm(ch, out);
    }
    const int16_t phase = app.Phase();
    if (phase == PhaseCode::Stopped || phase == PhaseCode::StopLayer) {
        // While no layer runs, an output is driven only for a channel whose row shows it:
        // by hand, or in CONSTANT in STOP LAYER. A channel the step shown has no row for
        // stops, and whatever it drove goes to 0.
        for (int16_t ch = 0; ch <= 7; ++ch) {
            const int16_t p = app.ChanPhase(ch);
            const bool running = p == PhaseCode::Constant || p == PhaseCode::ManRamp || p == PhaseCode::HoldPower;
            if (running && !shown(ch)) {
                app.setChanPhase(ch, phase);
            } else if (p == PhaseCode::Constant && app.ChanOutput(ch) >= 0) {
                // Its loop goes on under the film of the step shown: that film's detector
                // volts before anything else, its maximum power at once, and nothing
                // without a live reading of its input.
                if (modPhases::DetectorReady(ch) && modPhases::ReadingLive(ch)) {
                    keepWithinFilm(ch, app.ChanOutput(ch));
                } else if (unit.Power(app.ChanOutput(ch)) > 0.0) {
                    unit.setPower(app.ChanOutput(ch), 0.0);
                    changed = true;
                }
            }
        }
        for (int16_t o = 0; o <= 7; ++o) {
            bool claimed = false;
            for (int16_t ch = 0; ch <= 7; ++ch) {
                const int16_t p = app.ChanPhase(ch);
                claimed = claimed || (shown(ch) && app.ChanOutput(ch) == o && (p == PhaseCode::ManPower || p == PhaseCode::Constant));
            }
            if (claimed || unit.Power(o) <= 0.0) continue;
            unit.setPower(o, 0.0);
            changed = true;
        }
    }
    if (changed) unit.SendPower();
}

void frmMain::DropManualPower(int16_t Chan) {
    ORUN_PROC("frmMain_DropManualPower");
    try {
        cApp& app = RunApp();
        cORUN& unit = RunUnit();
        const int16_t out = ManualOutput_(Chan);
        ManualOutput_(Chan) = -1;
        chkManPwr(Chan)->setChecked(false);  // a box set from code runs no click
        SetBackColor(chkManPwr(Chan), vbButtonFace);
        txtPower(Chan)->hide();
        PowerTyped(Chan) = false;
        if (out >= 0) {
            bool heldByAnother = false;
            for (int16_t other = 0; other <= 7; ++other) heldByAnother = heldByAnother || (other != Chan && ManualOutput_(other) == out);
            if (!heldByAnother) {
                unit.setPower(out, 0.0);
                unit.SendPower();
            }
            if (unit.HandCtrlOutput() == out) unit.setHandCtrlOutput(-1);
        }
        if (app.ChanPhase(Chan) == PhaseCode::ManPower)
            app.setChanPhase(Chan, app.Phase() == PhaseCode::Stopped ? PhaseCode::Stopped : PhaseCode::StopLayer);
    } catch (...) {
        gErr.HandleError();
    }
}
