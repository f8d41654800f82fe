// The main window against the emulated unit over TCP: the identification starts the
// 90 ms poll (or closes the window on old firmware), each poll asks for sensors, inputs
// and a new reading, the reading runs one control tick, and a unit that falls silent or
// drops the link comes back by itself.
#include "MainWindowFixture.h"

#include "app/cErrHandler.h"
#include "platform/Winsock.h"

#include <QDir>
#include <QLabel>
#include <QElapsedTimer>
#include <QHash>
#include <QRegularExpression>
#include <cstdlib>

namespace {

// Every "G" asked for follows an "F" answered "F1" (on a loaded machine the "G" may wait
// in the queue behind the next poll's commands, so it is counted, not placed), and the
// poll's three commands come in the order D, M, F.
void ExpectPollOrder(const QStringList& commands) {
    int polls = 0;
    for (int i = 0; i + 2 < commands.size(); ++i) {
        if (commands[i] != "D") continue;
        EXPECT_EQ(commands[i + 1], "M") << commands.join(' ').toStdString();
        EXPECT_EQ(commands[i + 2], "F") << commands.join(' ').toStdString();
        ++polls;
    }
    EXPECT_GE(polls, 3);
    int checks = 0;
    for (const QString& c : commands) {
        if (c == "F") ++checks;
        if (c == "G") {
            EXPECT_GE(--checks, 0) << commands.join(' ').toStdString();
        }
    }
}

}  // namespace

TEST_F(MainWindowTest, CompatibleUnitIsPolledAndEachReadingRunsOneTick) {
    Station({0, 1});
    Connect(QStringLiteral("4.10"));
    unit.ClearCommands();
    int readings = 0;
    QObject::connect(gORUN, &cORUN::ORUNResponse, [&](const QString& r) {
        if (r.startsWith('G')) {
            ++readings;
            // The poll pauses for the tick only.
            EXPECT_TRUE(Polling());
            EXPECT_EQ(gChanReading(0), gORUN->ChanFlux(0));
        }
    });
    ASSERT_TRUE(WaitUntil([&] { return readings >= 4; }, 5000));
    ExpectPollOrder(unit.Commands());
    EXPECT_FALSE(form->lblRdg(0)->text().isEmpty());
    EXPECT_EQ(boxes.count(), 0);
    // STOPPED runs no phase tick; in DEPOSIT each reading's tick ends by sending the powers.
    auto powers = [&] { return static_cast<int>(unit.Commands().filter(QRegularExpression("^K")).size()); };
    unit.ClearCommands();  // after the powers the identification sent
    readings = 0;
    ASSERT_TRUE(WaitUntil([&] { return readings >= 3; }, 5000));
    EXPECT_EQ(powers(), 0);
    gApp->setPhase(PhaseCode::Deposit);
    unit.ClearCommands();
    readings = 0;
    ASSERT_TRUE(WaitUntil([&] { return readings >= 3; }, 5000));
    ASSERT_TRUE(WaitUntil([&] { return powers() >= unit.Commands().count("G"); }, 2000));

    // An error inside the tick is reported, and the poll goes on: channel 2's layer names
    // a film that does not exist.
    gLayer(1).CoDep_Layer = 3;
    gLayer(3) = gLayer(2);
    gLayer(3).Layer_Number = 3;
    gLayer(3).Channel = 2;
    gLayer(3).Film_Number = 26;
    gLayer(2).CoDep_Layer = 3;
    gProcess(1).Number_Act_Layers = 3;
    ASSERT_EQ(gApp->BuildProcess(1), 0);
    const int before = readings;
    ASSERT_TRUE(WaitUntil([&] { return readings >= before + 3; }, 5000));
    EXPECT_GE(boxes.count(), 2);
    EXPECT_TRUE(boxes.last().prompt.contains("Subscript out of range")) << boxes.last().prompt.toStdString();
    EXPECT_TRUE(Polling());
}

TEST_F(MainWindowTest, OldFirmwareIsRefusedAndTheWindowCloses) {
    Station({0});
    Connect(QStringLiteral("4.09"));
    ASSERT_TRUE(WaitUntil([&] { return !form->isVisible() && gApp->Phase() == PhaseCode::Shutdown; }, 4000));
    ASSERT_GE(boxes.count(), 2);
    EXPECT_EQ(boxes.boxes()[0].prompt, "Controller firmware version 409 is not compatible with this software.\r\n"
                                       "Please contact Arvento support.");
    EXPECT_EQ(boxes.boxes()[0].title, "ORUN");
    EXPECT_EQ(boxes.boxes()[0].icon(), vbCritical);
    EXPECT_EQ(boxes.boxes()[1].prompt, "Exit the ORUN program?");
    EXPECT_FALSE(Polling());
    EXPECT_FALSE(unit.Commands().contains("D"));
}

// A unit that stays silent shows "COMM ERROR" after the reply time-out and is asked again
// for its identification; one that drops the TCP link is reconnected.
TEST_F(MainWindowTest, SilentOrDroppedUnitComesBackByItself) {
    Station({0});
    Connect();
    int readings = 0;
    QObject::connect(gORUN, &cORUN::ORUNResponse, [&](const QString& r) { readings += r.startsWith('G'); });

    Debug = 3;  // time-outs of an identified unit are logged
    unit.setSilent(true);
    ASSERT_TRUE(WaitUntil([&] { return form->lblStatus->text() == "COMM ERROR"; }, 8000));
    EXPECT_TRUE(folder.read("CommErrors.txt").endsWith(": Comm Timeout\r\n")) << folder.read("CommErrors.txt").toStdString();
    unit.ClearCommands();
    unit.setSilent(false);
    ASSERT_TRUE(WaitUntil([&] { return form->lblStatus->text().isEmpty() && unit.Commands().contains("@"); }, 6000));
    int before = readings;
    ASSERT_TRUE(WaitUntil([&] { return readings > before + 2; }, 3000));

    unit.DropConnections();
    ASSERT_TRUE(WaitUntil([&] { return unit.TcpConnections() == 1; }, 12000));
    before = readings;
    ASSERT_TRUE(WaitUntil([&] { return readings > before + 2 && form->lblStatus->text().isEmpty(); }, 6000));
    EXPECT_EQ(form->tcpControllerClient->State(), Winsock::sckConnected);
    EXPECT_EQ(boxes.count(), 0);
}

// The unit closes its TCP connection in order, or resets it, in the middle of a deposit:
// no reply can come, so the link fails at once instead of showing the last reading as
// current until the reply time-out. With the poll held and nothing in flight (no reply
// time-out can run), the program's socket seeing the end of the connection and one poll
// tick, driven here, bring "COMM ERROR"; then the link is made again and the poll goes on.
TEST_F(MainWindowTest, AConnectionTheUnitEndsIsALinkFailureWithinOnePollTick) {
    Station({0});
    Connect();
    gApp->setPhase(PhaseCode::Deposit);
    gApp->setChanPhase(0, PhaseCode::Deposit);
    int readings = 0;
    QObject::connect(gORUN, &cORUN::ORUNResponse, [&](const QString& r) { readings += r.startsWith('G'); });
    ASSERT_TRUE(WaitUntil([&] { return readings >= 3; }, 5000));
    // Ticks now come only from the test; the reading in flight is answered.
    form->RequestReadings->setInterval(3600 * 1000);
    ASSERT_TRUE(WaitUntil([&] { return gORUN->CommStatus() == 0; }, 5000));
    int failures = 0;
    bool shown = false;
    QObject::connect(gORUN, &cORUN::ORUNError, [&](int type, int num) { failures += type == 0 && num == 0; });
    QObject::connect(gApp, &cApp::StatusMsgChange, [&](int16_t n) {
        if (n == StatusMsgCode::CommError) shown = form->lblStatus->text() == "COMM ERROR";
    });

    for (const bool reset : {false, true}) {
        SCOPED_TRACE(reset ? "reset" : "closed");
        failures = 0;
        shown = false;
        bool ended = false;
        const auto seen = QObject::connect(form->tcpControllerClient, &Winsock::Closed, [&] { ended = true; });
        unit.CloseConnections(reset);
        ASSERT_TRUE(WaitUntil([&] { return ended; }, 5000));
        QObject::disconnect(seen);
        form->RequestReadings_Timer();
        QCoreApplication::processEvents();
        EXPECT_TRUE(shown);
        EXPECT_GE(failures, 1);
        // The reset makes the connection again and asks for the identification, whose
        // reply clears the message.
        ASSERT_TRUE(WaitUntil(
            [&] {
                return unit.TcpConnections() == 1 && gORUN->CommStatus() == 0 && form->lblStatus->text().isEmpty();
            },
            10000));
        EXPECT_EQ(form->tcpControllerClient->State(), Winsock::sckConnected);
    }
    form->RequestReadings->setInterval(90);
    readings = 0;
    ASSERT_TRUE(WaitUntil([&] { return readings >= 3; }, 5000));
    EXPECT_EQ(boxes.count(), 0);
}

// The window during a run, for a person to look at: saved under the build folder.
TEST_F(MainWindowTest, ScreenshotDuringARun) {
    Station({0, 1, 2});
    const char* const names[] = {"TiO2", "SiO2", "Ta2O5"};
    for (int16_t ch = 0; ch <= 2; ++ch) {
        gFilm(ch + 1).Film_Name = QString::fromLatin1(names[ch]);
        gFilm(ch + 1).Sensor_PMT = 800;
        gFilm(ch + 1).QCM_CALFACTOR = 0.01;
        // Counts straight back to light: the emulator counts 10 per unit above 20000.
        for (int integ = 0; integ <= 1; ++integ) {
            gORUN->setCalSlope(ch, integ, -0.1);
            gORUN->setCalIntercept(ch, integ, 4000.0);
        }
    }
    gLayer(3).Output = -1;
    gApp->setProcNum(1);
    form->show();
    Connect();
    gORUN->setMaxLeakage(0, 1.0);
    gORUN->setEmissionSetPt(0, 5.0);
    gORUN->setEmissionOn(0, 1);
    gApp->setPhase(PhaseCode::Deposit);
    for (int16_t ch = 0; ch <= 2; ++ch) gApp->setChanPhase(ch, PhaseCode::Deposit);
    gORUN->setPower(0, 42.0);
    gORUN->setPower(1, 17.5);
    gORUN->SendPower();
    form->RunStartTime = Timer() - 754.0f;
    form->LayerStartTime = Timer() - 121.0f;
    int readings = 0;
    QObject::connect(gORUN, &cORUN::ORUNResponse, [&](const QString& r) { readings += r.startsWith('G'); });
    ASSERT_TRUE(WaitUntil([&] { return readings >= 20; }, 8000));

    const QString dir = QStringLiteral(ORUN_BIN_DIR "/../screenshots");
    QDir().mkpath(dir);
    EXPECT_TRUE(form->grab().save(dir + "/main_window_run.png"));
    EXPECT_TRUE(form->lblSubPhase(0)->text().startsWith("DEPOSIT")) << form->lblSubPhase(0)->text().toStdString();
    EXPECT_TRUE(form->lblLayer(1)->text().startsWith("Time: 00:02:")) << form->lblLayer(1)->text().toStdString();
    EXPECT_FALSE(form->lblFilm(3)->isVisibleTo(form));
}

// An idle station (the unit answering, the phase STOPPED) does what its poll needs and
// nothing more: the unit receives only the poll's requests and, at its steady pace, the
// relay word given again; the only timers that fire are the poll's and the clock's, so
// nothing else wakes the program.
TEST_F(MainWindowTest, AnIdleStationOnlyPollsAndWakesOnlyForThePollAndTheClock) {
    Station({0, 1});
    Connect();
    // Timer events by receiver: the window's named timers by name, the unnamed ones
    // (the poll's, inside its timer component) together.
    struct TimerEvents : QObject {
        QHash<QString, int> count;
        bool eventFilter(QObject* o, QEvent* e) override {
            if (e->type() == QEvent::Timer) ++count[o->objectName()];
            return false;
        }
    } timers;
    int readings = 0;
    QObject::connect(gORUN, &cORUN::ORUNResponse, [&](const QString& r) { readings += r.startsWith('G'); });
    ASSERT_TRUE(WaitUntil([&] { return readings >= 2; }, 5000));
    unit.ClearCommands();
    qApp->installEventFilter(&timers);
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(WaitUntil([&] { return Received("F") >= 25; }, 15000));
    qApp->removeEventFilter(&timers);
    const qint64 elapsed = clock.elapsed();

    const QStringList& sent = unit.Commands();
    int relayWords = 0;
    for (const QString& c : sent) {
        relayWords += c.startsWith('N');
        EXPECT_TRUE(c == "D" || c == "M" || c == "F" || c == "G" || c.startsWith('N')) << c.toStdString();
    }
    EXPECT_LE(relayWords, elapsed / OrunTiming::ReassertMs + 1);
    EXPECT_LE(std::abs(Received("D") - Received("F")), 1);
    EXPECT_LE(std::abs(Received("M") - Received("F")), 1);
    EXPECT_LE(Received("G"), Received("F"));
    // The poll's timer, and the reply timer coming round once per identified interval.
    EXPECT_LE(timers.count.value(QString()), Received("D") + 1 + elapsed / OrunTiming::IdentifiedMs + 1);
    EXPECT_LE(timers.count.value(QStringLiteral("tmrDate")), elapsed / 500 + 2);
    for (auto it = timers.count.begin(); it != timers.count.end(); ++it)
        EXPECT_TRUE(it.key().isEmpty() || it.key() == "tmrDate") << it.key().toStdString() << " fired " << it.value();
}
