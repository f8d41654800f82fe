// "@QU" and "@UU": every item, and what an update leaves when its value does not convert.
#include "RemoteStation.h"

#include "app/modOSInfo.h"

#include <QRegularExpression>

TEST_F(RemoteStation, UtilityItemsAnswerAsTheirTableSaysAndABadValueChangesNothing) {
    Start("Port=0\r\nEthernetPort=-1\r\n");
    auto body = [this](const QString& request) { return ReplyBody(relay->Ask(request + ";00\r")); };
    const QString ack = QStringLiteral("\x06"), prm = QStringLiteral("\x15;02"), unk = QStringLiteral("\x15;06");
    for (int n = -1; n <= 15; ++n) {
        const bool reserved = n == 1 || n == 3 || n == 4 || n == 5 || n == 8;
        const bool unused = n < 1 || n == 9 || n == 10 || n > 14;
        if (reserved || unused) {
            EXPECT_EQ(body(QStringLiteral("@QU;%1").arg(n)), reserved ? ack + ";06" : prm) << n;
        }
        if (reserved || unused || (n >= 11 && n <= 13)) {
            EXPECT_EQ(body(QStringLiteral("@UU;%1;1").arg(n)), unused ? prm : ack) << n;
        }
    }
    const char* cases[][2] = {
        {"@UU;2;2.5", "\x06"},    {"@QU;2", "\x06;2"},  // rounded half to even
        {"@UU;2;70000", "\x06"},  {"@QU;2", "\x06;70000"}, {"@UU;2;9e9", "\x15;06"},
        {"@UU;6;1026", "\x06"},   {"@UU;6;abc", "\x15;06"}, {"@UU;6;70000", "\x15;06"},
        {"@UU;6", "\x15;06"},     {"@QU;6", "\x06;1026"},   {"@UU;6;-1", "\x06"}, {"@QU;6", "\x06;-1"},
        {"@UU;7;0", "\x06"},      {"@QU;7", "\x06;0"},      {"@UU;7;1", "\x06"},  {"@QU;7", "\x06;1"},
        {"@QU;11", "\x06;4.1.1"}, {"@QU;14", "\x06;0"},  // the unit has not identified itself
    };
    for (const auto& c : cases) EXPECT_EQ(body(QString::fromLatin1(c[0])), QString::fromLatin1(c[1])) << c[0];
    EXPECT_EQ(Simulate, 70000);
    EXPECT_EQ(body("@QU;13"), ack + ";" + modOSInfo::ComputerName());
    EXPECT_TRUE(body("@QU;12").contains(QRegularExpression(QStringLiteral("^\x06;\\d+\\.\\d+\\.\\d+$"))));

    EXPECT_EQ(body("@UU;14;1"), ack);
    EXPECT_TRUE(gMainForm->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(body("@UU;14"), ack);  // the command word as the value reads 0
    EXPECT_FALSE(gMainForm->windowFlags().testFlag(Qt::WindowStaysOnTopHint));

    // Without the objects they need, the items fail inside the handler: NAK 06, no box.
    ProgramObjects::ReleaseMainForm();
    ProgramObjects::ReleaseLinks();
    for (const char* request : {"@QU;7", "@UU;7;0", "@UU;14;1", "@QU;14"}) EXPECT_EQ(body(request), unk) << request;
    EXPECT_EQ(boxes.count(), 0);
}
