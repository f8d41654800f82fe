// The ORUN_411 executable ended mid-run the ways a station's program ends without its
// operator: a termination signal with nobody at the screen, and the display going away.
// Judged by what the unit emulator holds once the program has gone.
#include "e2e/PrivateDisplay.h"
#include "e2e/StationFolder.h"

#include <QProcess>
#include <csignal>
#include <gtest/gtest.h>

namespace {

bool Finished(QProcess& program, int timeoutMs) {
    return WaitFor([&] { return program.state() == QProcess::NotRunning; }, timeoutMs);
}

// Starts the demonstration process by its Start input and waits until layer 1 deposits:
// its source driven, its shutter open.
bool Depositing(StationFolder& station) {
    const UnitModel& unit = station.unit().Model();
    if (!WaitFor([&] { return station.Polled(); }, 20000)) return false;
    station.unit().Model().inputs = 1;  // Start Process
    return WaitFor([&] { return unit.powerCode[0] > 32767 && unit.relays == 0b1110; }, 30000);
}

void ExpectUnitStopped(const UnitModel& unit) {
    for (int o = 0; o <= 7; ++o) EXPECT_EQ(unit.powerCode[o], 32767) << "output " << o;
    for (int s = 0; s <= 3; ++s) EXPECT_FALSE(unit.emission[s]) << "sensor " << s;
    EXPECT_EQ(unit.handOutput, 0);
    // Process Stopped on; Process Running, the channel shutter and Deposit Phase off.
    EXPECT_EQ(unit.relays, 0b0001);
}

}  // namespace

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
        station.Start(program, {.answered = false, .display = {}});
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
    station.Start(program, {.answered = true, .display = display.name()});
    ASSERT_TRUE(Depositing(station)) << station.unit().Model().relays;

    display.Kill();
    ASSERT_TRUE(Finished(program, 20000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << "ended by a crash signal";
    EXPECT_EQ(program.exitCode(), 1);
    ExpectUnitStopped(station.unit().Model());
}
