// Calibrated channel signals, the flux that the run controls on, and the two percentages,
// from readings fed to the link as the unit sends them.
#include "support/DialogRecorder.h"
#include "unit/LinkHarness.h"

#include <gtest/gtest.h>

namespace {

// Integration 0 maps counts c to 0.5 c, integration 1 to 0.25 c (with CalHiBias 2000).
void SetTables(cORUN& link, int ch) {
    link.setCalSlope(ch, 0, -0.5);
    link.setCalIntercept(ch, 0, 2000.0);
    link.setCalSlope(ch, 1, -0.25);
    link.setCalIntercept(ch, 1, 2000.0);
}

}  // namespace

TEST(ChannelSignals, FluxAndPercentsFromTheLastReading) {
    DialogRecorder boxes;
    cORUN link;
    Identify(link);
    Reply(link, "A1,1,1,1,1,1,1,1");
    SetTables(link, 0);
    SetTables(link, 1);

    // main 1000, background 400, gas 600: I1 500, I3 100, I2 300.
    Reply(link, "G;1000,50,400,0,600,0;;;;;;;;");
    EXPECT_DOUBLE_EQ(link.I1_Total(0), 500.0);
    EXPECT_DOUBLE_EQ(link.I3_Bkg(0), 100.0);
    EXPECT_DOUBLE_EQ(link.I2_Total(0), 300.0);
    EXPECT_DOUBLE_EQ(link.ChanFlux(0), 400.0);  // gas correction off
    EXPECT_DOUBLE_EQ(link.ChanPercent(0), 25.0);
    EXPECT_DOUBLE_EQ(link.GasPercent(0), 15.0);

    // Gas correction through the channel's gas sensor: X - GasCal(sensor) * Y.
    link.setGasCalEnabled(true);
    link.setSensorMap(0, 0);  // factor 1.0 by default
    Reply(link, "G;1000,50,400,0,600,0;;;;;;;;");
    EXPECT_DOUBLE_EQ(link.ChanFlux(0), 200.0);
    link.setGasCal(1, 0.5);
    link.setSensorMap(0, 1);
    Reply(link, "G;1000,50,400,0,600,0;;;;;;;;");
    EXPECT_DOUBLE_EQ(link.ChanFlux(0), 300.0);
    // A sensor without a gas factor, or a stored map that names no sensor at all.
    for (int sensor : {2, 3, -1, 9}) {
        link.setSensorMap(0, sensor);
        Reply(link, "G;1000,50,400,0,600,0;;;;;;;;");
        EXPECT_DOUBLE_EQ(link.ChanFlux(0), 400.0) << sensor;
    }

    // A signal above the high bias reads 100 %, one below zero 0 %.
    Reply(link, "G;5000,50,400,0,-200,0;;;;;;;;");
    EXPECT_DOUBLE_EQ(link.I1_Total(0), 2500.0);
    EXPECT_DOUBLE_EQ(link.ChanPercent(0), 100.0);
    EXPECT_DOUBLE_EQ(link.GasPercent(0), 0.0);

    // A channel whose field is empty keeps its values; the other channel's reading is its own.
    Reply(link, "G;;2000,50,0,0,0,0;;;;;;;");
    EXPECT_DOUBLE_EQ(link.I1_Total(0), 2500.0);
    EXPECT_DOUBLE_EQ(link.ChanFlux(1), 1000.0);
    EXPECT_EQ(boxes.count(), 0);
}

TEST(ChannelSignals, OldFirmwareNegatesTheFluxAndLeavesThePercents) {
    cORUN link;
    Identify(link);
    Reply(link, "A1,1,1,1,1,1,1,1");
    SetTables(link, 0);
    Reply(link, "G;1000,50,400,0,600,0;;;;;;;;");
    ASSERT_DOUBLE_EQ(link.ChanPercent(0), 25.0);

    link.SendGetVersion();
    Reply(link, "ORUN 1.50");
    ASSERT_EQ(link.Version(), 150);
    Reply(link, "G;1600,50,400,0,600,0;;;;;;;;");
    EXPECT_DOUBLE_EQ(link.I2_Total(0), 0.0);  // no gas counts before firmware 2.00
    EXPECT_DOUBLE_EQ(link.ChanFlux(0), -(800.0 - 100.0));
    EXPECT_DOUBLE_EQ(link.ChanPercent(0), 25.0);
    EXPECT_DOUBLE_EQ(link.GasPercent(0), 15.0);
}
