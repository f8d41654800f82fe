#include "platform/ccrpTimer.h"

namespace {
std::chrono::steady_clock::time_point Later(int ms) { return std::chrono::steady_clock::now() + std::chrono::milliseconds(ms); }
}  // namespace

ccrpTimer::ccrpTimer(QObject* parent) : QObject(parent) {
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &ccrpTimer::Elapsed);
}

ccrpTimer::~ccrpTimer() { Unschedule(); }

void ccrpTimer::setRestartsOften(bool on) {
    if (on == restartsOften_) return;
    const bool was = Enabled();
    setEnabled(false);
    timer_.stop();
    restartsOften_ = on;
    timer_.setSingleShot(on);
    setEnabled(was);
}

void ccrpTimer::setInterval(int ms) {
    interval_ = ms < 0 ? 0 : ms;
    if (restartsOften_) {
        if (enabled_) {
            due_ = Later(interval_);
            timer_.start(interval_);
        }
    } else {
        timer_.setInterval(interval_);
    }
    if (scheduled_ != 0) {
        Unschedule();
        ScheduleFrom(TickMs());
    }
}

void ccrpTimer::setEnabled(bool on) {
    if (on == Enabled()) return;
    if (!on) {
        enabled_ = false;
        if (!restartsOften_) timer_.stop();
        Unschedule();
    } else if (Clock::TimersFollowClock()) {
        ScheduleFrom(TickMs());
    } else if (restartsOften_) {
        enabled_ = true;
        due_ = Later(interval_);
        // A timer still underway from an earlier start comes round early and waits on.
        if (!timer_.isActive()) timer_.start(interval_);
    } else {
        timer_.start(interval_);
    }
}

void ccrpTimer::Elapsed() {
    if (!restartsOften_) {
        emit Timer();
        return;
    }
    if (!enabled_) return;
    if (std::chrono::steady_clock::now() < due_) {
        ArmUntilDue();
        return;
    }
    // The next tick is due before the handlers run, so a handler that stops or restarts
    // the timer has the last word.
    due_ = Later(interval_);
    timer_.start(interval_);
    emit Timer();
}

void ccrpTimer::ArmUntilDue() {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(due_ - std::chrono::steady_clock::now()).count();
    timer_.start(static_cast<int>(left > 1 ? left : 1));
}

void ccrpTimer::ScheduleFrom(int64_t fromTick) {
    const int64_t due = fromTick + (interval_ > 0 ? interval_ : 1);
    scheduled_ = Clock::Schedule(due, [this, due] {
        // The next tick is due before the handlers run, so a handler that stops or
        // restarts the timer has the last word.
        ScheduleFrom(due);
        emit Timer();
    });
}

void ccrpTimer::Unschedule() {
    if (scheduled_ != 0) Clock::Cancel(scheduled_);
    scheduled_ = 0;
}
