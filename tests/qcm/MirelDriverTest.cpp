// The quartz sensor driver against emulated sensors on pseudo-terminals, found through
// the USB bridge's listing of USB serial ttys.
#include "SensorBench.h"

#include "platform/UsbBridge.h"
#include "qcm/cMirel.h"
#include "qcm/modUSB.h"


namespace {

// Ticks of the sensor's reference clock per gate count at 1 Hz: F = gate x this / count.
constexpr double kGateTicks = 199065600.0;
constexpr double kGate = 1250000.0;  // period 0.25 s at the minimum frequency 5,000,000 Hz

double FrequencyOfCount(double count) { return kGate * kGateTicks / count; }

// Thickness (A) grown on a crystal that fell from fi to F. With a Z-factor of 1 the
// conversion is the plain mass-frequency relation.
double ThicknessAtZ1(double fi, double F, double density) { return 4.416864e13 * (fi - F) / (density * F * fi); }

class MirelDriver : public SensorBench {
protected:
    MirelSim a{QStringLiteral("MA0001")};
    MirelSim b{QStringLiteral("mb0002")};
    cMirel mirel;  // declared after the sensors, so it lets go of them first
    MirelSerials found;
    MirelReadingArray r;
};

TEST_F(MirelDriver, FindsTheSensorsAndSendsThemTheirTiming) {
    ASSERT_TRUE(Plug(a) && Plug(b));
    MirelSim other(QStringLiteral("XX1"));
    other.productId = QStringLiteral("EA60");
    ASSERT_TRUE(Plug(other));

    ASSERT_EQ(mirel.FindMirels(found), 2);
    EXPECT_EQ(found(0), QStringLiteral("MA0001"));
    EXPECT_EQ(found(1), QStringLiteral("MB0002"));
    EXPECT_EQ(a.Commands(), QStringList({"!B1250000", "!C12500000"}));
    EXPECT_EQ(a.LineRate(), 115200);
    EXPECT_TRUE(other.Commands().isEmpty()) << "another product is left alone";

    QString rev;
    EXPECT_EQ(mirel.Revision(QStringLiteral("ma0001"), rev), 0);
    EXPECT_EQ(rev, QStringLiteral("1.05"));

    a.ClearCommands();
    ASSERT_EQ(mirel.InitFreq(6.1e6, 4.0e6, 6.0e6), 0);
    EXPECT_EQ(mirel.Period(QStringLiteral("MA0001"), 0.5), 0);
    EXPECT_EQ(a.Commands(), QStringList({"!B2000000", "!C25000000"}));

    struct Case {
        double max, min, init;
        int32_t status;
    };
    for (const Case& c : {Case{6.1e6, 6.2e6, 6.15e6, 5}, Case{6.1e6, 5e6, 6.2e6, 5}, Case{30000001, 5e6, 6e6, 5},
                          Case{6.1e6, 999999, 6e6, 5}, Case{30e6, 1e6, 1e6, 0}})
        EXPECT_EQ(mirel.InitFreq(c.max, c.min, c.init), c.status) << c.max << " " << c.min << " " << c.init;
    ASSERT_EQ(mirel.InitFreq(6.1e6, 5e6, 6e6), 0);
    a.ClearCommands();
    for (double bad : {0.09, 2.01}) EXPECT_EQ(mirel.Period(QStringLiteral("MA0001"), bad), 5) << bad;
    EXPECT_EQ(mirel.Period(QStringLiteral("NOSUCH"), 0.25), 7);
    EXPECT_TRUE(a.Commands().isEmpty());
}

// Frequency, crystal life, thickness from the first reading on, and a rate over the real
// time between readings at least a period apart.
TEST_F(MirelDriver, ReadingsTurnTheCountIntoFrequencyLifeThicknessAndRate) {
    ASSERT_TRUE(Plug(a));
    ASSERT_EQ(mirel.FindMirels(found), 1);
    const QString sn = QStringLiteral("MA0001");

    a.countText = QStringLiteral("41480000");
    ASSERT_EQ(mirel.GetReading(sn, r), 0);
    EXPECT_EQ(a.Commands().last(), QStringLiteral("!A0"));
    EXPECT_DOUBLE_EQ(r(2), FrequencyOfCount(41480000.0));
    EXPECT_EQ(r(1), 0.0) << "the first reading is the thickness origin";
    const double origin = ThicknessAtZ1(6.0e6, r(2), 1.0);

    // The rate is over the real time since the reading it is taken from, kept until a
    // whole period (0.25 s) has passed; a reading before that carries the last rate.
    struct Step {
        int64_t ms;
        const char* count;
        bool newRate;
    };
    double from = 0.0;  // the thickness the rate is taken from
    int64_t fromMs = 0;
    int64_t at = 0;
    double rate = 0.0;
    for (const Step& s : {Step{600, "41541235", true}, Step{200, "41560000", false}, Step{1000, "41600000", true},
                          Step{100, "41610000", false}, Step{150, "41620000", true}}) {
        Clock::Advance(s.ms);
        at += s.ms;
        a.countText = QString::fromLatin1(s.count);
        ASSERT_EQ(mirel.GetReading(sn, r), 0) << s.count;
        EXPECT_EQ(a.Commands().last(), QStringLiteral("!A1"));
        const double F = FrequencyOfCount(QString::fromLatin1(s.count).toDouble());
        EXPECT_DOUBLE_EQ(r(2), F);
        EXPECT_NEAR(r(3), 100.0 - (6.0e6 - F) * 100.0 / 1.0e6, 1e-9);
        const double thickness = ThicknessAtZ1(6.0e6, F, 1.0) - origin;
        EXPECT_NEAR(r(1) * 1000.0, thickness, thickness * 1e-9);
        if (s.newRate) {
            rate = (thickness - from) / ((at - fromMs) * 0.001);
            from = thickness;
            fromMs = at;
        }
        EXPECT_NEAR(r(0), rate, 1e-6) << s.ms << " ms";
    }

    // Counts that are no reading.
    struct Bad {
        const char* count;
        int32_t status;
    };
    for (const Bad& c : {Bad{"-1", 3}, Bad{"-2", 4}, Bad{"0", 153}, Bad{"-7", 153}, Bad{"none", 153}, Bad{"1e999", 153}}) {
        a.countText = QString::fromLatin1(c.count);
        EXPECT_EQ(mirel.GetReading(sn, r), c.status) << c.count;
    }
    EXPECT_EQ(mirel.GetReading(QStringLiteral("NOSUCH"), r), 7);
    EXPECT_EQ(mirel.GetReading(QString(), r), 7);

    // A frequency below the minimum: -1 in the reading, the event still raised, and the
    // next command asks afresh ("!A0").
    a.countText = QStringLiteral("248832000");
    QStringList events;
    QObject::connect(&mirel, &cMirel::MirelReading, &mirel, [&](const QString& SN, MirelReadingArray& R) {
        events << SN + QStringLiteral(" ") + QString::number(R(2));
    });
    mirel.SetReadingTimer(100);
    ASSERT_TRUE(WaitUntil([&] { return !events.isEmpty(); }, 3000));
    mirel.SetReadingTimer(0);
    EXPECT_EQ(events.first(), QStringLiteral("MA0001 -1"));
    EXPECT_EQ(mirel.GetReading(sn, r), 8);
    EXPECT_EQ(r(2), -1.0);
    EXPECT_EQ(a.Commands().last(), QStringLiteral("!A0"));
    EXPECT_EQ(boxes.count(), 0);
}

// A silent sensor, replies without their echo, replies in pieces, and an exchange asked
// for while another one waits.
TEST_F(MirelDriver, FaultsOnTheLineGiveTheirStatus) {
    ASSERT_TRUE(Plug(a));
    // A text longer than the bridge's buffer is refused, not sent.
    int32_t handle = 0;
    ASSERT_EQ(modUSB::USBOpen(0, handle), 0);
    EXPECT_EQ(modUSB::USBWrite(handle, QString(258, u'x')), UsbStatus::InvalidRequestLength);
    EXPECT_EQ(modUSB::USBWrite(handle, QString(255, u'x') + QStringLiteral("\r\n")), 0);
    ASSERT_TRUE(WaitUntil([&] { return a.Commands().size() == 1; }, 2000));
    modUSB::USBClose(handle);
    ASSERT_EQ(mirel.FindMirels(found), 1);
    const QString sn = QStringLiteral("MA0001");
    QString rev;

    a.silent = true;
    EXPECT_EQ(mirel.GetReading(sn, r), 2);
    EXPECT_EQ(mirel.Revision(sn, rev), 2);
    a.silent = false;

    a.OmitEchoNextReplies(1);
    EXPECT_EQ(mirel.GetReading(sn, r), 6);
    a.OmitEchoNextReplies(1);
    EXPECT_EQ(mirel.Period(sn, 0.25), 9);
    a.OmitEchoNextReplies(1);
    EXPECT_EQ(mirel.Revision(sn, rev), 9);

    // Each reply comes in two pieces 20 ms apart: the reading is still whole.
    a.splitReplies = true;
    a.countText = QStringLiteral("41600000");
    ASSERT_EQ(mirel.GetReading(sn, r), 0);
    EXPECT_DOUBLE_EQ(r(2), FrequencyOfCount(41600000.0));
    a.splitReplies = false;

    // The wait for a reply lets events run; an exchange started by one of them is turned
    // away, and the waiting one still gets its reply.
    int32_t nested = -99;
    QObject::connect(&a, &MirelSim::CommandReceived, &a, [&](const QString&) {
        if (nested == -99) nested = mirel.GetReading(sn, r);
    });
    ASSERT_EQ(mirel.GetReading(sn, r), 0);
    EXPECT_EQ(nested, 1);
    EXPECT_EQ(boxes.count(), 0);
}

// Unplugged, a sensor stops answering; once the sensors are looked for again it is not
// connected, while the other one still reads from its slot above the count; plugged in
// again, it is found.
TEST_F(MirelDriver, AnUnpluggedSensorIsNotConnectedUntilItIsFoundAgain) {
    ASSERT_TRUE(Plug(a) && Plug(b));
    ASSERT_EQ(mirel.FindMirels(found), 2);
    const QString snA = QStringLiteral("MA0001");
    const QString snB = QStringLiteral("MB0002");
    ASSERT_EQ(mirel.GetReading(snA, r), 0);

    a.Unplug();
    EXPECT_EQ(mirel.GetReading(snA, r), 2);
    ASSERT_EQ(mirel.FindMirels(found), 1);
    EXPECT_EQ(found(0), QString());
    EXPECT_EQ(found(1), snB);
    EXPECT_EQ(mirel.GetReading(snB, r), 0);
    EXPECT_EQ(mirel.GetReading(snA, r), 7);

    ASSERT_TRUE(Plug(a));
    ASSERT_EQ(mirel.FindMirels(found), 2);
    EXPECT_EQ(found(0), snA);
    EXPECT_EQ(mirel.GetReading(snA, r), 0);
    EXPECT_EQ(mirel.GetReading(snB, r), 0);

    // A look-up made before a search does not outlive it.
    a.Unplug();
    b.Unplug();
    ASSERT_EQ(mirel.FindMirels(found), 0);
    EXPECT_EQ(mirel.Material(snB, 2.0, 1.0, 100.0), 7);
    EXPECT_EQ(boxes.count(), 0);
}

// Zeroing moves the thickness origin to the crystal's present state; a new material keeps
// that origin and scales the thickness grown after it.
TEST_F(MirelDriver, ZeroAndMaterialKeepTheThicknessOrigin) {
    ASSERT_TRUE(Plug(a));
    ASSERT_EQ(mirel.FindMirels(found), 1);
    const QString sn = QStringLiteral("MA0001");
    a.countText = QStringLiteral("41480000");
    ASSERT_EQ(mirel.GetReading(sn, r), 0);
    a.countText = QStringLiteral("41541235");
    ASSERT_EQ(mirel.GetReading(sn, r), 0);
    ASSERT_GT(r(1), 0.0);

    EXPECT_EQ(mirel.Zero(sn), 0);
    ASSERT_EQ(mirel.GetReading(sn, r), 0);
    EXPECT_NEAR(r(1), 0.0, 1e-12);

    EXPECT_EQ(mirel.Material(sn, 2.0, 1.0, 100.0), 0);
    ASSERT_EQ(mirel.GetReading(sn, r), 0);
    EXPECT_NEAR(r(1), 0.0, 1e-12);
    a.countText = QStringLiteral("41600000");
    ASSERT_EQ(mirel.GetReading(sn, r), 0);
    const double grown = ThicknessAtZ1(6.0e6, FrequencyOfCount(41600000.0), 2.0) -
                         ThicknessAtZ1(6.0e6, FrequencyOfCount(41541235.0), 2.0);
    EXPECT_NEAR(r(1) * 1000.0, grown, grown * 1e-9);

    struct Case {
        const char* sn;
        double density, z, tooling;
        int32_t status;
    };
    for (const Case& c : {Case{"MA0001", 0.39, 1.0, 100.0, 5}, Case{"MA0001", 1.0, 9.991, 100.0, 5},
                          Case{"MA0001", 1.0, 1.0, -0.1, 5}, Case{"MA0001", 99.99, 9.99, 999.0, 0},
                          Case{"MA0001", 0.4, 0.1, 0.0, 0}, Case{"NOSUCH", 1.0, 1.0, 100.0, 7}})
        EXPECT_EQ(mirel.Material(QString::fromLatin1(c.sn), c.density, c.z, c.tooling), c.status)
            << c.sn << " " << c.density << " " << c.z << " " << c.tooling;
    EXPECT_EQ(mirel.Zero(QStringLiteral("NOSUCH")), 7);
    EXPECT_EQ(mirel.ZeroAll(), 0);
}

}  // namespace
