#pragma once
// Reassembles frames of the unit protocol from bytes that arrive one at a time, in
// whatever pieces the transport delivers them. A "!" starts a frame, LF ends it; the
// buffer is bounded (256 bytes), and bytes past it are counted but dropped.
#include "unit/OrunFrame.h"

#include <QByteArrayView>
#include <cstdint>

class FrameCollector {
public:
    static constexpr int kCapacity = 256;
    // Bytes past the buffer are still counted, up to this bound.
    static constexpr int kCountLimit = 1 << 20;

    // Takes one byte. True when an LF closed a frame; the frame then stays readable through
    // the accessors below until the next byte is fed. An LF with nothing collected since
    // the last frame closes nothing.
    bool Feed(uint8_t byte) {
        if (byte == OrunFrame::kStart) fill_ = 0;
        if (byte != OrunFrame::kEnd) {
            if (fill_ < kCapacity) buf_[fill_] = byte;
            if (fill_ < kCountLimit) ++fill_;
            return false;
        }
        if (fill_ == 0) return false;
        last_ = fill_;
        fill_ = 0;
        return true;
    }

    // Bytes counted for the frame that closed (may exceed what was stored).
    int Count() const { return last_; }
    // Bytes of that frame actually stored.
    int Stored() const { return last_ < kCapacity ? last_ : kCapacity; }
    const uint8_t* Bytes() const { return buf_; }

    // The frame that closed is whole and sound: it starts with "!", all of it was stored,
    // its length character agrees with its size, and its check characters match.
    bool CheckOk() const;

    // The bytes between the length character and the blank (the frame's text).
    QByteArrayView Text() const { return Slice(2); }
    // The bytes from offset `from` up to, not including, the blank (empty when shorter).
    QByteArrayView Slice(int from) const;

private:
    uint8_t buf_[kCapacity] = {};
    int fill_ = 0;
    int last_ = 0;
};
