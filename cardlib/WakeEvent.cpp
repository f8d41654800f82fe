#include "WakeEvent.h"

#include <optional>

namespace trv600a {

void WakeEvent::setWait(int ms)
{
    std::lock_guard lock(mutex_);
    waitMs_ = ms;
}

int WakeEvent::waitMs() const
{
    std::lock_guard lock(mutex_);
    return waitMs_;
}

void WakeEvent::wake()
{
    {
        std::lock_guard lock(mutex_);
        signalled_ = true;
    }
    cv_.notify_all();
}

void WakeEvent::reset()
{
    std::lock_guard lock(mutex_);
    signalled_ = false;
}

bool WakeEvent::waitNext()
{
    using Clock = std::chrono::steady_clock;
    std::unique_lock lock(mutex_);
    signalled_ = false;
    std::optional<Clock::time_point> deadline;
    if (waitMs_ >= 0)
        deadline = Clock::now() + std::chrono::milliseconds(waitMs_);
    for (;;) {
        if (exit_)
            return false;
        if (!stepping_ && signalled_) {
            signalled_ = false;
            return true;
        }
        if (stepping_ || !deadline) {
            cv_.wait(lock);
        } else if (cv_.wait_until(lock, *deadline) == std::cv_status::timeout) {
            if (exit_)
                return false;
            if (!stepping_) {
                signalled_ = false;
                return true;
            }
        }
    }
}

void WakeEvent::requestExit()
{
    {
        std::lock_guard lock(mutex_);
        exit_ = true;
    }
    cv_.notify_all();
}

void WakeEvent::rearm()
{
    std::lock_guard lock(mutex_);
    exit_ = false;
    signalled_ = false;
    waitMs_ = kInfinite;
}

void WakeEvent::setStepping(bool on)
{
    {
        std::lock_guard lock(mutex_);
        stepping_ = on;
    }
    cv_.notify_all();
}

}  // namespace trv600a
