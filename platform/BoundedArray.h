#pragma once
// An array addressed by the original's own index range (e.g. 1 To 25), so no index is
// ever shifted by hand. An index outside the range raises "Subscript out of range"
// instead of touching memory that is not the array's.
#include "platform/RuntimeError.h"
#include <array>

template <typename T, int Lo, int Hi>
class BoundedArray {
    static_assert(Hi >= Lo, "empty range");

public:
    static constexpr int lower = Lo;
    static constexpr int upper = Hi;
    static constexpr int count = Hi - Lo + 1;

    static constexpr bool inRange(int i) { return i >= Lo && i <= Hi; }

    T& operator()(int i) {
        check(i);
        return items_[static_cast<size_t>(i - Lo)];
    }
    const T& operator()(int i) const {
        check(i);
        return items_[static_cast<size_t>(i - Lo)];
    }
    T& operator[](int i) { return (*this)(i); }
    const T& operator[](int i) const { return (*this)(i); }

    void fill(const T& v) { items_.fill(v); }
    auto begin() { return items_.begin(); }
    auto end() { return items_.end(); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

private:
    static void check(int i) {
        if (!inRange(i)) throw RuntimeError::SubscriptOutOfRange();
    }
    std::array<T, count> items_{};
};
