// The application state: selecting a process, the run phase's bookkeeping, the channel
// phases' relays, the graph windows and the status label, with the real unit object (on
// no transport), quartz facade, main window and recipe database.
#include "app/PhaseCode.h"
#include "app/SettingsGlobals.h"
#include "app/cApp.h"
#include "data/FilmRec.h"
#include "data/GraphRec.h"
#include "data/ProcessRec.h"
#include "data/RecipeSchema.h"
#include "data/modDB.h"
#include "qcm/cQCM.h"
#include "app/ChannelData.h"
#include "run/frmMain.h"
#include "run/ProgramObjects.h"
#include "run/modIO.h"
#include "support/DialogRecorder.h"
#include "support/ProgramState.h"
#include "support/StationRecords.h"
#include "support/TempProgramFolder.h"
#include "unit/LinkHarness.h"
#include "windows/frmGraph.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

class AppStateTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProgramState();
        modDB::gDB = CreateRecipeDatabase(folder.file("ORUN.MDB"));
        for (int L = 1; L <= 250; ++L) SetLayer(static_cast<int16_t>(L), 0, 0, -1, -1, -1);
        gFilm(1).QCM_NUMBER = -1;  // calibrates against no quartz monitor
        ProgramObjects::CreateApp();
        ProgramObjects::CreateUnit();
        SoundCalibration(*gORUN);
        ProgramObjects::CreateQCM();
        ProgramObjects::CreateMainForm();
        Identify(*gORUN);
        Settle();
        log = std::make_unique<LinkLog>(*gORUN);
    }

    void TearDown() override {
        log.reset();
        ResetProgramState();
    }

    // Answers what the link has in flight, so that every command it queued goes out.
    void Settle() {
        for (int i = 0; i < 50 && gORUN->CommStatus() == 1; ++i) Reply(*gORUN, "K");
    }

    static void SetLayer(int16_t L, int16_t channel, int16_t output, int16_t film, int16_t next, int16_t coDep) {
        LayerRec& l = gLayer(L);
        l = LayerRec{};
        l.Layer_Number = L;
        l.Channel = channel;
        l.Output = output;
        l.Film_Number = film;
        l.Next_Layer = next;
        l.CoDep_Layer = coDep;
    }

    // A layer record of film 1 on a channel and an output, stored in its row.
    void MakeLayer(int16_t L, int16_t channel, int16_t output, int16_t next, int16_t coDep) {
        modDB::LayerLoad(L);
        SetLayer(L, channel, output, 1, next, coDep);
        modDB::LayerSave(L);
    }

    // A process of the given chain, stored in its row.
    void MakeProcess(int16_t n, const char* name, int16_t first, int16_t steps, int16_t layers, int16_t run = 1) {
        modDB::ProcessLoad(n);
        ProcessRec& p = gProcess(n);
        p.Process_Name = QString::fromLatin1(name);
        p.First_Layer = first;
        p.Number_Layers = steps;
        p.Number_Act_Layers = layers;
        p.Run_Number = run;
        modDB::ProcessSave(n);
    }

    QVariant Column(const QString& query, const QString& column) {
        dao::Recordset rs = modDB::gDB.OpenRecordset(query);
        return rs.RecordCount() == 0 ? QVariant(QStringLiteral("<no row>")) : rs.Fields(column).Value();
    }

    TempProgramFolder folder;
    DialogRecorder boxes;
    std::unique_ptr<LinkLog> log;
};

TEST_F(AppStateTest, AnEmptyProcessGetsADefaultLayerAndIsSelected) {
    MakeProcess(3, "Empty", -1, 0, 0, 41);
    for (int16_t L = 1; L <= 6; ++L) MakeLayer(L, 0, -1, -1, -1);  // taken
    modDB::LayerLoad(7);
    gLayer(7).Film_Number = -1;  // free
    gLayer(7).Channel = 5;
    gLayer(7).Output = 2;
    // The start-up is over: a process is active and the run STOPPED.
    MakeProcess(1, "First", 1, 1, 1);
    gApp->setProcNum(1);
    gApp->setPhase(PhaseCode::Stopped);
    QSignalSpy processes(gApp, &cApp::ProcessChange);
    QSignalSpy layers(gApp, &cApp::LayerChange);
    QSignalSpy phases(gApp, &cApp::PhaseChange);
    boxes.clear();

    gApp->setProcNum(3);

    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.last().prompt, "Empty was empty. A default layer has been added.");
    EXPECT_EQ(boxes.last().buttons, 0);
    // The process and its new layer are stored.
    EXPECT_EQ(Column("SELECT * FROM Processes WHERE Process_Number =3", "First_Layer").toInt(), 7);
    EXPECT_EQ(Column("SELECT * FROM Processes WHERE Process_Number =3", "Number_Layers").toInt(), 1);
    EXPECT_EQ(Column("SELECT * FROM Processes WHERE Process_Number =3", "Number_Act_Layers").toInt(), 1);
    EXPECT_EQ(Column("SELECT * FROM Layers WHERE Layer_Number =7", "Film_Number").toInt(), 1);
    EXPECT_EQ(Column("SELECT * FROM Layers WHERE Layer_Number =7", "Next_Layer").toInt(), -1);
    EXPECT_EQ(Column("SELECT * FROM Layers WHERE Layer_Number =7", "CoDep_Layer").toInt(), -1);
    // The layer keeps its channel and output, and is the process's first step.
    EXPECT_EQ(gApp->ProcNum(), 3);
    EXPECT_EQ(gApp->ProcLayer(), 1);
    EXPECT_EQ(gApp->ChanLayer(5), 7);
    EXPECT_EQ(gApp->ChanFilm(5), 1);
    EXPECT_EQ(gApp->ChanOutput(5), 2);
    // Selected outside the start-up: STOPPED is entered again, but no run ended, so the
    // run number stays.
    EXPECT_EQ(gProcess(3).Run_Number, 41);
    EXPECT_EQ(layers.count(), 1);
    EXPECT_EQ(layers.at(0).at(0).value<int16_t>(), 1);
    ASSERT_EQ(phases.count(), 1);
    EXPECT_EQ(phases.at(0).at(0).value<int16_t>(), PhaseCode::Stopped);
    ASSERT_EQ(processes.count(), 1);
    EXPECT_EQ(processes.at(0).at(0).value<int16_t>(), 3);
}

TEST_F(AppStateTest, AConflictingLayerIsReportedAndTheProcessStillSelected) {
    // Step 1: layers 1 and 2 both on channel 3; step 2: layer 3.
    MakeLayer(1, 3, 0, -1, 2);
    MakeLayer(2, 3, 1, 3, -1);
    MakeLayer(3, 4, 0, -1, -1);
    MakeProcess(2, "Stack", 1, 2, 3);
    modDB::GraphLoad(2);
    gGraph(0).Caption = QStringLiteral("  Rates  ");
    modDB::GraphSave(2);
    QSignalSpy processes(gApp, &cApp::ProcessChange);
    boxes.answer(vbCancel);  // the answer makes no difference

    gApp->setProcNum(2);

    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.last().prompt.toStdString(),
              "Stack, Layer 1 has multiple films using the same channel.\r\n"
              "The conflicting films will not be deposited when the process runs.\r\n"
              "Use Edit Process to correct the error.");
    EXPECT_EQ(boxes.last().buttons, vbExclamation + vbOKCancel);
    EXPECT_EQ(gApp->ChanLayer(3), 1);  // the first in chain order
    EXPECT_EQ(gApp->ProcLayerIndex(2, 4), 3);
    EXPECT_EQ(processes.count(), 1);
    EXPECT_EQ(gMainForm->mnuViewGraph(0)->text(), "&1. Rates");
}

TEST_F(AppStateTest, AProcessNumberOutsideOneToTwentyFiveChangesNothing) {
    MakeLayer(1, 0, 0, -1, -1);
    MakeProcess(4, "Good", 1, 1, 1, 7);
    gApp->setProcNum(4);
    ASSERT_EQ(gApp->ProcNum(), 4);
    QSignalSpy processes(gApp, &cApp::ProcessChange);
    QSignalSpy layers(gApp, &cApp::LayerChange);
    boxes.clear();

    for (int16_t bad : {int16_t{0}, int16_t{26}, int16_t{-3}}) gApp->setProcNum(bad);

    // Each is reported through the error handler, under the setter's name.
    ASSERT_EQ(boxes.count(), 3);
    EXPECT_TRUE(boxes.last().prompt.contains("Subscript out of range")) << boxes.last().prompt.toStdString();
    EXPECT_TRUE(folder.read("ERRORS.TXT").contains("Ap_ProcNum"));
    EXPECT_EQ(gApp->ProcNum(), 4);
    EXPECT_EQ(gApp->ChanLayer(0), 1);
    EXPECT_EQ(gProcess(4).Run_Number, 7);  // still in STARTUP: no run number taken
    EXPECT_EQ(processes.count(), 0);
    EXPECT_EQ(layers.count(), 0);
}

TEST_F(AppStateTest, StartLayerCarriesTheTotalsOfTheStepLastStopped) {
    MakeLayer(1, 0, 0, -1, -1);
    MakeProcess(1, "Carry", 1, 1, 1);
    gApp->setProcNum(1);
    gApp->setProcLayer(3);
    gApp->setPhase(PhaseCode::Deposit);
    gChanTotal(0) = 1.5;
    gChanTotal(6) = 0.25;
    gChanTotalCarry(0) = 2.0;
    gApp->setPhase(PhaseCode::StopLayer);
    EXPECT_EQ(gApp->StopLayer(), 3);

    gApp->setPhase(PhaseCode::StartLayer);
    EXPECT_DOUBLE_EQ(gChanTotalCarry(0), 3.5);
    EXPECT_DOUBLE_EQ(gChanTotalCarry(6), 0.25);
    EXPECT_DOUBLE_EQ(gChanTotal(0), 0.0);

    // Another step starts afresh.
    gChanTotal(0) = 1.0;
    gApp->setPhase(PhaseCode::StopLayer);
    gApp->setProcLayer(4);
    gApp->setPhase(PhaseCode::StartLayer);
    EXPECT_DOUBLE_EQ(gChanTotalCarry(0), 0.0);
    EXPECT_DOUBLE_EQ(gChanTotal(0), 0.0);

    // INIT RUN forgets the stop, so START LAYER at step 1 does not carry.
    gApp->setProcLayer(1);
    gApp->setPhase(PhaseCode::StopLayer);
    gApp->setPhase(PhaseCode::InitRun);
    EXPECT_EQ(gApp->StopLayer(), 0);
    gChanTotal(2) = 4.0;
    gApp->setPhase(PhaseCode::StartLayer);
    EXPECT_DOUBLE_EQ(gChanTotalCarry(2), 0.0);
}

TEST_F(AppStateTest, TheRunIsLoggedFromInitRunToStopped) {
    MakeLayer(1, 0, 0, -1, -1);
    MakeProcess(1, "Logged", 1, 1, 1, 12);
    gApp->setProcNum(1);
    folder.write("RUN.TXT", "the previous run\r\n");
    LogMode = true;
    LogType = 0;  // one file, started afresh by each run
    LogFile = QStringLiteral("RUN.TXT");

    gApp->setPhase(PhaseCode::InitRun);
    QByteArray text = folder.read("RUN.TXT");
    EXPECT_TRUE(text.startsWith("Start Log\tLogged\tRun:12\t")) << text.toStdString();
    gApp->setPhase(PhaseCode::StartLayer);
    text = folder.read("RUN.TXT");
    EXPECT_TRUE(text.contains("Layer: 1")) << text.toStdString();
    gApp->setPhase(PhaseCode::Stopped);
    text = folder.read("RUN.TXT");
    EXPECT_TRUE(text.contains("\r\nEnd Log  \tLogged\tRun:12\t")) << text.toStdString();
    EXPECT_EQ(gProcess(1).Run_Number, 13);
    EXPECT_EQ(boxes.count(), 0);

    // Without logging nothing is written.
    LogMode = false;
    gApp->setPhase(PhaseCode::InitRun);
    EXPECT_EQ(folder.read("RUN.TXT"), text);
    LogFile.clear();
}

TEST_F(AppStateTest, TheRunNumberAfterNineThousandNineHundredNinetyNineIsOne) {
    MakeLayer(1, 0, 0, -1, -1);
    MakeProcess(5, "Runs", 1, 1, 1, 9998);
    gApp->setProcNum(5);  // during the start-up: no STOPPED yet
    EXPECT_EQ(gProcess(5).Run_Number, 9998);
    QSignalSpy phases(gApp, &cApp::PhaseChange);
    gApp->setPhase(PhaseCode::Deposit);
    gApp->setPhase(PhaseCode::Stopped);
    EXPECT_EQ(gProcess(5).Run_Number, 9999);
    gApp->setPhase(PhaseCode::Deposit);
    gChanTotal(1) = 3.0;
    gChanTotalCarry(1) = 3.0;
    gApp->setPhase(PhaseCode::Stopped);
    EXPECT_EQ(gProcess(5).Run_Number, 1);
    EXPECT_DOUBLE_EQ(gChanTotal(1), 0.0);
    EXPECT_DOUBLE_EQ(gChanTotalCarry(1), 0.0);
    gApp->setProcNum(5);  // selected again when stopped: STOPPED is entered again, no run ends
    EXPECT_EQ(gProcess(5).Run_Number, 1);
    EXPECT_EQ(phases.count(), 5);
}

TEST_F(AppStateTest, ManualPowerSwitchesTheRelaysAndSendsThemOnlyWhenTheyChange) {
    MakeLayer(1, 1, 0, -1, 2);  // channels 1 and 2 have films in step 1
    MakeLayer(2, 2, 1, -1, -1);
    MakeProcess(6, "Manual", 1, 1, 2);
    gApp->setProcNum(6);
    modIO::SetOutputFunction(2, 9);   // Manual Mode
    modIO::SetOutputFunction(5, 21);  // Channel 2 Shutter (channel 1)
    modIO::SetOutputFunction(7, 24);  // Channel 5 Shutter: channel 4 has no film
    gORUN->setRelay(7, false);
    Settle();
    log->clear();

    gApp->setChanPhase(1, PhaseCode::ManPower);
    EXPECT_EQ(gApp->ChanPhase(1), PhaseCode::ManPower);
    EXPECT_TRUE(gORUN->Relay(2));
    EXPECT_TRUE(gORUN->Relay(5));
    EXPECT_FALSE(gORUN->Relay(7));
    EXPECT_EQ(log->commands(), QStringList{"N0,0,1,0,0,1,0,0,0,0,0,0"});
    Settle();

    // A second channel into MAN POWER changes no relay: nothing is sent.
    gApp->setChanPhase(2, PhaseCode::ManPower);
    EXPECT_EQ(log->commands().size(), 1);

    // Leaving MAN POWER during DEPOSIT leaves the shutter open for the run.
    gApp->setPhase(PhaseCode::Deposit);
    gApp->setChanPhase(1, PhaseCode::ManPower);
    Settle();
    log->clear();
    gApp->setChanPhase(1, PhaseCode::Deposit);
    EXPECT_FALSE(gORUN->Relay(2));
    EXPECT_TRUE(gORUN->Relay(5));
    EXPECT_EQ(log->commands(), QStringList{"N0,0,0,0,0,1,0,0,0,0,0,0"});
    Settle();
    // Leaving MAN POWER when stopped closes it too.
    gApp->setPhase(PhaseCode::Stopped);
    gApp->setChanPhase(2, PhaseCode::ManPower);
    Settle();
    log->clear();
    gApp->setChanPhase(2, PhaseCode::Stopped);
    EXPECT_FALSE(gORUN->Relay(5));
    EXPECT_EQ(log->commands(), QStringList{"N0,0,0,0,0,0,0,0,0,0,0,0"});

    // A channel the unit does not have is reported and nothing is stored.
    boxes.clear();
    gApp->setChanPhase(8, PhaseCode::ManPower);
    EXPECT_EQ(boxes.count(), 1);
    EXPECT_TRUE(folder.read("ERRORS.TXT").contains("cAp_ChanPhase"));
}

TEST_F(AppStateTest, ManualRampFromAStoppedRunPressesStart) {
    MakeLayer(1, 0, 0, -1, -1);
    MakeProcess(1, "Ramp", 1, 1, 1);
    gApp->setProcNum(1);
    QPushButton* start = gMainForm->cmdFunc(0);
    QSignalSpy presses(start, &QPushButton::clicked);
    gApp->setPhase(PhaseCode::Stopped);
    gApp->setChanPhase(0, PhaseCode::ManRamp);
    EXPECT_EQ(presses.count(), 1);
    gApp->setPhase(PhaseCode::Deposit);
    gApp->setChanPhase(0, PhaseCode::ManRamp);
    EXPECT_EQ(presses.count(), 1);
}

TEST_F(AppStateTest, TheStatusLabelFollowsTheMessageUntilShutdown) {
    MakeLayer(1, 0, 0, -1, -1);
    MakeProcess(1, "Status", 1, 1, 1);
    gApp->setProcNum(1);
    QLabel* label = gMainForm->lblStatus;
    gApp->setProcLayer(2);
    gApp->setStatusMsg(StatusMsgCode::EndLayerTotal);
    EXPECT_EQ(label->text(), "End Deposit Layer 2 - Total");
    gApp->setStatusMsg(StatusMsgCode::EndLayerTime);
    EXPECT_EQ(label->text(), "End Deposit Layer 2 - Time");
    gApp->setStatusMsg(StatusMsgCode::Unchanged);  // leaves the label
    EXPECT_EQ(label->text(), "End Deposit Layer 2 - Time");
    EXPECT_EQ(gApp->StatusMsg(), StatusMsgCode::Unchanged);
    gApp->setStatusMsg(StatusMsgCode::CommError);
    EXPECT_EQ(label->text(), "COMM ERROR");
    EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(Qt::red));
    gApp->setStatusMsg(StatusMsgCode::StopLayerUser);
    EXPECT_EQ(label->text(), "Stop Layer 2 - User");
    EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(Qt::black));

    // While simulating a silent unit is no error; the number is still kept.
    Simulate = 1;
    gApp->setStatusMsg(StatusMsgCode::CommError);
    EXPECT_EQ(label->text(), "Stop Layer 2 - User");
    EXPECT_EQ(gApp->StatusMsg(), StatusMsgCode::CommError);
    Simulate = 0;
    gApp->setStatusMsg(StatusMsgCode::None);
    EXPECT_EQ(label->text(), "");

    // Shutdown: the settings are stored, the unit link is released and the label is left
    // alone from then on.
    modDB::ORUNLoad();
    modDB::QCMLoad();
    gORUN->setCalPackets(4, 17);
    SetupFile = QStringLiteral("ORUN.CFG");
    QSignalSpy phases(gApp, &cApp::PhaseChange);
    gApp->setPhase(PhaseCode::Shutdown);
    EXPECT_EQ(gORUN, nullptr);
    EXPECT_EQ(Column("SELECT * FROM ORUN WHERE Channel =4", "CalPackets").toInt(), 17);
    EXPECT_TRUE(QFile::exists(folder.file("ORUN.CFG")));
    EXPECT_EQ(phases.count(), 0);
    gApp->setStatusMsg(StatusMsgCode::EndLayerTotal);
    EXPECT_EQ(label->text(), "");
    EXPECT_EQ(gApp->StatusMsg(), StatusMsgCode::None);
}

TEST_F(AppStateTest, GraphWindowsOpenAndCloseWithTheirMenuChecks) {
    gApp->setShowGraph(1, true);
    frmGraph* form = gGraphForm(1);
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->Index(), 1);
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(gApp->ShowGraph(1));
    EXPECT_TRUE(gMainForm->mnuViewGraph(1)->isChecked());
    gApp->setShowGraph(1, true);  // already shown: the same window
    EXPECT_EQ(gGraphForm(1), form);

    gApp->setShowGraph(1, false);
    EXPECT_FALSE(gApp->ShowGraph(1));
    EXPECT_FALSE(gMainForm->mnuViewGraph(1)->isChecked());
    EXPECT_EQ(gGraphForm(1), nullptr);

    // Closed by hand: the state and the menu follow.
    gApp->setShowGraph(3, true);
    QPointer<frmGraph> third = gGraphForm(3);
    third->close();
    EXPECT_FALSE(gApp->ShowGraph(3));
    EXPECT_FALSE(gMainForm->mnuViewGraph(3)->isChecked());
    EXPECT_EQ(boxes.count(), 0);
}

}  // namespace
