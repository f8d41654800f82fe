#pragma once
// The emulated controller unit on a transport: a TCP listener (each connection is one
// station link) and/or a pseudo-terminal that stands for its serial port. Command frames
// are collected byte by byte with the station's own collector and answered with one
// reply frame each, built by the station's own frame routine.
//
// Faults for tests: replies with wrong check characters, without the acknowledgement
// letter, interrupted by a new "!" mid-frame, followed by a stray LF, cut short, lost,
// late, or no replies at all, each for the next few replies; a seeded share of the replies
// lost, garbled, cut, altered, sent twice or sent after the next one, as a bad line does;
// a supply dip that restarts the unit;
// the model's own faults (inactive channel, stopped readings, leakage, input edges) are
// set on Model().
#include "unitsim/UnitModel.h"

#include <array>
#include "unit/FrameCollector.h"

#include "platform/Clock.h"

#include <QHostAddress>
#include <QObject>
#include <QStringList>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <random>
#include <vector>

class PtyLine;
class QTcpServer;
class QTcpSocket;

class UnitSim : public QObject {
    Q_OBJECT
public:
    explicit UnitSim(QObject* parent = nullptr);
    ~UnitSim() override;

    // Listens for station links; port 0 picks a free port.
    bool ListenTcp(const QHostAddress& host = QHostAddress::LocalHost, quint16 port = 0);
    quint16 TcpPort() const;
    QString TcpHost() const;
    // Opens a pseudo-terminal and serves it; returns the device the station opens, or
    // an empty text when no pseudo-terminal can be had.
    QString OpenPty();
    QString PtyDevice() const;

    UnitModel& Model() { return model_; }
    // How many replies that have gone out on the line carried a reading of channel ch, a
    // repeat of the last reading included (a reply the delay holds back has not gone out):
    // the readings the station can have received.
    int64_t Delivered(int ch) const { return sent_[static_cast<size_t>(ch)]; }

    // ---- transport faults, each for the next n replies ----
    void CorruptNextReplies(int n) { corrupt_ = n; }
    void OmitAckNextReplies(int n) { omitAck_ = n; }
    void InterruptNextReplies(int n) { interrupt_ = n; }
    void StrayLineFeedNextReplies(int n) { strayLf_ = n; }
    // The reply's first half only, no LF: the station's collector waits for the rest.
    void TruncateNextReplies(int n) { truncate_ = n; }
    // The commands are taken (the model changes) but their replies never leave the unit.
    void LoseNextReplies(int n) { lose_ = n; }
    // Each reply is lost with probability share (0..1, clamped), drawn from a generator seeded
    // with seed: the same seed loses the same replies of the same command stream. 0 stops it.
    // A reply LoseNextReplies takes draws nothing, so the two can be mixed and stay repeatable.
    void setLoseShare(double share, uint32_t seed);
    double LoseShare() const { return loseShare_; }
    // Replies lost so far (by the share and by LoseNextReplies), and replies that went out.
    int64_t RepliesLost() const { return repliesLost_; }
    int64_t RepliesSent() const { return repliesSent_; }

    // ---- a bad line: each kind of fault hits a seeded share of the replies ----
    enum class ReplyFault {
        Lost,        // never leaves the unit (the share setLoseShare sets)
        Garbled,     // one byte of the frame changed: its check characters fail
        Cut,         // the frame's first half only, no LF
        Altered,     // a digit of the text changed under the old check characters
        Duplicated,  // the frame sent twice, back to back
        Late,        // held back and sent right after the reply to the next command
    };
    static constexpr ReplyFault kReplyFaults[] = {ReplyFault::Lost,    ReplyFault::Garbled,    ReplyFault::Cut,
                                                  ReplyFault::Altered, ReplyFault::Duplicated, ReplyFault::Late};
    static const char* FaultName(ReplyFault kind);
    // Each reply is hit with probability share (0..1, clamped; 0 stops it), drawn from a
    // generator of the kind's own seeded with seed: the same seed hits the same replies of
    // the same command stream, whatever the other kinds do, and two kinds given the same
    // seed hit different replies. Every reply the unit gives draws once for each kind with
    // a share, except one LoseNextReplies takes (it draws nothing). A lost reply takes
    // no other fault; of cut, garbled and altered one reply takes the first that hit;
    // a duplicated reply can also be late (both copies come after the next reply).
    // A late reply whose next command's reply is lost goes out when that command arrives.
    // Only a reply with a digit in it can be altered. Lost is setLoseShare's share.
    void setFaultShare(ReplyFault kind, double share, uint32_t seed);
    double FaultShare(ReplyFault kind) const;
    // Replies the kind hit so far (Lost: RepliesLost()). A garbled, cut or altered reply
    // still counts as sent, and a duplicated one once.
    int64_t RepliesFaulted(ReplyFault kind) const;
    int64_t RepliesGarbled() const { return RepliesFaulted(ReplyFault::Garbled); }
    int64_t RepliesCut() const { return RepliesFaulted(ReplyFault::Cut); }
    int64_t RepliesAltered() const { return RepliesFaulted(ReplyFault::Altered); }
    int64_t RepliesDuplicated() const { return RepliesFaulted(ReplyFault::Duplicated); }
    int64_t RepliesLate() const { return RepliesFaulted(ReplyFault::Late); }
    // Every share back to 0 (a reply already held back as late still goes out after the next).
    void ClearFaultShares();

    // Replies still to be garbled, cut short or lost.
    int RepliesToCorrupt() const { return corrupt_; }
    int RepliesToTruncate() const { return truncate_; }
    int RepliesToLose() const { return lose_; }
    // Closes every TCP link, as a unit that is switched off and on again.
    void DropConnections();
    // Ends every TCP link as a unit does that closes it in order (reset false: the peer
    // reads the end of its stream) or resets it (reset true: the peer's socket fails).
    void CloseConnections(bool reset);
    // A unit whose listener is up before its firmware (or a device server whose serial
    // side is gone): every connection is accepted and ended at once, in order or by a reset.
    enum class Accepting { Serve, Close, Reset };
    void setAccepting(Accepting how) { accepting_ = how; }
    // Connections the listener took since it started, served or ended.
    int Accepted() const { return accepted_; }
    // A silent unit takes commands and answers none.
    void setSilent(bool on) { silent_ = on; }
    bool Silent() const { return silent_; }
    // A slow unit: each reply leaves it ms after its command arrived (0: at once), in
    // order. While the fixed clock drives the timers (tests), the delay is the clock's.
    void setReplyDelay(int ms) { replyDelayMs_ = ms > 0 ? ms : 0; }
    int ReplyDelay() const { return replyDelayMs_; }
    // Replies held back by the delay, not yet on any link.
    int RepliesHeld() const;
    // The unit's supply dips for ms: its outputs, relays, detectors and emission drop at
    // once (as PowerCycle), it takes no command and answers none meanwhile (replies still
    // on their way are lost), then it runs again in its power-on state. The TCP links
    // stay, as through a device server on the unit's serial port.
    void Brownout(int ms);
    bool Dark() const { return dark_; }

    // No byte left unread or unwritten on the unit's side of any link: every command that
    // reached it has been answered (or its reply lost). A reply held back by the reply
    // delay is not on the link yet.
    bool Quiet() const;

    // Every command text received in a good frame, oldest first.
    const QStringList& Commands() const { return commands_; }
    void ClearCommands() { commands_.clear(); }
    int TcpConnections() const { return static_cast<int>(links_.size()); }

    // The bytes of the reply frame for a reply text, faults applied.
    QByteArray ReplyBytes(const QString& reply);

signals:
    void CommandReceived(const QString& command);

private:
    struct Link;
    void Serve(Link& link, const char* data, qint64 count);
    void Send(Link& link, const QByteArray& bytes, const std::array<int64_t, 8>& readings);
    static std::array<int64_t, 8> ReadingsIn(const QString& reply);
    // The replies of the link that are due by now go out, in order.
    void SendDue(Link* link);
    bool Serves(const Link* link) const;
    // The faults of the share that hit the reply to the command just taken (counts
    // LoseNextReplies down).
    struct Hits {
        bool lost = false, garbled = false, cut = false, altered = false, duplicated = false, late = false;
        uint32_t garbledAt = 0, alteredAt = 0;  // which byte, which digit
    };
    Hits DrawFaults();
    // The reply's frame with the share's faults and then the counted ones; spoiled tells
    // whether the share's garbled, cut or altered it.
    QByteArray ReplyBytes(const QString& reply, const Hits& hits, bool& spoiled);
    // The frame faults of the share applied to a built frame; the kind applied, if any.
    std::optional<ReplyFault> Spoil(QByteArray& frame, const Hits& hits);
    // A reply on its way: sent now, or after the ones the reply delay holds.
    void Emit(Link& link, const QByteArray& bytes, const std::array<int64_t, 8>& readings);
    // The reply held back as late goes out now, if there is one.
    void ReleaseOvertaken(Link& link);
    // Runs fire ms from now, on the fixed clock when it drives the timers; never after
    // the emulator is gone.
    void After(int ms, std::function<void()> fire);
    void OnNewConnection();

    UnitModel model_;
    QTcpServer* server_ = nullptr;
    std::vector<std::unique_ptr<Link>> links_;
    PtyLine* pty_ = nullptr;
    std::unique_ptr<Link> ptyLink_;
    int corrupt_ = 0;
    int omitAck_ = 0;
    int interrupt_ = 0;
    int strayLf_ = 0;
    int truncate_ = 0;
    int lose_ = 0;
    double loseShare_ = 0.0;
    std::mt19937 loseDraw_;
    // By ReplyFault, Lost's unused (loseShare_, loseDraw_ and repliesLost_ serve it).
    static constexpr size_t kFaultKinds = std::size(kReplyFaults);
    std::array<double, kFaultKinds> faultShare_{};
    std::array<std::mt19937, kFaultKinds> faultDraw_;
    std::array<int64_t, kFaultKinds> faulted_{};
    int64_t repliesLost_ = 0;
    int64_t repliesSent_ = 0;
    bool silent_ = false;
    int replyDelayMs_ = 0;
    std::array<int64_t, 8> sent_{};
    bool dark_ = false;
    std::vector<Clock::ScheduleId> scheduled_;
    Accepting accepting_ = Accepting::Serve;
    int accepted_ = 0;
    QStringList commands_;
};
