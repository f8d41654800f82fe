// The reading poll and its checks against scripted reading sets: averaging, the sums per
// output, the back-dated times of a backlog, and when each check reports.
#include "FakeTrvApi.h"

#include <QTest>
#include <functional>

namespace {

using CardPoll = CardFixture;

TEST_F(CardPoll, AveragesOverTheFilledSlotsAndCombinesOnlyContributingSensors) {
    card->SendMapSensors(SensorMapOf({{0, 0}, {1, 0}, {2, 0}, {4, 1}, {5, 2}, {6, 3}}));
    for (int s : {0, 2, 3, 4, 5, 6}) card->SendMaterial(s, 1, 1, 100);  // sensor 1 keeps tooling 0
    card->setSensorEnabled(2, false);
    card->SendLoop(50, 0, 0, 0, 3);
    const double rates[] = {10, 20, 30, 40, 50, 60};
    for (double r : rates) {
        FakeReadingSet set;
        set.rate(0) = r;
        set.thickness(0) = 10 * r;
        set.rate(1) = set.rate(2) = set.rate(3) = 1000;
        set.rate(4) = 150;
        set.rate(5) = set.rate(6) = 40;
        set.power[0] = 0.1;
        set.power[7] = 0.5;
        fake.readings.push_back(set);
    }

    // Averaged over 1, 2, 3 and 4 slots, then always 4; a filter resize starts again at 1.
    const double averaged[] = {10, 15, 20, 25, 35, 60};
    TrvSensorReadings sensors;
    TrvOutputReadings outputs;
    for (int k = 0; k < 6; ++k) {
        SCOPED_TRACE(k);
        if (k == 5) card->setFilterSize(0);
        EXPECT_EQ(card->GetReadings(sensors, outputs), 6 - k);
        EXPECT_DOUBLE_EQ(sensors(0, 0), averaged[k]);
        EXPECT_DOUBLE_EQ(sensors(0, 3), averaged[k]);  // set point 0: the rate itself
        EXPECT_DOUBLE_EQ(sensors(0, 1), 10 * rates[k]);
        EXPECT_DOUBLE_EQ(sensors(3, 0), 1000);
        // Only sensor 0 adds to output 0: sensor 1 has tooling 0, sensor 2 is disabled.
        EXPECT_DOUBLE_EQ(outputs(0, 0), averaged[k]);
        EXPECT_DOUBLE_EQ(outputs(0, 1), 10 * rates[k]);
        EXPECT_DOUBLE_EQ(outputs(0, 3), averaged[k]);
        EXPECT_DOUBLE_EQ(outputs(0, 2), 10);
        EXPECT_DOUBLE_EQ(outputs(7, 0), 0);
        EXPECT_DOUBLE_EQ(outputs(7, 2), 50);
    }
    // Deviation from a set point of 0 is the rate, at most 100; else relative to it.
    EXPECT_DOUBLE_EQ(sensors(4, 3), 100);
    EXPECT_DOUBLE_EQ(sensors(5, 3), 40);
    EXPECT_DOUBLE_EQ(sensors(6, 3), -20);
    EXPECT_DOUBLE_EQ(outputs(1, 3), 100);
    EXPECT_EQ(card->GetReadings(sensors, outputs), 0);
}

TEST_F(CardPoll, ABacklogDrainsOneSetPerTickStampedBackByWholePeriods) {
    FixedClock clock(100000);
    card->SendInit(1e7, 1e6, 5.5e6, 0.5);
    fake.readings.resize(3);
    fake.analog = {{1, 1, 1, 1}, {2, 2, 2, 2}};
    std::vector<double> stamps, analogStamps;
    QObject::connect(card.get(), &cTRV600a::TRVReading,
                     [&](const TrvSensorReadings&, const TrvOutputReadings&, double t) {
        stamps.push_back(t);
        Clock::Advance(10);
        if (stamps.size() == 3) card->setTimerEnabled(false);
    });
    QObject::connect(card.get(), &cTRV600a::TRVAnalog,
                     [&](const TrvAnalogReadings&, double t) { analogStamps.push_back(t); });
    card->setTimerEnabled(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return stamps.size() == 3 && analogStamps.size() == 3; }, 5000));
    EXPECT_NEAR(stamps[0], 99.0, 1e-4);
    EXPECT_NEAR(stamps[1], 100.01 - 0.5, 1e-4);
    EXPECT_NEAR(stamps[2], 100.02, 1e-4);
    // The analog backlog went at the first tick; its time is the tick's own.
    EXPECT_TRUE(fake.analog.empty());
    EXPECT_NEAR(analogStamps[0], 100.0, 1e-4);
}

TEST_F(CardPoll, ACrystalFailureIsReportedOnceAndClearedByAsManyGoodReadings) {
    card->SendMapSensors(SensorMapOf({{0, 0}, {1, 0}}));
    const std::vector<double> frequency = {5e6, -1, -1, -1, -2, 5e6, 5e6, 5e6};
    for (double f : frequency) {
        FakeReadingSet set;
        set.frequency(0) = f;
        set.frequency(1) = 5e6;
        fake.readings.push_back(set);
    }
    // A poll started from inside an event of a running poll takes nothing.
    std::vector<int32_t> nested;
    QObject::connect(card.get(), &cTRV600a::TRVSensorEvent, [&] {
        TrvSensorReadings s;
        TrvOutputReadings o;
        nested.push_back(card->GetReadings(s, o));
    });
    TrvSensorReadings sensors;
    TrvOutputReadings outputs;
    QStringList got;
    for (size_t k = 0; k < frequency.size(); ++k) {
        card->GetReadings(sensors, outputs);
        for (const QString& e : log->take()) got << QStringLiteral("%1 %2").arg(k).arg(e);
    }
    EXPECT_EQ(got, (QStringList{"3 sensor 0 code 1: Sensor 1 Crystal Failure.",
                                "7 sensor 0 code -1: Sensor 1 Sensor OK."}));
    EXPECT_EQ(nested, (std::vector<int32_t>{0, 0}));
    EXPECT_TRUE(fake.readings.empty());

    // The output fails only when none of its sensors is enabled any more.
    card->setSensorEnabled(0, false);
    card->setSensorEnabled(1, false);
    EXPECT_EQ(log->take(), (QStringList{"sensor 0 code 0: Sensor 1 Sensor Disabled.",
                                        "sensor 1 code 0: Sensor 2 Sensor Disabled.",
                                        "output 0 code 5: All crystals failed on Output 1!"}));
}

TEST_F(CardPoll, EachCheckReportsAtItsLimitOnceAndIsOffWhileItsLimitIsZero) {
    struct Row {
        const char* what;
        std::function<void(cTRV600a&)> limits;
        std::vector<double> frequency, rate;
        QStringList events;
    };
    const std::vector<Row> rows = {
        {"single rise", [](cTRV600a& c) { c.setSensorStabilitySingle(0, 100); },
         {5e6, 5e6 + 50, 5e6 + 201, 5e6 + 500}, {0, 0, 0, 0},
         {"2 sensor 0 code 3: Sensor 1 Stability single failure."}},
        {"summed rises, falls not counted", [](cTRV600a& c) { c.setSensorStabilityLimit(0, 100); },
         {5e6, 5e6 + 40, 5e6 + 80, 5e6 + 70, 5e6 + 130, 5e6 + 500}, {0, 0, 0, 0, 0, 0},
         {"4 sensor 0 code 4: Sensor 1 Stability sum failure."}},
        {"quality", [](cTRV600a& c) { c.setSensorQuality(0, 5); c.setSensorQualityLimit(0, 2); },
         {5e6, 5e6, 5e6}, {80, 80, 80}, {"1 sensor 0 code 2: Sensor 1 Quality Failure."}},
        {"control error after its time", [](cTRV600a& c) { c.setControlError(0, 10); c.setControlErrorLimit(0, 2); },
         {5e6, 5e6, 5e6, 5e6, 5e6}, {5, 50, 50, 50, 50}, {"3 output 0 code 4: Control error on Output 1!"}},
        {"a frequency no whole number holds", [](cTRV600a& c) { c.setSensorStabilitySingle(0, 100); },
         {5e6, 1e12, 5e6}, {0, 0, 0}, {"1 sensor 0 code 3: Sensor 1 Stability single failure."}},
        {"all off", [](cTRV600a&) {}, {5e6, 5e6 + 500, 5e6 + 1000}, {500, 500, 500}, {}},
    };
    FixedClock clock(3600000);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        log.reset();
        card = std::make_unique<cTRV600a>(fake.api());
        log = std::make_unique<CardEventLog>(*card);
        card->setSensorLoop(0, 0);
        row.limits(*card);
        for (size_t k = 0; k < row.frequency.size(); ++k) {
            FakeReadingSet set;
            set.frequency(0) = row.frequency[k];
            set.rate(0) = row.rate[k];
            fake.readings.push_back(set);
        }
        TrvSensorReadings sensors;
        TrvOutputReadings outputs;
        QStringList got;
        log->take();
        for (size_t k = 0; k < row.frequency.size(); ++k) {
            card->GetReadings(sensors, outputs);
            Clock::Advance(1000);
            for (const QString& e : log->take()) got << QStringLiteral("%1 %2").arg(k).arg(e);
        }
        EXPECT_EQ(got, row.events);
    }
}

}  // namespace
