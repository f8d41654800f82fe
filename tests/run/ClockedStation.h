#pragma once
// A whole station on the fixed clock against the unit emulator over TCP: the main window,
// the phase machine, the link and the remote-control server, with relay and input maps
// that switch shutters and run the process. A tick advances the clock by the poll interval
// and lets every exchange on the link finish, so what the unit holds can be read after it
// on a loaded machine as on an idle one.
//
// Process 1: step 1 deposits on channels 0 and 1, step 2 on channels 1 and 2 (channel 2
// through output 0 again). The films ramp, soak, deposit and idle within seconds.
#include "MainWindowFixture.h"

#include "platform/Winsock.h"

#include <QAbstractEventDispatcher>
#include <QElapsedTimer>
#include <functional>
#include <memory>
#include <vector>

class ClockedStation : public MainWindowTest {
protected:
    static constexpr int kTickMs = 90;
    // Relays: 0 Process Stopped, 1 Process Running, 2 Layer Stopped, 3 Deposit Phase,
    // 4..6 Channel 1..3 Shutter, 7 Manual Mode, 8 Source 1 Shutter, 9 Pre-Cond Phase.
    static constexpr int16_t kRelayFunctions[10] = {1, 2, 3, 5, 20, 21, 22, 9, 30, 6};
    // Inputs: 0 Start Process, 1 Stop Process, 2 Start Film, 3 Stop Film, 4 End Channel 1.
    static constexpr int16_t kInputFunctions[5] = {1, 2, 3, 4, 20};

    // Each test makes its station (after its own records) and ends it.
    void SetUp() override {}
    void TearDown() override { EndStation(); }

    void MakeStation(const std::function<void()>& records = {}) {
        Clock::SetFixed(QDateTime(QDate(2024, 5, 6), QTime(10, 0, 0)), Clock::Timers::FollowClock);
        MainWindowTest::SetUp();
        ServeRelay();
        Station({0, 1}, [&] {
            SecondStep();
            FastFilms();
            if (records) records();
        });
        modDB::IOLoad(2);  // process 2's row; the maps below go into both processes
        for (int16_t i = 0; i <= 9; ++i) modIO::SetOutputFunction(i, kRelayFunctions[i]);
        for (int16_t i = 0; i <= 4; ++i) modIO::SetInputFunction(i, kInputFunctions[i]);
        modDB::IOSave(1);
        modDB::IOSave(2);
        form->BuildProcessMenu();
        // The measurement period every station's channel settings give the channels it uses.
        for (int ch = 0; ch <= 1; ++ch) gORUN->setChanUpdate(ch, 100);
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

    // Films 1..4 ramp, soak and idle within seconds and their loops drive up fast; their
    // maximum powers differ.
    static void FastFilms() {
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
    }

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

    // Called after each tick has settled.
    virtual void AfterTick() {}

    bool Ticks(int n) {
        for (int i = 0; i < n; ++i) {
            Clock::Advance(kTickMs);
            if (!Settle()) return false;
            AfterTick();
        }
        return true;
    }

    // Ticks until the condition holds, at most n of them; whether it held.
    bool TicksUntil(const std::function<bool()>& condition, int n) {
        for (int i = 0; i < n && !condition(); ++i)
            if (!Ticks(1)) return false;
        return condition();
    }

    // The power the unit holds on output o, from its output code.
    double Held(int o) const { return (sim_->Model().powerCode[o] - OutputCode::ZeroVolts) * 100.0 / OutputCode::Span; }
    // A power read back from the output's whole-number code may lie up to one code above
    // the power asked for.
    static constexpr double kCodeStep = 100.0 / OutputCode::Span;

    std::unique_ptr<UnitSim> sim_;
    std::vector<Clock::ScheduleId> scheduled_;
};
