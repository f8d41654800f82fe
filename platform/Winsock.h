#pragma once
// The TCP control the original windows held, client and one-client server in one:
// RemoteHost/RemotePort, Connect, Close, SendData, GetData, LocalPort, Listen, Accept, and
// a State with the original's codes (2 = listening, 7 = connected). Its events become
// signals: DataArrival(bytesTotal), Connected (the original's Connect event), Closed (the
// peer closed the connection), ConnectionRequest(requestID) and Error(number,
// description). Built on QTcpSocket and QTcpServer.
//
// As in the original, a listening control serves one client by closing itself (which
// stops the listening) and accepting the request on itself inside its ConnectionRequest
// handler; a request that the handler does not accept is refused when it returns.
//
// Every connection, made or accepted, sends TCP keep-alive probes while it is idle, so a
// peer that vanished without closing (a pulled cable, a computer switched off) is noticed;
// a connection lost that way, or reset by the peer, ends with Closed as a close does.
//
// A connection the control made itself (the unit's link, which answers several times per
// poll) is read and written on its descriptor once it stands, without the socket's own
// buffering: each reply then costs one read and one signal.
#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QObject>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>

class QHostAddress;
class QSocketNotifier;

class Winsock : public QObject {
    Q_OBJECT
public:
    enum StateCode : int {
        sckClosed = 0,
        sckOpen = 1,
        sckListening = 2,
        sckConnectionPending = 3,
        sckResolvingHost = 4,
        sckHostResolved = 5,
        sckConnecting = 6,
        sckConnected = 7,
        sckClosing = 8,
        sckError = 9,
    };

    explicit Winsock(QObject* parent = nullptr);
    ~Winsock() override;

    // Seconds of silence before the first keep-alive probe, seconds between probes, and
    // the number of unanswered probes that end the connection. They apply to connections
    // made from then on, process-wide; tests shorten them.
    struct KeepAlive {
        int idleSeconds = 30;
        int intervalSeconds = 10;
        int probes = 3;
    };
    static void SetKeepAlive(const KeepAlive& times);
    static KeepAlive KeepAliveTimes();

    QString RemoteHost() const { return remoteHost_; }
    void setRemoteHost(const QString& host) { remoteHost_ = host; }
    // The port to connect to; once a request is accepted, the client's port.
    int RemotePort() const { return remotePort_; }
    void setRemotePort(int port) { remotePort_ = port; }
    // Address of the connected peer ("" when not connected).
    QString RemoteHostIP() const;

    // Port to listen on; 0 picks a free one, which LocalPort gives once listening.
    int LocalPort() const;
    void setLocalPort(int port) { localPort_ = port; }
    // This computer's address on the connection, or the first IPv4 address of this host.
    QString LocalIP() const;

    int State() const;

    // Starts connecting to RemoteHost:RemotePort. Any connection in progress, open or
    // failed is dropped first, so a link that failed can always be connected again. One
    // call is one attempt: a peer that accepts and resets the connection fails it (Error),
    // and nothing connects again until Connect is called again.
    void Connect();
    void Connect(const QString& host, int port);
    // Ends the connection and stops listening.
    void Close();

    // Listens on LocalPort on every address; raises error 10048 "Address in use" when the
    // port is taken and 40020 when the control is not closed.
    void Listen();
    // Takes the connection of a ConnectionRequest on this control; raises 40020 when the
    // control is not closed and 10022 for an unknown request.
    void Accept(int requestID);

    // Sends the bytes; raises RuntimeError 40006 when not connected.
    void SendData(QByteArrayView bytes);
    // Bytes given to SendData that the system has not taken yet.
    qint64 BytesToSend() const;
    // Bounds the bytes a connection holds received and not yet taken (0: no bound, the
    // default); it applies to the present connection and to those made or accepted later.
    // A full buffer takes nothing more from the system until bytes are taken, so TCP's
    // flow control slows the peer instead of the program's memory growing.
    void setReadBufferSize(qint64 bytes);
    // Takes up to maxLen waiting bytes (all when maxLen < 0).
    QByteArray GetData(qint64 maxLen = -1);
    qint64 BytesReceived() const;
    // The connection's descriptor (-1 when there is none).
    qintptr SocketHandle() const;
    // No byte of the connection is waiting: none received and not taken (here or in the
    // system), none given to send and not yet sent.
    bool Idle() const;
    // The same for a socket of Qt's own (the emulators' side of a link).
    static bool Idle(const QTcpSocket& socket);

signals:
    void DataArrival(int bytesTotal);
    // Bytes given to SendData went to the system; bytesRemaining still wait.
    void SendProgress(qint64 bytesSent, qint64 bytesRemaining);
    void Connected();
    void Closed();
    void ConnectionRequest(int requestID);
    void Error(int number, const QString& description);

private:
    // The Winsock error number of a socket error.
    static int ErrorNumber(QAbstractSocket::SocketError e);
    void adopt(QTcpSocket* socket);
    void onError(QAbstractSocket::SocketError error);
    // The connection has ended from the peer's side (closed, reset or gone): Closed, once.
    void onLost();
    void onNewConnection();
    // A made connection that stands, without a proxy, goes on on its descriptor.
    void TakeOver();
    // The one attempt of Connect (WinsockConnect.cpp): a non-blocking connect of our own,
    // whose outcome is read once when the descriptor turns writable.
    void ConnectTo(const QHostAddress& address);
    void ConnectFinished();
    void ConnectFailed(int error);
    void DropAttempt();
    void OnConnected();
    // Stops using the descriptor and closes it; received bytes not yet taken stay
    // readable when keepReceived.
    void ReleaseDescriptor(bool keepReceived);
    void ReadDescriptor();
    void WriteDescriptor();

    QTcpSocket* socket_ = nullptr;
    QTcpServer* server_ = nullptr;
    QHash<int, QTcpSocket*> pending_;
    int nextRequest_ = 1;
    QString remoteHost_;
    int remotePort_ = 0;
    int localPort_ = 0;
    bool failed_ = false;
    bool peerClosed_ = false;
    bool closing_ = false;
    bool established_ = false;  // connected, until Close or the peer ends it
    bool direct_ = false;  // the socket's bytes may be written to its descriptor
    // The made connection once taken over: its descriptor, the bytes received and not yet
    // taken, the bytes the socket could not take yet, and the two ends' addresses.
    int fd_ = -1;
    // The attempt in progress: resolving the host name (its number, to tell a stale answer)
    // or waiting for the connection on its own descriptor.
    int attempt_ = 0;
    bool resolving_ = false;
    int connectingFd_ = -1;
    QSocketNotifier* connector_ = nullptr;
    QSocketNotifier* reader_ = nullptr;
    QSocketNotifier* writer_ = nullptr;
    QByteArray in_;
    QByteArray out_;
    qint64 readLimit_ = 0;
    QString peerIp_;
    QString localIp_;
};
