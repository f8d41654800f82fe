// Cost of the conversions on the reading path: a reading formatted for the display and
// the data log, the elapsed time, a general number text and a typed number read back.
#include "app/VBConv.h"

#include <benchmark/benchmark.h>

namespace {

void BM_FormatSignedFixed(benchmark::State& state) {
    const QString pattern = QStringLiteral("\\ 000.000;-000.000");
    double v = 12.3456;
    for (auto _ : state) {
        benchmark::DoNotOptimize(vb::Format(v, pattern));
        v += 0.001;
    }
}
BENCHMARK(BM_FormatSignedFixed);

void BM_FormatTwoDecimals(benchmark::State& state) {
    const QString pattern = QStringLiteral("0.00");
    double v = 1.005;
    for (auto _ : state) {
        benchmark::DoNotOptimize(vb::Format(v, pattern));
        v += 0.37;
    }
}
BENCHMARK(BM_FormatTwoDecimals);

void BM_FormatScientific(benchmark::State& state) {
    const QString pattern = QStringLiteral("0.000E+00");
    double v = 1.234e-7;
    for (auto _ : state) benchmark::DoNotOptimize(vb::Format(v, pattern));
}
BENCHMARK(BM_FormatScientific);

void BM_FormatElapsedTime(benchmark::State& state) {
    const QString pattern = QStringLiteral("hh:mm:ss");
    double seconds = 3725;
    for (auto _ : state) {
        benchmark::DoNotOptimize(vb::Format(seconds / 86400, pattern));
        seconds += 1;
    }
}
BENCHMARK(BM_FormatElapsedTime);

void BM_CStr(benchmark::State& state) {
    double v = 0.1;
    for (auto _ : state) {
        benchmark::DoNotOptimize(vb::CStr(v));
        v += 0.2;
    }
}
BENCHMARK(BM_CStr);

void BM_Val(benchmark::State& state) {
    const QString text = QStringLiteral(" 123.456E-2;rest");
    for (auto _ : state) benchmark::DoNotOptimize(vb::Val(text));
}
BENCHMARK(BM_Val);

}  // namespace

BENCHMARK_MAIN();
