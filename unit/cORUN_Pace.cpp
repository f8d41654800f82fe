// The queue at the unit's pace. The poll asks its three questions every 90 ms, and the
// program re-sends its relay word, detector voltages and powers at its own pace, whatever
// the unit's. A unit that answers slower than that would see them pile up: the first
// question of each tick ("D") winning every turn, the others and the reading never asked,
// a backlog that only grows. So nothing waits twice: a question or the reading request
// that waits (or is on the wire) is not asked again, and a command that sets the unit is
// not queued again while the same command is the last of its kind waiting. At any pace the
// questions come round in turn, in order with the commands before them, each within a few
// replies. How long the questions wait for their answers tells a slow link.
#include "unit/cORUN.h"

#include "platform/Clock.h"

#include <algorithm>

namespace {
// The questions' letters by kind.
constexpr char16_t kLetters[3] = {u'D', u'M', u'F'};

bool ReadingRequest(const QString& T) { return T == QLatin1String("G") || T == QLatin1String("g"); }

// What a command sets on the unit, for the commands that set a whole value of it: the
// powers ("K", "W"), the relay word ("N"), the emission set points ("V"), the hand control
// ("U"), one channel's detector volts, period or filter ("H", "B", "O" and the channel),
// one sensor's emission ("S" and the sensor). Empty for every other command: the
// identification, the channel request, the calibration steps (their replies drive the
// calibration), a report asked for, free text.
QStringView SetsWhat(const QString& T) {
    if (T.isEmpty()) return {};
    switch (T.at(0).unicode()) {
    case 'K':
    case 'W':
    case 'N':
    case 'V':
    case 'U': return QStringView(T).first(1);
    case 'H':
    case 'B':
    case 'O': {
        const qsizetype comma = T.indexOf(QLatin1Char(','));
        return comma > 1 ? QStringView(T).first(comma) : QStringView();
    }
    case 'S': {
        const qsizetype semicolon = T.indexOf(QLatin1Char(';'));
        return semicolon > 1 ? QStringView(T).first(semicolon) : QStringView();
    }
    default: return {};
    }
}
}  // namespace

bool cORUN::ReadsOnly(const QString& T) { return PollQuestion(T) >= 0 || ReadingRequest(T); }

int cORUN::PollQuestion(const QString& T) {
    if (T.size() != 1) return -1;
    for (int k = kSensors; k <= kCheckReading; ++k)
        if (T.at(0) == QChar(kLetters[k])) return k;
    return -1;
}

bool cORUN::Waits(const QString& T) const {
    bool found = false;
    Queue_.ForEachWaiting([&](const QString& w) { found = found || w == T; });
    return found;
}

bool cORUN::ReadingAsked() const {
    bool found = ReadingRequest(Command_);
    Queue_.ForEachWaiting([&](const QString& w) { found = found || ReadingRequest(w); });
    return found;
}

bool cORUN::AskedAlready(const QString& T) {
    // Called while a command is on the wire.
    if (ReadingRequest(T)) return ReadingAsked();
    if (const int k = PollQuestion(T); k >= 0) {
        if (Command_ == T || Waits(T)) return true;
        // Whether a new reading is ready needs no asking while the reading is asked for.
        if (k == kCheckReading && ReadingAsked()) return true;
        if (QuestionAskedAt_(k) < 0) QuestionAskedAt_(k) = TickMs();
        return false;
    }
    // The last waiting command that sets the same value: when it sets it as T does, the
    // unit ends up holding the same whether T is queued or not. A newer power takes the
    // place of one still waiting, so no older power reaches the unit after it was replaced.
    QString* last = LastWaitingOfKind(T);
    if (!last) return false;
    if (T.startsWith(QLatin1Char('K')) || T.startsWith(QLatin1Char('W'))) {
        *last = T;
        return true;
    }
    return *last == T;
}

QString* cORUN::LastWaitingOfKind(const QString& T) {
    const QStringView what = SetsWhat(T);
    if (what.isEmpty()) return nullptr;
    QString* last = nullptr;
    Queue_.ForEachWaiting([&](QString& w) {
        if (SetsWhat(w) == what) last = &w;
    });
    return last;
}

bool cORUN::RepeatsAcknowledged(const QString& T) const {
    // Only what the program gives again at its own pace (the powers every control tick,
    // the relay word and detector volts every few seconds) yields; a setting given once
    // (a period, a filter, emission) always goes.
    if (T.isEmpty() || (T.at(0) != u'K' && T.at(0) != u'W' && T.at(0) != u'N' && T.at(0) != u'H')) return false;
    const QStringView what = SetsWhat(T);
    if (what.isEmpty()) return false;
    const auto acked = Acked_.constFind(what.toString());
    if (acked == Acked_.constEnd() || *acked != T) return false;
    // A different value of the kind on its way needs T after it.
    if (CommStatus_ == 1 && SetsWhat(Command_) == what && Command_ != T) return false;
    bool other = false;
    Queue_.ForEachWaiting([&](const QString& w) { other = other || (SetsWhat(w) == what && w != T); });
    return !other;
}

void cORUN::NoteAcknowledged() {
    // Called with the good reply to Command_ in hand.
    const QStringView what = SetsWhat(Command_);
    if (what.isEmpty()) return;
    Acked_.insert(what.toString(), Command_);
    // A channel's period taken: one more reading may have been measured at the old one.
    if (Command_.startsWith(QLatin1Char('B'))) {
        const int ch = QStringView(what).mid(1).toInt() - 1;
        if (PeriodSettle_.inRange(ch)) PeriodSettle_(ch) = std::min(PeriodSettle_(ch), 1);
    }
}

void cORUN::ForgetQuestions(bool keepOnWire) {
    // A question asked again later is waited for from then on.
    for (int k = kSensors; k <= kCheckReading; ++k) {
        const bool onWire = CommStatus_ == 1 && Command_ == QString(QChar(kLetters[k]));
        if (!keepOnWire || !onWire) QuestionAskedAt_(k) = -1;
    }
}

void cORUN::NotePace() {
    // Called with the reply to Command_ in hand, before the next command goes.
    const int64_t now = TickMs();
    const int answered = PollQuestion(Command_);
    int64_t longest = 0;
    for (int k = kSensors; k <= kCheckReading; ++k) {
        if (QuestionAskedAt_(k) < 0) continue;
        if (k != answered && !Waits(QString(QChar(kLetters[k])))) {
            // Neither answered now nor waiting: it went with a queue that was emptied.
            QuestionAskedAt_(k) = -1;
            continue;
        }
        longest = std::max(longest, now - QuestionAskedAt_(k));
        if (k == answered) QuestionAskedAt_(k) = -1;
    }
    if (longest > OrunTiming::PaceBackMs) LastLateTick_ = now;
    if (longest > OrunTiming::SlowLinkMs) setSlowLink(true);
    else if (SlowLink_ && now - LastLateTick_ >= OrunTiming::PaceBackForMs) setSlowLink(false);
}

void cORUN::setSlowLink(bool slow) {
    if (slow == SlowLink_) return;
    SlowLink_ = slow;
    emit LinkPaceChange(slow);
}

void cORUN::ForgetHeldPowers() { HeldKnown_.fill(false); }
