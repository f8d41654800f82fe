// Cost of one measurement cycle of the card library with six cards: 24 counts read,
// frequency, thickness and rate of every sensor, the rate loop of every output, the
// output registers and the counter restart; and of one simulated cycle without cards.
// Then the cadence of the simulation in real time: the library's own measurement thread
// at a period of 0.1 s, its ring read every millisecond; the mean and largest gap between
// two sets and the sets found waiting behind the one read (a loaded machine shows here,
// not in a test).
#include "SimPciBus.h"
#include "TRV600a.h"
#include "TestHook.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <thread>

namespace {

using namespace trv600a;

std::shared_ptr<SimPciBus> Prepare(bool cards)
{
    testhook::reload();
    testhook::setStepping(true);
    testhook::useSleep([](int) {});
    auto bus = std::make_shared<SimPciBus>(cards);
    if (cards) {
        for (int type : {30, 15, 8, 9, 10, 11}) {
            SimCard& card = bus->addCard(type, 250);
            for (int s = 0; s < 4; ++s)
                card.setFrequency(s, 5.9e6 - 100 * s);
        }
    }
    testhook::usePci(bus);
    std::array<int32_t, 8> versions{};
    Kor500Startup2(0, versions.data());
    Kor500Init(6.05e6, 5e6, 6e6, 0.25);
    Kor500Simulate(cards ? 0 : 1);
    Kor500Material(0xFFFFFF, 2.7, 1, 1);
    std::array<int32_t, 24> map{};
    for (int s = 0; s < 24; ++s)
        map[s] = s / 2;
    Kor500MapSensors(map.data());
    for (int o = 0; o < 14; ++o) {
        Kor500FullScale(o, 10, 1, 0.1);
        Kor500Loop2(5, 100, 1, 0.1, o);
    }
    Kor500StartMeas();
    return bus;
}

void Cycle(benchmark::State& state, bool cards)
{
    std::shared_ptr<SimPciBus> bus = Prepare(cards);
    std::array<double, 72> sensors{};
    std::array<double, 14> outputs{};
    int n = 0;
    for (auto _ : state) {
        // The simulated bus records every write; keep its log short.
        if (++n % 1024 == 0)
            bus->clearWrites();
        testhook::stepMeasurement();
        benchmark::DoNotOptimize(Kor500GetReadings(sensors.data(), outputs.data()));
    }
    testhook::reload();
}

void BM_CardCycleSixCards(benchmark::State& state) { Cycle(state, true); }
void BM_CardCycleSimulated(benchmark::State& state) { Cycle(state, false); }

// One iteration per set of the free-running simulation.
void BM_SimulatedCadence(benchmark::State& state)
{
    using Steady = std::chrono::steady_clock;
    testhook::reload();
    testhook::usePci(std::make_shared<SimPciBus>(true));
    std::array<int32_t, 8> versions{};
    Kor500Startup2(0, versions.data());
    Kor500Init(6.05e6, 5e6, 6e6, 0.1);
    Kor500Simulate(1);
    std::array<double, 72> sensors{};
    std::array<double, 14> outputs{};
    const auto nextSet = [&] {
        for (;;) {
            const int32_t n = Kor500GetReadings(sensors.data(), outputs.data());
            if (n > 0) return n;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    };
    nextSet();  // the cycle's phase
    Steady::time_point last = Steady::now();
    double sum = 0, largest = 0;
    int64_t sets = 0, behind = 0;
    for (auto _ : state) {
        const int32_t n = nextSet();
        const Steady::time_point now = Steady::now();
        const double gap = std::chrono::duration<double, std::milli>(now - last).count();
        last = now;
        sum += gap;
        largest = std::max(largest, gap);
        ++sets;
        behind += n - 1;  // sets that waited behind this one: the reader was late
    }
    state.counters["mean_gap_ms"] = sets ? sum / static_cast<double>(sets) : 0;
    state.counters["largest_gap_ms"] = largest;
    state.counters["sets_behind"] = static_cast<double>(behind);
    Kor500Startup2(-1, versions.data());
    testhook::reload();
}

BENCHMARK(BM_CardCycleSixCards);
BENCHMARK(BM_CardCycleSimulated);
BENCHMARK(BM_SimulatedCadence)->Iterations(50)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
