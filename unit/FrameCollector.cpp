#include "unit/FrameCollector.h"

bool FrameCollector::CheckOk() const {
    const int n = last_;
    // "!", the length character, the blank and two check characters at least.
    if (n < 5 || n > kCapacity) return false;
    if (buf_[0] != OrunFrame::kStart) return false;
    if (buf_[1] - 34 != n - 3) return false;
    uint8_t check[2];
    if (!OrunFrame::FrameCrc(buf_, static_cast<size_t>(n - 2), check)) return false;
    return check[0] == buf_[n - 2] && check[1] == buf_[n - 1];
}

QByteArrayView FrameCollector::Slice(int from) const {
    // The text runs to offset Count - 4 (the blank is at Count - 3), within what was stored.
    int end = last_ - 4;
    if (end > kCapacity - 1) end = kCapacity - 1;
    if (end < from) return {};
    return QByteArrayView(reinterpret_cast<const char*>(buf_) + from, end - from + 1);
}
