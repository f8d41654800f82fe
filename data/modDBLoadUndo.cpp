// What a load changes in the program, kept so that a load undone by a lock leaves the
// program as it was.
#include "app/Hooks.h"
#include "app/SettingsGlobals.h"
#include "data/FilmRec.h"
#include "data/GraphRec.h"
#include "data/ProcessRec.h"
#include "data/UnreadCells.h"
#include "data/modDB.h"

namespace modDB {

struct LoadUndo::Kept {
    BoundedArray<ProcessRec, 1, 25> processes = gProcess;
    BoundedArray<LayerRec, 1, 250> layers = gLayer;
    BoundedArray<FilmRec, 1, 25> films = gFilm;
    BoundedArray<GraphRec, 0, 3> graphs = gGraph;
    std::array<int16_t, 24> maps{};
    bool mapsKept = false;
    dao::Database db = gDB;
    QString file = DBFile;
    UnreadCellsKept unread;
};

LoadUndo::LoadUndo() : kept_(std::make_unique<Kept>()) {
    // The maps belong to the run control; without it (the data layer alone) there are none.
    if (Hooks::GetIOFunction && Hooks::SetIOFunction) {
        for (int16_t i = 0; i <= 11; ++i) {
            kept_->maps[static_cast<size_t>(i)] = Hooks::GetIOFunction(true, i);
            kept_->maps[static_cast<size_t>(12 + i)] = Hooks::GetIOFunction(false, i);
        }
        kept_->mapsKept = true;
    }
}

LoadUndo::~LoadUndo() = default;

void LoadUndo::PutBack() const {
    gProcess = kept_->processes;
    gLayer = kept_->layers;
    gFilm = kept_->films;
    gGraph = kept_->graphs;
    if (kept_->mapsKept) {
        for (int16_t i = 0; i <= 11; ++i) {
            Hooks::SetIOFunction(true, i, kept_->maps[static_cast<size_t>(i)]);
            Hooks::SetIOFunction(false, i, kept_->maps[static_cast<size_t>(12 + i)]);
        }
    }
    gDB = kept_->db;
    DBFile = kept_->file;
    kept_->unread.PutBack();
}

}  // namespace modDB
