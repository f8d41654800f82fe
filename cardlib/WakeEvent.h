#pragma once
// The wake-up of one worker thread: a wait of a set number of milliseconds (or without
// end) that a wake cuts short. A wake is remembered until the thread next resets the
// event, so a wake sent just before the thread starts waiting is not lost.
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace trv600a {

inline constexpr int kInfinite = -1;

class WakeEvent {
public:
    void setWait(int ms);
    int waitMs() const;
    void wake();
    void reset();
    // Resets the event and waits for a wake or the end of the wait. False when the thread
    // is asked to end. In stepping mode the thread runs no pass of its own: it only
    // waits to be ended.
    bool waitNext();
    void requestExit();
    // Ready for a new thread: no exit request, no wake, an endless wait.
    void rearm();
    void setStepping(bool on);

private:
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    bool signalled_ = false;
    bool exit_ = false;
    bool stepping_ = false;
    int waitMs_ = kInfinite;
};

}  // namespace trv600a
