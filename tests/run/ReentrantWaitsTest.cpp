// Handlers that wait while events run (a calibration's settling, a box the operator reads,
// a connect) against a plant and a unit that misbehave fast: an input held on for seconds,
// a unit endpoint that accepts each connection and ends it at once. Nothing nests inside
// itself, nothing acts twice, the link is tried at a bounded pace and comes back.
#include "MainWindowFixture.h"

#include "platform/SSTab.h"
#include "platform/VbControls.h"
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
constexpr int16_t kCalChannel2 = 31;

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

// A press that would start something, one poll after a "Cal Channel 1" edge, while the
// calibration settles its detector and measures its points: a plant input (Start Process,
// Start Film, Cal Channel 2, Cal Channel 1 again), the window's START and a client's START.
// Each is refused as the window's START is: the run does not start, nothing else is
// calibrated. Neither these nor the unit's channel states read again give channel 1's
// detector a voltage but the calibration's 0 V until the calibration ends and gives the
// film's volts back.
TEST_F(ReentrantWaits, NothingStartsOrDrivesTheDetectorWhileItCalibrates) {
    ServeRelay();
    Station({0, 1});
    gFilm(1).Sensor_PMT = 700.0;
    gFilm(2).Sensor_PMT = 650.0;
    CalLoBias = 100;
    CalHiBias = 2000;
    Connect();
    // The stop's detector volts have reached the unit before anything is counted.
    ASSERT_TRUE(WaitUntil([&] { return unit.Model().pmtVolts[0] == 700 && unit.Model().pmtVolts[1] == 650; }, 3000));
    gORUN->setCalPackets(0, 4);
    modIO::SetInputFunction(0, kCalChannel1);
    frmSystem* setup = SystemForm();
    const struct {
        const char* what;
        int16_t input;                 // the function of input 1; 0: no input is raised
        std::function<QString()> press;  // the press of the window or the client, its reply
        const char* reply;
    } cases[] = {
        {"Start Process input", kStartProcess, {}, ""},
        {"Start Film input", kStartFilm, {}, ""},
        {"Cal Channel 2 input", kCalChannel2, {}, ""},
        {"Cal Channel 1 on a second input", kCalChannel1, {}, ""},
        {"the window's START", 0, [&] { form->cmdFunc(0)->click(); return QString(); }, ""},
        {"a client's START", 0, [&] { return Remote("@UP;2"); }, "NAK;05"},
        // As when the link comes back: the unit is asked which channels it holds active.
        {"the unit's channel states read again", 0, [&] { gORUN->SendReadChannels(); return QString(); }, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        modIO::SetInputFunction(1, c.input);
        unit.ClearCommands();
        QList<int16_t> phases;
        const auto followed = QObject::connect(gApp, &cApp::PhaseChange, [&] { phases << gApp->Phase(); });
        int calibrationsSeen = 0;
        bool wasCalibrating = false;
        const auto watched = QObject::connect(gORUN, &cORUN::ORUNResponse, [&](const QString&) {
            const bool now = gORUN->CalChan() >= 0;
            calibrationsSeen += now && !wasCalibrating;
            wasCalibrating = now;
            EXPECT_EQ(setup->cboCal->currentIndex(), 0) << "the setup window left the running calibration";
        });

        unit.Model().inputs = 1;
        ASSERT_TRUE(WaitUntil([&] { return gORUN->CalChan() == 0; }, 3000));
        // The next poll's word carries the second input.
        if (c.input != 0) unit.Model().inputs = 3;
        if (c.press) {
            EXPECT_EQ(c.press().toStdString(), c.reply);
        }
        ASSERT_TRUE(WaitUntil([&] { return gORUN->CalChan() == -1 && setup->cmdCalibrate->isEnabled(); }, 15000));
        QObject::disconnect(watched);
        QObject::disconnect(followed);

        EXPECT_NE(setup->lblCal->text(), "Calibration Failed");
        EXPECT_TRUE(phases.isEmpty()) << "the run's phase moved to " << phases.first();
        EXPECT_EQ(gApp->Phase(), PhaseCode::Stopped);
        EXPECT_EQ(calibrationsSeen, 1);
        // What the unit got from the calibration's start on: channel 1's PMT off, its two
        // biases, then its volts back at the end; no calibration of channel 2.
        const QStringList got = unit.Commands().mid(unit.Commands().indexOf("H1,0"));
        const std::string all = got.join(' ').toStdString();
        EXPECT_EQ(got.filter(QRegularExpression("^C1,")).join(' ').toStdString(), "C1,100 C1,2000") << all;
        EXPECT_EQ(got.filter(QRegularExpression("^H1,")).join(' ').toStdString(), "H1,0 H1,700") << all;
        EXPECT_TRUE(got.filter(QRegularExpression("^C2,|^H2,0$")).isEmpty()) << all;
        EXPECT_EQ(unit.Model().pmtVolts[0], 700);
        // The inputs drop; the refused start is not made up for later.
        unit.Model().inputs = 0;
        ASSERT_TRUE(WaitUntil([&] { return form->LastInputReg == 0; }, 3000));
        EXPECT_EQ(gApp->Phase(), PhaseCode::Stopped);
        // A start let through is stopped, so that the next case begins from STOPPED.
        if (gApp->Phase() != PhaseCode::Stopped) gApp->setPhase(PhaseCode::Stopped);
    }
    EXPECT_EQ(boxes.count(), 0) << boxes.prompts().join('|').toStdString();
}

// A channel that runs on in CONSTANT through STOP LAYER goes into error (the unit, as it
// restarts, reports its detector inactive) while its film's error action is Stop: the
// automatic stop stops that channel and never presses START instead, with the detector
// calibrating (a calibration of that channel) or not. No phase of the run is entered, the
// unit's relay word stays that of STOP LAYER, the channel's source goes to 0, and the
// error is told once.
TEST_F(ReentrantWaits, AnAutomaticStopNeverStartsALayer) {
    ServeRelay();
    Station({0});
    gLayer(1).StartMode = 2;  // Constant
    gFilm(1).Sensor_PMT = 700.0;
    gFilm(1).PTerm = 200.0;
    modIO::SetOutputFunction(0, 30);  // Source 1 Shutter
    modIO::SetOutputFunction(1, 6);   // Pre-Cond Phase
    modIO::SetOutputFunction(2, 3);   // Layer Stopped
    Connect();
    gORUN->setCalPackets(0, 200);  // still calibrating when the error comes
    frmSystem* setup = SystemForm();
    for (const bool calibrating : {true, false}) {
        SCOPED_TRACE(calibrating ? "while channel 1 calibrates" : "without a calibration");
        gFilm(1).ERROR_ACTION = 0;  // the layer's first readings are let come
        PressButton(form->cmdFunc(0));
        ASSERT_TRUE(WaitUntil([&] { return unit.Model().powerCode[0] > OutputCode::ZeroVolts; }, 5000));
        PressButton(form->cmdFunc(0));
        ASSERT_EQ(gApp->Phase(), PhaseCode::StopLayer) << boxes.prompts().join('|').toStdString();
        ASSERT_EQ(gApp->ChanPhase(0), PhaseCode::Constant);
        ASSERT_TRUE(WaitUntil([&] { return !form->ChanErrorShown(0) && gChanUser(0) > 0.0; }, 5000));
        gFilm(1).ERROR_ACTION = 1;  // Stop
        if (calibrating) {
            setup->cboCal->setCurrentIndex(0);
            PressButton(setup->cmdCalibrate);
            ASSERT_TRUE(WaitUntil([&] { return gORUN->CalChan() == 0; }, 3000));
        }
        ASSERT_TRUE(WaitUntil([&] { return unit.Model().relays == gORUN->RelayReg(); }, 3000));
        const int relays = unit.Model().relays;
        QList<int16_t> phases;
        const auto followed = QObject::connect(gApp, &cApp::PhaseChange, [&] { phases << gApp->Phase(); });
        int otherRelays = 0;
        const auto watched = QObject::connect(&unit, &UnitSim::CommandReceived, [&](const QString&) {
            otherRelays += unit.Model().relays != relays;
        });
        boxes.clear();
        unit.Model().active[0] = false;
        gORUN->SendReadChannels();
        ASSERT_TRUE(WaitUntil([&] { return gApp->ChanPhase(0) != PhaseCode::Constant && boxes.count() >= 1; }, 5000));
        ASSERT_TRUE(WaitUntil([&] { return unit.Model().powerCode[0] == OutputCode::ZeroVolts; }, 3000));
        QObject::disconnect(followed);
        QObject::disconnect(watched);
        EXPECT_TRUE(phases.isEmpty()) << "the run's phase moved to " << phases.first();
        EXPECT_EQ(otherRelays, 0) << "the unit's relays switched";
        EXPECT_EQ(gApp->Phase(), PhaseCode::StopLayer);
        EXPECT_EQ(gApp->ChanPhase(0), PhaseCode::StopLayer);
        ASSERT_EQ(boxes.count(), 1) << boxes.prompts().join('|').toStdString();
        EXPECT_EQ(boxes.last().prompt, "Channel 1 error. Layer stopped.");

        unit.Model().active[0] = true;
        gORUN->SendReadChannels();
        if (calibrating) setup->ResetCalibrate(false);
        PressButton(form->cmdFunc(2));
        ASSERT_EQ(gApp->Phase(), PhaseCode::Stopped);
    }
}
