// Replies sorted into the unit model: channels, sensors, readings, inputs, the PMT
// calibration report, and the watch for channels that stop reading.
#include "support/DialogRecorder.h"
#include "unit/LinkHarness.h"

#include "app/VBConv.h"
#include "platform/Clock.h"
#include "platform/RuntimeError.h"

#include <cmath>
#include <gtest/gtest.h>
#include <optional>
#include <random>

namespace {
struct FixedClock {
    explicit FixedClock(QTime t) { Clock::SetFixed(QDateTime(QDate(2026, 3, 1), t)); }
    ~FixedClock() { Clock::UseSystem(); }
};
}  // namespace

TEST(cORUNReplies, ChannelStatesReportEachLossOnce) {
    cORUN link;
    LinkLog log(link);
    Identify(link);
    EXPECT_TRUE(link.NoPMTs());
    EXPECT_FALSE(link.ChanActive(0));
    Reply(link, "A1,0,1,1,1,1,1,1");
    EXPECT_TRUE(link.ChanActive(0));
    EXPECT_FALSE(link.ChanActive(1));
    EXPECT_TRUE(link.ChanActive(2));
    EXPECT_FALSE(link.NoPMTs());
    EXPECT_EQ(link.ChanError(0), 0);
    EXPECT_EQ(link.ChanError(8), 0);  // outside 0..7
    EXPECT_TRUE(log.errors().isEmpty());  // never active, so never lost

    // A reply cut short, or with an empty field, says nothing of the channels it leaves
    // out: they keep their state (a live detector taken for a dead one would never get its
    // PMT volts).
    for (const char* shortReply : {"A1,0,1", "A1,0,1,,", "A1,,1,,1,,1"}) {
        Reply(link, shortReply);
        for (int ch = 0; ch <= 7; ++ch) EXPECT_EQ(link.ChanActive(ch), ch != 1) << shortReply << " channel " << ch;
    }
    Reply(link, "A1,0,1,0,1,1,1,1");
    Reply(link, "A0,0,1,0");
    Reply(link, "A0,0,1,0,1,1,1,1");
    EXPECT_EQ(log.errors(), (QStringList{"23,0", "20,0"}));
    Reply(link, "A0,0,0,0,0,0,0,0");
    EXPECT_EQ(log.errors(), (QStringList{"23,0", "20,0", "22,0", "24,0", "25,0", "26,0", "27,0"}));
    EXPECT_TRUE(link.NoPMTs());
    // Neither "A1" nor "A0": ignored.
    Reply(link, "A2,1,1,1,1,1,1,1");
    EXPECT_FALSE(link.ChanActive(1));
}

TEST(cORUNReplies, SensorValuesComeInTheOrderZeroTwoOneThree) {
    cORUN link;
    Identify(link);
    link.setGasCalEnabled(true);
    for (int s = 0; s <= 3; ++s) link.setEmissionOn(s, 1);
    Reply(link, "D;256016,1024,1463,600000,3000,"    // sensor 0
                "512032,0,0,0,0,"                     // sensor 2
                "10,20,30,40,50,"                     // sensor 1
                "1,2,3,4,5,"                          // sensor 3
                "5;;");
    EXPECT_NEAR(link.EmissionCurrent(0), (256016 - 1024) * 1.953e-5, 1e-9);
    EXPECT_NEAR(link.LeakageCurrent(0), 1024 * 1.953e-5, 1e-12);
    EXPECT_NEAR(link.SensorPower(0), 1463 * 1.953e-6 * 7.0, 1e-12);
    EXPECT_NEAR(link.FilamentCurrent(0), (1.25 - 600000 * 1.953e-6) * 18.0, 1e-9);
    EXPECT_NEAR(link.BiasVoltage(0), 3000 * 1.953e-6 * 220.0, 1e-9);
    EXPECT_NEAR(link.EmissionCurrent(2), 512032 * 1.953e-5, 1e-9);
    EXPECT_NEAR(link.LeakageCurrent(1), 20 * 1.953e-5, 1e-12);
    EXPECT_NEAR(link.BiasVoltage(3), 5 * 1.953e-6 * 220.0, 1e-12);
    EXPECT_EQ(link.ORUNSensorOn(0), 1);
    EXPECT_EQ(link.ORUNSensorOn(1), 0);
    EXPECT_EQ(link.ORUNSensorOn(2), 1);

    // A sensor switched off reads 0 on new firmware; old firmware uses the offset and gain.
    link.setEmissionOn(0, 0);
    EXPECT_EQ(link.EmissionCurrent(0), 0.0);
    EXPECT_EQ(link.FilamentCurrent(0), 0.0);
    cORUN old;
    Identify(old, "1.50");
    old.SensorParams(100.0, 0.01, 0.31);
    Reply(old, "D;600,200,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0;;");
    EXPECT_NEAR(old.LeakageCurrent(0), 1.0, 1e-12);
    EXPECT_NEAR(old.EmissionCurrent(0), 4.0, 1e-12);
}

TEST(cORUNReplies, ASensorValueTooLargeToReadLeavesOnlyItselfAndRaisesNoBox) {
    DialogRecorder boxes;
    cORUN link;
    LinkLog log(link);
    Identify(link);
    link.setGasCalEnabled(true);
    for (int s = 0; s <= 3; ++s) link.setEmissionOn(s, 1);
    Reply(link, "D;1000,0,0,0,0,2000,0,0,0,0,3000,0,0,0,0,4000,0,0,0,0,0;;");
    int round = 0;
    for (const char* big : {"1D606", "1e400", "-4E999"}) {
        SCOPED_TRACE(big);
        ++round;
        log.clear();
        // The first value of sensor 0 and the status word are too large; the rest is new.
        Reply(link, QString("D;%1,%2,0,0,0,%3,0,0,0,0,3000,0,0,0,0,4000,0,0,0,0,%1;;")
                        .arg(big)
                        .arg(10 * round)
                        .arg(2000 + round));
        EXPECT_NEAR(link.EmissionCurrent(0), (1000 - 10 * round) * 1.953e-5, 1e-9);
        EXPECT_NEAR(link.LeakageCurrent(0), 10 * round * 1.953e-5, 1e-12);
        EXPECT_NEAR(link.EmissionCurrent(2), (2000 + round) * 1.953e-5, 1e-9);
        EXPECT_EQ(link.ORUNSensorOn(0), 0);  // the status word as it was
        EXPECT_TRUE(log.lines.last().startsWith("rsp D;")) << log.text();
    }
    EXPECT_EQ(boxes.count(), 0);
}

TEST(cORUNReplies, ReadingsFillTheChannelsAndAFieldTooLargeSkipsOnlyItsChannel) {
    DialogRecorder boxes;
    cORUN link;
    LinkLog log(link);
    Identify(link);
    Reply(link, "A1,1,1,0,0,0,0,0");
    link.SendGetReading();
    link.SendReadSensors();  // waits behind the reading
    log.clear();
    Reply(link, "G;1000,50,20,3,40,5;2000.5,x;99999999999,1,1,1,1,1;;;;;;;;");
    EXPECT_EQ(link.ChanCounts(0, 0), 1000);
    EXPECT_EQ(link.ChanCounts(0, 4), 40);
    EXPECT_EQ(link.ChanCounts(0, 6), 0);  // outside 0..5
    EXPECT_DOUBLE_EQ(link.ChanPeriod(0), 0.1);
    EXPECT_EQ(link.ChanCounts(1, 0), 2000);  // half to even
    EXPECT_EQ(link.ChanCounts(1, 1), 0);     // no number
    EXPECT_EQ(link.ChanCounts(2, 0), 0);     // not taken at all
    EXPECT_EQ(link.ChanCounts(2, 1), 0);
    // The handling went on: the waiting command went out and the reply was reported.
    EXPECT_EQ(log.text(), "cmd D | rsp G;1000,50,20,3,40,5;2000.5,x;99999999999,1,1,1,1,1;;;;;;;;");
    EXPECT_EQ(boxes.count(), 0);

    // An empty field leaves the channel's values as they were.
    Reply(link, "D;");
    link.SendGetReading();
    Reply(link, "G;;7,1,1,1,1,1");
    EXPECT_EQ(link.ChanCounts(0, 0), 1000);
    EXPECT_EQ(link.ChanCounts(1, 0), 7);
}

// Reading and sensor fields are read as their leading number (a reading rounded to a
// whole number, halves to even): plain digits, the common case, take a short way; signs,
// leading zeros, blanks, fractions, exponents, text after the number and values at and
// beyond 32 bits must read exactly as the general reading gives them, and a value that
// does not fit is not taken.
TEST(cORUNReplies, EveryFieldReadsAsItsLeadingNumber) {
    cORUN link;
    Identify(link);
    Reply(link, "A1,1,1,1,1,1,1,1");
    link.setEmissionOn(0, 1);
    std::mt19937 rng(3102);
    const char* signs[] = {"", "", "-", "+", " ", "- "};
    const char* tails[] = {"", "", "", ".5", ".49", "e2", "x", " 3", "D1", "0.0"};
    QStringList texts = {"-0", "-", "+", "", "2147483647", "2147483648", "-2147483648", "-2147483649",
                         "999999999", "1000000000", "0000000001", "1.5", "2.5", "-2.5", "1e400"};
    for (int n = 0; n < 600; ++n) {
        QString digits;
        for (int d = 1 + static_cast<int>(rng() % 12); d > 0; --d) digits += QLatin1Char(static_cast<char>('0' + rng() % 10));
        texts << QString::fromLatin1(signs[rng() % 6]) + digits + QString::fromLatin1(tails[rng() % 10]);
    }
    int32_t before = 0;
    double biasBefore = 0.0;
    for (const QString& t : texts) {
        SCOPED_TRACE(t.toStdString());
        std::optional<double> value;
        try {
            value = vb::Val(t);
        } catch (const RuntimeError&) {
        }
        std::optional<int32_t> whole;
        try {
            if (value) whole = vb::CLng(*value);
        } catch (const RuntimeError&) {
        }
        link.SendGetReading();
        Reply(link, "G;" + t + ",7,1,1,1,1;;;;;;;");
        EXPECT_EQ(link.ChanCounts(0, 0), whole ? *whole : before);
        EXPECT_EQ(link.ChanCounts(0, 1), 7);
        if (whole) before = *whole;
        // The bias of sensor 0 is its fifth value.
        Reply(link, "D;1,0,0,0," + t + ",0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,1;;");
        const double bias = value ? *value * 1.953e-6 * 220.0 : biasBefore;
        EXPECT_EQ(link.BiasVoltage(0), bias);
        EXPECT_EQ(std::signbit(link.BiasVoltage(0)), std::signbit(bias));
        biasBefore = bias;
    }
}

TEST(cORUNReplies, ChannelWithoutReadingsIsReportedOnceAcrossMidnight) {
    FixedClock clock(QTime(23, 59, 59, 500));
    cORUN link;
    LinkLog log(link);
    Identify(link);
    link.setChanUpdate(0, 300);
    Reply(link, "A1,0,0,0,0,0,0,0");  // channel 0 active at 86399.5 s
    while (link.CommStatus() == 1) Reply(link, link.Command().left(1));

    // 1.5 s later, past midnight: not missing yet.
    Clock::Advance(1500);
    link.SendGetReading();
    Reply(link, "G;;;;;;;;;;");
    EXPECT_TRUE(log.errors().isEmpty());
    // Past 2 s: reported once, not on every poll.
    Clock::Advance(600);
    link.SendGetReading();
    Reply(link, "G;;;;;;;;;;");
    Clock::Advance(2500);
    link.SendGetReading();
    Reply(link, "G;;;;;;;;;;");
    EXPECT_EQ(log.errors(), QStringList{"20,1"});
    EXPECT_EQ(link.ChanError(0), 2);
    // Its next reading clears the error and sends its period again.
    link.SendGetReading();
    log.clear();
    Reply(link, "G;5,50,1,0,0,0;;;;;;;;");
    EXPECT_EQ(link.ChanError(0), 0);
    EXPECT_EQ(log.commandText(), "B1,100,0");
}

TEST(cORUNReplies, DigitalInputsAndPmtCalibrationReport) {
    cORUN link;
    Identify(link);
    Reply(link, "M1,0,1,0,0,0,0,0,0,0,0,0,1");
    EXPECT_EQ(link.InputReg(), (1 << 0) | (1 << 2) | (1 << 12));
    EXPECT_TRUE(link.InputState(2));
    EXPECT_FALSE(link.InputState(12));  // input 12 is kept in the word only
    Reply(link, "M1 ,01,1");  // only an exact "1" counts
    EXPECT_EQ(link.InputReg(), 1 << 2);

    Reply(link, "I3,70001");
    EXPECT_EQ(link.PMTCal(2), 70001);
    // Nothing parseable: no value changes (channel 0 keeps what it had).
    link.SendString("I1");
    Reply(link, "I3,70001");
    Reply(link, "I1,66000");
    Reply(link, "I");
    Reply(link, "Ix,5");
    Reply(link, "I9,5");
    EXPECT_EQ(link.PMTCal(0), 66000);
    EXPECT_EQ(link.PMTCal(2), 70001);
}
