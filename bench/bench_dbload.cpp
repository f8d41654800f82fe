// DBLoad of a full recipe database: 25 processes of 10 layers each, every film in use.
// The figure to keep: well under 50 ms per load. And the Save As that writes it all back.
// Then the start-up's database step (the check, then the load) on a full Access (Jet)
// database, which it carries over, beside the same step on its SQLite twin. The figure
// to keep: the Access file carried over well within 1 s.
#include "app/SettingsGlobals.h"
#include "data/FilmRec.h"
#include "data/ProcessRec.h"
#include "data/RecipeTemplate.h"
#include "data/modDB.h"
#include "platform/Dialogs.h"
#include "platform/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
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

// A fresh copy of a file of tests/data/jet as the station's database, for each round.
void StartupLoad(benchmark::State& state, const char* fixture) {
    const QString from = QStringLiteral(ORUN_SOURCE_DIR "/tests/data/jet/") + QLatin1String(fixture);
    const QString file = QFileInfo(gFile).absolutePath() + QStringLiteral("/Station.MDB");
    for (auto _ : state) {
        state.PauseTiming();
        modDB::gDB = dao::Database();
        for (const QString& name : QDir(QFileInfo(file).absolutePath()).entryList({QStringLiteral("Station*")}))
            QFile::remove(QFileInfo(file).absolutePath() + '/' + name);
        if (!QFile::copy(from, file) || !QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
            state.SkipWithError("no copy of the database");
            return;
        }
        state.ResumeTiming();
        if (!modDB::DatabaseProblem(file).isEmpty()) {
            state.SkipWithError("the database was refused");
            return;
        }
        modDB::DBLoad(file);
    }
    if (DBFile != file || gLayer(250).Film_Number != 25) state.SkipWithError("the database did not load");
}
void BM_StartupLoadAccessFile(benchmark::State& state) { StartupLoad(state, "full-jet4.mdb"); }
BENCHMARK(BM_StartupLoadAccessFile)->Unit(benchmark::kMillisecond);
void BM_StartupLoadSqliteTwin(benchmark::State& state) { StartupLoad(state, "full.sqlite"); }
BENCHMARK(BM_StartupLoadSqliteTwin)->Unit(benchmark::kMillisecond);

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
