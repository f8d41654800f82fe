// The test client's links: against the station's remote-control server over TCP and the
// relay, against scripted TCP peers and emulated serial lines, and its wait.
#include "ClientHarness.h"

#include "platform/Clock.h"
#include "ptyline/PtyLine.h"
#include "remote/RemoteStation.h"

#include <QTcpServer>
#include <QTimer>

// The station has a main window of its own.
using Client = ORUN_Comm::frmMain;
using ORUN_Comm::linkActiveX;
using ORUN_Comm::linkEthernet;
using ORUN_Comm::tabUtility;

namespace {

bool ShowsResponse(const Client& w) {
    return QTest::qWaitFor([&] { return !w.txtResponse->text().isEmpty(); }, 5000);
}

// Two relay objects passing requests and replies to each other: the first made is the
// server's, the second the client's.
struct RelayEnd : BrevoxComm {
    RelayEnd* other = nullptr;
    void Reply(const QString& sText) override { emit other->ResponseEvent(sText); }
    void Send(const QString& sText) override { emit other->CommandEvent(sText); }
};

}  // namespace

class ClientAndStation : public RemoteStation {};

TEST_F(ClientAndStation, RequestsOverTcpAndTheRelayAreAnsweredByTheStation) {
    RelayEnd* serverEnd = nullptr;
    Brevox::SetFactory([&serverEnd] {
        auto end = std::make_unique<RelayEnd>();
        if (serverEnd) {
            end->other = serverEnd;
            serverEnd->other = end.get();
        } else {
            serverEnd = end.get();
        }
        return std::unique_ptr<BrevoxComm>(std::move(end));
    });
    const int16_t port = FreePort();
    Start("Port=0\r\nEthernetPort=" + QByteArray::number(port) + "\r\n");
    ORUN_Comm::SetProgramInfo();
    Client w;
    w.findChild<QRadioButton*>("optComm(2)")->click();
    w.txtServer->setText("127.0.0.1");
    w.txtPort->setText(QString::number(port));
    w.chkChecksum->setChecked(true);
    w.findChild<QRadioButton*>("optQueryProcess(4)")->click();
    w.cmdSend->click();
    EXPECT_EQ(w.txtSent->text(), "@QP;05;44");
    ASSERT_TRUE(ShowsResponse(w));
    EXPECT_EQ(w.txtResponse->text(), "@QP;ACK;4;48");

    w.tabMain->setTab(tabUtility);
    w.findChild<QRadioButton*>("optUtility(15)")->click();
    w.txtString->setText("@QU;09");
    w.chkChecksum->setChecked(false);
    for (const int link : {linkEthernet, linkActiveX}) {
        w.optComm[static_cast<size_t>(link)]->click();
        w.cmdSend->click();
        ASSERT_TRUE(ShowsResponse(w));
        EXPECT_EQ(w.txtResponse->text(), "@QU;NAK;PRM;68") << link;
    }
}

TEST(ClientLinks, TcpRepliesAreJoinedAndANewTargetGetsANewConnection) {
    ClientHarness h;
    Client& w = h.open();
    QTcpServer first, second;
    ASSERT_TRUE(first.listen(QHostAddress::LocalHost));
    ASSERT_TRUE(second.listen(QHostAddress::LocalHost));
    h.pick("optComm(2)");
    w.txtServer->setText("127.0.0.1");
    w.txtPort->setText(QString::number(first.serverPort()));

    w.cmdSend->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return first.hasPendingConnections(); }, 2000));
    QTcpSocket* peer = first.nextPendingConnection();
    ASSERT_TRUE(QTest::qWaitFor([&] { return peer->bytesAvailable() >= 10; }, 2000));
    EXPECT_EQ(peer->readAll(), "@QP;01;00\r");
    // A reply in pieces, with noise before its "@", shows once its CR has come.
    peer->write("ACK\r@QF;\x15");
    QTest::qWait(50);
    EXPECT_EQ(w.txtResponse->text(), "");
    peer->write(";09;70\r");
    ASSERT_TRUE(ShowsResponse(w));
    EXPECT_EQ(w.txtResponse->text(), "@QF;NAK;09;70");

    // The same target: the same connection.
    w.cmdSend->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return peer->bytesAvailable() >= 10; }, 2000));
    EXPECT_FALSE(first.hasPendingConnections());
    // A number no port can have is not tried (it would wrap onto another port).
    w.txtPort->setText(QString::number(65536 + second.serverPort()));
    w.cmdSend->click();
    EXPECT_FALSE(QTest::qWaitFor([&] { return second.hasPendingConnections(); }, 200));
    // Another port: the old connection is closed and a new one made.
    w.txtPort->setText(QString::number(second.serverPort()));
    w.cmdSend->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return second.hasPendingConnections(); }, 2000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return peer->state() != QAbstractSocket::ConnectedState; }, 2000));
}

TEST(ClientLinks, SerialRequestsGoToThePortShownAtTheRateChosen) {
    PtyLine one, two;
    qputenv("ORUN_COM1", one.Open().toLocal8Bit());
    qputenv("ORUN_COM2", two.Open().toLocal8Bit());
    QByteArray atOne, atTwo;
    QObject::connect(&one, &PtyLine::Received, [&](const QByteArray& b) { atOne += b; });
    QObject::connect(&two, &PtyLine::Received, [&](const QByteArray& b) { atTwo += b; });
    {
        ClientHarness h;
        Client& w = h.open();
        h.pick("optComm(0)");
        h.pick("optBaud(3)");
        w.cmdSend->click();
        EXPECT_TRUE(QTest::qWaitFor([&] { return atOne.endsWith('\r'); }, 2000));
        EXPECT_EQ(atOne, "@QP;01;00\r");
        EXPECT_EQ(one.LineRate(), 38400);
        one.Write("@QP;\x06");
        QTest::qWait(50);
        one.Write(";4;48\r");
        ASSERT_TRUE(ShowsResponse(w));
        EXPECT_EQ(w.txtResponse->text(), "@QP;ACK;4;48");

        h.pick("optComm(1)");
        w.cmdSend->click();
        EXPECT_TRUE(QTest::qWaitFor([&] { return atTwo.endsWith('\r'); }, 2000));
        EXPECT_EQ(atTwo, "@QP;01;00\r");
        EXPECT_EQ(atOne, "@QP;01;00\r");

        // The Measure and Sensor tabs share their sensor: "Sensor 1" clicked on the Measure
        // tab names the sensor of an update on the Sensor tab, where Update mode disables
        // the Measure tab's options.
        w.tabMain->setTab(ORUN_Comm::tabMeasure);
        h.pick("optMeasure(0)");
        w.tabMain->setTab(ORUN_Comm::tabSensor);
        h.pick("optMode(1)");
        w.cboSensor->setCurrentIndex(1);  // "Emis. SetPt"
        w.txtUpdate->setText("5");
        atTwo.clear();
        w.cmdSend->click();
        EXPECT_TRUE(QTest::qWaitFor([&] { return atTwo.endsWith('\r'); }, 2000));
        EXPECT_EQ(atTwo, "@US;11;5;00\r");
    }
    qunsetenv("ORUN_COM1");
    qunsetenv("ORUN_COM2");
}

// The wait counts from the time of day rounded to a whole second, also when that start
// is ahead of the clock or the wait passes midnight.
TEST(ClientLinks, TimeWaitLastsItsSecondsFromARoundedStart) {
    const struct {
        QTime start;
        int64_t waitedMs;
    } cases[] = {{QTime(10, 0, 0, 400), 600}, {QTime(10, 0, 0, 600), 1400}, {QTime(23, 59, 59, 600), 1400}};
    ClientHarness h;
    Client& w = h.open();
    for (const auto& k : cases) {
        Clock::SetFixed(QDateTime(QDate(2026, 12, 8), k.start));
        int64_t waited = 0;
        QTimer clock;
        QObject::connect(&clock, &QTimer::timeout, [&] {
            Clock::Advance(50);
            waited += 50;
        });
        clock.start(0);
        w.TimeWait(1);
        EXPECT_NEAR(static_cast<double>(waited), static_cast<double>(k.waitedMs), 50) << k.start.toString().toStdString();
    }
    Clock::UseSystem();
}
