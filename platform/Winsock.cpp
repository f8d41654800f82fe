#include "platform/Winsock.h"

#include "platform/RuntimeError.h"

#include <QHostAddress>
#include <QNetworkInterface>
#include <QNetworkProxy>
#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// A connected socket whose descriptor is the connection to the peer itself (not to a
// proxy), so bytes may be written to it directly.
bool Direct(const QTcpSocket& socket) {
    const QNetworkProxy::ProxyType proxy = socket.proxy().type() == QNetworkProxy::DefaultProxy
                                               ? QNetworkProxy::applicationProxy().type()
                                               : socket.proxy().type();
    return socket.state() == QAbstractSocket::ConnectedState && socket.socketDescriptor() >= 0 &&
           proxy == QNetworkProxy::NoProxy;
}

// An address as the control shows it: IPv4 in dotted form.
QString Shown(const QHostAddress& a) {
    bool ok = false;
    const quint32 v4 = a.toIPv4Address(&ok);
    return ok ? QHostAddress(v4).toString() : a.toString();
}

RuntimeError wrongState() {
    return {40020, QStringLiteral("Invalid operation at current state")};
}

Winsock::KeepAlive gKeepAlive;

// Keep-alive on the connected socket, with the probe times of the station rather than the
// system's (two hours of silence before the first probe).
void EnableKeepAlive(QTcpSocket& socket) {
    socket.setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    const qintptr fd = socket.socketDescriptor();
    if (fd < 0) return;
    const int idle = gKeepAlive.idleSeconds, interval = gKeepAlive.intervalSeconds, probes = gKeepAlive.probes;
    ::setsockopt(static_cast<int>(fd), IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
    ::setsockopt(static_cast<int>(fd), IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
    ::setsockopt(static_cast<int>(fd), IPPROTO_TCP, TCP_KEEPCNT, &probes, sizeof probes);
}
}  // namespace

int Winsock::ErrorNumber(QAbstractSocket::SocketError e) {
    switch (e) {
    case QAbstractSocket::ConnectionRefusedError: return 10061;
    case QAbstractSocket::RemoteHostClosedError: return 10053;
    case QAbstractSocket::HostNotFoundError: return 11001;
    case QAbstractSocket::SocketTimeoutError: return 10060;
    case QAbstractSocket::NetworkError: return 10050;
    case QAbstractSocket::SocketAccessError: return 10013;
    case QAbstractSocket::AddressInUseError: return 10048;
    default: return 10000 + static_cast<int>(e);
    }
}

void Winsock::SetKeepAlive(const KeepAlive& times) { gKeepAlive = times; }

Winsock::KeepAlive Winsock::KeepAliveTimes() { return gKeepAlive; }

Winsock::Winsock(QObject* parent) : QObject(parent) { adopt(new QTcpSocket(this)); }

Winsock::~Winsock() {
    closing_ = true;
    DropAttempt();
    ReleaseDescriptor(false);
    if (socket_) socket_->abort();
}

void Winsock::adopt(QTcpSocket* socket) {
    if (socket_) {
        socket_->disconnect(this);
        socket_->abort();
        socket_->deleteLater();
    }
    socket_ = socket;
    socket_->setParent(this);
    direct_ = Direct(*socket_);
    socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    socket_->setReadBufferSize(readLimit_);
    connect(socket_, &QTcpSocket::bytesWritten, this, [this](qint64 n) { emit SendProgress(n, socket_->bytesToWrite()); });
    connect(socket_, &QTcpSocket::readyRead, this, [this] {
        const qint64 n = socket_->bytesAvailable();
        if (n > 0) emit DataArrival(static_cast<int>(n));
    });
    connect(socket_, &QTcpSocket::connected, this, &Winsock::OnConnected);
    connect(socket_, &QTcpSocket::disconnected, this, &Winsock::onLost);
    connect(socket_, &QTcpSocket::errorOccurred, this, &Winsock::onError);
    if (socket_->state() == QAbstractSocket::ConnectedState) {
        EnableKeepAlive(*socket_);
        established_ = true;
    }
}

void Winsock::OnConnected() {
    socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    EnableKeepAlive(*socket_);
    established_ = true;
    direct_ = Direct(*socket_);
    // Not inside the socket's own signal: taking over ends the socket.
    if (direct_) QMetaObject::invokeMethod(this, &Winsock::TakeOver, Qt::QueuedConnection);
    emit Connected();
}

void Winsock::onLost() {
    if (closing_ || peerClosed_) return;
    established_ = false;
    peerClosed_ = true;
    emit Closed();
}

int Winsock::State() const {
    if (failed_) return sckError;
    if (peerClosed_) return sckClosing;
    if (server_ && server_->isListening()) return sckListening;
    if (fd_ >= 0) return sckConnected;
    if (resolving_) return sckResolvingHost;
    if (connectingFd_ >= 0) return sckConnecting;
    switch (socket_->state()) {
    case QAbstractSocket::HostLookupState: return sckResolvingHost;
    case QAbstractSocket::ConnectingState: return sckConnecting;
    case QAbstractSocket::ConnectedState: return sckConnected;
    case QAbstractSocket::BoundState: return sckOpen;
    case QAbstractSocket::ListeningState: return sckListening;
    case QAbstractSocket::ClosingState: return sckClosing;
    default: return sckClosed;
    }
}

QString Winsock::RemoteHostIP() const {
    if (fd_ >= 0) return peerIp_;
    if (socket_->state() != QAbstractSocket::ConnectedState) return QString();
    return Shown(socket_->peerAddress());
}

int Winsock::LocalPort() const {
    if (server_ && server_->isListening()) return server_->serverPort();
    return localPort_;
}

QString Winsock::LocalIP() const {
    if (fd_ >= 0 && !localIp_.isEmpty()) return localIp_;
    if (socket_->state() == QAbstractSocket::ConnectedState) {
        bool ok = false;
        const quint32 v4 = socket_->localAddress().toIPv4Address(&ok);
        if (ok) return QHostAddress(v4).toString();
    }
    for (const QHostAddress& a : QNetworkInterface::allAddresses())
        if (a.protocol() == QAbstractSocket::IPv4Protocol && !a.isLoopback()) return a.toString();
    return QStringLiteral("127.0.0.1");
}



void Winsock::Close() {
    closing_ = true;
    DropAttempt();
    ReleaseDescriptor(false);
    socket_->abort();
    closing_ = false;
    direct_ = false;
    failed_ = false;
    peerClosed_ = false;
    established_ = false;
    if (server_) server_->close();
}

void Winsock::Listen() {
    if (State() != sckClosed) throw wrongState();
    if (!server_) {
        server_ = new QTcpServer(this);
        connect(server_, &QTcpServer::newConnection, this, &Winsock::onNewConnection);
    }
    if (!server_->listen(QHostAddress::Any, static_cast<quint16>(localPort_)))
        throw RuntimeError(10048, QStringLiteral("Address in use"));
}

void Winsock::Accept(int requestID) {
    if (State() != sckClosed) throw wrongState();
    QTcpSocket* s = pending_.take(requestID);
    if (!s) throw RuntimeError(10022, QStringLiteral("Invalid argument"));
    failed_ = false;
    peerClosed_ = false;
    remotePort_ = s->peerPort();
    adopt(s);
    // Bytes the client sent before it was accepted are announced now.
    if (s->bytesAvailable() > 0) {
        QMetaObject::invokeMethod(this, [this, s] {
            if (socket_ == s && s->bytesAvailable() > 0) emit DataArrival(static_cast<int>(s->bytesAvailable()));
        }, Qt::QueuedConnection);
    }
}

void Winsock::onNewConnection() {
    while (server_ && server_->hasPendingConnections()) {
        QTcpSocket* s = server_->nextPendingConnection();
        if (!s) break;
        const int id = nextRequest_++;
        pending_.insert(id, s);
        emit ConnectionRequest(id);
        // A request the handler did not accept is refused.
        if (QTcpSocket* left = pending_.take(id)) {
            left->abort();
            left->deleteLater();
        }
    }
}

void Winsock::SendData(QByteArrayView bytes) {
    if (State() != sckConnected)
        throw RuntimeError(40006, QStringLiteral(
            "Wrong protocol or connection state for the requested transaction or request"));
    if (fd_ >= 0) {
        // Bytes go out at once when nothing waits before them; what the socket does not
        // take, and anything after it, waits for the socket to take more. A failure is
        // met there too, from the event loop, as the socket would report it.
        qsizetype sent = 0;
        if (out_.isEmpty()) {
            const ssize_t n = ::send(fd_, bytes.constData(), static_cast<size_t>(bytes.size()), MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n > 0) sent = n;
        }
        if (sent < bytes.size()) {
            out_.append(bytes.constData() + sent, bytes.size() - sent);
            writer_->setEnabled(true);
        }
        return;
    }
    // The socket's own write buffers the bytes and watches the socket until it can take
    // them, and each start and end of that watch wakes the event loop once more: twice per
    // command of the unit's poll. With nothing waiting before them, the bytes go to the
    // socket at once; what it does not take (or an error) goes through the socket's write.
    qsizetype sent = 0;
    if (direct_ && socket_->bytesToWrite() == 0) {
        const ssize_t n = ::send(static_cast<int>(socket_->socketDescriptor()), bytes.constData(),
                                 static_cast<size_t>(bytes.size()), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) sent = n;
    }
    if (sent < bytes.size()) socket_->write(bytes.constData() + sent, bytes.size() - sent);
}

QByteArray Winsock::GetData(qint64 maxLen) {
    if (fd_ < 0 && in_.isEmpty()) return maxLen < 0 ? socket_->readAll() : socket_->read(maxLen);
    // Room again in a full buffer: the descriptor is read again.
    if (reader_ && !reader_->isEnabled()) reader_->setEnabled(true);
    if (maxLen < 0 || maxLen >= in_.size()) return std::exchange(in_, QByteArray());
    QByteArray part = in_.first(maxLen);
    in_.remove(0, maxLen);
    return part;
}

qint64 Winsock::BytesToSend() const { return fd_ >= 0 ? out_.size() : socket_->bytesToWrite(); }

void Winsock::setReadBufferSize(qint64 bytes) {
    readLimit_ = bytes < 0 ? 0 : bytes;
    socket_->setReadBufferSize(readLimit_);
}

qint64 Winsock::BytesReceived() const { return fd_ >= 0 || !in_.isEmpty() ? in_.size() : socket_->bytesAvailable(); }

qintptr Winsock::SocketHandle() const { return fd_ >= 0 ? fd_ : socket_->socketDescriptor(); }

namespace {
// Bytes the system has received on the descriptor and nobody has read yet.
int UnreadOn(qintptr fd) {
    int pending = 0;
    return fd >= 0 && ::ioctl(static_cast<int>(fd), FIONREAD, &pending) == 0 ? pending : 0;
}
}  // namespace

bool Winsock::Idle() const {
    if (fd_ < 0) return in_.isEmpty() && Idle(*socket_);
    return in_.isEmpty() && out_.isEmpty() && UnreadOn(fd_) == 0;
}

bool Winsock::Idle(const QTcpSocket& socket) {
    return socket.bytesAvailable() == 0 && socket.bytesToWrite() == 0 && UnreadOn(socket.socketDescriptor()) == 0;
}

void Winsock::TakeOver() {
    if (fd_ >= 0 || !established_ || !direct_ || socket_->state() != QAbstractSocket::ConnectedState) return;
    // Bytes the socket still has to send stay with it; such a connection is left as it is.
    if (socket_->bytesToWrite() > 0) return;
    const int fd = ::fcntl(static_cast<int>(socket_->socketDescriptor()), F_DUPFD_CLOEXEC, 0);
    if (fd < 0) return;
    peerIp_ = Shown(socket_->peerAddress());
    bool v4 = false;
    const quint32 local = socket_->localAddress().toIPv4Address(&v4);
    localIp_ = v4 ? QHostAddress(local).toString() : QString();
    // Bytes the socket has read and nobody has taken yet come first.
    in_ = socket_->readAll();
    // The socket closes its own descriptor only: the connection goes on on the copy.
    closing_ = true;
    socket_->abort();
    closing_ = false;
    fd_ = fd;
    reader_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
    connect(reader_, &QSocketNotifier::activated, this, &Winsock::ReadDescriptor);
    writer_ = new QSocketNotifier(fd_, QSocketNotifier::Write, this);
    writer_->setEnabled(false);
    connect(writer_, &QSocketNotifier::activated, this, &Winsock::WriteDescriptor);
}

void Winsock::ReleaseDescriptor(bool keepReceived) {
    // Their own signals may be what ends the connection: they go once back in the loop.
    for (QSocketNotifier** n : {&reader_, &writer_}) {
        if (!*n) continue;
        (*n)->setEnabled(false);
        (*n)->deleteLater();
        *n = nullptr;
    }
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    out_.clear();
    if (!keepReceived) in_.clear();
}

void Winsock::ReadDescriptor() {
    char chunk[4096];
    qint64 room = sizeof chunk;
    if (readLimit_ > 0) {
        room = std::min<qint64>(room, readLimit_ - in_.size());
        if (room <= 0) {
            // Full: the rest stays with the system until bytes are taken.
            reader_->setEnabled(false);
            return;
        }
    }
    const ssize_t n = ::recv(fd_, chunk, static_cast<size_t>(room), MSG_DONTWAIT);
    if (n > 0) {
        in_.append(chunk, n);
        emit DataArrival(static_cast<int>(in_.size()));
        return;
    }
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return;
    // Closed by the peer, reset, or dropped after unanswered keep-alive probes: what
    // arrived before stays readable.
    ReleaseDescriptor(true);
    onLost();
}

void Winsock::WriteDescriptor() {
    const ssize_t n = ::send(fd_, out_.constData(), static_cast<size_t>(out_.size()), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) out_.remove(0, n);
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
        ReleaseDescriptor(true);
        onLost();
        return;
    }
    if (out_.isEmpty()) writer_->setEnabled(false);
    // Last: a handler may send again, or end the connection.
    if (n > 0) emit SendProgress(n, out_.size());
}

void Winsock::onError(QAbstractSocket::SocketError error) {
    // The peer closing is reported through Closed, as the original did; so is a
    // connection that died under it (reset, or keep-alive probes unanswered): the peer
    // is gone either way, and the host's close handling (a server listens again) must
    // not wait behind an error message.
    if (error == QAbstractSocket::RemoteHostClosedError) return;
    if (established_) {
        onLost();
        return;
    }
    failed_ = true;
    emit Error(ErrorNumber(error), socket_->errorString());
}
