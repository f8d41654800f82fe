// The dispatcher as a relay client meets it: whole requests in, whole reply frames out.
#include "RemoteStation.h"

#include <QSignalSpy>

namespace {

class RemoteDispatchTest : public RemoteStation {};

TEST_F(RemoteDispatchTest, RequestsAreRefusedInTheirOrderAndRepliesCarryTheirOwnChecksum) {
    Start("Port=0\r\n");
    ASSERT_NE(relay, nullptr);
    struct Case {
        const char* request;
        const char* reply;
    } cases[] = {
        {"@QP;5;74\r", "@QP;\x06;4;48\r"},
        {"@QP;5;00\r", "@QP;\x06;4;48\r"},   // "00" is never checked
        {"@QP;5;75\r", "@QP;\x15;04;6B\r"},
        {"@UU;6;abc;2d\r", "@UU;\x15;04;6A\r"},  // the checksum is 2D: lower case is refused
        {"@UU;6;abc;2D\r", "@UU;\x15;06;68\r"},  // the checksum passes, the value does not
        {"@qp;5;00\r", "@qp;\x15;01;6E\r"},
        {"@QR;1;00\r", "@QR;\x15;01;6C\r"},
        {"@UR;1;00\r", "@UR;\x15;01;68\r"},
        {"@QP;00\r", "@QP;\x15;03;6C\r"},    // six characters
        {"@\r", "@\x15;03;56\r"},             // the echo is what there is
        {"@QPx5;00\r", "@QPx\x15;02;2E\r"},  // the fourth character is echoed as it came
        {"@QU;70000;00\r", "@QU;\x15;06;6C\r"},
        {"@QU;4;00\r", "@QU;\x06;06;7F\r"},
    };
    QSignalSpy rx(comm.get(), &cComm::CommRx);
    QSignalSpy tx(comm.get(), &cComm::CommTx);
    for (const Case& c : cases) {
        const QString request = QString::fromLatin1(c.request);
        EXPECT_EQ(relay->Ask(request), QString::fromLatin1(c.reply)) << c.request;
        ASSERT_EQ(rx.count(), 1);
        EXPECT_EQ(rx.takeFirst().at(0).toString(), request);
        ASSERT_EQ(tx.count(), 1);
        EXPECT_EQ(tx.takeFirst().at(0).toString(), QString::fromLatin1(c.reply));
    }
    EXPECT_EQ(boxes.count(), 0);

    // A relay request of no length at all is an error: reported, and no reply.
    EXPECT_EQ(relay->Ask(QString()), QString());
    EXPECT_EQ(tx.count(), 0);
    EXPECT_EQ(boxes.count(), 1);
}

TEST_F(RemoteDispatchTest, DuringShutdownEveryRequestIsRefusedFirstOfAll) {
    Start("Port=0\r\n");
    gApp->setPhase(PhaseCode::Shutdown);
    for (const char* request : {"@QP;5;74\r", "@QP;5;75\r", "@QP;;\r", "@qp;1\r", "junk\r"})
        EXPECT_EQ(ReplyBody(relay->Ask(QString::fromLatin1(request))), "\x15;07") << request;
}

}  // namespace
