#include "run/modIO.h"

BoundedArray<int16_t, 0, 11> OutputFunction;

namespace modIO {

void SetOutputFunction(int16_t i, int16_t code) { OutputFunction(i) = code; }

int16_t GetOutputFunction(int16_t i) { return OutputFunction(i); }

}  // namespace modIO
