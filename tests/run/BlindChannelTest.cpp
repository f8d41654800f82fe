// The ways a source was driven without a reading, or the window and the unit parted, each
// run on the whole station against the unit emulator: what the unit holds (the powers of
// "K", the relay word of "N", the detector volts) is read after every tick, beside what the
// window shows. One row per way; a row gives its records, then runs the station and says
// what it found broken (nothing when the station behaved).
#include "ClockedStation.h"

#include "app/VBConv.h"
#include "app/modUtil.h"
#include "editors/FilmPush.h"
#include "editors/frmLayerFilm.h"
#include "run/modPhases.h"

#include <QComboBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>

namespace {

// One station for one row of the table, everything open to the row.
class BlindChannelRows : public ClockedStation {
public:
    using ClockedStation::EndStation;
    using ClockedStation::Held;
    using ClockedStation::MakeStation;
    using ClockedStation::Remote;
    using ClockedStation::Settle;
    using ClockedStation::Ticks;
    using ClockedStation::TicksUntil;
    using ClockedStation::boxes;
    using ClockedStation::form;
    using ClockedStation::kCodeStep;
    using ClockedStation::scheduled_;
    using ClockedStation::sim_;
    void TestBody() override {}

    // Run after every tick, then settled: a quartz source of the row's own.
    std::function<void()> everyTick;
    void AfterTick() override {
        if (!everyTick) return;
        everyTick();
        Settle();
    }

    // Ticks until the run phase is p, at most n ticks.
    bool UntilPhase(int16_t p, int n = 400) {
        return TicksUntil([&] { return gApp->Phase() == p; }, n);
    }
    QString Shown(int16_t ch) const { return form->lblPower(ch)->text(); }
    static QString Two(double p) { return vb::Trim(modUtil::FormatTwoDecimals(p)); }
    QString SubPhase(int16_t ch) const { return form->lblSubPhase(ch)->text(); }

    // Over n ticks (or until the run phase leaves p), output o holds 0 in the unit and the
    // row of channel ch says so; the first thing found otherwise.
    QString HeldOff(int16_t ch, int o, int16_t p, int n) {
        for (int i = 0; i < n && gApp->Phase() == p; ++i) {
            if (!Ticks(1)) return QStringLiteral("the link did not settle");
            if (Held(o) != 0.0) return QStringLiteral("output %1 at %2 % in %3").arg(o).arg(Held(o)).arg(modPhases::PhaseName(gApp->Phase()));
            if (Shown(ch) != QLatin1String("0.00")) return QStringLiteral("row %1 shows %2 %").arg(ch).arg(Shown(ch));
            if (sim_->Model().relays != (gORUN->RelayReg() & 0xFFF)) return QStringLiteral("relay word parted");
        }
        return {};
    }
};

struct Way {
    const char* name;
    std::function<void()> records;                  // before the station is made
    std::function<QString(BlindChannelRows&)> run;  // the first thing broken, or nothing
};

// A shutter delay long enough to watch, and a capture band the loop could reach.
void WatchedDelay() {
    gFilm(1).Shutter_Delay = 4;
    gFilm(1).Shutter_Capture = 30.0;
}

QString FailedDelay(BlindChannelRows& t) {
    if (gApp->Phase() != PhaseCode::Stopped) return QStringLiteral("the layer did not fail its shutter delay");
    if (t.boxes.count() == 0 || !t.boxes.prompts().last().startsWith(QLatin1String("Failed to reach 30.0% control within 4 seconds")))
        return QStringLiteral("no shutter-delay message");
    return {};
}

// A film on the analog input of a card that is not there, run in DEPOSIT of step 2 by the
// plant's Start Film input; the film's error action is the row's.
QString AnalogWithoutCard(BlindChannelRows& t, int action, int16_t endsIn, const QString& label) {
    for (const QString& r : {QStringLiteral("@UF;31;2;1;8"), QStringLiteral("@UF;7;2;1;%1").arg(action), QStringLiteral("@UP;9;2")})
        if (t.Remote(r) != QString()) return r + QStringLiteral(" refused");
    t.sim_->Model().inputs = 1 << 2;  // Start Film
    if (!t.UntilPhase(PhaseCode::Deposit)) return QStringLiteral("no DEPOSIT");
    QString broken = t.HeldOff(1, 1, PhaseCode::Deposit, 30);
    if (!broken.isEmpty()) return broken;
    if (gApp->Phase() != endsIn) return QStringLiteral("phase %1").arg(modPhases::PhaseName(gApp->Phase()));
    // The row follows at the next refresh.
    if (!t.TicksUntil([&] { return t.SubPhase(1) == label; }, 10)) return QStringLiteral("row 1 reads \"%1\"").arg(t.SubPhase(1));
    return {};
}

// Channel 0's layer is given another output in DEPOSIT; the layer editor's list looks at
// once, or the next reading does.
QString OutputChanged(BlindChannelRows& t, int16_t output, bool editor) {
    if (t.Remote(QStringLiteral("@UP;2")) != QString()) return QStringLiteral("no start");
    if (!t.UntilPhase(PhaseCode::Deposit) || !t.TicksUntil([&] { return t.Held(0) > 0.0; }, 50))
        return QStringLiteral("output 0 never driven in DEPOSIT");
    gLayer(1).Output = output;
    if (editor) {
        t.form->FollowOutputs();
        if (!t.Settle()) return QStringLiteral("the link did not settle");
    } else if (!t.Ticks(1)) {
        return QStringLiteral("the link did not settle");
    }
    if (t.Held(0) != 0.0) return QStringLiteral("the old output stays at %1 %").arg(t.Held(0));
    if (output < 0) {
        // The row's shutters close with it.
        if (t.sim_->Model().relays & (1 << 4 | 1 << 8)) return QStringLiteral("channel 1's shutters stay open");
        return {};
    }
    if (!t.TicksUntil([&] { return t.Held(output) > 0.0; }, 40)) return QStringLiteral("the new output is never driven");
    if (t.Held(output) > gFilm(1).Max_Power + BlindChannelRows::kCodeStep) return QStringLiteral("the new output over its film's maximum");
    if (t.Shown(0) != t.Two(t.Held(output))) return QStringLiteral("row 0 shows %1 %, the unit holds %2 %").arg(t.Shown(0)).arg(t.Held(output));
    return {};
}

// Films 1 and 2 go from START LAYER to DEPOSIT at once (no conditioning, no shutter delay);
// film 1's error action is the row's.
std::function<void()> StraightToDeposit(int action) {
    return [action] {
        for (int16_t f : {1, 2}) {
            FilmRec& film = gFilm(f);
            film.RAMP1_TIME = film.Soak1_Time = film.RAMP2_TIME = film.Soak2_Time = 0;
            film.Shutter_Delay = 0;
        }
        gFilm(1).ERROR_ACTION = action;
    };
}

bool Italic(const QLabel* l) { return l->font().italic(); }

// Channel 0's detector stays active but gives no reading from its layer's start on (and,
// when asked, the unit is out of reach for 1.6 s from then). Its output is never driven
// under rate control, and the film's error action ends where it says.
QString SilentFromStart(BlindChannelRows& t, int action, bool linkDrop) {
    QMetaObject::Connection hook = QObject::connect(gApp, &cApp::PhaseChange, [&t, linkDrop](int16_t p) {
        if (p != PhaseCode::StartLayer) return;
        t.sim_->Model().readingsStopped[0] = true;
        if (!linkDrop) return;
        t.sim_->setSilent(true);
        t.scheduled_.push_back(Clock::Schedule(TickMs() + 1600, [&t] { t.sim_->setSilent(false); }));
    });
    const auto done = [&](const QString& broken) {
        QObject::disconnect(hook);
        return broken;
    };
    if (t.Remote(QStringLiteral("@UP;2")) != QString()) return done(QStringLiteral("no start"));
    bool deposited = false;
    for (int i = 0; i < 90; ++i) {
        if (!t.Ticks(1)) return done(QStringLiteral("the link did not settle"));
        const int16_t p = gApp->ChanPhase(0);
        deposited = deposited || p == PhaseCode::Deposit || p == PhaseCode::HoldPower || gApp->Phase() == PhaseCode::StopLayer;
        if (deposited && t.Held(0) != 0.0)
            return done(QStringLiteral("output 0 at %1 % in %2 with no reading in the layer").arg(t.Held(0)).arg(modPhases::PhaseName(p)));
    }
    if (!deposited) return done(QStringLiteral("no DEPOSIT"));
    switch (action) {
    case 0:
        if (gApp->Phase() != PhaseCode::Deposit || t.SubPhase(0) != QLatin1String("ORUN Err: IGNORE"))
            return done(QStringLiteral("%1, row 0 reads \"%2\"").arg(modPhases::PhaseName(gApp->Phase()), t.SubPhase(0)));
        break;
    case 1:
        if (gApp->Phase() != PhaseCode::StopLayer || !t.boxes.prompts().contains(QStringLiteral("Channel 1 error. Layer stopped.")))
            return done(QStringLiteral("the layer did not stop with its message"));
        break;
    default:
        if (gApp->ChanPhase(0) != PhaseCode::HoldPower) return done(QStringLiteral("channel 0 not held"));
        if (gORUN->Power(0) != 0.0) return done(QStringLiteral("held at %1 %").arg(gORUN->Power(0)));
        break;
    }
    if (t.Shown(0) != QLatin1String("0.00")) return done(QStringLiteral("row 0 shows %1 %").arg(t.Shown(0)));
    return done({});
}

// Channel 0's detector stops reading n ticks into DEPOSIT, while its loop still climbs
// towards the rate. No tick without a reading raises its power (nothing is integrated on
// the last reading), and the film's Hold keeps at most the power the loop had at its last
// reading, for good.
QString StopsWhileClimbing(BlindChannelRows& t, int n) {
    if (t.Remote(QStringLiteral("@UP;2")) != QString()) return QStringLiteral("no start");
    if (!t.UntilPhase(PhaseCode::Deposit) || !t.TicksUntil([&] { return t.Held(0) > 0.0; }, 50))
        return QStringLiteral("output 0 never driven");
    if (!t.Ticks(n)) return QStringLiteral("the link did not settle");
    t.sim_->Model().readingsStopped[0] = true;
    const double last = t.Held(0);
    bool held = false;
    for (int i = 0; i < 60; ++i) {
        if (!t.Ticks(1)) return QStringLiteral("the link did not settle");
        if (t.Held(0) > last + BlindChannelRows::kCodeStep)
            return QStringLiteral("output 0 rose from %1 % to %2 % without a reading").arg(last).arg(t.Held(0));
        held = held || gApp->ChanPhase(0) == PhaseCode::HoldPower;
        if (held && gApp->ChanPhase(0) != PhaseCode::HoldPower) return QStringLiteral("the hold let go");
    }
    if (!held) return QStringLiteral("channel 0 not held");
    if (t.Held(0) <= 0.0) return QStringLiteral("held at 0 %");
    return {};
}

// Channel 0 deposits at some power; the unit falls silent, the window shows COMM ERROR,
// and the stop (or the exit) is asked for. The row shows what the unit still drives,
// marked, until the unit takes the zero once it answers again.
QString StopUnheard(BlindChannelRows& t, bool exit) {
    if (t.Remote(QStringLiteral("@UP;2")) != QString()) return QStringLiteral("no start");
    if (!t.UntilPhase(PhaseCode::Deposit) || !t.TicksUntil([&] { return t.Held(0) > 5.0; }, 80))
        return QStringLiteral("output 0 never above 5 %");
    if (!t.Ticks(1)) return QStringLiteral("the link did not settle");
    const double driven = t.Held(0);
    const QString before = t.Two(driven);
    if (t.Shown(0) != before || Italic(t.form->lblPower(0))) return QStringLiteral("row 0 shows %1 % before the outage").arg(t.Shown(0));
    t.sim_->setSilent(true);
    if (!t.TicksUntil([&] { return t.form->lblStatus->text() == QLatin1String("COMM ERROR"); }, 90)) return QStringLiteral("no COMM ERROR");
    int cancel = 0;
    if (exit) t.form->Form_QueryUnload(cancel, 0);
    else t.form->cmdFunc(0)->click();
    if (!exit && gApp->Phase() != PhaseCode::StopLayer) return QStringLiteral("no STOP LAYER");
    for (int i = 0; i < (exit ? 1 : 10); ++i) {
        if (i > 0 && !t.Ticks(1)) return QStringLiteral("the link did not settle");
        if (t.Held(0) != driven) return QStringLiteral("the silent unit's output moved to %1 %").arg(t.Held(0));
        if (t.Shown(0) != before || !Italic(t.form->lblPower(0)))
            return QStringLiteral("row 0 shows %1 % as held while the unit drives %2 %").arg(t.Shown(0), before);
    }
    t.sim_->setSilent(false);
    if (!t.TicksUntil([&] { return t.Held(0) == 0.0; }, 120)) return QStringLiteral("the zero never reached the unit");
    if (!t.TicksUntil([&] { return t.Shown(0) == QLatin1String("0.00") && !Italic(t.form->lblPower(0)); }, 5))
        return QStringLiteral("row 0 shows %1 % once the unit holds 0").arg(t.Shown(0));
    return {};
}

const Way kWays[] = {
    {"a detector that stops 2 ticks into DEPOSIT while its loop climbs, error action Hold", StraightToDeposit(2),
     [](BlindChannelRows& t) { return StopsWhileClimbing(t, 2); }},
    {"a detector that stops 5 ticks into DEPOSIT while its loop climbs, error action Hold", StraightToDeposit(2),
     [](BlindChannelRows& t) { return StopsWhileClimbing(t, 5); }},
    {"a detector silent from its layer start, error action Ignore", StraightToDeposit(0),
     [](BlindChannelRows& t) { return SilentFromStart(t, 0, false); }},
    {"a detector silent from its layer start, error action Stop", StraightToDeposit(1),
     [](BlindChannelRows& t) { return SilentFromStart(t, 1, false); }},
    {"a detector silent from its layer start, error action Hold", StraightToDeposit(2),
     [](BlindChannelRows& t) { return SilentFromStart(t, 2, false); }},
    {"a detector silent from its layer start with the link down at the start", StraightToDeposit(0),
     [](BlindChannelRows& t) { return SilentFromStart(t, 0, true); }},
    {"a healthy detector slower than the ticks, straight into DEPOSIT, error action Stop", StraightToDeposit(1),
     [](BlindChannelRows& t) -> QString {
         // Channel 0 reads every 1.5 s, channel 1 (whose readings drive the ticks) every 0.1 s:
         // DEPOSIT comes before channel 0's first reading of the layer.
         gORUN->setChanUpdate(1, 100);
         gORUN->setChanUpdate(0, 1500);
         if (!t.Settle()) return QStringLiteral("the link did not settle");
         int64_t atStart = -1;
         QMetaObject::Connection hook = QObject::connect(gApp, &cApp::PhaseChange, [&t, &atStart](int16_t p) {
             if (p == PhaseCode::StartLayer) atStart = t.sim_->Model().delivered[0];
         });
         const auto done = [&](const QString& broken) {
             QObject::disconnect(hook);
             return broken;
         };
         if (t.Remote(QStringLiteral("@UP;2")) != QString()) return done(QStringLiteral("no start"));
         bool heldFirst = false;
         for (int i = 0; i < 60; ++i) {
             if (!t.Ticks(1)) return done(QStringLiteral("the link did not settle"));
             const bool read = atStart >= 0 && t.sim_->Model().delivered[0] > atStart;
             if (gApp->ChanPhase(0) == PhaseCode::Deposit && !read) heldFirst = true;
             if (t.Held(0) > 0.0 && gApp->ChanPhase(0) == PhaseCode::Deposit && !read)
                 return done(QStringLiteral("output 0 at %1 % before the detector's first reading").arg(t.Held(0)));
             if (gApp->Phase() == PhaseCode::StopLayer) return done(QStringLiteral("the layer stopped on a healthy detector"));
         }
         if (!heldFirst) return done(QStringLiteral("DEPOSIT never came before the first reading"));
         if (t.Held(0) <= 0.0) return done(QStringLiteral("output 0 never driven once read"));
         return done({});
     }},
    {"a stop during a link outage, then the link back", {}, [](BlindChannelRows& t) { return StopUnheard(t, false); }},
    {"the exit during a link outage, then the link back", {}, [](BlindChannelRows& t) { return StopUnheard(t, true); }},
    {"the layer editor gives a row the output of another row of its step",
     [] {
         gLayer(1).Thick = gLayer(2).Thick = 0.0;  // step 1 ends at once
     },
     [](BlindChannelRows& t) -> QString {
         if (t.Remote(QStringLiteral("@UP;2")) != QString()) return QStringLiteral("no start");
         if (!t.TicksUntil([] { return gApp->ProcLayer() == 2 && gApp->Phase() == PhaseCode::Deposit; }, 400))
             return QStringLiteral("step 2 never deposits");
         // Channel 1's layer 3 (film 3, at most 60 %) asked onto channel 2's output 1 (film 4,
         // at most 40 %), then onto the free output 4.
         t.form->grdChan_CellClick(1, 0);
         QPointer<frmLayerFilm> ed = gLayerEditor;
         if (!ed || ed->CurrentLayer() != 3) return QStringLiteral("the layer editor does not show layer 3");
         ed->cboOut->setEnabled(true);
         ed->cboOut->setCurrentIndex(1);
         ed->cboOut_Click();
         const auto close = [&](const QString& broken) {
             if (ed) {
                 ed->close();
                 delete ed.data();
             }
             return broken;
         };
         if (!t.boxes.prompts().contains(QStringLiteral("Output 1 is used by another film of this layer.\r\nChoose another output.")))
             return close(QStringLiteral("no refusal"));
         if (gLayer(3).Output != 1 || ed->cboOut->currentIndex() != 2) return close(QStringLiteral("the output was taken"));
         for (int i = 0; i < 20; ++i) {
             if (!t.Ticks(1)) return close(QStringLiteral("the link did not settle"));
             if (t.Held(0) > 40.0 + BlindChannelRows::kCodeStep || t.Held(1) > 60.0 + BlindChannelRows::kCodeStep)
                 return close(QStringLiteral("outputs at %1 % and %2 %").arg(t.Held(0)).arg(t.Held(1)));
         }
         ed->cboOut->setCurrentIndex(4);
         ed->cboOut_Click();
         if (gLayer(3).Output != 3) return close(QStringLiteral("a free output was refused"));
         if (!t.TicksUntil([&] { return t.Held(3) > 0.0; }, 40)) return close(QStringLiteral("output 4 never driven"));
         if (t.Held(1) != 0.0) return close(QStringLiteral("the output left stays at %1 %").arg(t.Held(1)));
         return close({});
     }},
    {"a quartz monitor not enabled, in SHTR DLY", WatchedDelay,
     [](BlindChannelRows& t) -> QString {
         gQCM->setQCMSensorEnabled(0, false);
         if (t.Remote(QStringLiteral("@UF;31;1;0;1")) != QString() || t.Remote(QStringLiteral("@UP;2")) != QString())
             return QStringLiteral("refused");
         if (!t.UntilPhase(PhaseCode::ShutterDelay)) return QStringLiteral("no SHTR DLY");
         QString broken = t.HeldOff(0, 0, PhaseCode::ShutterDelay, 100);
         if (!broken.isEmpty()) return broken;
         return FailedDelay(t);
     }},
    {"the detector given 0 V, in SHTR DLY", WatchedDelay,
     [](BlindChannelRows& t) -> QString {
         if (t.Remote(QStringLiteral("@UF;32;1;0;0")) != QString() || t.Remote(QStringLiteral("@UP;2")) != QString())
             return QStringLiteral("refused");
         if (!t.UntilPhase(PhaseCode::ShutterDelay)) return QStringLiteral("no SHTR DLY");
         if (!t.Ticks(3)) return QStringLiteral("the link did not settle");
         if (t.SubPhase(0) != QLatin1String("ORUN ERROR")) return QStringLiteral("row 0 reads \"%1\"").arg(t.SubPhase(0));
         QString broken = t.HeldOff(0, 0, PhaseCode::ShutterDelay, 100);
         if (!broken.isEmpty()) return broken;
         if (t.sim_->Model().pmtVolts[0] != 0) return QStringLiteral("the detector holds %1 V").arg(t.sim_->Model().pmtVolts[0]);
         return FailedDelay(t);
     }},
    {"an analog input without its card, error action Ignore", {},
     [](BlindChannelRows& t) { return AnalogWithoutCard(t, 0, PhaseCode::Deposit, QStringLiteral("Vesk4 Err: IGNORE")); }},
    {"an analog input without its card, error action Stop", {},
     [](BlindChannelRows& t) -> QString {
         QString broken = AnalogWithoutCard(t, 1, PhaseCode::StopLayer, QStringLiteral("STOP LAYER"));
         if (!broken.isEmpty()) return broken;
         if (!t.boxes.prompts().contains(QStringLiteral("Channel 2 error. Layer stopped."))) return QStringLiteral("no stop message");
         return {};
     }},
    {"readings of the detector stop in DEPOSIT", {},
     [](BlindChannelRows& t) -> QString {
         if (t.Remote(QStringLiteral("@UP;2")) != QString()) return QStringLiteral("no start");
         if (!t.UntilPhase(PhaseCode::Deposit) || !t.TicksUntil([&] { return t.Held(0) > 0.0; }, 50))
             return QStringLiteral("output 0 never driven");
         t.sim_->Model().readingsStopped[0] = true;
         // The unit tells of a detector without readings after two seconds.
         if (!t.TicksUntil([&] { return t.Held(0) == 0.0; }, 40)) return QStringLiteral("still driven at %1 %").arg(t.Held(0));
         QString broken = t.HeldOff(0, 0, PhaseCode::Deposit, 20);
         if (!broken.isEmpty()) return broken;
         if (t.SubPhase(0) != QLatin1String("ORUN Err: IGNORE")) return QStringLiteral("row 0 reads \"%1\"").arg(t.SubPhase(0));
         t.sim_->Model().readingsStopped[0] = false;
         if (!t.TicksUntil([&] { return t.Held(0) > 0.0; }, 30)) return QStringLiteral("the loop does not resume");
         return {};
     }},
    {"a quartz monitor that falls silent in DEPOSIT", {},
     [](BlindChannelRows& t) -> QString {
         // Monitor 1 reads a tenth of what output 0 drives, while it answers.
         bool answering = true;
         gQCM->setQCMSensorEnabled(0, true);
         t.everyTick = [&] {
             if (!answering) return;
             QCMReadingArray R;
             R(QCMReadingIndex(0, 0)) = t.Held(0) / 10.0;
             R(QCMReadingIndex(0, 2)) = 6.0e6;
             emit gQCM->QCMReading(R, Timer());
         };
         const auto done = [&](const QString& broken) {
             t.everyTick = {};
             return broken;
         };
         if (t.Remote(QStringLiteral("@UF;31;1;0;1")) != QString() || t.Remote(QStringLiteral("@UP;2")) != QString())
             return done(QStringLiteral("refused"));
         if (!t.UntilPhase(PhaseCode::Deposit) || !t.TicksUntil([&] { return t.Held(0) > 0.0; }, 50))
             return done(QStringLiteral("output 0 never driven on the monitor's readings"));
         answering = false;
         // A quartz reading lives three measurement periods (0.5 s each here).
         if (!t.TicksUntil([&] { return t.Held(0) == 0.0; }, 25)) return done(QStringLiteral("still driven at %1 %").arg(t.Held(0)));
         QString broken = t.HeldOff(0, 0, PhaseCode::Deposit, 20);
         if (!broken.isEmpty()) return done(broken);
         if (t.SubPhase(0) != QLatin1String("QCM1 Err: IGNORE")) return done(QStringLiteral("row 0 reads \"%1\"").arg(t.SubPhase(0)));
         answering = true;
         if (!t.TicksUntil([&] { return t.Held(0) > 0.0; }, 30)) return done(QStringLiteral("the loop does not resume"));
         return done({});
     }},
    {"the running layer's output changed, through the editor's list", {},
     [](BlindChannelRows& t) { return OutputChanged(t, 3, true); }},
    {"the running layer's output changed, seen at the next reading", {},
     [](BlindChannelRows& t) { return OutputChanged(t, 3, false); }},
    {"the running layer's output removed", {},
     [](BlindChannelRows& t) { return OutputChanged(t, -1, true); }},
    {"a hand-set output taken from its row and given back", {},
     [](BlindChannelRows& t) -> QString {
         if (t.Remote(QStringLiteral("@UP;51;60")) != QString()) return QStringLiteral("no manual power");
         if (!t.Ticks(2) || std::abs(t.Held(0) - 60.0) > 0.01) return QStringLiteral("not at 60 %");
         for (int16_t output : {-1, 0}) {
             gLayer(1).Output = output;
             t.form->FollowOutputs();
             if (!t.Settle()) return QStringLiteral("the link did not settle");
         }
         if (t.Held(0) != 0.0) return QStringLiteral("output 0 at %1 % after it left its row").arg(t.Held(0));
         if (t.Shown(0) != QLatin1String("0.00")) return QStringLiteral("row 0 shows %1 % given its output back").arg(t.Shown(0));
         return {};
     }},
    {"Max. Power lowered over the remote link under a held manual power", {},
     [](BlindChannelRows& t) -> QString {
         if (t.Remote(QStringLiteral("@UP;51;60")) != QString()) return QStringLiteral("no manual power");
         if (!t.Ticks(2) || std::abs(t.Held(0) - 60.0) > 0.01) return QStringLiteral("not at 60 %");
         if (t.Remote(QStringLiteral("@UF;26;1;0;30")) != QString()) return QStringLiteral("refused");
         if (!t.Settle()) return QStringLiteral("the link did not settle");
         if (t.Held(0) > 30.0 + BlindChannelRows::kCodeStep) return QStringLiteral("held at %1 %").arg(t.Held(0));
         if (t.Shown(0) != QLatin1String("30.00")) return QStringLiteral("row 0 shows %1 %").arg(t.Shown(0));
         return {};
     }},
    {"Max. Power lowered in the film editor under a running loop", {},
     [](BlindChannelRows& t) -> QString {
         if (t.Remote(QStringLiteral("@UP;2")) != QString()) return QStringLiteral("no start");
         if (!t.UntilPhase(PhaseCode::Deposit) || !t.TicksUntil([&] { return t.Held(0) > 5.0; }, 80))
             return QStringLiteral("output 0 never above 5 %");
         gFilm(1).Max_Power = 5.0;
         FilmPush::MaxPower(1);  // the editor's Max. Power cell, stored
         if (!t.Settle()) return QStringLiteral("the link did not settle");
         for (int i = 0; i < 20; ++i) {
             if (t.Held(0) > 5.0 + BlindChannelRows::kCodeStep) return QStringLiteral("held at %1 %").arg(t.Held(0));
             if (t.Shown(0) != t.Two(t.Held(0))) return QStringLiteral("row 0 shows %1 %").arg(t.Shown(0));
             if (!t.Ticks(1)) return QStringLiteral("the link did not settle");
         }
         return {};
     }},
    {"a CONSTANT channel runs on through a stop and a start of its layer",
     [] { gLayer(1).StartMode = 2; },
     [](BlindChannelRows& t) -> QString {
         if (t.Remote(QStringLiteral("@UP;2")) != QString()) return QStringLiteral("no start");
         if (!t.TicksUntil([&] { return gApp->ChanPhase(0) == PhaseCode::Constant && t.Held(0) > 5.0; }, 200))
             return QStringLiteral("output 0 never driven in CONSTANT");
         if (t.Remote(QStringLiteral("@UP;3")) != QString()) return QStringLiteral("no stop");
         if (!t.UntilPhase(PhaseCode::StopLayer, 20)) return QStringLiteral("no STOP LAYER");
         for (const char* press : std::initializer_list<const char*>{"@UP;2", nullptr}) {
             // Its loop goes on, on the readings it runs on: never back to 0 until the
             // detector reads again.
             for (int i = 0; i < 20; ++i) {
                 if (!t.Ticks(1)) return QStringLiteral("the link did not settle");
                 if (gApp->ChanPhase(0) != PhaseCode::Constant) return QStringLiteral("channel 0 left CONSTANT");
                 if (t.Held(0) == 0.0) return QStringLiteral("output 0 dropped to 0 in %1").arg(modPhases::PhaseName(gApp->Phase()));
             }
             if (press && t.Remote(QString::fromLatin1(press)) != QString()) return QStringLiteral("no restart");
         }
         return {};
     }},
    {"the rows at the start of the next layer",
     [] {
         gLayer(1).Thick = gLayer(2).Thick = 0.0;  // step 1 ends at once
     },
     [](BlindChannelRows& t) -> QString {
         MeterDamping = 1.0;  // the rows' own refresh once a second
         if (t.Remote(QStringLiteral("@UP;2")) != QString()) return QStringLiteral("no start");
         if (!t.TicksUntil([] { return gApp->ProcLayer() == 2; }, 400)) return QStringLiteral("step 2 never reached");
         for (int i = 0; i < 9; ++i) {
             for (int16_t ch : {1, 2}) {
                 const QString phase = modPhases::PhaseName(gApp->ChanPhase(ch));
                 if (!t.SubPhase(ch).startsWith(phase))
                     return QStringLiteral("row %1 reads \"%2\" in %3").arg(ch).arg(t.SubPhase(ch), phase);
                 const int o = gApp->ChanOutput(ch);
                 if (t.Shown(ch) != t.Two(t.Held(o)))
                     return QStringLiteral("row %1 shows %2 %, the unit holds %3 %").arg(ch).arg(t.Shown(ch)).arg(t.Held(o));
             }
             if (!t.Ticks(1)) return QStringLiteral("the link did not settle");
         }
         return {};
     }},
};

TEST(BlindChannel, NoSourceIsDrivenWithoutItsReadingAndEachRowShowsWhatTheUnitHolds) {
    for (const Way& way : kWays) {
        BlindChannelRows t;
        t.MakeStation(way.records);
        ASSERT_FALSE(::testing::Test::HasFatalFailure()) << way.name;
        const QString broken = way.run(t);
        EXPECT_TRUE(broken.isEmpty()) << way.name << ": " << broken.toStdString();
        t.EndStation();
    }
}

}  // namespace
