// Cost of one control tick of the phase machine in DEPOSIT with eight co-deposited
// channels: the end prediction and time set point of every channel, its rate set point
// (with a layer rate ramp), its PID step, and the power outputs queued on the unit link.
#include "app/SettingsGlobals.h"
#include "app/cApp.h"
#include "data/FilmRec.h"
#include "data/ProcessRec.h"
#include "run/ChannelData.h"
#include "run/PhaseCode.h"
#include "run/modIO.h"
#include "run/modPhases.h"
#include "unit/cORUN.h"
#include "run/ProgramObjects.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>

namespace {

// Process 1, one step: channel c deposits layer c + 1 (film c + 1, output c).
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
        l.Thick = 100.0;
        l.TimeSetPt = 3600;
        l.Ramp1Thick = 50.0;
        l.Ramp1Rate = 3.0;
        l.Ramp1Time = 60;
        FilmRec& f = gFilm(L);
        f.Input_Type = 0;
        f.QCM_NUMBER = -1;
        f.QCM_CALFACTOR = 1.0;
        f.UnitsCal = 1.0;
        f.PTerm = 20.0;
        f.ITerm = 2.0;
        f.DTerm = 0.1;
        f.SLEW_RATE = 10.0;
        f.Filter = 10;
        f.FULL_SCALE = 10.0;
        f.Max_Power = 100.0;
        gChanUser(c) = 1.9;
    }
    modIO::SetOutputFunction(4, 11);  // "Time Setpoint"
    app.BuildProcess(1);
    app.setProcLayer(1);
    unit.setEnabled(true);  // the powers are queued as on a live link
    app.setPhase(PhaseCode::Deposit);
    DELTA.fill(0);
}

void BM_DoPhaseDepositEightChannels(benchmark::State& state) {
    cApp& app = ProgramObjects::CreateApp();
    cORUN& unit = ProgramObjects::CreateUnit();
    BuildRun(app, unit);
    double wobble = 0.0;
    for (auto _ : state) {
        for (int16_t c = 0; c <= 7; ++c) gChanUser(c) = 1.9 + wobble;
        modPhases::DoPhase();
        wobble = wobble > 0.05 ? 0.0 : wobble + 0.001;
    }
    if (app.Phase() != PhaseCode::Deposit) state.SkipWithError("the run left DEPOSIT");
    ProgramObjects::ReleaseAll();
}
BENCHMARK(BM_DoPhaseDepositEightChannels)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication qapp(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
