// Output codes, the rate loop, the analog inputs and the front panel.
#include "CardLibFixture.h"

namespace trv600a {
namespace {

TEST_F(CardLib, OutputPowersBecomeSignedCodesInTheCardRegisters)
{
    struct Case {
        int version;
        double volts, maxPower;
        int output;  // set to power; its partner is set to 0
        double power;
        uint32_t offset;
        uint32_t expected;
    };
    const Case cases[] = {
        {250, 10, 1, 1, 0.5, 8, 0xFFFFC004u},   // 0 x 65536 - 16380
        {250, 10, 1, 0, 1.0, 8, 0x80080000u},   // code -32760 in the upper half
        {250, -10, 1, 0, 0.5, 8, 0x3FFC0000u},  // full scale -10 V: factor -1
        {250, 10, 0.5, 0, 1.0, 8, 0xC0040000u},  // limited to the maximum power
        {150, 10, 1, 1, 0.5, 8, 0x00003FFCu},   // no firmware version: no inversion
        {250, 5, 1, 13, 1.0, 20, 0xFFFFC004u},  // extended outputs, 5 V full scale
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.version << " " << c.volts << " " << c.output);
        testhook::reload();
        testhook::setStepping(true);
        testhook::useSleep([](int) {});
        bus = std::make_shared<SimPciBus>();
        bus->addCard(30, c.version);
        testhook::usePci(bus);
        measureCards();

        const int partner = c.output ^ 1;
        ASSERT_EQ(Kor500FullScale(c.output, c.volts, c.maxPower, 0), 0);
        ASSERT_EQ(Kor500SetPower(partner, 0), 0);
        ASSERT_EQ(Kor500SetPower(c.output, c.power), 0);
        EXPECT_EQ(bus->card(1).lastWrite(c.offset), c.expected);
        // The cycle writes the same values again.
        ASSERT_TRUE(testhook::stepMeasurement());
        EXPECT_EQ(bus->card(1).lastWrite(c.offset), c.expected);
    }
}

TEST_F(CardLib, RateLoopMovesPowerOnlyWhileItsSensorReads)
{
    struct Case {
        double iTime, slew;
        double afterFirst, afterSecond;
    };
    // Set point 10 A/s against a steady crystal (rate 0), gain 100: the first error step
    // asks for 0.1, an integral term 0.1 more every cycle; a slew of 0.2/s moves 0.05 a
    // cycle.
    for (const Case& c : {Case{0, 0, 0.1, 0.1}, Case{0.25, 0, 0.2, 0.3}, Case{0, 0.2, 0.05, 0.1}}) {
        SCOPED_TRACE(testing::Message() << c.iTime << " " << c.slew);
        testhook::reload();
        testhook::setStepping(true);
        bus = std::make_shared<SimPciBus>();
        bus->addCard(31, 250);
        testhook::usePci(bus);
        measureCards();
        ASSERT_EQ(Kor500Material(1, 1, 1, 1), 0);
        map([] { auto m = noMap(); m[0] = 0; return m; }());
        ASSERT_EQ(Kor500FullScale(0, 10, 1, c.slew), 0);
        ASSERT_EQ(Kor500Loop2(10, 100, c.iTime, 0, 0), 0);
        bus->card(1).setFrequency(0, 6e6);

        EXPECT_NEAR(cycle().outputs[0], c.afterFirst, 1e-9);
        EXPECT_NEAR(cycle().outputs[0], c.afterSecond, 1e-9);
        // Crystal gone: no sensor reads, the power stays where it was.
        bus->card(1).setFrequency(0, 0);
        EXPECT_NEAR(cycle().outputs[0], c.afterSecond, 1e-9);
        EXPECT_NEAR(cycle().outputs[0], c.afterSecond, 1e-9);
    }
}

TEST_F(CardLib, AnalogInputsAreConvertedRingedAndDriveTheirOutput)
{
    bus->addCard(30, 250);
    measureCards();
    ASSERT_EQ(Kor500StartMeas(), 0);
    EXPECT_EQ(testhook::analogWaitMs(), 10);
    SimCard& card = bus->card(1);
    card.setAnalogRaw(0, 1 << 19);
    card.setAnalogRaw(1, 0);
    card.setAnalogVolts(2, 2.5);
    card.setAnalogVolts(3, -5);

    // Input 1 feeds output 2 (held at 0.5, set point 5 V); entries below -1 mean none.
    const std::array<int32_t, 4> analogMap{-5, 2, -1, -1};
    ASSERT_EQ(Kor500MapAnSensors(analogMap.data()), 0);
    ASSERT_EQ(Kor500SetPower(2, 0.5), 0);
    ASSERT_EQ(Kor500Loop2(5, 100, 0, 0, 2), 0);
    // A map with an output above 13 is refused whole: input 1 still feeds output 2.
    const std::array<int32_t, 4> badMap{-1, -1, 1, 14};
    EXPECT_EQ(Kor500MapAnSensors(badMap.data()), 1);

    bus->clearWrites();
    std::array<double, 4> analog{};
    std::array<double, 14> outputs{};
    for (int ch = 0; ch < 3; ++ch)
        ASSERT_TRUE(testhook::stepAnalog());
    EXPECT_EQ(Kor500GetAnReadings(analog.data(), outputs.data()), 0);
    ASSERT_TRUE(testhook::stepAnalog());
    EXPECT_EQ(Kor500GetAnReadings(analog.data(), outputs.data()), 1);
    EXPECT_EQ(analog[0], 0);
    EXPECT_NEAR(analog[1], 10.000019, 1e-6);
    EXPECT_NEAR(analog[2], 2.5, 1e-5);
    EXPECT_NEAR(analog[3], -5, 1e-5);
    EXPECT_EQ(bus->writesTo(1, 24), (std::vector<uint32_t>{48, 16, 48, 16, 48, 16, 48, 16}));
    // 10 V against 5 V: the error -5 at gain 100 takes 0.05 off.
    std::array<double, 14> power{};
    ASSERT_EQ(Kor500GetPower(power.data()), 0);
    EXPECT_NEAR(power[2], 0.45, 1e-6);

    card.setConverting(false);
    EXPECT_FALSE(testhook::stepAnalog());
}

TEST_F(CardLib, FrontPanelReportsEachPressOnceAndTheKnobAsASignedStep)
{
    bus->addCard(30, 250);
    measureCards();
    struct Step {
        uint8_t held;  // front-panel bits 8..14 of register 16
        uint8_t knob;
        int16_t switches, delta;
    };
    const Step steps[] = {
        {0x00, 250, 0x00, -6},
        {0x20, 4, 0x01, 10},    // switch 0 pressed; knob 250 -> 4 is +10
        {0x20, 4, 0x00, 0},     // still held: not again
        {0x00, 4, 0x00, 0},
        {0x20, 0, 0x01, -4},    // pressed again
        {0x60, 0, 0x40, 0},     // switch 6 joins the held switch 0
        {0x01, 127, 0x20, 127}, // switch 5
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(testing::Message() << int(s.held) << " " << int(s.knob));
        bus->card(1).setSwitches(s.held);
        bus->card(1).setKnob(s.knob);
        int16_t switches = -1, delta = -1;
        ASSERT_EQ(GetSwitchData(&switches, &delta), 0);
        EXPECT_EQ(switches, s.switches);
        EXPECT_EQ(delta, s.delta);
    }
    // In simulation the panel reads nothing.
    ASSERT_EQ(Kor500Simulate(1), 0);
    int16_t switches = -1, delta = -1;
    ASSERT_EQ(GetSwitchData(&switches, &delta), 0);
    EXPECT_EQ(switches, 0);
    EXPECT_EQ(delta, -127);
}

}  // namespace
}  // namespace trv600a
