// Argument checks of the exports and the sensor map, which is applied whole or not at all.
#include "CardLibFixture.h"

#include <functional>
#include <limits>

namespace trv600a {
namespace {

TEST_F(CardLib, ExportsRefuseArgumentsOutsideTheirLimits)
{
    bus->addCard(31, 250);
    ASSERT_EQ(start(), 0);
    // Material is refused until the frequency window was accepted.
    EXPECT_EQ(Kor500Material(1, 1, 1, 1), 1);
    EXPECT_EQ(Kor500StartMeas(), 1);

    struct Case {
        const char* call;
        std::function<int32_t()> f;
        int32_t expected;
    };
    const Case cases[] = {
        {"init widest", [] { return Kor500Init(10000000, 1000000, 5500000, 2.0); }, 0},
        {"period 2.01", [] { return Kor500Init(10000000, 1000000, 5500000, 2.01); }, 1},
        {"max 10000001", [] { return Kor500Init(10000001, 1000000, 5500000, 1); }, 1},
        {"min 999999", [] { return Kor500Init(10000000, 999999, 5500000, 1); }, 1},
        {"initial below min", [] { return Kor500Init(6e6, 5e6, 4999999, 1); }, 1},
        {"period NaN", [] { return Kor500Init(6e6, 5e6, 5.5e6, std::numeric_limits<double>::quiet_NaN()); }, 1},
        {"density 100", [] { return Kor500Material(1, 100, 1, 1); }, 0},
        {"density 0.39", [] { return Kor500Material(1, 0.39, 1, 1); }, 1},
        {"z-ratio 10.01", [] { return Kor500Material(1, 1, 10.01, 1); }, 1},
        {"tooling -0.1", [] { return Kor500Material(1, 1, 1, -0.1); }, 1},
        {"start measuring", [] { return Kor500StartMeas(); }, 0},
        {"measure the card", [] { return Kor500Simulate(0); }, 0},
        // One card: outputs 0 and 1, and 12 and 13 always.
        {"loop output 1", [] { return Kor500Loop2(1, 1, 1, 1, 1); }, 0},
        {"loop output 2", [] { return Kor500Loop2(1, 1, 1, 1, 2); }, 1},
        {"loop output 12", [] { return Kor500Loop2(1, 1, 1, 1, 12); }, 0},
        {"auto output 14", [] { return Kor500Auto(14); }, 1},
        {"power 1.01", [] { return Kor500SetPower(0, 1.01); }, 1},
        {"power -1 output", [] { return Kor500SetPower(-1, 0.5); }, 1},
        {"full scale -10", [] { return Kor500FullScale(0, -10, 1, 0); }, 0},
        {"full scale 10.01", [] { return Kor500FullScale(0, 10.01, 1, 0); }, 1},
        {"zero sensor 24", [] { return Kor500ZeroSensor(24); }, 0},
        {"zero output 13", [] { return Kor500Zero2(13); }, 0},
        {"zero output 14", [] { return Kor500Zero2(14); }, 1},
        {"zero output -1", [] { return Kor500Zero2(-1); }, 1},
        {"dim", [] { return DimBacklight(7); }, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.f(), c.expected) << c.call;

    std::array<double, 5> system{};
    ASSERT_EQ(Kor500GetMaterial(nullptr, system.data()), 0);
    EXPECT_EQ(system, (std::array<double, 5>{10000000, 1000000, 5500000, 2.0, 0}));
}

TEST_F(CardLib, SensorMapIsCheckedWholeBeforeAnyOfItApplies)
{
    // Without the extended card, output 12 is beyond the output count of one card.
    bus->addCard(31, 250);
    measureCards();
    auto m = noMap();
    m[3] = 12;
    EXPECT_EQ(Kor500MapSensors(m.data()), 1);

    // With the extended card 12 and 13 are outputs.
    testhook::reload();
    testhook::setStepping(true);
    testhook::useSleep([](int) {});
    bus = std::make_shared<SimPciBus>();
    bus->addCard(30, 250);
    testhook::usePci(bus);
    measureCards();
    EXPECT_EQ(Kor500MapSensors(m.data()), 0);
    m[2] = 14;
    EXPECT_EQ(Kor500MapSensors(m.data()), 1);

    // Simulated: sensor 0 on output 0, which runs at full power and wears its crystal. A
    // refused map that would move sensor 0 to output 1 leaves the old map in force.
    testhook::reload();
    testhook::setStepping(true);
    testhook::usePci(std::make_shared<SimPciBus>(true));
    ASSERT_EQ(start(), 904);
    ASSERT_EQ(Kor500Init(6.05e6, 5e6, 6e6, 0.25), 0);
    ASSERT_EQ(Kor500Simulate(1), 0);
    m = noMap();
    m[0] = 0;
    map(m);
    m[0] = 1;
    m[23] = 14;
    EXPECT_EQ(Kor500MapSensors(m.data()), 1);
    ASSERT_EQ(Kor500SetPower(0, 1.0), 0);
    EXPECT_LT(cycle().frequency(0), 5950000.0);
}

}  // namespace
}  // namespace trv600a
