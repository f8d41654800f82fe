#include "platform/Winsock.h"

#include "platform/RuntimeError.h"

#include <QHostAddress>
#include <QNetworkInterface>
#include <QNetworkProxy>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

namespace {
int winsockNumber(QAbstractSocket::SocketError e) {
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

// A connected socket whose descriptor is the connection to the peer itself (not to a
// proxy), so bytes may be written to it directly.
bool Direct(const QTcpSocket& socket) {
    const QNetworkProxy::ProxyType proxy = socket.proxy().type() == QNetworkProxy::DefaultProxy
                                               ? QNetworkProxy::applicationProxy().type()
                                               : socket.proxy().type();
    return socket.state() == QAbstractSocket::ConnectedState && socket.socketDescriptor() >= 0 &&
           proxy == QNetworkProxy::NoProxy;
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

void Winsock::SetKeepAlive(const KeepAlive& times) { gKeepAlive = times; }

Winsock::KeepAlive Winsock::KeepAliveTimes() { return gKeepAlive; }

Winsock::Winsock(QObject* parent) : QObject(parent) { adopt(new QTcpSocket(this)); }

Winsock::~Winsock() {
    closing_ = true;
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
    connect(socket_, &QTcpSocket::readyRead, this, [this] {
        const qint64 n = socket_->bytesAvailable();
        if (n > 0) emit DataArrival(static_cast<int>(n));
    });
    connect(socket_, &QTcpSocket::connected, this, [this] {
        socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        EnableKeepAlive(*socket_);
        established_ = true;
        direct_ = Direct(*socket_);
        emit Connected();
    });
    connect(socket_, &QTcpSocket::disconnected, this, &Winsock::onLost);
    connect(socket_, &QTcpSocket::errorOccurred, this, &Winsock::onError);
    if (socket_->state() == QAbstractSocket::ConnectedState) {
        EnableKeepAlive(*socket_);
        established_ = true;
    }
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
    if (socket_->state() != QAbstractSocket::ConnectedState) return QString();
    QHostAddress a = socket_->peerAddress();
    bool ok = false;
    const quint32 v4 = a.toIPv4Address(&ok);
    return ok ? QHostAddress(v4).toString() : a.toString();
}

int Winsock::LocalPort() const {
    if (server_ && server_->isListening()) return server_->serverPort();
    return localPort_;
}

QString Winsock::LocalIP() const {
    if (socket_->state() == QAbstractSocket::ConnectedState) {
        bool ok = false;
        const quint32 v4 = socket_->localAddress().toIPv4Address(&ok);
        if (ok) return QHostAddress(v4).toString();
    }
    for (const QHostAddress& a : QNetworkInterface::allAddresses())
        if (a.protocol() == QAbstractSocket::IPv4Protocol && !a.isLoopback()) return a.toString();
    return QStringLiteral("127.0.0.1");
}

void Winsock::Connect() {
    Close();
    socket_->connectToHost(remoteHost_, static_cast<quint16>(remotePort_));
}

void Winsock::Connect(const QString& host, int port) {
    remoteHost_ = host;
    remotePort_ = port;
    Connect();
}

void Winsock::Close() {
    closing_ = true;
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

void Winsock::SendData(const QByteArray& bytes) {
    if (State() != sckConnected)
        throw RuntimeError(40006, QStringLiteral(
            "Wrong protocol or connection state for the requested transaction or request"));
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
    return maxLen < 0 ? socket_->readAll() : socket_->read(maxLen);
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
    emit Error(winsockNumber(error), socket_->errorString());
}
