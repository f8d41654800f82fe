// The card class's commands and settings against a recording stand-in of the library:
// the order of the checks, the exact arguments the library gets, what is kept.
#include "FakeTrvApi.h"
#include "support/DialogRecorder.h"

#include <functional>
#include <gtest/gtest.h>

namespace {

using Calls = std::vector<std::string>;

using CardCommands = CardFixture;

TEST_F(CardCommands, ArgumentsAreCheckedInOrderAndOnlyGoodOnesReachTheLibrary) {
    struct Row {
        const char* what;
        std::function<int32_t(cTRV600a&)> command;
        const char* failing;  // entry point that refuses the call, or ""
        int32_t code;
        Calls calls;
        QStringList events;
    };
    const QString freqText = "error 1: Frequency must be: 1000000 <= XFMin <= XFInit <= XFmax <= 10000000";
    const std::vector<Row> rows = {
        {"init", [](cTRV600a& c) { return c.SendInit(1e7, 1e6, 5.5e6, 2); }, "", 0,
         {"Init(10000000, 1000000, 5500000, 2)"}, {}},
        {"initial below window", [](cTRV600a& c) { return c.SendInit(1e7, 1e6, 5e5, 2); }, "", 1, {}, {freqText}},
        {"period", [](cTRV600a& c) { return c.SendInit(1e7, 1e6, 5.5e6, 2.5); }, "", 2, {},
         {"error 2: Period must be: 0.1 <= Period <= 2"}},
        {"frequency before period", [](cTRV600a& c) { return c.SendInit(1e7, 1e6, 5e5, 2.5); }, "", 1, {}, {freqText}},
        {"init refused", [](cTRV600a& c) { return c.SendInit(1e7, 1e6, 5.5e6, 1); }, "Init", 99,
         {"Init(10000000, 1000000, 5500000, 1)"}, {"error 99: Unresolved Init Error"}},
        {"material mask and tooling", [](cTRV600a& c) { return c.SendMaterial(3, 99.99, 0.1, 50); }, "", 0,
         {"Material(8, 99.99, 0.1, 0.5)"}, {}},
        {"density", [](cTRV600a& c) { return c.SendMaterial(3, 99.991, 0.1, 50); }, "", 11, {},
         {"error 11: Density must be: 0.4 <= Density <= 99.99"}},
        {"z-factor before tooling", [](cTRV600a& c) { return c.SendMaterial(3, 1, 0.0999, 1000); }, "", 13, {},
         {"error 13: ZFactor must be: 0.1 <= ZFactor <= 9.999"}},
        {"material refused", [](cTRV600a& c) { return c.SendMaterial(4, 1, 1, 0); }, "Material", 99,
         {"Material(16, 1, 1, 0)"}, {"error 99: Unexpected Material Error on Sensor 5"}},
        {"slew above", [](cTRV600a& c) { return c.SendFullScale(0, 5, 50, 150); }, "", 16, {},
         {"error 16: Slew Rate must be: 0 <= Slew Rate <= 100"}},
        {"slew below", [](cTRV600a& c) { return c.SendFullScale(0, 5, 50, -1); }, "", 16, {},
         {"error 16: Slew Rate must be: 0 <= Slew Rate <= 100"}},
        {"voltage first", [](cTRV600a& c) { return c.SendFullScale(0, 11, 150, 150); }, "", 14, {},
         {"error 14: Ouput voltage must be: -10 <= Output Voltage <= 10"}},
        {"full scale", [](cTRV600a& c) { return c.SendFullScale(2, 10, 50, 20); }, "", 0,
         {"FullScale(2, 10, 0.5, 0.2)"}, {}},
        {"power above maximum", [](cTRV600a& c) { return c.SendPower(2, 60); }, "", 15, {},
         {"error 15: Output Power must be: 0 <= Power <= 100"}},
        {"manual power", [](cTRV600a& c) { return c.SendPower(2, 50); }, "", 0, {"SetPower(2, 0.5)"},
         {"output 2 code 3: Output 3 PID -> Manual Power 50.0% ."}},
        {"rate", [](cTRV600a& c) { return c.SendLoop(1000, 0, 0, 0, 2); }, "", 6, {},
         {"error 6: Rate must be: 0 <= Rate <= 999.9"}},
        {"loop refused keeps manual", [](cTRV600a& c) { return c.SendLoop(10, 1, 2, 3, 2); }, "Loop2", 99,
         {"Loop2(10, 1, 2, 3, 2)"}, {"error 99: Unexpected Loop Error on Output 3"}},
        {"back to automatic", [](cTRV600a& c) { return c.SendLoop(10, 1, 2, 3, 2); }, "", 0,
         {"Loop2(10, 1, 2, 3, 2)"}, {"output 2 code 2: Output 3 set to PID mode."}},
        {"mode", [](cTRV600a& c) { return c.SendSimulate(2); }, "", 17, {},
         {"error 17: TRV mode must be Normal(0) or Simulate(1)"}},
        {"no card simulates", [](cTRV600a& c) { return c.SendSimulate(0); }, "", 0, {"Simulate(1)"},
         {"output 0 code 1: TRV600 set to simulate mode."}},
        {"zero refused", [](cTRV600a& c) { return c.ZeroThickness(13); }, "Zero2", 99, {"Zero2(13)"},
         {"error 99: Unexpected ZeroThickness Error"}},
        {"zero output", [](cTRV600a& c) { return c.ZeroThickness(14); }, "", 5, {},
         {"error 5: Invalid Output Number."}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        fake.results.clear();
        if (*row.failing) fake.results[row.failing] = 1;
        EXPECT_EQ(row.command(*card), row.code);
        EXPECT_EQ(fake.take(), row.calls);
        EXPECT_EQ(log->take(), row.events);
    }
    // Refused values changed nothing that was kept.
    EXPECT_EQ(card->Period(), 2.0);
    EXPECT_EQ(card->SensorInitFreq(), 5.5e6);
    EXPECT_EQ(card->Density(3), 99.99);
    EXPECT_EQ(card->Density(4), 0.4);
    EXPECT_EQ(card->FSOut(0), -10.0);
    EXPECT_EQ(card->MaxPower(2), 50.0);
    EXPECT_EQ(card->Rate(2), 10.0);
    EXPECT_TRUE(card->PIDMode(2));
}

TEST_F(CardCommands, PropertiesKeepTheirRulesWhateverTheLibraryAnswers) {
    card->setFilterSize(25);
    EXPECT_EQ(card->FilterSize(), 10);
    card->setFilterSize(0);
    EXPECT_EQ(card->FilterSize(), 10);

    // A loop value under manual power waits for the switch to automatic control.
    card->SendFullScale(3, 10, 100, 0);
    fake.power[3] = 0.25;
    card->setPIDMode(3, false);
    EXPECT_EQ(fake.take(), (Calls{"FullScale(3, 10, 1, 0)", "SetPower(3, 0.25)"}));
    card->setPTerm(3, 5);
    EXPECT_EQ(card->PTerm(3), 5.0);
    EXPECT_TRUE(fake.take().empty());
    card->setPIDMode(3, true);
    EXPECT_EQ(fake.take(), Calls{"Loop2(0, 5, 0, 0, 3)"});

    // The full-scale voltage is kept even when the library refuses it, never when the
    // value itself is out of range.
    fake.results["FullScale"] = 1;
    card->setFSOut(2, 10);
    EXPECT_EQ(card->FSOut(2), 10.0);
    card->setFSOut(2, 11);
    EXPECT_EQ(card->FSOut(2), 10.0);
    EXPECT_EQ(log->take(), (QStringList{"output 3 code 3: Output 4 PID -> Manual Power 25.0% .",
                                        "output 3 code 2: Output 4 set to PID mode.",
                                        "error 99: Unexpected FullScale Error on Output 3",
                                        "error 14: Ouput voltage must be: -10 <= Output Voltage <= 10"}));

    card->setDensity(0, 99.99);
    card->setZFactor(0, 0.1);
    card->setDensity(0, 99.991);
    card->setZFactor(0, 0.0999);
    EXPECT_EQ(card->Density(0), 99.99);
    EXPECT_EQ(card->ZFactor(0), 0.1);

    card->setSensorDual(5, true);
    EXPECT_TRUE(card->SensorDual(4));
    card->setSensorDual(4, false);
    EXPECT_FALSE(card->SensorDual(5));
    EXPECT_EQ(card->Revision(8), 0);
    EXPECT_EQ(card->LoopType(-1), 1);
    {
        DialogRecorder boxes;
        EXPECT_EQ(card->DiffSeconds(0, 1e9), 0);
        EXPECT_EQ(boxes.prompts(), QStringList{"Error: 6. Overflow"});
    }

    // Indices outside their range: reported, or out of range for the caller; never a
    // write beside the arrays.
    log->take();
    EXPECT_EQ(card->OutputName(14), QString());
    EXPECT_EQ(card->AnalogLoop(4), -1);
    card->setSensorLoop(0, 14);
    EXPECT_EQ(log->take(), (QStringList{"error 5: Invalid Output Number.", "error 10: Invalid Sensor Number.",
                                        "error 5: Invalid Output Number."}));
    EXPECT_THROW(card->setControlError(14, 1), RuntimeError);
    EXPECT_THROW(card->setSensorDual(24, true), RuntimeError);
    EXPECT_THROW(card->setAnalogLoop(4, 1), RuntimeError);
}

TEST_F(CardCommands, StartsOnceCountsCardsToTheFirstGapAndAlwaysEndsSimulating) {
    struct Row {
        int32_t status;
        std::array<int32_t, 8> versions;
        int cards, sensors, outputs, analog;
        bool output12, analogValid;
        QStringList events;
    };
    const QString simulate = "output 0 code 1: TRV600 set to simulate mode.";
    const std::vector<Row> rows = {
        {904, {}, 0, 24, 14, 4, true, true, {simulate, "error 904: No TRV-600 card found."}},
        {0, {0, 210, 0, 205, 0, 0, 0, 0}, 1, 4, 2, 0, false, false, {simulate}},
        {0, {0, 210, 205, 0, 0, 0, 0, 210}, 2, 8, 6, 4, true, true, {simulate}},
        {950, {}, 0, 24, 14, 4, true, true, {simulate, "error 950: Unresolved TRV-600 startup error."}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.status);
        fake.status = row.status;
        fake.versions = row.versions;
        card->SendStartup(-1);
        card->SendStartup(0);
        card->SendStartup(0);
        EXPECT_EQ(fake.take(), (Calls{"Startup2(-1)", "Startup2(0)", "Simulate(1)"}));
        EXPECT_EQ(log->take(), row.events);
        EXPECT_EQ(card->NumCards(), row.cards);
        EXPECT_EQ(card->NumSensors(), row.sensors);
        EXPECT_EQ(card->NumOutputs(), row.outputs);
        EXPECT_EQ(card->NumAnalog(), row.analog);
        EXPECT_EQ(card->NumOutputValid(12), row.output12);
        EXPECT_EQ(card->NumAnalogValid(0), row.analogValid);
        EXPECT_TRUE(card->NumOutputValid(1));
        EXPECT_EQ(card->Revision(0), row.status);
        EXPECT_EQ(card->OpMode(), 1);
    }
    // Made and released: started once, and left simulating before the shutdown.
    card.reset();
    card = std::make_unique<cTRV600a>(fake.api());
    EXPECT_EQ(fake.take(), (Calls{"Simulate(1)", "Startup2(-1)", "Startup2(0)", "Simulate(1)"}));
    card->SendStartup(-1);
    card->SendStartup(-1);
    EXPECT_EQ(fake.take(), Calls{"Startup2(-1)"});
}

}  // namespace
