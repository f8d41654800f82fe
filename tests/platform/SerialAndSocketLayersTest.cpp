#include "platform/ComPortName.h"
#include "platform/MSComm.h"
#include "platform/RuntimeError.h"
#include "platform/SPort.h"
#include "platform/Winsock.h"

#include "ptyline/PtyLine.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>
#include <QTcpSocket>
#include <array>
#include <gtest/gtest.h>
#include <random>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

namespace {

// What the kernel holds for the control's connection: keep-alive on, seconds idle before
// the first probe, seconds between probes, probes before the connection is dropped.
std::array<int, 4> KeepAliveOf(const Winsock& control) {
    std::array<int, 4> v{-1, -1, -1, -1};
    const int fd = static_cast<int>(control.SocketHandle());
    if (fd < 0 || control.State() != Winsock::sckConnected) return v;
    const std::pair<int, int> options[] = {
        {SOL_SOCKET, SO_KEEPALIVE}, {IPPROTO_TCP, TCP_KEEPIDLE}, {IPPROTO_TCP, TCP_KEEPINTVL}, {IPPROTO_TCP, TCP_KEEPCNT}};
    for (size_t i = 0; i < v.size(); ++i) {
        socklen_t size = sizeof v[i];
        ::getsockopt(fd, options[i].first, options[i].second, &v[i], &size);
    }
    return v;
}

}  // namespace

TEST(ComPortName, ComNamesMapToTheEnvironmentOrTheSerialDevices) {
    qunsetenv("ORUN_COM3");
    EXPECT_EQ(ComPortDevice("COM3"), "/dev/ttyS2");
    EXPECT_EQ(ComPortDevice("com1"), "/dev/ttyS0");
    qputenv("ORUN_COM3", "/dev/pts/7");
    EXPECT_EQ(ComPortDevice("COM3"), "/dev/pts/7");
    qunsetenv("ORUN_COM3");
    EXPECT_EQ(ComPortDevice("/dev/ttyUSB0"), "/dev/ttyUSB0");
    EXPECT_EQ(ComPortDevice("COM0"), "COM0");
}

TEST(SPort, SettingsTextIsCheckedAndAMissingPortDoesNotOpen) {
    SPort port;
    port.SetSettings("115200,N,8,1");
    EXPECT_EQ(port.Settings(), "115200,N,8,1");
    for (const char* bad : {"115200,N,8", "fast,N,8,1", "9600,X,8,1", "9600,N,9,1", "9600,N,8,3"}) {
        try {
            port.SetSettings(bad);
            ADD_FAILURE() << bad << " accepted";
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.number, 380);
        }
    }
    EXPECT_EQ(port.Settings(), "115200,N,8,1");
    qputenv("ORUN_COM9", "/nonexistent/tty");
    EXPECT_FALSE(port.Open("COM9"));
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.Write(QByteArray("x")), 0);
    qunsetenv("ORUN_COM9");
}

TEST(Winsock, FailedConnectCanBeRetriedAndPeerCloseIsReported) {
    // A port that refuses: reserve one, then let it go.
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
    const quint16 port = probe.serverPort();
    probe.close();

    Winsock sock;
    QSignalSpy errors(&sock, &Winsock::Error);
    sock.Connect("127.0.0.1", port);
    ASSERT_TRUE(errors.wait(3000));
    EXPECT_EQ(errors.takeFirst().at(0).toInt(), 10061);
    EXPECT_EQ(sock.State(), Winsock::sckError);
    try {
        sock.SendData("x");
        ADD_FAILURE() << "sent on a failed socket";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number, 40006);
    }

    // The same control connects once the peer is there.
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, port));
    QSignalSpy connected(&sock, &Winsock::Connected);
    sock.Connect();
    ASSERT_TRUE(connected.wait(3000));
    EXPECT_EQ(sock.State(), Winsock::sckConnected);
    // A unit that vanishes without closing is found out within a minute.
    EXPECT_EQ(KeepAliveOf(sock), (std::array<int, 4>{1, 30, 10, 3}));
    ASSERT_TRUE(server.hasPendingConnections() || server.waitForNewConnection(3000));
    QTcpSocket* peer = server.nextPendingConnection();

    QSignalSpy arrival(&sock, &Winsock::DataArrival);
    peer->write("hello");
    peer->flush();
    ASSERT_TRUE(arrival.wait(3000)) << sock.State() << " " << sock.BytesReceived();
    EXPECT_EQ(sock.GetData(2), "he");
    EXPECT_EQ(sock.BytesReceived(), 3);
    EXPECT_EQ(sock.GetData(), "llo");

    // What the socket cannot take at once follows later, and what is sent meanwhile waits
    // its turn: the peer gets every byte, in order.
    QByteArray big(16 << 20, 'a');
    for (qsizetype i = 0; i < big.size(); i += 4096) big[i] = char('b' + (i / 4096) % 20);
    sock.SendData(big);
    sock.SendData("tail");
    QByteArray got;
    ASSERT_TRUE(QTest::qWaitFor([&] { return (got += peer->readAll()).size() >= big.size() + 4; }, 30000)) << got.size();
    EXPECT_TRUE(got == big + "tail");

    QSignalSpy closed(&sock, &Winsock::Closed);
    peer->disconnectFromHost();
    ASSERT_TRUE(closed.wait(3000));
    EXPECT_EQ(sock.State(), Winsock::sckClosing);
    sock.Close();
    EXPECT_EQ(sock.State(), Winsock::sckClosed);
}

// A connection the control made is read on its own descriptor once it stands; bytes the
// peer sent before that, in the same moment, or long after, in pieces of any size, all
// come out once and in order, however the reader takes them. A reset ends the connection
// with one Closed, keeps what arrived before it readable, and the control connects again.
TEST(Winsock, AMadeConnectionDeliversEveryByteOnceAndInOrderAcrossItsLife) {
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    std::mt19937 rng(4120);
    for (int round = 0; round < 3; ++round) {
        Winsock sock;
        QByteArray sent, got;
        QTcpSocket* peer = nullptr;
        QSignalSpy connected(&sock, &Winsock::Connected);
        QObject::connect(&sock, &Winsock::DataArrival, &sock, [&](int total) {
            EXPECT_EQ(total, sock.BytesReceived());
            got += sock.GetData(1 + static_cast<qint64>(rng() % 3));
        });
        // The peer speaks first, before the control has even seen its connection stand;
        // the control reads some of it at once, the rest stays buffered meanwhile.
        QObject::connect(&sock, &Winsock::Connected, &sock, [&] {
            if (QTcpSocket* inner = sock.findChild<QTcpSocket*>()) inner->waitForReadyRead(3000);
        });
        sock.Connect("127.0.0.1", server.serverPort());
        ASSERT_TRUE(server.waitForNewConnection(3000));
        peer = server.nextPendingConnection();
        const QByteArray first = "first words " + QByteArray::number(round);
        peer->write(first);
        ASSERT_TRUE(peer->waitForBytesWritten(3000));
        sent += first;
        ASSERT_TRUE(connected.wait(3000) || connected.size() == 1);
        for (int piece = 0; piece < 40; ++piece) {
            QByteArray bytes(1 + static_cast<int>(rng() % 300), Qt::Uninitialized);
            for (char& c : bytes) c = static_cast<char>(rng());
            peer->write(bytes);
            if (rng() % 3 == 0) peer->flush();
            sent += bytes;
            if (rng() % 4 == 0) QTest::qWait(static_cast<int>(rng() % 5));
        }
        peer->flush();
        ASSERT_TRUE(QTest::qWaitFor([&] { return got.size() + sock.BytesReceived() >= sent.size(); }, 5000));
        // Bytes waiting to be taken keep the connection from being idle.
        EXPECT_EQ(sock.Idle(), got.size() == sent.size());
        got += sock.GetData();
        EXPECT_TRUE(got == sent) << got.size() << " of " << sent.size();
        EXPECT_TRUE(sock.Idle());

        // Both ways: what the control sends reaches the peer.
        sock.SendData("to the peer");
        QByteArray back;
        ASSERT_TRUE(QTest::qWaitFor([&] { return (back += peer->readAll()).size() >= 11; }, 3000));
        EXPECT_EQ(back, "to the peer");

        QObject::disconnect(&sock, &Winsock::DataArrival, nullptr, nullptr);
        // Bytes not yet taken, in the control or still in the system, keep it from being idle.
        peer->write("unread");
        ASSERT_TRUE(peer->waitForBytesWritten(3000));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !sock.Idle(); }, 3000)) << "bytes in the system count too";
        EXPECT_TRUE(QTest::qWaitFor([&] { return sock.BytesReceived() == 6; }, 3000));
        EXPECT_EQ(sock.GetData(), "unread");
        EXPECT_TRUE(sock.Idle());

        // Bytes then a reset: the bytes stay readable, Closed comes once.
        QSignalSpy closed(&sock, &Winsock::Closed);
        QSignalSpy arrival(&sock, &Winsock::DataArrival);
        peer->write("last");
        peer->flush();
        ASSERT_TRUE(arrival.wait(3000));
        peer->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        struct linger reset{1, 0};
        ::setsockopt(static_cast<int>(peer->socketDescriptor()), SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
        peer->abort();
        ASSERT_TRUE(closed.wait(3000) || closed.size() == 1);
        EXPECT_EQ(sock.State(), Winsock::sckClosing);
        EXPECT_EQ(sock.GetData(), "last");
        try {
            sock.SendData("x");
            ADD_FAILURE() << "sent on a lost connection";
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.number, 40006);
        }
        QTest::qWait(50);
        EXPECT_EQ(closed.size(), 1);
        sock.Close();
        EXPECT_EQ(sock.State(), Winsock::sckClosed);
        delete peer;
    }
}

TEST(Winsock, ListeningControlServesOneClientAndRefusesOthersUntilItListensAgain) {
    Winsock server;
    server.setLocalPort(0);
    server.Listen();
    EXPECT_EQ(server.State(), Winsock::sckListening);
    const int port = server.LocalPort();
    ASSERT_GT(port, 0);
    // The one-client pattern: close (stop listening), accept the request on itself.
    QObject::connect(&server, &Winsock::ConnectionRequest, &server, [&](int id) {
        if (server.State() != Winsock::sckClosed) server.Close();
        server.Accept(id);
    });

    QTcpSocket first;
    Winsock::SetKeepAlive({5, 2, 4});
    first.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port));
    ASSERT_TRUE(first.waitForConnected(3000));
    QSignalSpy arrival(&server, &Winsock::DataArrival);
    first.write("@QP");
    ASSERT_TRUE(arrival.wait(3000));
    EXPECT_EQ(server.State(), Winsock::sckConnected);
    // The served client is probed with the times in force when it was accepted.
    EXPECT_EQ(KeepAliveOf(server), (std::array<int, 4>{1, 5, 2, 4}));
    Winsock::SetKeepAlive({});
    EXPECT_EQ(server.GetData(), "@QP");
    EXPECT_EQ(server.RemoteHostIP(), "127.0.0.1");

    // Nobody listens while the first client is served.
    QTcpSocket second;
    second.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port));
    EXPECT_FALSE(second.waitForConnected(1000));

    QSignalSpy closed(&server, &Winsock::Closed);
    first.disconnectFromHost();
    ASSERT_TRUE(closed.wait(3000));
    server.Close();
    server.setLocalPort(port);
    server.Listen();
    QTcpSocket third;
    third.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port));
    ASSERT_TRUE(third.waitForConnected(3000));
    third.write("x");
    ASSERT_TRUE(arrival.wait(3000));
    EXPECT_EQ(server.GetData(), "x");

    // Listening on a taken port is error 10048.
    Winsock other;
    other.setLocalPort(port);
    server.Close();
    server.Listen();
    try {
        other.Listen();
        ADD_FAILURE() << "listened on a taken port";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number, 10048);
    }
}

TEST(MSComm, ReceivesAndSendsOverAnEmulatedLineAndRefusesWhatTheControlRefuses) {
    PtyLine line;
    const QString device = line.Open();
    ASSERT_FALSE(device.isEmpty());
    qputenv("ORUN_COM7", device.toLocal8Bit());

    MSComm comm;
    comm.setCommPort(7);
    comm.setSettings("19200,N,8,1");
    comm.setRThreshold(1);
    comm.setInputLen(1);
    comm.setPortOpen(true);
    ASSERT_TRUE(comm.PortOpen());
    for (auto* action : {+[](MSComm& c) { c.setCommPort(3); }, +[](MSComm& c) { c.setPortOpen(true); }}) {
        try {
            action(comm);
            ADD_FAILURE() << "changed an open port";
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.number, 8005);
        }
    }

    // Every character the line brings arrives, one Input at a time, in order.
    QByteArray got;
    QObject::connect(&comm, &MSComm::OnComm, &comm, [&] {
        EXPECT_EQ(comm.CommEvent(), MSComm::comEvReceive);
        while (comm.InBufferCount() >= 1) got += comm.Input();
    });
    QSignalSpy events(&comm, &MSComm::OnComm);
    line.Write("@QP;5;74\r");
    while (got.size() < 9 && events.wait(3000)) {}
    EXPECT_EQ(got, QByteArray("@QP;5;74\r"));

    QSignalSpy received(&line, &PtyLine::Received);
    comm.Output(QByteArray("\x06ok"));
    QByteArray sent;
    while (sent.size() < 3 && (received.count() > 0 || received.wait(3000)))
        sent += received.takeFirst().at(0).toByteArray();
    EXPECT_EQ(sent, QByteArray("\x06ok"));

    comm.setPortOpen(false);
    EXPECT_EQ(comm.InBufferCount(), 0);
    try {
        comm.Output(QByteArray("x"));
        ADD_FAILURE() << "wrote to a closed port";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number, 8012);
    }
    qputenv("ORUN_COM7", "/nonexistent/tty");
    try {
        comm.setPortOpen(true);
        ADD_FAILURE() << "opened a missing device";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number, 8002);
    }
    qunsetenv("ORUN_COM7");
}
