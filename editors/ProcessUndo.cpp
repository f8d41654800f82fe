#include "editors/ProcessUndo.h"

#include "data/modDB.h"

void ProcessUndo::Baseline() {
    for (int16_t p = 1; p <= 25; ++p)
        if (!touchedProcesses_.contains(p)) processes_(p) = gProcess(p);
    for (int16_t l = 1; l <= 250; ++l)
        if (!touchedLayers_.contains(l)) layers_(l) = gLayer(l);
}

void ProcessUndo::TouchProcess(int16_t p) {
    if (touchedProcesses_.insert(p).second) modDB::KeepRow(QStringLiteral("Processes"), p);
}

void ProcessUndo::TouchLayer(int16_t l) {
    if (touchedLayers_.insert(l).second) modDB::KeepRow(QStringLiteral("Layers"), l);
}

void ProcessUndo::TouchMaps(int16_t p) {
    if (!touchedMaps_.insert(p).second) return;
    modDB::KeepRow(QStringLiteral("IO"), p);
    modDB::KeepRow(QStringLiteral("Graphs"), p);
}

void ProcessUndo::Restore(int16_t active) {
    for (int16_t l : touchedLayers_) {
        gLayer(l) = layers_(l);
        modDB::PutRowBack(QStringLiteral("Layers"), l);
    }
    for (int16_t p : touchedProcesses_) {
        gProcess(p) = processes_(p);
        modDB::PutRowBack(QStringLiteral("Processes"), p);
    }
    for (int16_t p : touchedMaps_) {
        modDB::PutRowBack(QStringLiteral("IO"), p);
        modDB::PutRowBack(QStringLiteral("Graphs"), p);
    }
    if (touchedMaps_.contains(active)) {
        modDB::IOLoad(active);
        modDB::GraphLoad(active);
    }
    touchedProcesses_.clear();
    touchedLayers_.clear();
    touchedMaps_.clear();
}
