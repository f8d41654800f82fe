#include "app/modWait.h"

#include "platform/Clock.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

namespace modWait {

namespace {

// Steps of a fixed clock while a wait finds nothing to run.
constexpr int kClockStepMs = 10;
// Rounds of events a fixed-clock wait runs at most before the clock moves on: events that
// keep posting events must not hold it still for ever.
constexpr int kMaxEventRounds = 1000;

// Runs the events already waiting (and those they bring about at once, such as a peer's
// answer on the loopback) until none is left; true when any ran.
bool RunPendingEvents() {
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    if (!QCoreApplication::instance() || !dispatcher) return false;
    bool any = false;
    for (int round = 0; round < kMaxEventRounds; ++round) {
        QCoreApplication::sendPostedEvents();
        if (!dispatcher->processEvents(QEventLoop::AllEvents)) break;
        any = true;
    }
    return any;
}

}  // namespace

void Wait(int ms) {
    if (ms <= 0) return;
    if (Clock::TimersFollowClock()) {
        // A fixed clock that drives the timers (tests) moves by the wait at once; the
        // timers due meanwhile fire on the way, and the events they post are handled
        // before the wait returns.
        Clock::Advance(ms);
        RunPendingEvents();
        return;
    }
    if (!QCoreApplication::instance()) {
        // No event loop to keep alive: a plain sleep is all a wait can be.
        QThread::msleep(static_cast<unsigned long>(ms));
        return;
    }
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    deadline.start(ms);
    loop.exec();
}

bool WaitUntil(const std::function<bool()>& done, int ms) {
    const int64_t end = TickMs() + ms;
    if (Clock::TimersFollowClock()) {
        while (!done()) {
            if (TickMs() >= end) return false;
            if (!RunPendingEvents() && !done()) Clock::Advance(kClockStepMs);
        }
        return true;
    }
    if (!QCoreApplication::instance()) return done();
    // The condition is looked at after every burst of events and at least every step.
    QEventLoop loop;
    QTimer step;
    step.setInterval(kClockStepMs);
    QObject::connect(&step, &QTimer::timeout, &loop, &QEventLoop::quit);
    step.start();
    while (!done()) {
        if (TickMs() >= end) return false;
        loop.exec();
    }
    return true;
}

}  // namespace modWait
