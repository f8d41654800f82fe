// The ORUN_411 executable ended mid-run the ways a station's program ends without its
// operator: a termination signal with nobody at the screen, and the display going away.
// Judged by what the unit emulator holds once the program has gone.
#include "e2e/PrivateDisplay.h"
#include "e2e/SignalDefaults.h"
#include "e2e/StationFolder.h"

#include <QFile>
#include <QProcess>
#include <algorithm>
#include <csignal>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <sys/resource.h>
#include <unistd.h>

namespace {

bool Finished(QProcess& program, int timeoutMs) {
    return WaitFor([&] { return program.state() == QProcess::NotRunning; }, timeoutMs);
}

// Starts the demonstration process by its Start input and waits until layer 1 deposits:
// its source driven, its shutter open.
bool Depositing(StationFolder& station) {
    const UnitModel& unit = station.unit().Model();
    if (!WaitFor([&] { return station.Polled(); }, 20000)) return false;
    return WaitFor(
        [&] {
            station.PushStart();
            return unit.powerCode[0] > 32767 && unit.relays == 0b1110;
        },
        30000);
}

void ExpectUnitStopped(const UnitModel& unit) {
    for (int o = 0; o <= 7; ++o) EXPECT_EQ(unit.powerCode[o], 32767) << "output " << o;
    for (int s = 0; s <= 3; ++s) EXPECT_FALSE(unit.emission[s]) << "sensor " << s;
    EXPECT_EQ(unit.handOutput, 0);
    // Process Stopped on; Process Running, the channel shutter and Deposit Phase off.
    EXPECT_EQ(unit.relays, 0b0001);
}

// One program mid-deposit that is sent signals, and what came of it.
struct SignalTrial {
    std::vector<int> sent;  // sent one right after the other
    std::unique_ptr<StationFolder> station = std::make_unique<StationFolder>();
    std::unique_ptr<QProcess> program = std::make_unique<QProcess>();
    enum Step { Starting, Polling, Signalled, GoesOn, Ended } step = Starting;
    int polls = 0;          // the unit's sensor questions ("D") since it started
    int pollsAtSignal = 0;
    bool sourceHeld = false;  // the source had its power all the while the poll went on

    std::string What() const {
        std::string w;
        for (int s : sent)
            w += std::string(w.empty() ? "" : ", ") +
                 (s >= SIGRTMIN ? "RTMIN+" + std::to_string(s - SIGRTMIN) : sigabbrev_np(s) ? sigabbrev_np(s) : "?") + " (" +
                 std::to_string(s) + ")";
        return w;
    }
    pid_t Pid() const { return static_cast<pid_t>(program->processId()); }

    // One step further when the program allows it; true once the trial is over.
    bool Advance() {
        UnitModel& unit = station->unit().Model();
        switch (step) {
        case Starting:
            if (station->Polled()) step = Polling;
            return false;
        case Polling:
            if (unit.powerCode[0] <= 32767 || unit.relays != 0b1110) {
                station->PushStart();
                return false;
            }
            pollsAtSignal = polls;
            for (int s : sent) ::kill(Pid(), s);
            step = Signalled;
            return false;
        case Signalled:
            if (program->state() == QProcess::NotRunning) {
                step = Ended;
                return true;
            }
            // A station that polls its unit a second on with the source at its power has
            // gone on; a confirmed exit would have given the unit its zero powers at once.
            if (polls - pollsAtSignal >= 12 && unit.powerCode[0] > 32767) {
                sourceHeld = true;
                step = GoesOn;
                ::kill(Pid(), SIGTERM);
            }
            return false;
        case GoesOn: return program->state() == QProcess::NotRunning;
        case Ended: return true;
        }
        return true;
    }
};

}  // namespace

// Every signal whose default action would end or suspend the process, the class taken
// from the system (each signal's default asked of a child process), sent to the program
// mid-deposit: alone, and several at once in a seeded order. The program either ends with
// the unit stopped first (zero powers, emission off, the stop's relays) as a confirmed
// exit (status 0) or by that signal after the unit's last stop, or it goes on driving the
// unit (its poll going on, the source at its power) and then ends cleanly on SIGTERM. A
// terminal's stop never suspends it. SIGKILL and SIGSTOP cannot be caught and are not sent.
TEST(ProgramEnd, EverySignalThatWouldEndOrSuspendTheProgramLeavesTheUnitStoppedOrStillDriven) {
    // The programs the signals end leave no core files behind.
    struct NoCores {
        rlimit before{};
        NoCores() {
            ::getrlimit(RLIMIT_CORE, &before);
            rlimit none = before;
            none.rlim_cur = 0;
            ::setrlimit(RLIMIT_CORE, &none);
        }
        ~NoCores() { ::setrlimit(RLIMIT_CORE, &before); }
    } noCores;
    const std::vector<int> ending = SignalsWhoseDefault(SignalDefault::Ends);
    const std::vector<int> stopping = SignalsWhoseDefault(SignalDefault::Stops);
    ASSERT_GE(ending.size(), 20u) << "the system's ending signals";
    ASSERT_EQ(stopping.size(), 3u) << "the terminal's stops";

    std::vector<std::vector<int>> sends;
    for (int sig : ending) sends.push_back({sig});
    for (int sig : stopping) sends.push_back({sig});
    std::vector<int> all = ending;
    all.insert(all.end(), stopping.begin(), stopping.end());
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 draw(seed);
    for (int i = 0; i < 4; ++i) {
        std::vector<int> burst = all;
        std::shuffle(burst.begin(), burst.end(), draw);
        burst.resize(3 + i % 2);
        sends.push_back(burst);
    }

    // Several programs at a time: each has its own folder and unit.
    constexpr size_t kAtOnce = 6;
    for (size_t first = 0; first < sends.size(); first += kAtOnce) {
        std::vector<std::unique_ptr<SignalTrial>> trials;
        for (size_t i = first; i < std::min(first + kAtOnce, sends.size()); ++i) {
            auto t = std::make_unique<SignalTrial>();
            t->sent = sends[i];
            t->station->MapRelaysAndStartInput();
            QObject::connect(&t->station->unit(), &UnitSim::CommandReceived, [p = t.get()](const QString& c) {
                if (c == QLatin1String("D")) ++p->polls;
            });
            t->program->setChildProcessModifier(&OwnProcessGroup);
            t->station->Start(*t->program, {.answered = false, .display = {}, .through = {}, .standardError = {}});
            trials.push_back(std::move(t));
        }
        const bool over = WaitFor(
            [&] {
                bool all = true;
                for (auto& t : trials) all = t->Advance() && all;
                return all;
            },
            120000);
        for (auto& t : trials) {
            SCOPED_TRACE(t->What());
            if (!over && t->program->state() != QProcess::NotRunning) {
                const UnitModel& unit = t->station->unit().Model();
                ADD_FAILURE() << "still running at step " << t->step << ": " << t->polls << " polls, power code "
                              << unit.powerCode[0] << ", relays " << unit.relays << ", input " << unit.inputs;
                t->program->kill();
                t->program->waitForFinished(5000);
                continue;
            }
            const UnitModel& unit = t->station->unit().Model();
            if (t->step == SignalTrial::Ended) {
                // The stop was written before the process was gone; the last bytes may
                // still be on their way to the emulator.
                WaitFor([&] { return unit.PowersZero() && unit.relays == 0b0001; }, 5000);
                if (t->sent.size() == 1 && t->program->exitStatus() == QProcess::CrashExit) {
                    EXPECT_EQ(t->program->exitCode(), t->sent[0]) << "ended by another signal";
                }
                if (t->program->exitStatus() == QProcess::NormalExit) {
                    EXPECT_EQ(t->program->exitCode(), 0);
                }
            } else {
                EXPECT_TRUE(t->sourceHeld);
                EXPECT_EQ(t->program->exitStatus(), QProcess::NormalExit);
                EXPECT_EQ(t->program->exitCode(), 0);
            }
            ExpectUnitStopped(unit);
        }
    }
}

// A service manager, a shutdown or a UPS script ends the program mid-run, and nobody is at
// the screen: the boxes are real ones that nobody answers. The signal is the plant's own
// decision: the unit is stopped as a confirmed exit stops it and the program ends by
// itself, having saved what it saves at an exit (the data log's end line, the run number,
// the configuration). The second signal, sent while that exit runs, changes nothing.
TEST(ProgramEnd, ASignalStopsTheUnitAsAConfirmedExitWithoutAskingAndASecondChangesNothing) {
    const struct {
        const char* what;
        int first, second;
    } cases[] = {
        {"SIGTERM, then SIGTERM", SIGTERM, SIGTERM},
        {"SIGINT, then SIGTERM", SIGINT, SIGTERM},
        {"SIGHUP, then SIGINT", SIGHUP, SIGINT},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        StationFolder station;
        station.MapRelaysAndStartInput();
        QProcess program;
        station.Start(program, {.answered = false, .display = {}, .through = {}, .standardError = {}});
        ASSERT_TRUE(Depositing(station)) << station.unit().Model().relays;
        const UnitModel& unit = station.unit().Model();

        ::kill(static_cast<pid_t>(program.processId()), c.first);
        // The stop is on its way before the second signal comes.
        ASSERT_TRUE(WaitFor([&] { return unit.powerCode[0] == 32767; }, 5000));
        ::kill(static_cast<pid_t>(program.processId()), c.second);
        ASSERT_TRUE(Finished(program, 20000)) << "the program waits for somebody";
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 0);
        ExpectUnitStopped(unit);
        const QByteArray log = station.read("ORUN.TXT");
        EXPECT_EQ(log.count("Start Log\tDemo\tRun:1\t"), 1) << log.data();
        EXPECT_EQ(log.count("End Log"), 1) << log.data();
        EXPECT_GT(log.indexOf("End Log  \tDemo\tRun:1\t"), log.indexOf("Start Log")) << log.data();
        // The run the exit ended used up its number: the next run is the second.
        EXPECT_EQ(station.RunNumber(), 2);
        EXPECT_TRUE(station.read("ORUN.CFG").contains("[Display]")) << "the configuration written at exit";
        EXPECT_TRUE(station.read("ERRORS.TXT").isEmpty()) << station.read("ERRORS.TXT").data();
    }
}

// The X server dies mid-run (the graphical session ends, the server crashes): the display
// library ends the program from inside its event loop. The unit gets its zero powers,
// emission off and the stop's relay word before the process is gone, and the process ends
// by itself, not by a crash signal.
TEST(ProgramEnd, TheDisplayGoingAwayMidRunStopsTheUnitAndEndsWithoutACrash) {
    PrivateDisplay display;
    if (!display.Installed()) GTEST_SKIP() << display.why().toStdString();
    ASSERT_TRUE(display.Up()) << display.why().toStdString();
    StationFolder station;
    station.MapRelaysAndStartInput();
    QProcess program;
    station.Start(program, {.answered = true, .display = display.name(), .through = {}, .standardError = {}});
    ASSERT_TRUE(Depositing(station)) << station.unit().Model().relays;

    display.Kill();
    ASSERT_TRUE(Finished(program, 20000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << "ended by a crash signal";
    EXPECT_EQ(program.exitCode(), 1);
    ExpectUnitStopped(station.unit().Model());
}

// The exit status tells whoever started the program whether the end was clean, and what
// the exit could not save is on standard error (a service's journal keeps it) and in
// ERRORS.TXT when the folder takes it. Each case is ended by SIGTERM mid-deposit with nobody
// at the screen: a clean end (0); the program folder made read-only mid-run, so the exit's
// one save of the settings and the active records (the run number the run used up among
// them) and ERRORS.TXT are refused (4); the unit silent from before the end, so it never
// confirms its stop (2).
TEST(ProgramEnd, TheExitStatusSaysWhetherTheEndWasCleanAndStandardErrorNamesWhatWasLost) {
    enum Trouble { None, ReadOnlyFolder, SilentUnit };
    const struct Case {
        const char* what;
        Trouble trouble;
        int status;
        QStringList said;  // on standard error
    } cases[] = {
        {"a clean end", None, 0, {}},
        {"the folder made read-only mid-run", ReadOnlyFolder, 4,
         {"process Demo", "could not be saved", "nobody was there to answer", "could not be written either"}},
        {"the unit silent at the end", SilentUnit, 2, {"The unit did not confirm the shutdown's stop"}},
    };
    struct Trial {
        const Case* c;
        std::unique_ptr<StationFolder> station = std::make_unique<StationFolder>();
        std::unique_ptr<QProcess> program = std::make_unique<QProcess>();
        bool signalled = false;
    };
    std::vector<Trial> trials;
    for (const Case& c : cases) {
        Trial t{&c};
        t.station->MapRelaysAndStartInput();
        StationFolder::Run how{.answered = false, .display = {}, .through = {}, .standardError = "stderr.txt"};
        // Root writes to a read-only folder all the same: the program runs without that power.
        if (c.trouble == ReadOnlyFolder && ::geteuid() == 0)
            how.through = {"setpriv", "--bounding-set=-dac_override,-dac_read_search", "--"};
        t.station->Start(*t.program, how);
        trials.push_back(std::move(t));
    }
    const bool over = WaitFor(
        [&] {
            bool all = true;
            for (Trial& t : trials) {
                UnitModel& unit = t.station->unit().Model();
                if (!t.signalled) t.station->PushStart();
                if (!t.signalled && unit.powerCode[0] > 32767 && unit.relays == 0b1110) {
                    if (t.c->trouble == ReadOnlyFolder) QFile::setPermissions(t.station->path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
                    if (t.c->trouble == SilentUnit) t.station->unit().setSilent(true);
                    ::kill(static_cast<pid_t>(t.program->processId()), SIGTERM);
                    t.signalled = true;
                }
                all = all && t.program->state() == QProcess::NotRunning;
            }
            return all;
        },
        120000);
    for (Trial& t : trials) {
        SCOPED_TRACE(t.c->what);
        QFile::setPermissions(t.station->path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        if (!over && t.program->state() != QProcess::NotRunning) {
            ADD_FAILURE() << "still running";
            t.program->kill();
            t.program->waitForFinished(5000);
            continue;
        }
        EXPECT_TRUE(t.signalled);
        EXPECT_EQ(t.program->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(t.program->exitCode(), t.c->status);
        const QString said = QString::fromLocal8Bit(t.station->read("stderr.txt"));
        QStringList lines;
        for (const QString& l : said.split('\n'))
            if (l.startsWith("ORUN_411: ")) lines << l;
        if (t.c->said.isEmpty()) {
            EXPECT_TRUE(lines.isEmpty()) << said.toStdString();
        }
        for (const QString& words : t.c->said) EXPECT_TRUE(lines.join('\n').contains(words)) << words.toStdString() << "\n" << said.toStdString();
        if (t.c->trouble == SilentUnit) continue;
        ExpectUnitStopped(t.station->unit().Model());
        EXPECT_FALSE(QFile::exists(t.station->file("ERRORS.TXT"))) << t.station->read("ERRORS.TXT").data();
    }
}
