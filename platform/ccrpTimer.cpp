#include "platform/ccrpTimer.h"

ccrpTimer::ccrpTimer(QObject* parent) : QObject(parent) {
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &ccrpTimer::Timer);
}

ccrpTimer::~ccrpTimer() { Unschedule(); }

void ccrpTimer::setInterval(int ms) {
    interval_ = ms < 0 ? 0 : ms;
    timer_.setInterval(interval_);
    if (scheduled_ != 0) {
        Unschedule();
        ScheduleFrom(TickMs());
    }
}

void ccrpTimer::setEnabled(bool on) {
    if (on == Enabled()) return;
    if (!on) {
        timer_.stop();
        Unschedule();
    } else if (Clock::TimersFollowClock()) {
        ScheduleFrom(TickMs());
    } else {
        timer_.start(interval_);
    }
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
