// Finding, ordering and resetting the cards at start-up, and what stop leaves behind.
#include "CardLibFixture.h"

namespace trv600a {
namespace {

TEST_F(CardLib, StartOrdersCardsResetsTheExtendedMasterAndReportsVersions)
{
    // Scan order: types 15, 30, 8, 5 with versions 210, 250, 230 and 501 (out of range).
    bus->addCard(15, 210);
    bus->addCard(30, 250);
    bus->addCard(8, 230);
    bus->addCard(5, 501);
    versions.fill(-7);

    ASSERT_EQ(start(), 0);
    // Positions 0..3 now hold the type-30, type-15, type-5 and type-8 cards.
    EXPECT_EQ(versions, (std::array<int32_t, 8>{-7, 250, 210, 0, 230, -7, -7, 250}));
    EXPECT_EQ(bus->writesTo(2, 24), (std::vector<uint32_t>{4, 12, 4, 0, 16}));
    EXPECT_EQ(sleeps, (std::vector<int>{5, 300, 5}));
    EXPECT_EQ(bus->writesTo(2, 16), std::vector<uint32_t>{2});
    EXPECT_TRUE(bus->writesTo(1, 24).empty());
    EXPECT_TRUE(testhook::extended());
    EXPECT_EQ(testhook::referenceClock(), 199065600.0);
}

TEST_F(CardLib, SingleMasterCardVersionSelectsTheReferenceClock)
{
    struct Case {
        int version;
        int32_t reported;
        double clock;
    };
    for (const Case& c : {Case{201, 201, 153e6}, Case{202, 202, 199065600.0},
                          Case{501, 0, 153e6}, Case{199, 0, 153e6}}) {
        SCOPED_TRACE(c.version);
        testhook::reload();
        testhook::setStepping(true);
        testhook::useSleep([](int) {});
        bus = std::make_shared<SimPciBus>();
        bus->addCard(31, c.version);
        testhook::usePci(bus);
        versions.fill(-7);

        ASSERT_EQ(start(), 0);
        EXPECT_EQ(versions[1], c.reported);
        EXPECT_EQ(versions[2], -7);
        EXPECT_EQ(versions[7], 0);
        EXPECT_EQ(testhook::referenceClock(), c.clock);
        // A non-extended master is neither reset nor told to start its counters.
        EXPECT_TRUE(bus->writes().empty());
        EXPECT_FALSE(testhook::extended());
    }
}

TEST_F(CardLib, MoreThanSixCardsUsesTheFirstSixAndAnUnopenedCardStaysEmpty)
{
    for (int type : {31, 15, 8, 9, 10, 11, 3})
        bus->addCard(type, 300 + type);
    bus->failOpen(4);
    ASSERT_EQ(start(), 0);
    // The card that did not open reads 0 everywhere and sorts first among positions 2..5.
    EXPECT_EQ(versions, (std::array<int32_t, 8>{0, 331, 315, 0, 308, 310, 311, 0}));
    ASSERT_EQ(Kor500Init(6.05e6, 5e6, 6e6, 0.25), 0);
    ASSERT_EQ(Kor500Simulate(0), 0);
    EXPECT_EQ(bus->writesTo(6, 12).size(), 4u);
    EXPECT_TRUE(bus->writesTo(4, 12).empty());
    EXPECT_TRUE(bus->writesTo(7, 12).empty());
}

TEST_F(CardLib, WithoutBusOrCardTheLibrarySimulates)
{
    struct Case {
        bool driver;
        int32_t status;
    };
    for (const Case& c : {Case{false, 906}, Case{true, 904}}) {
        SCOPED_TRACE(c.status);
        testhook::reload();
        testhook::setStepping(true);
        testhook::usePci(std::make_shared<SimPciBus>(c.driver));
        versions.fill(-7);

        EXPECT_EQ(start(), c.status);
        EXPECT_EQ(versions, (std::array<int32_t, 8>{-7, -7, -7, -7, -7, -7, -7, -7}));
        // Measuring the cards is refused: the simulation stays on, one cycle per period.
        ASSERT_EQ(Kor500Init(6.05e6, 5e6, 6e6, 0.5), 0);
        ASSERT_EQ(Kor500Simulate(0), 0);
        EXPECT_EQ(testhook::measurementWaitMs(), 500);
        ASSERT_EQ(Kor500Simulate(1), 0);
        const Reading r = cycle();
        EXPECT_EQ(r.pending, 1);
        EXPECT_EQ(r.frequency(23), 5950000.0);
        std::array<double, 5> system{};
        ASSERT_EQ(Kor500GetMaterial(nullptr, system.data()), 0);
        EXPECT_EQ(system[4], 1.0);
    }
}

TEST_F(CardLib, SecondStartOnlyCopiesVersionsAndKeepsGivenMaterials)
{
    bus->addCard(30, 250);
    bus->addCard(15, 240);
    ASSERT_EQ(start(), 0);
    ASSERT_EQ(Kor500Init(6.05e6, 5e6, 6e6, 0.25), 0);
    ASSERT_EQ(Kor500Material(1 << 2, 1.5, 2.5, 0.5), 0);
    bus->clearWrites();

    std::array<int32_t, 8> again;
    again.fill(-7);
    EXPECT_EQ(Kor500Startup2(0, again.data()), 0);
    EXPECT_EQ(again, (std::array<int32_t, 8>{-7, 250, 240, -7, -7, -7, -7, -7}));
    EXPECT_TRUE(bus->writes().empty());
    EXPECT_FALSE(testhook::extended());

    std::array<double, 72> material{};
    ASSERT_EQ(Kor500GetMaterial(material.data(), nullptr), 0);
    // Sensors never given a material carry the placeholders 3i, 3i+1, 3i+2.
    EXPECT_EQ(material[1], 3.0);
    EXPECT_EQ(material[24 + 1], 4.0);
    EXPECT_EQ(material[48 + 1], 5.0);
    EXPECT_EQ(material[2], 1.5);
    EXPECT_EQ(material[24 + 2], 2.5);
    EXPECT_EQ(material[48 + 2], 0.5);
}

TEST_F(CardLib, StopQuietsAndClosesTheCardsAndAStartAfterItBeginsAfresh)
{
    bus->addCard(30, 250);
    bus->addCard(15, 240);
    measureCards();
    EXPECT_EQ(testhook::liveWorkerThreads(), 2);
    bus->clearWrites();

    EXPECT_EQ(Kor500Startup2(-1, versions.data()), 0);
    EXPECT_EQ(testhook::liveWorkerThreads(), 0);
    EXPECT_EQ(bus->writesTo(1, 12), std::vector<uint32_t>{0});
    EXPECT_EQ(bus->writesTo(2, 12), std::vector<uint32_t>{0});
    EXPECT_EQ(bus->writesTo(1, 24), std::vector<uint32_t>{0});
    EXPECT_EQ(bus->writesTo(1, 8), std::vector<uint32_t>{0});
    EXPECT_EQ(bus->writesTo(2, 8), std::vector<uint32_t>{0});

    // The cards are closed: nothing reaches them any more.
    bus->clearWrites();
    EXPECT_EQ(Kor500SetPower(0, 0.5), 0);
    EXPECT_FALSE(testhook::stepMeasurement());
    EXPECT_TRUE(bus->writes().empty());

    sleeps.clear();
    EXPECT_EQ(start(), 0);
    EXPECT_EQ(testhook::liveWorkerThreads(), 2);
    EXPECT_EQ(bus->writesTo(1, 24), (std::vector<uint32_t>{4, 12, 4, 0, 16}));
    EXPECT_EQ(sleeps, (std::vector<int>{5, 300, 5}));
}

}  // namespace
}  // namespace trv600a
