// What the window does when the link itself cannot carry the run: a unit that restarted
// has its outputs climb from 0 at the rate of the film each one serves, and a run whose
// link loses too many replies, or whose readings come too far apart to control on, is
// stopped with one message naming the reason rather than driven blind.
#include "app/Globals.h"
#include "app/PhaseCode.h"
#include "app/VBConv.h"
#include "app/cApp.h"
#include "app/cErrHandler.h"
#include "data/FilmRec.h"
#include "platform/Dialogs.h"
#include "run/frmMain.h"
#include "run/modPhases.h"
#include "run/modPhasesDetail.h"
#include "unit/cORUN.h"

#include <QPointer>
#include <QPushButton>
#include <QTimer>

void frmMain::ORUNEvent_UnitRestarted() {
    if (!gApp || !gORUN) return;
    cApp& app = RunApp();
    cORUN& unit = RunUnit();
    for (int o = 0; o <= 7; ++o) unit.setClimbRate(o, OrunTiming::DefaultClimbRate);
    for (int16_t ch = 0; ch <= 7; ++ch) {
        const int16_t film = app.ChanFilm(ch);
        const int16_t out = app.ChanOutput(ch);
        if (film < 1 || out < 0) continue;
        const FilmRec& f = gFilm(film);
        // The loop's own limit on how fast it moves the source; without one, the first
        // warm-up ramp's pace.
        double rate = f.SLEW_RATE;
        if (!(rate > 0.0) && f.RAMP1_TIME > 0 && f.Ramp1_Power > 0.0) rate = f.Ramp1_Power / f.RAMP1_TIME;
        unit.setClimbRate(out, rate);
        // A loop starts afresh from 0 on the readings that come now: its source is not
        // raised by the climb alone, without a reading.
        if (modPhases::UnderRateControl(ch)) {
            modPhases::SetChanPower(ch, 0.0);
            modPhases::RestartLoop(ch);
        }
    }
    // The unit came back at 0 V: no row shows a power it held before as held.
    ShowSentPowers();
}

void frmMain::ORUNEvent_LinkTooPoor(bool poor) {
    if (!poor || !gORUN) return;
    StopForLink(QStringLiteral("The link to the unit loses %1 % of its replies: too many to control the plant. "
                               "Process stopped.")
                    .arg(vb::Format(gORUN->LossShare() * 100.0, QStringLiteral("0"))));
}

void frmMain::StopForLink(const QString& reason) {
    if (!gApp || shuttingDown_) return;
    cApp& app = RunApp();
    const int16_t phase = app.Phase();
    if (phase == PhaseCode::Stopped || phase == PhaseCode::Shutdown || phase == PhaseCode::Startup) return;
    gErr.Note(reason);
    PressWithoutInterlock(cmdFunc(0));
    // Told once the stop is out, outside the reply that found it: the poll goes on while
    // the operator reads it.
    const QPointer<frmMain> self(this);
    QTimer::singleShot(0, this, [self, reason] {
        if (self) MsgBox(reason, vbExclamation);
    });
}

void frmMain::CheckReadingPace() {
    if (!modPhases::ReadingsTooSlow()) return;
    StopForLink(QStringLiteral("The unit's readings come %1 s apart: too far apart to control the sources on. "
                               "Process stopped.")
                    .arg(vb::Format(modPhases::ReadingGap(), QStringLiteral("0.0"))));
}
