// Cost of one measurement cycle of the card library with six cards: 24 counts read,
// frequency, thickness and rate of every sensor, the rate loop of every output, the
// output registers and the counter restart; and of one simulated cycle without cards.
#include "SimPciBus.h"
#include "TRV600a.h"
#include "TestHook.h"

#include <benchmark/benchmark.h>

#include <array>

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

BENCHMARK(BM_CardCycleSixCards);
BENCHMARK(BM_CardCycleSimulated);

}  // namespace

BENCHMARK_MAIN();
