// The command texts the link builds from its properties, and the checks on their values.
#include "support/DialogRecorder.h"
#include "unit/LinkHarness.h"

#include <gtest/gtest.h>

namespace {
// Answers every command in flight with its own letter until the link is idle, so each
// command of a sequence goes out; returns the commands sent.
std::string Drain(cORUN& link, LinkLog& log) {
    AnswerAll(link);
    const std::string out = log.commandText();
    log.clear();
    return out;
}

// A link identified as the firmware with channel 1 (index 0) active and 2 inactive; the
// traffic of that start is answered and forgotten.
void Start(cORUN& link, LinkLog& log, const QString& firmware) {
    Identify(link, firmware);
    Reply(link, "A1,0,0,0,0,0,0,0");
    Drain(link, log);
}
}  // namespace

TEST(cORUNCommands, UpdatePeriodIsSentByFirmwareRulesAndOnlyForActiveChannels) {
    cORUN link;
    LinkLog log(link);
    Start(link, log, "4.11");
    link.setChanUpdate(0, 2000);
    EXPECT_EQ(Drain(link, log), "B1,666,0");
    link.setGasCalEnabled(true);
    link.setChanUpdate(0, 100);
    EXPECT_EQ(Drain(link, log), "B1,33,1");
    // Out of range: nothing stored, nothing sent.
    link.setChanUpdate(0, 99);
    link.setChanUpdate(0, 2001);
    EXPECT_EQ(link.ChanUpdate(0), 100);
    EXPECT_EQ(Drain(link, log), "");

    // An inactive channel keeps the period and gets it when it shows up active.
    link.setChanUpdate(1, 500);
    EXPECT_EQ(link.ChanUpdate(1), 500);
    EXPECT_EQ(Drain(link, log), "");
    Reply(link, "A1,1,0,0,0,0,0,0");
    EXPECT_EQ(Drain(link, log), "B1,33,1 | B2,166,1");

    cORUN old;
    LinkLog oldLog(old);
    Start(old, oldLog, "1.50");
    old.setChanUpdate(0, 2000);
    EXPECT_EQ(Drain(old, oldLog), "B1,1000");
}

TEST(cORUNCommands, PmtVoltsAndCalibrationValues) {
    cORUN link;
    LinkLog log(link);
    Start(link, log, "4.11");
    link.setPMTVolts(0, 1250);
    link.setPMTVolts(0, 1251);
    link.setPMTVolts(1, 800);  // inactive: stored only
    EXPECT_EQ(Drain(link, log), "H1,1250");
    EXPECT_EQ(link.PMTVolts(0), 1250);
    EXPECT_EQ(link.PMTVolts(1), 800);

    link.setPMTCal(0, 65356);  // not above the threshold
    link.setPMTCal(1, 70000);  // inactive
    link.setPMTCal(0, 65357);
    EXPECT_EQ(Drain(link, log), "H1,65357 | I1");
    EXPECT_EQ(link.PMTCal(0), 0);  // not stored by the command
}

TEST(cORUNCommands, EmissionAndItsSetPoints) {
    cORUN link;
    LinkLog log(link);
    Start(link, log, "4.11");
    link.setEmissionSetPt(0, 5.5);
    link.setEmissionSetPt(2, 10.0);
    link.setEmissionSetPt(3, 1.99);  // refused
    EXPECT_EQ(Drain(link, log), "V550,0,0,0 | V550,0,1000,0");
    // Switching on sends the set point again before the state.
    link.setEmissionOn(0, 1);
    EXPECT_EQ(Drain(link, log), "V550,0,1000,0 | S1;1");
    EXPECT_EQ(link.EmissionOn(0), 1);
    // The first gas sensor stays off while gas calibration is off.
    link.setEmissionOn(1, 1);
    EXPECT_EQ(link.EmissionOn(1), 0);
    EXPECT_EQ(Drain(link, log), "S2;0");
    link.setGasCalEnabled(true);
    link.setEmissionOn(1, 1);
    EXPECT_EQ(link.EmissionOn(1), 1);
    EXPECT_EQ(Drain(link, log), "S2;1");  // set point 0 is not sent
    link.setEmissionOn(3, 0);
    EXPECT_EQ(Drain(link, log), "S4;0");

    link.setMaxLeakage(0, 10.5);
    link.setMaxLeakage(0, 2.5);
    EXPECT_DOUBLE_EQ(link.MaxLeakage(0), 2.5);
    link.setGasCal(0, 0.0);
    link.setGasCal(1, 0.8);
    link.setGasCal(2, 5.0);
    EXPECT_DOUBLE_EQ(link.GasCal(0), 1.0);
    EXPECT_DOUBLE_EQ(link.GasCal(1), 0.8);
    EXPECT_DOUBLE_EQ(link.GasCal(2), 0.0);
}

TEST(cORUNCommands, PowerCodesHandControlAndTheirInverse) {
    cORUN link;
    LinkLog log(link);
    Start(link, log, "4.11");
    link.setFullScale(0, 10.0);
    link.setMaxPower(0, 100.0);
    link.setPower(0, 100.0);
    link.setFullScale(1, 50.0);  // the "1-5" V mode
    link.setMaxPower(1, 100.0);
    link.setPower(1, 100.0);
    link.setFullScale(2, 10.0);
    link.setMaxPower(2, 40.0);
    link.setPower(2, 75.0);  // limited to 40 %
    link.setFullScale(3, 10.0);
    link.setMaxPower(3, 100.0);
    link.setPower(3, -5.0);  // 0 %
    link.setFullScale(7, -10.0);
    link.setMaxPower(7, 100.0);
    link.setPower(7, 50.0);
    link.SendPower();
    EXPECT_EQ(Drain(link, log), "K65534,49150,45874,32767,32767,32767 | W32767,16384");
    EXPECT_NEAR(link.Power(0), 100.0, 1e-9);
    EXPECT_NEAR(link.Power(1), 100.0 - 0.5 / 32767 * 10 / 4 * 100, 1e-9);
    EXPECT_NEAR(link.Power(2), 40.0, 0.01);
    EXPECT_EQ(link.Power(4), 0.0);  // full scale 0
    EXPECT_NEAR(link.Power(7), 50.0, 0.01);

    link.setHandCtrlOutput(0);
    link.setHandCtrlOutput(1);
    link.setHandCtrlOutput(-1);
    link.setHandCtrlOutput(8);  // stored, nothing sent
    EXPECT_EQ(Drain(link, log), "U1,65535 | U2,49151 | U0,32767");
    EXPECT_EQ(link.HandCtrlOutput(), 8);
    // A new full scale of the output under hand control is sent again at once.
    link.setHandCtrlOutput(2);
    link.setFullScale(2, 5.0);
    link.setFullScale(3, 5.0);
    EXPECT_EQ(Drain(link, log), "U3,65535 | U3,49151");
}

TEST(cORUNCommands, RelaysFiltersAndTheShutdownSequence) {
    DialogRecorder boxes;
    cORUN link;
    LinkLog log(link);
    Start(link, log, "4.11");
    link.setRelay(0, true);
    link.setRelay(11, true);
    link.setRelay(12, true);  // no such relay
    link.setRelay(11, false);
    link.setRelay(3, true);
    EXPECT_EQ(link.RelayReg(), 0b1001);
    EXPECT_FALSE(link.Relay(12));
    link.SendRelays();
    EXPECT_EQ(Drain(link, log), "N1,0,0,1,0,0,0,0,0,0,0,0");

    link.setFilter(3, 12);
    link.SendFilter(3);
    link.SendFilter(4);  // value 0: nothing
    link.setFilter(0, 9);
    EXPECT_EQ(link.Filter(0), 0);
    EXPECT_EQ(Drain(link, log), "O3,12");
    EXPECT_EQ(link.FilterStatus(3), 0);
    EXPECT_EQ(link.FilterStatus(4), 1);

    link.setFullScale(0, 10.0);
    link.setMaxPower(0, 100.0);
    link.setPower(0, 60.0);
    link.setGasCalEnabled(true);
    link.setEmissionOn(2, 1);
    Drain(link, log);
    link.SendReadSensors();
    link.SendReadDigitalInputs();  // waiting, dropped by the shutdown
    link.setTerminate(true);
    EXPECT_EQ(Drain(link, log), "D | K32767,32767,32767,32767,32767,32767 | W32767,32767 | S1;0 | S2;0 | S3;0 | S4;0");
    EXPECT_EQ(link.EmissionOn(2), 0);
    EXPECT_EQ(boxes.count(), 0);
}
