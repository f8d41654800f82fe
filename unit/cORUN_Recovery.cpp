// A lost reply is a fault of one exchange, not of the link. On a serial line a command frame
// that arrives damaged is simply not answered, so the link asks again once the unit's own
// pace says the reply is overdue, and leaves the reply time-out (reset, identification) to
// a unit that stays silent. A reply that comes after all, for an exchange already answered,
// is skipped by its letter.
//
// A silence long enough to hide a supply dip may end with a unit that restarted at 0 V:
// until its readings show whether it kept the measurement periods it was given, no power
// goes out, and a unit that lost them (or stayed silent for RestartSilenceMs) is given the
// program's state again with every output climbing from 0 at its rate, so no source steps
// to the power it had before.
#include "unit/cORUN.h"

#include "platform/Clock.h"

#include <algorithm>
#include "platform/ccrpTimer.h"
#include <chrono>
#include <cmath>
#include <limits>

namespace {
// The line's own time: how long the link waited for the unit. Real time, unless the
// program's timers follow a clock that is driven (then the unit's own delays and dips
// follow that clock too).
int64_t LineMs() {
    if (Clock::TimersFollowClock()) return TickMs();
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

bool PowerCommand(const QString& T) { return T.startsWith(QLatin1Char('K')) || T.startsWith(QLatin1Char('W')); }
}  // namespace

QChar cORUN::ReplyLetter(const QString& T) {
    if (T.isEmpty()) return {};
    const char16_t c = T.at(0).unicode();
    switch (c) {
    case '@': return QLatin1Char('O');  // "ORUN" and the version
    case 'g': return QLatin1Char('G');
    case 'A': case 'B': case 'C': case 'D': case 'F': case 'G': case 'H': case 'I':
    case 'K': case 'M': case 'N': case 'O': case 'S': case 'U': case 'V': case 'W': return T.at(0);
    default: return {};  // free text: its reply is the unit's business
    }
}

bool cORUN::StaleReply(const QString& R) {
    // At the end the stop's own resends judge its replies.
    if (StaleAllowed_ <= 0 || Terminating_) return false;
    const QChar letter = ReplyLetter(Command_);
    if (CommStatus_ == 1) {
        if (letter.isNull()) return false;
        const bool answers = letter == u'O' ? R.startsWith(QLatin1String("ORUN")) : R.startsWith(letter);
        if (answers) return false;
    }
    --StaleAllowed_;
    AnsweredWeight_ = std::min(SentWeight_, AnsweredWeight_ + 1.0);
    // The unit answered a send given up for lost: it is slow, not deaf, and its pace is
    // the time the last exchange really took.
    ReplyPace_ = std::max(ReplyPace_, static_cast<double>(LastTook_));
    return true;
}

void cORUN::NoteSent(bool ask) {
    const int64_t now = LineMs();
    LastSent_ = now;
    if (!ask) {
        ExchangeStart_ = now;
        Asks_ = 0;
    }
    NoteLoss(true);
    SetAskDue();
}

void cORUN::SetAskDue() {
    AskDue_ = -1;
    // Only a unit that has identified itself has a pace to judge by; at the end the stop
    // has its own resends.
    if (Version_ <= 0 || Terminating_ || !Enabled_ || PaceSamples_ < OrunTiming::AskAgainAfterReplies) return;
    double ms = std::clamp(3.0 * ReplyPace_ + 50.0, double(OrunTiming::AskAgainFloorMs), double(OrunTiming::AskAgainCeilingMs));
    ms = std::min(ms * std::pow(OrunTiming::AskAgainBackoff, Asks_), double(OrunTiming::AskAgainCeilingMs));
    AskDue_ = LineMs() + static_cast<int64_t>(ms);
}

void cORUN::StartAskTimer(int64_t ms) {
    AskTimer_->setEnabled(false);
    AskTimer_->setInterval(static_cast<int>(std::clamp<int64_t>(ms, 1, OrunTiming::AskAgainCeilingMs)));
    AskTimer_->setEnabled(true);
}

void cORUN::CheckOverdue() {
    if (AskDue_ < 0) return;
    const int64_t left = AskDue_ - LineMs();
    if (left <= 0) AskAgain();
    else if (!AskTimer_->Enabled()) StartAskTimer(left);
}

void cORUN::AskAgain() {
    AskDue_ = -1;
    // A link opened again has no exchange of its own on the wire to ask for.
    if (CommStatus_ != 1 || Terminating_ || !Enabled_ || Version_ <= 0 || Command_.isEmpty()) return;
    const int64_t silent = LineMs() - std::max(LastAnswer_, ExchangeStart_);
    if (!Suspect_) {
        Suspect_ = true;
        SuspectAnswered_ = -1;
    }
    if (silent >= OrunTiming::RestartSuspectMs && !HoldingPowers_) {
        HoldingPowers_ = true;
        // Powers already waiting wait for the judgement too.
        QStringList rest;
        QString w;
        while (QueueTake(w)) {
            if (PowerCommand(w)) PowersHeldBack_ = true;
            else rest << w;
        }
        // The questions stay waiting, and waited for since they were asked.
        Queue_.Clear();
        for (const QString& c : rest) QueuePut(c);
    }
    if (Suspect_ && silent >= OrunTiming::RestartSilenceMs) SilenceLong_ = true;
    ++Asks_;
    ++StaleAllowed_;
    QString T = Command_;
    if (HoldingPowers_ && PowerCommand(T)) {
        // A unit that may have restarted gets no power until it is judged: the power waits,
        // and the next command (or a question) asks whether the unit is there.
        PowersHeldBack_ = true;
        CommStatus_ = 0;
        if (!QueueTake(T)) T = QStringLiteral("F");
    }
    CommStatus_ = 0;
    asking_ = true;
    Resend(T);
    asking_ = false;
    // The reply is late already: the next ask is not left to the next command.
    if (AskDue_ >= 0) StartAskTimer(AskDue_ - LineMs());
}

void cORUN::NoteLoss(bool sent) {
    // Only an identified unit's exchanges count: a link being opened again (its "@" asked
    // until a connection holds) says nothing of the line the run is controlled through.
    if (Version_ <= 0) return;
    if (sent) {
        const double keep = 1.0 - 1.0 / OrunTiming::LossWindow;
        SentWeight_ = SentWeight_ * keep + 1.0;
        AnsweredWeight_ *= keep;
    } else {
        AnsweredWeight_ = std::min(SentWeight_, AnsweredWeight_ + 1.0);
    }
    // Judged over a whole window once the link has carried one.
    if (SentWeight_ < OrunTiming::LossWindow / 2.0) return;
    const double share = LossShare();
    if (!TooPoor_ && share >= OrunTiming::LossTooPoor) {
        TooPoor_ = true;
        emit LinkTooPoor(true);
    } else if (TooPoor_ && share < OrunTiming::LossFitAgain) {
        TooPoor_ = false;
        emit LinkTooPoor(false);
    }
}

double cORUN::LossShare() const {
    if (SentWeight_ <= 0.0) return 0.0;
    return std::clamp(1.0 - AnsweredWeight_ / SentWeight_, 0.0, 1.0);
}

int cORUN::NoteAnswered() {
    const int64_t now = LineMs();
    const int64_t silent = now - std::max(LastAnswer_, ExchangeStart_);
    // From the last send: after an ask the reply may answer either, and a unit that slowed
    // down still shows it, while a lost reply does not count as the unit's pace.
    const double took = static_cast<double>(now - LastSent_);
    LastTook_ = now - ExchangeStart_;
    ReplyPace_ = ReplyPace_ <= 0.0 ? took : 0.8 * ReplyPace_ + 0.2 * std::min(took, double(OrunTiming::AskAgainCeilingMs));
    LastAnswer_ = now;
    if (PaceSamples_ < OrunTiming::AskAgainAfterReplies) ++PaceSamples_;
    AskDue_ = -1;
    AskTimer_->setEnabled(false);
    NoteLoss(false);
    NoteAcknowledged();
    // At the end the stop's resends are no silence of the unit's.
    if (!Suspect_ || Terminating_) return -1;
    if (SuspectAnswered_ < 0) {
        SuspectAnswered_ = now;
        SuspectSilence_ = silent;
        if (SilenceLong_ || silent >= OrunTiming::RestartSilenceMs) return 1;
    } else if (now - SuspectAnswered_ >= OrunTiming::RestartJudgeMs) {
        // No reading could tell: the silence's length decides.
        return SuspectSilence_ >= OrunTiming::RestartGuessMs ? 1 : 0;
    }
    return -1;
}

void cORUN::JudgePeriods(const int32_t (&periods)[8], const bool (&read)[8]) {
    int verdict = -1;  // -1 none, 0 kept, 1 lost
    bool canTell = false;  // a channel was given its period and reads
    for (int ch = 0; ch <= 7; ++ch) {
        canTell = canTell || (PeriodGiven_(ch) && ChanActive(ch));
        if (!read[ch]) continue;
        // The first reading after the period was taken is the one the unit now keeps;
        // every later one is held against it, so a restart that went unseen once still
        // shows at the next.
        if (PeriodSettle_(ch) > 0) {
            --PeriodSettle_(ch);
            PeriodSeen_(ch) = -1;
        } else if (PeriodSeen_(ch) < 0) {
            PeriodSeen_(ch) = periods[ch];
        } else if (PeriodGiven_(ch)) {
            verdict = std::max(verdict, periods[ch] != PeriodSeen_(ch) ? 1 : 0);
        }
    }
    // At the end the stop is sent until the unit takes it, restarted or not.
    if (Terminating_) return;
    // A period the unit was given and that changed by itself: it restarted, lost reply or
    // not (a restart faster than a reply, or one whose silence no exchange spanned).
    if (verdict == 1) {
        EndSuspect(true);
        return;
    }
    if (!Suspect_ || SuspectAnswered_ < 0) return;
    if (verdict == 0) EndSuspect(false);
    else if (!canTell) EndSuspect(SuspectSilence_ >= OrunTiming::RestartGuessMs);
}

void cORUN::EndSuspect(bool restarted) {
    Suspect_ = false;
    HoldingPowers_ = false;
    SilenceLong_ = false;
    SuspectAnswered_ = -1;
    if (restarted) {
        TakeRestart(true);
        return;
    }
    if (PowersHeldBack_ && !UnitUnknown()) {
        PowersHeldBack_ = false;
        SendPower();
    }
}

void cORUN::TakeRestart(bool climb) {
    Suspect_ = false;
    HoldingPowers_ = false;
    SilenceLong_ = false;
    SuspectAnswered_ = -1;
    PowersHeldBack_ = false;
    // The unit holds nothing the program knows of until it is sent again and answered.
    PMTVoltsSent_.fill(-1);
    PeriodSeen_.fill(-1);
    PeriodGiven_.fill(false);
    ForgetHeldPowers();
    Acked_.clear();
    if (climb) {
        LastClimbSend_ = TickMs();
        // It came back at 0 V.
        HeldCode_.fill(OutputCode::ZeroVolts);
        ClimbStart_ = TickMs();
        emit UnitRestarted();
    }
    SendReadChannels();
    RestoreUnit();
}

void cORUN::setClimbRate(int o, double percentPerSecond) {
    if (!ClimbRate_.inRange(o)) return;
    ClimbRate_(o) = percentPerSecond > 0.0 && std::isfinite(percentPerSecond) ? percentPerSecond : OrunTiming::DefaultClimbRate;
}

double cORUN::ClimbCap(int o) const {
    if (ClimbStart_ < 0) return std::numeric_limits<double>::infinity();
    return ClimbRate_(o) * static_cast<double>(TickMs() - ClimbStart_) / 1000.0;
}

bool cORUN::Climbing(int o) const { return ClimbRate_.inRange(o) && ClimbCap(o) < Requested_(o); }

void cORUN::ApplyPowers() {
    if (ClimbStart_ < 0) return;
    bool climbing = false;
    for (int o = 0; o <= 7; ++o) {
        const double cap = ClimbCap(o);
        // The climb holds for a power set later too (a hand-set power, a loop's), until it
        // has passed the whole range.
        climbing = climbing || cap < 100.0;
        PowerCode_(o) = PowerCode(o, std::min(Requested_(o), cap));
    }
    if (!climbing) ClimbStart_ = -1;
}

void cORUN::FollowClimb() {
    if (ClimbStart_ < 0 || Terminating_ || !Enabled_ || HoldingPowers_) return;
    // At the poll's pace, and only once the last powers have gone: the climb goes on while
    // nothing else sets a power (a hand-set power in STOPPED, a soak).
    const int64_t now = TickMs();
    if (now - LastClimbSend_ < OrunTiming::ClimbStepMs) return;
    if ((CommStatus_ == 1 && (Command_.startsWith(QLatin1Char('K')) || Command_.startsWith(QLatin1Char('W')))))
        return;
    bool queued = false;
    Queue_.ForEachWaiting([&](const QString& w) { queued = queued || w.startsWith(QLatin1Char('K')) || w.startsWith(QLatin1Char('W')); });
    if (queued) return;
    // Once more when the climb passes the power set, so the unit ends on it.
    bool behind = false;
    for (int o = 0; o <= 7; ++o) behind = behind || PowerCode_(o) != PowerCode(o, std::min(Requested_(o), ClimbCap(o)));
    if (!behind) return;
    LastClimbSend_ = now;
    SendPower();
}
