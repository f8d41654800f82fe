// The channel calculations over the real application, unit and quartz objects.
#include "RunFixture.h"

#include "app/cErrHandler.h"
#include "run/modPhases.h"
#include "support/ErrorNumber.h"

using namespace modCalculations;

namespace {

class Calculations : public RunFixture {};

TEST_F(Calculations, AChannelWithoutALayerGivesZeroAndLeavesItsPidStateAlone) {
    Deposit({0});
    gChanReading(5) = 7.0;
    gChanRateFilter(5).Push(7.0);
    gChanUser(5) = 7.0;
    gChanTotal(5) = 3.0;
    gPIDErr0(5) = 1.5;
    gPIDHold(5) = 4;
    DELTA(6) = 1;
    App().setChanPhase(5, PhaseCode::Deposit);
    double dev = 9.0;

    EXPECT_EQ(CalcChanRateFilter(5), 0.0);
    EXPECT_EQ(CalcXChanRate(5), 0.0);
    EXPECT_EQ(CalcXChanCurentRate(5), 0.0);
    EXPECT_EQ(CalcChanUser(5), 0.0);
    EXPECT_EQ(CalcChanDev(5), 0.0);
    EXPECT_EQ(CalcChanRatio(5), 0.0);
    EXPECT_EQ(CalcChanThick(5), 0.0);
    EXPECT_EQ(CalcPIDPower(dev, 0.5, 5), 0.0);
    EXPECT_EQ(gPIDErr0(5), 1.5);
    EXPECT_EQ(gPIDHold(5), 4);
    EXPECT_EQ(dev, 9.0);
    EXPECT_EQ(boxes.count(), 0);
}

// "Rate" mode subtracts the cross channels' filtered rates, each calibrated with its own
// film; "Current" mode subtracts their raw averages before this channel's calibration.
// Cross channels of -1 or without a layer are skipped.
TEST_F(Calculations, CrossChannelsSubtractTheirSharesInRateAndCurrentMode) {
    Deposit({0, 1});
    Film(0).QCM_CALZERO = 1.0;
    Film(0).QCM_CALFACTOR = 2.0;
    Film(0).UnitsOffset = 4.0;
    Film(0).UnitsCal = 0.5;
    Film(1).QCM_CALFACTOR = 3.0;
    gChanReading(0) = 11.0;  // calibrated: 20
    gChanRateFilter(1).Push(4.0);  // calibrated: 12
    Layer(0).XCH1 = -1;
    Layer(0).XCh1Percent = 100.0;
    Layer(0).XCH2 = 1;
    Layer(0).XCh2Percent = 50.0;
    Layer(0).XCH3 = 6;  // serves no layer
    Layer(0).XCh3Percent = 100.0;

    EXPECT_DOUBLE_EQ(CalcXChanRate(0), 20.0 - 0.5 * 12.0);
    EXPECT_DOUBLE_EQ(CalcXChanCurentRate(0), (11.0 - 0.5 * 4.0 - 1.0) * 2.0);
    Layer(0).XChMode = 1;
    EXPECT_DOUBLE_EQ(CalcChanUser(0), (14.0 - 4.0) * 0.5);
    Layer(0).XChMode = 0;
    EXPECT_DOUBLE_EQ(CalcChanUser(0), (16.0 - 4.0) * 0.5);
    Layer(0).XChMode = 2;
    EXPECT_EQ(CalcChanUser(0), 0.0);

    Layer(0).XCH2 = -1;
    EXPECT_DOUBLE_EQ(CalcXChanRate(0), 20.0);  // all skipped: the calibrated raw reading
    EXPECT_DOUBLE_EQ(CalcXChanCurentRate(0), 20.0);
    EXPECT_EQ(boxes.count(), 0);

    // A cross channel outside 0..7 is an error of the layer record: reported, result 0.
    Layer(0).XCH4 = 9;
    EXPECT_EQ(CalcXChanRate(0), 0.0);
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(gErr.ErrNumber(), 9);
    EXPECT_EQ(gErr.ErrProcedure(), QStringLiteral("modCalc_CalcXChanRate"));
}

TEST_F(Calculations, QuartzAndAnalogReadingsPassUncalibratedAndOtherInputsGiveZero) {
    Deposit({2, 3, 4});
    Film(2).Input_Type = 3;
    Film(3).Input_Type = 6;
    Film(4).Input_Type = 9;
    for (int16_t ch : {2, 3, 4}) {
        Film(ch).QCM_CALFACTOR = 5.0;
        Film(ch).QCM_CALZERO = 1.0;
        Film(ch).UnitsCal = 10.0;
        Film(ch).UnitsOffset = 0.5;
        gChanReading(ch) = 2.5;
        gChanRateFilter(ch).Push(1.5);
        Layer(ch).XCH1 = (ch == 2) ? 3 : -1;  // never applied to a quartz channel
        Layer(ch).XCh1Percent = 100.0;
    }
    EXPECT_DOUBLE_EQ(CalcChanRateFilter(2), 1.5);
    EXPECT_DOUBLE_EQ(CalcXChanRate(2), 2.5);
    EXPECT_DOUBLE_EQ(CalcChanUser(2), (2.5 - 0.5) * 10.0);
    EXPECT_DOUBLE_EQ(CalcXChanCurentRate(3), 2.5);
    EXPECT_EQ(CalcChanRateFilter(4), 0.0);
    EXPECT_EQ(CalcChanUser(4), 0.0);
    EXPECT_EQ(boxes.count(), 0);
}

TEST_F(Calculations, DeviationOnlyInTheSetPointPhasesAndZeroForASetPointOfZero) {
    Deposit({0});
    Layer(0).Rate = 2.0;
    // A manual ramp that has just begun at 2.0.
    Layer(0).ManRampFromRate = 2.0;
    Layer(0).ManRampToRate = 4.0;
    Layer(0).ManRampSlope = 1.0;
    Layer(0).ManRampStart = Timer();
    gChanUser(0) = 2.5;
    App().setPhase(PhaseCode::Deposit);
    for (int16_t phase : {9, 10, 30, 31, 32}) {
        App().setChanPhase(0, phase);
        EXPECT_DOUBLE_EQ(CalcChanDev(0), 25.0) << phase;  // above the set point: positive
    }
    for (int16_t phase : {4, 5, 11, 16, 18, 40}) {
        App().setChanPhase(0, phase);
        EXPECT_EQ(CalcChanDev(0), 0.0) << phase;
    }
    App().setChanPhase(0, PhaseCode::Deposit);
    Layer(0).Rate = 0.0;
    EXPECT_EQ(CalcChanDev(0), 0.0);
    // MAN POWER follows no set point while the run stands still.
    Layer(0).Rate = 2.0;
    App().setPhase(PhaseCode::StopLayer);
    App().setChanPhase(0, PhaseCode::ManPower);
    EXPECT_EQ(modPhases::RateTarget(0), 0.0);
    EXPECT_EQ(CalcChanDev(0), 0.0);
    EXPECT_EQ(boxes.count(), 0);
}

TEST_F(Calculations, RatioIsFilteredAndNothingIsFilteredWithoutADenominator) {
    Deposit({0, 2});
    Layer(0).RatioFilter = 2;
    gChanRatioFilter(0).setSize(2);
    gChanUser(0) = 6.0;
    gChanUser(2) = 0.0;
    Layer(0).ChanMult = 2.0;
    Layer(0).RatioMult = 3.0;

    EXPECT_EQ(CalcChanRatio(0), 0.0);  // no ratio channel
    Layer(0).RatioChan = 2;
    EXPECT_EQ(CalcChanRatio(0), 0.0);  // the ratio channel reads 0
    EXPECT_EQ(gChanRatioFilter(0).Average(), 0.0);

    gChanUser(2) = 1.0;
    EXPECT_DOUBLE_EQ(CalcChanRatio(0), 4.0);  // 6 * 2 / (1 * 3)
    gChanUser(2) = 2.0;
    EXPECT_DOUBLE_EQ(CalcChanRatio(0), 3.0);  // (4 + 2) / 2
    gChanUser(2) = 0.0;
    EXPECT_DOUBLE_EQ(gChanRatioFilter(0).Average(), 3.0);
    EXPECT_EQ(CalcChanRatio(0), 0.0);
    EXPECT_DOUBLE_EQ(gChanRatioFilter(0).Average(), 3.0);
}

// The emission detector integrates its rate over the time since the last meter refresh;
// a quartz channel keeps the monitor's own total; an analog input has none; in HOLD POWER
// during DEPOSIT every channel integrates.
TEST_F(Calculations, ThicknessByInputTypeAndHoldPowerDuringDeposit) {
    Deposit({0, 1, 2});
    Film(1).Input_Type = 2;
    Film(2).Input_Type = 7;
    App().setPhase(PhaseCode::Deposit);  // entering DEPOSIT clears the totals
    for (int16_t ch : {0, 1, 2}) {
        gChanUser(ch) = 4.0;
        gChanTotal(ch) = 1.0;
    }
    Clock::Advance(2500);
    EXPECT_DOUBLE_EQ(CalcChanThick(0), 1.0 + 2.5 * 4.0 * 0.001);
    EXPECT_DOUBLE_EQ(CalcChanThick(1), 1.0);
    EXPECT_EQ(CalcChanThick(2), 0.0);

    App().setChanPhase(1, PhaseCode::HoldPower);
    App().setChanPhase(2, PhaseCode::HoldPower);
    EXPECT_DOUBLE_EQ(CalcChanThick(1), 1.0 + 2.5 * 4.0 * 0.001);
    EXPECT_DOUBLE_EQ(CalcChanThick(2), 1.0 + 2.5 * 4.0 * 0.001);
    App().setPhase(PhaseCode::ShutterDelay);
    EXPECT_EQ(CalcChanThick(2), 0.0);

    // Across midnight the step is still the time since the refresh.
    gChanTotal(0) = 1.0;  // entering SHTR DLY cleared it
    Clock::SetFixed(QDateTime(QDate(2024, 5, 6), QTime(23, 59, 59)));
    gLastMeterTime = Timer();
    Clock::Advance(2000);
    EXPECT_NEAR(CalcChanThick(0), 1.0 + 2.0 * 4.0 * 0.001, 1e-6);
}

}  // namespace
