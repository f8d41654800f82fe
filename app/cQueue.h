#pragma once
// A circular first-in first-out queue of values of any type. M ring positions are used
// (0..M-1), so the queue holds at most M - 1 items; Size set to n makes M = n + 1.
// A value holding an object pointer keeps the object by reference, any other by copy.
// When the queue is full, appending drops the oldest item, so the newest always stay.
#include "app/Ring.h"

#include <QVariant>
#include <cstdint>

class cQueue {
public:
    cQueue();

    int16_t Size() const { return static_cast<int16_t>(ring_.Count()); }
    // M := intValue + 1. The queued items stay queued in their order; when more are queued
    // than the new size holds, the newest stay.
    void setSize(int16_t intValue);

    // Empties every slot; M is unchanged.
    void ClearQueue();
    // Removes the oldest item into varData; false (and an empty value) when empty.
    bool DeQueue(QVariant& varData);
    void EnQueue(const QVariant& varData);
    // The oldest item without removing it; false (and an empty value) when empty.
    bool Front(QVariant& varData);

private:
    Ring<QVariant> ring_{0, 100};
};

// The program's one trace queue; the start routine sets its size.
extern cQueue gQueue;
