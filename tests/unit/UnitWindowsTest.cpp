// The traffic monitor and the service window on a link without transport: the test plays
// the unit (LinkHarness) and clicks the windows like a user.
#include "LinkHarness.h"
#include "app/Globals.h"
#include "app/PhaseCode.h"
#include "app/SettingsGlobals.h"
#include "app/cApp.h"
#include "platform/Clock.h"
#include "platform/TarselGrid.h"
#include "remote/cComm.h"
#include "run/ProgramObjects.h"
#include "support/DialogRecorder.h"
#include "support/ProgramState.h"
#include "support/TempProgramFolder.h"
#include "unit/frmShowComm.h"
#include "unit/frmTest.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <gtest/gtest.h>

namespace {

void SaveScreenshot(QWidget* form, const char* name) {
    QDir().mkpath(ORUN_BIN_DIR "/../screenshots");
    EXPECT_TRUE(form->grab().save(QStringLiteral(ORUN_BIN_DIR "/../screenshots/%1.png").arg(name)));
}

QString Lines(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    return out.join('|');
}

class UnitWindows : public ::testing::Test {
protected:
    void SetUp() override {
        Clock::SetFixed(QDateTime(QDate(2024, 5, 6), QTime(10, 0, 0)));
        ProgramObjects::CreateApp();
        ProgramObjects::CreateQCM();
        ProgramObjects::CreateComm();
        Identify(unit);
        Reply(unit, "A1,1,0,0,0,0,0,0");  // channels 1 and 2 active
    }
    void TearDown() override { Clock::UseSystem(); }
    // Answers the commands in flight with their own letter until the link is idle.
    void Settle() {
        for (int i = 0; i < 50 && unit.CommStatus() == 1; ++i) Reply(unit, unit.Command().left(1));
    }
    TempProgramFolder folder;
    DialogRecorder boxes;
    FreshProgramState fresh;
    cORUN& unit = ProgramObjects::CreateUnit();
};

}  // namespace

TEST_F(UnitWindows, TrafficMonitorFiltersByLetterPairsTypedCommandsAndFollowsTheRemoteServer) {
    frmShowComm& form = ShowCommForm();
    form.setMode(0);
    EXPECT_EQ(form.windowTitle(), "Halvorne Communications");
    form.show();
    // Not capturing: nothing is listed, but reply time-outs (0, 0) are counted.
    unit.SendReadSensors();
    Reply(unit, "D;1,2");
    for (int err : {0, 1, 0}) emit unit.ORUNError(0, err);
    EXPECT_EQ(Lines(form.lstXmt) + Lines(form.lstRcv), "");
    EXPECT_EQ(form.txtErr->text(), "2");

    // Shift click checks every letter, Ctrl click clears them all; then D and G alone.
    for (auto [key, checked] : {std::pair{Qt::Key_Shift, true}, std::pair{Qt::Key_Control, false}}) {
        QTest::keyPress(&form, key);
        form.chkCommand[3]->click();
        QTest::keyRelease(&form, key);
        for (QCheckBox* box : form.chkCommand) EXPECT_EQ(box->isChecked(), checked);
    }
    form.chkCommand[3]->click();
    form.chkCommand[6]->click();
    form.cmdOperate[0]->click();  // START
    unit.SendReadSensors();
    Reply(unit, "D;5,6");
    unit.SendCheckReading();
    Reply(unit, "F1");
    emit unit.ORUNResponse(QStringLiteral("g;7"));  // filed under G
    EXPECT_EQ(Lines(form.lstXmt), "D");
    EXPECT_EQ(Lines(form.lstRcv), "g;7|D;5,6");

    // A typed command goes out in capitals; with capturing off it and its reply still
    // show; "@" is answered only by the identification.
    form.cmdOperate[0]->click();
    form.cmdOperate[1]->click();
    form.txtCommand->setText("v1,2,3,4");
    form.cmdShipIt->click();
    EXPECT_EQ(unit.Command(), "V1,2,3,4");
    Reply(unit, "V");
    form.txtCommand->setText("@");
    form.cmdShipIt->click();
    emit unit.ORUNResponse(QStringLiteral("O1,5"));
    Reply(unit, "ORUN 4.11");
    EXPECT_EQ(Lines(form.lstXmt), "@|V1,2,3,4");
    EXPECT_EQ(Lines(form.lstRcv), "ORUN 4.11|V");
    SaveScreenshot(&form, "traffic_monitor");
    form.cmdOperate[0]->click();
    for (int i = 0; i < 1005; ++i) emit unit.ORUNCommand(QStringLiteral("D%1").arg(i));
    EXPECT_EQ(form.lstXmt->count(), 999);
    EXPECT_EQ(form.lstXmt->item(0)->text(), "D1004");

    // Mode 1: the remote-control traffic without filter, until the window closes.
    form.cmdOperate[1]->click();
    form.setMode(1);
    EXPECT_EQ(form.windowTitle(), "External Communications");
    EXPECT_TRUE(form.fraShow->isHidden() && form.cmdShipIt->isHidden());
    emit gComm->CommRx(QStringLiteral("@QP;5;74"));
    emit gComm->CommTx(QStringLiteral("@QP;\x06;3;41\r"));
    emit unit.ORUNResponse(QStringLiteral("D;1"));
    EXPECT_EQ(Lines(form.lstRcv), "@QP;5;74");
    EXPECT_EQ(form.lstXmt->count(), 1);
    QPointer<frmShowComm> closed(&form);
    form.close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(closed.isNull());
    emit gComm->CommRx(QStringLiteral("@QP;5;74"));  // reaches no window
    EXPECT_EQ(ShowCommForm().lstRcv->count(), 0);
}

TEST_F(UnitWindows, ServiceWindowRampsThePmtOneVoltPerAcknowledgementAndWritesTheCalibration) {
    unit.setPMTVolts(0, 800);
    frmTest& form = TestForm();
    form.cmdRampStart->click();  // STARTUP: ignored
    EXPECT_TRUE(form.cmdRampStart->isEnabled());
    gApp->setPhase(PhaseCode::Stopped);
    Settle();
    LinkLog log(unit);
    form.cmdRampStart->click();
    EXPECT_FALSE(form.cboChan->isEnabled());
    Reply(unit, "H");
    Reply(unit, "H");  // also an "H" that another window caused advances the ramp
    EXPECT_EQ(log.commandText(), "H1,0 | H1,1 | H1,2");
    EXPECT_EQ(form.lblPMTVolts->text(), "2");
    unit.setPMTVolts(0, 1000);
    Reply(unit, "H");  // past 1000 V the ramp starts again at 0
    EXPECT_EQ(unit.PMTVolts(0), 0);
    form.cmdRampStop->click();
    Settle();
    EXPECT_EQ(unit.PMTVolts(0), 800);
    EXPECT_EQ(form.lblPMTVolts->text(), "");
    EXPECT_TRUE(form.cboChan->isEnabled());

    // Read, then written scaled by the new value; an old value of 0 sends nothing.
    for (auto [old, expected] : {std::pair{"100000", "H1,150000 | I1"}, std::pair{"0", ""}}) {
        Reply(unit, QStringLiteral("I1,") + old);
        form.cmdReadCal->click();
        EXPECT_EQ(form.lblOldCal->text(), old);
        form.txtNewCal->setText("1.5");
        Settle();
        log.clear();
        form.cmdWriteCal->click();
        Settle();
        EXPECT_EQ(log.commandText(), expected);
        EXPECT_FALSE(form.cmdWriteCal->isEnabled());
    }
}

TEST_F(UnitWindows, ServiceWindowLogsTheChannelFluxUnderTheTrimmedNameItDeletesFirst) {
    frmTest& form = TestForm();
    form.show();
    form.cboChan->setCurrentIndex(1);
    form.cboChan_Click();
    form.txtName->setText("  Run7 ");
    folder.write("Run7 .txt", "an older log\r\n");
    form.cmdLogStart->click();
    Reply(unit, "G;100,50,10,0,5,0;200,50,20,0,10,0;");
    EXPECT_NE(form.grdRdgs->CellText(0, 3), "");
    Reply(unit, "G;100,50,10,0,5,0;;");  // channel 2 has no reading: no line
    emit unit.ORUNResponse(QStringLiteral("g;1;2"));  // a resend reply writes none
    Simulate = 1;
    Reply(unit, "G;100,50,10,0,5,0;200,50,20,0,10,0;");  // simulating: replies ignored
    Simulate = 0;
    EXPECT_EQ(form.cmdLogStart->text(), "\\");
    SaveScreenshot(&form, "service_window");
    form.cmdLogStop->click();
    EXPECT_EQ(form.cmdLogStart->text(), "Start");

    const QStringList lines = QString::fromLatin1(folder.read("Run7 .txt")).split("\r\n", Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4) << lines.join('|').toStdString();
    EXPECT_TRUE(lines[0].startsWith("Start: CH2  "));
    EXPECT_EQ(lines[1], "Time, Current");
    EXPECT_TRUE(QRegularExpression("^0\\.00, -?\\d+\\.\\d{3}$").match(lines[2]).hasMatch()) << lines[2].toStdString();
    EXPECT_TRUE(lines[3].startsWith("Stop: CH2  "));
}
