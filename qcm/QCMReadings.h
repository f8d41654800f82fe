#pragma once
// The arrays that the quartz facade hands to its listeners with each reading.
#include "platform/BoundedArray.h"

// One quartz reading of the four monitors: element = quantity * 4 + monitor (monitors
// 0..3), quantities 0 rate (A/s), 1 thickness (A), 2 frequency (Hz), 3 crystal life (%).
using QCMReadingArray = BoundedArray<double, 0, 15>;

// The element of a quartz reading for monitor 0..3 and quantity 0..3.
constexpr int QCMReadingIndex(int monitor, int quantity) { return quantity * 4 + monitor; }

// The four analog inputs of the quartz card (inputs 1..4 at 0..3).
using VeskReadingArray = BoundedArray<double, 0, 3>;
