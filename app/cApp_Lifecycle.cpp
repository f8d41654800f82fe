// The start of the program's life and its end, run by the phase setter (STARTUP and 99).
#include "app/cApp.h"

#include "app/ExitRecord.h"
#include "app/Globals.h"
#include "app/Hooks.h"
#include "app/SettingsGlobals.h"
#include "app/VBConv.h"
#include "app/cErrHandler.h"
#include "app/frmStartup.h"
#include "app/modFileUtil.h"
#include "app/modFormUtil.h"
#include "app/modUtil.h"
#include "data/FilmRec.h"
#include "data/ProcessRec.h"
#include "data/UnreadCells.h"
#include "data/modDB.h"
#include "platform/AppInfo.h"
#include "platform/Dialogs.h"
#include "platform/ProgramFolder.h"
#include "platform/SettingsStore.h"
#include "platform/WholeFile.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QStringList>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// The splash window and the busy pointer of the start-up: both go when the sequence ends,
// whichever way it ends.
class StartupScreen {
public:
    StartupScreen() {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        // A wait for the recipe database that another program holds is shown in place of
        // the step, which comes back when the wait ends.
        waitShown_ = QObject::connect(gApp, &cApp::FileWaitChange, [this](const QString& text) {
            if (splash_) splash_->setProgressText(text.isEmpty() ? step_ : text);
        });
    }
    ~StartupScreen() {
        QObject::disconnect(waitShown_);
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
        step_ = text;
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
    QString step_;
    QMetaObject::Connection waitShown_;
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
        Hooks::Call(Hooks::CreateUnit);
        Hooks::UnitCalls& unit = Hooks::Unit();
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
        SelectProcess(ProcNum_);

        step = QStringLiteral("Initialize communications...");
        screen.Step(step, 80);
        const Hooks::Endpoints endpoints = Hooks::Call(Hooks::MainFormEndpoints);
        if (unit.CommInit(unit.CommPort(), unit.ePort(), unit.EAddress(), endpoints.unitClient))
            unit.SendGetVersion();
        Hooks::Call(Hooks::CreateComm);
        Hooks::RemoteCalls& remote = Hooks::Remote();
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
    } catch (const modDB::FileRefused& refusal) {
        // Another program kept the recipe database through the wait: the station does not
        // start on half its settings, and says so once.
        screen.Fail(QStringLiteral("The program cannot start. ") + refusal.description);
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
    if (!SettingsSavedAtExit_) SaveAtExit(0, 0, 0);
    if (QString why; !IniWriteApp(SetupFile, &why))
        ExitRecord::NotSaved(QStringLiteral("The configuration file %1 could not be written (%2): the program ended "
                                            "without saving the settings changed since it started.")
                                 .arg(QDir::toNativeSeparators(InProgramFolder(SetupFile)), why));
    Hooks::Call(Hooks::ReleaseLinks);
}

void cApp::SaveAtExit(int16_t nProcess, int16_t nLayer, int16_t nFilm) {
    ORUN_PROC("cApp_SaveAtExit");
    QStringList what{QStringLiteral("The unit's calibrations and sensor settings"),
                     QStringLiteral("the quartz monitors' settings")};
    if (gProcess.inRange(nProcess)) what << QStringLiteral("process ") + vb::Trim(gProcess(nProcess).Process_Name);
    if (gLayer.inRange(nLayer)) what << QStringLiteral("layer record %1").arg(nLayer);
    if (gFilm.inRange(nFilm)) what << QStringLiteral("film ") + vb::Trim(gFilm(nFilm).Film_Name);
    const QString last = what.takeLast();
    const QString named = what.join(QStringLiteral(", ")) + QStringLiteral(" and ") + last;
    for (;;) {
        QString failure;
        try {
            // All of it in one transaction, told once: the first failure ends it.
            const modDB::OneSave once;
            modDB::WithFile(modDB::FileUse::Write, named, [&] {
                modDB::ORUNSave();
                modDB::QCMSave();
                if (gProcess.inRange(nProcess)) modDB::ProcessSave(nProcess);
                if (gLayer.inRange(nLayer)) modDB::LayerSave(nLayer);
                if (gFilm.inRange(nFilm)) modDB::FilmSave(nFilm);
            });
        } catch (const modDB::FileRefused& refusal) {
            failure = refusal.description;
        } catch (...) {
            failure = modDB::NotSaved(cErrHandler::CurrentError(), DBFile).description;
            failure = QStringLiteral("%1 could not be saved. ").arg(named) + failure;
        }
        if (failure.isEmpty()) break;
        // What is only in the program is thrown away only on the operator's word; ended by
        // the system, nobody is asked. Whichever way it is given up, it is written down.
        if (NobodyToAnswer()) {
            ExitRecord::NotSaved(failure + QStringLiteral(" The program ended without saving them: nobody was there to answer."));
            break;
        }
        if (MsgBox(failure + kCrLf + kCrLf +
                       QStringLiteral("Retry to save them again, or Cancel to exit without saving them."),
                   vbRetryCancel + vbExclamation) == vbRetry)
            continue;
        ExitRecord::NotSaved(failure + (NobodyToAnswer()
                                            ? QStringLiteral(" The program ended without saving them: the system asked it to "
                                                             "end while the question was open.")
                                            : QStringLiteral(" The program ended without saving them: the operator chose Cancel.")));
        break;
    }
    SettingsSavedAtExit_ = true;
}
