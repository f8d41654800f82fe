// Cost of one control tick's channel calculations for eight co-deposited channels: the
// user-unit rate with cross-channel correction, deviation, ratio, thickness and the PID
// step of every channel.
#include "app/PhaseCode.h"
#include "app/SettingsGlobals.h"
#include "app/cApp.h"
#include "data/FilmRec.h"
#include "data/ProcessRec.h"
#include "app/ChannelData.h"
#include "run/ProgramObjects.h"
#include "run/modCalculations.h"
#include "unit/cORUN.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>

namespace {

// Process 1, one step: channel c deposits layer c + 1 (film c + 1, output c) in DEPOSIT,
// each with one cross channel and a ratio channel.
void BuildRun(cApp& app, cORUN& unit) {
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
        l.Rate = 2.0;
        l.XChMode = static_cast<int16_t>(c % 2);
        l.XCH1 = static_cast<int16_t>((c + 1) % 8);
        l.XCh1Percent = 5.0;
        l.XCH2 = l.XCH3 = l.XCH4 = -1;
        l.RatioChan = static_cast<int16_t>((c + 2) % 8);
        l.ChanMult = 1.0;
        l.RatioMult = 1.0;
        FilmRec& f = gFilm(L);
        f.Input_Type = 0;
        f.QCM_CALFACTOR = 1.1;
        f.UnitsCal = 1.0;
        f.PTerm = 20.0;
        f.ITerm = 2.0;
        f.DTerm = 0.1;
        f.SLEW_RATE = 10.0;
        unit.setFullScale(c, 10.0);
        unit.setMaxPower(c, 100.0);
        unit.setPower(c, 20.0);
        gChanRateFilter(c).setSize(10);
        gChanRatioFilter(c).setSize(10);
        for (int n = 0; n < 10; ++n) gChanRateFilter(c).Push(1.8 + 0.01 * n);
        gChanReading(c) = 1.9;
    }
    app.BuildProcess(1);
    app.setProcLayer(1);
    app.setPhase(PhaseCode::Deposit);
    for (int16_t c = 0; c <= 7; ++c) app.setChanPhase(c, PhaseCode::Deposit);
    DELTA.fill(0);
}

void BM_ControlTickEightChannels(benchmark::State& state) {
    cApp& app = ProgramObjects::CreateApp();
    cORUN& unit = ProgramObjects::CreateUnit();
    BuildRun(app, unit);
    double wobble = 0.0;
    for (auto _ : state) {
        for (int16_t c = 0; c <= 7; ++c) {
            gChanReading(c) = 1.9 + wobble;
            gChanUser(c) = modCalculations::CalcChanUser(c);
            gChanDev(c) = modCalculations::CalcChanDev(c);
            gChanRatio(c) = modCalculations::CalcChanRatio(c);
            gChanTotal(c) = modCalculations::CalcChanThick(c);
            double dev = gLayer(c + 1).Rate - gChanUser(c);
            unit.setPower(c, modCalculations::CalcPIDPower(dev, 0.1, c));
        }
        wobble = wobble > 0.05 ? 0.0 : wobble + 0.001;
    }
    ProgramObjects::ReleaseAll();
}
BENCHMARK(BM_ControlTickEightChannels)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication qapp(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
