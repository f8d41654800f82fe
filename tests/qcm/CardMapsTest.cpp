// Which output each sensor and analog input drives: the side mapped last wins, the backup
// of a dual pair follows its primary, disabled sensors go to the card as none.
#include "FakeTrvApi.h"

namespace {

using Calls = std::vector<std::string>;
using CardMaps = CardFixture;

TEST_F(CardMaps, SensorsAndAnalogInputsGiveWayToEachOtherAndTheExchangeAlwaysEnds) {
    card->setSensorLoop(8, 6);
    card->setAnalogLoop(0, 6);
    EXPECT_EQ(fake.take(), (Calls{"MapSensors(8:6)", "MapSensors()", "MapAnSensors(0:6)"}));
    EXPECT_EQ(card->LoopType(6), 1);
    EXPECT_EQ(card->SensorLoop(8), -1);

    card->setSensorLoop(9, 6);
    EXPECT_EQ(fake.take(), (Calls{"MapAnSensors()", "MapSensors(9:6)"}));
    EXPECT_EQ(card->LoopType(6), 2);
    EXPECT_EQ(card->AnalogLoop(0), -1);

    TrvAnalogMap twice;
    twice.fill(-1);
    twice(0) = twice(2) = 2;
    EXPECT_EQ(card->SendMapAnalog(twice), 1);
    fake.results["MapSensors"] = 3;
    card->setSensorLoop(9, 7);
    EXPECT_EQ(card->SensorLoop(9), 6);
    EXPECT_EQ(log->take(), (QStringList{"error 1: Unresolved MapAnalog Error.",
                                        "error 3: Unresolved MapSensors Error."}));
    EXPECT_EQ(fake.take(), Calls{"MapSensors(9:7)"});

    // After refused analog maps an output can end up claimed by both sides; making them
    // give way then must still come to an end.
    fake.results.clear();
    card->setAnalogLoop(1, 10);
    card->setAnalogLoop(2, 11);
    fake.results["MapAnSensors"] = 1;
    card->setSensorLoop(12, 10);
    card->setSensorLoop(13, 11);
    ASSERT_EQ(card->SensorLoop(12), 10);
    ASSERT_EQ(card->AnalogLoop(1), 10);
    TrvAnalogMap both;
    both.fill(-1);
    both(1) = 10;
    both(2) = 11;
    EXPECT_EQ(card->SendMapAnalog(both), 1);
    EXPECT_EQ(card->SensorLoop(12), -1);
    EXPECT_EQ(card->SensorLoop(13), -1);
}

TEST_F(CardMaps, TheBackupOfADualPairFollowsItsPrimary) {
    card->setSensorDual(5, true);
    card->ClearStatus();
    const QStringList events = log->take();
    EXPECT_EQ(events.size(), 25);
    EXPECT_EQ(events.first(), "sensor 0 code -1: Sensor status cleared.");
    EXPECT_TRUE(events.contains("sensor 5 code 0: Sensor 6 Sensor Disabled."));
    EXPECT_FALSE(card->SensorEnabled(5));
    fake.take();

    // Parked disabled: the card gets none for it, the class notes the primary's output.
    const TrvSensorMap map = SensorMapOf({{4, 1}, {5, 3}});
    EXPECT_EQ(card->SendMapSensors(map), 0);
    EXPECT_EQ(fake.take(), Calls{"MapSensors(4:1)"});
    EXPECT_EQ(card->SensorLoop(5), 1);

    card->setSensorEnabled(5, true);
    EXPECT_EQ(fake.take(), Calls{"MapSensors(4:1 5:1)"});
    EXPECT_EQ(log->take(), QStringList{"sensor 5 code -1: Sensor 6 Sensor OK."});

    // Enabled: the card still gets the primary's output, the class keeps the map's own.
    EXPECT_EQ(card->SendMapSensors(map), 0);
    EXPECT_EQ(fake.take(), Calls{"MapSensors(4:1 5:1)"});
    EXPECT_EQ(card->SensorLoop(5), 3);

    // A refused map leaves every stored output, the backup's too.
    fake.results["MapSensors"] = 1;
    EXPECT_EQ(card->SendMapSensors(SensorMapOf({{4, 2}, {5, 2}})), 1);
    EXPECT_EQ(card->SensorLoop(5), 3);

    // The backup takes its primary's entry unchecked; the poll reads an entry that names
    // no output as none instead of reaching past the output tables.
    fake.results.clear();
    card->setSensorEnabled(5, false);
    EXPECT_EQ(card->SendMapSensors(SensorMapOf({{4, 20}})), 0);
    EXPECT_EQ(card->SensorLoop(5), 20);
    fake.readings.resize(1);
    TrvSensorReadings sensors;
    TrvOutputReadings outputs;
    EXPECT_EQ(card->GetReadings(sensors, outputs), 1);
    EXPECT_EQ(outputs(0, 2), 0);
}

}  // namespace
