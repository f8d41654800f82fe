#include "app/modWait.h"

#include "platform/Clock.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

namespace modWait {

void Wait(int ms) {
    if (ms <= 0) return;
    if (Clock::TimersFollowClock()) {
        // A fixed clock that drives the timers (tests) moves by the wait at once; the
        // timers due meanwhile fire on the way, and the events they post are handled
        // before the wait returns.
        Clock::Advance(ms);
        if (QCoreApplication::instance()) QCoreApplication::processEvents();
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

}  // namespace modWait
