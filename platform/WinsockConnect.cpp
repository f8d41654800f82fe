// The client side's connect, one attempt per call. The socket class's own connect tests a
// connection in progress by calling connect again on its descriptor; when the peer resets
// the connection just after accepting it, that call starts a new attempt on the same
// descriptor, and the socket keeps connecting for ever, hundreds of times a second,
// without a word to its owner. Here the attempt is a non-blocking connect of our own whose
// outcome is read once from the descriptor; a made connection is then handed to the
// socket as an open one.
#include "platform/Winsock.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

QAbstractSocket::SocketError SocketError(int error) {
    switch (error) {
    case ECONNREFUSED: return QAbstractSocket::ConnectionRefusedError;
    case ECONNRESET:
    case EPIPE: return QAbstractSocket::RemoteHostClosedError;
    case ETIMEDOUT: return QAbstractSocket::SocketTimeoutError;
    case ENETUNREACH:
    case EHOSTUNREACH:
    case ENETDOWN: return QAbstractSocket::NetworkError;
    case EACCES:
    case EPERM: return QAbstractSocket::SocketAccessError;
    case EADDRINUSE:
    case EADDRNOTAVAIL: return QAbstractSocket::AddressInUseError;
    default: return QAbstractSocket::UnknownSocketError;
    }
}

// The address and port as the system's socket address; false for an address of neither
// IP family.
bool SocketAddress(const QHostAddress& address, quint16 port, sockaddr_storage& out, socklen_t& length) {
    std::memset(&out, 0, sizeof out);
    bool v4 = false;
    const quint32 ip4 = address.toIPv4Address(&v4);
    if (v4) {
        auto* a = reinterpret_cast<sockaddr_in*>(&out);
        a->sin_family = AF_INET;
        a->sin_port = htons(port);
        a->sin_addr.s_addr = htonl(ip4);
        length = sizeof *a;
        return true;
    }
    if (address.protocol() != QAbstractSocket::IPv6Protocol) return false;
    auto* a = reinterpret_cast<sockaddr_in6*>(&out);
    a->sin6_family = AF_INET6;
    a->sin6_port = htons(port);
    const Q_IPV6ADDR ip6 = address.toIPv6Address();
    std::memcpy(&a->sin6_addr, &ip6, sizeof ip6);
    length = sizeof *a;
    return true;
}

}  // namespace

void Winsock::Connect() {
    Close();
    const int attempt = ++attempt_;
    const QHostAddress address(remoteHost_.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0
                                   ? QStringLiteral("127.0.0.1")
                                   : remoteHost_);
    if (!address.isNull()) {
        ConnectTo(address);
        return;
    }
    // A host name is looked up without holding the program up; an answer that comes after
    // another Connect or a Close belongs to no attempt.
    resolving_ = true;
    QHostInfo::lookupHost(remoteHost_, this, [this, attempt](const QHostInfo& info) {
        if (attempt != attempt_ || !resolving_) return;
        resolving_ = false;
        if (info.error() != QHostInfo::NoError || info.addresses().isEmpty()) {
            failed_ = true;
            emit Error(ErrorNumber(QAbstractSocket::HostNotFoundError), info.errorString());
            return;
        }
        ConnectTo(info.addresses().first());
    });
}

void Winsock::Connect(const QString& host, int port) {
    remoteHost_ = host;
    remotePort_ = port;
    Connect();
}

void Winsock::ConnectTo(const QHostAddress& address) {
    sockaddr_storage peer;
    socklen_t length = 0;
    if (!SocketAddress(address, static_cast<quint16>(remotePort_), peer, length)) {
        ConnectFailed(EAFNOSUPPORT);
        return;
    }
    const int fd = ::socket(peer.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        ConnectFailed(errno);
        return;
    }
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&peer), length) != 0 && errno != EINPROGRESS) {
        const int error = errno;
        ::close(fd);
        ConnectFailed(error);
        return;
    }
    // Made at once or not: the outcome is read when the descriptor turns writable, back
    // in the event loop, as for any connection.
    connectingFd_ = fd;
    connector_ = new QSocketNotifier(fd, QSocketNotifier::Write, this);
    connect(connector_, &QSocketNotifier::activated, this, &Winsock::ConnectFinished);
}

void Winsock::ConnectFinished() {
    if (connectingFd_ < 0) return;
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(connectingFd_, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
    const int fd = connectingFd_;
    connectingFd_ = -1;
    connector_->setEnabled(false);
    connector_->deleteLater();
    connector_ = nullptr;
    if (error != 0) {
        ::close(fd);
        ConnectFailed(error);
        return;
    }
    if (!socket_->setSocketDescriptor(fd, QAbstractSocket::ConnectedState)) {
        ::close(fd);
        ConnectFailed(ENOTSOCK);
        return;
    }
    OnConnected();
}

void Winsock::ConnectFailed(int error) {
    failed_ = true;
    // Reported from the event loop, as a failed connection always was: never inside the
    // caller's Connect.
    const int attempt = attempt_;
    QMetaObject::invokeMethod(
        this,
        [this, attempt, error] {
            if (attempt == attempt_ && failed_)
                emit Error(ErrorNumber(SocketError(error)), QString::fromLocal8Bit(std::strerror(error)));
        },
        Qt::QueuedConnection);
}

void Winsock::DropAttempt() {
    resolving_ = false;
    ++attempt_;
    if (connector_) {
        connector_->setEnabled(false);
        connector_->deleteLater();
        connector_ = nullptr;
    }
    if (connectingFd_ >= 0) ::close(connectingFd_);
    connectingFd_ = -1;
}
