#pragma once
// What the process tree window's Cancel gives back: every process and layer record the
// window changed, in memory as it was before the window's first change of it, and in the
// file as its row was then; and the relay/input and graph rows of a process that a paste
// replaced. Records the window never changed are left alone, so values edited meanwhile
// in the layer editor stay. The window reports each record it changes before writing it.
#include "data/ProcessRec.h"
#include "platform/BoundedArray.h"

#include <cstdint>
#include <set>

class ProcessUndo {
public:
    // Takes the records not changed yet as they stand now: a change made next is undone
    // to this.
    void Baseline();
    // The window is about to write a record it changed.
    void TouchProcess(int16_t p);
    void TouchLayer(int16_t l);
    // The window is about to replace (or, reading them, to add) the relay/input and graph
    // rows of process p.
    void TouchMaps(int16_t p);
    // Puts every changed record and row back, then loads the active process's maps again
    // when they were among them; afterwards nothing is changed.
    void Restore(int16_t active);
    // How many processes' maps were reported.
    size_t MapsTouched() const { return touchedMaps_.size(); }

private:
    BoundedArray<ProcessRec, 1, 25> processes_{};
    BoundedArray<LayerRec, 1, 250> layers_{};
    std::set<int16_t> touchedProcesses_, touchedLayers_, touchedMaps_;
};
