#pragma once
// The layer chains of the processes as their links give them, and what is wrong with a
// chain that is damaged.
//
// A process's chain starts at First_Layer and goes from each record to its Next_Layer,
// or, where that is not set (below 1), to its CoDep_Layer, until neither is set. A sound
// chain holds Number_Act_Layers records in Number_Layers steps (a record reached through
// CoDep_Layer belongs to the step before it), every record in use and in no other
// process. A process counting no records and no steps is empty, whatever First_Layer
// still names.
//
// A chain is damaged when it names a record that does not exist or is free, returns to a
// record it passed, reaches a record an earlier process's chain holds, or holds other
// counts than the process record gives. Files written row by row without transactions,
// by a program killed midway, hold such chains; a damaged process is never run, and the
// process tree stores it as walked: up to the first bad link, with the counts of what it
// walked. The processes are walked in their order, so a record in two chains stays with
// the one of the lower number.
#include <QString>
#include <cstdint>
#include <vector>

namespace modDB {

// One record of a chain in chain order; coDep when a CoDep_Layer link reached it.
struct ChainRecord {
    int16_t layer = 0;
    bool coDep = false;
};

struct ChainWalk {
    std::vector<ChainRecord> records;  // as far as the links are sound
    int16_t steps = 0;
    // What is wrong, as a clause of a sentence ("its chain names layer record 9, which
    // is free"); empty for a sound chain.
    QString damage;
    // The walk stopped at a bad link of its last record (or of First_Layer): the repair
    // ends the chain there.
    bool badLink = false;
};

// The chains of processes 1..25 (index 0 is unused), from the records in memory.
std::vector<ChainWalk> WalkChains();
// The other records of the step that layer record l belongs to, in the chain that holds
// it; none when no chain holds it.
std::vector<int16_t> StepPartners(int16_t l);
// What is wrong with process p's chain; empty when it is sound (or p names no process).
QString ChainDamage(int16_t p);
// The message that refuses to run process p, naming it and what is wrong with its chain;
// empty when it may run.
QString RunRefusal(int16_t p);
// Shows one message naming every damaged process and what is wrong with each; nothing
// when every chain is sound. The load of a database calls it.
void ReportDamagedChains();
// Makes damaged process p's chain what its walk found: First_Layer and the counts of the
// records walked, the bad link of the last one cut. Changes memory only, so the caller
// writes the process record and the layer records added to changedLayers. False (and
// nothing changed) when the chain is sound.
bool RepairChain(int16_t p, const ChainWalk& walk, std::vector<int16_t>& changedLayers);

}  // namespace modDB
