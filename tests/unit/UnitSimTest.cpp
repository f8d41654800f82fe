// The emulator's replies read back through the link's own parser, as the station reads
// the real unit's.
#include "unit/LinkHarness.h"
#include "unitsim/UnitModel.h"
#include "unitsim/UnitSim.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {
struct ManualClock {
    int64_t ms = 1000;
    void attach(UnitModel& m) {
        m.clock = [this] { return ms; };
    }
};
}  // namespace

TEST(UnitSim, SensorValuesDecodeToWhatWasSetOnEitherFirmware) {
    for (const char* firmware : {"4.11", "1.50"}) {
        UnitModel unit;
        unit.firmware = firmware;
        unit.Answer("V550,0,800,0");
        unit.Answer("S1;1");
        unit.Answer("S3;1");
        unit.leakage[2] = 0.5;
        cORUN link;
        Identify(link, firmware);
        link.setGasCalEnabled(true);
        link.setEmissionOn(0, 1);
        link.setEmissionOn(2, 1);
        Reply(link, unit.Answer("D"));
        EXPECT_NEAR(link.EmissionCurrent(0), 5.5, 0.01) << firmware;
        EXPECT_NEAR(link.EmissionCurrent(2), 8.0, 0.01) << firmware;
        EXPECT_NEAR(link.LeakageCurrent(2), 0.5, 0.01) << firmware;
        EXPECT_EQ(link.ORUNSensorOn(0), 1);
        EXPECT_EQ(link.ORUNSensorOn(1), 0);
        EXPECT_EQ(link.ORUNSensorOn(2), 1);
    }
    UnitModel unit;
    unit.Answer("S2;1");
    cORUN link;
    Identify(link);
    link.setGasCalEnabled(true);
    link.setEmissionOn(1, 1);
    Reply(link, unit.Answer("D"));
    EXPECT_NEAR(link.FilamentCurrent(1), 2.5, 0.01);
    EXPECT_NEAR(link.BiasVoltage(1), 150.0, 0.01);
    EXPECT_NEAR(link.SensorPower(1), 20.0, 0.01);
}

TEST(UnitSim, ReplyBodiesCutAsTheStationCutsThemHoldExactlyTheFields) {
    UnitModel unit;
    const QString d = unit.Answer("D");
    const QString dBody = d.mid(2, d.size() - 4);  // without the first two and last two
    EXPECT_EQ(dBody.split(',').size(), 21);
    const QString g = unit.Answer("G");
    const QString gBody = g.mid(2, g.size() - 4);
    EXPECT_EQ(gBody.split(';').size(), 8);
    EXPECT_EQ(gBody.split(';')[0].split(',').size(), 6);
    // The calibration window drops the last character and takes field channel + 2.
    EXPECT_EQ(g.left(g.size() - 1).split(';')[7 + 1], gBody.split(';')[7]);
    // Input and channel replies carry no trailer: their last field is exactly "1" or "0".
    unit.inputs = 1 << 12;
    EXPECT_TRUE(unit.Answer("M").endsWith(",1"));
    EXPECT_TRUE(unit.Answer("A").endsWith(",1"));
}

TEST(UnitSim, PowerDrivesCountsThroughTheLagAndReadingsFollowTheirPeriod) {
    ManualClock clock;
    UnitModel unit;
    clock.attach(unit);
    unit.plant.params.lagSeconds = 1.0;
    unit.Answer("H1,1000");
    unit.Answer("B1,100,0");  // 300 ms on firmware 4.11
    EXPECT_EQ(unit.periodMs[0], 300);

    cORUN link;
    Identify(link);
    EXPECT_EQ(unit.Answer("F").toStdString(), "F1");
    Reply(link, unit.Answer("G"));
    const int32_t idle = link.ChanCounts(0, 0);
    EXPECT_EQ(link.ChanCounts(0, 1), 150);  // the period in 2 ms units
    EXPECT_EQ(unit.Answer("F").toStdString(), "F0");
    EXPECT_EQ(unit.Answer("G").toStdString(), "G;;;;;;;;;;");  // nothing new yet
    clock.ms += 100;  // channels 2..8 (100 ms) are due again, channel 1 (300 ms) is not
    EXPECT_EQ(unit.Answer("F").toStdString(), "F1");
    EXPECT_TRUE(unit.Answer("G").startsWith("G;;"));

    unit.Answer("K65534,32767,32767,32767,32767,32767");
    clock.ms += 1000;  // one time constant
    Reply(link, unit.Answer("G"));
    const int32_t oneTau = link.ChanCounts(0, 0);
    clock.ms += 20000;
    Reply(link, unit.Answer("G"));
    const int32_t settled = link.ChanCounts(0, 0);
    EXPECT_NEAR(settled - idle, 10000, 10);  // full signal: 1000 units at 10 counts each
    EXPECT_NEAR(static_cast<double>(oneTau - idle) / (settled - idle), 1 - std::exp(-1.0), 0.01);
    // The repeat form gives the same reading again.
    EXPECT_EQ(unit.Answer("g"), unit.Answer("g"));

    // Before firmware 2.00 the counts fall as the light grows, and no gas counts come.
    UnitModel old;
    clock.attach(old);
    old.firmware = "1.50";
    old.Answer("H1,1000");
    old.Answer("K65534");
    old.Answer("G");
    clock.ms += 20000;
    const QStringList fields = old.Answer("G").split(';')[1].split(',');
    EXPECT_EQ(fields[0].toInt(), 20000 - 10000 - 100);
    EXPECT_EQ(fields[4].toInt(), 0);
}

TEST(UnitSim, AbsurdSettingsStayInRangeAndEveryReplyInItsFrame) {
    UnitModel unit;
    unit.Answer("B1,800000000");
    unit.Answer("B2,1e300");
    EXPECT_EQ(unit.periodMs[0], INT32_MAX);
    EXPECT_EQ(unit.periodMs[1], INT32_MAX);

    // Counts of ten digits on every channel make a reading longer than a frame holds:
    // it is cut to the longest text, never replaced by a bare acknowledgement.
    for (int ch = 1; ch <= 8; ++ch) unit.Answer(QString("C%1,-2000000000").arg(ch));
    UnitSim sim;
    const QString reading = unit.Answer("G");
    ASSERT_GT(reading.size(), OrunFrame::kMaxText);
    FrameCollector rx;
    bool closed = false;
    for (char c : sim.ReplyBytes(reading)) closed = rx.Feed(static_cast<uint8_t>(c));
    ASSERT_TRUE(closed);
    EXPECT_TRUE(rx.CheckOk());
    EXPECT_EQ(rx.Text().size(), OrunFrame::kMaxText);
    EXPECT_EQ(QString::fromLatin1(rx.Text().data(), rx.Text().size()), "A" + reading.left(OrunFrame::kMaxText - 1));
}
