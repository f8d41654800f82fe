// Seeded random walks of run safety: the real main window, phase machine, link and
// remote-control server against the unit emulator over TCP, driven by the operator's
// buttons and boxes, the plant's digital inputs, a remote client, recipe edits, and a unit
// that goes silent, loses, garbles or cuts short its replies, restarts, drops its link or
// loses its port. Each walk ends with the exit. After every step, what the unit holds is
// checked against what the program holds and shows:
// - once the link has had one reply time-out since the last disturbance ended (a dropped
//   link also its connection wait), the unit holds every output's power and the relay word
//   the program holds;
// - in STOPPED no output is powered and no shutter is open but for a MAN POWER channel
//   whose row shows it;
// - no channel with a row drives its output above its film's maximum power, nor under
//   control without its film's detector volts in the unit;
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
#include "MainWindowFixture.h"

#include "platform/Winsock.h"
#include "run/modPhases.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <cmath>
#include <iostream>
#include <random>
#include <vector>


namespace {

constexpr int kTickMs = 90;
constexpr int kEntries = 6;
constexpr int kSeedsPerEntry = 50;
constexpr int kStepsPerWalk = 24;

// Relays: 0 Process Stopped, 1 Process Running, 2 Layer Stopped, 3 Deposit Phase,
// 4..6 Channel 1..3 Shutter, 7 Manual Mode, 8 Source 1 Shutter, 9 Pre-Cond Phase.
constexpr int16_t kRelayFunctions[10] = {1, 2, 3, 5, 20, 21, 22, 9, 30, 6};
constexpr int32_t kShutdownWord = 0b1;
// Inputs: 0 Start Process, 1 Stop Process, 2 Start Film, 3 Stop Film, 4 End Channel 1.
constexpr int16_t kInputFunctions[5] = {1, 2, 3, 4, 20};

bool ShutterFunction(int16_t code) { return (code >= 20 && code <= 27) || (code >= 30 && code <= 35); }

// Channel phases in which a loop drives the channel on its reading.
bool Controlled(int16_t p) {
    return p == PhaseCode::ShutterDelay || p == PhaseCode::Deposit || p == PhaseCode::QcmCal || p == PhaseCode::ManRamp ||
           p == PhaseCode::Constant;
}

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

class RunSafetyWalk : public MainWindowTest, public ::testing::WithParamInterface<int> {
protected:
    // Each walk makes its own station and ends it.
    void SetUp() override {}
    void TearDown() override { EndStation(); }

    // ---- the station ----
    void MakeStation() {
        Clock::SetFixed(QDateTime(QDate(2024, 5, 6), QTime(10, 0, 0)), Clock::Timers::FollowClock);
        MainWindowTest::SetUp();
        ServeRelay();
        Station({0, 1}, [this] { Records(); });
        modDB::IOLoad(2);  // process 2's row; the maps below go into both processes
        for (int16_t i = 0; i <= 9; ++i) modIO::SetOutputFunction(i, kRelayFunctions[i]);
        for (int16_t i = 0; i <= 4; ++i) modIO::SetInputFunction(i, kInputFunctions[i]);
        modDB::IOSave(1);
        modDB::IOSave(2);
        form->BuildProcessMenu();
        sim_ = std::make_unique<UnitSim>();
        ASSERT_TRUE(sim_->ListenTcp());
        ASSERT_TRUE(gORUN->CommInit(10, sim_->TcpPort(), QStringLiteral("127.0.0.1"), form->tcpControllerClient));
        gORUN->SendGetVersion();
        ASSERT_TRUE(Settle());
        ASSERT_TRUE(Polling());
        gApp->setPhase(PhaseCode::Stopped);
        ASSERT_TRUE(Settle());
    }

    void EndStation() {
        for (Clock::ScheduleId id : scheduled_) Clock::Cancel(id);
        scheduled_.clear();
        if (gMainForm) gMainForm->Form_Unload();
        ResetProgramState();
        Brevox::SetFactory({});
        sim_.reset();
        QFile::remove(folder.file(QStringLiteral("ORUN.MDB")));
        QFile::remove(folder.file(QStringLiteral("ERRORS.TXT")));
        boxes.clear();
        Clock::UseSystem();
    }

    // Process 1: step 1 deposits on channels 0 and 1, step 2 on channels 1 and 2 (output 0
    // again, for channel 2); process 2 deposits on channel 0 alone. The films ramp, soak,
    // deposit and idle within seconds; their loops drive up fast. Start modes, end
    // thicknesses and one shutter delay are the seed's.
    void Records() {
        SecondStep();
        gProcess(2).Process_Name = QStringLiteral("Second");
        gProcess(2).First_Layer = 20;
        gProcess(2).Number_Layers = gProcess(2).Number_Act_Layers = 1;
        gLayer(20) = gLayer(1);
        gLayer(20).Layer_Number = 20;
        gLayer(20).CoDep_Layer = -1;
        const double maxima[4] = {100.0, 100.0, 60.0, 40.0};
        for (int16_t f = 1; f <= 4; ++f) {
            FilmRec& film = gFilm(f);
            film.PTerm = 200.0;
            film.ITerm = 0.2;
            film.SLEW_RATE = 50.0;
            film.Sensor_PMT = 650 + 50 * f;
            film.Max_Power = maxima[f - 1];
            film.RAMP1_TIME = 2;
            film.Ramp1_Power = 20.0;
            film.Soak1_Time = 1;
            film.RAMP2_TIME = 1;
            film.Ramp2_Power = 30.0;
            film.Soak2_Time = 1;
            film.IDLE_Ramp = 2;
            film.Idle_Power = 10.0;
        }
        gFilm(2).Shutter_Delay = Pick(0, 1) * 3;
        gFilm(2).Shutter_Capture = 5.0;
        for (int16_t L : {1, 2, 3, 4, 20}) {
            gLayer(L).StartMode = static_cast<int16_t>(Pick(0, 3) % 3);
            gLayer(L).Thick = Pick(0, 2) == 0 ? 0.0 : 999.0;
        }
    }

    // ---- time and the wire ----
    // No byte left unread or unwritten on the station's side of its link.
    bool StationQuiet() const { return form->tcpControllerClient->Idle(); }

    // Runs events until nothing is left to run and no byte is on its way in either
    // direction: every exchange the last moment of the clock began has finished.
    bool Settle() {
        QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
        QElapsedTimer spent;
        spent.start();
        int quiet = 0;
        while (quiet < 3) {
            QCoreApplication::sendPostedEvents();
            const bool ran = dispatcher->processEvents(QEventLoop::AllEvents);
            quiet = !ran && sim_->Quiet() && StationQuiet() ? quiet + 1 : 0;
            if (spent.elapsed() > 30000) return false;
        }
        return true;
    }

    bool Ticks(int n) {
        for (int i = 0; i < n; ++i) {
            Clock::Advance(kTickMs);
            if (!Settle()) return false;
            FollowDisturbances();
        }
        return true;
    }

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
    QString Spoil(const QString& what) {
        spoiling_ = true;
        return what;
    }
    void FollowDisturbances() {
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
        switch (Pick(0, 18)) {
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
            Ended(0);
            return QStringLiteral("unit restarted");
        case 14:
            sim_->DropConnections();
            // The link notices at its next time-out, and then waits for its connection.
            Ended(OrunTiming::TcpConnectMs + 2 * kTickMs);
            return QStringLiteral("link dropped");
        case 15: {
            const int ms = Pick(2, 30) * 100;
            gORUN->CommInit(0, gORUN->ePort(), gORUN->EAddress());
            Until(ms, [this] {
                if (portsOff_ == 1 && gORUN && gORUN->CommPort() == 0 && gORUN->CommInit(10, gORUN->ePort(), gORUN->EAddress()))
                    gORUN->SendGetVersion();
            }, true);
            return QStringLiteral("port off %1 ms").arg(ms);
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
    double Held(int o) const { return (sim_->Model().powerCode[o] - OutputCode::ZeroVolts) * 100.0 / OutputCode::Span; }
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

    // A power read back from the output's whole-number code may lie up to one code above
    // the power asked for.
    static constexpr double kCodeStep = 100.0 / OutputCode::Span;

    // The first broken rule, or nothing.
    QString Broken() const {
        const UnitModel& u = sim_->Model();
        const bool synced = !Disturbed();
        for (int16_t ch = 0; ch <= 7; ++ch)
            if (form->chkManPwr(ch)->isChecked() && !RowShown(ch)) return QStringLiteral("channel %1's box ticked out of sight").arg(ch);
        if (synced) {
            for (int o = 0; o <= 7; ++o)
                if (std::abs(Held(o) - gORUN->Power(o)) > 1e-6)
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
        for (int16_t ch = 0; ch <= 7; ++ch) {
            const int16_t o = gApp->ChanOutput(ch);
            if (!RowShown(ch) || o < 0) continue;
            const FilmRec& f = gFilm(gApp->ChanFilm(ch));
            if (gORUN->Power(o) > f.Max_Power + kCodeStep || (synced && Held(o) > f.Max_Power + kCodeStep))
                return QStringLiteral("channel %1 driven at %2 % over its film's %3 %").arg(ch).arg(std::max(Held(o), gORUN->Power(o))).arg(f.Max_Power);
            if (synced && Controlled(gApp->ChanPhase(ch)) && Held(o) > 0.0 && u.pmtVolts[ch] != std::lround(f.Sensor_PMT))
                return QStringLiteral("channel %1 driven in %2 with its detector at %3 V").arg(ch).arg(modPhases::PhaseName(gApp->ChanPhase(ch))).arg(u.pmtVolts[ch]);
        }
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
        lasting_ = 0;
        portsOff_ = 0;
        settledAt_ = 0;
        spoiling_ = false;
        QStringList steps;
        MakeStation();
        if (::testing::Test::HasFatalFailure()) return false;
        const auto fail = [&](const QString& why) {
            ADD_FAILURE() << "walk of seed " << seed << " broke at step " << steps.size() << ": " << why.toStdString()
                          << "\nsteps:\n  " << steps.join(QStringLiteral("\n  ")).toStdString();
            EndStation();
            return false;
        };
        for (int i = 0; i < stepsPerWalk; ++i) {
            QString done = Act();
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
    std::unique_ptr<UnitSim> sim_;
    int lasting_ = 0;
    int portsOff_ = 0;
    int64_t settledAt_ = 0;
    bool spoiling_ = false;
    std::vector<Clock::ScheduleId> scheduled_;
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
