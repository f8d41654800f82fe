#pragma once
// The TCP client control the original windows held: RemoteHost/RemotePort, Connect,
// Close, SendData, GetData, and a State with the original's codes (7 = connected).
// Its events become signals: DataArrival(bytesTotal), Connected (the original's
// Connect event), Closed (the original's Close event: the peer closed the connection)
// and Error(number, description). Built on QTcpSocket.
#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTcpSocket>

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

    QString RemoteHost() const { return remoteHost_; }
    void setRemoteHost(const QString& host) { remoteHost_ = host; }
    int RemotePort() const { return remotePort_; }
    void setRemotePort(int port) { remotePort_ = port; }

    int State() const;

    // Starts connecting to RemoteHost:RemotePort. Any connection in progress, open or
    // failed is dropped first, so a link that failed can always be connected again.
    void Connect();
    void Connect(const QString& host, int port);
    void Close();

    // Sends the bytes; raises RuntimeError 40006 when not connected.
    void SendData(const QByteArray& bytes);
    // Takes up to maxLen waiting bytes (all when maxLen < 0).
    QByteArray GetData(qint64 maxLen = -1);
    qint64 BytesReceived() const { return socket_.bytesAvailable(); }

signals:
    void DataArrival(int bytesTotal);
    void Connected();
    void Closed();
    void Error(int number, const QString& description);

private:
    void onError(QAbstractSocket::SocketError error);

    QTcpSocket socket_;
    QString remoteHost_;
    int remotePort_ = 0;
    bool failed_ = false;
    bool peerClosed_ = false;
    bool closing_ = false;
};
