#pragma once
// The relay-output and digital-input maps of the active process: the function code of
// each of the twelve relay outputs and of the twelve digital inputs (0 = not assigned).
#include "platform/BoundedArray.h"

#include <cstdint>

// The function code (OutputFunctionCode) of each relay output.
extern BoundedArray<int16_t, 0, 11> OutputFunction;

namespace modIO {

// Write or read OutputFunction(i); an index outside 0..11 raises the subscript error.
void SetOutputFunction(int16_t i, int16_t code);
int16_t GetOutputFunction(int16_t i);

}  // namespace modIO
