#include "data/FilmRec.h"
#include "data/GraphRec.h"
#include "data/ProcessRec.h"

BoundedArray<ProcessRec, 1, 25> gProcess;
BoundedArray<LayerRec, 1, 250> gLayer;
BoundedArray<FilmRec, 1, 25> gFilm;
BoundedArray<GraphRec, 0, 3> gGraph;
