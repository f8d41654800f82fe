#include "app/cRdgBuff.h"

#include "app/VBConv.h"

cRdgBuff gRdgBuff;

cRdgBuff::cRdgBuff() = default;

void cRdgBuff::setSize(int32_t lValue) {
    if (lValue <= 0) return;
    ring_.Resize(lValue);
}

void cRdgBuff::Push(const QString& sValue) { ring_.Push(sValue); }

QVariant cRdgBuff::Reading(int32_t Index) const {
    if (Index < 0 || Index > ring_.Count()) return QVariant();
    return QVariant(ring_[Index]);
}

void cRdgBuff::Clear() { ring_.Clear(); }

void cRdgBuff::Fill(double dValue) { ring_.Fill(vb::CStr(dValue)); }
