#include "platform/Winsock.h"

#include "platform/RuntimeError.h"

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
}  // namespace

Winsock::Winsock(QObject* parent) : QObject(parent) {
    socket_.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    connect(&socket_, &QTcpSocket::readyRead, this, [this] {
        const qint64 n = socket_.bytesAvailable();
        if (n > 0) emit DataArrival(static_cast<int>(n));
    });
    connect(&socket_, &QTcpSocket::connected, this, [this] {
        socket_.setSocketOption(QAbstractSocket::LowDelayOption, 1);
        emit Connected();
    });
    connect(&socket_, &QTcpSocket::disconnected, this, [this] {
        if (closing_) return;
        peerClosed_ = true;
        emit Closed();
    });
    connect(&socket_, &QTcpSocket::errorOccurred, this, &Winsock::onError);
}

int Winsock::State() const {
    if (failed_) return sckError;
    if (peerClosed_) return sckClosing;
    switch (socket_.state()) {
    case QAbstractSocket::HostLookupState: return sckResolvingHost;
    case QAbstractSocket::ConnectingState: return sckConnecting;
    case QAbstractSocket::ConnectedState: return sckConnected;
    case QAbstractSocket::BoundState: return sckOpen;
    case QAbstractSocket::ListeningState: return sckListening;
    case QAbstractSocket::ClosingState: return sckClosing;
    default: return sckClosed;
    }
}

void Winsock::Connect() {
    Close();
    socket_.connectToHost(remoteHost_, static_cast<quint16>(remotePort_));
}

void Winsock::Connect(const QString& host, int port) {
    remoteHost_ = host;
    remotePort_ = port;
    Connect();
}

void Winsock::Close() {
    closing_ = true;
    socket_.abort();
    closing_ = false;
    failed_ = false;
    peerClosed_ = false;
}

void Winsock::SendData(const QByteArray& bytes) {
    if (State() != sckConnected)
        throw RuntimeError(40006, QStringLiteral(
            "Wrong protocol or connection state for the requested transaction or request"));
    socket_.write(bytes);
}

QByteArray Winsock::GetData(qint64 maxLen) {
    return maxLen < 0 ? socket_.readAll() : socket_.read(maxLen);
}

void Winsock::onError(QAbstractSocket::SocketError error) {
    // The peer closing is reported through Closed, as the original did.
    if (error == QAbstractSocket::RemoteHostClosedError) return;
    failed_ = true;
    emit Error(winsockNumber(error), socket_.errorString());
}
