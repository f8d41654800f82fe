// The system setup window's frame and its Comm tab, driven like a user against the unit
// emulator: the stored tab and channel, closing by the Close button, the program and the
// close box, and the choice of the links to the unit and to remote computers.
#include "SetupFixture.h"

#include "app/VBConv.h"
#include "app/modFormUtil.h"
#include "platform/SSTab.h"
#include "ptyline/PtyLine.h"
#include "unit/frmShowComm.h"

#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QTcpServer>
#include <QTcpSocket>

namespace {

TEST_F(SetupFixture, OpensOnTheStoredTabAndChannelAndRemembersThemWhenClosed) {
    struct Case {
        const char* tab;
        const char* sensor;
        int shownTab;
        int channel;
    };
    // Stored values outside the tabs and channels (a settings store may hold anything)
    // open tab 0 and channel 1.
    const Case cases[] = {{"0", "-1", 0, 0}, {"-3", "5", 0, 5}, {"3", "7", 3, 7}, {"9", "8", 0, 0}, {"abc", "2.5", 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tab);
        SetSetting("Tab", c.tab);
        SetSetting("Sensor", c.sensor);
        frmSystem* w = Open();
        EXPECT_EQ(Setting("Visible"), "True");
        EXPECT_EQ(w->tabForm->Tab(), c.shownTab);
        EXPECT_EQ(w->cboCal->currentIndex(), c.channel);
        for (int k = 0; k <= 5; ++k) EXPECT_EQ(w->fraTab(k)->isEnabled(), k == c.shownTab) << k;
        QTest::mouseClick(w->tabForm->tabBar(), Qt::LeftButton, {}, w->tabForm->tabBar()->tabRect(4).center());
        EXPECT_TRUE(w->fraTab(4)->isEnabled());
        EXPECT_FALSE(w->fraTab(c.shownTab)->isEnabled());
        QTest::mouseClick(w->cmdClose, Qt::LeftButton);
        EXPECT_EQ(gSystemForm, nullptr);
        EXPECT_EQ(Setting("Visible"), "False");
        EXPECT_EQ(Setting("Tab"), "4");
        EXPECT_EQ(Setting("Sensor"), vb::CStr(c.channel));
    }
    EXPECT_EQ(boxes.count(), 0);
}

TEST_F(SetupFixture, ClosingSavesTheUnitAndQuartzSettingsExceptDuringShutdown) {
    gORUN->setCalSlope(0, 0, 1.25);
    gORUN->setCalHiCounts(0, 0, 41000);
    frmSystem* w = Open();
    for (int i = 0; i <= 3; ++i) EXPECT_FALSE(w->lblCalA(i)->isVisibleTo(w) || w->lblDebug(i)->isVisibleTo(w));
    QTest::keyClick(w, Qt::Key_F1);
    EXPECT_EQ(helpTopics, std::vector<int>{110});

    // The program's close leaves the window marked open for the next start.
    gORUN->setCalPackets(2, 37);
    ASSERT_EQ(gQCM->InitFreq(7e6, 2e6, 6.5e6, 1.5), 0);
    modFormUtil::Unload(w);
    EXPECT_EQ(Setting("Visible"), "True");
    EXPECT_EQ(Stored("SELECT * FROM ORUN WHERE Channel =2", "CalPackets").toInt(), 37);
    EXPECT_EQ(Stored("SELECT * FROM QCM", "Period").toDouble(), 1.5);

    Debug = 1;
    w = Open();
    EXPECT_TRUE(w->lblCalA(0)->isVisibleTo(w));
    EXPECT_EQ(w->lblCalA(0)->text(), "1.250000");
    EXPECT_EQ(w->lblCalA(2)->text(), "41000");

    // The shutdown saves the settings itself; the window's close box then writes nothing.
    gApp->setPhase(PhaseCode::Shutdown);
    ASSERT_EQ(gORUN, nullptr);
    const QByteArray before = folder.read("ORUN.MDB");
    w->close();
    EXPECT_EQ(gSystemForm, nullptr);
    EXPECT_EQ(Setting("Visible"), "False");
    EXPECT_EQ(folder.read("ORUN.MDB"), before);
    EXPECT_EQ(boxes.count(), 0) << boxes.prompts().join(" | ").toStdString();
}

TEST_F(SetupFixture, CommTabChoosesTheLinksToTheUnitAndToRemoteComputers) {
    PtyLine line;
    const QString remoteDevice = line.Open();
    ASSERT_FALSE(remoteDevice.isEmpty());
    qputenv("ORUN_COM3", folder.file("no-tty").toLocal8Bit());
    qputenv("ORUN_COM4", folder.file("no-tty").toLocal8Bit());
    qputenv("ORUN_COM5", remoteDevice.toLocal8Bit());
    const QString unitDevice = sim.OpenPty();
    ASSERT_FALSE(unitDevice.isEmpty());
    qputenv("ORUN_COM6", unitDevice.toLocal8Bit());
    QStringList sent;
    QObject::connect(gORUN, &cORUN::ORUNCommand, [&](const QString& c) { sent << c; });

    frmSystem* w = Open();
    w->tabForm->setTab(4);
    EXPECT_EQ(w->lblVersion->text(), "Version 4.11");
    EXPECT_EQ(w->cboHalvornePort->currentText(), "Ethernet");
    EXPECT_TRUE(w->fraEthernet->isVisible());
    EXPECT_EQ(w->txtHalvorneEAddress->text(), "127.0.0.1");
    EXPECT_EQ(w->txtHalvorneEPort->text(), vb::CStr(int(sim.TcpPort())));
    EXPECT_EQ(w->cboSftwPort->currentText(), "Ethernet");
    EXPECT_TRUE(w->fraSftwEthernet->isVisible());
    EXPECT_FALSE(w->cboSftwBaud->isVisible());
    EXPECT_EQ(w->cboSftwBaud->currentText(), "9600");
    EXPECT_EQ(w->txtSftwEPort->text(), "0");
    EXPECT_TRUE(sent.isEmpty()) << "loading sent " << sent.join(' ').toStdString();

    // A serial port that does not open: the message, and the link without a port.
    Choose(w->cboHalvornePort, "Com3");
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.last().prompt, "Comm Port 3 not available.");
    EXPECT_EQ(boxes.last().icon(), vbInformation);
    EXPECT_EQ(w->cboHalvornePort->currentText(), "Disabled");
    EXPECT_EQ(gORUN->CommPort(), 0);
    EXPECT_FALSE(w->fraEthernet->isVisibleTo(w));

    // A serial port that opens: the unit answers there, and its version is shown.
    sim.Model().firmware = "4.12";
    Choose(w->cboHalvornePort, "Com6");
    EXPECT_EQ(gORUN->CommPort(), 6);
    EXPECT_TRUE(WaitUntil([&] { return w->lblVersion->text() == "Version 4.12"; }, 3000));

    // Ethernet is recorded with the boxes' values and asks for the version; nothing
    // connects. A port box that holds no port gives the port in force.
    EXPECT_TRUE(WaitUntil([] { return gORUN->CommStatus() != 1; }, 3000));
    Type(w->txtHalvorneEAddress, "10.1.2.3");
    EXPECT_EQ(gORUN->EAddress(), "127.0.0.1");  // not on Ethernet: nothing changes
    Type(w->txtHalvorneEPort, "abc");
    sent.clear();
    Choose(w->cboHalvornePort, "Ethernet");
    EXPECT_EQ(gORUN->CommPort(), 10);
    EXPECT_EQ(gORUN->EAddress(), "10.1.2.3");
    EXPECT_EQ(gORUN->ePort(), sim.TcpPort());
    EXPECT_EQ(w->txtHalvorneEPort->text(), vb::CStr(int(sim.TcpPort())));
    EXPECT_EQ(sent, QStringList{"@"});
    EXPECT_EQ(sim.TcpConnections(), 1);
    Type(w->txtHalvorneEPort, "2101", Qt::Key_Return);
    EXPECT_EQ(gORUN->ePort(), 2101);
    Type(w->txtHalvorneEPort, "70000");
    EXPECT_EQ(gORUN->ePort(), 2101);
    EXPECT_EQ(w->txtHalvorneEPort->text(), "2101");
    EXPECT_EQ(boxes.count(), 1);

    // The remote link: a port that does not open, one that does, its rate, then TCP.
    Choose(w->cboSftwPort, "Com4");
    ASSERT_EQ(boxes.count(), 2);
    EXPECT_EQ(boxes.last().prompt, "Comm Port 4 not available.");
    EXPECT_EQ(w->cboSftwPort->currentText(), "Disabled");
    EXPECT_EQ(gComm->RS232Port(), 0);
    EXPECT_FALSE(w->fraSftwEthernet->isVisibleTo(w));
    Choose(w->cboSftwPort, "Com5");
    EXPECT_EQ(gComm->RS232Port(), 5);
    EXPECT_TRUE(w->cboSftwBaud->isVisible());
    Choose(w->cboSftwBaud, "19200");
    EXPECT_EQ(gComm->RS232Baud(), 19200);
    EXPECT_TRUE(gComm->RS232Enabled());
    Choose(w->cboSftwPort, "Ethernet");
    EXPECT_EQ(gComm->RS232Port(), 10);
    EXPECT_EQ(w->lblSftwEAddress->text(), gComm->EthernetLocalIP());
    Type(w->txtSftwEPort, "abc");
    EXPECT_EQ(gComm->EthernetLocalPort(), 0);
    EXPECT_EQ(w->txtSftwEPort->text(), "0");
    quint16 freePort = 0;
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
        freePort = probe.serverPort();
    }
    Type(w->txtSftwEPort, vb::CStr(int(freePort)), Qt::Key_Return);
    EXPECT_EQ(gComm->EthernetLocalPort(), freePort);
    EXPECT_EQ(boxes.count(), 2);

    // A remote client's request shows where it came from.
    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, freePort);
    ASSERT_TRUE(client.waitForConnected(3000));
    client.write("@QU;4;00\r");
    EXPECT_TRUE(WaitUntil([&] { return !w->lblRemoteAddress->text().isEmpty(); }, 3000));
    EXPECT_EQ(w->lblRemoteAddress->text(), "127.0.0.1");
    EXPECT_EQ(w->lblRemotePort->text(), vb::CStr(int(client.localPort())));

    // The traffic monitor, on either link.
    QTest::mouseClick(w->cmdShowComm, Qt::LeftButton);
    frmShowComm* monitor = &ShowCommForm();
    EXPECT_TRUE(monitor->isVisible());
    EXPECT_EQ(monitor->Mode(), 0);
    QTest::mouseClick(w->cmdShowCommExternal, Qt::LeftButton);
    EXPECT_EQ(&ShowCommForm(), monitor);
    EXPECT_EQ(monitor->Mode(), 1);
    delete monitor;
}

}  // namespace
