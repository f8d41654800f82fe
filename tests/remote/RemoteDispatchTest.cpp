// The dispatcher as a relay client meets it: whole requests in, whole reply frames out.
#include "RemoteStation.h"

#include <QSignalSpy>

TEST_F(RemoteStation, RequestsAreRefusedInTheirOrderAndRepliesCarryTheirOwnChecksum) {
    Start("Port=0\r\nEthernetPort=-1\r\n");
    const char* cases[][2] = {
        {"@QP;5;74\r", "@QP;\x06;4;48\r"},
        {"@QP;5;00\r", "@QP;\x06;4;48\r"},       // "00" is never checked
        {"@QP;5;75\r", "@QP;\x15;04;6B\r"},
        {"@UU;6;abc;2d\r", "@UU;\x15;04;6A\r"},  // the checksum is 2D: lower case is refused
        {"@UU;6;abc;2D\r", "@UU;\x15;06;68\r"},  // the checksum passes, the value does not
        {"@qp;5;00\r", "@qp;\x15;01;6E\r"},
        {"@QR;1;00\r", "@QR;\x15;01;6C\r"},
        {"@UR;1;00\r", "@UR;\x15;01;68\r"},
        {"@QP;00\r", "@QP;\x15;03;6C\r"},        // six characters
        {"@\r", "@\x15;03;56\r"},                 // the echo is what there is
        {"@QPx5;00\r", "@QPx\x15;02;2E\r"},      // the fourth character is echoed as it came
        {"@QU;70000;00\r", "@QU;\x15;06;6C\r"},
    };
    QSignalSpy rx(comm.get(), &cComm::CommRx);
    QSignalSpy tx(comm.get(), &cComm::CommTx);
    for (const auto& c : cases) {
        EXPECT_EQ(relay->Ask(QString::fromLatin1(c[0])), QString::fromLatin1(c[1])) << c[0];
        EXPECT_EQ(rx.takeFirst().at(0).toString(), QString::fromLatin1(c[0]));
        EXPECT_EQ(tx.takeFirst().at(0).toString(), QString::fromLatin1(c[1]));
    }
    EXPECT_EQ(boxes.count(), 0);

    // A relay request of no length at all is an error: reported, and no reply.
    EXPECT_EQ(relay->Ask(QString()), QString());
    EXPECT_TRUE(tx.isEmpty());
    EXPECT_EQ(boxes.count(), 1);
}
