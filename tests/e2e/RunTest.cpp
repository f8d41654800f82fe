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
#include "platform/AppInfo.h"
#include "platform/ProgramFolder.h"
#include "platform/SettingsStore.h"
#include "run/ProgramObjects.h"
#include "run/frmMain.h"
#include "support/DialogRecorder.h"
#include "support/ProgramState.h"
#include "unit/cORUN.h"

#include <QApplication>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
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
// start-up and in the link reset after a time-out. The exit waits for the wait to end,
// then the program shuts down as usual and leaves the unit stopped.
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
            modFormUtil::Unload(gMainForm);
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
        EXPECT_EQ(s.boxes.prompts(), QStringList{"Exit the ORUN program?"});
        const UnitModel& unit = s.station.unit().Model();
        EXPECT_TRUE(WaitFor([&] { return unit.relays == 0b0001; }, 3000)) << unit.relays;
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
