// The grids of the "X Chan.", "Film" and "Film Cal." tabs: their layouts, without rows
// yet. Each grid's rows, when added to its cycle, are shown, edited and stored by the
// shared cycle; the film grids already show each commit in the other editor.
#include "editors/frmLayerFilm.h"

#include "editors/GridCycle.h"

void frmLayerFilm::SetupGridXChan() { cycXChan->Setup("X Chan"); }
void frmLayerFilm::SetupGridRatio() { cycRatio->Setup("Ratio Display", 70, 30, -1); }
void frmLayerFilm::SetupGridDeposit() { cycDeposit->Setup("DEPOSIT"); }
void frmLayerFilm::SetupGridPrePost() { cycPrePost->Setup("CONDITION"); }
void frmLayerFilm::SetupGridORUN() { cycORUN->Setup("CALIBRATION"); }
void frmLayerFilm::SetupGridQCM() { cycQCM->Setup("QCM"); }

void frmLayerFilm::LoadGridXChan() { cycXChan->Load(); }
void frmLayerFilm::LoadGridRatio() { cycRatio->Load(); }
void frmLayerFilm::LoadGridDeposit() { cycDeposit->Load(); }
void frmLayerFilm::LoadGridPrePost() { cycPrePost->Load(); }
void frmLayerFilm::LoadGridORUN() { cycORUN->Load(); }
void frmLayerFilm::LoadGridQCM() { cycQCM->Load(); }

// The rows by input type come with the calibration grids' rows.
void frmLayerFilm::InitGridRows() {}
