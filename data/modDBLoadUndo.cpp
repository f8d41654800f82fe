// What a load changes in the program, kept so that a load undone by a lock leaves the
// program as it was.
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
    // The maps belong to the run control; without it (the data layer alone) there are none.
    std::optional<IOMaps> maps = IOMapsHeld() ? std::optional<IOMaps>(HeldIOMaps()) : std::nullopt;
    dao::Database db = gDB;
    QString file = DBFile;
    UnreadCellsKept unread;
};

LoadUndo::LoadUndo() : kept_(std::make_unique<Kept>()) {}

LoadUndo::~LoadUndo() = default;

void LoadUndo::PutBack() const {
    gProcess = kept_->processes;
    gLayer = kept_->layers;
    gFilm = kept_->films;
    gGraph = kept_->graphs;
    if (kept_->maps) SetHeldIOMaps(*kept_->maps);
    gDB = kept_->db;
    DBFile = kept_->file;
    kept_->unread.PutBack();
}

}  // namespace modDB
