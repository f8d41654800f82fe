#include "remote/RequestIntake.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>

RequestIntake::RequestIntake(Endpoint endpoint, QObject* parent) : QObject(parent), endpoint_(std::move(endpoint)) {
    next_ = new QTimer(this);
    next_->setSingleShot(true);
    next_->setInterval(0);
    connect(next_, &QTimer::timeout, this, [this] { Turn(true); });
}

void RequestIntake::Arrived() {
    // A turn already due takes these bytes too, after what came before them.
    if (!next_->isActive()) Turn(true);
}

void RequestIntake::Drained() {
    if (paused_ && endpoint_.unsent() <= kReplyBacklog) Turn(true);
}

void RequestIntake::Finish() {
    // Everything the connection still holds, into the piece in hand: the endpoint may be
    // closed before a turn that is under way (in a handler's wait) comes back to it.
    for (QByteArray more = endpoint_.take(kReadBuffer); !more.isEmpty(); more = endpoint_.take(kReadBuffer)) {
        held_.remove(0, pos_);
        pos_ = 0;
        held_ += more;
    }
    next_->stop();
    paused_ = false;
    Turn(false);
}

void RequestIntake::Restart() {
    next_->stop();
    held_.clear();
    pos_ = 0;
    paused_ = false;
    told_ = false;
}

bool RequestIntake::Pending() const { return next_->isActive() || paused_ || pos_ < held_.size(); }

void RequestIntake::ScheduleTurn() {
    if (!next_->isActive()) next_->start();
}

void RequestIntake::Turn(bool bounded) {
    // Inside a handler's wait the turn under way goes on afterwards, in order.
    if (busy_) return;
    busy_ = true;
    const QPointer<RequestIntake> self(this);
    QElapsedTimer clock;
    clock.start();
    int answered = 0;
    paused_ = false;
    for (;;) {
        if (bounded && endpoint_.unsent() > kReplyBacklog) {
            paused_ = true;
            if (!told_) {
                told_ = true;
                if (endpoint_.backlogged) endpoint_.backlogged();
                if (!self) return;
            }
            break;
        }
        if (pos_ >= held_.size()) {
            if (!bounded) break;  // finishing: only what was held
            if (clock.elapsed() >= kTurnMs) {  // a stream of characters without a CR
                ScheduleTurn();
                break;
            }
            held_ = endpoint_.take(kPiece);
            pos_ = 0;
            if (held_.isEmpty()) break;
        }
        const char c = held_.at(pos_++);
        const bool served = endpoint_.feed(c);
        if (!self) return;  // released inside a handler
        if (!served) {
            held_.clear();
            pos_ = 0;
            break;
        }
        if (bounded && c == '\r' && (++answered >= kRequestsPerTurn || clock.elapsed() >= kTurnMs)) {
            ScheduleTurn();
            break;
        }
    }
    busy_ = false;
}
