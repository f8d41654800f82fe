// The server's serial and TCP endpoints with real clients: a TCP socket and the far end of
// an emulated serial line.
#include "RemoteStation.h"

#include "ptyline/PtyLine.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTcpSocket>

namespace {

// A client of one endpoint; what comes back collects in the inbox.
class Peer {
public:
    virtual ~Peer() = default;
    virtual void Send(const QByteArray& bytes) = 0;
    // The first n replies (up to the n-th CR), taken out of the inbox; what has arrived
    // when n replies do not come within the time.
    QByteArray Replies(int n, int ms = 5000) {
        (void)QTest::qWaitFor([&] { return inbox.count('\r') >= n; }, ms);
        qsizetype end = 0;
        for (int i = 0; i < n && end >= 0; ++i) end = inbox.indexOf('\r', end) + 1;
        if (end <= 0) end = inbox.size();
        const QByteArray taken = inbox.left(end);
        inbox.remove(0, end);
        return taken;
    }
    QByteArray inbox;
};

class TcpPeer : public Peer {
public:
    explicit TcpPeer(int16_t port) {
        QObject::connect(&socket, &QTcpSocket::readyRead, [this] { inbox += socket.readAll(); });
        socket.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port));
        (void)QTest::qWaitFor([this] { return socket.state() != QAbstractSocket::ConnectingState; }, 2000);
    }
    bool Connected() const { return socket.state() == QAbstractSocket::ConnectedState; }
    void Send(const QByteArray& bytes) override {
        socket.write(bytes);
        socket.flush();
    }
    QTcpSocket socket;
};

class SerialPeer : public Peer {
public:
    explicit SerialPeer(PtyLine& line) : line_(line) {
        QObject::connect(&line, &PtyLine::Received, [this](const QByteArray& b) { inbox += b; });
    }
    void Send(const QByteArray& bytes) override { line_.Write(bytes); }

private:
    PtyLine& line_;
};

const QByteArray kPhase = "@QP;\x06;4;48\r";
const QByteArray kReserved = "@QU;\x06;06;7F\r";

// What every endpoint must do alike.
void Exchange(Peer& peer, const char* transport) {
    SCOPED_TRACE(transport);
    // A request in two pieces is answered once, after its CR.
    peer.Send("@QP;5");
    QTest::qWait(50);
    EXPECT_TRUE(peer.inbox.isEmpty());
    peer.Send(";74\r");
    EXPECT_EQ(peer.Replies(1), kPhase);
    peer.Send("@QP;5;75\r");
    EXPECT_EQ(peer.Replies(1), QByteArray("@QP;\x15;04;6B\r"));
    // A second CR answers the same frame again; the LF after a CR goes with the next "@".
    peer.Send("@QP;5;74\r\r\n@QU;4;00\r");
    EXPECT_EQ(peer.Replies(3), kPhase + kPhase + kReserved);
    // A frame longer than the buffer is dropped with its CR.
    peer.Send("@QU;4;00" + QByteArray(1500, 'x') + "\r\r@QU;4;00\r");
    EXPECT_EQ(peer.Replies(1), kReserved);
    QTest::qWait(50);
    EXPECT_TRUE(peer.inbox.isEmpty());
}

class RemoteEndpointsTest : public RemoteStation {
protected:
    void TearDown() override {
        qunsetenv("ORUN_COM8");
        RemoteStation::TearDown();
    }
};

TEST_F(RemoteEndpointsTest, TcpAndTheSerialLineAnswerAlikeUntilShutdown) {
    PtyLine line;
    const QString device = line.Open();
    ASSERT_FALSE(device.isEmpty());
    qputenv("ORUN_COM8", device.toLocal8Bit());
    const int16_t port = FreePort();
    Start("Port=8\r\nBaudRate=19200\r\nEthernetPort=" + QByteArray::number(port) + "\r\n");
    comm->setRS232Enabled(true);
    ASSERT_TRUE(comm->RS232Enabled());
    EXPECT_EQ(serial.Settings(), "19200,N,8,1");
    TcpPeer client(port);
    ASSERT_TRUE(client.Connected());
    SerialPeer terminal(line);

    Exchange(client, "TCP");
    Exchange(terminal, "serial");
    EXPECT_EQ(comm->EthernetRemoteIP(), "127.0.0.1");
    EXPECT_EQ(comm->EthernetRemotePort(), client.socket.localPort());

    gApp->setPhase(PhaseCode::Shutdown);
    boxes.clear();  // the shutdown's own saving finds an empty database
    for (Peer* peer : {static_cast<Peer*>(&client), static_cast<Peer*>(&terminal)}) {
        peer->Send("@QU;4;00\r@QU;4;77\r");
        EXPECT_EQ(peer->Replies(2), QByteArray("@QU;\x15;07;6D\r@QU;\x15;07;6D\r"));
    }

    // With its port closed the serial endpoint still takes requests in, but sends nothing;
    // switched off it takes nothing.
    QSignalSpy rx(comm.get(), &cComm::CommRx);
    QSignalSpy tx(comm.get(), &cComm::CommTx);
    serial.setPortOpen(false);
    comm->RS232RcvData(QStringLiteral("@QU;4;00\r"));
    EXPECT_EQ(rx.count(), 1);
    EXPECT_EQ(tx.count(), 0);
    comm->setRS232Enabled(false);
    comm->RS232RcvData(QStringLiteral("@QU;4;00\r"));
    EXPECT_EQ(rx.count(), 1);
    qputenv("ORUN_COM8", "/nonexistent/tty");
    comm->setRS232Enabled(true);
    EXPECT_FALSE(comm->RS232Enabled());
    EXPECT_EQ(boxes.count(), 0);
}

TEST_F(RemoteEndpointsTest, AClientThatLeavesIsReplacedAfterTheListenerRestarts) {
    const int16_t port = FreePort();
    Start("Port=0\r\nEthernetPort=" + QByteArray::number(port) + "\r\n");
    auto first = std::make_unique<TcpPeer>(port);
    ASSERT_TRUE(first->Connected());
    first->Send("@QU;4;00\r");
    EXPECT_EQ(first->Replies(1), kReserved);

    QElapsedTimer sinceLeaving;
    sinceLeaving.start();
    first->socket.disconnectFromHost();
    std::unique_ptr<TcpPeer> next;
    while (sinceLeaving.elapsed() < 5000 && !(next && next->Connected())) next = std::make_unique<TcpPeer>(port);
    ASSERT_TRUE(next && next->Connected());
    EXPECT_GE(sinceLeaving.elapsed(), 900);
    next->Send("@QP;5;74\r");
    EXPECT_EQ(next->Replies(1), kPhase);

    // A reply for a client that is no longer there is dropped without a word.
    next->socket.disconnectFromHost();
    (void)QTest::qWaitFor([&] { return tcp.State() == Winsock::sckListening; }, 5000);
    QSignalSpy tx(comm.get(), &cComm::CommTx);
    comm->EthernetRcvData(QStringLiteral("@QU;4;00\r"));
    EXPECT_EQ(tx.count(), 0);
    EXPECT_EQ(boxes.count(), 0);
}

TEST_F(RemoteEndpointsTest, TenThousandMalformedFramesInOneConnectionLeaveTheServerAnswering) {
    const int16_t port = FreePort();
    Start("Port=0\r\nEthernetPort=" + QByteArray::number(port) + "\r\n");
    TcpPeer client(port);
    ASSERT_TRUE(client.Connected());
    QByteArray junk;
    for (int i = 0; i < 10000; ++i) {
        switch (i % 8) {
        case 0: junk += "@QP;5;" + QByteArray::number(0x75 + i % 100, 16).toUpper() + "\r"; break;
        case 1: junk += "@\r"; break;
        case 2:
            for (int k = 0; k < 12; ++k) junk += static_cast<char>((i * 31 + k * 17) % 256 | 0x80);
            junk += "\r";
            break;
        case 3: junk += "@qq;1;00\r"; break;
        case 4: junk += i % 400 == 4 ? QByteArray(1100, 'y') + "\r" : QByteArray("\r"); break;
        case 5: junk += "@QP;99999;00\r"; break;
        case 6: junk += QByteArray("@QU;4;0\0\r", 9); break;
        default: junk += "@UU;6;\xff\xfe;00\r"; break;
        }
    }
    client.Send(junk + "@QU;4;00\r");
    (void)QTest::qWaitFor([&] { return client.inbox.endsWith(kReserved); }, 30000);
    ASSERT_TRUE(client.inbox.endsWith(kReserved));
    const QList<QByteArray> replies = client.inbox.split('\r');
    EXPECT_GT(replies.size(), 8000);
    for (const QByteArray& reply : replies.mid(0, replies.size() - 1))
        ASSERT_NE(ReplyBody(QString::fromLatin1(reply + '\r')), "<bad checksum>") << reply.toHex().constData();
    EXPECT_EQ(tcp.State(), Winsock::sckConnected);
    EXPECT_EQ(boxes.count(), 0);
}

TEST_F(RemoteEndpointsTest, SettingsReadBackAsWrittenAndANegativePortSwitchesTcpOff) {
    Start("Port=3\r\nBaudRate=19200\r\nEthernetPort=-1\r\n");
    EXPECT_EQ(tcp.State(), Winsock::sckClosed);
    EXPECT_TRUE(comm->RS232Enabled());  // a port is configured; it opens when enabled
    QSignalSpy rx(comm.get(), &cComm::CommRx);
    comm->EthernetRcvData(QStringLiteral("@QU;4;00\r"));
    EXPECT_EQ(rx.count(), 0);

    const int16_t port = FreePort();
    comm->setEthernetLocalPort(port);
    EXPECT_EQ(tcp.State(), Winsock::sckListening);
    EXPECT_EQ(tcp.LocalPort(), port);
    comm->setEthernetLocalPort(-1);
    EXPECT_EQ(tcp.State(), Winsock::sckClosed);
    comm->setRS232Port(0);
    comm.reset();
    const QByteArray written = folder.read("ORUN.CFG");
    for (const char* line : {"Port= 0\r\n", "BaudRate= 19200\r\n", "EthernetPort=-1\r\n"})
        EXPECT_TRUE(written.contains(line)) << line << " in " << written.constData();

    // The default port is written with its blank and read back unchanged.
    Start("Port=2\r\n");
    EXPECT_EQ(comm->EthernetLocalPort(), 1001);
    comm.reset();
    EXPECT_TRUE(folder.read("ORUN.CFG").contains("EthernetPort= 1001\r\n"));
    tcp.Close();
    Start();
    EXPECT_EQ(comm->EthernetLocalPort(), 1001);
    EXPECT_EQ(comm->RS232Port(), 2);
    EXPECT_EQ(comm->RS232Baud(), 9600);

    // A value that is not a number stops the reading there.
    comm.reset();
    tcp.Close();
    boxes.clear();
    Start("Port=2\r\nBaudRate=fast\r\nEthernetPort=-1\r\n");
    EXPECT_EQ(comm->RS232Port(), 2);
    EXPECT_EQ(comm->RS232Baud(), 0);
    EXPECT_EQ(comm->EthernetLocalPort(), 0);
    EXPECT_EQ(boxes.count(), 1);
}

}  // namespace
