// A careless remote client in the middle of a run: one that sends requests back to back
// without waiting for their replies, and one that never reads its replies. The unit's poll
// and the control tick go on as without a client (judged by what the emulated unit
// receives and by the link's time-outs, never by the clock), every request is answered
// once and in order, and a client that does not read holds only bounded buffers.
#include "MainWindowFixture.h"

#include "platform/MSComm.h"
#include "platform/Winsock.h"
#include "remote/RequestIntake.h"
#include "support/RemotePort.h"

#include "ptyline/PtyLine.h"

#include <QAction>
#include <QTcpSocket>
#include <QTimer>
#include <random>

namespace {

// Requests that cycle through a few commands, over TCP or the serial line; each reply
// echoes its request's first four characters, so the replies' order can be checked
// against the requests'.
class FloodingClient {
public:
    explicit FloodingClient(QList<QByteArray> requests) : requests_(std::move(requests)) {}

    bool Connect(quint16 port) {
        write_ = [this](const QByteArray& b) { socket_.write(b); };
        QObject::connect(&socket_, &QTcpSocket::readyRead, [this] {
            if (reading_) Take(socket_.readAll());
        });
        socket_.connectToHost(QHostAddress::LocalHost, port);
        return WaitUntil([&] { return socket_.state() == QAbstractSocket::ConnectedState; }, 3000);
    }
    void Attach(PtyLine& line) {
        reading_ = true;
        write_ = [&line](const QByteArray& b) { line.Write(b); };
        QObject::connect(&line, &PtyLine::Received, [this](const QByteArray& b) { Take(b); });
    }
    void Send(int n) {
        QByteArray bytes;
        for (int i = 0; i < n; ++i) bytes += requests_[static_cast<int>(sent_++ % requests_.size())] + ";00\r";
        write_(bytes);
    }
    void StartReading() {
        reading_ = true;
        Take(socket_.readAll());
    }
    // Called after each piece of replies taken.
    std::function<void()> onReplies;

    QTcpSocket& Socket() { return socket_; }
    qint64 Sent() const { return sent_; }
    qint64 Replies() const { return replies_; }
    qint64 Outstanding() const { return sent_ - replies_; }
    qint64 OutOfOrder() const { return outOfOrder_; }

private:
    void Take(const QByteArray& bytes) {
        for (char c : bytes) {
            reply_ += c;
            if (c != '\r') continue;
            if (!reply_.startsWith(requests_[static_cast<int>(replies_ % requests_.size())].left(4))) ++outOfOrder_;
            ++replies_;
            reply_.clear();
        }
        if (onReplies) onReplies();
    }

    QList<QByteArray> requests_;
    QTcpSocket socket_;
    std::function<void(const QByteArray&)> write_;
    QByteArray reply_;
    qint64 sent_ = 0;
    qint64 replies_ = 0;
    qint64 outOfOrder_ = 0;
    bool reading_ = false;
};

}  // namespace

class MainWindowFloodTest : public MainWindowTest {
protected:
    // Channel 0 deposits under its loop while the unit's time-outs and power commands
    // are counted.
    void Deposit() {
        Station({0});
        Connect();
        DepositDriven();
        QObject::connect(gORUN, &cORUN::ORUNError, [this](int type, int number) {
            if (type == 0 && number == 0) ++timeOuts;
        });
        QObject::connect(&unit, &UnitSim::CommandReceived, [this](const QString& c) {
            if (c.startsWith('K')) ++powers;
        });
    }

    // The station serves remote control on a free TCP port, and the client connects.
    void ServeTcp(FloodingClient& client) {
        const quint16 port = FreeRemotePort(23000);
        ASSERT_NE(port, 0);
        folder.write(QStringLiteral("ORUN.CFG"), QStringLiteral("[SftwComm]\r\nPort=0\r\nEthernetPort=%1\r\n").arg(port).toLatin1());
        gComm->Init(form->msCommSftw, form->tcpProgramServer, folder.file(QStringLiteral("ORUN.CFG")));
        ASSERT_TRUE(client.Connect(port));
        ASSERT_TRUE(WaitUntil([&] { return form->tcpProgramServer->State() == Winsock::sckConnected; }, 3000));
    }

    // The station serves remote control on COM8, the client's end of the line.
    void ServeSerial(FloodingClient& client) {
        qputenv("ORUN_COM8", line.Open().toLocal8Bit());
        folder.write(QStringLiteral("ORUN.CFG"), "[SftwComm]\r\nPort=8\r\nEthernetPort=-1\r\n");
        gComm->Init(form->msCommSftw, form->tcpProgramServer, folder.file(QStringLiteral("ORUN.CFG")));
        gComm->setRS232Enabled(true);
        ASSERT_TRUE(gComm->RS232Enabled());
        client.Attach(line);
    }

    // The client keeps between `ahead` and twice that many requests ahead of the station
    // all through 30 control ticks, while the handling of one request in 40 (a seeded
    // choice) lets every event run, as a handler that waits does. No turn of the event
    // loop answers more than a few turns' shares, each tick's power still reaches the unit, no
    // reply times out, and once the client stops every request has had its reply, in order.
    void Pipelining(FloodingClient& client, int ahead, unsigned seed) {
        int burst = 0, largestBurst = 0;  // replies sent within one turn of the loop
        std::mt19937 walk(seed);
        QObject::connect(gComm, &cComm::CommTx, [&] { largestBurst = std::max(largestBurst, ++burst); });
        QObject::connect(gComm, &cComm::CommRx, [&] {
            if (walk() % 40 == 0) QCoreApplication::processEvents();
        });
        QTimer turn;
        QObject::connect(&turn, &QTimer::timeout, [&] { burst = 0; });
        turn.start(0);
        int powersWhileAhead = 0;
        QObject::connect(&unit, &UnitSim::CommandReceived, [&](const QString& c) {
            if (c.startsWith('K') && client.Outstanding() > 0) ++powersWhileAhead;
        });
        client.onReplies = [&] {
            if (powersWhileAhead < 30 && client.Outstanding() < ahead) client.Send(ahead);
        };
        client.Send(2 * ahead);
        ASSERT_TRUE(WaitUntil([&] { return powersWhileAhead >= 30; }, 30000)) << powersWhileAhead << " powers, " << client.Replies();
        ASSERT_TRUE(WaitUntil([&] { return client.Outstanding() == 0; }, 30000)) << client.Outstanding();
        EXPECT_EQ(timeOuts, 0);
        // A turn's share from the intake's own timer and from the bytes' arrival may both
        // fall between two runs of the probe, on either side of one of its runs.
        EXPECT_LE(largestBurst, 3 * RequestIntake::kRequestsPerTurn);
        EXPECT_GT(client.Replies(), 2 * ahead);
        EXPECT_EQ(client.OutOfOrder(), 0);
        EXPECT_EQ(Notices(), 0);
        EXPECT_EQ(boxes.count(), 0) << boxes.prompts().join('|').toStdString();
    }

    int Notices() const { return static_cast<int>(folder.read(QStringLiteral("ERRORS.TXT")).count("does not read its replies")); }

    PtyLine line;
    int timeOuts = 0;
    int powers = 0;
};

TEST_F(MainWindowFloodTest, APipeliningTcpClientLeavesThePollItsPaceAndGetsEveryReplyInOrder) {
    FloodingClient client({"@QM;49", "@QP;5", "@QV;21"});
    Deposit();
    ServeTcp(client);
    client.StartReading();
    Pipelining(client, 1500, 58);
}

// The serial line takes what its buffer holds: the client keeps no more ahead than that.
TEST_F(MainWindowFloodTest, APipeliningSerialClientLeavesThePollItsPaceAndGetsEveryReplyInOrder) {
    FloodingClient client({"@QM;49", "@QP;5", "@QV;21"});
    Deposit();
    ServeSerial(client);
    Pipelining(client, 150, 411);
}

// A client that sends a great many requests and reads nothing: the station stops taking
// its requests once the replies it holds reach their bound, says so once in the error
// report, and holds no more than its bounded buffers while the poll goes on. When the
// client reads at last, every request is answered, in order.
TEST_F(MainWindowFloodTest, AClientThatNeverReadsHoldsBoundedBuffersUntilItReads) {
    FloodingClient client({"@QP;8", "@QM;49", "@QP;1"});
    Deposit();
    ServeTcp(client);
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

// The operator exits while a pipelining client floods the station: the exit's stop (every
// output at zero) reaches the unit before more than a few turns' shares of the client's
// requests have been answered, and the program closes as without a client.
TEST_F(MainWindowFloodTest, TheExitDuringAFloodStopsTheUnitWithinAFewTurns) {
    FloodingClient client({"@QM;49", "@QP;5", "@QV;21"});
    Deposit();
    form->show();
    ServeTcp(client);
    client.StartReading();
    client.onReplies = [&] {
        if (client.Outstanding() < 1500) client.Send(1500);
    };
    client.Send(3000);
    const int start = powers;
    ASSERT_TRUE(WaitUntil([&] { return powers >= start + 3 && client.Replies() > 0; }, 10000));

    int replies = 0, repliesAtStop = -1;
    bool zeroAtStop = false;
    QObject::connect(gComm, &cComm::CommTx, [&] { ++replies; });
    QObject::connect(&unit, &UnitSim::CommandReceived, [&](const QString& c) {
        if (repliesAtStop >= 0 || !c.startsWith('K')) return;
        repliesAtStop = replies;
        zeroAtStop = std::all_of(std::begin(unit.Model().powerCode), std::end(unit.Model().powerCode),
                                 [](int32_t code) { return code == OutputCode::ZeroVolts; });
    });
    boxes.clear();
    // Chosen from the menu: the choice waits its turn in the event loop like any event.
    QMetaObject::invokeMethod(form->mnuFileExit, &QAction::trigger, Qt::QueuedConnection);
    ASSERT_TRUE(WaitUntil([&] { return repliesAtStop >= 0; }, 10000));
    EXPECT_TRUE(zeroAtStop);
    EXPECT_LE(repliesAtStop, 10 * RequestIntake::kRequestsPerTurn);
    ASSERT_TRUE(WaitUntil([&] { return !form->isVisible(); }, 20000));
    EXPECT_EQ(boxes.prompts(), QStringList{"Exit the ORUN program?"});
    EXPECT_EQ(timeOuts, 0);
}
