#pragma once
// The relay and input maps of the active process: the function of each of the unit's
// twelve relay outputs and twelve digital inputs (0 = not assigned). They are replaced
// whenever a process is selected (modDB::IOLoad) and edited by the system setup window.
#include "platform/BoundedArray.h"

#include <cstdint>

namespace modIO {

// OutputFunctionCode of relay output i (0..11).
extern BoundedArray<int16_t, 0, 11> OutputFunction;
// InputFunctionCode of digital input i (0..11).
extern BoundedArray<int16_t, 0, 11> InputFunction;

// An index outside 0..11 raises "Subscript out of range" to the caller.
void SetOutputFunction(int16_t i, int16_t code);
int16_t GetOutputFunction(int16_t i);
// The lowest relay output whose function is code; -1 when none has it.
int16_t FindOutputFunction(int16_t code);

void SetInputFunction(int16_t i, int16_t code);
int16_t GetInputFunction(int16_t i);
// The lowest digital input whose function is code; -1 when none has it.
int16_t FindInputFunction(int16_t code);

}  // namespace modIO
