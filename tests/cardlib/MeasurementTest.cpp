// Counts to frequency, thickness and rate, the reading ring, and the simulated cycle.
#include "CardLibFixture.h"

#include <cmath>

namespace trv600a {
namespace {

TEST_F(CardLib, MeasuringProgramsTimersAndRestartsCountersEveryCycle)
{
    bus->addCard(31, 250);
    measureCards(5e6, 6e6, 0.25);
    EXPECT_EQ(bus->writesTo(1, 0), std::vector<uint32_t>{0xFFFFF01Eu});
    EXPECT_EQ(bus->writesTo(1, 4), std::vector<uint32_t>{0xFFECED2Fu});
    EXPECT_EQ(bus->writesTo(1, 12), (std::vector<uint32_t>{0, 1, 3, 1}));
    EXPECT_EQ(testhook::measurementWaitMs(), 2);

    bus->clearWrites();
    bus->card(1).setReady(false);
    EXPECT_FALSE(testhook::stepMeasurement());
    bus->card(1).setReady(true);
    EXPECT_TRUE(testhook::stepMeasurement());
    EXPECT_EQ(bus->writesTo(1, 16), std::vector<uint32_t>{2});
    EXPECT_EQ(bus->writesTo(1, 12), (std::vector<uint32_t>{0, 1, 3, 1}));
}

TEST_F(CardLib, CountsGiveFrequencyOrAFailureCode)
{
    bus->addCard(31, 250);
    measureCards(5e6, 6e6, 0.25);
    // Gate 1,250,000 counts against the 199,065,600 Hz reference; sensor 3 shares
    // register 0 with the ready bit.
    bus->card(1).setCount(0, 0);
    bus->card(1).setCount(1, 49766400);
    bus->card(1).setCount(2, 40000000);     // 6.22 MHz: above the maximum
    bus->card(1).setCount(3, 0x40000000u | 99532800u);  // 2.5 MHz below bit 30
    const Reading r = cycle();
    EXPECT_EQ(r.frequency(0), -1);
    EXPECT_EQ(r.frequency(1), 5000000.0);
    EXPECT_EQ(r.frequency(2), -2);
    EXPECT_EQ(r.frequency(3), -3);
    for (int s : {0, 2, 3})
        EXPECT_EQ(r.thickness(s) + r.rate(s), 0) << s;
}

TEST_F(CardLib, ThicknessFollowsFrequencyAndKeepsItsOriginUnderANewMaterial)
{
    bus->addCard(31, 250);
    measureCards(5e6, 6e6, 0.25);
    ASSERT_EQ(Kor500Material(1, 1, 1, 1), 0);
    SimCard& card = bus->card(1);

    // The first reading after start-up zeroes the sensor, even before it was ever zeroed.
    card.setFrequency(0, 6e6);
    Reading r = cycle();
    EXPECT_EQ(r.thickness(0), 0);
    EXPECT_TRUE(std::isfinite(r.rate(0)));

    card.setFrequency(0, 5999000);
    r = cycle();
    EXPECT_NEAR(r.thickness(0), 1227.1, 0.05);
    EXPECT_NEAR(r.rate(0), 1227.1 / 0.25, 0.2);

    // Twice the density halves the thickness from the same origin; the rate of that cycle
    // uses the new constants.
    ASSERT_EQ(Kor500Material(1, 2, 1, 1), 0);
    r = cycle();
    EXPECT_NEAR(r.thickness(0), 1227.1 / 2, 0.05);
    EXPECT_NEAR(r.rate(0), -1227.1 / 2 / 0.25, 0.2);

    ASSERT_EQ(Kor500ZeroSensor(0), 0);
    card.setFrequency(0, 5998000);
    r = cycle();
    EXPECT_EQ(r.thickness(0), 0);
    // The zeroing cycle's rate still runs from the old origin: (1227.3 - 613.55) / 0.25.
    EXPECT_NEAR(r.rate(0), 2455.0, 1.0);
}

TEST_F(CardLib, ReadingRingHoldsAtMostNineSets)
{
    ASSERT_EQ(start(), 904);
    ASSERT_EQ(Kor500Init(6.05e6, 5e6, 6e6, 0.25), 0);
    ASSERT_EQ(Kor500Simulate(1), 0);

    Reading empty;
    empty.sensors.fill(-9);
    empty.outputs.fill(-9);
    EXPECT_EQ(Kor500GetReadings(empty.sensors.data(), empty.outputs.data()), 0);
    EXPECT_EQ(empty.sensors[0], -9);
    EXPECT_EQ(empty.outputs[13], -9);

    EXPECT_EQ(cycle().pending, 1);
    EXPECT_EQ(read().pending, 0);
    for (int i = 0; i < 12; ++i)
        ASSERT_TRUE(testhook::stepMeasurement());
    for (int expected = 9; expected >= 1; --expected)
        EXPECT_EQ(read().pending, expected);
    EXPECT_EQ(read().pending, 0);
}

TEST_F(CardLib, SimulatedCrystalWearsWithItsSourcePowerUntilItFails)
{
    ASSERT_EQ(start(), 904);
    ASSERT_EQ(Kor500Init(6.05e6, 5.9e6, 6e6, 0.25), 0);
    ASSERT_EQ(Kor500Simulate(1), 0);
    auto m = noMap();
    m[0] = 0;
    map(m);
    ASSERT_EQ(Kor500SetPower(0, 0.5), 0);

    // Power 0.5 gives the simulated rate 4.28, and each cycle takes 0.4 x the sum of the
    // last ten rates off the frequency.
    Reading r = cycle();
    EXPECT_NEAR(r.frequency(0), 5950000 - 0.4 * 4.28, 1e-6);
    r = cycle();
    EXPECT_NEAR(r.frequency(0), 5950000 - 0.4 * 4.28 - 0.4 * 8.56, 1e-6);
    EXPECT_EQ(r.frequency(1), 5950000.0);

    int cycles = 2;
    while (r.frequency(0) > 0 && cycles < 10000) {
        r = cycle();
        ++cycles;
    }
    EXPECT_EQ(r.frequency(0), -1);
    EXPECT_GT(cycles, 100);
    ASSERT_EQ(Kor500SetPower(0, 0), 0);
    r = cycle();
    EXPECT_EQ(r.frequency(0), -1);
    EXPECT_EQ(r.thickness(0), 0);
}

}  // namespace
}  // namespace trv600a
