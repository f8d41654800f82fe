// The phase machine's rules that a whole run does not reach: the relay table for every
// function and phase, the phase clock, the rate set points, the end prediction, the time
// set point and the quartz calibration schedule.
#include "RunFixture.h"

#include "app/frmTip.h"
#include "qcm/cQCMCal.h"
#include "run/PhaseCode.h"
#include "run/modPhases.h"
#include "run/modPhasesDetail.h"
#include "unit/LinkHarness.h"

#include <QLabel>

using namespace modPhases;

// Plays the calibration's measurement, which is not built yet.
struct QCMCalProbe {
    static void End(cQCMCal& cal, int16_t phase, double factor, const QString& error) {
        cal.Phase_ = phase;
        cal.QCMCalFactor_ = factor;
        cal.ErrorMsg_ = error;
    }
};

namespace {

class PhaseMachine : public RunFixture {
protected:
    static void Seconds(double s) { Clock::Advance(static_cast<int64_t>(s * 1000.0)); }
};

// Each function code's relay, from off and from on, in each phase: '1' on, '0' off, '-'
// as it was. Channels 0 and 3 have films; channel 3 measures with quartz monitor 1.
TEST_F(PhaseMachine, RelaysFollowThePhaseTableForEveryFunction) {
    Deposit({0, 3});
    Film(3).Input_Type = 1;
    const int16_t phases[] = {4, 19, 5, 8, 9, 10, 16, 17, 18, 99, 0, 1, 11, 20};
    const std::vector<std::pair<int16_t, const char*>> table = {
        {0, "0000000000----"},  {1, "1000000001----"},  {2, "0111111110----"},  {3, "1000000010----"},
        {4, "0011111100----"},  {5, "0000110000----"},  {6, "0011000000----"},  {7, "0000001100----"},
        {8, "0111111100----"},  {9, "0000000000----"},  {10, "00------00----"}, {11, "00------00----"},
        {12, "00-------0----"}, {13, "--------------"}, {20, "0000110000----"}, {23, "0000110000----"},
        {27, "0000--0000----"}, {30, "0000010000----"}, {35, "00000-0000----"}, {36, "--------------"},
        {37, "--------------"}, {40, "000011000-----"}, {43, "0000--000-----"}};
    for (const auto& [code, row] : table) {
        modIO::SetOutputFunction(5, code);
        for (size_t p = 0; p < std::size(phases); ++p)
            for (bool before : {false, true}) {
                Unit().setRelay(5, before);
                PhaseRelays(phases[p]);
                const bool expected = row[p] == '-' ? before : row[p] == '1';
                EXPECT_EQ(Unit().Relay(5), expected) << "code " << code << " phase " << phases[p];
            }
    }
    // The relays are sent only when one changed.
    Identify(Unit());
    Reply(Unit(), QStringLiteral("A1,1,1,1,1,1,1,1"));
    LinkLog log(Unit());
    modIO::SetOutputFunction(5, 1);
    Unit().setRelay(5, false);
    PhaseRelays(PhaseCode::Stopped);
    Reply(Unit(), QStringLiteral("N"));
    PhaseRelays(PhaseCode::Stopped);
    EXPECT_EQ(log.commands(), QStringList{"N0,0,0,0,0,1,0,0,0,0,0,0"});
}

TEST_F(PhaseMachine, ThePhaseClockCountsAcrossMidnightWithinADay) {
    Clock::SetFixed(QDateTime(QDate(2024, 5, 6), QTime(23, 59, 50)));
    Deposit({0});
    App().setPhase(PhaseCode::Deposit);
    PhaseDuration = 100.0f;
    Seconds(12.5);
    EXPECT_NEAR(PhaseElapsed(), 12.5, 0.01);
    EXPECT_NEAR(PhaseRemaining(), 87.5, 0.01);
    EXPECT_EQ(PhasePercent(), 12.0);  // 12.5 % rounds to even
    Seconds(88);
    EXPECT_EQ(PhaseRemaining(), 0.0);
    EXPECT_EQ(PhasePercent(), 100.0);
    PhaseDuration = 1e6f;
    EXPECT_EQ(PhaseRemaining(), 86399.0);
    PhaseStartTime = Timer() + 0.5f;  // a day less half a second ago
    EXPECT_EQ(PhaseElapsed(), 86399.0);
    for (int16_t phase : {PhaseCode::StopLayer, PhaseCode::Stopped, PhaseCode::StartLayer, PhaseCode::Index}) {
        App().setPhase(phase);
        EXPECT_EQ(PhasePercent(), 0.0) << phase;
    }
    EXPECT_EQ(PhaseElapsed(), 0.0) << "not counted in STOPPED";
    EXPECT_EQ(boxes.count(), 0);
}

TEST_F(PhaseMachine, RateRampsStartFromTheMeasuredRateAndManualRampsEndOnTheirTarget) {
    Deposit({0});
    LayerRec& l = Layer(0);
    l.Rate = 4.0, l.Ramp1Thick = 0.5, l.Ramp1Rate = 8.0, l.Ramp1Time = 10, l.Ramp2Thick = 0.6, l.Ramp2Rate = 1.0;
    App().setPhase(PhaseCode::Deposit);
    gChanUser(0) = 4.5;
    gChanTotal(0) = 0.4;
    EXPECT_EQ(RateTarget(0), 4.0);
    gChanTotalCarry(0) = 0.1;  // the carried thickness counts
    EXPECT_EQ(RateTarget(0), 4.5);
    Seconds(5);
    EXPECT_NEAR(RateTarget(0), 6.25, 1e-3);
    // A channel calibrating against its quartz monitor keeps that set point.
    App().setChanPhase(0, PhaseCode::QcmCal);
    EXPECT_NEAR(RateTarget(0), 6.25, 1e-3);
    Seconds(5);
    EXPECT_EQ(RateTarget(0), 8.0);
    gChanTotal(0) = 0.5;
    l.Ramp2Time = 0;  // no ramp time: straight to the rate at the threshold
    EXPECT_EQ(RateTarget(0), 1.0);

    // Manual ramps: (from, to, slope per second, seconds) -> set point, still ramping.
    struct Case { double from, to, slope, t, target; bool ramping; };
    for (const Case& c : {Case{2, 4, 0.5, 2, 3, true}, Case{2, 4, 0.5, 4, 4, false}, Case{4, 1, 1, 1, 3, true},
                          Case{4, 1, 1, 3, 1, false}, Case{2, 4, 0, 0, 4, false}}) {
        App().setChanPhase(0, PhaseCode::ManRamp);
        l.Rate = 9.0;
        l.ManRampFromRate = c.from, l.ManRampToRate = c.to, l.ManRampSlope = c.slope, l.ManRampStart = Timer();
        Seconds(c.t);
        EXPECT_NEAR(RateTarget(0), c.target, 1e-3) << c.from << ">" << c.to << " after " << c.t;
        EXPECT_EQ(App().ChanPhase(0), c.ramping ? PhaseCode::ManRamp : PhaseCode::Deposit);
        EXPECT_EQ(l.Rate, c.ramping ? 9.0 : c.to);
    }
}

TEST_F(PhaseMachine, DepositPredictsTheEndAndSwitchesTheTimeSetPoint) {
    Deposit({0, 1});
    modIO::SetOutputFunction(4, 11);  // "Time Setpoint"
    Layer(0).Thick = 1.0;
    Layer(1).Thick = 0.01;
    Layer(1).TimeSetPt = 5;
    App().setPhase(PhaseCode::Deposit);
    DoPhase();
    EXPECT_EQ(PhaseDuration, 1e6f) << "no rate anywhere: a million seconds";
    gChanUser(0) = gChanUser(1) = 5.0;
    gChanTotal(1) = 0.005;  // 5 Å to go at 5 Å/s
    Seconds(4.9);
    DoPhase();
    EXPECT_NEAR(PhaseRemaining(), 1.0, 1e-3);
    EXPECT_FALSE(Unit().Relay(4));
    Seconds(0.1);
    DoPhase();
    EXPECT_TRUE(Unit().Relay(4));
    ResetDepositTimers();
    EXPECT_NEAR(DepositTimeMark(1), 10.0, 0.01);
    // A layer without an end thickness ends the layer, unless a later channel predicts.
    Layer(0).Thick = 0.0;
    DoPhase();
    EXPECT_EQ(App().Phase(), PhaseCode::Deposit);
    Layer(0).Thick = 1.0;
    Layer(1).Thick = 0.0;
    DoPhase();
    EXPECT_EQ(App().Phase(), PhaseCode::IdleRamp);
    EXPECT_EQ(App().StatusMsg(), 3);
    ResetDepositTimers();  // outside DEPOSIT: nothing
    EXPECT_NEAR(DepositTimeMark(1), 10.0, 0.01);
}

TEST_F(PhaseMachine, ACaptureNeedsThreeSecondsInTheBandAndRestartsWhenItLeaves) {
    Deposit({0});
    Layer(0).Rate = 5.0;
    Film(0).Shutter_Delay = 10;
    Film(0).Shutter_Capture = 10;
    App().setPhase(PhaseCode::ShutterDelay);
    // (reading, seconds later) -> still in SHTR DLY after the tick
    struct Step { double user, later; bool waiting; };
    for (const Step& s : {Step{5.4, 0, true}, Step{5.4, 2, true}, Step{5.6, 0.5, true}, Step{4.6, 2.9, true},
                          Step{4.6, 0.2, false}}) {
        gChanUser(0) = s.user;
        Seconds(s.later);
        DoPhase();
        EXPECT_EQ(App().Phase(), s.waiting ? PhaseCode::ShutterDelay : PhaseCode::Deposit) << s.user << " " << s.later;
    }
}

TEST_F(PhaseMachine, QuartzCalibrationIsScheduledFollowedAndReleased) {
    Deposit({0, 1});
    for (int16_t ch : {0, 1}) {
        Film(ch).QCM_NUMBER = 2, Film(ch).QCM_INTERVAL = 30, Film(ch).QCM_SAMPLE = 5;
        Layer(ch).Rate = 5.0, Layer(ch).Thick = 1.0, gChanUser(ch) = 5.0;
    }
    App().setPhase(PhaseCode::StopLayer);  // a run is under way
    App().setPhase(PhaseCode::StartLayer);
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.last().prompt.toStdString(),
              "QCM sensor 3 cannot calibrate multiple ORUN channels.\r\n"
              "Automatic QCM calibration will be disabled.\r\nPress OK to continue, Cancel to stop layer.");
    EXPECT_EQ(boxes.last().buttons, vbOKCancel + vbExclamation);
    App().setPhase(PhaseCode::Deposit);
    DoPhase();
    EXPECT_EQ(App().ChanPhase(0), PhaseCode::Deposit) << "two channels on one monitor: neither";

    Film(1).QCM_NUMBER = -1;
    App().setPhase(PhaseCode::StartLayer);
    App().setPhase(PhaseCode::Deposit);
    DoPhase();
    ASSERT_EQ(App().ChanPhase(0), PhaseCode::QcmCal);
    ASSERT_TRUE(QCMCalObj(0));
    EXPECT_EQ(QCMCalObj(0)->Phase(), 1);
    DoPhase();
    EXPECT_EQ(App().ChanPhase(0), PhaseCode::QcmCal);
    QCMCalProbe::End(*QCMCalObj(0), 3, 1.25, QString());
    DoPhase();
    EXPECT_EQ(Film(0).QCM_CALFACTOR, 1.25);
    EXPECT_EQ(App().ChanPhase(0), PhaseCode::Deposit);
    EXPECT_FALSE(QCMCalObj(0));
    // The next one waits more than the interval; an error keeps the factor.
    Seconds(30);
    DoPhase();
    EXPECT_EQ(App().ChanPhase(0), PhaseCode::Deposit);
    Seconds(1);
    DoPhase();
    QCMCalProbe::End(*QCMCalObj(0), 12, 0.0, QStringLiteral("No QCM rate"));
    DoPhase();
    EXPECT_EQ(App().ChanPhase(0), PhaseCode::Deposit);
    EXPECT_EQ(Film(0).QCM_CALFACTOR, 1.25);
    ASSERT_TRUE(frmTip::Current());
    EXPECT_EQ(frmTip::Current()->findChild<QLabel*>("lblMessage")->text(), "QCMCal Error: No QCM rate");
    // A film that takes no samples cannot calibrate: the channel goes back at once.
    Film(0).QCM_SAMPLE = 0;
    Seconds(31);
    DoPhase();
    DoPhase();
    EXPECT_EQ(App().ChanPhase(0), PhaseCode::Deposit);
    EXPECT_EQ(boxes.count(), 1);
}

// STOPPED entered before any process is selected (no run to count, nothing mapped).
TEST_F(PhaseMachine, TheStartUpReachesStoppedWithNoProcessSelected) {
    App().setPhase(PhaseCode::Stopped);
    EXPECT_EQ(App().Phase(), PhaseCode::Stopped);
    EXPECT_EQ(App().ChanPhase(7), PhaseCode::Stopped);
    EXPECT_EQ(boxes.count(), 0);
}

}  // namespace
