#pragma once
// The layer chains of the processes, over the record arrays gProcess and gLayer.
//
// A process's First_Layer names its first layer record; each record links to the next one
// by Next_Layer (the next layer starts a new step) or by CoDep_Layer (the next layer is
// deposited together with this one), or by neither when it is the last. A link counts as
// present when it is 1 or more; one that is not set holds -1. Number_Layers counts the
// steps, Number_Act_Layers all records of the chain. A free record has Film_Number -1.
//
// Both the process tree (its nodes) and its clipboard (cut, copy, paste) work on the
// chains through this one class. Every layer record that an operation changes is handed
// to the store at once; the process record is the caller's to write, except where a paste
// writes it itself (Below, Above). The caller makes each action one transaction, so the
// file never holds a chain halfway through an action.
//
// A damaged chain (a link outside 1..250, a loop) never hangs the program: the walks that
// look for a layer stop after 250 steps with an error, and Walk stops at the first bad
// link (data/ChainWalk.h).
#include "data/ChainWalk.h"
#include "data/ProcessRec.h"

#include <cstdint>
#include <functional>
#include <vector>

// Where a pasted layer goes, relative to the selected layer.
enum PasteMode : int16_t { PasteBelow = 0, PasteAbove = 1, PasteReplace = 2, PasteCoDep = 3 };

class LayerChain {
public:
    // One record of a chain in chain order; coDep when it was reached through a
    // CoDep_Layer link (it belongs to the step of the record before it).
    using Entry = modDB::ChainRecord;

    // The writes of changed records; the default writes through modDB.
    struct Store {
        std::function<void(int16_t)> layer;
        std::function<void(int16_t)> process;
    };

    static constexpr int16_t kNoFreeLayer = 251;

    LayerChain();
    explicit LayerChain(Store store) : store_(std::move(store)) {}

    // The records of process p in chain order, as far as its links are sound (none for an
    // empty process).
    std::vector<Entry> Walk(int16_t p) const;
    // Copies of those records, with the links they have.
    std::vector<LayerRec> Copy(int16_t p) const;

    // The record of process p that links to l; -1 when l is the first record or the
    // process has none (First_Layer -1). Error 9 when l is not in the chain.
    int16_t FindPrevLayer(int16_t p, int16_t l) const;

    // Takes record l out of p's chain, relinks its neighbours, updates the counts and
    // frees the record. Taking the last record leaves First_Layer -1 and both counts 0.
    void Cut(int16_t p, int16_t l);
    // Frees every record of p's chain and resets the process record (name "Process<p>",
    // First_Layer 0, counts and run number 0). Returns the freed records as they were.
    std::vector<LayerRec> Clear(int16_t p);

    // Gives the empty process p one layer of film 1 in the first free record (its other
    // fields as the record holds them); returns the record, or kNoFreeLayer when none is
    // free and the process stays empty. Writes the layer and the process.
    int16_t AddDefault(int16_t p);
    // Puts a copy of layer into the first free record, placed by mode relative to record
    // l of process p; returns the new record, or kNoFreeLayer when none is free (nothing
    // changes then).
    int16_t Paste(int16_t p, int16_t l, const LayerRec& layer, int16_t mode);
    // Puts copies of layers (chain order, with the links they had) into free records as
    // p's whole chain. When the free records run out the chain ends at the last one
    // placed; First_Layer and both counts always describe what was placed.
    void Place(int16_t p, const std::vector<LayerRec>& layers);

private:
    // The last record of the step that l belongs to.
    int16_t LastOfStep(int16_t p, int16_t l) const;
    // The last record of the step before l's step; -1 when l's step is the first.
    int16_t LastOfStepBefore(int16_t p, int16_t l) const;
    void SaveLayer(int16_t l) const;
    void SaveProcess(int16_t p) const;

    Store store_;
};
