#pragma once
// The high-resolution timer component: Interval in milliseconds, Enabled, and a Timer
// event, over a precise QTimer. A timer enabled while the fixed clock drives the timers
// (tests, Clock::Timers::FollowClock) runs from the clock instead: it fires as
// Clock::Advance passes its times, so tests of time-outs and timers take no real time.
#include "platform/Clock.h"

#include <QObject>
#include <QTimer>
#include <chrono>

class ccrpTimer : public QObject {
    Q_OBJECT
public:
    explicit ccrpTimer(QObject* parent = nullptr);
    ~ccrpTimer() override;

    int Interval() const { return interval_; }
    // Takes effect at once; a running timer starts its new interval from now.
    void setInterval(int ms);

    bool Enabled() const { return (restartsOften_ ? enabled_ : timer_.isActive()) || scheduled_ != 0; }
    // Enabling a running timer leaves it running on its old schedule.
    void setEnabled(bool on);

    // For a time-out that is stopped and started far more often than it runs out (the unit
    // link's reply timer: started by every command, stopped by every reply). Stopping it
    // then only marks it stopped and starting it only notes when it is due; the timer
    // underneath is not taken down and set up again each time, and when it comes round
    // before the due time it waits out the rest. Its ticks come when they would.
    void setRestartsOften(bool on);

signals:
    void Timer();

private:
    // The next tick on the fixed clock, interval ms from fromTick (at least 1 ms on).
    void ScheduleFrom(int64_t fromTick);
    void Unschedule();
    // The timer underneath came round.
    void Elapsed();
    void ArmUntilDue();

    QTimer timer_;
    int interval_ = 0;
    Clock::ScheduleId scheduled_ = 0;
    bool restartsOften_ = false;
    bool enabled_ = false;  // with restartsOften_: started and not stopped since
    std::chrono::steady_clock::time_point due_;
};
