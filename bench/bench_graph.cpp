// Cost of the graphs at each 90 ms reading with four graph windows open, each on a strip
// chart that is full, so the oldest points are let go and the time axis moves on as the
// readings come. One iteration is one reading: GraphReading of the four windows and the
// repaint of all four, offscreen. Printed per case: the mean, p99 and slowest reading in
// wall time, and the slowest in CPU time of the thread (which a busy machine's other
// work does not stretch).
// - Sensor2000: 16 series (the Sensor kind: flux and gas of eight channels) of 2,000
//   points; every twentieth reading shifts the points and moves the axis.
// - RateAtTheCap: eight series (the Rate kind) at the largest point count, 100,000; a
//   shift and an axis move every thousand readings, so 3,000 readings hold several.
#include "BenchSupport.h"

#include "app/cApp.h"
#include "data/FilmRec.h"
#include "data/GraphRec.h"
#include "data/ProcessRec.h"
#include "run/ProgramObjects.h"
#include "windows/StripChart.h"
#include "windows/frmGraph.h"

#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cmath>
#include <ctime>
#include <numeric>
#include <vector>

namespace {

constexpr double kTick = 0.09;

double ThreadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec * 1e-6;
}

// Process 1, one step: channel c deposits layer c + 1 with film c + 1.
void BuildRun(cApp& app) {
    DepositTogether({0, 1, 2, 3, 4, 5, 6, 7});
    for (int16_t L = 1; L <= 8; ++L) gFilm(L).Film_Name = QStringLiteral("Film %1").arg(L);
    app.BuildProcess(1);
    app.setProcLayer(1);
}

// Slowly changing rates with a little noise, as a deposition gives them.
std::vector<double> Readings(int k) {
    std::vector<double> v(16);
    for (int c = 0; c < 8; ++c) {
        v[c] = 5 + c + 2 * std::sin(k * 0.004 + c) + 0.05 * std::sin(k * 1.7 + c * 3);
        v[c + 8] = 1 + 0.5 * c + std::cos(k * 0.003 + c);
    }
    return v;
}

void FourGraphs(benchmark::State& state, int32_t points, int32_t kind) {
    cApp& app = ProgramObjects::CreateApp();
    BuildRun(app);
    for (int16_t g = 0; g <= 3; ++g) {
        GraphRec& r = gGraph(g);
        r.Caption = QStringLiteral("Graph %1").arg(g + 1);
        r.Data = kind;
        r.Channels = 0xFF;
        r.XPoints = points;
        r.XScroll = 0;  // Strip
        // A point spacing a little under one reading: every reading is a point.
        r.XWidth = static_cast<int32_t>(points * kTick) - 1;
        r.Y1Min = QStringLiteral("0");
        r.Y1Max = QStringLiteral("16");
        r.Y2Min = QStringLiteral("0");
        r.Y2Max = QStringLiteral("6");
        app.setShowGraph(g, true);
        if (!gGraphForm(g)) {
            state.SkipWithError("no graph window opened");
            return;
        }
        gGraphForm(g)->resize(640, 420);
    }
    // Fill every chart: from here on every reading of the full row is the steady state.
    int k = 0;
    for (; k < points; ++k) {
        const std::vector<double> v = Readings(k);
        for (int16_t g = 0; g <= 3; ++g) gGraphForm(g)->GraphReading(k * kTick, v);
    }
    QApplication::processEvents();

    std::vector<double> ms;
    ms.reserve(static_cast<size_t>(state.max_iterations));
    double cpuMax = 0;
    QElapsedTimer timer;
    for (auto _ : state) {
        const std::vector<double> v = Readings(k);
        const double cpu = ThreadCpuMs();
        timer.start();
        for (int16_t g = 0; g <= 3; ++g) gGraphForm(g)->GraphReading(k * kTick, v);
        QApplication::processEvents();
        ms.push_back(timer.nsecsElapsed() / 1e6);
        cpuMax = std::max(cpuMax, ThreadCpuMs() - cpu);
        ++k;
    }
    const double mean = std::accumulate(ms.begin(), ms.end(), 0.0) / ms.size();
    std::sort(ms.begin(), ms.end());
    state.counters["mean_ms"] = mean;
    state.counters["p99_ms"] = ms[std::min(ms.size() - 1, static_cast<size_t>(0.99 * ms.size()))];
    state.counters["max_ms"] = ms.back();
    state.counters["cpu_max_ms"] = cpuMax;
    if (gGraphForm(0)->moGraph->Data().LastPoint() < points * 98 / 100) state.SkipWithError("the charts stopped taking points");

    ProgramObjects::ReleaseAll();
    QApplication::processEvents();
}

void BM_Sensor2000(benchmark::State& state) { FourGraphs(state, 2000, GraphDataKind::Sensor); }
BENCHMARK(BM_Sensor2000)->Unit(benchmark::kMillisecond)->Iterations(400);

void BM_RateAtTheCap(benchmark::State& state) { FourGraphs(state, StripChartModel::kMaxPoints, GraphDataKind::Rate); }
BENCHMARK(BM_RateAtTheCap)->Unit(benchmark::kMillisecond)->Iterations(3000);

}  // namespace

int main(int argc, char** argv) { return RunBenchmarks<QApplication>(argc, argv); }
