// Handlers that wait while events run (a calibration's settling, a box the operator reads,
// a connect) against a plant and a unit that misbehave fast: an input held on for seconds,
// a unit endpoint that accepts each connection and ends it at once. Nothing nests inside
// itself, nothing acts twice, the link is tried at a bounded pace and comes back.
#include "MainWindowFixture.h"

#include "platform/SSTab.h"
#include "platform/Winsock.h"
#include "windows/frmSystem.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <functional>

namespace {

constexpr int16_t kStartProcess = 1;
constexpr int16_t kStartFilm = 3;
constexpr int16_t kCalChannel1 = 30;

class ReentrantWaits : public MainWindowTest {
protected:
    // Counts the replies of a kind the unit sent while the condition runs after each.
    int ForReplies(const QString& start, int ms, const std::function<void()>& each) {
        int seen = 0;
        const auto c = QObject::connect(gORUN, &cORUN::ORUNResponse, [&](const QString& r) {
            if (!r.startsWith(start)) return;
            ++seen;
            each();
        });
        QElapsedTimer held;
        held.start();
        WaitUntil([&] { return held.elapsed() >= ms; }, ms + 5000);
        QObject::disconnect(c);
        return seen;
    }
};

}  // namespace

// The plant raises an input and holds it (a maintained contact) while the action it starts
// waits with events running: every poll's input word arrives inside that wait. The input
// acts once; a calibration it starts is not started again, and neither the link's channel
// reply nor anything else gives Start or Calibrate back before it ends.
TEST_F(ReentrantWaits, AnInputHeldOnActsOnceWhateverItsActionWaitsFor) {
    Station({0});
    Connect();
    gORUN->setCalPackets(0, 5);
    const struct {
        const char* what;
        int16_t function;
        int holdMs;
        std::function<void()> before, after;
        bool calibrates;
        int boxes;            // boxes per edge, each open for 300 ms
    } cases[] = {
        {"Cal Channel 1: the PMT settles 100 ms", kCalChannel1, 10000, {}, {}, true, 0},
        {"Start Process of a damaged chain: the refusal box is read",
         kStartProcess, 3000, [] { gProcess(1).First_Layer = 300; }, [] { gProcess(1).First_Layer = 1; }, false, 1},
        {"Start Film of a damaged chain: the refusal box is read",
         kStartFilm, 3000, [] { gProcess(1).First_Layer = 300; }, [] { gProcess(1).First_Layer = 1; }, false, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        modIO::SetInputFunction(0, c.function);
        if (c.before) c.before();
        boxes.clear();
        boxes.keepOpen(300);
        unit.ClearCommands();
        frmSystem* setup = SystemForm();
        int startOffDuringCal = 0, calibrateOnDuringCal = 0, calibrations = 0;
        bool calibrating = false;
        // A calibration start switches the channel's PMT off while the link awaits the
        // unit's first bias acknowledgement; the end gives the volts back without it.
        int starts = 0;
        const auto sent = QObject::connect(gORUN, &cORUN::ORUNCommand, [&](const QString& command) {
            starts += command == "H1,0" && gORUN->RdgType() == RdgType::AwaitingAck;
        });
        unit.Model().inputs = 1;
        // Every reply of the hold: while a calibration runs, Start and Calibrate stay off.
        ForReplies(QString(), c.holdMs, [&] {
            const bool now = gORUN->CalChan() >= 0;
            calibrations += now && !calibrating;
            calibrating = now;
            if (!now) return;
            startOffDuringCal += form->cmdFunc(0)->isEnabled();
            calibrateOnDuringCal += setup->cmdCalibrate->isEnabled();
        });
        boxes.keepOpen(0);
        QObject::disconnect(sent);
        if (c.calibrates) {
            EXPECT_EQ(starts, 1) << unit.Commands().join(' ').toStdString();
            EXPECT_EQ(calibrations, 1);
            EXPECT_EQ(startOffDuringCal, 0) << "Start was enabled while the calibration ran";
            EXPECT_EQ(calibrateOnDuringCal, 0) << "Calibrate was enabled while the calibration ran";
            // The calibration ended within the hold: Start is back.
            EXPECT_EQ(gORUN->CalChan(), -1);
            EXPECT_TRUE(form->cmdFunc(0)->isEnabled());
        }
        EXPECT_EQ(boxes.count(), c.boxes) << boxes.prompts().join('|').toStdString();
        EXPECT_EQ(gApp->Phase(), PhaseCode::Stopped);
        // The input drops: the word is taken without acting.
        unit.Model().inputs = 0;
        ASSERT_TRUE(WaitUntil([&] { return form->LastInputReg == 0; }, 3000));
        if (c.after) c.after();
    }
}

// A unit endpoint that accepts each connection and ends it at once (a rebooting unit, a
// device server whose serial side is gone), in order or with a reset, in the middle of a
// deposit. The station shows COMM ERROR, tries the link at most once a second, leaves the
// run as it is, and when the unit is whole again the first attempt brings the link, the
// poll and the run's powers back.
TEST_F(ReentrantWaits, AUnitThatEndsEveryConnectionIsTriedAtAPaceAndTheRunComesBack) {
    Station({0});
    Connect();
    DepositDriven();
    for (const UnitSim::Accepting how : {UnitSim::Accepting::Close, UnitSim::Accepting::Reset}) {
        const bool reset = how == UnitSim::Accepting::Reset;
        SCOPED_TRACE(reset ? "reset" : "closed");
        unit.setAccepting(how);
        const int before = unit.Accepted();
        QElapsedTimer failing;
        failing.start();
        unit.CloseConnections(reset);
        ASSERT_TRUE(WaitUntil([&] { return form->lblStatus->text() == "COMM ERROR"; }, 5000));
        // Six seconds of a peer that answers each connection with its end: the attempts
        // stay at the pace (an unbounded retry makes thousands, nested in each other).
        WaitUntil([&] { return unit.Accepted() - before > 12; }, 6000);
        const int attempts = unit.Accepted() - before;
        EXPECT_LE(attempts, failing.elapsed() / OrunTiming::ReconnectPaceMs + 1);
        EXPECT_GE(attempts, 2) << "the station gave the link up";
        EXPECT_EQ(form->lblStatus->text(), "COMM ERROR");
        EXPECT_EQ(gApp->Phase(), PhaseCode::Deposit);
        EXPECT_EQ(gApp->ChanPhase(0), PhaseCode::Deposit);

        // The unit is whole again, restarted with its outputs at 0 V.
        unit.Model().powerCode[0] = OutputCode::ZeroVolts;
        const int whole = unit.Accepted();
        unit.setAccepting(UnitSim::Accepting::Serve);
        ASSERT_TRUE(WaitUntil(
            [&] {
                return form->lblStatus->text().isEmpty() && unit.Model().powerCode[0] > OutputCode::ZeroVolts &&
                       Polling();
            },
            10000));
        EXPECT_EQ(unit.Accepted() - whole, 1);
        EXPECT_EQ(form->tcpControllerClient->State(), Winsock::sckConnected);
    }
    EXPECT_EQ(boxes.count(), 0) << boxes.prompts().join('|').toStdString();
}
