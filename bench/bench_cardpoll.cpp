// Cost of one tick of the quartz card's 10 ms reading poll with a set pending: averaging
// over a full filter window, 24 sensors on 12 outputs under automatic control, and every
// crystal, stability, quality and control-error check switched on.
#include "qcm/cTRV600a.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>
#include <cstring>

namespace {

int32_t ok() { return 0; }
int32_t Startup2(int32_t, int32_t*) { return 904; }
int32_t Init(double, double, double, double) { return 0; }
int32_t Material(int32_t, double, double, double) { return 0; }
int32_t GetMaterial(double*, double*) { return 0; }
int32_t Simulate(int32_t) { return 0; }
int32_t GetReadings(double* sensors, double* outputs) {
    // One set always pending: rates near the set point, frequencies drifting slowly.
    static double f = 5.9e6;
    f -= 0.5;
    for (int s = 0; s < 24; ++s) {
        sensors[s] = 10.0 + 0.1 * s;
        sensors[24 + s] = 100.0;
        sensors[48 + s] = f;
    }
    for (int o = 0; o < 14; ++o) outputs[o] = 0.5;
    return 1;
}
int32_t GetAnReadings(double*, double*) { return 0; }
int32_t MapSensors(const int32_t*) { return 0; }
int32_t Loop2(double, double, double, double, int32_t) { return 0; }
int32_t SetPower(int32_t, double) { return 0; }
int32_t Output(int32_t) { return 0; }
int32_t FullScale(int32_t, double, double, double) { return 0; }
int32_t GetPower(double* power) {
    std::memset(power, 0, sizeof(double) * 14);
    return 0;
}

void PollTick(benchmark::State& state) {
    int argc = 0;
    QCoreApplication app(argc, nullptr);
    auto api = std::make_shared<TrvApi>(TrvApi{Startup2, Init, Material, GetMaterial, Simulate, ok, GetReadings,
                                               GetAnReadings, MapSensors, MapSensors, Loop2, SetPower, Output,
                                               FullScale, GetPower, Output, Output});
    cTRV600a card(api);
    card.SendInit(1e7, 1e6, 5.5e6, 0.1);
    card.setFilterSize(10);
    TrvSensorMap map;
    for (int s = 0; s < 24; ++s) map(s) = s / 2;
    card.SendMapSensors(map);
    for (int out = 0; out < 12; ++out) {
        card.SendLoop(10.0, 1, 1, 1, out);
        card.setSensorFailLimit(out, 3);
        card.setSensorQuality(out, 50);
        card.setSensorQualityLimit(out, 1000000);
        card.setSensorStabilityLimit(out, 2000000000);
        card.setSensorStabilitySingle(out, 1000);
        card.setControlError(out, 50);
        card.setControlErrorLimit(out, 100000);
    }
    for (int s = 0; s < 24; ++s) card.SendMaterial(s, 1, 1, 100);
    TrvSensorReadings sensors;
    TrvOutputReadings outputs;
    for (auto _ : state) {
        benchmark::DoNotOptimize(card.GetReadings(sensors, outputs));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(PollTick);

}  // namespace

BENCHMARK_MAIN();
