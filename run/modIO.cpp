#include "run/modIO.h"

BoundedArray<int16_t, 0, 11> OutputFunction;
BoundedArray<int16_t, 0, 11> InputFunction;

namespace modIO {

namespace {

template <typename Map>
int16_t FindFunction(const Map& map, int16_t code) {
    for (int i = Map::lower; i <= Map::upper; ++i) {
        if (map(i) == code) return static_cast<int16_t>(i);
    }
    return -1;
}

}  // namespace

void SetOutputFunction(int16_t i, int16_t code) { OutputFunction(i) = code; }
int16_t GetOutputFunction(int16_t i) { return OutputFunction(i); }
int16_t FindOutputFunction(int16_t code) { return FindFunction(OutputFunction, code); }

void SetInputFunction(int16_t i, int16_t code) { InputFunction(i) = code; }
int16_t GetInputFunction(int16_t i) { return InputFunction(i); }
int16_t FindInputFunction(int16_t code) { return FindFunction(InputFunction, code); }

}  // namespace modIO
