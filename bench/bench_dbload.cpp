// DBLoad of a full recipe database: 25 processes of 10 layers each, every film in use.
// The figure to keep: well under 50 ms per load. And the Save As that writes it all back.
#include "app/SettingsGlobals.h"
#include "data/FilmRec.h"
#include "data/ProcessRec.h"
#include "data/RecipeTemplate.h"
#include "data/modDB.h"
#include "platform/Dialogs.h"
#include "platform/ProgramFolder.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

// A database whose every process has a chain of ten layers on channels 0..7.
void MakeFullDatabase(const QString& file) {
    CreateUpgradeTemplate(file);
    modDB::DBLoad(file);
    for (int16_t p = 1; p <= 25; ++p) {
        const int16_t first = static_cast<int16_t>((p - 1) * 10 + 1);
        gProcess(p).Process_Name = QString("Process %1").arg(p);
        gProcess(p).First_Layer = first;
        gProcess(p).Number_Layers = 10;
        gProcess(p).Number_Act_Layers = 10;
        modDB::ProcessSave(p);
        for (int16_t n = first; n < first + 10; ++n) {
            LayerRec& l = gLayer(n);
            l.Layer_Number = n;
            l.Film_Number = p;
            l.Channel = static_cast<int16_t>(n % 8);
            l.Output = static_cast<int16_t>(n % 8);
            l.Next_Layer = n + 1 < first + 10 ? static_cast<int16_t>(n + 1) : int16_t(-1);
            l.CoDep_Layer = -1;
            l.Rate = 2.5;
            l.Thick = 1.25;
            l.Prompt = QString("Layer %1").arg(n);
            modDB::LayerSave(n);
        }
    }
}

QString gFile;

void BM_DBLoadFullDatabase(benchmark::State& state) {
    for (auto _ : state) {
        modDB::DBLoad(gFile);
        benchmark::DoNotOptimize(gLayer(250).Film_Number);
    }
    if (gLayer(250).Film_Number != 25 || DBFile != gFile) state.SkipWithError("the database did not load");
}
BENCHMARK(BM_DBLoadFullDatabase)->Unit(benchmark::kMillisecond);

// Save As onto the open file: all 300 records written.
void BM_DBSaveEveryRecord(benchmark::State& state) {
    for (auto _ : state) modDB::DBSave(gFile);
    if (DBFile != gFile) state.SkipWithError("the database was not saved");
}
BENCHMARK(BM_DBSaveEveryRecord)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    // One program folder with the template and the full database for every run.
    QTemporaryDir folder;
    SetProgramFolder(folder.path());
    SetDialogResponder([](const DialogRequest&) { return DialogAnswer{}; });
    CreateUpgradeTemplate(folder.path() + '/' + TemplateFileName());
    gFile = folder.path() + QStringLiteral("/ORUN.MDB");
    MakeFullDatabase(gFile);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    modDB::gDB = dao::Database();
    SetDialogResponder({});
    return 0;
}
