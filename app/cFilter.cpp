#include "app/cFilter.h"

cFilter::cFilter() = default;

void cFilter::setSize(int32_t lValue) {
    if (lValue <= 0) return;
    const double average = Average();
    const int32_t old = ring_.Count();
    ring_.Resize(lValue);
    if (ring_.Position() < ring_.Count()) {
        for (int32_t i = old; i <= lValue; ++i) ring_[i] = average;
    }
}

double cFilter::Average() const {
    if (ring_.Position() < 1) return 0.0;
    const int32_t count = ring_.Full() ? ring_.Count() : ring_.Position();
    double sum = 0.0;
    for (int32_t i = 1; i <= count; ++i) sum += ring_[i];
    return sum / count;
}

void cFilter::Push(double dValue) { ring_.Push(dValue); }

double cFilter::Last(int32_t Index) const {
    if (Index < 0 || Index > ring_.Count()) return 0.0;
    return ring_[ring_.Position()];
}

void cFilter::Clear() { ring_.Clear(); }

void cFilter::Fill(double dValue) { ring_.Fill(dValue); }
