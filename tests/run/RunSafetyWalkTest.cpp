// Seeded random walks of run safety: the real main window, phase machine, link and
// remote-control server against the unit emulator over TCP, driven by the operator's
// buttons and boxes, the plant's digital inputs, a remote client (presses, manual power,
// film, layer and channel values), film and layer editor stores in the middle of a run
// (maximum power, input, detector volts, the running layer's output), reading faults of
// every input (a detector that stops reading or goes inactive, or stays silent from a
// layer's start, a quartz monitor that falls silent or is switched off, the card's analog
// inputs gone), the layer editor moving a running layer onto any output (another row's
// included), and a unit that goes silent (also right at a layer's start), loses, garbles
// or cuts short its replies, loses a share of them at random for a while, answers every
// one late for a while, restarts (also through a dip of its supply that loses what reaches
// it meanwhile), drops its link or loses its port.
// Each walk ends with the exit. After every step, what the unit holds is checked against
// what the program holds and shows:
// - once the link has had one reply time-out since the last disturbance ended (a dropped
//   link also its connection wait), the unit holds every output's power and the relay word
//   the program holds, and each row shows the power the unit holds on its output;
// - a row that shows its power as held (not grey and slanted) shows the power the unit
//   holds, but for a restart the station cannot know of yet (until the unit gets its next
//   power command);
// - the unit is asked for its digital inputs and sensors every few commands it receives,
//   however slowly it answers;
// - once a unit late by 0.3 s or more has answered so for 4 s the window says
//   "SLOW LINK" (or something more pressing), and once it has answered at once for 4 s,
//   undisturbed, it does not;
// - in STOPPED no output is powered and no shutter is open but for a MAN POWER channel
//   whose row shows it;
// - no output is driven above the lowest maximum power of the films of the step that use
//   it, and no channel with a row drives its output under rate control without a live
//   reading of its film's input, nor before its detector gave a first reading in its layer;
// - after every tick: a channel under rate control whose detector delivered no reading in
//   the tick did not have its output raised (a loop acts on new readings only);
// - no box is ticked out of sight;
// - after the exit every output is at 0 V, the relays are the shutdown's, emission is off.
// Time is the fixed clock's: a step advances it tick by tick and lets every exchange on the
// link finish before the next, so a walk does the same on a loaded machine.
//
// ctest runs a fixed set of seeds (0..299) in six entries. More by hand: the environment
// ORUN_WALK_SEEDS=<first>:<count> spreads that range over the same six entries (and
// ORUN_WALK_STEPS sets the steps per walk); a failing walk prints its seed and its steps.
// The six side by side:
//   seq 0 5 | ORUN_WALK_SEEDS=1000:6000 QT_QPA_PLATFORM=offscreen xargs -P6 -I{} build/tests/test_run --gtest_filter='Seeds/RunSafetyWalk.*/{}'
// One seed again: ORUN_WALK_SEEDS=<seed>:1 ... --gtest_filter='Seeds/RunSafetyWalk.*/0'.
#include "ClockedStation.h"

#include "editors/FilmPush.h"
#include "editors/frmLayerFilm.h"
#include "app/VBConv.h"
#include "app/modUtil.h"
#include "run/modPhases.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <cmath>
#include <iostream>
#include <random>


namespace {

constexpr int kEntries = 6;
constexpr int kSeedsPerEntry = 50;
constexpr int kStepsPerWalk = 24;

constexpr int32_t kShutdownWord = 0b1;
// A reading source that stopped may be taken for live this long (ms): the unit tells of a
// detector without readings after 2 s, a quartz or analog reading lives three periods.
constexpr int64_t kNoticeMs = 2600;
// The most commands the unit receives between two requests for its inputs (or sensors):
// the poll's three questions, a reading and its powers, and a layer start's settings.
constexpr int kQuestionGap = 24;
// A unit late by this much keeps the poll's questions waiting over a second; the window
// follows a change of pace within this long.
constexpr int kSlowPaceMs = 300;
constexpr int64_t kPaceSeenMs = 4000;

bool ShutterFunction(int16_t code) { return (code >= 20 && code <= 27) || (code >= 30 && code <= 35); }

int EnvInt(const char* name, int fallback) {
    const QByteArray v = qgetenv(name);
    bool ok = false;
    const int n = v.toInt(&ok);
    return ok && n > 0 ? n : fallback;
}

// The seeds of ctest entry k: a fixed set, or the range ORUN_WALK_SEEDS spread over the
// entries.
std::pair<int, int> SeedsOf(int k) {
    const QByteArray range = qgetenv("ORUN_WALK_SEEDS");
    const QList<QByteArray> parts = range.split(':');
    if (parts.size() == 2 && parts[0].toInt() >= 0 && parts[1].toInt() > 0) {
        const int first = parts[0].toInt(), count = parts[1].toInt();
        const int share = (count + kEntries - 1) / kEntries;
        const int begin = first + k * share;
        return {begin, std::max(0, std::min(share, first + count - begin))};
    }
    return {k * kSeedsPerEntry, kSeedsPerEntry};
}

class RunSafetyWalk : public ClockedStation, public ::testing::WithParamInterface<int> {
protected:
    // Process 2 deposits on channel 0 alone. Start modes, end thicknesses and one shutter
    // delay are the seed's.
    void Records() {
        gProcess(2).Process_Name = QStringLiteral("Second");
        gProcess(2).First_Layer = 20;
        gProcess(2).Number_Layers = gProcess(2).Number_Act_Layers = 1;
        gLayer(20) = gLayer(1);
        gLayer(20).Layer_Number = 20;
        gLayer(20).CoDep_Layer = -1;
        gFilm(2).Shutter_Delay = Pick(0, 1) * 3;
        gFilm(2).Shutter_Capture = 5.0;
        for (int16_t L : {1, 2, 3, 4, 20}) {
            gLayer(L).StartMode = static_cast<int16_t>(Pick(0, 3) % 3);
            gLayer(L).Thick = Pick(0, 2) == 0 ? 0.0 : 999.0;
        }
    }

    // ---- the quartz and analog sources ----
    // The quartz monitors and the card's analog inputs read what the outputs of their
    // numbers drive, at every tick, while they are on.
    void AfterTick() override {
        CheckNoReadingNoRise();
        SeePhases();
        SeeTick();
        FollowDisturbances();
        bool any = false;
        QCMReadingArray R;
        for (int q = 0; q <= 3; ++q) {
            if (!quartzOn_[q]) continue;
            any = true;
            R(QCMReadingIndex(q, 0)) = Held(q) / 10.0;
            R(QCMReadingIndex(q, 2)) = 6.0e6;
        }
        if (any) emit gQCM->QCMReading(R, Timer());
        if (analogOn_) {
            VeskReadingArray v;
            for (int i = 0; i <= 3; ++i) v(i) = Held(i) / 10.0;
            emit gQCM->VeskReading(v, Timer());
        }
        if (any || analogOn_) Settle();
    }
    // The unit's reply delay, and since when it stands.
    void SetPace(int ms) {
        if (ms == sim_->ReplyDelay()) return;
        sim_->setReplyDelay(ms);
        paceSince_ = TickMs();
    }
    // The unit received a command: the gaps between its requests for inputs and sensors,
    // and the power command that ends a restart's unknown.
    void Received(const QString& command) {
        for (int q = 0; q < 2; ++q) {
            if (command == QLatin1String(q == 0 ? "M" : "D")) sinceQuestion_[q] = 0;
            else ++sinceQuestion_[q];
        }
        if (command.startsWith(QLatin1Char('K'))) restartUnknown_ = false;
    }
    // A source switched off is noted, so a reading it gave just before may still count.
    void SwitchSource(bool& on, int64_t& offSince, bool value) {
        if (on && !value) offSince = TickMs();
        on = value;
    }
    // The link's own trouble delays the notice: a unit that was out of reach tells of a
    // detector without readings only some time after it answers again.
    bool SourceLive(bool on, int64_t offSince) const { return on || TickMs() - std::max(offSince, settledAt_) < kNoticeMs; }

    // ---- disturbances ----
    // A disturbance that lasts a while on the clock (silence, a port taken away) ends by a
    // call the clock makes, also during the exit's own wait.
    void Until(int ms, std::function<void()> end, bool port = false) {
        ++lasting_;
        if (port) ++portsOff_;
        scheduled_.push_back(Clock::Schedule(TickMs() + ms, [this, end = std::move(end), port] {
            end();
            --lasting_;
            if (port) --portsOff_;
            Ended(0);
        }));
    }
    // The operator gives the unit its port back before leaving: without one, no stop can
    // reach it.
    void PortsBack() {
        if (portsOff_ == 0) return;
        if (gORUN->CommInit(10, gORUN->ePort(), gORUN->EAddress())) gORUN->SendGetVersion();
    }
    // The unit's state may lag the program's for one reply time-out after a disturbance
    // ends (a dropped link also for the wait for its connection).
    void Ended(int extraMs) { settledAt_ = std::max(settledAt_, TickMs() + OrunTiming::IdentifiedMs + 100 + extraMs); }
    bool Disturbed() const {
        return lasting_ > 0 || sim_->RepliesToLose() > 0 || sim_->RepliesToCorrupt() > 0 || sim_->RepliesToTruncate() > 0 ||
               TickMs() < settledAt_;
    }
    // The unit answers every command (at its pace), and has since the last step's checks.
    bool Answering() const { return !sim_->Silent() && !sim_->Dark() && portsOff_ == 0 && !Spoiled(); }
    bool Spoiled() const {
        return sim_->RepliesToLose() > 0 || sim_->RepliesToCorrupt() > 0 || sim_->RepliesToTruncate() > 0 || sim_->LoseShare() > 0.0;
    }
    QString Spoil(const QString& what) {
        spoiling_ = true;
        return what;
    }
    void FollowDisturbances() {
        // A silence, a lost reply or a command lost in a supply dip keeps the questions
        // waiting as a slow unit does.
        const bool awaited = gORUN->CommStatus() == 1 && TickMs() - lastCommandAt_ > sim_->ReplyDelay() + 2 * kTickMs;
        if (!Answering() || awaited) quietSince_ = TickMs();
        const bool replies = sim_->RepliesToLose() > 0 || sim_->RepliesToCorrupt() > 0 || sim_->RepliesToTruncate() > 0;
        if (spoiling_ && !replies) Ended(0);
        spoiling_ = replies;
    }

    // ---- the steps ----
    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }

    bool Shown(QWidget* w) const { return w->isVisibleTo(form) && w->isEnabled(); }
    bool Stopped() const { return gApp->Phase() == PhaseCode::Stopped || gApp->Phase() == PhaseCode::StopLayer; }

    // One step of the walk, named for the report.
    QString Act() {
        switch (Pick(0, 30)) {
        case 0:
        case 1:
            if (!Shown(form->cmdFunc(0))) return {};
            form->cmdFunc(0)->click();
            return QStringLiteral("START/STOP");
        case 2:
            if (!Shown(form->cmdFunc(1))) return {};
            form->cmdFunc(1)->click();
            return QStringLiteral("NEXT");
        case 3:
            if (!Shown(form->cmdFunc(2))) return {};
            form->cmdFunc(2)->click();
            return QStringLiteral("RESET");
        case 4: {
            const int input = Pick(-1, 4);
            sim_->Model().inputs = input < 0 ? 0 : 1 << input;
            return input < 0 ? QStringLiteral("inputs off") : QStringLiteral("input %1").arg(input);
        }
        case 5: {
            static const char* const kPresses[] = {"@UP;2", "@UP;3", "@UP;8", "@UP;6", "@UP;49;1"};
            const QString request = QLatin1String(kPresses[Pick(0, 4)]);
            return request + QStringLiteral(" ") + Remote(request);
        }
        case 6: {
            const QString request = QStringLiteral("@UP;%1;%2").arg(51 + Pick(0, 2)).arg(Pick(0, 110));
            return request + QStringLiteral(" ") + Remote(request);
        }
        case 7: {
            const QString request = QStringLiteral("@UP;%1;%2").arg(41 + Pick(0, 2)).arg(Pick(0, 1));
            return request + QStringLiteral(" ") + Remote(request);
        }
        case 8:
        case 9: {
            const int16_t ch = static_cast<int16_t>(Pick(0, 2));
            if (!Shown(form->chkManPwr(ch))) return {};
            form->chkManPwr(ch)->click();
            QString done = QStringLiteral("manual %1 %2").arg(ch).arg(form->chkManPwr(ch)->isChecked() ? "on" : "off");
            if (form->chkManPwr(ch)->isChecked() && Pick(0, 3) > 0) done += QStringLiteral(", ") + TypePower(ch);
            return done;
        }
        case 10: {
            const int16_t ch = static_cast<int16_t>(Pick(0, 2));
            if (!Shown(form->txtPower(ch))) return {};
            return TypePower(ch);
        }
        case 11: {
            const int ms = Pick(2, 30) * 100;
            sim_->setSilent(true);
            Until(ms, [this] { sim_->setSilent(false); });
            return QStringLiteral("unit silent %1 ms").arg(ms);
        }
        case 12: {
            const int n = Pick(1, 4);
            switch (Pick(0, 2)) {
            case 0: sim_->LoseNextReplies(n); return Spoil(QStringLiteral("%1 replies lost").arg(n));
            case 1: sim_->CorruptNextReplies(n); return Spoil(QStringLiteral("%1 replies garbled").arg(n));
            default: sim_->TruncateNextReplies(n); return Spoil(QStringLiteral("%1 replies cut short").arg(n));
            }
        }
        case 13:
            sim_->Model().PowerCycle();
            restartUnknown_ = true;
            Ended(0);
            return QStringLiteral("unit restarted");
        case 14:
            sim_->DropConnections();
            // The link notices at its next time-out, and then waits for its connection.
            Ended(OrunTiming::TcpConnectMs + 2 * kTickMs);
            return QStringLiteral("link dropped");
        case 15: {
            // A port taken away while late replies are on their way would leave them unread
            // on the station's side for as long.
            if (sim_->ReplyDelay() > 0 || sim_->RepliesHeld() > 0) return {};
            const int ms = Pick(2, 30) * 100;
            gORUN->CommInit(0, gORUN->ePort(), gORUN->EAddress());
            Until(ms, [this] {
                if (portsOff_ == 1 && gORUN && gORUN->CommPort() == 0 && gORUN->CommInit(10, gORUN->ePort(), gORUN->EAddress()))
                    gORUN->SendGetVersion();
            }, true);
            return QStringLiteral("port off %1 ms").arg(ms);
        }
        case 18: {
            // At the next layer start a detector falls silent, or the unit does for a while.
            if (Pick(0, 1)) {
                const int ch = Pick(0, 2);
                silentAtStart_[ch] = true;
                return QStringLiteral("detector %1 silent from the next layer start").arg(ch);
            }
            outageAtStart_ = Pick(2, 30) * 100;
            return QStringLiteral("unit silent %1 ms from the next layer start").arg(outageAtStart_);
        }
        case 16: {
            if (!Stopped()) return {};
            static const int16_t kLayers[] = {1, 2, 3, 4};
            LayerRec& l = gLayer(kLayers[Pick(0, 3)]);
            if (Pick(0, 1)) {
                l.StartMode = static_cast<int16_t>(Pick(0, 2));
                return QStringLiteral("layer %1 starts %2").arg(l.Layer_Number).arg(l.StartMode);
            }
            l.Thick = l.Thick > 0.0 ? 0.0 : 999.0;
            return QStringLiteral("layer %1 ends at %2").arg(l.Layer_Number).arg(l.Thick);
        }
        case 17: {
            if (!Stopped()) return {};
            const int process = gApp->ProcNum() == 1 ? 2 : 1;
            for (size_t i = 0; i < form->mnuFileProcess.size(); ++i)
                if (form->mnuFileProcess[i]->data().toInt() == process) form->mnuFileProcess_Click(static_cast<int16_t>(i));
            return QStringLiteral("process %1 opened").arg(process);
        }
        case 19: {
            // A recipe value over the remote link: the film's input, detector volts,
            // maximum power, error action or shutter delay (refused while running).
            static const int kParams[] = {31, 31, 32, 26, 7, 5};
            const int param = kParams[Pick(0, 5)];
            int value = 0;
            switch (param) {
            case 31: value = Pick(0, 9); break;
            case 32: value = Pick(0, 1) * 700; break;
            case 26: value = Pick(2, 10) * 10; break;
            case 7: value = Pick(0, 2); break;
            default: value = Pick(0, 1) * 3; break;
            }
            const QString request = QStringLiteral("@UF;%1;%2;%3;%4").arg(param).arg(Pick(1, 2)).arg(Pick(0, 2)).arg(value);
            return request + QStringLiteral(" ") + Remote(request);
        }
        case 20: {
            // A layer value of a running channel: its rate or its end thickness.
            const bool rate = Pick(0, 1);
            const QString request = QStringLiteral("@UL;%1;0;%2;%3").arg(rate ? 2 : 3).arg(Pick(0, 2)).arg(rate ? Pick(0, 5) : Pick(0, 1) * 999);
            return request + QStringLiteral(" ") + Remote(request);
        }
        case 21: {
            // A channel value: a manual rate ramp, manual mode, the loop's P term.
            const int ch = Pick(0, 2);
            QString request;
            switch (Pick(0, 2)) {
            case 0: request = QStringLiteral("@UV;%1;%2").arg(11 + ch).arg(Pick(0, 5)); break;
            case 1: request = QStringLiteral("@UV;%1;%2").arg(111 + ch).arg(Pick(0, 1)); break;
            default: request = QStringLiteral("@UV;%1;%2").arg(61 + ch).arg(Pick(1, 4) * 100); break;
            }
            return request + QStringLiteral(" ") + Remote(request);
        }
        case 22: {
            // The film editor stores a value of a film the step runs, as its cells do: a
            // maximum power, an input or a detector voltage.
            const int16_t ch = static_cast<int16_t>(Pick(0, 2));
            const int16_t film = gApp->ChanFilm(ch);
            if (film < 1) return {};
            FilmRec& f = gFilm(film);
            switch (Pick(0, 2)) {
            case 0:
                f.Max_Power = Pick(2, 10) * 10;
                FilmPush::MaxPower(film);
                return QStringLiteral("editor: film %1 at most %2 %").arg(film).arg(f.Max_Power);
            case 1:
                f.Input_Type = Pick(0, 8);
                return QStringLiteral("editor: film %1 reads input %2").arg(film).arg(f.Input_Type);
            default:
                f.Sensor_PMT = Pick(0, 1) * 750;
                FilmPush::PMTVolts(film);
                return QStringLiteral("editor: film %1 at %2 V").arg(film).arg(f.Sensor_PMT);
            }
        }
        case 23: {
            // The layer editor's output list gives a running channel's layer another output
            // (or none), another row's output included.
            const int16_t ch = static_cast<int16_t>(Pick(0, 2));
            const int16_t layer = gApp->ChanLayer(ch);
            if (layer < 1 || gApp->ChanFilm(ch) < 1) return {};
            const int16_t output = static_cast<int16_t>(Pick(-1, 3));
            form->grdChan_CellClick(ch, 0);
            QPointer<frmLayerFilm> ed = gLayerEditor;
            if (!ed) return QStringLiteral("no layer editor");
            ed->cboOut->setEnabled(true);
            ed->cboOut->setCurrentIndex(output + 1);
            ed->cboOut_Click();
            if (ed) {
                ed->close();
                delete ed.data();
            }
            return QStringLiteral("editor: layer %1 asked onto output %2, drives %3").arg(layer).arg(output).arg(gLayer(layer).Output);
        }
        case 24: {
            // A detector's readings stop or come back, or the unit reports it inactive.
            const int ch = Pick(0, 2);
            if (!sim_->Model().readingsStopped[ch] && sim_->Model().active[ch]) detectorOff_[ch] = TickMs();
            if (Pick(0, 1)) {
                sim_->Model().readingsStopped[ch] = !sim_->Model().readingsStopped[ch];
                return QStringLiteral("detector %1 readings %2").arg(ch).arg(sim_->Model().readingsStopped[ch] ? "stopped" : "back");
            }
            sim_->Model().active[ch] = !sim_->Model().active[ch];
            return QStringLiteral("detector %1 %2").arg(ch).arg(sim_->Model().active[ch] ? "active" : "inactive");
        }
        case 25: {
            // A quartz monitor stops or starts answering, or is switched off or on.
            const int q = Pick(0, 3);
            if (Pick(0, 1)) {
                SwitchSource(quartzOn_[q], quartzOff_[q], !quartzOn_[q]);
                return QStringLiteral("monitor %1 %2").arg(q + 1).arg(quartzOn_[q] ? "answers" : "silent");
            }
            gQCM->setQCMSensorEnabled(q, !gQCM->QCMSensorEnabled(q));
            if (!gQCM->QCMSensorEnabled(q)) quartzOff_[q] = TickMs();
            return QStringLiteral("monitor %1 %2").arg(q + 1).arg(gQCM->QCMSensorEnabled(q) ? "enabled" : "disabled");
        }
        case 26:
            // The card's analog inputs come or go.
            SwitchSource(analogOn_, analogOff_, !analogOn_);
            return QStringLiteral("analog inputs %1").arg(analogOn_ ? "on" : "off");
        case 27: {
            // Every reply late for a while: at most so late that the exit's stop still
            // fits its wait.
            if (portsOff_ > 0) return {};
            const int pace = Pick(1, 5) * 100;
            const int ms = Pick(20, 80) * 100;
            SetPace(pace);
            Until(ms, [this] { SetPace(0); });
            return QStringLiteral("unit %1 ms late for %2 ms").arg(pace).arg(ms);
        }
        case 28: {
            // The supply dips: what reaches the unit meanwhile is lost, the command on the
            // wire with it, so the station learns of it at its reply time-out.
            const int ms = Pick(3, 15) * 100;
            sim_->Brownout(ms);
            restartUnknown_ = true;
            Ended(ms + 2 * kTickMs);
            return QStringLiteral("unit supply dips %1 ms").arg(ms);
        }
        case 29: {
            // A share of the replies lost at random for a while.
            const int percent = Pick(1, 3) * 5;
            const int ms = Pick(20, 80) * 100;
            sim_->setLoseShare(percent / 100.0, static_cast<uint32_t>(Pick(1, 1000)));
            Until(ms, [this] { sim_->setLoseShare(0.0, 0); });
            return QStringLiteral("%1 % of replies lost for %2 ms").arg(percent).arg(ms);
        }
        default:
            return QStringLiteral("wait");
        }
    }

    QString TypePower(int16_t ch) {
        const QString p = QString::number(Pick(0, 1100) / 10.0);
        form->txtPower(ch)->setText(p);
        QTest::keyClick(form->txtPower(ch), Qt::Key_Return);
        return QStringLiteral("typed %1 % on %2").arg(p).arg(ch);
    }

    // ---- the checks ----
    // Whether channel ch's loop drives its output: in DEPOSIT, QCM CAL., MAN RAMP and
    // CONSTANT, and in SHTR DLY when its film has a shutter delay to capture in.
    static bool UnderControl(int16_t ch, const FilmRec& f) {
        switch (gApp->ChanPhase(ch)) {
        case PhaseCode::Deposit:
        case PhaseCode::QcmCal:
        case PhaseCode::ManRamp:
        case PhaseCode::Constant: return true;
        case PhaseCode::ShutterDelay: return f.Shutter_Delay >= 1;
        default: return false;
        }
    }
    // Whether channel ch's film's input gives live readings, as the walk made its sources
    // (a source gone only lately may still count).
    bool Live(int16_t ch) const {
        const FilmRec& f = gFilm(gApp->ChanFilm(ch));
        const UnitModel& u = sim_->Model();
        const int32_t type = f.Input_Type;
        if (InputType::IsEmission(type)) {
            const long volts = std::lround(f.Sensor_PMT);
            return volts > 0 && u.pmtVolts[ch] == volts && FirstReading(ch) &&
                   SourceLive(u.active[ch] && !u.readingsStopped[ch], detectorOff_[ch]);
        }
        if (InputType::IsQuartz(type)) {
            const int q = InputType::QuartzMonitor(type);
            return (gQCM->QCMSensorEnabled(q) || TickMs() - quartzOff_[q] < kNoticeMs) && SourceLive(quartzOn_[q], quartzOff_[q]);
        }
        if (InputType::IsAnalog(type)) return SourceLive(analogOn_, analogOff_);
        return false;
    }
    // The unit gave channel ch's detector reading at least once since the last layer start.
    bool FirstReading(int16_t ch) const { return sim_->Delivered(ch) != deliveredAtStart_[ch]; }
    // A layer starts: the disturbances drawn for this moment begin, and the detectors'
    // readings are counted from here.
    // The channels' phases as last seen: at the end of a tick or an action, or at a change
    // of the run's phase.
    void SeePhases() {
        for (int16_t ch = 0; ch <= 7; ++ch) phaseSeen_[ch] = gApp->ChanPhase(ch);
    }
    // What a tick starts from: at the end of the last tick or action.
    void SeeTick() {
        for (int16_t ch = 0; ch <= 7; ++ch) {
            tickPhase_[ch] = gApp->ChanPhase(ch);
            tickOutput_[ch] = gApp->ChanOutput(ch);
            tickDelivered_[ch] = sim_->Delivered(ch);
        }
        for (int o = 0; o <= 7; ++o) tickPower_[o] = gORUN->Power(o);
    }
    // A loop acts on new readings only: across a tick in which the unit delivered no
    // reading of its detector, a channel that stayed under rate control in one phase on
    // one output (served by it alone) never has that output raised.
    void CheckNoReadingNoRise() {
        if (!tickBroken_.isEmpty()) return;
        for (int16_t ch = 0; ch <= 7; ++ch) {
            const int16_t o = gApp->ChanOutput(ch);
            if (!RowShown(ch) || o < 0 || o != tickOutput_[ch] || gApp->ChanPhase(ch) != tickPhase_[ch]) continue;
            const FilmRec& f = gFilm(gApp->ChanFilm(ch));
            if (!InputType::IsEmission(f.Input_Type) || !UnderControl(ch, f)) continue;
            if (sim_->Delivered(ch) != tickDelivered_[ch]) continue;
            int served = 0;
            for (int16_t other = 0; other <= 7; ++other) served += gApp->ChanFilm(other) >= 1 && gApp->ChanOutput(other) == o;
            if (served != 1) continue;
            if (gORUN->Power(o) > tickPower_[o] + 1e-9)
                tickBroken_ = QStringLiteral("channel %1's output %2 rose from %3 % to %4 % in %5 without a new reading")
                                  .arg(ch).arg(o).arg(tickPower_[o]).arg(gORUN->Power(o)).arg(modPhases::PhaseName(gApp->ChanPhase(ch)));
        }
    }
    void LayerStarts() {
        UnitModel& u = sim_->Model();
        for (int16_t ch = 0; ch <= 7; ++ch) {
            // A channel in CONSTANT before and after the start runs on, on the readings it
            // had; any other starts afresh and waits for its detector's next reading. A
            // manual ramp seen last may have reached its rate, and so CONSTANT, in the tick
            // that started the layer.
            const int16_t seen = phaseSeen_[ch];
            const bool runsOn = (seen == PhaseCode::Constant || seen == PhaseCode::ManRamp) && gApp->ChanPhase(ch) == PhaseCode::Constant;
            if (!runsOn) deliveredAtStart_[ch] = sim_->Delivered(ch);
            if (!silentAtStart_[ch]) continue;
            silentAtStart_[ch] = false;
            if (!u.readingsStopped[ch] && u.active[ch]) detectorOff_[ch] = TickMs();
            u.readingsStopped[ch] = true;
        }
        if (outageAtStart_ > 0) {
            sim_->setSilent(true);
            Until(outageAtStart_, [this] { sim_->setSilent(false); });
            outageAtStart_ = 0;
        }
    }
    bool RowShown(int16_t ch) const { return ch < form->FormSize() && gApp->ChanFilm(ch) >= 1; }
    bool ManualDrives(int o) const {
        for (int16_t ch = 0; ch <= 7; ++ch)
            if (RowShown(ch) && gApp->ChanPhase(ch) == PhaseCode::ManPower && gApp->ChanOutput(ch) == o) return true;
        return false;
    }
    bool AnyManual() const {
        for (int16_t ch = 0; ch <= 7; ++ch)
            if (RowShown(ch) && gApp->ChanPhase(ch) == PhaseCode::ManPower) return true;
        return false;
    }

    // The first broken rule, or nothing.
    QString Broken() const {
        if (!tickBroken_.isEmpty()) return tickBroken_;
        const UnitModel& u = sim_->Model();
        const bool synced = !Disturbed();
        for (int16_t ch = 0; ch <= 7; ++ch)
            if (form->chkManPwr(ch)->isChecked() && !RowShown(ch)) return QStringLiteral("channel %1's box ticked out of sight").arg(ch);
        if (synced) {
            for (int o = 0; o <= 7; ++o)
                // After a restart an output climbs from 0 to the power set.
                if (gORUN->Climbing(o) ? Held(o) > gORUN->Power(o) + kCodeStep : std::abs(Held(o) - gORUN->Power(o)) > 1e-6)
                    return QStringLiteral("output %1: unit %2 %, program %3 %").arg(o).arg(Held(o)).arg(gORUN->Power(o));
            if (u.relays != (gORUN->RelayReg() & 0xFFF))
                return QStringLiteral("relays: unit %1, program %2").arg(u.relays, 0, 2).arg(gORUN->RelayReg(), 0, 2);
        }
        if (gApp->Phase() == PhaseCode::Stopped) {
            for (int o = 0; o <= 7; ++o) {
                if (gORUN->Power(o) > 0.0 && !ManualDrives(o)) return QStringLiteral("STOPPED: output %1 held at %2 %").arg(o).arg(gORUN->Power(o));
                if (synced && Held(o) > 0.0 && !ManualDrives(o)) return QStringLiteral("STOPPED: unit drives output %1").arg(o);
            }
            for (int16_t i = 0; i <= 11; ++i) {
                if (!ShutterFunction(modIO::GetOutputFunction(i)) || AnyManual()) continue;
                if (gORUN->Relay(i)) return QStringLiteral("STOPPED: shutter relay %1 on").arg(i);
                if (synced && (u.relays >> i & 1)) return QStringLiteral("STOPPED: unit's shutter relay %1 on").arg(i);
            }
        }
        for (int o = 0; o <= 7; ++o) {
            double lowest = 100.0;
            bool served = false;
            for (int16_t ch = 0; ch <= 7; ++ch) {
                if (gApp->ChanFilm(ch) < 1 || gApp->ChanOutput(ch) != o) continue;
                served = true;
                lowest = std::min(lowest, gFilm(gApp->ChanFilm(ch)).Max_Power);
            }
            if (served && (gORUN->Power(o) > lowest + kCodeStep || (synced && Held(o) > lowest + kCodeStep)))
                return QStringLiteral("output %1 driven at %2 % over the lowest maximum %3 % of its films").arg(o).arg(std::max(Held(o), gORUN->Power(o))).arg(lowest);
        }
        for (int16_t ch = 0; ch <= 7; ++ch) {
            const int16_t o = gApp->ChanOutput(ch);
            if (!RowShown(ch) || o < 0) continue;
            const FilmRec& f = gFilm(gApp->ChanFilm(ch));
            if (InputType::IsEmission(f.Input_Type) && UnderControl(ch, f) && !FirstReading(ch) && gORUN->Power(o) > 0.0)
                return QStringLiteral("channel %1 driven at %2 % in %3 before its detector's first reading").arg(ch).arg(gORUN->Power(o)).arg(modPhases::PhaseName(gApp->ChanPhase(ch)));
            if (synced && UnderControl(ch, f) && Held(o) > 0.0 && !Live(ch))
                return QStringLiteral("channel %1 driven at %2 % in %3 without a live reading of input %4").arg(ch).arg(Held(o)).arg(modPhases::PhaseName(gApp->ChanPhase(ch))).arg(f.Input_Type);
            const QString shown = form->lblPower(ch)->text();
            if (synced && shown != vb::Trim(modUtil::FormatTwoDecimals(Held(o))))
                return QStringLiteral("channel %1 shows %2 % while the unit holds %3 % on output %4").arg(ch).arg(shown).arg(Held(o)).arg(o);
            if (!restartUnknown_ && !form->lblPower(ch)->font().italic() && shown != vb::Trim(modUtil::FormatTwoDecimals(Held(o))))
                return QStringLiteral("channel %1 shows %2 % as held while the unit holds %3 % on output %4").arg(ch).arg(shown).arg(Held(o)).arg(o);
        }
        for (int q = 0; q < 2; ++q)
            if (sinceQuestion_[q] > kQuestionGap)
                return QStringLiteral("the unit received %1 commands without a request for its %2").arg(sinceQuestion_[q]).arg(q == 0 ? "inputs" : "sensors");
        const QString status = form->lblStatus->text();
        const bool paceHeld = TickMs() - std::max(paceSince_, quietSince_) >= kPaceSeenMs;
        if (paceHeld && sim_->ReplyDelay() >= kSlowPaceMs && status.isEmpty())
            return QStringLiteral("the unit has been %1 ms late for %2 ms and the window does not say so").arg(sim_->ReplyDelay()).arg(TickMs() - paceSince_);
        if (paceHeld && sim_->ReplyDelay() == 0 && !Disturbed() && status == QLatin1String("SLOW LINK"))
            return QStringLiteral("the window says SLOW LINK %1 ms after the pace came back").arg(TickMs() - paceSince_);
        return {};
    }

    // The exit as the operator asks for it, a few ticks after the question.
    QString Exit() {
        PortsBack();
        int cancel = 0;
        form->Form_QueryUnload(cancel, 0);
        if (!Ticks(Pick(0, 5))) return QStringLiteral("the link did not settle");
        // The exit timer may have run the second pass already, if real time went by.
        if (gApp->Phase() != PhaseCode::Shutdown) form->Form_QueryUnload(cancel, 0);
        if (gApp->Phase() != PhaseCode::Shutdown) return QStringLiteral("no shutdown");
        const UnitModel& u = sim_->Model();
        for (int o = 0; o <= 7; ++o)
            if (u.powerCode[o] != OutputCode::ZeroVolts) return QStringLiteral("after the exit output %1 at %2 %").arg(o).arg(Held(o));
        if (u.relays != kShutdownWord) return QStringLiteral("after the exit relays %1").arg(u.relays, 0, 2);
        for (int s = 0; s <= 3; ++s)
            if (u.emission[s]) return QStringLiteral("after the exit emission %1 on").arg(s);
        const QByteArray report = folder.read(QStringLiteral("ERRORS.TXT"));
        if (!report.isEmpty()) return QStringLiteral("error report: ") + QString::fromLatin1(report);
        return {};
    }

    // One walk; false (with the seed and its steps printed) when a rule broke.
    bool RunWalk(int seed, int stepsPerWalk, int& stepsDone) {
        rng_.seed(static_cast<unsigned>(seed));
        for (int q = 0; q <= 3; ++q) {
            quartzOn_[q] = true;
            quartzOff_[q] = 0;
        }
        analogOn_ = true;
        analogOff_ = 0;
        for (int64_t& t : detectorOff_) t = 0;
        for (bool& b : silentAtStart_) b = false;
        outageAtStart_ = 0;
        tickBroken_.clear();
        lasting_ = 0;
        portsOff_ = 0;
        settledAt_ = 0;
        spoiling_ = false;
        paceSince_ = quietSince_ = 0;
        sinceQuestion_[0] = sinceQuestion_[1] = 0;
        restartUnknown_ = false;
        QStringList steps;
        MakeStation([this] { Records(); });
        if (::testing::Test::HasFatalFailure()) return false;
        QObject::connect(sim_.get(), &UnitSim::CommandReceived, form, [this](const QString& c) { Received(c); });
        QObject::connect(gORUN, &cORUN::ORUNCommand, form, [this] { lastCommandAt_ = TickMs(); });
        // The link judges the unit's pace afresh after each reply time-out, and asks for
        // its identification and gives it its state before the poll goes on.
        QObject::connect(gORUN, &cORUN::ORUNError, form, [this](int type, int number) {
            if (type != 0 || number != 0) return;
            quietSince_ = TickMs();
            sinceQuestion_[0] = sinceQuestion_[1] = 0;
        });
        for (int q = 0; q <= 3; ++q) gQCM->setQCMSensorEnabled(q, true);
        for (int ch = 0; ch <= 7; ++ch) deliveredAtStart_[ch] = sim_->Delivered(ch);
        SeePhases();
        SeeTick();
        QObject::connect(gApp, &cApp::PhaseChange, form, [this](int16_t p) {
            if (p == PhaseCode::StartLayer) LayerStarts();
            SeePhases();
        });
        const auto fail = [&](const QString& why) {
            ADD_FAILURE() << "walk of seed " << seed << " broke at step " << steps.size() << ": " << why.toStdString()
                          << "\nsteps:\n  " << steps.join(QStringLiteral("\n  ")).toStdString();
            EndStation();
            return false;
        };
        for (int i = 0; i < stepsPerWalk; ++i) {
            QString done = Act();
            SeePhases();
            SeeTick();
            if (done.isEmpty()) done = QStringLiteral("wait");
            const int ticks = Pick(1, 30);
            steps << QStringLiteral("%1 (%2, then %3 ticks)").arg(done, modPhases::PhaseName(gApp->Phase())).arg(ticks);
            if (!Ticks(ticks)) return fail(QStringLiteral("the link did not settle"));
            const QString broken = Broken();
            if (!broken.isEmpty()) return fail(broken);
            if (QFile::exists(folder.file(QStringLiteral("ERRORS.TXT"))))
                return fail(QStringLiteral("error report: ") + QString::fromLatin1(folder.read(QStringLiteral("ERRORS.TXT"))));
            ++stepsDone;
        }
        steps << QStringLiteral("exit");
        const QString broken = Exit();
        if (!broken.isEmpty()) return fail(broken);
        EndStation();
        return true;
    }

private:
    std::mt19937 rng_;
    int64_t detectorOff_[8] = {};
    int64_t deliveredAtStart_[8] = {};
    int16_t phaseSeen_[8] = {};
    int16_t tickPhase_[8] = {};
    int16_t tickOutput_[8] = {};
    int64_t tickDelivered_[8] = {};
    double tickPower_[8] = {};
    QString tickBroken_;
    bool silentAtStart_[8] = {};
    int outageAtStart_ = 0;
    bool quartzOn_[4] = {};
    int64_t quartzOff_[4] = {};
    bool analogOn_ = false;
    int64_t analogOff_ = 0;
    int lasting_ = 0;
    int portsOff_ = 0;
    int64_t settledAt_ = 0;
    bool spoiling_ = false;
    int64_t paceSince_ = 0;   // the unit's reply delay stands since
    int64_t lastCommandAt_ = 0;  // the station last put a command on the wire
    int64_t quietSince_ = 0;  // the unit last left a command unanswered (silent, dark, no port, a reply spoilt), or the link timed out
    int sinceQuestion_[2] = {};  // commands the unit received since it was asked for its inputs, its sensors
    bool restartUnknown_ = false;  // the unit restarted and has not received a power command since
};

}  // namespace

TEST_P(RunSafetyWalk, TheUnitHoldsWhatTheWindowShowsThroughEveryStep) {
    const auto [first, count] = SeedsOf(GetParam());
    const int steps = EnvInt("ORUN_WALK_STEPS", kStepsPerWalk);
    int clean = 0;
    int stepsDone = 0;
    for (int seed = first; seed < first + count; ++seed)
        if (RunWalk(seed, steps, stepsDone)) ++clean;
    std::cout << "seeds " << first << ".." << first + count - 1 << ": " << clean << " of " << count
              << " walks clean, " << stepsDone << " steps checked\n";
    EXPECT_EQ(clean, count);
}

INSTANTIATE_TEST_SUITE_P(Seeds, RunSafetyWalk, ::testing::Range(0, kEntries));
