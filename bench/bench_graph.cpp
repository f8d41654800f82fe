// Cost of the graphs at each 90 ms reading with four graph windows open: each window
// draws 16 series (the Sensor kind: flux and gas of eight channels) of 2,000 points on a
// strip chart that is full, so every twentieth reading lets the oldest points go and
// moves the time axis. One iteration is one reading: GraphReading of the four windows
// and the repaint of all four, offscreen. The per-iteration time is the mean; the
// counters give the slowest readings.
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
#include <vector>

namespace {

constexpr double kTick = 0.09;
constexpr int kPoints = 2000;

// Process 1, one step: channel c deposits layer c + 1 with film c + 1.
void BuildRun(cApp& app) {
    ProcessRec& p = gProcess(1);
    p.First_Layer = 1;
    p.Number_Layers = 1;
    p.Number_Act_Layers = 8;
    for (int16_t c = 0; c <= 7; ++c) {
        const int16_t L = static_cast<int16_t>(c + 1);
        LayerRec& l = gLayer(L);
        l.Channel = c;
        l.Output = c;
        l.Film_Number = L;
        l.Next_Layer = -1;
        l.CoDep_Layer = c < 7 ? static_cast<int16_t>(L + 1) : int16_t{-1};
        gFilm(L).Film_Name = QStringLiteral("Film %1").arg(L);
    }
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

void BM_FourGraphsPerReading(benchmark::State& state) {
    cApp& app = ProgramObjects::CreateApp();
    BuildRun(app);
    for (int16_t g = 0; g <= 3; ++g) {
        GraphRec& r = gGraph(g);
        r.Caption = QStringLiteral("Graph %1").arg(g + 1);
        r.Data = GraphDataKind::Sensor;
        r.Channels = 0xFF;
        r.XPoints = kPoints;
        r.XScroll = 0;  // Strip
        r.XWidth = 179;  // a point spacing a little under one reading
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
    for (; k < kPoints; ++k) {
        const std::vector<double> v = Readings(k);
        for (int16_t g = 0; g <= 3; ++g) gGraphForm(g)->GraphReading(k * kTick, v);
    }
    QApplication::processEvents();

    std::vector<double> ms;
    QElapsedTimer timer;
    for (auto _ : state) {
        const std::vector<double> v = Readings(k);
        timer.start();
        for (int16_t g = 0; g <= 3; ++g) gGraphForm(g)->GraphReading(k * kTick, v);
        QApplication::processEvents();
        ms.push_back(timer.nsecsElapsed() / 1e6);
        ++k;
    }
    std::sort(ms.begin(), ms.end());
    const auto at = [&](double q) { return ms[std::min(ms.size() - 1, static_cast<size_t>(q * ms.size()))]; };
    state.counters["median_ms"] = at(0.5);
    state.counters["p95_ms"] = at(0.95);
    state.counters["max_ms"] = ms.back();
    if (gGraphForm(0)->moGraph->Data().LastPoint() < kPoints - 25) state.SkipWithError("the charts stopped taking points");

    ProgramObjects::ReleaseAll();
    QApplication::processEvents();
}
BENCHMARK(BM_FourGraphsPerReading)->Unit(benchmark::kMillisecond)->Iterations(400);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
