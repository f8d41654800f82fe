#include "unitsim/UnitSim.h"

#include "platform/Winsock.h"
#include "unit/OrunFrame.h"

#include "ptyline/PtyLine.h"

#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <algorithm>
#include <deque>
#include <memory>
#include <optional>

#include <sys/socket.h>

struct UnitSim::Link {
    QTcpSocket* socket = nullptr;  // null for the pseudo-terminal
    FrameCollector rx;
    // A reply held back by the reply delay: when it is due, its bytes, and which channels'
    // readings it carries.
    struct Late {
        int64_t due;
        QByteArray bytes;
        std::array<int64_t, 8> readings;
    };
    std::deque<Late> late;
    // A reply the bad line holds back until the reply to the next command has gone out.
    struct Overtaken {
        QByteArray bytes;
        std::array<int64_t, 8> readings;
    };
    std::optional<Overtaken> overtaken;
};

UnitSim::UnitSim(QObject* parent) : QObject(parent) {}

UnitSim::~UnitSim() {
    for (Clock::ScheduleId id : scheduled_) Clock::Cancel(id);
}

void UnitSim::After(int ms, std::function<void()> fire) {
    const QPointer<UnitSim> self(this);
    if (!Clock::TimersFollowClock()) {
        QTimer::singleShot(ms, Qt::PreciseTimer, this, std::move(fire));
        return;
    }
    auto id = std::make_shared<Clock::ScheduleId>(0);
    *id = Clock::Schedule(TickMs() + ms, [self, id, fire = std::move(fire)] {
        if (!self) return;
        std::erase(self->scheduled_, *id);
        fire();
    });
    scheduled_.push_back(*id);
}

bool UnitSim::Serves(const Link* link) const {
    if (link == ptyLink_.get()) return link != nullptr;
    return std::any_of(links_.begin(), links_.end(), [link](const auto& l) { return l.get() == link; });
}

int UnitSim::RepliesHeld() const {
    size_t n = ptyLink_ ? ptyLink_->late.size() : 0;
    for (const auto& link : links_) n += link->late.size();
    return static_cast<int>(n);
}

void UnitSim::setLoseShare(double share, uint32_t seed) {
    // NaN compares false both ways and so ends as 0: no loss.
    loseShare_ = share > 0.0 ? std::min(share, 1.0) : 0.0;
    loseDraw_.seed(seed);
}

const char* UnitSim::FaultName(ReplyFault kind) {
    switch (kind) {
    case ReplyFault::Lost: return "lost";
    case ReplyFault::Garbled: return "garbled";
    case ReplyFault::Cut: return "cut";
    case ReplyFault::Altered: return "altered";
    case ReplyFault::Duplicated: return "duplicated";
    case ReplyFault::Late: return "late";
    }
    return "?";
}

void UnitSim::setFaultShare(ReplyFault kind, double share, uint32_t seed) {
    if (kind == ReplyFault::Lost) {
        setLoseShare(share, seed);
        return;
    }
    const auto k = static_cast<size_t>(kind);
    faultShare_[k] = share > 0.0 ? std::min(share, 1.0) : 0.0;
    // The kind is part of the seed: one seed given to every kind does not make them hit
    // the same replies.
    std::seed_seq sequence{seed, static_cast<uint32_t>(k)};
    faultDraw_[k].seed(sequence);
}

double UnitSim::FaultShare(ReplyFault kind) const {
    return kind == ReplyFault::Lost ? loseShare_ : faultShare_[static_cast<size_t>(kind)];
}

int64_t UnitSim::RepliesFaulted(ReplyFault kind) const {
    return kind == ReplyFault::Lost ? repliesLost_ : faulted_[static_cast<size_t>(kind)];
}

void UnitSim::ClearFaultShares() {
    loseShare_ = 0.0;
    faultShare_.fill(0.0);
}

UnitSim::Hits UnitSim::DrawFaults() {
    Hits hits;
    if (lose_ > 0) {
        --lose_;
        hits.lost = true;
        return hits;
    }
    // One draw per reply and kind (two when it hits and needs a place), so each kind's
    // pattern depends only on its seed and the count of replies.
    const auto hit = [](double share, std::mt19937& draw) {
        return share > 0.0 && std::uniform_real_distribution<double>(0.0, 1.0)(draw) < share;
    };
    hits.lost = hit(loseShare_, loseDraw_);
    const auto kind = [&](ReplyFault f, uint32_t* at) {
        const auto k = static_cast<size_t>(f);
        const bool h = hit(faultShare_[k], faultDraw_[k]);
        if (h && at) *at = faultDraw_[k]();
        return h;
    };
    hits.garbled = kind(ReplyFault::Garbled, &hits.garbledAt);
    hits.cut = kind(ReplyFault::Cut, nullptr);
    hits.altered = kind(ReplyFault::Altered, &hits.alteredAt);
    hits.duplicated = kind(ReplyFault::Duplicated, nullptr);
    hits.late = kind(ReplyFault::Late, nullptr);
    return hits;
}

std::optional<UnitSim::ReplyFault> UnitSim::Spoil(QByteArray& frame, const Hits& hits) {
    // The text lies between the length character and the blank; the two check
    // characters follow the blank.
    const qsizetype text = 2, textEnd = frame.size() - 4;
    if (hits.cut) {
        frame.truncate(frame.size() / 2);
        return ReplyFault::Cut;
    }
    if (hits.garbled) {
        // A byte of the text or a check character; never made a "!" or LF, which would
        // change where the frame starts or ends rather than what it says.
        const qsizetype places = textEnd - text + 2;
        qsizetype at = text + static_cast<qsizetype>(hits.garbledAt % static_cast<uint32_t>(places));
        if (at >= textEnd) at += 1;  // past the blank
        char changed = static_cast<char>(frame[at] ^ 0x01);
        if (changed == '!' || changed == '\n') changed = static_cast<char>(frame[at] ^ 0x02);
        frame[at] = changed;
        return ReplyFault::Garbled;
    }
    if (hits.altered) {
        std::vector<qsizetype> digits;
        for (qsizetype i = text; i < textEnd; ++i)
            if (frame[i] >= '0' && frame[i] <= '9') digits.push_back(i);
        if (digits.empty()) return std::nullopt;
        const qsizetype at = digits[hits.alteredAt % digits.size()];
        // Another digit: the frame still looks like a reply, and one changed byte always
        // fails the check.
        frame[at] = frame[at] == '9' ? '0' : static_cast<char>(frame[at] + 1);
        return ReplyFault::Altered;
    }
    return std::nullopt;
}

void UnitSim::Brownout(int ms) {
    model_.PowerCycle();
    dark_ = true;
    for (auto& link : links_) {
        link->late.clear();
        link->overtaken.reset();
    }
    if (ptyLink_) {
        ptyLink_->late.clear();
        ptyLink_->overtaken.reset();
    }
    After(ms, [this] { dark_ = false; });
}

bool UnitSim::ListenTcp(const QHostAddress& host, quint16 port) {
    if (!server_) {
        server_ = new QTcpServer(this);
        connect(server_, &QTcpServer::newConnection, this, &UnitSim::OnNewConnection);
    }
    return server_->listen(host, port);
}

quint16 UnitSim::TcpPort() const { return server_ ? server_->serverPort() : 0; }
QString UnitSim::TcpHost() const { return server_ ? server_->serverAddress().toString() : QString(); }

namespace {

// Ends a connection as the peer reads the end of its stream, or with a reset that fails
// the peer's socket.
void EndSocket(QTcpSocket* socket, bool reset) {
    if (reset) {
        // No lingering: the close sends a reset instead of the end of the stream.
        const linger none{1, 0};
        ::setsockopt(static_cast<int>(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &none, sizeof none);
        socket->abort();
    } else {
        socket->disconnectFromHost();
    }
    socket->deleteLater();
}

}  // namespace

void UnitSim::OnNewConnection() {
    while (QTcpSocket* s = server_->nextPendingConnection()) {
        ++accepted_;
        if (accepting_ != Accepting::Serve) {
            EndSocket(s, accepting_ == Accepting::Reset);
            continue;
        }
        s->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        auto link = std::make_unique<Link>();
        link->socket = s;
        Link* raw = link.get();
        links_.push_back(std::move(link));
        connect(s, &QTcpSocket::readyRead, this, [this, raw] {
            const QByteArray bytes = raw->socket->readAll();
            Serve(*raw, bytes.constData(), bytes.size());
        });
        connect(s, &QTcpSocket::disconnected, this, [this, raw] {
            for (auto it = links_.begin(); it != links_.end(); ++it) {
                if (it->get() == raw) {
                    raw->socket->deleteLater();
                    links_.erase(it);
                    break;
                }
            }
        });
    }
}

void UnitSim::DropConnections() {
    for (auto& link : links_) {
        link->socket->disconnect(this);
        link->socket->abort();
        link->socket->deleteLater();
    }
    links_.clear();
}

void UnitSim::CloseConnections(bool reset) {
    for (auto& link : links_) {
        link->socket->disconnect(this);
        EndSocket(link->socket, reset);
    }
    links_.clear();
}

bool UnitSim::Quiet() const {
    for (const auto& link : links_) {
        if (!Winsock::Idle(*link->socket)) return false;
    }
    return true;
}

QString UnitSim::OpenPty() {
    if (!pty_) {
        pty_ = new PtyLine(this);
        ptyLink_ = std::make_unique<Link>();
        connect(pty_, &PtyLine::Received, this,
                [this](const QByteArray& bytes) { Serve(*ptyLink_, bytes.constData(), bytes.size()); });
    }
    return pty_->Open();
}

QString UnitSim::PtyDevice() const { return pty_ ? pty_->Device() : QString(); }

void UnitSim::Serve(Link& link, const char* data, qint64 count) {
    // A unit without supply reads nothing of what reaches it.
    if (dark_) return;
    for (qint64 i = 0; i < count; ++i) {
        if (!link.rx.Feed(static_cast<uint8_t>(data[i]))) continue;
        // A command frame that fails its check gets no answer, as from the real unit.
        if (!link.rx.CheckOk()) continue;
        const QByteArrayView text = link.rx.Text();
        const QString command = QString::fromLatin1(text.data(), text.size());
        commands_ << command;
        const QString reply = model_.Answer(command);
        emit CommandReceived(command);
        if (silent_) continue;
        const Hits hits = DrawFaults();
        if (hits.lost) {
            ++repliesLost_;
            ReleaseOvertaken(link);
            continue;
        }
        bool spoiled = false;
        QByteArray bytes = ReplyBytes(reply, hits, spoiled);
        std::array<int64_t, 8> readings = ReadingsIn(reply);
        // The station cannot take a reading from a frame it cannot read.
        if (spoiled) readings = {};
        if (hits.duplicated) {
            bytes += bytes;
            ++faulted_[static_cast<size_t>(ReplyFault::Duplicated)];
        }
        if (hits.late) {
            ++faulted_[static_cast<size_t>(ReplyFault::Late)];
            ReleaseOvertaken(link);
            link.overtaken = Link::Overtaken{bytes, readings};
            continue;
        }
        Emit(link, bytes, readings);
        ReleaseOvertaken(link);
    }
}

void UnitSim::Emit(Link& link, const QByteArray& bytes, const std::array<int64_t, 8>& readings) {
    if (replyDelayMs_ == 0 && link.late.empty()) {
        Send(link, bytes, readings);
        return;
    }
    link.late.push_back({TickMs() + replyDelayMs_, bytes, readings});
    Link* held = &link;
    After(replyDelayMs_, [this, held] { SendDue(held); });
}

void UnitSim::ReleaseOvertaken(Link& link) {
    if (!link.overtaken) return;
    const Link::Overtaken out = std::move(*link.overtaken);
    link.overtaken.reset();
    Emit(link, out.bytes, out.readings);
}

void UnitSim::Send(Link& link, const QByteArray& bytes, const std::array<int64_t, 8>& readings) {
    if (link.socket) link.socket->write(bytes);
    else if (pty_) pty_->Write(bytes);
    ++repliesSent_;
    for (size_t ch = 0; ch < sent_.size(); ++ch) sent_[ch] += readings[ch];
}

// A reading reply ("G", also the repeat "g" gives) has one field per channel, empty for a
// channel without a reading in it.
std::array<int64_t, 8> UnitSim::ReadingsIn(const QString& reply) {
    std::array<int64_t, 8> readings{};
    if (!reply.startsWith(QLatin1Char('G'))) return readings;
    const QStringList fields = reply.split(QLatin1Char(';'));
    for (size_t ch = 0; ch < readings.size(); ++ch) readings[ch] = !fields.value(static_cast<int>(ch) + 1).isEmpty();
    return readings;
}

void UnitSim::SendDue(Link* link) {
    // The link may have closed meanwhile, and the replies gone with a supply dip.
    if (!Serves(link)) return;
    const int64_t now = TickMs();
    while (!link->late.empty() && link->late.front().due <= now) {
        Send(*link, link->late.front().bytes, link->late.front().readings);
        link->late.pop_front();
    }
}

QByteArray UnitSim::ReplyBytes(const QString& reply) {
    bool spoiled = false;
    return ReplyBytes(reply, Hits{}, spoiled);
}

QByteArray UnitSim::ReplyBytes(const QString& reply, const Hits& hits, bool& spoiled) {
    QByteArray text = reply.toLatin1();
    if (omitAck_ > 0) --omitAck_;
    else text.prepend('A');
    // A reply longer than a frame holds (only absurd settings make one) is cut to the
    // frame's length: the station still gets the reply's first fields.
    QByteArray frame = OrunFrame::BuildFrame(QByteArrayView(text).first(std::min<qsizetype>(text.size(), OrunFrame::kMaxText)));
    const std::optional<ReplyFault> fault = Spoil(frame, hits);
    spoiled = fault.has_value();
    if (fault) ++faulted_[static_cast<size_t>(*fault)];
    if (corrupt_ > 0) {
        --corrupt_;
        frame[frame.size() - 3] = static_cast<char>(frame[frame.size() - 3] ^ 0x01);
    }
    if (interrupt_ > 0) {
        --interrupt_;
        // A frame broken off mid-way, then the whole frame: the station must start again
        // at the second "!".
        frame.prepend(frame.left(frame.size() / 2));
    }
    if (strayLf_ > 0) {
        --strayLf_;
        frame.append('\n');
    }
    if (truncate_ > 0) {
        --truncate_;
        frame.truncate(frame.size() / 2);
    }
    return frame;
}
