// The main window's endpoints: the unit's bytes over TCP, however they are split, reach
// the link in order (and stay in the socket while the unit is not on Ethernet), and the
// remote-control listener serves one client at a time and listens again about a second
// after it leaves; remote requests reach the server through the serial and TCP endpoints.
#include "MainWindowFixture.h"

#include "platform/MSComm.h"
#include "platform/Winsock.h"
#include "support/RemotePort.h"
#include "unit/OrunFrame.h"

#include "ptyline/PtyLine.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <QTcpServer>
#include <QTcpSocket>

TEST_F(MainWindowTest, UnitFrameSplitOverArrivalsIsParsedInOrder) {
    Station({0});
    QTcpServer fakeUnit;
    ASSERT_TRUE(fakeUnit.listen(QHostAddress::LocalHost, 0));
    ASSERT_TRUE(gORUN->CommInit(10, fakeUnit.serverPort(), QStringLiteral("127.0.0.1"), form->tcpControllerClient));
    QTcpSocket* peer = fakeUnit.nextPendingConnection();
    ASSERT_NE(peer, nullptr);
    LinkLog log(*gORUN);
    gORUN->SendGetVersion();
    ASSERT_TRUE(WaitUntil([&] { return peer->bytesAvailable() > 0; }, 2000));
    int arrivals = 0;
    QObject::connect(form->tcpControllerClient, &Winsock::DataArrival, [&] { ++arrivals; });

    const QByteArray frame = OrunFrame::BuildFrame(QByteArray("AORUN 4.11"));
    for (const QByteArray& piece : {frame.left(1), frame.mid(1, 6), frame.mid(7)}) {
        const int before = arrivals;
        peer->write(piece);
        peer->flush();
        ASSERT_TRUE(WaitUntil([&] { return arrivals > before; }, 2000));
    }
    EXPECT_EQ(log.lines.filter("rsp ").join('|').toStdString(), "rsp ORUN 4.11");
    EXPECT_EQ(gORUN->Version(), 411);

    // Not on Ethernet: the bytes stay in the socket.
    gORUN->CommInit(0, 0, QString());
    const int before = arrivals;
    peer->write(frame);
    peer->flush();
    ASSERT_TRUE(WaitUntil([&] { return arrivals > before; }, 2000));
    EXPECT_EQ(form->tcpControllerClient->BytesReceived(), frame.size());
    EXPECT_EQ(log.lines.filter("rsp ").size(), 1);

    // A peer that goes on sending while nothing takes its bytes fills the link's bounded
    // buffer and no more: the rest waits with the system (TCP holds the peer back), and
    // comes once bytes are taken.
    Winsock& link = *form->tcpControllerClient;
    constexpr qint64 kBound = 64 * 1024;
    peer->write(QByteArray(8 << 20, 'x'));
    ASSERT_TRUE(WaitUntil([&] { return link.BytesReceived() == kBound; }, 5000)) << link.BytesReceived();
    for (int turn = 0; turn < 20; ++turn) QCoreApplication::processEvents();
    EXPECT_EQ(link.BytesReceived(), kBound);
    EXPECT_GT(peer->bytesToWrite(), 0);
    EXPECT_EQ(link.GetData().size(), kBound);
    EXPECT_TRUE(WaitUntil([&] { return link.BytesReceived() > 0; }, 5000));
}

// Requests reach the remote server through the window's endpoints, character by
// character and in order, however they arrive; the listener serves one client at a time.
TEST_F(MainWindowTest, RemoteRequestsThroughTheWindowsEndpointsOneTcpClientAtATime) {
    Station({0});
    gApp->setPhase(PhaseCode::Stopped);
    PtyLine line;
    qputenv("ORUN_COM8", line.Open().toLocal8Bit());
    const quint16 port = FreeRemotePort(20000);
    ASSERT_NE(port, 0);
    folder.write(QStringLiteral("ORUN.CFG"), QStringLiteral("[SftwComm]\r\nPort=8\r\nEthernetPort=%1\r\n").arg(port).toLatin1());
    gComm->Init(form->msCommSftw, form->tcpProgramServer, folder.file(QStringLiteral("ORUN.CFG")));
    gComm->setRS232Enabled(true);
    Winsock* server = form->tcpProgramServer;
    ASSERT_EQ(server->State(), Winsock::sckListening);
    const QByteArray request = "@QP;5;74\r", reply = "@QP;\x06;4;48\r";

    // Serial: the whole request in one write.
    QByteArray terminal;
    QObject::connect(&line, &PtyLine::Received, [&](const QByteArray& b) { terminal += b; });
    line.Write(request);
    EXPECT_TRUE(WaitUntil([&] { return terminal == reply; }, 3000)) << terminal.toStdString();

    // TCP: the request in pieces.
    QTcpSocket first;
    QByteArray inbox;
    QObject::connect(&first, &QTcpSocket::readyRead, [&] { inbox += first.readAll(); });
    first.connectToHost(QHostAddress::LocalHost, port);
    ASSERT_TRUE(WaitUntil([&] { return server->State() == Winsock::sckConnected; }, 2000));
    for (const QByteArray& piece : {request.left(3), request.mid(3)}) {
        first.write(piece);
        first.flush();
        QTest::qWait(30);
    }
    EXPECT_TRUE(WaitUntil([&] { return inbox == reply; }, 3000)) << inbox.toStdString();

    QTcpSocket second;
    bool refused = false;
    QObject::connect(&second, &QTcpSocket::errorOccurred, [&] { refused = true; });
    QObject::connect(&second, &QTcpSocket::disconnected, [&] { refused = true; });
    second.connectToHost(QHostAddress::LocalHost, port);
    EXPECT_TRUE(WaitUntil([&] { return refused; }, 2000));
    EXPECT_EQ(server->State(), Winsock::sckConnected);

    QElapsedTimer gone;
    first.disconnectFromHost();
    gone.start();
    ASSERT_TRUE(WaitUntil([&] { return server->State() == Winsock::sckListening; }, 3000));
    EXPECT_GE(gone.elapsed(), 900);
    EXPECT_LE(gone.elapsed(), 2000);
    QTcpSocket third;
    third.connectToHost(QHostAddress::LocalHost, port);
    EXPECT_TRUE(WaitUntil([&] { return server->State() == Winsock::sckConnected; }, 2000));

    // The window unloads while it waits to listen again (the wait lets the exit run): the
    // wait comes back to a window that is gone and listens no more. The listener is closed
    // only within that wait, so a look every 20 ms finds it there.
    bool unloadedInWait = false;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, [&] {
        if (server->State() != Winsock::sckClosed) return;
        look.stop();
        form->Form_Unload();
        unloadedInWait = true;
    });
    look.start(20);
    third.disconnectFromHost();
    // The flag is read here only once the handler that waits has returned.
    ASSERT_TRUE(WaitUntil([&] { return unloadedInWait; }, 3000)) << server->State();
    EXPECT_EQ(server->State(), Winsock::sckClosed);
    EXPECT_EQ(boxes.count(), 0) << boxes.prompts().join('|').toStdString();
}
