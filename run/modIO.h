#pragma once
// The relay-output and digital-input maps of the active process: the function code of
// each of the twelve relay outputs and of the twelve digital inputs (0 = not assigned).
// They are replaced whenever a process is selected (modDB::IOLoad) and edited by the
// system setup window.
#include "platform/BoundedArray.h"

#include <cstdint>

// The function code (OutputFunctionCode) of each relay output.
extern BoundedArray<int16_t, 0, 11> OutputFunction;
// The function code (InputFunctionCode) of each digital input.
extern BoundedArray<int16_t, 0, 11> InputFunction;

namespace modIO {

// Write or read OutputFunction(i); an index outside 0..11 raises the subscript error.
void SetOutputFunction(int16_t i, int16_t code);
int16_t GetOutputFunction(int16_t i);
// The lowest relay output whose function is code; -1 when none has it.
int16_t FindOutputFunction(int16_t code);

// The same for InputFunction.
void SetInputFunction(int16_t i, int16_t code);
int16_t GetInputFunction(int16_t i);
int16_t FindInputFunction(int16_t code);

}  // namespace modIO
