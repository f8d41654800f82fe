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
    if (state().fixed) return static_cast<float>(state().moment.time().msecsSinceStartOfDay()) / 1000.0f;
    // The reading path asks for the time several times per reply: the local offset is
    // looked up once per minute of UTC (offsets change only on minute boundaries), not on
    // every call, which would consult the time-zone database each time.
    static int64_t cachedMinute = INT64_MIN;
    static int64_t offsetMs = 0;
    const int64_t utcMs = QDateTime::currentMSecsSinceEpoch();
    const int64_t minute = utcMs >= 0 ? utcMs / 60000 : (utcMs - 59999) / 60000;
    if (minute != cachedMinute) {
        cachedMinute = minute;
        offsetMs = static_cast<int64_t>(QDateTime::fromMSecsSinceEpoch(utcMs).offsetFromUtc()) * 1000;
    }
    int64_t ms = (utcMs + offsetMs) % 86400000;
    if (ms < 0) ms += 86400000;
    return static_cast<float>(ms) / 1000.0f;
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
