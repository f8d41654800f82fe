#pragma once
// The recipe database module: the one open database and the routines that move records
// between memory and their rows. Every routine runs on the user-interface thread.
#include "platform/Dao.h"

#include <QString>
#include <QVariant>
#include <cstdint>
#include <utility>
#include <vector>

namespace modDB {

// The open recipe database.
extern dao::Database gDB;

// Process records 1..25 (table Processes). A load adds a missing row first; a save
// writes into an existing row only. A load that fails leaves the record as it was.
void ProcessLoad(int16_t nProcess);
void ProcessSave(int16_t nProcess);
// Layer records 1..250 (table Layers).
void LayerLoad(int16_t nLayer);
void LayerSave(int16_t nLayer);
// Film records 1..25 (table Films).
void FilmLoad(int16_t nFilm);
void FilmSave(int16_t nFilm);

// ---- Shared by the table routines ----

// The error path of a database routine; call it inside the catch block. Shows each of
// the engine's errors ("Error number: " n CR description), then reports the error in
// flight through gErr.
void DBErrorPath();

// Adds one row to a table of gDB with the given columns set; every other column takes
// the table's default.
void AddRow(const QString& table, const std::vector<std::pair<QString, QVariant>>& columns);

}  // namespace modDB
