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

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

class RunButtons : public MainWindowTest {
protected:
    void Start(std::initializer_list<int16_t> channels) {
        Station(channels);
        form->show();
        QApplication::setActiveWindow(form);
        Connect();
    }
    void Key(Qt::Key key, bool down) {
        if (down) QTest::keyPress(form, key);
        else QTest::keyRelease(form, key, key == Qt::Key_Control ? Qt::ControlModifier : Qt::ShiftModifier);
    }
    static void Click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }
    static QString Tip() {
        frmTip* tip = frmTip::Current();
        return tip ? tip->findChild<QLabel*>("lblMessage")->text() : QString();
    }
};

// With the Ctrl key required a click without it shows the tip and does nothing. START runs
// the process through its phases; STOP stops the layer with the user's message unless
// another shows; START runs the layer again; NEXT and RESET act only while stopped, NEXT
// wrapping to the first step. START is refused while the process editor is open (a press
// made meanwhile is not taken), and a run started otherwise closes the editors.
TEST_F(RunButtons, StartAndStopThroughARunBehindTheCtrlKey) {
    CtrlKey = true;
    Start({0, 1});
    // A second step: layer 3 deposits on channel 0 after the co-deposited first step.
    gLayer(3) = gLayer(1);
    gLayer(3).Layer_Number = 3;
    gLayer(3).CoDep_Layer = -1;
    gLayer(2).Next_Layer = 3;
    gProcess(1).Number_Layers = 2;
    gProcess(1).Number_Act_Layers = 3;
    ASSERT_EQ(gApp->BuildProcess(1), 0);
    QPushButton* start = form->cmdFunc(0);
    for (QWidget* w : {static_cast<QWidget*>(start), static_cast<QWidget*>(form->cmdSensor(0))}) Click(w);
    EXPECT_EQ(Tip(), "Hold Ctrl key, then click to activate.");
    EXPECT_EQ(gApp->Phase(), PhaseCode::Stopped);
    EXPECT_EQ(gORUN->EmissionOn(0), 0);

    std::vector<int16_t> phases;
    QObject::connect(gApp, &cApp::PhaseChange, [&](int16_t p) { phases.push_back(p); });
    Key(Qt::Key_Control, true);
    Click(start);
    ASSERT_TRUE(WaitUntil([&] { return gApp->Phase() == PhaseCode::Deposit; }, 5000));
    EXPECT_EQ(phases, (std::vector<int16_t>{1, 19, 5, 9, 10}));  // no conditioning: the ramp passes at once
    EXPECT_EQ(start->text() + (form->cmdFunc(1)->isHidden() ? "" : "+next"), "STOP");
    EXPECT_EQ(BackColor(start), 0xFFu);
    EXPECT_FALSE(form->mnuSetupProcess->isEnabled() || form->mnuSetupFilm->isEnabled());
    PressButton(form->cmdFunc(1));
    EXPECT_EQ(gApp->ProcLayer(), 1);

    Click(start);
    EXPECT_EQ(gApp->Phase(), PhaseCode::StopLayer);
    EXPECT_EQ(form->lblStatus->text(), "Stop Layer 1 - User");
    EXPECT_EQ(start->text(), "START");
    EXPECT_FALSE(form->cmdFunc(1)->isHidden() || form->cmdFunc(2)->isHidden());
    phases.clear();
    Click(start);
    EXPECT_EQ(phases.front(), PhaseCode::StartLayer);
    gApp->setStatusMsg(StatusMsgCode::EndLayerTotal);
    Click(start);
    EXPECT_EQ(gApp->Phase(), PhaseCode::StopLayer);
    EXPECT_EQ(gApp->StatusMsg(), StatusMsgCode::EndLayerTotal);

    for (int step : {2, 1, 2}) {
        Click(form->cmdFunc(1));
        EXPECT_EQ(gApp->ProcLayer(), step);
    }
    Click(form->cmdFunc(2));
    EXPECT_EQ(gApp->ProcLayer(), 1);
    EXPECT_EQ(gApp->Phase(), PhaseCode::Stopped);

    ProcessEditor();
    int asked = 0;
    const DialogResponder recorder = SetDialogResponder([&](const DialogRequest& box) {
        ++asked;
        EXPECT_EQ(box.prompt + QString::number(box.icon()), "Close process edit form, then press Start.48");
        PressButton(start);  // a press while the first one runs is not taken
        return DialogAnswer{};
    });
    Click(start);
    SetDialogResponder(recorder);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(gApp->Phase(), PhaseCode::Stopped);
    FilmEditor()->ShowFilm(0);
    gApp->setPhase(PhaseCode::InitRun);
    EXPECT_FALSE(modFormUtil::IsFormLoaded("frmProcess") || modFormUtil::IsFormLoadedByCaption("Edit Film"));
    Key(Qt::Key_Control, false);
    EXPECT_FALSE(form->CtrlHeld);
}

// Emission: on at level 2 and off; with Shift and gas calibration an emission sensor takes
// its gas sensor along, not the other way round; a sensor held by a digital input stays.
// Zero: one channel, or with Shift all of them.
TEST_F(RunButtons, EmissionAndZeroButtons) {
    Start({0, 1});
    gORUN->setGasCalEnabled(true);
    form->ShowSensors();
    Click(form->cmdSensor(0));
    EXPECT_EQ(gORUN->EmissionOn(0) * 10 + gORUN->EmissionOn(1), 20);
    EXPECT_EQ(form->cmdSensor(0)->text(), "ON");
    Click(form->cmdSensor(0));
    Key(Qt::Key_Shift, true);
    Click(form->cmdSensor(0));
    EXPECT_EQ(gORUN->EmissionOn(0) * 10 + gORUN->EmissionOn(1), 22);
    Click(form->cmdSensor(1));
    EXPECT_EQ(gORUN->EmissionOn(0) * 10 + gORUN->EmissionOn(1), 20);

    gChanTotal.fill(1.5);
    gChanTotalCarry.fill(0.5);
    Click(form->cmdZero(1));
    EXPECT_EQ(gChanTotal(0) + gChanTotalCarry(0) + gChanTotal(7), 0.0);
    EXPECT_EQ(form->lblTotal(0)->text(), " .00");
    Key(Qt::Key_Shift, false);
    gChanTotal.fill(2.0);
    Click(form->cmdZero(1));
    EXPECT_EQ(gChanTotal(0) + gChanTotal(1), 2.0);

    modIO::SetInputFunction(3, 8);  // "Emission 1 On"
    unit.Model().inputs = 1 << 3;
    ASSERT_TRUE(WaitUntil([&] { return gORUN->InputState(3) && gORUN->EmissionOn(0) > 0; }, 3000));
    Click(form->cmdSensor(0));
    EXPECT_EQ(Tip(), "Sensor state is forced by a digital input.");
    EXPECT_GT(gORUN->EmissionOn(0), 0);
}

// Manual power on: MAN POWER, the box showing the present power, the output under hand
// control. Off, by the layer's start mode and the run phase: Constant to CONSTANT,
// STOPPED and STOP LAYER back to the phase with 0 % sent, conditioning and shutter delay
// to HOLD POWER, DEPOSIT to DEPOSIT, any other phase unchanged. Shift-click: every shown
// channel follows. A channel the run took out of manual power is cleared at its next
// refresh, past the interlock. With the process editor open the box goes back.
TEST_F(RunButtons, ManualPowerOnAndOffInEachPhase) {
    Start({0, 1, 2, 3});
    form->RequestReadings->setEnabled(false);  // no control tick moves the phases here
    const struct {
        int16_t phase, startMode, after;
    } cases[] = {{4, 0, 4}, {18, 0, 18}, {5, 0, 40}, {9, 0, 40}, {16, 0, 40}, {10, 0, 10}, {10, 2, 32}, {1, 0, 30}};
    QCheckBox* box = form->chkManPwr(1);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.phase);
        gLayer(2).StartMode = c.startMode;
        gApp->setPhase(c.phase);
        gORUN->setPower(1, 30.0);
        gORUN->SendPower();
        form->lblPower(1)->setText("30.00");
        Click(box);
        EXPECT_EQ(gApp->ChanPhase(1), PhaseCode::ManPower);
        EXPECT_EQ(form->txtPower(1)->text() + (form->txtPower(1)->isHidden() ? " hidden" : ""), "30.00");
        EXPECT_EQ(BackColor(box), 0xFF00u);
        EXPECT_EQ(gORUN->HandCtrlOutput(), 1);

        Click(box);
        EXPECT_EQ(gApp->ChanPhase(1), c.after);
        EXPECT_TRUE(form->txtPower(1)->isHidden());
        EXPECT_EQ(gORUN->HandCtrlOutput(), -1);
        const bool zero = c.phase == 4 || c.phase == 18;
        EXPECT_NEAR(gORUN->Power(1), zero ? 0.0 : 30.0, 0.01);
        if (zero) {
            EXPECT_TRUE(WaitUntil([&] { return unit.Model().powerCode[1] == OutputCode::ZeroVolts; }, 2000));
        }
    }
    gLayer(2).StartMode = 0;

    gApp->setPhase(PhaseCode::Deposit);
    Key(Qt::Key_Shift, true);
    for (bool on : {true, false}) {
        Click(form->chkManPwr(2));
        for (int16_t ch = 0; ch <= 3; ++ch) {
            EXPECT_EQ(form->chkManPwr(ch)->isChecked(), on) << ch;
            EXPECT_EQ(gApp->ChanPhase(ch), on ? PhaseCode::ManPower : PhaseCode::Deposit) << ch;
        }
    }
    Key(Qt::Key_Shift, false);

    Click(box);
    gApp->setChanPhase(1, PhaseCode::HoldPower);
    CtrlKey = true;
    form->UpdateChanProc(1);
    CtrlKey = false;
    EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(gApp->ChanPhase(1), PhaseCode::Deposit);
    EXPECT_EQ(Tip(), "");

    ProcessEditor();
    Click(box);
    EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(boxes.prompts(), QStringList{"Close Edit Process form, to change output power setting."});
}
