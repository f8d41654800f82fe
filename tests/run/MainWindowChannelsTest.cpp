// Channel and sensor supervision of the main window with the emulated unit: a channel in
// error takes its film's action once, a sensor's leakage turns its button yellow and
// takes the action of the film on the channel of its number, and the digital inputs act
// on their edges.
#include "MainWindowFixture.h"

#include "app/VBConv.h"
#include "platform/VbColor.h"
#include "platform/VbControls.h"
#include "run/modPhasesDetail.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>

namespace {

constexpr uint32_t kGreen = 0xFF00, kYellow = 0xFFFF, kRed = 0xFF;

class MainWindowChannels : public MainWindowTest {
protected:
    // Linked and identified, with the poll stopped: the test refreshes the window itself.
    void Quiet() {
        Connect();
        form->RequestReadings->setEnabled(false);
        ASSERT_TRUE(WaitUntil([] { return gORUN->CommStatus() == 0; }, 2000));
        SensorDecimals = QStringLiteral("0.00");
    }
    static int32_t Code(double percent) { return vb::CLng(percent / 100.0 * 32767.0 + 32767.0); }
    // The channel's loop has run on readings in its layer and averaged this power: a hold
    // keeps it (without a reading in the layer a hold keeps 0).
    static void PowerAverage(int16_t ch, double percent) {
        gChanPowerFilter(ch).setSize(1);
        gChanPowerFilter(ch).Push(percent);
        modPhases::NoteLoopRan(ch);
    }
};

}  // namespace

TEST_F(MainWindowChannels, ChannelErrorHoldsThePowerOnceAndClears) {
    Station({0, 1});
    gFilm(2).Input_Type = 1;  // channel 1 measures with quartz monitor 1, which is off
    gFilm(2).ERROR_ACTION = 2;
    OutputFunction(5) = 12;   // "Channel Error"
    Quiet();
    gApp->setPhase(PhaseCode::Deposit);
    gApp->setChanPhase(1, PhaseCode::Deposit);
    PowerAverage(1, 37.5);

    form->UpdateForm();
    EXPECT_EQ(form->lblSubPhase(1)->text(), "QCM1 Err: HOLD");
    EXPECT_EQ(ForeColor(form->lblSubPhase(1)), kRed);
    EXPECT_EQ(gApp->ChanPhase(1), PhaseCode::HoldPower);
    EXPECT_TRUE(WaitUntil([&] { return unit.Model().powerCode[1] == Code(37.5) && (unit.Model().relays & 32); }, 2000));

    // While the error lasts nothing more is done.
    ASSERT_TRUE(WaitUntil([] { return gORUN->CommStatus() == 0; }, 2000));
    const int holds = Received("K");
    form->UpdateForm();
    ASSERT_TRUE(WaitUntil([] { return gORUN->CommStatus() == 0; }, 2000));
    EXPECT_EQ(Received("K"), holds);

    gQCM->setQCMSensorEnabled(0, true);
    form->UpdateForm();
    EXPECT_TRUE(form->lblSubPhase(1)->text().startsWith("HOLD POWER: ")) << form->lblSubPhase(1)->text().toStdString();
    EXPECT_EQ(ForeColor(form->lblSubPhase(1)), 0u);

    // The unit reports an emission channel without readings; an inactive one is no error.
    const QString before = form->lblSubPhase(0)->text();
    emit gORUN->ORUNError(20, 0);
    EXPECT_EQ(form->lblSubPhase(0)->text(), before);
    emit gORUN->ORUNError(20, 1);
    EXPECT_EQ(form->lblSubPhase(0)->text(), "ORUN Err: IGNORE");
    EXPECT_EQ(boxes.count(), 0);
}

TEST_F(MainWindowChannels, LeakageColoursTheSensorAndAboveTheLimitHoldsThePower) {
    Station({0});
    gFilm(1).ERROR_ACTION = 2;
    Quiet();
    gORUN->setMaxLeakage(0, 0.4);
    gORUN->setEmissionSetPt(0, 5.0);
    gORUN->setEmissionOn(0, 1);
    gApp->setPhase(PhaseCode::Deposit);
    gApp->setChanPhase(0, PhaseCode::Deposit);
    PowerAverage(0, 20.0);

    const struct {
        double leakage;
        uint32_t colour;
        int16_t phase;  // of channel 0 afterwards
    } cases[] = {
        {0.10, kGreen, PhaseCode::Deposit},   // at most 0.67 of the limit
        {0.30, kYellow, PhaseCode::Deposit},  // above 0.67 of it
        {0.40, kYellow, PhaseCode::Deposit},  // at the limit: no action
        {0.50, kYellow, PhaseCode::HoldPower},
        {0.50, kYellow, PhaseCode::HoldPower},  // the message only once
    };
    for (const auto& c : cases) {
        unit.Model().leakage[0] = c.leakage;
        ASSERT_TRUE(Exchange([] { gORUN->SendReadSensors(); }, "D"));
        EXPECT_EQ(BackColor(form->cmdSensor(0)), c.colour) << c.leakage;
        EXPECT_EQ(form->cmdSensor(0)->text(), "5.00mA") << c.leakage;
        EXPECT_EQ(gApp->ChanPhase(0), c.phase) << c.leakage;
    }
    EXPECT_TRUE(WaitUntil([&] { return unit.Model().powerCode[0] == Code(20.0); }, 2000));
    EXPECT_EQ(boxes.prompts(), QStringList{"Sensor 1 has excessive leakage current."});

    // A stopped channel leaves the sensor alone, not even the colour changes.
    unit.Model().leakage[0] = 0.1;
    ASSERT_TRUE(Exchange([] { gORUN->SendReadSensors(); }, "D"));
    gApp->setChanPhase(0, PhaseCode::Stopped);
    unit.Model().leakage[0] = 0.5;
    ASSERT_TRUE(Exchange([] { gORUN->SendReadSensors(); }, "D"));
    EXPECT_EQ(BackColor(form->cmdSensor(0)), kGreen);

    // Commanded on with 2, reported on: the command goes again with every sensor reply.
    gORUN->setEmissionOn(0, 2);
    ASSERT_TRUE(WaitUntil([] { return gORUN->CommStatus() == 0; }, 2000));
    unit.ClearCommands();
    ASSERT_TRUE(Exchange([] { gORUN->SendReadSensors(); }, "D"));
    ASSERT_TRUE(Exchange([] { gORUN->SendReadSensors(); }, "D"));
    EXPECT_TRUE(WaitUntil([&] { return Received("S1;2") == 2; }, 2000));
}

// The word with "Stop Process" on input 0 and the emission 1 interlock coming on at input 3:
// the stop acts at once, the interlock with the next word instead of being lost.
TEST_F(MainWindowChannels, StopProcessAndAnInterlockInOneWordBothAct) {
    Station({0, 2});
    modIO::SetInputFunction(0, 2);   // "Stop Process"
    modIO::SetInputFunction(3, 6);   // "Emission 1 Intrlck"
    modIO::SetInputFunction(5, 22);  // "End Channel 3"
    Quiet();
    gORUN->setEmissionOn(0, 1);
    QSignalSpy pressed(form->cmdSensor(0), &QPushButton::clicked);
    gApp->setPhase(PhaseCode::Deposit);

    auto word = [&](int inputs) {
        unit.Model().inputs = inputs;
        return Exchange([] { gORUN->SendReadDigitalInputs(); }, "M");
    };
    ASSERT_TRUE(word(0b1001));
    EXPECT_EQ(gApp->Phase(), PhaseCode::Stopped);
    EXPECT_EQ(SystemFlags & 4, 0);
    ASSERT_TRUE(word(0b1001));
    EXPECT_EQ(SystemFlags & 4, 4);
    EXPECT_EQ(pressed.count(), 1);  // sensor 1 was on; its gas sensor was off
    form->ShowSensors();
    for (QWidget* w : std::initializer_list<QWidget*>{form->cmdSensor(0), form->cmdSensor(1), form->lblGas(1)})
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();

    ASSERT_TRUE(word(0b0001));
    EXPECT_EQ(SystemFlags & 4, 0);
    EXPECT_TRUE(form->cmdSensor(0)->isEnabled());
    EXPECT_EQ(pressed.count(), 1);

    gApp->setPhase(PhaseCode::Deposit);
    ASSERT_TRUE(word(0b100001));  // channel 3 has a film: the process ends
    EXPECT_EQ(gApp->Phase(), PhaseCode::Stopped);
    EXPECT_EQ(gApp->ProcLayer(), 1);
    EXPECT_EQ(boxes.count(), 0);
}
