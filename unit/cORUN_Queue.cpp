// One command in flight: the send path, the queue of waiting commands, the handling of a
// good reply, the reply time-out, the missing-reading watch and the shutdown commands.
#include "unit/cORUN.h"

#include "app/VBConv.h"
#include "platform/Clock.h"
#include "platform/Winsock.h"
#include "platform/ccrpTimer.h"

#include <QStringList>

namespace {
// The commands of the shutdown's stop, known by their letter: powers of outputs 1..6 and
// 7..8, the relay word, emission, the hand control.
bool StopLetter(QChar c) { return c == u'K' || c == u'W' || c == u'N' || c == u'S' || c == u'U'; }
}  // namespace

void cORUN::setCommand(QString T) {
    try {
        if (!Enabled_) {
            // A disabled link sends nothing, but its timer runs, so it reports time-outs.
            ORUNTimer_->setEnabled(true);
            return;
        }
        if (T.size() > OrunFrame::kMaxText) throw RuntimeError::InvalidCall();
        // Once the program is ending, nothing is read from the unit any more: every reply
        // awaited would hold the stop back.
        if (Terminating_ && ReadsOnly(T)) return;
        // A unit that may have restarted gets no power until it is judged, nor one whose
        // link lapsed until it has identified itself again (it may be back at 0 V).
        if ((HoldingPowers_ || UnitUnknown()) && !Terminating_ && (T.startsWith(QLatin1Char('K')) || T.startsWith(QLatin1Char('W')))) {
            PowersHeldBack_ = true;
            return;
        }
        // On a slow link a command that only repeats what the unit acknowledged yields its
        // turn to the questions and to real changes.
        if (SlowLink_ && !Terminating_ && !asking_ && RepeatsAcknowledged(T)) return;
        ORUNTimer_->setEnabled(true);
        if (CommStatus_ == 1) CheckOverdue();
        if (CommStatus_ == 1) {
            if (!AskedAlready(T)) QueuePut(T);
            return;
        }
        CommStatus_ = 1;
        if (!resending_) BadFrames_ = 0;  // a new command gets its own resends
        if (T == QLatin1String("@")) Version_ = 0;
        if (!Tracing()) setTracing(true);
        TraceCommand(T);
        const bool written = WriteFrame(T);
        Command_ = T;
        Response_.clear();
        // A frame no transport took (a connection being made again) is no exchange the unit
        // could lose.
        if (written) NoteSent(asking_ || resending_);
        // A question of the poll is waited for from its first ask.
        if (const int k = PollQuestion(T); k >= 0 && QuestionAskedAt_(k) < 0) QuestionAskedAt_(k) = TickMs();
        emit ORUNCommand(T);
    } catch (...) {
        ReportError("cORUN_Command");
    }
}

void cORUN::Resend(const QString& T) {
    resending_ = true;
    setCommand(T);
    resending_ = false;
}

void cORUN::QueuePut(const QString& T) {
    // A unit that stays silent while the program changes what it holds could fill the
    // ring; the oldest waiting command gives way, so a full queue never reads as empty and
    // the newest commands are kept.
    Queue_.Enqueue(T);
}

bool cORUN::QueueTake(QString& T) { return Queue_.Dequeue(T); }

void cORUN::QueueEmpty() {
    Queue_.Clear();
    ForgetQuestions(true);
}

int cORUN::QueueWaiting() const { return Queue_.Waiting(); }

// An empty queue has no front, also when its slots still hold commands taken earlier.
bool cORUN::Front(QString& varData) const { return Queue_.Front(varData) && !varData.isEmpty(); }

void cORUN::DoResponse(QString R) {
    Answered_ = true;
    const QPointer<cORUN> self(this);
    try {
        // At the end only the stop counts; a disabled link is not polled.
        if (Enabled_ && !Terminating_) NotePace();
        if (Tracing()) {
            // The reply ends the exchange the trace was kept for, and the queue is emptied
            // with the reply's own entry in it: that entry is not written, which leaves the
            // same empty queue without formatting two lines per reply for nothing.
            setTracing(false);
            TraceClear();
        }
        if (R.size() >= 4 && R.startsWith(QLatin1String("ORUN"))) {
            Version_ = VersionFromIdentification(R);
            if (Version_ > 0) {
                ORUNTimer_->setEnabled(false);
                ORUNTimer_->setInterval(Terminating_ ? OrunTiming::StopResendMs : OrunTiming::IdentifiedMs);
                ORUNTimer_->setEnabled(true);
                QueueEmpty();
                // After an earlier identification the unit may have restarted: its
                // detectors and outputs hold nothing the program knows of until they are
                // sent again and answered, and its outputs climb from 0.
                const bool again = Identified_;
                Identified_ = true;
                TakeRestart(again);
                if (!self) return;
            }
        }
        if (!Enabled_) {
            SendGetVersion();
            return;
        }
        try {
            ProcessResponse(R);
        } catch (...) {
            // A reply the model cannot take is reported, but the link goes on: the next
            // command still goes out and the reply still reaches its listeners.
            ReportError("cORUN_ProcessResponse");
        }
        QString next;
        if (CommStatus_ == 0 && QueueTake(next)) setCommand(next);
        FollowClimb();
        emit ORUNResponse(R);
    } catch (...) {
        ReportError("cORUN_DoResponse");
    }
}

void cORUN::ORUNTimer_Timer() {
    try {
        if (Terminating_) {
            // No link reset at the end: the stop is sent again until the unit takes it.
            ResendStop();
            return;
        }
        if (Version_ > 0 && Tracing()) {
            TraceLine(QStringLiteral("Received: ") + Response_);
            setTracing(false);
        }
        ORUNTimer_->setInterval(OrunTiming::RepeatReplyMs);
        CommStatus_ = 2;
        AskDue_ = -1;
        Acked_.clear();
        // The unit is out of reach: what it holds is no longer known (it may restart
        // meanwhile), and its pace is not judged until it answers again.
        ForgetHeldPowers();
        ForgetQuestions(false);
        setSlowLink(false);
        emit ORUNError(0, 0);
    } catch (...) {
        ReportError("cORUN_ORUNTimer_Timer");
    }
}

namespace {
// Seconds from t1 to t2, both seconds since midnight, across midnight.
float ElapsedSeconds(float t1, float t2) {
    if (t2 < t1) t2 += 86400.0f;
    return t2 - t1;
}
}  // namespace

void cORUN::CheckMissingReadings(float now) {
    for (int ch = 0; ch <= 7; ++ch) {
        if (!ChanActive(ch)) continue;
        const float silent = ElapsedSeconds(static_cast<float>(LastReadingTime_(ch)), now);
        if (silent <= OrunTiming::MissingReadingSeconds) continue;
        LastReadingTime_(ch) = now;
        if ((ChanErrorWord_(ch) & 2) == 0) {
            ChanErrorWord_(ch) |= 2;
            emit ORUNError(20 + ch, 1);
        }
    }
}

// The unit may have been without the program (restarted, or silent while the program
// changed relays, powers or settings), and the commands waiting meanwhile were dropped:
// it gets what the program shows, the detector voltages of every channel the program gave
// them to included (not only those of the step shown). Queued behind the channel request,
// so each goes out in turn.
void cORUN::RestoreUnit() {
    // At the end the stop is all the unit is to get.
    if (Terminating_) {
        PutStopFirst(true);
        return;
    }
    ReassertUnit(true, true);
    for (int s = 0; s <= 3; ++s) {
        if (EmissionSetPt_(s) >= 2.0) {
            SendSetPoints();
            break;
        }
    }
    if (HandCtrlOutput_ >= 0) setHandCtrlOutput(HandCtrlOutput_);
}

void cORUN::ReassertUnit(bool detectors, bool powers) {
    SendRelays();
    if (detectors) {
        for (int ch = 0; ch <= 7; ++ch)
            if (ch != CalChan_ && PMTVolts_(ch) > 0) setPMTVolts(ch, PMTVolts_(ch));
    }
    if (powers) SendPower();
}

void cORUN::setTerminate(bool) {
    try {
        Terminating_ = true;
        for (int o = 0; o <= 7; ++o) setPower(o, 0.0);
        EmissionOn_.fill(0);
        ORUNTimer_->setInterval(OrunTiming::StopResendMs);
        PutStopFirst(false);
        // A detector calibration under way ends with the exit, behind the stop: the channel
        // keeps the calibration it had, which the shutdown saves.
        if (CalChan_ >= 0) setCalChan(-1);
    } catch (...) {
        ReportError("cORUN_Terminate");
    }
}

void cORUN::PutStopFirst(bool relays) {
    if (!Enabled_) return;
    // What waits and is not read from the unit stays, after the stop, unless the stop
    // carries its value as it now stands (an older power, relay word or emission state
    // must not follow the stop).
    QStringList rest;
    QString T;
    bool handControl = HandCtrlOutput_ >= 0;
    while (QueueTake(T)) {
        if (ReadsOnly(T)) continue;
        const QChar letter = T.isEmpty() ? QChar() : T.at(0);
        handControl = handControl || letter == u'U';
        if (StopLetter(letter) && (letter != u'N' || relays)) continue;
        rest << T;
    }
    QueueEmpty();
    if (handControl) HandCtrlOutput_ = -1;
    for (const QString& c : StopCommands(relays ? RelayReg_ : -1, handControl) + rest) QueuePut(c);
    // A reply still awaited (perhaps lost) holds the stop back no longer.
    CommStatus_ = 0;
    if (QueueTake(T)) setCommand(T);
}

bool cORUN::StaleStopReply(const QString& R) const {
    if (!Terminating_ || Command_.isEmpty() || !StopLetter(Command_.at(0))) return false;
    return !R.isEmpty() && R.at(0) != Command_.at(0);
}

void cORUN::ResendStop() {
    // A TCP link the unit dropped is connected again; the command goes out on the next
    // resend once it is.
    if (CommPort_ == 10 && !Socket_.isNull() && Socket_->State() != Winsock::sckConnected &&
        Socket_->State() != Winsock::sckConnecting && ConnectDue())
        Socket_->Connect();
    if (CommStatus_ == 0) return;
    CommStatus_ = 0;
    Resend(Command_);
}
