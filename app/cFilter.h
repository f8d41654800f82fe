#pragma once
// Moving average of the last Size values of a double. Slots 1..Size hold the ring and
// slot 0 always holds 0, so a position of 0 means "no value yet".
#include "app/Ring.h"

#include <cstdint>

class cFilter {
public:
    cFilter();

    int32_t Size() const { return ring_.Count(); }
    // Resizes the ring. A value of 0 or less is ignored. When the newest value lies beyond
    // the new size the ring becomes full at the new size; otherwise the slots from the old
    // size up to the new one (both included) take the average before the resize.
    void setSize(int32_t lValue);

    // Mean of the stored values: of slots 1..position before the ring is full, of every
    // slot after; 0 when empty. Summed afresh on each call.
    double Average() const;

    void Push(double dValue);
    // The most recent value when 0 <= Index <= Size, else 0.
    double Last(int32_t Index) const;
    void Clear();
    // Every slot takes dValue; the ring is full with position 1.
    void Fill(double dValue);

private:
    Ring<double> ring_{1, 1};
};
