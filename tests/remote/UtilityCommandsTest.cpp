// "@QU" and "@UU": the utility items, their reserved and unused numbers, and what an
// update leaves behind when its value cannot be converted.
#include "RemoteStation.h"

#include "app/modOSInfo.h"

#include <QRegularExpression>

namespace {

class UtilityCommandsTest : public RemoteStation {
protected:
    QString Body(const char* request) { return ReplyBody(relay->Ask(QString::fromLatin1(request))); }
};

TEST_F(UtilityCommandsTest, EveryItemAnswersAsItsTableSaysAndABadValueChangesNothing) {
    Start("Port=0\r\n");
    const QString ack = QStringLiteral("\x06");
    const QString prm = QStringLiteral("\x15;02");
    const QString unk = QStringLiteral("\x15;06");
    for (const char* n : {"1", "3", "4", "5", "8"}) {
        EXPECT_EQ(Body(qPrintable(QStringLiteral("@QU;%1;00\r").arg(n))), ack + ";06") << n;
        EXPECT_EQ(Body(qPrintable(QStringLiteral("@UU;%1;7;00\r").arg(n))), ack) << n;
    }
    for (const char* n : {"0", "9", "10", "15", "-1", "x"}) {
        EXPECT_EQ(Body(qPrintable(QStringLiteral("@QU;%1;00\r").arg(n))), prm) << n;
        EXPECT_EQ(Body(qPrintable(QStringLiteral("@UU;%1;1;00\r").arg(n))), prm) << n;
    }
    for (const char* n : {"11", "12", "13"}) EXPECT_EQ(Body(qPrintable(QStringLiteral("@UU;%1;1;00\r").arg(n))), ack);

    // The simulation flag is a 32-bit value, rounded half to even.
    EXPECT_EQ(Body("@UU;2;2.5;00\r"), ack);
    EXPECT_EQ(Simulate, 2);
    EXPECT_EQ(Body("@UU;2;70000;00\r"), ack);
    EXPECT_EQ(Body("@QU;2;00\r"), ack + ";70000");
    EXPECT_EQ(Body("@UU;2;9e9;00\r"), unk);
    EXPECT_EQ(Simulate, 70000);

    // The front-panel word must be a whole 16-bit number.
    EXPECT_EQ(Body("@UU;6;1026;00\r"), ack);
    EXPECT_EQ(Body("@QU;6;00\r"), ack + ";1026");
    for (const char* bad : {"@UU;6;abc;00\r", "@UU;6;70000;00\r", "@UU;6;00\r", "@UU;6;;00\r"}) {
        EXPECT_EQ(Body(bad), unk) << bad;
        EXPECT_EQ(SystemFlags, 1026) << bad;
    }
    EXPECT_EQ(Body("@UU;6;-1;00\r"), ack);
    EXPECT_EQ(Body("@QU;6;00\r"), ack + ";-1");
    EXPECT_EQ(Body("@UU;6;0;00\r"), ack);
    EXPECT_EQ(SystemFlags, 0);

    // Minimize and restore the main window; keep it on top or let it go.
    EXPECT_EQ(Body("@UU;7;0;00\r"), ack);
    EXPECT_TRUE(gMainForm->isMinimized());
    EXPECT_EQ(Body("@QU;7;00\r"), ack + ";0");
    EXPECT_EQ(Body("@UU;7;1;00\r"), ack);
    EXPECT_EQ(Body("@QU;7;00\r"), ack + ";1");
    EXPECT_EQ(Body("@UU;14;1;00\r"), ack);
    EXPECT_TRUE(gMainForm->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(Body("@UU;14;00\r"), ack);  // no value: the command word reads 0
    EXPECT_FALSE(gMainForm->windowFlags().testFlag(Qt::WindowStaysOnTopHint));

    // The installation's identity.
    EXPECT_EQ(Body("@QU;11;44\r"), ack + ";4.1.1");
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\x06;\\d+\\.\\d+\\.\\d+$")).match(Body("@QU;12;00\r")).hasMatch());
    EXPECT_EQ(Body("@QU;13;00\r"), ack + ";" + modOSInfo::ComputerName());
    EXPECT_EQ(Body("@QU;14;00\r"), ack + ";0");  // the unit has not identified itself

    // Without the objects they need, the items fail inside the handler: NAK 06, no box.
    delete gMainForm;
    delete gORUN;
    gORUN = nullptr;
    for (const char* request : {"@QU;7;00\r", "@UU;7;0;00\r", "@UU;14;1;00\r", "@QU;14;00\r"})
        EXPECT_EQ(Body(request), unk) << request;
    EXPECT_EQ(boxes.count(), 0);
}

}  // namespace
