// The program's own start-up run in this process, so the test can press the main window's
// buttons and look at its windows: a whole run of the demonstration process, the windows
// reopened, and a step that fails.
#include "app/Globals.h"
#include "app/PhaseCode.h"
#include "app/cApp.h"
#include "app/modFormUtil.h"
#include "app/modUtil.h"
#include "e2e/StationFolder.h"
#include "editors/frmLayerFilm.h"
#include "editors/frmProcess.h"
#include "platform/AppInfo.h"
#include "platform/FileDialogs.h"
#include "platform/ProgramFolder.h"
#include "platform/SettingsStore.h"
#include "run/ProgramObjects.h"
#include "run/frmMain.h"
#include "support/DialogRecorder.h"
#include "support/ProgramState.h"
#include "unit/cORUN.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

struct InProcessStation {
    InProcessStation() {
        SetProgramFolder(station.path());
        SettingsStore::SetLocation(station.file("config"));
    }
    ~InProcessStation() {
        ResetProgramState();
        SetProgramFolder(QString());
        SettingsStore::SetLocation(QString());
    }
    StationFolder station;
    DialogRecorder boxes;
};

}  // namespace

TEST(Run, StartRunsTheDemonstrationProcessToStoppedAndTheExitWritesTheFiles) {
    InProcessStation s;
    ResetProgramState();
    cApp& app = ProgramObjects::CreateApp();
    QList<int16_t> phases;
    QObject::connect(&app, &cApp::PhaseChange, [&](int16_t p) {
        if (phases.isEmpty() || phases.last() != p) phases << p;
    });
    app.setPhase(PhaseCode::Startup);
    ASSERT_EQ(app.Phase(), PhaseCode::Stopped);
    ASSERT_TRUE(WaitFor([&] { return s.station.Polled(); }, 10000));

    auto* start = gMainForm->findChild<QPushButton*>(QStringLiteral("cmdFunc(0)"));
    ASSERT_NE(start, nullptr);
    phases.clear();
    start->click();
    ASSERT_TRUE(WaitFor([&] { return phases.contains(PhaseCode::Deposit) && app.Phase() == PhaseCode::Stopped; },
                        45000))
        << "phases: " << ::testing::PrintToString(std::vector<int16_t>(phases.begin(), phases.end()));
    EXPECT_EQ(phases.first(), PhaseCode::InitRun);
    EXPECT_EQ(phases.count(PhaseCode::Deposit), 2) << "both layers deposit";
    EXPECT_EQ(app.ProcLayer(), 1);
    const QByteArray log = s.station.read("ORUN.TXT");
    EXPECT_TRUE(log.contains("Start Log\tDemo")) << log.data();
    EXPECT_TRUE(log.contains("Layer: 2")) << log.data();

    // The operator closes the window: asked, answered Yes, shut down 500 ms later.
    QPointer<frmMain> form(gMainForm);
    QFile::remove(s.station.file("ORUN.CFG"));
    modFormUtil::Unload(form);
    ASSERT_TRUE(WaitFor([&] { return !form || !form->isVisible(); }, 5000));
    EXPECT_TRUE(s.boxes.prompts().contains("Exit the ORUN program?"));
    EXPECT_TRUE(s.station.read("ORUN.CFG").contains("Process=1"));
}

// Only a run that ends writes the data log's end line and uses up the process's run
// number. The start-up, the process tree's OK and its Cancel and a cancelled File > Open
// each enter STOPPED while the program is stopped and leave both alone; a run that ends by
// itself and a run stopped and reset each leave one start and one end line of their own
// number, and the next run has the next number. The log file is appended to by every run.
TEST(Run, EndLinesAndRunNumbersCountTheRunsThatEnded) {
    InProcessStation s;
    ResetProgramState();
    s.station.write("ORUN.CFG", s.station.Config().replace("LogType=0", "LogType=1"));
    s.station.Sql("UPDATE Layers SET Thick = 0.003 WHERE Layer_Number IN (1, 2)");  // short layers
    cApp& app = ProgramObjects::CreateApp();
    // "start n" and "end n" for the start and end lines of the log, in order.
    const auto runLines = [&] {
        QStringList lines;
        for (const QString& line : QString::fromLatin1(s.station.read("ORUN.TXT")).split("\r\n")) {
            const QString run = line.section('\t', 2, 2).mid(4);
            if (line.startsWith("Start Log")) lines << "start " + run;
            if (line.startsWith("End Log")) lines << "end " + run;
        }
        return lines;
    };
    const auto expectRuns = [&](const QStringList& lines, int next) {
        EXPECT_EQ(runLines(), lines);
        EXPECT_EQ(gProcess(1).Run_Number, next);
        EXPECT_EQ(gMainForm->lblProcess(2)->text(), QStringLiteral("Run: %1").arg(next));
    };

    app.setPhase(PhaseCode::Startup);
    ASSERT_EQ(app.Phase(), PhaseCode::Stopped);
    ASSERT_TRUE(WaitFor([&] { return s.station.Polled(); }, 10000));
    {
        SCOPED_TRACE("start-up");
        expectRuns({}, 1);
    }
    for (int button : {0, 1}) {
        SCOPED_TRACE(button == 0 ? "tree OK" : "tree Cancel");
        gMainForm->mnuSetupProcess->trigger();
        QPointer<frmProcess> tree = qobject_cast<frmProcess*>(modFormUtil::LoadedForm("frmProcess"));
        ASSERT_TRUE(tree);
        tree->cmdForm[button]->click();
        ASSERT_TRUE(WaitFor([&] { return !modFormUtil::IsFormLoaded("frmProcess"); }, 5000));
        expectRuns({}, 1);
    }
    {
        SCOPED_TRACE("File > Open cancelled");
        SetFileDialogResponder([](const FileDialogRequest&) { return FileDialogAnswer{}; });
        gMainForm->mnuFileOpen->trigger();
        SetFileDialogResponder({});
        expectRuns({}, 1);
    }

    QPushButton* start = gMainForm->cmdFunc(0);
    QList<int16_t> phases;
    QObject::connect(&app, &cApp::PhaseChange, [&](int16_t p) { phases << p; });
    {
        SCOPED_TRACE("a run that ends by itself");
        start->click();
        ASSERT_TRUE(WaitFor([&] { return phases.contains(PhaseCode::Deposit) && app.Phase() == PhaseCode::Stopped; },
                            45000));
        expectRuns({"start 1", "end 1"}, 2);
    }
    {
        SCOPED_TRACE("a run stopped and reset");
        phases.clear();
        start->click();
        ASSERT_TRUE(WaitFor([&] { return app.Phase() == PhaseCode::Deposit; }, 20000)) << app.Phase();
        start->click();
        ASSERT_EQ(app.Phase(), PhaseCode::StopLayer);
        expectRuns({"start 1", "end 1", "start 2"}, 2);
        // The file already holds the next run's number: a run the program does not live
        // to end (a power failure) never hands its number on.
        EXPECT_EQ(s.station.RunNumber(), 3);
        gMainForm->cmdFunc(2)->click();
        ASSERT_EQ(app.Phase(), PhaseCode::Stopped);
        expectRuns({"start 1", "end 1", "start 2", "end 2"}, 3);
    }
    EXPECT_EQ(s.boxes.count(), 0) << s.boxes.prompts().join('|').toStdString();
}

TEST(Run, TheWindowsLeftOpenAreOpenedAgain) {
    InProcessStation s;
    ResetProgramState();
    // "true" in any case counts; the remembered channel has no layer, so the layer editor
    // opens on the first layer's channel.
    const QString t = App().Title;
    SaveSetting(t, "frmProcess", "Visible", "true");
    SaveSetting(t, "frmSystem", "Visible", "False");
    SaveSetting(t, "frmLayer", "Visible", "TRUE");
    SaveSetting(t, "frmMain", "EditChan", "5");
    SaveSetting(t, "frmGraph1", "Visible", "yes");
    SaveSetting(t, "frmGraph2", "Visible", "tRuE");
    cApp& app = ProgramObjects::CreateApp();
    app.setPhase(PhaseCode::Startup);
    ASSERT_EQ(app.Phase(), PhaseCode::Stopped);
    EXPECT_TRUE(modFormUtil::IsFormLoaded("frmProcess"));
    EXPECT_FALSE(modFormUtil::IsFormLoaded("frmSystem"));
    ASSERT_TRUE(gLayerEditor);
    EXPECT_EQ(gLayerEditor->CurrentLayer(), 1);
    EXPECT_FALSE(app.ShowGraph(1));
    EXPECT_TRUE(app.ShowGraph(2));
    EXPECT_EQ(s.boxes.count(), 0) << s.boxes.prompts().join('|').toStdString();
}

// The system asks the program to end while the link waits for its TCP connection, in the
// start-up and in the link reset after a time-out. The exit, confirmed without a question,
// waits for the wait to end, then the program shuts down as usual and leaves the unit
// stopped.
TEST(Run, AnEndRequestInsideAConnectWaitEndsTheProgramAsUsual) {
    for (const bool duringStartUp : {true, false}) {
        SCOPED_TRACE(duringStartUp ? "start-up" : "link reset");
        InProcessStation s;
        ResetProgramState();
        s.station.MapRelaysAndStartInput();
        // The end request, as the program's handler of the system's request makes it, once
        // the link is inside its wait.
        QTimer ask;
        bool asked = false;
        QObject::connect(&ask, &QTimer::timeout, [&] {
            if (asked || !gORUN || !gORUN->Waiting() || !gMainForm) return;
            asked = true;
            gMainForm->EndForTheSystem();
        });
        ask.start(5);
        if (!duringStartUp) ask.stop();
        cApp& app = ProgramObjects::CreateApp();
        app.setPhase(PhaseCode::Startup);
        ASSERT_EQ(app.Phase(), PhaseCode::Stopped);
        if (!duringStartUp) {
            ASSERT_TRUE(WaitFor([&] { return s.station.Polled(); }, 10000));
            ask.start(5);
            s.station.unit().DropConnections();  // silent: the reply times out, the reset reconnects
        }
        QPointer<frmMain> form(gMainForm);
        ASSERT_TRUE(WaitFor([&] { return asked && (!form || !form->isVisible()); }, 20000));
        EXPECT_EQ(app.Phase(), PhaseCode::Shutdown);
        EXPECT_EQ(gORUN, nullptr);
        EXPECT_EQ(s.boxes.prompts(), QStringList());  // the system's request asks nothing
        const UnitModel& unit = s.station.unit().Model();
        // A unit that had not answered when the request came was never driven by this
        // program, which then sends it nothing (on a busy machine the request can come
        // before the first reply); one that was driven gets the stop's relays.
        const QStringList& got = s.station.unit().Commands();
        const bool driven = std::any_of(got.begin(), got.end(), [](const QString& c) {
            return c.startsWith('N') || c.startsWith('K') || c.startsWith('W');
        });
        if (driven || !duringStartUp) {
            EXPECT_TRUE(WaitFor([&] { return unit.relays == 0b0001; }, 3000)) << unit.relays;
        }
        for (int o = 0; o <= 7; ++o) EXPECT_EQ(unit.powerCode[o], 32767) << "output " << o;
    }
}

namespace {
int gExitCode = -1;
void RecordExit(int code) { gExitCode = code; }
}  // namespace

TEST(Run, AStepThatFailsEndsTheProgramAfterItsReport) {
    InProcessStation s;
    ResetProgramState();
    QTemporaryDir noLibrary;  // the card library is not where the quartz facade looks
    SetLibraryFolder(noLibrary.path());
    modUtil::SetCriticalExitHook(&RecordExit);
    EXPECT_THROW(ProgramObjects::CreateApp().setPhase(PhaseCode::Startup), modUtil::CriticalExit);
    modUtil::SetCriticalExitHook(nullptr);
    SetLibraryFolder(QString());

    EXPECT_EQ(gExitCode, 1);
    ASSERT_GE(s.boxes.count(), 2);
    EXPECT_EQ(s.boxes.last().prompt, "Critical Error: Initialize QCM failed\r\nApplication must close!");
    EXPECT_FALSE(s.station.read("ERRORS.TXT").isEmpty()) << "the error report";
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    for (QWidget* w : QApplication::topLevelWidgets()) EXPECT_NE(w->objectName(), "frmStartup");
}
