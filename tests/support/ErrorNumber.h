#pragma once
// The number of the RuntimeError that a call raises, 0 when it raises none: lets a test
// check the original's error numbers in one line.
#include "platform/RuntimeError.h"

#include <functional>

inline int ErrorNumber(const std::function<void()>& call) {
    try {
        call();
    } catch (const RuntimeError& e) {
        return e.number;
    }
    return 0;
}
