#pragma once
// The paced intake of one remote-control endpoint (the TCP connection or the serial port):
// it takes the endpoint's received bytes in small pieces and hands them, one character at
// a time and in order, to the server, answering at most kRequestsPerTurn requests, or
// kTurnMs of work, per turn of the event loop; what is left waits for the next turn. So
// a client that sends requests back to back, however many, never holds the loop from
// the unit's poll, its replies or the control tick.
//
// While the endpoint holds more than kReplyBacklog bytes of replies not yet sent (a client
// that does not read them, or a slow serial line), nothing more is taken: the requests
// stay with the endpoint, whose own read buffer is bounded, so a TCP client is slowed by
// TCP's flow control and the station's memory stays bounded whatever the client sends.
// Taking goes on once the replies have drained. The first time that bound is reached on a
// connection, the endpoint is told once (Backlogged).
//
// A handler that pumps messages (a button's click action that waits) may let the
// endpoint's events in again: the intake never nests, so requests are answered one after
// the other, in order, and the turn in progress takes up the rest.
#include <QByteArray>
#include <QObject>
#include <functional>

class QTimer;

class RequestIntake : public QObject {
    Q_OBJECT
public:
    static constexpr int kRequestsPerTurn = 16;
    static constexpr int kTurnMs = 4;
    // Bytes taken from the endpoint at a time.
    static constexpr qint64 kPiece = 512;
    // Bytes of unsent replies above which nothing more is taken.
    static constexpr qint64 kReplyBacklog = 32 * 1024;
    // What the endpoint's own read buffer is bounded to.
    static constexpr qint64 kReadBuffer = 4096;

    struct Endpoint {
        // Takes up to n received bytes (none when nothing waits).
        std::function<QByteArray(qint64 n)> take;
        // Bytes of replies given to the endpoint and not yet sent.
        std::function<qint64()> unsent;
        // Hands one character to the server; false when there is no server any more.
        std::function<bool(char c)> feed;
        // The reply backlog reached its bound for the first time since Restart.
        std::function<void()> backlogged;
    };

    explicit RequestIntake(Endpoint endpoint, QObject* parent = nullptr);

    // Bytes arrived: they are taken now, or at the turn already due.
    void Arrived();
    // Reply bytes went out: taking goes on when the backlog is under its bound again.
    void Drained();
    // The connection has ended: what it still holds (at most the bounded read buffer and
    // one piece) is answered now, since the next client must not get the replies of the
    // last one; replies to a closed connection are dropped by the server.
    void Finish();
    // A new connection: what the previous one left is forgotten and the backlog notice
    // is armed again.
    void Restart();

    // A turn is due or bytes are held back by the backlog.
    bool Pending() const;
    bool Paused() const { return paused_; }

private:
    // Hands characters over until the endpoint is empty, the backlog is over its bound or
    // the turn's share is used (unbounded: until the endpoint is empty).
    void Turn(bool bounded);
    void ScheduleTurn();

    Endpoint endpoint_;
    QTimer* next_ = nullptr;
    QByteArray held_;  // taken from the endpoint, not yet handed over from pos_ on
    qsizetype pos_ = 0;
    bool busy_ = false;
    bool paused_ = false;
    bool told_ = false;
};
