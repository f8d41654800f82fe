#include "platform/ComPortName.h"
#include "platform/RuntimeError.h"
#include "platform/SPort.h"
#include "platform/Winsock.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <gtest/gtest.h>

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
    ASSERT_TRUE(server.hasPendingConnections() || server.waitForNewConnection(3000));
    QTcpSocket* peer = server.nextPendingConnection();

    QSignalSpy arrival(&sock, &Winsock::DataArrival);
    peer->write("hello");
    peer->flush();
    ASSERT_TRUE(arrival.wait(3000)) << sock.State() << " " << sock.BytesReceived();
    EXPECT_EQ(sock.GetData(2), "he");
    EXPECT_EQ(sock.BytesReceived(), 3);
    EXPECT_EQ(sock.GetData(), "llo");

    QSignalSpy closed(&sock, &Winsock::Closed);
    peer->disconnectFromHost();
    ASSERT_TRUE(closed.wait(3000));
    EXPECT_EQ(sock.State(), Winsock::sckClosing);
    sock.Close();
    EXPECT_EQ(sock.State(), Winsock::sckClosed);
}
