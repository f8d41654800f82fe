#include "app/cRdgBuff.h"

#include "app/VBConv.h"

#include <algorithm>

cRdgBuff gRdgBuff;

cRdgBuff::cRdgBuff() : texts_(2) {}

void cRdgBuff::setSize(int32_t lValue) {
    if (lValue <= 0) return;
    size_ = lValue;
    texts_.resize(static_cast<size_t>(lValue) + 1);
    if (position_ >= size_) {
        position_ = size_;
        full_ = true;
    }
}

void cRdgBuff::Push(const QString& sValue) {
    position_ = position_ % size_ + 1;
    texts_[static_cast<size_t>(position_)] = sValue;
    if (position_ == size_) full_ = true;
}

QVariant cRdgBuff::Reading(int32_t Index) const {
    if (Index < 0 || Index > size_) return QVariant();
    return QVariant(texts_[static_cast<size_t>(Index)]);
}

void cRdgBuff::Clear() {
    std::fill(texts_.begin(), texts_.end(), QString());
    position_ = 0;
    full_ = false;
}

void cRdgBuff::Fill(double dValue) {
    const QString text = vb::CStr(dValue);
    std::fill(texts_.begin() + 1, texts_.end(), text);
    full_ = true;
    position_ = 1;
}
