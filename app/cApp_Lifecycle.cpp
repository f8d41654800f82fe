// The start of the program's life and its end, run by the phase setter (STARTUP and 99).
#include "app/cApp.h"

#include "app/Globals.h"
#include "app/Hooks.h"
#include "app/SettingsGlobals.h"
#include "app/VBConv.h"
#include "app/cErrHandler.h"
#include "app/frmStartup.h"
#include "app/modFileUtil.h"
#include "app/modFormUtil.h"
#include "app/modUtil.h"
#include "data/ProcessRec.h"
#include "data/UnreadCells.h"
#include "data/modDB.h"
#include "platform/AppInfo.h"
#include "platform/ProgramFolder.h"
#include "platform/SettingsStore.h"
#include "platform/WholeFile.h"
#include "remote/cComm.h"
#include "unit/cORUN.h"

#include <QApplication>
#include <QCursor>
#include <QFileInfo>
#include <QPointer>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// The splash window and the busy pointer of the start-up: both go when the sequence ends,
// whichever way it ends.
class StartupScreen {
public:
    StartupScreen() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~StartupScreen() {
        Close();
        QApplication::restoreOverrideCursor();
    }
    StartupScreen(const StartupScreen&) = delete;
    StartupScreen& operator=(const StartupScreen&) = delete;

    frmStartup* Splash() {
        if (!splash_) splash_ = new frmStartup;
        return splash_;
    }
    void Step(const QString& text, int percent) {
        Splash()->setProgressText(text);
        Splash()->setProgressPercent(percent);
    }
    void Close() { delete splash_.data(); }
    // Ends the program with the critical message; the splash window goes first, so that it
    // cannot cover the message.
    [[noreturn]] void Fail(const QString& reason) {
        Close();
        modUtil::CriticalError(reason);
    }

private:
    QPointer<frmStartup> splash_;
};

// A stored "Visible" value counts when it reads TRUE in any case.
bool WasVisible(const QString& section) {
    return vb::UCase(GetSetting(App().Title, section, QStringLiteral("Visible"), QStringLiteral("False"))) ==
           QLatin1String("TRUE");
}

}  // namespace

// Each step shows its text and percentage on the splash window, then does its work. A
// step that cannot be done ends the program: a missing configuration or database file with
// its own message, any other failure after the error report, since the program cannot run
// without the objects the remaining steps would have made.
void cApp::ApInitialize() {
    ORUN_PROC("cApp_ApInitialize");
    StartupScreen screen;
    QString step;
    // What the loads of the start-up could not read is told once, when it has ended.
    const modDB::TellUnreadOnce tellUnread;
    try {
        step = QStringLiteral("Read initialization file...");
        screen.Step(step, 10);
        screen.Splash()->show();
        QCoreApplication::processEvents();
        SetupFile = GetSetting(App().Title, QStringLiteral("Setup File"), QStringLiteral("Setup"));
        if (SetupFile.isEmpty()) SetupFile = QStringLiteral("ORUN.CFG");
        if (!modFileUtil::FileExists(InProgramFolder(SetupFile)))
            screen.Fail(QStringLiteral("Can't Find Config File ") + SetupFile);
        // A write of the configuration file killed midway left its scratch copy beside it.
        WholeFile::RemoveScratchCopies(QFileInfo(InProgramFolder(SetupFile)).absolutePath());
        for (const char* section : {"Application", "Display", "Datalog", "Debug"})
            IniReadApp(SetupFile, QLatin1String(section));

        step = QStringLiteral("Read database...");
        screen.Step(step, 30);
        if (!modFileUtil::FileExists(DBFile)) {
            modFormUtil::FormOnTop(screen.Splash(), false);
            DBFile = modUtil::GetDBFile(false);
            modFormUtil::FormOnTop(screen.Splash(), true);
            QCoreApplication::processEvents();
            if (DBFile.isEmpty() || !modFileUtil::FileExists(DBFile))
                screen.Fail(QStringLiteral("Can't Find Database File ") + kCrLf + DBFile);
        }
        modDB::RemoveKilledSaves(DBFile);
        // A file the program cannot work with ends the start-up here, with its cause.
        if (const QString problem = modDB::DatabaseProblem(DBFile); !problem.isEmpty()) screen.Fail(problem);
        modDB::DBLoad(DBFile);
        // A load that failed all the same has been reported; nothing after it can run
        // without a database.
        if (!modDB::gDB.IsOpen()) screen.Fail(QStringLiteral("Can't Open Database File ") + kCrLf + DBFile);

        step = QStringLiteral("Read help file...");
        screen.Step(step, 40);
        App().HelpFile = vb::CStr(App().Major) + vb::CStr(App().Minor) + vb::CStr(App().Revision) +
                         QStringLiteral("_ORUN.chm");

        step = QStringLiteral("Initialize ORUN...");
        screen.Step(step, 50);
        cORUN& unit = Hooks::Call(Hooks::CreateUnit);
        unit.setEnabled(false);
        IniReadApp(SetupFile, QStringLiteral("Communications"));
        IniReadApp(SetupFile, QStringLiteral("Sensor"));
        modDB::ORUNLoad();

        step = QStringLiteral("Initialize QCM...");
        screen.Step(step, 60);
        Hooks::Call(Hooks::CreateQCM);
        IniReadApp(SetupFile, QStringLiteral("QCM"));

        step = QStringLiteral("Initialize main form...");
        screen.Step(step, 70);
        Hooks::Call(Hooks::ShowForm, QStringLiteral("frmMain"));
        setProcNum(ProcNum_);

        step = QStringLiteral("Initialize communications...");
        screen.Step(step, 80);
        const Hooks::Endpoints endpoints = Hooks::Call(Hooks::MainFormEndpoints);
        if (unit.CommInit(unit.CommPort(), unit.ePort(), unit.EAddress(), endpoints.unitClient))
            unit.SendGetVersion();
        cComm& remote = Hooks::Call(Hooks::CreateComm);
        remote.Init(endpoints.remoteSerial, endpoints.remoteServer, Path() + SetupFile);
        if (remote.RS232Port() > 0) remote.setRS232Enabled(true);

        step = QStringLiteral("Show forms...");
        screen.Step(step, 90);
        if (WasVisible(QStringLiteral("frmProcess"))) Hooks::Call(Hooks::ShowForm, QStringLiteral("frmProcess"));
        if (WasVisible(QStringLiteral("frmLayer"))) {
            // A channel that has no film in this step gives way to the first layer's channel.
            int16_t channel = static_cast<int16_t>(vb::Val(
                GetSetting(App().Title, QStringLiteral("frmMain"), QStringLiteral("EditChan"), QStringLiteral("0"))));
            if (ChanFilm(channel) <= 0) channel = gLayer(gProcess(ProcNum_).First_Layer).Channel;
            Hooks::Call(Hooks::SelectEditChannel, channel);
        }
        if (WasVisible(QStringLiteral("frmSystem"))) Hooks::Call(Hooks::ShowForm, QStringLiteral("frmSystem"));
        for (int16_t i = 0; i <= 3; ++i)
            if (WasVisible(QStringLiteral("frmGraph") + vb::CStr(i))) setShowGraph(i, true);

        step = QStringLiteral("Startup...");
        screen.Step(step, 100);
        Hooks::Call(Hooks::FocusMainForm);
    } catch (const modUtil::CriticalExit&) {
        throw;
    } catch (...) {
        screen.Close();
        gErr.HandleError();
        screen.Fail(vb::Replace(step, QStringLiteral("..."), QString()) + QStringLiteral(" failed"));
    }
}

// The settings kept in the database and the configuration file are written back, then
// the remote-control server and the unit link are released by their owner. The quartz
// facade lives on.
void cApp::ApTerminate() {
    modDB::ORUNSave();
    modDB::QCMSave();
    IniWriteApp(SetupFile);
    Hooks::Call(Hooks::ReleaseLinks);
}
