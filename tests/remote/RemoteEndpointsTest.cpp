// The serial and TCP endpoints with real clients: TCP sockets and the far end of an
// emulated serial line.
#include "RemoteStation.h"

#include "ptyline/PtyLine.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTcpSocket>
#include <cerrno>
#include <cstring>
#include <functional>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const QByteArray kPhase = "@QP;\x06;4;48\r";
const QByteArray kReserved = "@QU;\x06;06;7F\r";

// A client of one endpoint; what comes back collects in the inbox.
struct Peer {
    std::function<void(const QByteArray&)> Send;
    QByteArray inbox;
    // The first n replies, taken out of the inbox (what has come when they do not come).
    QByteArray Replies(int n) {
        (void)QTest::qWaitFor([&] { return inbox.count('\r') >= n; }, 5000);
        qsizetype end = 0;
        for (int i = 0; i < n && end < inbox.size(); ++i) end = inbox.indexOf('\r', end) + 1;
        const QByteArray taken = inbox.left(end > 0 ? end : inbox.size());
        inbox.remove(0, taken.size());
        return taken;
    }
};

struct TcpPeer : Peer {
    explicit TcpPeer(int16_t port) {
        Send = [this](const QByteArray& b) { socket.write(b); };
        QObject::connect(&socket, &QTcpSocket::readyRead, [this] { inbox += socket.readAll(); });
        socket.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port));
        (void)QTest::qWaitFor([this] { return socket.state() != QAbstractSocket::ConnectingState; }, 2000);
    }
    bool Connected() const { return socket.state() == QAbstractSocket::ConnectedState; }
    QTcpSocket socket;
};

// What every endpoint does alike.
void Exchange(Peer& peer) {
    peer.Send("@QP;5");  // a request in two pieces is answered once, after its CR
    QTest::qWait(50);
    EXPECT_TRUE(peer.inbox.isEmpty());
    peer.Send(";74\r");
    EXPECT_EQ(peer.Replies(1), kPhase);
    peer.Send("@QP;5;75\r");
    EXPECT_EQ(peer.Replies(1), QByteArray("@QP;\x15;04;6B\r"));
    // A second CR answers the frame again; an LF after a CR goes with the next "@".
    peer.Send("@QP;5;74\r\r\n@QU;4;00\r");
    EXPECT_EQ(peer.Replies(3), kPhase + kPhase + kReserved);
    // A frame longer than the buffer is dropped with its CR.
    peer.Send("@QU;4;00" + QByteArray(1500, 'x') + "\r\r@QU;4;00\r");
    EXPECT_EQ(peer.Replies(1), kReserved);
    QTest::qWait(50);
    EXPECT_TRUE(peer.inbox.isEmpty());
}

// Brings the loopback interface of the process's network namespace up or down.
bool SetLoopback(bool up) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0) return false;
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    bool ok = ::ioctl(fd, SIOCGIFFLAGS, &request) == 0;
    if (ok) {
        if (up) request.ifr_flags = static_cast<short>(request.ifr_flags | IFF_UP);
        else request.ifr_flags = static_cast<short>(request.ifr_flags & ~IFF_UP);
        ok = ::ioctl(fd, SIOCSIFFLAGS, &request) == 0;
    }
    ::close(fd);
    return ok;
}

}  // namespace

TEST_F(RemoteStation, TcpAndTheSerialLineAnswerAlikeUntilShutdown) {
    PtyLine line;
    qputenv("ORUN_COM8", line.Open().toLocal8Bit());
    const int16_t port = FreePort();
    Start("Port=8\r\nBaudRate=19200\r\nEthernetPort=" + QByteArray::number(port) + "\r\n");
    comm->setRS232Enabled(true);
    ASSERT_TRUE(comm->RS232Enabled());
    EXPECT_EQ(serial.Settings(), "19200,N,8,1");
    TcpPeer client(port);
    ASSERT_TRUE(client.Connected());
    Peer terminal{[&line](const QByteArray& b) { line.Write(b); }, {}};
    QObject::connect(&line, &PtyLine::Received, [&terminal](const QByteArray& b) { terminal.inbox += b; });
    for (Peer* peer : {static_cast<Peer*>(&client), &terminal}) Exchange(*peer);
    EXPECT_EQ(comm->EthernetRemotePort(), client.socket.localPort());

    gApp->setPhase(PhaseCode::Shutdown);
    for (Peer* peer : {static_cast<Peer*>(&client), &terminal}) {
        peer->Send("@QU;4;00\r@QU;4;77\r");
        EXPECT_EQ(peer->Replies(2), QByteArray("@QU;\x15;07;6D\r@QU;\x15;07;6D\r"));
    }

    // A closed serial port takes requests in but sends nothing; switched off it takes none.
    QSignalSpy rx(comm.get(), &cComm::CommRx);
    QSignalSpy tx(comm.get(), &cComm::CommTx);
    serial.setPortOpen(false);
    comm->RS232RcvData(QStringLiteral("@QU;4;00\r"));
    comm->setRS232Enabled(false);
    comm->RS232RcvData(QStringLiteral("@QU;4;00\r"));
    EXPECT_EQ(rx.count(), 1);
    EXPECT_EQ(tx.count(), 0);
    qputenv("ORUN_COM8", "/nonexistent/tty");
    comm->setRS232Enabled(true);
    EXPECT_FALSE(comm->RS232Enabled());
    qunsetenv("ORUN_COM8");
}

TEST_F(RemoteStation, AClientThatLeavesIsReplacedAndTenThousandBadFramesAreSurvived) {
    const int16_t port = FreePort();
    Start("Port=0\r\nEthernetPort=" + QByteArray::number(port) + "\r\n");
    auto first = std::make_unique<TcpPeer>(port);
    ASSERT_TRUE(first->Connected());
    QElapsedTimer sinceLeaving;
    sinceLeaving.start();
    first->socket.disconnectFromHost();
    std::unique_ptr<TcpPeer> client;
    while (sinceLeaving.elapsed() < 5000 && !(client && client->Connected())) client = std::make_unique<TcpPeer>(port);
    ASSERT_TRUE(client->Connected());
    EXPECT_GE(sinceLeaving.elapsed(), 900);

    QByteArray junk;
    for (int i = 0; i < 10000; ++i) {
        const QByteArray kinds[] = {"@QP;5;" + QByteArray::number(0x75 + i % 100, 16).toUpper(),
                                    "@", "@qq;1;00", "@QP;99999;00", QByteArray("@QU;4;0\0", 8), "\xff@\xfe;6;\x80",
                                    QByteArray(i % 48 == 6 ? 1100 : 0, 'y'), QByteArray(12, static_cast<char>(0x80 | i))};
        junk += kinds[i % 8] + '\r';
    }
    client->Send(junk + "@QU;4;00\r");
    (void)QTest::qWaitFor([&] { return client->inbox.endsWith(kReserved); }, 30000);
    const QList<QByteArray> replies = client->inbox.split('\r');
    // Every frame is answered but the 209 overlong ones and the junk after each up to its "@".
    EXPECT_EQ(replies.size() - 1, 10001 - 2 * 209);
    for (const QByteArray& reply : replies.mid(0, replies.size() - 1))
        ASSERT_NE(ReplyBody(QString::fromLatin1(reply + '\r')), "<bad frame>") << reply.toHex().constData();
    EXPECT_TRUE(client->inbox.endsWith(kReserved));

    // A reply for a client that is no longer there is dropped without a word.
    client->socket.disconnectFromHost();
    (void)QTest::qWaitFor([&] { return tcp.State() == Winsock::sckListening; }, 5000);
    QSignalSpy tx(comm.get(), &cComm::CommTx);
    comm->EthernetRcvData(QStringLiteral("@QU;4;00\r"));
    EXPECT_EQ(tx.count(), 0);
    EXPECT_EQ(boxes.count(), 0);
}

TEST_F(RemoteStation, SettingsReadBackAsWrittenAndANegativePortSwitchesTcpOff) {
    Start("Port=3\r\nBaudRate=19200\r\nEthernetPort=-1\r\n");
    EXPECT_EQ(tcp.State(), Winsock::sckClosed);
    QSignalSpy rx(comm.get(), &cComm::CommRx);
    comm->EthernetRcvData(QStringLiteral("@QU;4;00\r"));
    EXPECT_EQ(rx.count(), 0);
    const int16_t port = FreePort();
    comm->setEthernetLocalPort(port);
    EXPECT_EQ(tcp.LocalPort(), port);
    comm->setEthernetLocalPort(-1);
    EXPECT_EQ(tcp.State(), Winsock::sckClosed);
    comm.reset();
    for (const char* line : {"Port= 3\r\n", "BaudRate= 19200\r\n", "EthernetPort=-1\r\n"})
        EXPECT_TRUE(folder.read("ORUN.CFG").contains(line)) << line;

    Start("Port=0\r\n");  // the default port, written with its blank and read back
    comm.reset();
    EXPECT_TRUE(folder.read("ORUN.CFG").contains("EthernetPort= 1001\r\n"));
    tcp.Close();
    Start();
    EXPECT_EQ(comm->EthernetLocalPort(), 1001);
    EXPECT_EQ(comm->RS232Baud(), 9600);
}

// A client that vanished without closing (its cable pulled, its computer switched off)
// holds the one client slot only until the keep-alive probes go unanswered; then the
// listener returns, as after a close. The cable is pulled by taking down the loopback of
// a network namespace of the test's own: nothing reaches the client any more, and its
// end stays open, as a dead peer's would. Without a namespace of its own (it needs root)
// the test is skipped; the keep-alive settings themselves are checked with the socket
// layer.
TEST_F(RemoteStation, AClientThatVanishesWithoutClosingFreesTheServer) {
    if (::unshare(CLONE_NEWNET) != 0) GTEST_SKIP() << "no network namespace of its own: " << std::strerror(errno);
    ASSERT_TRUE(SetLoopback(true));
    Winsock::SetKeepAlive({1, 1, 2});
    const int16_t port = FreePort();
    Start("Port=0\r\nEthernetPort=" + QByteArray::number(port) + "\r\n");
    TcpPeer vanished(port);
    ASSERT_TRUE(vanished.Connected());
    vanished.Send("@QP;5;74\r");
    EXPECT_EQ(vanished.Replies(1), kPhase);
    ASSERT_EQ(tcp.State(), Winsock::sckConnected);

    ASSERT_TRUE(SetLoopback(false));
    EXPECT_TRUE(QTest::qWaitFor([&] { return tcp.State() == Winsock::sckListening; }, 20000));
    ASSERT_TRUE(SetLoopback(true));
    EXPECT_TRUE(vanished.Connected());  // it never closed
    TcpPeer next(port);
    ASSERT_TRUE(next.Connected());
    next.Send("@QP;5;74\r");
    EXPECT_EQ(next.Replies(1), kPhase);
    EXPECT_EQ(boxes.count(), 0);
    Winsock::SetKeepAlive({});
}
