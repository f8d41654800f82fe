// A remote client drives a run over TCP: the main window polls the emulated unit, and the
// client starts the process, follows its phase and rate and stops it, as a station's
// supervisor program does.
#include "MainWindowFixture.h"

#include "platform/VbControls.h"
#include "platform/Winsock.h"
#include "support/FileSizeLimit.h"
#include "support/OtherProgramLock.h"
#include "support/RemotePort.h"

#include <QCheckBox>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <cmath>
#include <functional>
#include <memory>
#include <optional>

namespace {

// A remote client: one request at a time, the reply's value (what follows ACK and ";"),
// or "NAK" and the code.
class RemoteClient {
public:
    bool Connect(quint16 port) {
        socket_.connectToHost(QHostAddress::LocalHost, port);
        return WaitUntil([&] { return socket_.state() == QAbstractSocket::ConnectedState; }, 3000);
    }
    QString Ask(const QString& request) {
        QByteArray reply;
        socket_.write(request.toLatin1() + ";00\r");
        if (!WaitUntil([&] { return (reply += socket_.readAll()).endsWith('\r'); }, 3000)) return QStringLiteral("none");
        const QByteArray body = reply.mid(4, reply.size() - 8);
        if (body.startsWith('\x15')) return QStringLiteral("NAK") + QString::fromLatin1(body.mid(1));
        return QString::fromLatin1(body.mid(2));
    }

private:
    QTcpSocket socket_;
};

// The station serves remote control on a free port, as its settings tell it, and the
// client connects to it.
bool ServeAndConnect(TempProgramFolder& folder, frmMain& form, RemoteClient& client) {
    const quint16 port = FreeRemotePort(21000);
    if (port == 0) return false;
    folder.write(QStringLiteral("ORUN.CFG"), QStringLiteral("[SftwComm]\r\nPort=0\r\nEthernetPort=%1\r\n").arg(port).toLatin1());
    gComm->Init(form.msCommSftw, form.tcpProgramServer, folder.file(QStringLiteral("ORUN.CFG")));
    return client.Connect(port);
}

}  // namespace

TEST_F(MainWindowTest, ARemoteClientStartsWatchesAndStopsARun) {
    Station({0, 1});
    // Counts straight back to light (the emulator counts 10 per unit above 20000), and a
    // loop that drives the source towards the set point.
    for (int16_t ch = 0; ch <= 1; ++ch) {
        gFilm(ch + 1).Sensor_PMT = 800;
        gFilm(ch + 1).QCM_CALFACTOR = 0.01;
        gFilm(ch + 1).PTerm = 5.0;
        for (int integ = 0; integ <= 1; ++integ) {
            gORUN->setCalSlope(ch, integ, -0.1);
            gORUN->setCalIntercept(ch, integ, 4000.0);
        }
    }
    Connect();
    RemoteClient client;
    ASSERT_TRUE(ServeAndConnect(folder, *form, client));

    EXPECT_EQ(client.Ask("@QP;1"), "Mirror");
    EXPECT_EQ(client.Ask("@QP;5"), "4");
    EXPECT_EQ(client.Ask("@UP;3"), "NAK;05");  // nothing runs yet
    EXPECT_EQ(client.Ask("@UP;2"), "");
    ASSERT_TRUE(WaitUntil([&] { return client.Ask("@QP;5") == "10"; }, 10000)) << gApp->Phase();
    EXPECT_EQ(client.Ask("@QL;2;0;1"), "2");
    EXPECT_EQ(client.Ask("@QV;21"), " 2.00");
    // The emulated plant answers the power with a rate.
    ASSERT_TRUE(WaitUntil([&] { return client.Ask("@QM;21").toDouble() > 0.0; }, 10000));
    EXPECT_EQ(client.Ask("@QM;49").split(';').size(), 32);

    EXPECT_EQ(client.Ask("@UP;3"), "");
    EXPECT_EQ(gApp->Phase(), PhaseCode::StopLayer);
    EXPECT_EQ(client.Ask("@QP;5"), "18");
    EXPECT_EQ(boxes.count(), 0) << boxes.prompts().join('|').toStdString();
}

// A client's presses with the front panel locked bit by bit: the station lifts the locks
// for the client, so each press reaches the unit as the operator's click would without
// the lock; a press the plant's own inputs forbid is refused, and switching emission off
// always acts. What counts is what the emulated unit holds.
TEST_F(MainWindowTest, AClientsPressesActUnderEachFrontPanelLockAndInterlocksRefuseThem) {
    Station({0, 1});
    Connect();
    RemoteClient client;
    ASSERT_TRUE(ServeAndConnect(folder, *form, client));
    const UnitModel& unit = this->unit.Model();
    const auto emission = [&](int s, bool on) { return WaitUntil([&] { return unit.emission[s] == on; }, 3000); };
    const auto drive = [&](int o) { return (unit.powerCode[o] - 32767.0) / 32767.0; };

    const struct {
        int bit;
        const char* request;
        std::function<bool()> locked;  // the lock shows in the window
        std::function<bool()> acted;   // what the unit (or the station) holds after the press
    } cases[] = {
        {2, "@US;2", [&] { return !form->cmdSensor(0)->isEnabled(); }, [&] { return emission(0, true); }},
        {2, "@US;1", [&] { return !form->cmdSensor(0)->isEnabled(); }, [&] { return emission(0, false); }},
        {2, "@US;2", [&] { return !form->cmdSensor(0)->isEnabled(); }, [&] { return emission(0, true); }},
        {2, "@UP;31", [&] { return !form->cmdSensor(0)->isEnabled(); }, [&] { return emission(0, false); }},
        {3, "@US;4", [&] { return !form->cmdSensor(2)->isEnabled(); }, [&] { return emission(2, true); }},
        {3, "@UP;32", [&] { return !form->cmdSensor(2)->isEnabled(); }, [&] { return emission(2, false); }},
        {4, "@UP;35", [&] { return !form->cmdDataLog->isEnabled(); }, [&] { return LogMode; }},
        {4, "@UP;34", [&] { return !form->cmdDataLog->isEnabled(); }, [&] { return !LogMode; }},
        {6, "@UP;61", [&] { return form->cmdZero(0)->isHidden(); }, [&] { return gChanTotal(0) == 0.0; }},
        {7, "@UP;52;40", [&] { return form->chkManPwr(1)->isHidden(); },
         [&] { return WaitUntil([&] { return std::abs(drive(1) - 0.4) < 0.01; }, 3000); }},
        {0, "@UP;2", [&] { return form->cmdFunc(0)->isHidden(); }, [&] { return gApp->Phase() != PhaseCode::Stopped; }},
        {0, "@UP;3", [&] { return form->cmdFunc(0)->isHidden(); }, [&] { return gApp->Phase() == PhaseCode::StopLayer; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.request);
        gChanTotal(0) = 5.0;
        const int16_t lock = static_cast<int16_t>(1 << c.bit);
        ASSERT_EQ(client.Ask(QStringLiteral("@UU;6;%1").arg(lock)), "");
        EXPECT_TRUE(c.locked());
        EXPECT_EQ(client.Ask(QString::fromLatin1(c.request)), "");
        EXPECT_TRUE(c.acted());
        EXPECT_EQ(SystemFlags, lock);  // the lock holds for the operator again
    }
    ASSERT_EQ(client.Ask("@UU;6;0"), "");

    // Input 4 is the emission 1 interlock, input 5 holds emission 2 on.
    modIO::SetInputFunction(4, 6);
    modIO::SetInputFunction(5, 9);
    ASSERT_EQ(client.Ask("@US;4"), "");
    ASSERT_TRUE(emission(2, true));
    this->unit.Model().inputs = (1 << 4) | (1 << 5);
    ASSERT_TRUE(WaitUntil([&] { return gORUN->InputState(4) && gORUN->InputState(5); }, 3000));
    const struct {
        const char* request;
        const char* reply;
        int sensor;
        bool on;
    } inputs[] = {
        {"@US;2", "NAK;05", 0, false},  // the interlock keeps emission 1 off
        {"@US;6", "NAK;05", 1, false},  // so its gas sensor, which has no gas calibration either
        {"@US;3", "", 2, false},        // off acts although an input holds emission 2 on
        {"@US;4", "", 2, true},
    };
    for (const auto& c : inputs) {
        SCOPED_TRACE(c.request);
        EXPECT_EQ(client.Ask(QString::fromLatin1(c.request)), c.reply);
        EXPECT_TRUE(emission(c.sensor, c.on));
    }
    EXPECT_EQ(boxes.count(), 0) << boxes.prompts().join('|').toStdString();
}

// A client's START that starts nothing, whatever the reason: a channel whose detector has
// no calibration to run on, or a run record the file does not take (another program holds
// it past the wait, the database is read-only, the disk takes nothing more). Each is
// refused alike: NAK 05, one box saying why, the phase as it was, no Start Log or End Log
// in the data log, the run number as it was in the program and in the file, no output of
// the unit driven. Once the cause is gone the same START runs; from STOP LAYER, where no
// record is saved, only the calibration refuses it.
TEST_F(MainWindowTest, AStartThatStartsNothingIsRefusedAlikeWhateverTheReason) {
    Station({0});
    Connect();
    RemoteClient client;
    ASSERT_TRUE(ServeAndConnect(folder, *form, client));
    const QString db = folder.file(QStringLiteral("ORUN.MDB"));
    const auto storedRun = [&] {
        dao::Recordset rs = dao::OpenDatabase(db).OpenRecordset(
            QStringLiteral("SELECT Run_Number FROM Processes WHERE Process_Number = 1"));
        return rs.Fields(QStringLiteral("Run_Number")).Value().toInt();
    };
    const auto log = [&] { return QString::fromLatin1(folder.read("RUN.LOG")); };
    LogMode = true;
    LogType = 1;
    LogFile = QStringLiteral("RUN.LOG");
    const LockWaitForTest shortWait(500);
    const double slope = gORUN->CalSlope(0, 0);
    std::unique_ptr<OtherProgramLock> other;
    std::optional<FileSizeLimit> full;
    const struct {
        const char* why;
        int16_t from;  // STOPPED, or STOP LAYER of a run going
        std::function<void()> cause, gone;
        const char* told;  // in the one box
    } cases[] = {
        {"a channel without a calibration", PhaseCode::Stopped, [&] { gORUN->setCalSlope(0, 0, 0.0); },
         [&] { gORUN->setCalSlope(0, 0, slope); }, "Channel 1 is not calibrated"},
        {"a channel without a calibration, in STOP LAYER", PhaseCode::StopLayer,
         [&] { gORUN->setCalSlope(0, 0, 0.0); }, [&] { gORUN->setCalSlope(0, 0, slope); }, "Channel 1 is not calibrated"},
        {"the file held by another program", PhaseCode::Stopped,
         [&] {
             other = std::make_unique<OtherProgramLock>(db);
             ASSERT_TRUE(other->WaitTaken());
         },
         [&] { other.reset(); }, "is held by another program"},
        {"a read-only database", PhaseCode::Stopped, [&] { modDB::gDB.Execute("PRAGMA query_only = 1"); },
         [&] { modDB::gDB = dao::OpenDatabase(db); }, "Nothing was saved to ORUN.MDB"},
        {"a full disk", PhaseCode::Stopped, [&] { full.emplace(4096); }, [&] { full.reset(); },
         "Nothing was saved to ORUN.MDB"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        if (c.from == PhaseCode::StopLayer) {
            ASSERT_EQ(client.Ask("@UP;2"), "");
            ASSERT_TRUE(WaitUntil([&] { return gApp->Phase() != PhaseCode::InitRun && gApp->Phase() != PhaseCode::StartLayer; }, 3000));
            ASSERT_EQ(client.Ask("@UP;3"), "");
            ASSERT_EQ(gApp->Phase(), PhaseCode::StopLayer);
        }
        const int run = gProcess(1).Run_Number;
        const int stored = storedRun();
        const QString logBefore = log();
        boxes.clear();
        c.cause();
        EXPECT_EQ(client.Ask("@UP;2"), "NAK;05");
        c.gone();
        EXPECT_EQ(gApp->Phase(), c.from);
        ASSERT_EQ(boxes.count(), 1) << boxes.prompts().join('|').toStdString();
        EXPECT_TRUE(boxes.last().prompt.contains(c.told)) << boxes.last().prompt.toStdString();
        if (c.from == PhaseCode::Stopped) {
            EXPECT_TRUE(boxes.last().prompt.contains("not calibrated") ||
                        boxes.last().prompt.startsWith("The run was not started."))
                << boxes.last().prompt.toStdString();
        }
        // A few polls on: the refused start changed nothing of the run.
        ASSERT_TRUE(WaitUntil([&] { return unit.Commands().count("M") >= 3; }, 3000));
        EXPECT_EQ(client.Ask("@QP;7"), QString::number(run));
        EXPECT_EQ(storedRun(), stored);
        EXPECT_EQ(log(), logBefore);
        EXPECT_EQ(gApp->Phase(), c.from);
        EXPECT_EQ(unit.Model().powerCode[0], OutputCode::ZeroVolts);

        // The cause gone, the same START runs.
        EXPECT_EQ(client.Ask("@UP;2"), "");
        EXPECT_NE(gApp->Phase(), c.from);
        EXPECT_EQ(client.Ask("@UP;3"), "");
        PressButton(form->cmdFunc(2));  // back to the first layer: the run ends
        EXPECT_EQ(gApp->Phase(), PhaseCode::Stopped);
        unit.ClearCommands();
    }
}
