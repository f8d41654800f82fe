// A careless remote client in the middle of a run: one that sends requests back to back
// without waiting for their replies, and one that never reads its replies. The unit's poll
// and the control tick go on as without a client (judged by what the emulated unit
// receives and by the link's time-outs, never by the clock), every request is answered
// once and in order, and a client that does not read holds only bounded buffers.
#include "MainWindowFixture.h"

#include "platform/Winsock.h"
#include "remote/RequestIntake.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace {

quint16 FreeRemotePort() {
    for (quint16 port = static_cast<quint16>(23000 + QCoreApplication::applicationPid() % 9000); port < 32768; ++port) {
        QTcpServer probe;
        if (probe.listen(QHostAddress::Any, port)) return port;
    }
    return 0;
}

// Requests that cycle through three commands; each reply echoes its request's first four
// characters, so the replies' order can be checked against the requests'.
class FloodingClient {
public:
    explicit FloodingClient(QList<QByteArray> requests) : requests_(std::move(requests)) {
        QObject::connect(&socket_, &QTcpSocket::readyRead, [this] {
            if (reading_) Read();
        });
    }
    bool Connect(quint16 port) {
        socket_.connectToHost(QHostAddress::LocalHost, port);
        return WaitUntil([&] { return socket_.state() == QAbstractSocket::ConnectedState; }, 3000);
    }
    void Send(int n) {
        QByteArray bytes;
        for (int i = 0; i < n; ++i) bytes += requests_[static_cast<int>(sent_++ % requests_.size())] + ";00\r";
        socket_.write(bytes);
    }
    void StartReading() {
        reading_ = true;
        Read();
    }
    QTcpSocket& Socket() { return socket_; }
    qint64 Sent() const { return sent_; }
    qint64 Replies() const { return replies_; }
    qint64 Outstanding() const { return sent_ - replies_; }
    qint64 OutOfOrder() const { return outOfOrder_; }

private:
    void Read() {
        for (char c : socket_.readAll()) {
            reply_ += c;
            if (c != '\r') continue;
            if (!reply_.startsWith(requests_[static_cast<int>(replies_ % requests_.size())].left(4))) ++outOfOrder_;
            ++replies_;
            reply_.clear();
        }
    }

    QList<QByteArray> requests_;
    QTcpSocket socket_;
    QByteArray reply_;
    qint64 sent_ = 0;
    qint64 replies_ = 0;
    qint64 outOfOrder_ = 0;
    bool reading_ = false;
};

}  // namespace

class RemoteFloodTest : public MainWindowTest {
protected:
    // Channel 0 deposits under its loop; the station serves remote control on a free port.
    void DepositAndServe(FloodingClient& client) {
        Station({0});
        Connect();
        DepositDriven();
        const quint16 port = FreeRemotePort();
        ASSERT_NE(port, 0);
        folder.write(QStringLiteral("ORUN.CFG"), QStringLiteral("[SftwComm]\r\nPort=0\r\nEthernetPort=%1\r\n").arg(port).toLatin1());
        gComm->Init(form->msCommSftw, form->tcpProgramServer, folder.file(QStringLiteral("ORUN.CFG")));
        ASSERT_TRUE(client.Connect(port));
        ASSERT_TRUE(WaitUntil([&] { return form->tcpProgramServer->State() == Winsock::sckConnected; }, 3000));
        QObject::connect(gORUN, &cORUN::ORUNError, [this](int type, int number) {
            if (type == 0 && number == 0) ++timeOuts;
        });
        QObject::connect(&unit, &UnitSim::CommandReceived, [this](const QString& c) {
            if (c.startsWith('K')) ++powers;
        });
    }

    int Notices() const { return static_cast<int>(folder.read(QStringLiteral("ERRORS.TXT")).count("does not read its replies")); }

    int timeOuts = 0;
    int powers = 0;
};

// The client keeps about 1500 requests ahead of the station all through 30 control ticks:
// no turn of the event loop answers more than a turn's share of them, each tick's power
// still reaches the unit, no reply times out, and once the client stops every request has
// had its reply, in order.
TEST_F(RemoteFloodTest, APipeliningClientLeavesThePollItsPaceAndGetsEveryReplyInOrder) {
    FloodingClient client({"@QM;49", "@QP;5", "@QV;21"});
    DepositAndServe(client);
    client.StartReading();
    // Replies sent since a timer of no interval last ran, i.e. within one turn of the loop.
    int burst = 0, largestBurst = 0;
    QObject::connect(gComm, &cComm::CommTx, [&] { largestBurst = std::max(largestBurst, ++burst); });
    QTimer turn;
    QObject::connect(&turn, &QTimer::timeout, [&] { burst = 0; });
    turn.start(0);
    int powersWhileAhead = 0;
    QObject::connect(&unit, &UnitSim::CommandReceived, [&](const QString& c) {
        if (c.startsWith('K') && client.Outstanding() > 0) ++powersWhileAhead;
    });
    QObject::connect(&client.Socket(), &QTcpSocket::readyRead, [&] {
        if (powersWhileAhead < 30 && client.Outstanding() < 1500) client.Send(1500);
    });
    client.Send(3000);
    ASSERT_TRUE(WaitUntil([&] { return powersWhileAhead >= 30; }, 30000)) << powersWhileAhead << " powers, " << client.Replies();
    ASSERT_TRUE(WaitUntil([&] { return client.Outstanding() == 0; }, 30000)) << client.Outstanding();
    EXPECT_EQ(timeOuts, 0);
    EXPECT_LE(largestBurst, 2 * RequestIntake::kRequestsPerTurn);
    EXPECT_GT(client.Replies(), 3000);
    EXPECT_EQ(client.OutOfOrder(), 0);
    EXPECT_EQ(Notices(), 0);
    EXPECT_EQ(boxes.count(), 0) << boxes.prompts().join('|').toStdString();
}

// A client that sends a great many requests and reads nothing: the station stops taking
// its requests once the replies it holds reach their bound, says so once in the error
// report, and holds no more than its bounded buffers while the poll goes on. When the
// client reads at last, every request is answered, in order.
TEST_F(RemoteFloodTest, AClientThatNeverReadsHoldsBoundedBuffersUntilItReads) {
    FloodingClient client({"@QP;8", "@QM;49", "@QP;1"});
    DepositAndServe(client);
    // Its socket takes no more than this from the system until it is read.
    client.Socket().setReadBufferSize(65536);
    client.Send(100000);
    ASSERT_TRUE(WaitUntil([&] { return Notices() > 0; }, 30000)) << form->tcpProgramServer->BytesToSend();
    Winsock& server = *form->tcpProgramServer;
    // A turn's replies may go over the bound once.
    const qint64 replyBound = RequestIntake::kReplyBacklog + RequestIntake::kRequestsPerTurn * 1024;
    qint64 largestReceived = 0, largestUnsent = 0;
    const int before = powers;
    QObject::connect(&unit, &UnitSim::CommandReceived, [&] {
        largestReceived = std::max(largestReceived, server.BytesReceived());
        largestUnsent = std::max(largestUnsent, server.BytesToSend());
    });
    ASSERT_TRUE(WaitUntil([&] { return powers >= before + 20; }, 20000)) << powers - before;
    EXPECT_LE(largestReceived, RequestIntake::kReadBuffer);
    EXPECT_LE(largestUnsent, replyBound);

    client.StartReading();
    ASSERT_TRUE(WaitUntil([&] { return client.Replies() == 100000; }, 60000)) << client.Replies();
    EXPECT_EQ(client.OutOfOrder(), 0);
    EXPECT_EQ(timeOuts, 0);
    EXPECT_EQ(Notices(), 1);
    EXPECT_EQ(boxes.count(), 0) << boxes.prompts().join('|').toStdString();
}
