#pragma once
// One action of the process tree window (a cut, a paste, a rename, opening, closing, the
// Cancel that gives everything back), whole or not at all.
//
// Every row the action writes goes to the file in one transaction, so a program killed
// at any moment leaves the file as it was before the action or as it is after it, never
// with a chain halfway changed. An action that fails on the way (a row the file refuses,
// a chain error: anything the error handler reports meanwhile) is undone in the file and
// in memory: the process and layer records, what Cancel would give back, and the maps of
// the active process when the action read others. The failure itself has been reported
// where it happened.
//
// Actions nest: one begun inside another (closing the window inside Cancel) is part of it.
#include "data/ProcessRec.h"
#include "editors/ProcessUndo.h"
#include "platform/BoundedArray.h"

#include <QMetaObject>
#include <memory>

class TreeAction {
public:
    explicit TreeAction(ProcessUndo& undo);
    // An action not stored by then is undone.
    ~TreeAction();
    TreeAction(const TreeAction&) = delete;
    TreeAction& operator=(const TreeAction&) = delete;

    // Stores the action; false when it failed (or its commit did) and was undone.
    bool Store();

private:
    void Undo();

    ProcessUndo& undo_;
    ProcessUndo undoBefore_;
    std::unique_ptr<BoundedArray<ProcessRec, 1, 25>> processes_;
    std::unique_ptr<BoundedArray<LayerRec, 1, 250>> layers_;
    bool open_ = false;
    bool failed_ = false;
    QMetaObject::Connection reported_;
};
