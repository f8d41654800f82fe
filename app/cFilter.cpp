#include "app/cFilter.h"

#include <algorithm>

cFilter::cFilter() : values_(2, 0.0) {}

void cFilter::setSize(int32_t lValue) {
    if (lValue <= 0) return;
    const double average = Average();
    const int32_t old = size_;
    size_ = lValue;
    values_.resize(static_cast<size_t>(lValue) + 1, 0.0);
    if (position_ >= size_) {
        position_ = size_;
        full_ = true;
    } else {
        for (int32_t i = old; i <= size_; ++i) values_[static_cast<size_t>(i)] = average;
    }
}

double cFilter::Average() const {
    if (position_ < 1) return 0.0;
    const int32_t count = full_ ? size_ : position_;
    double sum = 0.0;
    for (int32_t i = 1; i <= count; ++i) sum += values_[static_cast<size_t>(i)];
    return sum / count;
}

void cFilter::Push(double dValue) {
    position_ = position_ % size_ + 1;
    values_[static_cast<size_t>(position_)] = dValue;
    if (position_ == size_) full_ = true;
}

double cFilter::Last(int32_t Index) const {
    if (Index < 0 || Index > size_) return 0.0;
    return values_[static_cast<size_t>(position_)];
}

void cFilter::Clear() {
    std::fill(values_.begin(), values_.end(), 0.0);
    position_ = 0;
    full_ = false;
}

void cFilter::Fill(double dValue) {
    std::fill(values_.begin() + 1, values_.end(), dValue);
    full_ = true;
    position_ = 1;
}
