// The worker threads running free: start, measure, stop and start again, with the caller
// reading and setting all the while. Run under ThreadSanitizer by the "tsan" label.
#include "CardLibFixture.h"

#include <dlfcn.h>

#include <chrono>

namespace trv600a {
namespace {

using namespace std::chrono_literals;

void exercise()
{
    std::array<double, 72> sensors{};
    std::array<double, 14> outputs{};
    std::array<double, 4> analog{};
    int16_t switches = 0, delta = 0;
    for (int i = 0; i < 50; ++i) {
        Kor500GetReadings(sensors.data(), outputs.data());
        Kor500GetAnReadings(analog.data(), outputs.data());
        Kor500SetPower(1, (i % 10) / 10.0);
        Kor500Loop2(5, 100, 1, 0, 0);
        Kor500Material(1, 1 + i % 3, 1, 1);
        GetSwitchData(&switches, &delta);
    }
}

TEST_F(CardLib, StartStopStartRunsTheThreadsWithoutRaceOrLeak)
{
    testhook::setStepping(false);
    bus->addCard(30, 250);
    bus->addCard(15, 250);
    for (int card = 1; card <= 2; ++card)
        for (int s = 0; s < 4; ++s)
            bus->card(card).setFrequency(s, 5.9e6 - 1000 * s);
    const std::array<int32_t, 24> sensorMap{0, 0, 1, 1, 2, 2, 3, 3, -1, -1, -1, -1,
                                            -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
    const std::array<int32_t, 4> analogMap{12, -1, -1, 13};

    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        ASSERT_EQ(start(), 0);
        EXPECT_EQ(testhook::liveWorkerThreads(), 2);
        ASSERT_EQ(Kor500Init(6.05e6, 5e6, 6e6, 0.1), 0);
        ASSERT_EQ(Kor500Simulate(0), 0);
        ASSERT_EQ(Kor500MapSensors(sensorMap.data()), 0);
        ASSERT_EQ(Kor500MapAnSensors(analogMap.data()), 0);
        ASSERT_EQ(Kor500Loop2(5, 100, 1, 0, 12), 0);
        ASSERT_EQ(Kor500StartMeas(), 0);
        const uint64_t target = testhook::cycles() + 20;
        exercise();
        EXPECT_TRUE(testhook::waitForCycles(target, 10s));
        ASSERT_EQ(Kor500Startup2(-1, versions.data()), 0);
        EXPECT_EQ(testhook::liveWorkerThreads(), 0);
    }

    // And in simulation, one cycle per period of 0.1 s.
    testhook::usePci(std::make_shared<SimPciBus>(false));
    ASSERT_EQ(start(), 906);
    ASSERT_EQ(Kor500Init(6.05e6, 5e6, 6e6, 0.1), 0);
    ASSERT_EQ(Kor500Simulate(1), 0);
    const uint64_t target = testhook::cycles() + 2;
    exercise();
    EXPECT_TRUE(testhook::waitForCycles(target, 10s));
    ASSERT_EQ(Kor500Startup2(-1, versions.data()), 0);
    EXPECT_EQ(testhook::liveWorkerThreads(), 0);
}

#ifdef TRV600A_LIBRARY_FILE
// The shared library as the program loads it: every export by name, and an unload while
// its threads run that ends them instead of leaving them in unmapped code.
TEST(SharedLibrary, ExportsEveryFunctionAndUnloadsWhileMeasuring)
{
    setenv("TRV600A_SYSFS_ROOT", "/nonexistent-trv600a-root", 1);
    void* lib = dlopen(TRV600A_LIBRARY_FILE, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr) << dlerror();
    for (const char* name :
         {"Kor500Startup2", "Kor500Init", "Kor500Material", "Kor500GetMaterial", "Kor500Simulate",
          "Kor500StartMeas", "Kor500GetReadings", "Kor500GetAnReadings", "Kor500MapSensors",
          "Kor500MapAnSensors", "Kor500Loop2", "Kor500SetPower", "Kor500Auto", "Kor500FullScale",
          "Kor500GetPower", "Kor500ZeroSensor", "Kor500Zero2", "GetSwitchData", "DimBacklight"})
        EXPECT_NE(dlsym(lib, name), nullptr) << name;
    EXPECT_EQ(dlsym(lib, "_ZN7trv6006engineEv"), nullptr);

    auto startup = reinterpret_cast<int32_t (*)(int32_t, int32_t*)>(dlsym(lib, "Kor500Startup2"));
    auto init = reinterpret_cast<int32_t (*)(double, double, double, double)>(dlsym(lib, "Kor500Init"));
    auto simulate = reinterpret_cast<int32_t (*)(int32_t)>(dlsym(lib, "Kor500Simulate"));
    std::array<int32_t, 8> versions{};
    EXPECT_EQ(startup(0, versions.data()), 906);
    EXPECT_EQ(init(6.05e6, 5e6, 6e6, 0.1), 0);
    EXPECT_EQ(simulate(1), 0);
    EXPECT_EQ(dlclose(lib), 0);
    EXPECT_EQ(dlopen(TRV600A_LIBRARY_FILE, RTLD_NOW | RTLD_NOLOAD), nullptr);
    unsetenv("TRV600A_SYSFS_ROOT");
}
#endif

}  // namespace
}  // namespace trv600a
