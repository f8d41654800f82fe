#pragma once
// The one ring under the program's four rings: the moving average (cFilter), the reading
// ring (cRdgBuff), the trace queue (cQueue) and the link's command queue (cORUN). The ring
// moves positions; each owner keeps its own size rule.
//
// Slots First .. First + Count - 1 form the ring; the slots below First exist and are never
// written through the ring. A position moves to the next slot and wraps from the last one
// to First. Positions start at 0, which for a ring from slot 1 means "no value yet".
//
// Two ways of use:
// - a stream (Push): each value goes to the next slot; the ring is Full once its last slot
//   has been written. Readers address slots by their number.
// - a queue (Enqueue, Dequeue): Head is the slot before the oldest item, Tail the slot of
//   the newest; the queue is empty when they meet, so it holds at most Count - 1 items. A
//   full queue gives its oldest item up to a new one, so it never reads as empty.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

template <typename T>
class Ring {
public:
    Ring(int32_t first, int32_t count) : first_(first), count_(count), slots_(Storage(first, count)) {}

    int32_t Count() const { return count_; }
    int32_t Last() const { return first_ + count_ - 1; }
    // The slot after position.
    int32_t Next(int32_t position) const { return first_ + (position - first_ + 1) % count_; }

    // A slot by its number, 0 .. Last.
    const T& operator[](int32_t slot) const { return slots_[static_cast<size_t>(slot)]; }
    // A slot its owner may write: the ring no longer knows which slots hold values.
    T& operator[](int32_t slot) {
        written_ = slots_.size();
        return slots_[static_cast<size_t>(slot)];
    }

    // ---- Stream ----
    // The slot of the most recent value (0 before the first).
    int32_t Position() const { return tail_; }
    bool Full() const { return full_; }
    void Push(const T& value) {
        tail_ = Next(tail_);
        Write(tail_) = value;
        if (tail_ == Last()) full_ = true;
    }
    // Count becomes count (callers refuse sizes below 1), keeping the slots that remain.
    // When the newest value lies beyond the new last slot, the ring becomes full there.
    void Resize(int32_t count) {
        count_ = count;
        slots_.resize(Storage(first_, count));
        written_ = std::min(written_, slots_.size());
        if (tail_ >= Last()) {
            tail_ = Last();
            full_ = true;
        }
    }
    // Every ring slot takes value; the ring is full with its position at First.
    void Fill(const T& value) {
        std::fill(slots_.begin() + first_, slots_.end(), value);
        written_ = slots_.size();
        full_ = true;
        tail_ = first_;
    }

    // ---- Queue ----
    bool Empty() const { return head_ == tail_; }
    // The items waiting.
    int32_t Waiting() const { return ((tail_ - head_) % count_ + count_) % count_; }
    void Enqueue(const T& value) {
        tail_ = Next(tail_);
        if (tail_ == head_) {
            head_ = Next(head_);
            Write(head_) = T();
        }
        Write(tail_) = value;
    }
    // The oldest item, removed; false (and an empty value) when there is none.
    bool Dequeue(T& out) {
        if (Empty()) {
            out = T();
            return false;
        }
        head_ = Next(head_);
        out = slots_[static_cast<size_t>(head_)];
        return true;
    }
    // The oldest item, left in place; false (and an empty value) when there is none.
    bool Front(T& out) const {
        out = Empty() ? T() : (*this)[Next(head_)];
        return !Empty();
    }
    // Every waiting item, oldest first.
    template <typename Visit>
    void ForEachWaiting(Visit visit) const {
        for (int32_t slot = head_; slot != tail_;) {
            slot = Next(slot);
            visit(slots_[static_cast<size_t>(slot)]);
        }
    }

    // The same, each item open to be replaced in its place.
    template <typename Visit>
    void ForEachWaiting(Visit visit) {
        for (int32_t slot = head_; slot != tail_;) {
            slot = Next(slot);
            visit(slots_[static_cast<size_t>(slot)]);
        }
    }

    // Both ways: every slot emptied, positions back to 0, not full. Only the slots written
    // since the last Clear hold anything: the link's queues are cleared by every reply.
    void Clear() {
        std::fill(slots_.begin(), slots_.begin() + static_cast<std::ptrdiff_t>(written_), T());
        written_ = 0;
        head_ = tail_ = 0;
        full_ = false;
    }

private:
    static size_t Storage(int32_t first, int32_t count) { return static_cast<size_t>(first + count); }
    T& Write(int32_t slot) {
        written_ = std::max(written_, static_cast<size_t>(slot) + 1);
        return slots_[static_cast<size_t>(slot)];
    }

    int32_t first_;
    int32_t count_;
    std::vector<T> slots_;
    int32_t head_ = 0;
    int32_t tail_ = 0;
    bool full_ = false;
    // One past the highest slot written since the last Clear.
    size_t written_ = 0;
};
