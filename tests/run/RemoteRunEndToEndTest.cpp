// A remote client drives a run over TCP: the main window polls the emulated unit, and the
// client starts the process, follows its phase and rate and stops it, as a station's
// supervisor program does.
#include "MainWindowFixture.h"

#include "platform/Winsock.h"

#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>

namespace {

// A free port for the remote listener, whose setting is a 16-bit number.
quint16 FreeRemotePort() {
    for (quint16 port = static_cast<quint16>(21000 + QCoreApplication::applicationPid() % 10000); port < 32768; ++port) {
        QTcpServer probe;
        if (probe.listen(QHostAddress::Any, port)) return port;
    }
    return 0;
}

// A remote client: one request at a time, the reply's value (what follows ACK and ";"),
// or "NAK" and the code.
class RemoteClient {
public:
    bool Connect(quint16 port) {
        socket_.connectToHost(QHostAddress::LocalHost, port);
        return WaitUntil([&] { return socket_.state() == QAbstractSocket::ConnectedState; }, 3000);
    }
    QString Ask(const QString& request) {
        QByteArray reply;
        socket_.write(request.toLatin1() + ";00\r");
        if (!WaitUntil([&] { return (reply += socket_.readAll()).endsWith('\r'); }, 3000)) return QStringLiteral("none");
        const QByteArray body = reply.mid(4, reply.size() - 8);
        if (body.startsWith('\x15')) return QStringLiteral("NAK") + QString::fromLatin1(body.mid(1));
        return QString::fromLatin1(body.mid(2));
    }

private:
    QTcpSocket socket_;
};

}  // namespace

TEST_F(MainWindowTest, ARemoteClientStartsWatchesAndStopsARun) {
    Station({0, 1});
    // Counts straight back to light (the emulator counts 10 per unit above 20000), and a
    // loop that drives the source towards the set point.
    for (int16_t ch = 0; ch <= 1; ++ch) {
        gFilm(ch + 1).Sensor_PMT = 800;
        gFilm(ch + 1).QCM_CALFACTOR = 0.01;
        gFilm(ch + 1).PTerm = 5.0;
        for (int integ = 0; integ <= 1; ++integ) {
            gORUN->setCalSlope(ch, integ, -0.1);
            gORUN->setCalIntercept(ch, integ, 4000.0);
        }
    }
    Connect();
    const quint16 port = FreeRemotePort();
    ASSERT_NE(port, 0);
    folder.write(QStringLiteral("ORUN.CFG"), QStringLiteral("[SftwComm]\r\nPort=0\r\nEthernetPort=%1\r\n").arg(port).toLatin1());
    gComm->Init(form->msCommSftw, form->tcpProgramServer, folder.file(QStringLiteral("ORUN.CFG")));
    RemoteClient client;
    ASSERT_TRUE(client.Connect(port));

    EXPECT_EQ(client.Ask("@QP;1"), "Mirror");
    EXPECT_EQ(client.Ask("@QP;5"), "4");
    EXPECT_EQ(client.Ask("@UP;3"), "NAK;05");  // nothing runs yet
    EXPECT_EQ(client.Ask("@UP;2"), "");
    ASSERT_TRUE(WaitUntil([&] { return client.Ask("@QP;5") == "10"; }, 10000)) << gApp->Phase();
    EXPECT_EQ(client.Ask("@QL;2;0;1"), "2");
    EXPECT_EQ(client.Ask("@QV;21"), " 2.00");
    // The emulated plant answers the power with a rate.
    ASSERT_TRUE(WaitUntil([&] { return client.Ask("@QM;21").toDouble() > 0.0; }, 10000));
    EXPECT_EQ(client.Ask("@QM;49").split(';').size(), 32);

    EXPECT_EQ(client.Ask("@UP;3"), "");
    EXPECT_EQ(gApp->Phase(), PhaseCode::StopLayer);
    EXPECT_EQ(client.Ask("@QP;5"), "18");
    EXPECT_EQ(boxes.count(), 0) << boxes.prompts().join('|').toStdString();
}
