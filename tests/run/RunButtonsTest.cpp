// The operator's buttons of the main window, clicked as an operator clicks them, against
// the emulated unit: the Ctrl-key interlock, START/STOP through a run, the layer buttons,
// the emission and zero buttons, and manual power switched on and off in each phase.
#include "MainWindowFixture.h"

#include "app/frmTip.h"
#include "app/modFormUtil.h"
#include "editors/frmLayerFilm.h"
#include "editors/frmProcess.h"
#include "platform/VbColor.h"
#include "platform/VbControls.h"
#include "qcm/cQCM.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

QString TipText() {
    frmTip* tip = frmTip::Current();
    return tip ? tip->findChild<QLabel*>(QStringLiteral("lblMessage"))->text() : QString();
}

void Click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }

}  // namespace

class RunButtons : public MainWindowTest {
protected:
    // The station shown, linked to the emulator and stopped.
    void Start(std::initializer_list<int16_t> channels) {
        Station(channels);
        form->show();
        QApplication::setActiveWindow(form);
        Connect();
    }
    void HoldCtrl(bool down) {
        if (down) QTest::keyPress(form, Qt::Key_Control);
        else QTest::keyRelease(form, Qt::Key_Control, Qt::ControlModifier);
    }
    void HoldShift(bool down) {
        if (down) QTest::keyPress(form, Qt::Key_Shift);
        else QTest::keyRelease(form, Qt::Key_Shift, Qt::ShiftModifier);
    }
    bool Running() const { return gApp->Phase() != PhaseCode::Stopped && gApp->Phase() != PhaseCode::StopLayer; }
};

// START/STOP with the Ctrl key required: a click without Ctrl shows the tip and does
// nothing; with Ctrl it starts the process; STOP stops the layer with the user's message
// unless another message shows; START runs the layer again; the layer buttons act only
// while stopped, NEXT wrapping to the first layer; a re-entered press does nothing.
TEST_F(RunButtons, StartAndStopThroughARunBehindTheCtrlKey) {
    CtrlKey = true;
    Start({0, 1});
    gProcess(1).Number_Layers = 2;  // a second step with no layers: NEXT has somewhere to go
    QPushButton* start = form->cmdFunc(0);

    Click(start);
    EXPECT_EQ(TipText(), "Hold Ctrl key, then click to activate.");
    EXPECT_EQ(gApp->Phase(), PhaseCode::Stopped);
    Click(form->cmdSensor(0));
    Click(form->cmdZero(0));
    EXPECT_EQ(gORUN->EmissionOn(0), 0);

    std::vector<int16_t> phases;
    QObject::connect(gApp, &cApp::PhaseChange, [&](int16_t p) {
        if (phases.empty() || phases.back() != p) phases.push_back(p);
    });
    HoldCtrl(true);
    Click(start);
    EXPECT_TRUE(Running());
    ASSERT_TRUE(WaitUntil([&] { return gApp->Phase() == PhaseCode::Deposit; }, 5000));
    // Without conditioning the ramp passes at once.
    EXPECT_EQ(phases, (std::vector<int16_t>{PhaseCode::InitRun, PhaseCode::StartLayer, PhaseCode::Ramp1,
                                            PhaseCode::ShutterDelay, PhaseCode::Deposit}));
    EXPECT_GT(form->RunStartTime, 0.0f);
    EXPECT_EQ(start->text(), "STOP");
    EXPECT_EQ(BackColor(start), 0xFFu);
    EXPECT_TRUE(form->cmdFunc(1)->isHidden());
    EXPECT_TRUE(form->cmdFunc(2)->isHidden());
    EXPECT_FALSE(form->mnuSetupProcess->isEnabled());
    EXPECT_FALSE(form->mnuSetupFilm->isEnabled());
    // The layer buttons do nothing while a layer runs.
    PressButton(form->cmdFunc(1));
    EXPECT_EQ(gApp->ProcLayer(), 1);

    Click(start);
    EXPECT_EQ(gApp->Phase(), PhaseCode::StopLayer);
    EXPECT_EQ(gApp->StatusMsg(), StatusMsgCode::StopLayerUser);
    EXPECT_EQ(form->lblStatus->text(), "Stop Layer 1 - User");
    EXPECT_EQ(start->text(), "START");
    EXPECT_EQ(BackColor(start), static_cast<uint32_t>(vbButtonFace));
    EXPECT_FALSE(form->cmdFunc(1)->isHidden());
    EXPECT_FALSE(form->cmdFunc(2)->isHidden());
    EXPECT_TRUE(form->mnuSetupProcess->isEnabled());

    phases.clear();
    Click(start);
    EXPECT_EQ(gApp->ProcLayer(), 1);
    EXPECT_TRUE(Running());
    EXPECT_EQ(form->lblStatus->text(), "");
    EXPECT_EQ(phases.front(), PhaseCode::StartLayer);
    // A message already showing stays when STOP is pressed.
    gApp->setStatusMsg(StatusMsgCode::EndLayerTotal);
    Click(start);
    EXPECT_EQ(gApp->Phase(), PhaseCode::StopLayer);
    EXPECT_EQ(gApp->StatusMsg(), StatusMsgCode::EndLayerTotal);

    Click(form->cmdFunc(1));
    EXPECT_EQ(gApp->ProcLayer(), 2);
    Click(form->cmdFunc(1));
    EXPECT_EQ(gApp->ProcLayer(), 1);
    Click(form->cmdFunc(1));
    Click(form->cmdFunc(2));
    EXPECT_EQ(gApp->ProcLayer(), 1);
    EXPECT_EQ(gApp->Phase(), PhaseCode::Stopped);
    EXPECT_TRUE(form->cmdFunc(2)->isHidden());

    // START with the process editor open: the message, nothing started; a press made
    // while the message shows is not taken.
    ProcessEditor();
    int boxesSeen = 0;
    const DialogResponder recorder = SetDialogResponder([&](const DialogRequest& box) {
        ++boxesSeen;
        EXPECT_EQ(box.prompt, "Close process edit form, then press Start.");
        EXPECT_EQ(box.icon(), vbExclamation);
        PressButton(form->cmdFunc(0));
        return DialogAnswer{};
    });
    Click(start);
    SetDialogResponder(recorder);
    EXPECT_EQ(boxesSeen, 1);
    EXPECT_EQ(gApp->Phase(), PhaseCode::Stopped);
    HoldCtrl(false);
    EXPECT_FALSE(form->CtrlHeld);
}

// A run started by the program (a digital input, the remote server) closes the process
// and film editors; their menu entries come back when the run stops.
TEST_F(RunButtons, ARunStartClosesTheEditors) {
    Start({0});
    ProcessEditor();
    FilmEditor()->ShowFilm(0);
    ASSERT_TRUE(modFormUtil::IsFormLoadedByCaption("Edit Film"));
    gApp->setPhase(PhaseCode::InitRun);
    EXPECT_FALSE(modFormUtil::IsFormLoaded("frmProcess"));
    EXPECT_FALSE(modFormUtil::IsFormLoadedByCaption("Edit Film"));
    gApp->setPhase(PhaseCode::Stopped);
    EXPECT_TRUE(form->mnuSetupFilm->isEnabled());
}

// Emission buttons: on at level 2, off again; with Shift and gas calibration the gas
// sensor of an emission sensor follows it, not the other way round; a sensor held by a
// digital input keeps its state and says why. Zero buttons: one channel, or with Shift
// all channels and all quartz monitors.
TEST_F(RunButtons, EmissionAndZeroButtons) {
    Start({0, 1});
    gORUN->setGasCalEnabled(true);
    form->ShowSensors();
    Click(form->cmdSensor(0));
    EXPECT_EQ(gORUN->EmissionOn(0), 2);
    EXPECT_EQ(gORUN->EmissionOn(1), 0);
    EXPECT_EQ(form->cmdSensor(0)->text(), "ON");
    EXPECT_EQ(BackColor(form->cmdSensor(0)), 0xFF00u);
    Click(form->cmdSensor(0));
    EXPECT_EQ(gORUN->EmissionOn(0), 0);

    HoldShift(true);
    Click(form->cmdSensor(0));
    EXPECT_EQ(gORUN->EmissionOn(0), 2);
    EXPECT_EQ(gORUN->EmissionOn(1), 2);
    Click(form->cmdSensor(1));
    EXPECT_EQ(gORUN->EmissionOn(0), 2);
    EXPECT_EQ(gORUN->EmissionOn(1), 0);

    for (int ch = 0; ch <= 1; ++ch) {
        gChanTotal(ch) = 1.5;
        gChanTotalCarry(ch) = 0.5;
    }
    Click(form->cmdZero(1));
    for (int ch = 0; ch <= 1; ++ch) {
        EXPECT_EQ(gChanTotal(ch), 0.0);
        EXPECT_EQ(gChanTotalCarry(ch), 0.0);
        EXPECT_EQ(form->lblTotal(ch)->text(), " .00");
    }
    HoldShift(false);
    gChanTotal(0) = 2.0;
    gChanTotal(1) = 2.0;
    Click(form->cmdZero(1));
    EXPECT_EQ(gChanTotal(0), 2.0);
    EXPECT_EQ(gChanTotal(1), 0.0);

    // Input 3 forces emission 1 on: it switches sensor 0 on, and the button cannot
    // switch it off while the input is active.
    modIO::SetInputFunction(3, 8);
    unit.Model().inputs = 1 << 3;
    ASSERT_TRUE(WaitUntil([&] { return gORUN->InputState(3) && gORUN->EmissionOn(0) > 0; }, 3000));
    Click(form->cmdSensor(0));
    EXPECT_EQ(TipText(), "Sensor state is forced by a digital input.");
    EXPECT_GT(gORUN->EmissionOn(0), 0);
    EXPECT_EQ(boxes.count(), 0);
}

// Manual power on takes the channel into MAN POWER with its power box showing the present
// power; off returns it by the run phase: a Constant layer to CONSTANT, STOPPED and STOP
// LAYER to the process phase with the output at 0 sent to the unit, the conditioning and
// shutter phases to HOLD POWER, DEPOSIT to DEPOSIT, any other phase unchanged.
TEST_F(RunButtons, ManualPowerOnAndOffInEachPhase) {
    Start({0, 1, 2, 3});
    form->RequestReadings->setEnabled(false);  // no control tick moves the phases here
    gApp->setPhase(PhaseCode::Stopped);
    struct Case {
        int16_t phase;
        int16_t startMode;
        int16_t after;
        bool zeroSent;
    };
    const Case cases[] = {
        {PhaseCode::Stopped, 0, PhaseCode::Stopped, true},   {PhaseCode::StopLayer, 0, PhaseCode::StopLayer, true},
        {PhaseCode::Ramp1, 0, PhaseCode::HoldPower, false},  {PhaseCode::ShutterDelay, 0, PhaseCode::HoldPower, false},
        {PhaseCode::IdleRamp, 0, PhaseCode::HoldPower, false}, {PhaseCode::Deposit, 0, PhaseCode::Deposit, false},
        {PhaseCode::Deposit, 2, PhaseCode::Constant, false}, {PhaseCode::InitRun, 0, PhaseCode::ManPower, false},
    };
    QCheckBox* box = form->chkManPwr(1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.phase);
        gLayer(2).StartMode = c.startMode;
        gApp->setChanPhase(1, c.phase);
        gORUN->setPower(1, 30.0);
        gORUN->SendPower();
        form->lblPower(1)->setText("30.00");
        Click(box);
        EXPECT_EQ(gApp->ChanPhase(1), PhaseCode::ManPower);
        EXPECT_EQ(BackColor(box), 0xFF00u);
        EXPECT_FALSE(form->txtPower(1)->isHidden());
        EXPECT_EQ(form->txtPower(1)->text(), "30.00");
        EXPECT_EQ(gORUN->HandCtrlOutput(), 1);
        EXPECT_NEAR(gORUN->Power(1), 30.0, 0.01);

        // The run goes on meanwhile; the box is cleared in that phase.
        gApp->setPhase(c.phase);
        gApp->setChanPhase(1, PhaseCode::ManPower);
        unit.ClearCommands();
        Click(box);
        EXPECT_EQ(gApp->ChanPhase(1), c.after);
        EXPECT_TRUE(form->txtPower(1)->isHidden());
        EXPECT_EQ(BackColor(box), static_cast<uint32_t>(vbButtonFace));
        EXPECT_EQ(gORUN->HandCtrlOutput(), -1);
        if (c.zeroSent) {
            EXPECT_EQ(gORUN->Power(1), 0.0);
            ASSERT_TRUE(WaitUntil([&] { return unit.Model().powerCode[1] == OutputCode::ZeroVolts; }, 2000));
        } else {
            EXPECT_NEAR(gORUN->Power(1), 30.0, 0.01);
        }
    }
    gLayer(2).StartMode = 0;

    // Shift-click on channel 3's box with channels 1 to 4 shown: all four follow it.
    gApp->setPhase(PhaseCode::Deposit);
    for (int16_t ch = 0; ch <= 3; ++ch) gApp->setChanPhase(ch, PhaseCode::Deposit);
    HoldShift(true);
    Click(form->chkManPwr(2));
    for (int16_t ch = 0; ch <= 3; ++ch) {
        EXPECT_TRUE(form->chkManPwr(ch)->isChecked()) << ch;
        EXPECT_EQ(gApp->ChanPhase(ch), PhaseCode::ManPower) << ch;
    }
    Click(form->chkManPwr(2));
    for (int16_t ch = 0; ch <= 3; ++ch) {
        EXPECT_FALSE(form->chkManPwr(ch)->isChecked()) << ch;
        EXPECT_EQ(gApp->ChanPhase(ch), PhaseCode::Deposit) << ch;
    }
    HoldShift(false);

    // A channel the run took out of manual power: the next refresh clears its box through
    // the box's handler, past the Ctrl-key interlock.
    Click(form->chkManPwr(1));
    gApp->setChanPhase(1, PhaseCode::HoldPower);
    CtrlKey = true;
    form->UpdateChanProc(1);
    EXPECT_FALSE(form->chkManPwr(1)->isChecked());
    EXPECT_TRUE(form->txtPower(1)->isHidden());
    EXPECT_EQ(gApp->ChanPhase(1), PhaseCode::Deposit);
    EXPECT_EQ(TipText(), "");
    CtrlKey = false;

    // With the process editor open the box goes back and says why.
    ProcessEditor();
    Click(form->chkManPwr(0));
    EXPECT_FALSE(form->chkManPwr(0)->isChecked());
    EXPECT_EQ(gApp->ChanPhase(0), PhaseCode::Deposit);
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.last().prompt, "Close Edit Process form, to change output power setting.");
}
