#include "platform/Clock.h"

#include <QElapsedTimer>

namespace {
struct ClockState {
    bool fixed = false;
    QDateTime moment;
    int64_t tick = 0;
};
ClockState& state() {
    static ClockState s;
    return s;
}
const QElapsedTimer& monotonic() {
    static QElapsedTimer t = [] {
        QElapsedTimer e;
        e.start();
        return e;
    }();
    return t;
}
}  // namespace

QDateTime Now() { return state().fixed ? state().moment : QDateTime::currentDateTime(); }

float Timer() {
    const QTime t = Now().time();
    return static_cast<float>(t.msecsSinceStartOfDay()) / 1000.0f;
}

int64_t TickMs() { return state().fixed ? state().tick : monotonic().elapsed(); }

namespace Clock {
void SetFixed(const QDateTime& moment) {
    state().fixed = true;
    state().moment = moment;
    state().tick = 1000000;
}
void Advance(int64_t ms) {
    state().moment = state().moment.addMSecs(ms);
    state().tick += ms;
}
void UseSystem() { state().fixed = false; }
bool IsFixed() { return state().fixed; }
}  // namespace Clock
