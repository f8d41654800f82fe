#pragma once
// The ring under cFilter and cRdgBuff: slots 1..Size hold the values, slot 0 is never
// written, and a position of 0 means "no value yet". Pushing moves the position forward
// and wraps at Size; the ring is full once the position has reached Size.
#include <algorithm>
#include <cstdint>
#include <vector>

template <typename T>
class RingSlots {
public:
    RingSlots() : slots_(2) {}

    int32_t Size() const { return size_; }
    int32_t Position() const { return position_; }
    bool Full() const { return full_; }

    // The slot's value; index must lie in 0..Size.
    const T& operator[](int32_t index) const { return slots_[static_cast<size_t>(index)]; }
    T& operator[](int32_t index) { return slots_[static_cast<size_t>(index)]; }

    // Resizes keeping slots 1..min(old, new); callers ignore sizes of 0 or less. When the
    // newest value lies beyond the new size the ring becomes full at the new size.
    void Resize(int32_t size) {
        size_ = size;
        slots_.resize(static_cast<size_t>(size) + 1);
        if (position_ >= size_) {
            position_ = size_;
            full_ = true;
        }
    }

    void Push(const T& value) {
        position_ = position_ % size_ + 1;
        slots_[static_cast<size_t>(position_)] = value;
        if (position_ == size_) full_ = true;
    }

    void Clear() {
        std::fill(slots_.begin(), slots_.end(), T());
        position_ = 0;
        full_ = false;
    }

    // Every slot takes value; the ring is full with position 1.
    void Fill(const T& value) {
        std::fill(slots_.begin() + 1, slots_.end(), value);
        full_ = true;
        position_ = 1;
    }

private:
    std::vector<T> slots_;
    int32_t size_ = 1;
    int32_t position_ = 0;
    bool full_ = false;
};
