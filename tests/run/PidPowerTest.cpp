// The incremental PID step against the real unit object's power outputs, which keep
// each output's power as a whole-number count.
#include "RunFixture.h"

#include "app/cErrHandler.h"
#include "support/ErrorNumber.h"

using namespace modCalculations;

namespace {

class PidPower : public RunFixture {
protected:
    // Channel 0 on output 0 at 10 % power (stored as a count, so read back slightly off);
    // a P-only law where a deviation d gives a step of d percent.
    void SetUp() override {
        RunFixture::SetUp();
        Deposit({0});
        Film(0).PTerm = 100.0;
        Film(0).SLEW_RATE = 100.0;
        Unit().setPower(0, 10.0);
        present = Unit().Power(0);
    }

    // One control tick as the phase machine runs it: the result goes to the output.
    double Tick(double dev, double dt = 0.5) {
        const double power = CalcPIDPower(dev, dt, 0);
        Unit().setPower(0, power);
        return power;
    }

    double present = 0.0;
};

TEST_F(PidPower, ADeviationAtTheHoldThresholdHoldsTenTicksAndComputesTheEleventh) {
    DELTA(1) = 5;  // channel 0
    for (int tick = 1; tick <= 10; ++tick) {
        EXPECT_EQ(Tick(-5.0), present) << tick;
        EXPECT_EQ(gPIDHold(0), tick);
        EXPECT_EQ(gPIDErr0(0), 0.0);  // the history is not touched while held
    }
    EXPECT_DOUBLE_EQ(Tick(-5.0), present - 5.0);
    EXPECT_EQ(gPIDHold(0), 0);
    EXPECT_EQ(gPIDErr0(0), -5.0);

    // Just below the threshold every tick computes, and a running count restarts.
    Tick(5.0);
    EXPECT_EQ(gPIDHold(0), 1);
    for (int tick = 0; tick < 3; ++tick) {
        Tick(4.9);
        EXPECT_EQ(gPIDHold(0), 0);
        EXPECT_EQ(gPIDErr0(0), 4.9);
    }

    // No threshold: every tick computes.
    DELTA(1) = 0;
    gPIDErr0(0) = 0.0;
    Tick(50.0);
    EXPECT_EQ(gPIDHold(0), 0);
    EXPECT_EQ(gPIDErr0(0), 50.0);
}

TEST_F(PidPower, TheSlewLimitAppliesOnlyToStepsBeyondIt) {
    Film(0).SLEW_RATE = 1.0;  // 1 % per second, over 2 s: 2 %
    double dev = 2.0;
    EXPECT_EQ(CalcPIDPower(dev, 2.0, 0), present + 2.0);  // exactly the limit
    EXPECT_EQ(dev, 2.0);
    ResetPID(0);
    dev = 4.0;
    EXPECT_EQ(CalcPIDPower(dev, 2.0, 0), present + 2.0);
    ResetPID(0);
    dev = -2.0;
    EXPECT_EQ(CalcPIDPower(dev, 2.0, 0), present - 2.0);
    ResetPID(0);
    dev = -7.0;
    EXPECT_EQ(CalcPIDPower(dev, 2.0, 0), present - 2.0);
    ResetPID(0);
    dev = 1.0;
    EXPECT_EQ(CalcPIDPower(dev, 2.0, 0), present + 1.0);

    // No slew rate, or no time base, freezes the power.
    Film(0).SLEW_RATE = 0.0;
    EXPECT_EQ(Tick(30.0, 2.0), present);
    Film(0).SLEW_RATE = 1.0;
    EXPECT_EQ(Tick(60.0, 0.0), present);
    EXPECT_EQ(boxes.count(), 0);
}

TEST_F(PidPower, AStepBelowHalfAPowerCountNeverMovesTheOutput) {
    // One count of a 10 V output is 100 / 32767 % (about 0.003 %).
    for (int tick = 1; tick <= 20; ++tick) Tick(0.001 * tick);
    EXPECT_EQ(Unit().Power(0), present);
    Tick(0.1);
    EXPECT_GT(Unit().Power(0), present);
}

// With e0, e1, e2 the newest deviations: P = e0 - e1, I = e0 dt / ITerm, D = (e0 - 2 e1 +
// e2) DTerm / dt; the step is PTerm (P + I + D) / 100 percent.
TEST_F(PidPower, IntegralAndDerivativeTermsAndTheirZeroCases) {
    Film(0).PTerm = 10.0;
    Film(0).ITerm = 4.0;
    Film(0).DTerm = 0.5;
    double dev = 2.0;
    // P 2, I 2 * 0.5 / 4 = 0.25, D (2) * 0.5 / 0.5 = 2: step 0.425 %
    EXPECT_NEAR(CalcPIDPower(dev, 0.5, 0), present + 0.425, 1e-12);
    dev = 3.0;
    // P 1, I 0.375, D (3 - 4 + 0) = -1: step 0.0375 %
    EXPECT_NEAR(CalcPIDPower(dev, 0.5, 0), present + 0.0375, 1e-12);
    EXPECT_EQ(gPIDErr1(0), 2.0);

    Film(0).ITerm = 0.0;  // no integral action
    ResetPID(0);
    EXPECT_EQ(gPIDErr1(0), 0.0);
    dev = 2.0;
    EXPECT_NEAR(CalcPIDPower(dev, 0.5, 0), present + 0.1 * (2.0 + 2.0), 1e-12);

    // A channel without an output is never driven, whatever its deviation.
    Layer(0).Output = -1;
    gPIDErr0(0) = 0.0;
    dev = 40.0;
    EXPECT_EQ(CalcPIDPower(dev, 0.5, 0), 0.0);
    EXPECT_EQ(gPIDErr0(0), 0.0);
    EXPECT_EQ(boxes.count(), 0);
}

TEST_F(PidPower, ResetClearsTheHistoryButNotTheHoldCount) {
    gPIDErr0(3) = 1.0;
    gPIDErr1(3) = 2.0;
    gPIDErr2(3) = 3.0;
    gPIDHold(3) = 6;
    ResetPID(3);
    EXPECT_EQ(gPIDErr0(3) + gPIDErr1(3) + gPIDErr2(3), 0.0);
    EXPECT_EQ(gPIDHold(3), 6);
    // No handler of its own: a bad channel is the caller's error.
    EXPECT_EQ(ErrorNumber([] { ResetPID(8); }), 9);
}

// An overflowing step never reaches the output as an infinite power (which the output
// would clamp to its maximum): the error is reported and the result is 0 %.
TEST_F(PidPower, AnOverflowIsReportedAndGivesZeroPower) {
    Film(0).PTerm = 1e308;
    double dev = 1e308;
    EXPECT_EQ(CalcPIDPower(dev, 0.5, 0), 0.0);
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(gErr.ErrNumber(), 6);
    EXPECT_EQ(gErr.ErrProcedure(), QStringLiteral("modCalc_CalcPIDPower"));
}

}  // namespace
