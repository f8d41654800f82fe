// The two-point PMT calibration: against the unit emulator over TCP, and with readings
// fed by hand where exact values matter (overflow, the meaning of the tables).
#include "support/DialogRecorder.h"
#include "support/TempProgramFolder.h"
#include "unit/LinkHarness.h"
#include "unitsim/UnitSim.h"

#include "platform/Winsock.h"

#include <QHostAddress>
#include <gtest/gtest.h>

#include <numeric>

namespace {

// A station that asks for a reading after every reading: each reply of the emulator
// carries every active channel, because the emulated clock jumps a second per look.
struct CalStation {
    UnitSim unit;
    cORUN link;
    Winsock socket;
    bool polling = false;
    int64_t unitMs = 0;
    // Channel 0's main counts of the readings of one calibration point, as the link
    // received them, and channel 1's flux after each reading.
    QList<int32_t> lowPoint, highPoint;
    QList<int32_t>* collecting = nullptr;
    QList<double> otherFlux;

    CalStation() {
        unit.Model().clock = [this] { return unitMs += 1000; };
        QObject::connect(&socket, &Winsock::DataArrival, [this](int bytesTotal) {
            for (char c : socket.GetData(bytesTotal)) link.ParseResponse(static_cast<uint8_t>(c));
        });
        QObject::connect(&link, &cORUN::ORUNResponse, [this](const QString& r) {
            if (r == "C") {
                if (link.RdgType() == 3) collecting = &lowPoint;
                if (link.RdgType() == 2) collecting = &highPoint;
            }
            if (!r.startsWith('G')) return;
            otherFlux << link.ChanFlux(1);
            if (collecting) {
                *collecting << link.ChanCounts(0, 0);
                if (link.RdgType() != 3 && link.RdgType() != 2) {
                    // The calibration is over: no reading after it is asked for.
                    if (collecting == &highPoint) polling = false;
                    collecting = nullptr;
                }
            }
            if (polling) link.SendGetReading();
        });
    }

    bool Connect() {
        if (!unit.ListenTcp(QHostAddress::LocalHost, 0)) return false;
        if (!link.CommInit(10, unit.TcpPort(), "127.0.0.1", &socket)) return false;
        link.SendGetVersion();
        return WaitUntil([&] { return link.Version() == 411 && link.ChanActive(7); }, 3000);
    }

    void StartPolling() {
        polling = true;
        link.SendGetReading();
    }

    QStringList BiasAndVoltCommands() const {
        QStringList out;
        for (const QString& c : unit.Commands())
            if (c.startsWith('C') || c.startsWith('H')) out << c;
        return out;
    }
};

// Answers whatever the link has in flight and queued, so its next command goes out at once.
void Settle(cORUN& link) {
    for (int i = 0; i < 50 && link.CommStatus() == 1; ++i) Reply(link, "K");
}

// The truncated mean of the readings after the first.
int32_t PointOf(const QList<int32_t>& readings) {
    const int64_t sum = std::accumulate(readings.begin() + 1, readings.end(), int64_t{0});
    return static_cast<int32_t>(sum / (readings.size() - 1));
}

}  // namespace

TEST(PmtCalibration, TwoPointsAgainstTheEmulator) {
    TempProgramFolder folder;
    DialogRecorder boxes;
    CalStation st;
    // Counts move by 7 from one reading to the next, so a point's mean is not a whole
    // number and any reading taken into it, or left out, changes it.
    st.unit.Model().plant.params.countsPerUnit = 7.0;
    QObject::connect(&st.unit, &UnitSim::CommandReceived, [&](const QString& c) {
        if (c == "G") st.unit.Model().plant.params.biasSpan += 1.0;
    });
    ASSERT_TRUE(st.Connect());
    st.link.setPMTVolts(0, 800);
    st.link.setPMTVolts(1, 900);
    // Channel 1's flux is c0 - c2 / 2: it moves with every reading unless it is frozen.
    st.link.setCalSlope(1, 0, -1.0);
    st.link.setCalSlope(1, 1, -0.5);
    st.StartPolling();
    ASSERT_TRUE(WaitUntil([&] { return st.otherFlux.size() >= 3; }, 3000));
    ASSERT_NE(st.otherFlux.last(), st.otherFlux.first());

    const double fluxAtStart = st.link.ChanFlux(1);
    const int calStart = st.otherFlux.size();
    st.link.setCalChan(0);
    EXPECT_EQ(st.link.CalChan(), 0);
    ASSERT_TRUE(WaitUntil([&] { return st.link.RdgType() == 0; }, 5000));

    // Each point: the acknowledgement, one reading thrown away, then CalPackets (10) more.
    ASSERT_EQ(st.lowPoint.size(), 11);
    ASSERT_EQ(st.highPoint.size(), 11);
    EXPECT_EQ(st.link.CalLoCounts(0, 0), PointOf(st.lowPoint));
    EXPECT_EQ(st.link.CalHiCounts(0, 0), PointOf(st.highPoint));
    EXPECT_NE(PointOf(st.lowPoint) * 10, std::accumulate(st.lowPoint.begin() + 1, st.lowPoint.end(), 0));
    // With the PMT at 0 V the background counts equal the main counts.
    EXPECT_EQ(st.link.CalLoCounts(0, 1), st.link.CalLoCounts(0, 0));
    const double slope = 1900.0 / (st.link.CalHiCounts(0, 0) - st.link.CalLoCounts(0, 0));
    EXPECT_DOUBLE_EQ(st.link.CalSlope(0, 0), slope);
    EXPECT_DOUBLE_EQ(st.link.CalIntercept(0, 0), 2000.0 - st.link.CalHiCounts(0, 0) * slope);
    EXPECT_DOUBLE_EQ(st.link.CalSlope(0, 1), slope);

    // The unit saw the PMT off, the low bias, the high bias, in that order.
    EXPECT_EQ(st.BiasAndVoltCommands(), (QStringList{"H1,800", "H2,900", "H1,0", "C1,100", "C1,2000"}));
    EXPECT_EQ(st.unit.Model().bias[0], 2000);
    EXPECT_EQ(st.unit.Model().pmtVolts[0], 0);

    // Channel 1 was neither calibrated nor did its flux move while channel 0 was.
    EXPECT_EQ(st.link.CalLoCounts(1, 0), 0);
    EXPECT_EQ(st.link.CalHiCounts(1, 0), 0);
    EXPECT_EQ(st.unit.Model().bias[1], 2000);
    EXPECT_EQ(st.unit.Model().pmtVolts[1], 900);
    // (The reading that completes the calibration already counts for the channels after
    // channel 0 in the same reply.)
    ASSERT_GT(st.otherFlux.size(), calStart + 22);
    for (int i = calStart; i < st.otherFlux.size() - 1; ++i) EXPECT_EQ(st.otherFlux[i], fluxAtStart) << i;

    // The end gives channel 0 its volts back; the flux of every channel moves again.
    st.link.setCalChan(-1);
    EXPECT_EQ(st.link.CalChan(), -1);
    EXPECT_EQ(st.link.RdgType(), 0);
    ASSERT_TRUE(WaitUntil([&] { return st.unit.Model().pmtVolts[0] == 800; }, 3000));
    EXPECT_EQ(st.BiasAndVoltCommands().last(), "H1,800");
    st.StartPolling();
    ASSERT_TRUE(WaitUntil([&] { return st.otherFlux.last() != fluxAtStart; }, 3000));
    st.polling = false;
    EXPECT_EQ(boxes.count(), 0);
}

// A converter whose counts do not follow the bias (dead: the same counts at both biases)
// measures no line: the calibration is refused and the channel keeps the one it had, its
// counts included; the next sound calibration is taken, and so is one whose background
// alone reads the same counts at both biases.
TEST(PmtCalibration, ACalibrationWhoseCountsDoNotFollowTheBiasIsRefusedAndTheOldOneKept) {
    TempProgramFolder folder;
    DialogRecorder boxes;
    CalStation st;
    ASSERT_TRUE(st.Connect());
    st.link.setCalPackets(2, 3);
    for (int i = 0; i <= 1; ++i) {
        st.link.setCalSlope(2, i, -0.1);
        st.link.setCalIntercept(2, i, 4000.0);
        st.link.setCalHiCounts(2, i, 12345);
        st.link.setCalLoCounts(2, i, 23456);
    }
    const auto calibrate = [&] {
        st.StartPolling();
        st.link.setCalChan(2);
        const bool ended = WaitUntil([&] { return st.link.RdgType() == 0; }, 5000);
        st.polling = false;
        st.link.setCalChan(-1);
        return ended;
    };
    st.unit.Model().plant.params.countsPerUnit = 0.0;  // counts 0 at any bias
    ASSERT_TRUE(calibrate());
    EXPECT_TRUE(st.link.CalibrationRefused());
    for (int i = 0; i <= 1; ++i) {
        EXPECT_EQ(st.link.CalSlope(2, i), -0.1);
        EXPECT_EQ(st.link.CalIntercept(2, i), 4000.0);
        EXPECT_EQ(st.link.CalHiCounts(2, i), 12345);
        EXPECT_EQ(st.link.CalLoCounts(2, i), 23456);
    }
    EXPECT_TRUE(st.link.CalibrationSound(2));

    st.unit.Model().plant.params.countsPerUnit = 10.0;
    ASSERT_TRUE(calibrate());
    EXPECT_FALSE(st.link.CalibrationRefused());
    EXPECT_TRUE(st.link.CalibrationSound(2));
    EXPECT_EQ(st.link.CalHiCounts(2, 0), 20000);

    // A background whose counts do not follow the bias is a channel without background:
    // the calibration is taken, its background line flat at the high bias (subtracting 0).
    st.unit.Model().plant.params.flatBackground = true;
    ASSERT_TRUE(calibrate());
    EXPECT_FALSE(st.link.CalibrationRefused());
    EXPECT_TRUE(st.link.CalibrationSound(2));
    EXPECT_EQ(st.link.CalHiCounts(2, 1), st.link.CalLoCounts(2, 1));
    EXPECT_EQ(st.link.CalSlope(2, 1), 0.0);
    EXPECT_EQ(st.link.CalIntercept(2, 1), 2000.0);
    EXPECT_EQ(st.link.CalSlope(2, 0), -0.1);
    EXPECT_EQ(boxes.count(), 0);
}

TEST(PmtCalibration, TablesMapTheTwoPointsBackOntoTheirBiasValues) {
    TempProgramFolder folder;
    DialogRecorder boxes;
    cORUN link;
    LinkLog log(link);
    Identify(link);
    Reply(link, "A1,0,1,1,1,1,1,1");
    Settle(link);
    link.setCalPackets(0, 2);

    link.setCalChan(0);
    EXPECT_EQ(log.commands().last(), "H1,0");
    EXPECT_EQ(link.RdgType(), 99);
    Reply(link, "G;9999,50,9999,0,0,0;;;;;;;;");  // before the acknowledgement: not counted
    EXPECT_EQ(log.commands().last(), "C1,100");
    Reply(link, "C");
    EXPECT_EQ(link.RdgType(), 3);
    Reply(link, "C");  // a second acknowledgement changes nothing
    EXPECT_EQ(link.RdgType(), 3);
    Reply(link, "G;1,50,1,0,0,0;;;;;;;;");  // discarded
    Reply(link, "G;30000,50,3000,0,0,0;;;;;;;;");
    Reply(link, "G;30003,50,3001,0,0,0;;;;;;;;");
    EXPECT_EQ(link.CalLoCounts(0, 0), 30001);
    EXPECT_EQ(link.CalLoCounts(0, 1), 3000);
    EXPECT_EQ(log.commands().last(), "C1,2000");
    Reply(link, "C");
    for (const char* r : {"G;0,50,0,0,0,0;;;;;;;;", "G;11000,50,1000,0,0,0;;;;;;;;", "G;11000,50,1000,0,0,0;;;;;;;;"})
        Reply(link, r);
    ASSERT_EQ(link.RdgType(), 0);

    // A reading at the high-point counts reads 0, one at the low-point counts 2000 - 100.
    Reply(link, "G;11000,50,1000,0,0,0;;;;;;;;");
    EXPECT_NEAR(link.I1_Total(0), 0.0, 1e-9);
    EXPECT_NEAR(link.I3_Bkg(0), 0.0, 1e-9);
    Reply(link, "G;30001,50,3000,0,0,0;;;;;;;;");
    EXPECT_NEAR(link.I1_Total(0), 1900.0, 1e-9);
    EXPECT_NEAR(link.I3_Bkg(0), 1900.0, 1e-9);

    // An inactive channel gets its PMT switched off but no bias, and stays waiting until
    // the window ends the calibration; its volts go back only when it is active.
    log.clear();
    link.setCalChan(1);
    EXPECT_EQ(log.commands(), QStringList{"H2,0"});
    Reply(link, "G;30001,50,3000,0,0,0;;;;;;;;");
    EXPECT_EQ(link.RdgType(), 99);
    link.setCalChan(-1);
    EXPECT_EQ(link.RdgType(), 0);
    EXPECT_EQ(log.commands(), QStringList{"H2,0"});
    // Ending when nothing was calibrated sends nothing.
    link.setCalChan(-1);
    EXPECT_EQ(log.commands(), QStringList{"H2,0"});
    EXPECT_EQ(boxes.count(), 0);
}

TEST(PmtCalibration, AChannelTheUnitDoesNotHaveIsRefused) {
    cORUN link;
    Identify(link);
    Reply(link, "A1,1,1,1,1,1,1,1");
    Settle(link);
    LinkLog log(link);
    EXPECT_THROW(link.setCalChan(8), RuntimeError);
    EXPECT_EQ(link.RdgType(), 0);
    EXPECT_EQ(link.CalChan(), -1);
    EXPECT_TRUE(log.commands().isEmpty());
}

TEST(PmtCalibration, AnOverflowingSumIsReportedAndThePointNotCompleted) {
    TempProgramFolder folder;
    DialogRecorder boxes;
    cORUN link;
    Identify(link);
    Reply(link, "A1,1,1,1,1,1,1,1");
    Settle(link);
    link.setCalPackets(0, 3);
    link.setCalChan(0);
    Reply(link, "C");
    Reply(link, "G;0,50,0,0,0,0;;;;;;;;");
    Reply(link, "G;2000000000,50,0,0,0,0;;;;;;;;");
    EXPECT_EQ(boxes.count(), 0);
    Reply(link, "G;2000000000,50,0,0,0,0;;;;;;;;");
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_TRUE(boxes.last().prompt.contains("Overflow")) << boxes.last().prompt.toStdString();
    EXPECT_EQ(link.RdgType(), 3);
    EXPECT_EQ(link.CalLoCounts(0, 0), 0);
}
