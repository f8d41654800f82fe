// The card class over the real card library, loaded from the library folder beside the
// program as the program loads it, running its own simulation (no card on a test machine).
#include "FakeTrvApi.h"
#include "app/modOSInfo.h"
#include "platform/ProgramFolder.h"
#include "support/TempProgramFolder.h"

#include <QTest>

namespace {

// One line per reading of sensor 0 ("+" or "-" by the sign of its frequency) and one per
// sensor event ("E" and the code), in the order they came.
struct ReadingTrail {
    QStringList lines;
    std::vector<double> stamps;
    explicit ReadingTrail(cTRV600a& card) {
        QObject::connect(&card, &cTRV600a::TRVReading,
                         [this](const TrvSensorReadings& s, const TrvOutputReadings&, double t) {
                             lines << (s(0, 2) < 0 ? "-" : "+");
                             stamps.push_back(t);
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

TEST(CardLibrary, InSimulationOneReadingArrivesPerPeriod) {
    cTRV600a card;
    ASSERT_EQ(card.SendInit(1e7, 1e6, 5.5e6, 0.1), 0);
    ReadingTrail trail(card);
    card.setTimerEnabled(true);
    // The library's wait that ran when the period was set may still end on the old period.
    ASSERT_TRUE(QTest::qWaitFor([&] { return trail.stamps.size() >= 2; }, 5000));
    trail.stamps.clear();
    ASSERT_TRUE(QTest::qWaitFor([&] { return trail.stamps.size() >= 11; }, 10000));
    card.setTimerEnabled(false);
    // A late poll catches up with back-dated times, so the times keep the period.
    for (size_t k = 1; k < trail.stamps.size(); ++k) {
        const double gap = trail.stamps[k] - trail.stamps[k - 1];
        if (gap < -80000) continue;  // midnight
        EXPECT_GT(gap, 0.05) << k;
        EXPECT_LT(gap, 0.2) << k;
    }
    EXPECT_NEAR((trail.stamps[10] - trail.stamps[0]) / 10, 0.1, 0.03);
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
