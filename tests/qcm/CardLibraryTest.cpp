// The card class over the real card library, loaded from the library folder beside the
// program as the program loads it, running its own simulation (no card on a test machine).
#include "FakeTrvApi.h"
#include "app/modOSInfo.h"
#include "platform/ProgramFolder.h"
#include "support/TempProgramFolder.h"

#include <QTest>
#include <algorithm>
#include <cmath>

namespace {

// One line per reading of sensor 0 ("+" or "-" by the sign of its frequency) and one per
// sensor event ("E" and the code), in the order they came; the readings' times and sensor
// 0's frequencies.
struct ReadingTrail {
    QStringList lines;
    std::vector<double> stamps;
    std::vector<double> frequencies;  // of sensor 0
    explicit ReadingTrail(cTRV600a& card) {
        QObject::connect(&card, &cTRV600a::TRVReading,
                         [this](const TrvSensorReadings& s, const TrvOutputReadings&, double t) {
                             lines << (s(0, 2) < 0 ? "-" : "+");
                             stamps.push_back(t);
                             frequencies.push_back(s(0, 2));
                         });
        QObject::connect(&card, &cTRV600a::TRVSensorEvent,
                         [this](int32_t code, const QString&, int32_t) { lines << QStringLiteral("E%1").arg(code); });
    }
};

TEST(CardLibrary, AMissingLibraryFailsTheCreationWhereTheFacadeLooksForIt) {
    TempProgramFolder folder;
    SetLibraryFolder(folder.path());
    const QString path = folder.file("libTRV600a.so");
    EXPECT_EQ(TrvLibrary::Path(), path);
    {
        FakeTrv fake;
        cTRV600a card(fake.api());
        EXPECT_EQ(modOSInfo::SystemDirectory() + card.DLLName(), path);
    }
    try {
        cTRV600a card;
        ADD_FAILURE() << "made without its library";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number, 53);
        EXPECT_EQ(e.description, "File not found: " + path);
    }
    SetLibraryFolder(QString());
}

// The library's simulated sets come one per cycle: each reaches the card's reading event
// once and in its order, which the simulated crystal tells, since it wears with the
// powered source by 0.4 x the sum of the last ten simulated rates each cycle (0.4 x 4.28
// more each cycle at power 0.5 until ten are summed, then 17.12 Hz a cycle). A set lost
// would show a fall of two cycles, a set read twice no fall. The times are judged under a
// clock the test holds still: the poll stamps each set back a whole period for every set
// still waiting behind it, never further than the ring holds. (The real-time cadence is a
// figure of bench_cardcycle, not a test.)
TEST(CardLibrary, InSimulationEachSetArrivesOnceAndInOrder) {
    cTRV600a card;
    ASSERT_EQ(card.SendInit(1e7, 1e6, 5.5e6, 0.1), 0);
    card.setSensorLoop(0, 0);
    ASSERT_EQ(card.SendFullScale(0, 10, 100, 100), 0);
    FixedClock clock(1000000);
    ReadingTrail trail(card);
    card.setTimerEnabled(true);
    ASSERT_EQ(card.SendPower(0, 50), 0);
    const auto fallen = [&] {
        return std::count_if(trail.frequencies.begin(), trail.frequencies.end(), [](double f) { return f < 5950000; });
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return fallen() >= 16; }, 60000));
    card.setTimerEnabled(false);

    constexpr double kStep = 0.4 * 4.28;
    std::vector<long> steps;  // each set's fall, in steps
    for (size_t k = 1; k < trail.frequencies.size(); ++k) {
        const double fall = trail.frequencies[k - 1] - trail.frequencies[k];
        steps.push_back(std::lround(fall / kStep));
        EXPECT_NEAR(fall, steps.back() * kStep, 1e-6) << k;
    }
    // No fall until the power reached the library, then one step more each cycle up to ten
    // (the first set read may already be one cycle or more into the wear).
    const auto first = std::find_if(steps.begin(), steps.end(), [](long n) { return n != 0; });
    ASSERT_NE(first, steps.end());
    const long from = first == steps.begin() ? *first : 1;
    EXPECT_GE(*first, 1);
    for (auto it = first; it != steps.end(); ++it)
        EXPECT_EQ(*it, std::min<long>(from + (it - first), 10)) << "set " << (it - steps.begin()) + 1;
    for (double stamp : trail.stamps) {
        const double periodsBack = (1000.0 - stamp) / 0.1;
        EXPECT_NEAR(periodsBack, std::lround(periodsBack), 1e-3) << stamp;
        EXPECT_GE(std::lround(periodsBack), 0) << stamp;
        EXPECT_LE(std::lround(periodsBack), 8) << stamp;
    }
}

TEST(CardLibrary, ThreeSetsPendingAreStampedBackOnePeriodEach) {
    cTRV600a card;
    ASSERT_EQ(card.SendInit(1e7, 1e6, 5.5e6, 0.5), 0);
    card.ClearBuff();
    ReadingTrail trail(card);
    // Two fresh sets place the library's cycle in time; the poll then rests while three
    // more sets gather (at +0.5, +1.0 and +1.5 s; the next is due at +2.0 s).
    card.setTimerEnabled(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return trail.stamps.size() == 2; }, 5000));
    card.setTimerEnabled(false);
    FixedClock clock(100000);
    QTest::qWait(1750);

    trail.stamps.clear();
    QObject::connect(&card, &cTRV600a::TRVReading, [&] {
        Clock::Advance(10);
        if (trail.stamps.size() == 3) card.setTimerEnabled(false);
    });
    card.setTimerEnabled(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return trail.stamps.size() == 3; }, 5000));
    EXPECT_NEAR(trail.stamps[0], 99.0, 1e-4);
    EXPECT_NEAR(trail.stamps[1], 100.01 - 0.5, 1e-4);
    EXPECT_NEAR(trail.stamps[2], 100.02, 1e-4);
}

TEST(CardLibrary, AWornOutCrystalIsReportedOnceAtTheFailLimit) {
    cTRV600a card;
    // A frequency window whose minimum lies just below the simulated crystal's starting
    // frequency, and the crystal's source at full power: it wears out within a few sets.
    ASSERT_EQ(card.SendInit(1e7, 5949900, 5950000, 0.1), 0);
    card.setSensorLoop(0, 0);
    ASSERT_EQ(card.SendFullScale(0, 10, 100, 100), 0);
    ReadingTrail trail(card);
    card.setTimerEnabled(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return trail.lines.count("+") >= 2; }, 5000));
    ASSERT_EQ(card.SendPower(0, 100), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] {
        const qsizetype failure = trail.lines.indexOf("E1");
        return failure >= 0 && trail.lines.size() > failure + 5;
    }, 10000));
    card.setTimerEnabled(false);

    // The third failed reading in a row raises the failure (before its own reading goes
    // out); later failed readings raise nothing more.
    const qsizetype failure = trail.lines.indexOf("E1");
    EXPECT_EQ(trail.lines.count("E1"), 1);
    ASSERT_GE(failure, 3);
    EXPECT_EQ(trail.lines.mid(failure - 3, 5), (QStringList{"+", "-", "-", "E1", "-"}));
    EXPECT_TRUE(trail.lines.mid(failure + 1).filter("E").isEmpty());
    EXPECT_TRUE(card.SensorError(0, cTRV600a::kCrystalFailure));
    EXPECT_TRUE(card.SensorEnabled(0));
}

}  // namespace
