#include "platform/Clock.h"

#include <QElapsedTimer>
#include <vector>

namespace {
struct ScheduledCall {
    Clock::ScheduleId id;
    int64_t due;
    std::function<void()> fire;
};

struct ClockState {
    bool fixed = false;
    bool timersFollow = false;
    QDateTime moment;
    int64_t tick = 0;
    Clock::ScheduleId lastId = 0;
    std::vector<ScheduledCall> scheduled;
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

namespace {
// The local offset from UTC in ms at utcMs. Looking it up consults the time-zone database
// (files on disk) each time, and the clock is read on every refresh of the displays (and
// every 10 ms by the card class's poll), so it is looked up once per minute of UTC:
// offsets change only on minute boundaries.
int64_t LocalOffsetMs(int64_t utcMs) {
    static int64_t cachedMinute = INT64_MIN;
    static int64_t offsetMs = 0;
    const int64_t minute = utcMs >= 0 ? utcMs / 60000 : (utcMs - 59999) / 60000;
    if (minute != cachedMinute) {
        cachedMinute = minute;
        offsetMs = static_cast<int64_t>(QDateTime::fromMSecsSinceEpoch(utcMs).offsetFromUtc()) * 1000;
    }
    return offsetMs;
}
}  // namespace

// The moment with the local date and time of day, at the offset now in force.
QDateTime Now() {
    if (state().fixed) return state().moment;
    const int64_t utcMs = QDateTime::currentMSecsSinceEpoch();
    return QDateTime::fromMSecsSinceEpoch(utcMs, Qt::OffsetFromUTC, static_cast<int>(LocalOffsetMs(utcMs) / 1000));
}

float Timer() {
    if (state().fixed) return static_cast<float>(state().moment.time().msecsSinceStartOfDay()) / 1000.0f;
    const int64_t utcMs = QDateTime::currentMSecsSinceEpoch();
    int64_t ms = (utcMs + LocalOffsetMs(utcMs)) % 86400000;
    if (ms < 0) ms += 86400000;
    return static_cast<float>(ms) / 1000.0f;
}

int64_t TickMs() { return state().fixed ? state().tick : monotonic().elapsed(); }

namespace {
void MoveBy(int64_t ms) {
    state().moment = state().moment.addMSecs(ms);
    state().tick += ms;
}

// The earliest call due by target (the first scheduled among equals); none: end().
std::vector<ScheduledCall>::iterator NextDue(int64_t target) {
    auto& calls = state().scheduled;
    auto best = calls.end();
    for (auto it = calls.begin(); it != calls.end(); ++it)
        if (it->due <= target && (best == calls.end() || it->due < best->due)) best = it;
    return best;
}
}  // namespace

namespace Clock {
void SetFixed(const QDateTime& moment, Timers timers) {
    ClockState& s = state();
    s.timersFollow = timers == Timers::FollowClock;
    const int64_t newTick = 1000000;
    for (ScheduledCall& call : s.scheduled) call.due += newTick - s.tick;
    s.fixed = true;
    s.moment = moment;
    s.tick = newTick;
}
void Advance(int64_t ms) {
    ClockState& s = state();
    if (ms < 0) {
        MoveBy(ms);
        return;
    }
    const int64_t target = s.tick + ms;
    for (auto next = NextDue(target); next != s.scheduled.end(); next = NextDue(target)) {
        if (next->due > s.tick) MoveBy(next->due - s.tick);
        const std::function<void()> fire = std::move(next->fire);
        s.scheduled.erase(next);
        fire();
    }
    if (target > s.tick) MoveBy(target - s.tick);
}
ScheduleId Schedule(int64_t dueTick, std::function<void()> fire) {
    ClockState& s = state();
    s.scheduled.push_back({++s.lastId, dueTick, std::move(fire)});
    return s.lastId;
}
void Cancel(ScheduleId id) {
    auto& calls = state().scheduled;
    std::erase_if(calls, [id](const ScheduledCall& c) { return c.id == id; });
}
void UseSystem() {
    state().fixed = false;
    state().timersFollow = false;
}
bool TimersFollowClock() { return state().fixed && state().timersFollow; }
bool IsFixed() { return state().fixed; }
}  // namespace Clock
