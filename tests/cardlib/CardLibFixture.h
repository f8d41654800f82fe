#pragma once
// A freshly loaded card library for each test, its worker loops stepped by the test, the
// reset sleeps recorded instead of slept, and a simulated card bus to put cards on.
#include "SimPciBus.h"
#include "TRV600a.h"
#include "TestHook.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <vector>

namespace trv600a {

struct Reading {
    int32_t pending = 0;
    std::array<double, 72> sensors{};
    std::array<double, 14> outputs{};
    double rate(int s) const { return sensors[s]; }
    double thickness(int s) const { return sensors[24 + s]; }
    double frequency(int s) const { return sensors[48 + s]; }
};

class CardLib : public ::testing::Test {
protected:
    void SetUp() override
    {
        testhook::reload();
        testhook::setStepping(true);
        testhook::useSleep([this](int ms) { sleeps.push_back(ms); });
        testhook::usePci(bus);
    }
    void TearDown() override { testhook::reload(); }

    int32_t start() { return Kor500Startup2(0, versions.data()); }

    // Start on the bus's cards and measure them with the given frequency window.
    void measureCards(double minFreq = 5e6, double initFreq = 6e6, double period = 0.25)
    {
        ASSERT_EQ(start(), 0);
        ASSERT_EQ(Kor500Init(6.05e6, minFreq, initFreq, period), 0);
        ASSERT_EQ(Kor500Simulate(0), 0);
    }

    // One measurement cycle, then the next reading set.
    Reading cycle()
    {
        EXPECT_TRUE(testhook::stepMeasurement());
        return read();
    }

    Reading read()
    {
        Reading r;
        r.pending = Kor500GetReadings(r.sensors.data(), r.outputs.data());
        return r;
    }

    void map(std::array<int32_t, 24> m) { ASSERT_EQ(Kor500MapSensors(m.data()), 0); }

    static std::array<int32_t, 24> noMap()
    {
        std::array<int32_t, 24> m;
        m.fill(-1);
        return m;
    }

    std::shared_ptr<SimPciBus> bus = std::make_shared<SimPciBus>();
    std::array<int32_t, 8> versions{};
    std::vector<int> sleeps;
};

}  // namespace trv600a
